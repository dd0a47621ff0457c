// Reducing grids to at most 2000 pixels on the long side.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "report/blockReduction.hpp"

namespace drainPrep::report {
namespace {

TEST(BlockReduction, FactorKeepsTheLongSideWithinTwoThousandPixels) {
    struct Case {
        std::int32_t nrows, ncols, factor;
    };
    for (const Case& c : {Case{600, 900, 1}, Case{2000, 1, 1}, Case{3, 2001, 2},
                          Case{4000, 6000, 3}, Case{8400, 15000, 8}}) {
        EXPECT_EQ(reductionFactor({c.nrows, c.ncols, 40, 100}), c.factor)
            << c.nrows << "x" << c.ncols;
    }
}

ReducedGrid reduce(const std::vector<std::vector<std::int32_t>>& rows, std::int32_t factor,
                   BlockRule rule) {
    BlockReducer reducer(static_cast<std::int32_t>(rows.size()),
                         static_cast<std::int32_t>(rows[0].size()), factor, rule);
    for (const auto& row : rows) reducer.addRow(row.data());
    return reducer.reduced();
}

// 5 x 7 cells in blocks of 2: the last block row and column are partial.
const std::vector<std::vector<std::int32_t>> amounts = {
    {-9999, -9999, 1, 1, 3, 1, 1}, {-9999, 7, 1, 2, 1, 1, 40}, {1, 1, 1, 1, 1, 2, 1},
    {1, 1, 120, 1, 1, 1, 1},       {5, 1, 1, 1, -1, -1, 2},
};

TEST(BlockReduction, AmountsTakeTheLargestValueOfTheBlock) {
    const ReducedGrid reduced = reduce(amounts, 2, BlockRule::largest);
    ASSERT_EQ(reduced.nrows, 3);
    ASSERT_EQ(reduced.ncols, 4);
    EXPECT_EQ(reduced.values, (std::vector<std::int32_t>{7, 2, 3, 40,   //
                                                         1, 120, 2, 1,  //
                                                         5, 1, -1, 2}));
}

// Basin numbers, sea -1 and the frame ring -3.
const std::vector<std::vector<std::int32_t>> categories = {
    {-3, -3, -3, -3, -3, -3, -3}, {-3, 4, 4, 9, 9, -1, -3},     {-3, 4, 9, 9, 9, -1, -3},
    {-3, 9, 4, 9, -1, -1, -3},    {-3, -3, -3, -3, -3, -3, -3},
};

TEST(BlockReduction, CategoriesTakeTheMostFrequentValueOfTheBlock) {
    const ReducedGrid reduced = reduce(categories, 3, BlockRule::mostFrequent);
    ASSERT_EQ(reduced.nrows, 2);
    ASSERT_EQ(reduced.ncols, 3);
    // Blocks of the first row: -3 five times against 4 three times; basin 9
    // four times against -3 three times and -1 twice; the last column alone.
    // The partial blocks of the last two rows hold more frame than anything.
    EXPECT_EQ(reduced.values, (std::vector<std::int32_t>{-3, 9, -3,  //
                                                         -3, -3, -3}));
}

TEST(BlockReduction, ATieGoesToTheValueMetFirstInRowMajorOrder) {
    EXPECT_EQ(reduce({{9, 4}, {4, 9}}, 2, BlockRule::mostFrequent).values,
              std::vector<std::int32_t>{9});
    EXPECT_EQ(reduce({{4, 9}, {9, 4}}, 2, BlockRule::mostFrequent).values,
              std::vector<std::int32_t>{4});
    EXPECT_EQ(reduce({{-1, 7, 7}, {-1, 5, 5}, {2, 2, -1}}, 3, BlockRule::mostFrequent).values,
              std::vector<std::int32_t>{-1});
}

TEST(BlockReduction, FactorOneKeepsEveryCell) {
    for (BlockRule rule : {BlockRule::largest, BlockRule::mostFrequent}) {
        const ReducedGrid reduced = reduce(amounts, 1, rule);
        std::vector<std::int32_t> cells;
        for (const auto& row : amounts) cells.insert(cells.end(), row.begin(), row.end());
        EXPECT_EQ(reduced.values, cells);
    }
}

}  // namespace
}  // namespace drainPrep::report
