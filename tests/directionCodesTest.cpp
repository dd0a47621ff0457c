#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "analysis/directionCodes.hpp"
#include "cell/directions.hpp"

namespace drainPrep {
namespace {

// The table that links neighbour index, row/column offset and D8 source code.
TEST(DirectionTable, ListsTheEightNeighboursClockwiseFromNorthWithTheirD8Codes) {
    struct Expected {
        std::int32_t rowOffset;
        std::int32_t colOffset;
        std::int32_t sourceCode;
    };
    const Expected expected[] = {
        {-1, 0, 64},   // N
        {-1, 1, 128},  // NE
        {0, 1, 1},     // E
        {1, 1, 2},     // SE
        {1, 0, 4},     // S
        {1, -1, 8},    // SW
        {0, -1, 16},   // W
        {-1, -1, 32},  // NW
    };
    ASSERT_EQ(directionCount, 8);
    for (int k = 0; k < directionCount; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(flowDirections[k].rowOffset, expected[k].rowOffset);
        EXPECT_EQ(flowDirections[k].colOffset, expected[k].colOffset);
        EXPECT_EQ(flowDirections[k].sourceCode, expected[k].sourceCode);
    }
}

struct CodePair {
    std::int32_t source;
    std::int32_t internal;
};

// D8 source code -> internal code 1..8 = N, NE, E, SE, S, SW, W, NW.
const CodePair flowCodes[] = {{1, 3}, {2, 4}, {4, 5}, {8, 6}, {16, 7}, {32, 8}, {64, 1}, {128, 2}};

TEST(DirectionDecoding, TurnsEachD8CodeIntoTheIndexOfItsNeighbourPlusOne) {
    for (const CodePair& pair : flowCodes) {
        SCOPED_TRACE(pair.source);
        EXPECT_EQ(decodeDirection(pair.source), std::optional<std::int32_t>(pair.internal));
    }
}

TEST(DirectionDecoding, TakesZeroAsOutletAndBothNoDataValuesAsNoFlow) {
    EXPECT_EQ(decodeDirection(0), std::optional<std::int32_t>(0));
    EXPECT_EQ(decodeDirection(-1), std::optional<std::int32_t>(-1));
    EXPECT_EQ(decodeDirection(-9999), std::optional<std::int32_t>(-1));
}

TEST(DirectionDecoding, RejectsCombinedBitsAndOtherNegativeValues) {
    for (const std::int32_t value : {255, 3, 247, -2, -9, 256, 127}) {
        SCOPED_TRACE(value);
        EXPECT_EQ(decodeDirection(value), std::nullopt);
    }
}

TEST(DirectionDecoding, AcceptsExactlyElevenValuesOfTheSixteenBitRange) {
    std::vector<std::int32_t> accepted;
    for (std::int32_t value = std::numeric_limits<std::int16_t>::min();
         value <= std::numeric_limits<std::int16_t>::max(); ++value) {
        if (decodeDirection(value)) accepted.push_back(value);
    }
    const std::vector<std::int32_t> expected = {-9999, -1, 0, 1, 2, 4, 8, 16, 32, 64, 128};
    EXPECT_EQ(accepted, expected);
}

TEST(DirectionEncoding, TurnsEachInternalFlowCodeBackIntoItsD8Code) {
    for (const CodePair& pair : flowCodes) {
        SCOPED_TRACE(pair.internal);
        EXPECT_EQ(encodeDirection(pair.internal), pair.source);
    }
}

TEST(DirectionEncoding, WritesOutletsAsZeroAndEveryCellWithoutFlowAsNoData) {
    EXPECT_EQ(encodeDirection(0), 0);
    EXPECT_EQ(encodeDirection(-1), -9999);
    EXPECT_EQ(encodeDirection(-9), -9999);
}

TEST(DirectionEncoding, UndoesTheDecodingOfEveryFlowCodeAndOfTheOutlet) {
    for (const std::int32_t source : {1, 2, 4, 8, 16, 32, 64, 128, 0}) {
        SCOPED_TRACE(source);
        const std::optional<std::int32_t> internal = decodeDirection(source);
        ASSERT_TRUE(internal.has_value());
        EXPECT_EQ(encodeDirection(*internal), source);
    }
    // -1 in the source comes back as the one no-data value of the products.
    EXPECT_EQ(encodeDirection(*decodeDirection(-1)), -9999);
}

}  // namespace
}  // namespace drainPrep
