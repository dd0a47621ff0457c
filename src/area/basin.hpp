// The basin of one cell: every cell whose path reaches it, with its extent,
// and the choice of the river cell near a point given by hand.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "area/flowGrid.hpp"
#include "cell/directions.hpp"
#include "geometry/sourceFrame.hpp"

namespace drainPrep {

// Rows and columns of the source grid, first and last inclusive.
struct CellExtent {
    std::int32_t firstRow = 0;
    std::int32_t lastRow = 0;
    std::int32_t firstCol = 0;
    std::int32_t lastCol = 0;

    bool operator==(const CellExtent& other) const {
        return firstRow == other.firstRow && lastRow == other.lastRow &&
               firstCol == other.firstCol && lastCol == other.lastCol;
    }
};

struct Basin {
    std::int32_t cells = 0;
    double squareKilometres = 0.0;
    CellExtent extent;
};

// Visits every cell whose path reaches `outlet`, the outlet first. They
// form a tree, so each is met once and no cell needs a mark.
template <typename Visit>
void forEachBasinCell(const FlowGrid& grid, SourceCell outlet, Visit visit) {
    std::vector<SourceCell> pending{outlet};
    while (!pending.empty()) {
        const SourceCell cell = pending.back();
        pending.pop_back();
        visit(cell);
        for (const Direction& direction : flowDirections) {
            const SourceCell next{cell.row + direction.rowOffset, cell.col + direction.colOffset};
            if (grid.contains(next.row, next.col) && grid.downstream(next) == cell) {
                pending.push_back(next);
            }
        }
    }
}

// The area of a cell of each row of the frame's grid, km², in the model's
// own cell lengths.
std::vector<double> squareKilometresByRow(std::int32_t nrows, const SourceFrame& frame);

// The outlet must have upstream cells. The grid's row 0 is the first row of
// `frame`, whose north edge gives the cells' areas.
Basin traceBasin(const FlowGrid& grid, SourceCell outlet,
                 const SourceFrame& frame = fixedSourceFrame);

// The basin's extent, and the cell of sea or no data that its outlet runs
// into, if so: inside an area's rings, that cell makes the outlet a mouth of
// the run, which the outlet ring would otherwise take.
CellExtent extentWithMouth(const FlowGrid& grid, const Basin& basin, SourceCell outlet);

// The cell of most upstream cells within `radius` rows and columns of the
// point; among equals the nearest, then the first in row-major order. Nothing
// when no cell there belongs to a basin.
std::optional<SourceCell> snapToRiver(const FlowGrid& grid, SourceCell point, std::int32_t radius);

}  // namespace drainPrep
