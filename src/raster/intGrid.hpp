#pragma once

#include <cstdint>

#include "raster/grid.hpp"

namespace drainPrep {

// 16-bit source samples widened with their sign.
using IntGrid = Grid<std::int32_t>;

}  // namespace drainPrep
