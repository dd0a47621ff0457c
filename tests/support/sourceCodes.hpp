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

// Fourteen cells draining into a sink at [4][7] of its rows and columns from
// [1][1]: a small river tree for runs of whole tools, placed where they like.
struct TreeCell {
    std::int32_t row;
    std::int32_t col;
    std::int32_t code;
};
constexpr TreeCell riverTree[] = {
    {1, 3, south},     {2, 3, south}, {3, 1, east}, {3, 2, east},       {3, 3, southEast},
    {4, 4, east},      {4, 5, east},  {4, 6, east}, {4, 7, sinkCode},   {4, 8, west},
    {4, 9, west},      {5, 6, northEast},           {6, 5, northEast},  {7, 5, north},
};

}  // namespace drainPrep::testing
