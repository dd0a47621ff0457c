// The down links read from compact direction codes, row-major from the
// north-west cell: a cell drains exactly when its code is 1..8, into the
// neighbour of that code. The one way to step down a cell on compact arrays.
#pragma once

#include <cstddef>
#include <cstdint>

#include "cell/directions.hpp"

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

}  // namespace drainPrep
