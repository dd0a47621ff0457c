#include "area/basin.hpp"

#include <algorithm>
#include <vector>

#include "geometry/sourceFrame.hpp"

namespace drainPrep {

namespace {

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
        byRow[static_cast<std::size_t>(row)] =
            cellAreaKm2AtLat(rowCentreLat(frame, row), frame.lattice);
    }
    return byRow;
}

Basin traceBasin(const SourceBlocks& grid, SourceCell outlet, const SourceFrame& frame) {
    const std::vector<double> squareKilometres = squareKilometresByRow(grid.nrows(), frame);
    Basin basin;
    basin.extent = {outlet.row, outlet.row, outlet.col, outlet.col};
    forEachBasinCell(grid, outlet, [&](SourceCell cell) {
        ++basin.cells;
        basin.squareKilometres += squareKilometres[static_cast<std::size_t>(cell.row)];
        widen(basin.extent, cell);
    });
    return basin;
}

CellExtent extentWithMouth(const SourceBlocks& grid, const Basin& basin, SourceCell outlet) {
    CellExtent extent = basin.extent;
    const std::int32_t code = grid.internalCode(outlet);
    if (code < 1) return extent;
    const Direction& direction = flowDirections[code - 1];
    const SourceCell end{outlet.row + direction.rowOffset, outlet.col + direction.colOffset};
    if (grid.contains(end.row, end.col) && !grid.hasFlowData(end)) widen(extent, end);
    return extent;
}

std::vector<SourceCell> cellsAround(SourceCell point, std::int32_t radius,
                                    const SourceBlocks& grid) {
    const Span rows = spanAround(point.row, radius, grid.nrows());
    const Span cols = spanAround(point.col, radius, grid.ncols());
    std::vector<SourceCell> cells;
    for (SourceCell cell{rows.first, 0}; cell.row <= rows.last; ++cell.row) {
        for (cell.col = cols.first; cell.col <= cols.last; ++cell.col) cells.push_back(cell);
    }
    return cells;
}

std::optional<SourceCell> snapToRiver(SourceBlocks& grid, SourceCell point, std::int32_t radius) {
    const std::vector<SourceCell> around = cellsAround(point, radius, grid);
    grid.countUpstreamOf(around);
    std::optional<SourceCell> best;
    std::int32_t bestUpstream = 0;
    for (const SourceCell cell : around) {
        const std::int32_t upstream = grid.upstreamCells(cell);
        const bool nearer = best && cellsApart(cell, point) < cellsApart(*best, point);
        if (upstream > bestUpstream || (upstream == bestUpstream && nearer)) {
            best = cell;
            bestUpstream = upstream;
        }
    }
    return best;
}

}  // namespace drainPrep
