#include "area/basin.hpp"

#include <algorithm>
#include <vector>

#include "cell/directions.hpp"
#include "geometry/sourceFrame.hpp"

namespace drainPrep {

namespace {

constexpr double squareMetresPerSquareKilometre = 1e6;

template <typename Visit>
void forEachNeighbour(const FlowGrid& grid, SourceCell cell, Visit visit) {
    for (const Direction& direction : flowDirections) {
        const SourceCell neighbour{cell.row + direction.rowOffset, cell.col + direction.colOffset};
        if (grid.contains(neighbour.row, neighbour.col)) visit(neighbour);
    }
}

void widen(CellExtent& extent, SourceCell cell) {
    extent.firstRow = std::min(extent.firstRow, cell.row);
    extent.lastRow = std::max(extent.lastRow, cell.row);
    extent.firstCol = std::min(extent.firstCol, cell.col);
    extent.lastCol = std::max(extent.lastCol, cell.col);
}

}  // namespace

std::vector<double> squareKilometresByRow(std::int32_t nrows, const SourceFrame& frame) {
    std::vector<double> byRow(static_cast<std::size_t>(nrows));
    for (std::int32_t row = 0; row < nrows; ++row) {
        byRow[static_cast<std::size_t>(row)] = cellLengthNorthSouth *
                                               cellLengthEastWest(rowCentreLat(frame, row)) /
                                               squareMetresPerSquareKilometre;
    }
    return byRow;
}

// Upstream from the outlet: the cells that reach it form a tree, so each is
// met once and no cell needs a mark.
Basin traceBasin(const FlowGrid& grid, SourceCell outlet, const SourceFrame& frame) {
    const std::vector<double> squareKilometres = squareKilometresByRow(grid.nrows(), frame);
    Basin basin;
    basin.extent = {outlet.row, outlet.row, outlet.col, outlet.col};
    std::vector<SourceCell> pending{outlet};
    while (!pending.empty()) {
        const SourceCell cell = pending.back();
        pending.pop_back();
        ++basin.cells;
        basin.squareKilometres += squareKilometres[static_cast<std::size_t>(cell.row)];
        widen(basin.extent, cell);
        bool besideNoFlow = false;
        forEachNeighbour(grid, cell, [&](SourceCell neighbour) {
            if (!grid.hasFlowData(neighbour)) besideNoFlow = true;
            if (grid.downstream(neighbour) == cell) pending.push_back(neighbour);
        });
        if (besideNoFlow && !(cell == outlet)) ++basin.cellsBesideNoFlow;
    }
    return basin;
}

std::optional<SourceCell> snapToRiver(const FlowGrid& grid, SourceCell point, std::int32_t radius) {
    const Span rows = spanAround(point.row, radius, grid.nrows());
    const Span cols = spanAround(point.col, radius, grid.ncols());
    std::optional<SourceCell> best;
    std::int32_t bestUpstream = 0;
    for (SourceCell cell{rows.first, 0}; cell.row <= rows.last; ++cell.row) {
        for (cell.col = cols.first; cell.col <= cols.last; ++cell.col) {
            const std::int32_t upstream = grid.upstreamCells(cell);
            const bool nearer = best && cellsApart(cell, point) < cellsApart(*best, point);
            if (upstream > bestUpstream || (upstream == bestUpstream && nearer)) {
                best = cell;
                bestUpstream = upstream;
            }
        }
    }
    return best;
}

}  // namespace drainPrep
