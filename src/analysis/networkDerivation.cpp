#include "analysis/networkDerivation.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "analysis/gridPreparation.hpp"
#include "cell/flowNetwork.hpp"

namespace drainPrep {

namespace {

constexpr std::int32_t withoutFlowBasinSize = -9999;

// Working marks in the compact distances while the walks run: a cell on the
// walk in hand, and a cell found outside every basin (on a loop of down links
// or draining into one), which ends with distance -1.
constexpr std::int32_t onWalk = -2;
constexpr std::int32_t outsideEveryBasin = -3;
constexpr std::int32_t unreachedDistance = -1;

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

// Each cell takes the distance of its down cell plus 1 and its river number,
// as the level-by-level sweeps give them: the path down from every cell in
// row-major order is painted from the first cell that has them. A path that
// closes a loop, or ends on a cell outside every basin or without flow, puts
// its cells outside every basin.
void deriveDistancesAndNumbers(const CodeLinks& links, CellFields& fields) {
    std::int32_t* distance = fields.distance.begin();
    std::int32_t* riverNum = fields.riverNum.begin();
    bool anyOutside = false;
    const auto paint = [&](std::size_t cell, std::size_t end, std::size_t stepsToEnd) {
        const bool reached = distance[end] >= 0;
        distance[cell] = reached ? distance[end] + static_cast<std::int32_t>(stepsToEnd)
                                 : outsideEveryBasin;
        riverNum[cell] = reached ? riverNum[end] : -1;
        anyOutside = anyOutside || !reached;
    };
    for (std::size_t cell = 0; cell < fields.distance.cellCount(); ++cell) {
        if (distance[cell] == unreachedDistance && links.drains(cell)) {
            paintPath(links, cell, distance, unreachedDistance, onWalk, paint);
        }
    }
    if (anyOutside) {
        for (std::int32_t& value : fields.distance) {
            if (value == outsideEveryBasin) value = unreachedDistance;
        }
    }
}

// The links of the cells in a basin: an outlet ends them, and a cell
// outside every basin neither adds to a basin size nor takes one.
class BasinLinks {
public:
    BasinLinks(const CodeLinks& links, const std::int32_t* distance)
        : links_(links), distance_(distance) {}
    std::size_t cellCount() const { return links_.cellCount(); }
    bool drains(std::size_t cell) const { return distance_[cell] >= 1; }
    std::size_t downOf(std::size_t cell) const { return links_.downOf(cell); }

private:
    const CodeLinks& links_;
    const std::int32_t* distance_;
};

void deriveBasinSizes(const CodeLinks& links, CellFields& fields) {
    accumulate(BasinLinks(links, fields.distance.begin()), fields.basinSize.begin());
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
Failure prepareAndRegister(const StudyArea& area, const IntGrid& dem, const IntGrid& directions,
                           CellGrid& cells, std::ostream& console,
                           std::vector<cellObject*>& outlets, CellFields& fields, OutletRule rule) {
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
    const CodeLinks links(fields.dir.begin(), fields.dir.nrows(), fields.dir.ncols());
    numberOutlets(outlets, cells, fields);
    deriveDistancesAndNumbers(links, fields);
    deriveBasinSizes(links, fields);
    storeNetworkValues(fields, cells);
}

}  // namespace drainPrep
