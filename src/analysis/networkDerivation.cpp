#include "analysis/networkDerivation.hpp"

#include "analysis/gridPreparation.hpp"

namespace drainPrep {

namespace {

constexpr std::int32_t withoutFlowBasinSize = -9999;

// The visits of a basin jump between cells rows apart in memory. Asking for
// the record lines that a visit reads, some visits ahead of it, hides most of
// the wait for them; the results do not depend on it.
constexpr std::size_t prefetchDistance = 16;

void prefetchRecord(const cellObject* cell) {
#if defined(__GNUC__)
    const char* record = reinterpret_cast<const char*>(cell);
    __builtin_prefetch(record);
    __builtin_prefetch(record + 64);
    __builtin_prefetch(record + 128);
    __builtin_prefetch(&cell->down);
#else
    (void)cell;
#endif
}

// Every cell with a down link enters the up list of its down cell, in
// row-major order of the registering cells; cells without a flow direction
// get the basin size -9999.
void registerRow(CellGrid& cells, std::int32_t row) {
    cellObject* rowCells = cells[row];
    for (std::int32_t col = 0; col < cells.ncols(); ++col) {
        cellObject& cell = rowCells[col];
        if (cell.dir < outletCode) {
            cell.basinSize = withoutFlowBasinSize;
        } else if (!cells.isFrameRing(row, col) && cell.down != nullptr) {
            cell.registerUp();
        }
    }
}

std::size_t indexOf(const CellGrid& cells, const cellObject& cell) {
    return static_cast<std::size_t>(&cell - cells.begin());
}

// An outlet that nothing registered with becomes a no-data cell; the others
// start the distances at 0. The row is then final but for the values that
// the derivation of its basin will set.
void pruneRow(CellGrid& cells, std::int32_t row, std::vector<cellObject*>& outlets,
              CellFields& fields) {
    cellObject* rowCells = cells[row];
    for (std::int32_t col = 0; col < cells.ncols(); ++col) {
        cellObject& cell = rowCells[col];
        if (cell.dir == outletCode) cell.pruneOutlet();
        if (cell.dir == outletCode) {
            cell.distance = 0;
            outlets.push_back(&cell);
        }
        fields.copyAll(cell, indexOf(cells, cell));
    }
}

// Cells upstream of `outlet`, each after its down cell, the outlet first.
void visitUpstream(cellObject* outlet, std::vector<cellObject*>& basin) {
    basin.assign(1, outlet);
    for (std::size_t i = 0; i < basin.size(); ++i) {
        if (i + prefetchDistance < basin.size()) prefetchRecord(basin[i + prefetchDistance]);
        cellObject* cell = basin[i];
        if (i > 0) cell->propagateRiverNum();  // its down cell holds the number
        cell->passDistance();
        for (cellObject* upstream : cell->up) {
            if (upstream != nullptr) basin.push_back(upstream);
        }
    }
}

}  // namespace

// A row's up lists are complete once the row below has registered, and the
// preparation reads a row's elevations until it hands over the row below: a
// row is pruned one row after its registration.
std::optional<std::string> prepareAndRegister(const StudyArea& area, const IntGrid& dem,
                                              const IntGrid& directions, CellGrid& cells,
                                              std::ostream& console,
                                              std::vector<cellObject*>& outlets,
                                              CellFields& fields) {
    outlets.clear();
    // At most every other cell is an outlet: each keeps a cell that drains into it.
    outlets.reserve((cells.cellCount() + 1) / 2);
    const auto registerAndPrune = [&cells, &outlets, &fields](std::int32_t row) {
        registerRow(cells, row);
        if (row > 0) pruneRow(cells, row - 1, outlets, fields);
    };
    if (auto failure = prepareGrid(area, dem, directions, cells, console, registerAndPrune)) {
        return failure;
    }
    if (cells.nrows() > 0) pruneRow(cells, cells.nrows() - 1, outlets, fields);
    return std::nullopt;
}

// A basin is visited while its records are still in cache (or, for records
// in a scratch file, in the page cache). Every upstream cell comes later in
// the visit, so in the reverse order each basin size that a cell adds is final.
void deriveBasins(const std::vector<cellObject*>& outlets, const CellGrid& cells,
                  CellFields& fields) {
    std::vector<cellObject*> basin;
    basin.reserve(cells.cellCount());
    std::int32_t nextRiverNum = 1;
    for (cellObject* outlet : outlets) {
        outlet->riverNum = nextRiverNum++;
        visitUpstream(outlet, basin);
        for (std::size_t i = basin.size(); i-- > 0;) {
            if (i >= prefetchDistance) prefetchRecord(basin[i - prefetchDistance]);
            basin[i]->addUpstream();
            fields.copyNetworkValues(*basin[i], indexOf(cells, *basin[i]));
        }
    }
}

}  // namespace drainPrep
