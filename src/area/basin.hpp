// The basin of one cell: every cell whose path reaches it, with its extent,
// and the choice of the river cell near a point given by hand.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "area/flowGrid.hpp"
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
    // Besides the outlet: drainPrep turns cells beside sea or no data into
    // outlets, which split them off the outlet's basin number.
    std::int32_t cellsBesideNoFlow = 0;
};

// The area of a cell of each row of the frame's grid, km², in the model's
// own cell lengths.
std::vector<double> squareKilometresByRow(std::int32_t nrows, const SourceFrame& frame);

// The outlet must have upstream cells. The grid's row 0 is the first row of
// `frame`, whose north edge gives the cells' areas.
Basin traceBasin(const FlowGrid& grid, SourceCell outlet,
                 const SourceFrame& frame = fixedSourceFrame);

// The cell of most upstream cells within `radius` rows and columns of the
// point; among equals the nearest, then the first in row-major order. Nothing
// when no cell there belongs to a basin.
std::optional<SourceCell> snapToRiver(const FlowGrid& grid, SourceCell point, std::int32_t radius);

}  // namespace drainPrep
