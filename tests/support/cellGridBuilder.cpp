#include "support/cellGridBuilder.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "analysis/gridPreparation.hpp"
#include "analysis/networkDerivation.hpp"
#include "support/levelSweeps.hpp"

namespace drainPrep::testing {

IntGrid gridOf(const std::vector<std::vector<std::int32_t>>& rows) {
    IntGrid grid(static_cast<std::int32_t>(rows.size()), static_cast<std::int32_t>(rows[0].size()));
    for (std::int32_t row = 0; row < grid.nrows(); ++row) {
        for (std::int32_t col = 0; col < grid.ncols(); ++col) {
            grid[row][col] = rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
        }
    }
    return grid;
}

IntGrid filledGrid(std::int32_t nrows, std::int32_t ncols, std::int32_t value) {
    IntGrid grid(nrows, ncols);
    for (std::int32_t& sample : grid) sample = value;
    return grid;
}

namespace {

PreparedGrid allocatedFor(const IntGrid& dem, RecordStore store = RecordStore::memory) {
    PreparedGrid prepared;
    prepared.area = {dem.nrows(), dem.ncols(), 40, 130};
    const std::string scratchDirectory = ::testing::TempDir();
    prepared.cells = CellGrid(dem.nrows(), dem.ncols(),
                              store == RecordStore::memory ? nullptr : scratchDirectory.c_str(),
                              store == RecordStore::memoryAndScratchFile ? dem.nrows() / 2 : 0);
    return prepared;
}

}  // namespace

PreparedGrid prepare(const IntGrid& dem, const IntGrid& directions, Preparation preparation,
                     OutletRule rule) {
    PreparedGrid prepared = allocatedFor(dem);
    std::ostringstream console;
    prepared.failure = preparation == Preparation::tool
                           ? prepareGrid(
                                 prepared.area, dem, directions, prepared.cells, console,
                                 [](std::int32_t) {}, rule)
                           : prepareGridSweepBySweep(prepared.area, dem, directions, prepared.cells,
                                                     console, rule);
    prepared.console = console.str();
    return prepared;
}

PreparedGrid prepareAndDerive(const IntGrid& dem, const IntGrid& directions, RecordStore store,
                              OutletRule rule) {
    PreparedGrid prepared = allocatedFor(dem, store);
    prepared.fields = CellFields(dem.nrows(), dem.ncols());
    std::ostringstream console;
    std::vector<cellObject*> outlets;
    prepared.failure = prepareAndRegister(prepared.area, dem, directions, prepared.cells, console,
                                          outlets, prepared.fields, rule);
    prepared.console = console.str();
    if (!prepared.failure) deriveBasins(outlets, prepared.cells, prepared.fields);
    return prepared;
}

}  // namespace drainPrep::testing
