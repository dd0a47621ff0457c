// Cell grids for tests, built from literal rasters through the tool's own
// construction, then prepared by the tool or by the plain sweeps of
// support/levelSweeps.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cell/cellFields.hpp"
#include "cell/cellObject.hpp"
#include "geometry/studyArea.hpp"
#include "raster/intGrid.hpp"

namespace drainPrep::testing {

IntGrid gridOf(const std::vector<std::vector<std::int32_t>>& rows);
IntGrid filledGrid(std::int32_t nrows, std::int32_t ncols, std::int32_t value);

struct PreparedGrid {
    StudyArea area;
    CellGrid cells;
    std::string console;  // what the preparation printed
    std::optional<std::string> failure;
    CellFields fields;  // the tool's copies, after its derivation
};

enum class Preparation { tool, sweepBySweep };

// A study area at 40N 130E of the rasters' size, built and prepared.
PreparedGrid prepare(const IntGrid& dem, const IntGrid& directions,
                     Preparation preparation = Preparation::tool,
                     OutletRule rule = OutletRule::coast);

// Where the records of a tool's run live: the last may put the first half of
// the rows in memory, the rest in the scratch file.
enum class RecordStore { memory, scratchFile, memoryAndScratchFile };

// The same, with the tool's own network derivation: registration row by row
// with the preparation, then the basins; with the copies of the fields.
PreparedGrid prepareAndDerive(const IntGrid& dem, const IntGrid& directions,
                              RecordStore store = RecordStore::memory,
                              OutletRule rule = OutletRule::coast);

}  // namespace drainPrep::testing
