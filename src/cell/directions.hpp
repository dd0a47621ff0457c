// The eight flow directions: the one table from which the neighbour links,
// the internal direction codes and the source D8 codes are all read.
//
//   neighbour index (internal code = index + 1)      source D8 code
//
//        7 NW    0 N    1 NE                        32    64   128
//        6 W       .    2 E                         16     .     1
//        5 SW    4 S    3 SE                         8     4     2
//
// Rows grow southwards and columns eastwards.
#pragma once

#include <cstdint>

namespace drainPrep {

struct Direction {
    std::int32_t rowOffset;
    std::int32_t colOffset;
    std::int32_t sourceCode;
};

constexpr int directionCount = 8;

constexpr Direction flowDirections[directionCount] = {
    {-1, 0, 64},   // N
    {-1, 1, 128},  // NE
    {0, 1, 1},     // E
    {1, 1, 2},     // SE
    {1, 0, 4},     // S
    {1, -1, 8},    // SW
    {0, -1, 16},   // W
    {-1, -1, 32},  // NW
};

// Internal codes besides 1..8 (drains into neighbor[code - 1]).
constexpr std::int32_t frameRingCode = -9;
constexpr std::int32_t noFlowCode = -1;
constexpr std::int32_t outletCode = 0;

constexpr double noDataElevation = -9999.0;

// The index of the direction that points back the way direction k went.
constexpr int oppositeDirection(int k) { return (k + directionCount / 2) % directionCount; }

// The internal code of a step of rowStep rows and colStep columns to a
// neighbour, outletCode for any other step.
constexpr std::int32_t codeOfStep(std::int32_t rowStep, std::int32_t colStep) {
    for (int k = 0; k < directionCount; ++k) {
        if (flowDirections[k].rowOffset == rowStep && flowDirections[k].colOffset == colStep) {
            return k + 1;
        }
    }
    return outletCode;
}

}  // namespace drainPrep
