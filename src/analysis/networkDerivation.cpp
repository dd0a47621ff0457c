#include "analysis/networkDerivation.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "analysis/gridPreparation.hpp"
#include "cell/downLinks.hpp"

namespace drainPrep {

namespace {

constexpr std::int32_t withoutFlowBasinSize = -9999;

// Working marks in the compact distances while the walks run: a cell on the
// walk in hand, and a cell found outside every basin (on a loop of down links
// or draining into one), which ends with distance -1.
constexpr std::int32_t onWalk = -2;
constexpr std::int32_t outsideEveryBasin = -3;
constexpr std::int32_t unreachedDistance = -1;

// Inflows of a cell still to be added to its basin size; a cell whose own
// size has been handed down is done.
constexpr std::uint8_t inflowsDone = 0xFF;

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

using CodeLinks = DownLinks<std::int32_t>;

void numberOutlets(const std::vector<cellObject*>& outlets, const CellGrid& cells,
                   CellFields& fields) {
    std::int32_t nextRiverNum = 1;
    for (const cellObject* outlet : outlets) {
        fields.riverNum.begin()[indexOf(cells, *outlet)] = nextRiverNum++;
    }
}

// Walks down from `start` over cells without a distance yet, marking them,
// to the first cell that has one, and then again, giving each cell passed
// the distance and river number that it has below it. A walk that meets its
// own mark has closed a loop: its cells are outside every basin, as are those
// of a walk that ends on such a cell. Every cell is passed by at most two
// walks. Returns whether the walk reached an outlet.
bool walkDown(std::size_t start, const CodeLinks& links, std::int32_t* distance,
              std::int32_t* riverNum) {
    std::size_t cell = start;
    std::int32_t steps = 0;
    while (distance[cell] == unreachedDistance && links.drains(cell)) {
        distance[cell] = onWalk;
        cell = links.downOf(cell);
        ++steps;
    }
    const bool reached = distance[cell] >= 0;
    std::int32_t nextDistance = reached ? distance[cell] + steps : outsideEveryBasin;
    const std::int32_t number = reached ? riverNum[cell] : -1;
    for (cell = start; distance[cell] == onWalk; cell = links.downOf(cell)) {
        distance[cell] = nextDistance;
        riverNum[cell] = number;
        if (reached) --nextDistance;
    }
    return reached;
}

// Each cell takes the distance of its down cell plus 1 and its river number,
// as the level-by-level sweeps and the walks down give them.
void deriveDistancesAndNumbers(const CodeLinks& links, CellFields& fields) {
    std::int32_t* distance = fields.distance.begin();
    std::int32_t* riverNum = fields.riverNum.begin();
    bool anyOutside = false;
    for (std::size_t cell = 0; cell < fields.distance.cellCount(); ++cell) {
        if (distance[cell] == unreachedDistance && links.drains(cell)) {
            anyOutside = !walkDown(cell, links, distance, riverNum) || anyOutside;
        }
    }
    if (anyOutside) {
        for (std::int32_t& value : fields.distance) {
            if (value == outsideEveryBasin) value = unreachedDistance;
        }
    }
}

// A cell's size is final once all its inflows have added theirs: from each
// headwater of a basin, sizes are handed down as far as the cells they
// complete. Cells outside every basin neither add nor take anything.
void deriveBasinSizes(const CodeLinks& links, CellFields& fields) {
    const std::size_t cellCount = fields.basinSize.cellCount();
    Grid<std::uint8_t> inflows =
        countInflows(links, cellCount, fields.basinSize.nrows(), fields.basinSize.ncols());
    std::uint8_t* pending = inflows.begin();
    const std::int32_t* distance = fields.distance.begin();
    std::int32_t* basinSize = fields.basinSize.begin();
    for (std::size_t start = 0; start < cellCount; ++start) {
        if (distance[start] < 1 || pending[start] != 0) continue;
        for (std::size_t cell = start;;) {
            const std::size_t down = links.downOf(cell);
            basinSize[down] += basinSize[cell];
            pending[cell] = inflowsDone;
            if (--pending[down] != 0 || distance[down] == 0) break;
            cell = down;
        }
    }
}

// The derived values into the records, row by row. Only cells of a basin
// change: every other record holds its final values since the pruning.
void storeNetworkValues(const CellFields& fields, CellGrid& cells) {
    const std::int32_t* distance = fields.distance.begin();
    const std::int32_t* basinSize = fields.basinSize.begin();
    const std::int32_t* riverNum = fields.riverNum.begin();
    std::size_t index = 0;
    for (cellObject& cell : cells) {
        if (distance[index] >= 0) {
            cell.distance = distance[index];
            cell.basinSize = basinSize[index];
            cell.riverNum = riverNum[index];
        }
        ++index;
    }
}

}  // namespace

// A row's up lists are complete once the row below has registered, and the
// preparation reads a row's elevations until it hands over the row below: a
// row is pruned one row after its registration.
std::optional<std::string> prepareAndRegister(const StudyArea& area, const IntGrid& dem,
                                              const IntGrid& directions, CellGrid& cells,
                                              std::ostream& console,
                                              std::vector<cellObject*>& outlets, CellFields& fields,
                                              OutletRule rule) {
    outlets.clear();
    // At most every other cell is an outlet: each keeps a cell that drains into it.
    outlets.reserve((cells.cellCount() + 1) / 2);
    const auto registerAndPrune = [&cells, &outlets, &fields](std::int32_t row) {
        registerRow(cells, row);
        if (row > 0) pruneRow(cells, row - 1, outlets, fields);
    };
    if (auto failure = prepareGrid(area, dem, directions, cells, console, registerAndPrune, rule)) {
        return failure;
    }
    if (cells.nrows() > 0) pruneRow(cells, cells.nrows() - 1, outlets, fields);
    return std::nullopt;
}

// The order the network needs is followed on the compact copies, a few
// bytes a cell, never on the records: over records in a scratch file larger
// than memory, jumping between rows would cost a page for every cell.
void deriveBasins(const std::vector<cellObject*>& outlets, CellGrid& cells, CellFields& fields) {
    const CodeLinks links(fields.dir.begin(), fields.dir.ncols());
    numberOutlets(outlets, cells, fields);
    deriveDistancesAndNumbers(links, fields);
    deriveBasinSizes(links, fields);
    storeNetworkValues(fields, cells);
}

}  // namespace drainPrep
