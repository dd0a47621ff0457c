// The basin of one cell: every cell whose path reaches it, with its extent,
// and the choice of the river cell near a point given by hand.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "area/sourceBlocks.hpp"
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

// The area of a cell of each row of the frame's grid, km², in the model's
// own cell lengths.
std::vector<double> squareKilometresByRow(std::int32_t nrows, const SourceFrame& frame);

// The outlet must have upstream cells. The grid's row 0 is the first row of
// `frame`, whose north edge gives the cells' areas.
Basin traceBasin(const SourceBlocks& grid, SourceCell outlet,
                 const SourceFrame& frame = fixedSourceFrame);

// The basin's extent, and the cell of sea or no data that its outlet runs
// into, if so: inside an area's rings, that cell makes the outlet a mouth of
// the run, which the outlet ring would otherwise take.
CellExtent extentWithMouth(const SourceBlocks& grid, const Basin& basin, SourceCell outlet);

// The cells within `radius` rows and columns of the point, row-major.
std::vector<SourceCell> cellsAround(SourceCell point, std::int32_t radius,
                                    const SourceBlocks& grid);

// The cell of most upstream cells within `radius` rows and columns of the
// point; among equals the nearest, then the first in row-major order. Nothing
// when no cell there belongs to a basin.
std::optional<SourceCell> snapToRiver(SourceBlocks& grid, SourceCell point, std::int32_t radius);

}  // namespace drainPrep
