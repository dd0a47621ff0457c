// Row-major visits of the cell grid: rows north to south, columns west to
// east. Several results depend on this order (the sea marking, which of
// several inflows registers first, the numbering of the outlets).
#pragma once

#include <cstdint>

#include "cell/cellObject.hpp"

namespace drainPrep {

template <typename Visit>
void sweepAll(CellGrid& cells, Visit visit) {
    for (std::int32_t row = 0; row < cells.nrows(); ++row) {
        cellObject* rowCells = cells[row];
        for (std::int32_t col = 0; col < cells.ncols(); ++col) visit(rowCells[col], row, col);
    }
}

// The cells off the frame ring: exactly those with all eight neighbours.
template <typename Visit>
void sweepInner(CellGrid& cells, Visit visit) {
    for (std::int32_t row = 1; row < cells.nrows() - 1; ++row) {
        cellObject* rowCells = cells[row];
        for (std::int32_t col = 1; col < cells.ncols() - 1; ++col) visit(rowCells[col], row, col);
    }
}

}  // namespace drainPrep
