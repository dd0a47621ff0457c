// The down links read from compact direction codes, row-major from the
// north-west cell: a cell drains exactly when its code is 1..8, into the
// neighbour of that code. The one way to step down a cell on compact arrays.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "cell/directions.hpp"
#include "raster/grid.hpp"

namespace drainPrep {

// Code is any integer type holding internal codes. The codes must link no
// cell off the grid.
template <typename Code>
class DownLinks {
public:
    DownLinks(const Code* dir, std::int32_t ncols) : dir_(dir) {
        for (int k = 0; k < directionCount; ++k) {
            step_[k] = static_cast<std::ptrdiff_t>(flowDirections[k].rowOffset) * ncols +
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
    const Code* dir_;
    std::ptrdiff_t step_[directionCount];
};

// The inflows each cell registered: one for every cell draining into it.
template <typename Code>
Grid<std::uint8_t> countInflows(const DownLinks<Code>& links, std::size_t cellCount,
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
