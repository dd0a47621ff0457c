// The values of the source direction raster by name, for literal grids.
#pragma once

#include <cstdint>

namespace drainPrep::testing {

constexpr std::int32_t east = 1;
constexpr std::int32_t southEast = 2;
constexpr std::int32_t south = 4;
constexpr std::int32_t southWest = 8;
constexpr std::int32_t west = 16;
constexpr std::int32_t northWest = 32;
constexpr std::int32_t north = 64;
constexpr std::int32_t northEast = 128;
constexpr std::int32_t sinkCode = 0;
constexpr std::int32_t noDataCode = -9999;

}  // namespace drainPrep::testing
