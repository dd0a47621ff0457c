// The one way to step down a cell and count its inflows on the compact
// direction codes (row-major internal codes): the network derivation and the
// companions that read a run's flowDir.bin share it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "cell/directions.hpp"
#include "raster/grid.hpp"
#include "raster/intGrid.hpp"

namespace drainPrep {

// The down links read from the compact direction codes: a cell drains exactly
// when its code is 1..8 (the preparation links no other, and none on the
// frame ring), into the neighbour of that code. Cells are row-major indices.
class DownLinks {
public:
    explicit DownLinks(const IntGrid& dir) : dir_(dir.begin()) {
        for (int k = 0; k < directionCount; ++k) {
            step_[k] = static_cast<std::ptrdiff_t>(flowDirections[k].rowOffset) * dir.ncols() +
                       flowDirections[k].colOffset;
        }
    }
    bool drains(std::size_t cell) const {
        return dir_[cell] > outletCode && dir_[cell] <= directionCount;
    }
    std::size_t downOf(std::size_t cell) const {
        return static_cast<std::size_t>(static_cast<std::ptrdiff_t>(cell) + step_[dir_[cell] - 1]);
    }

private:
    const std::int32_t* dir_;
    std::ptrdiff_t step_[directionCount];
};

// The inflows each cell registered: one for every cell draining into it.
inline Grid<std::uint8_t> countInflows(const DownLinks& links, std::size_t cellCount,
                                       std::int32_t nrows, std::int32_t ncols) {
    Grid<std::uint8_t> inflows(nrows, ncols);
    std::uint8_t* pending = inflows.begin();
    std::fill(pending, pending + cellCount, std::uint8_t{0});
    for (std::size_t cell = 0; cell < cellCount; ++cell) {
        if (links.drains(cell)) ++pending[links.downOf(cell)];
    }
    return inflows;
}

}  // namespace drainPrep
