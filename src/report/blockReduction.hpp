// Grids too large for one pixel a cell are reduced by square blocks of
// cells: categories (basin numbers) by the most frequent value of the block,
// amounts by the largest, so that one-cell-wide rivers stay visible.
#pragma once

#include <cstdint>
#include <vector>

#include "geometry/studyArea.hpp"

namespace drainPrep::report {

// A map holds one pixel a cell up to this many pixels on its long side.
constexpr std::int32_t longestMapSide = 2000;

// Small areas are drawn larger, each cell a square of pixels, so that they
// read at a glance.
constexpr std::int32_t shortestMapLongSide = 600;

// Cells per block side: 1 up to longestMapSide cells on the long side.
std::int32_t reductionFactor(const StudyArea& area);

// Pixels per cell side: above 1 for areas shorter than shortestMapLongSide.
std::int32_t enlargementFactor(const StudyArea& area);

struct ReducedGrid {
    std::int32_t nrows = 0;
    std::int32_t ncols = 0;
    std::vector<std::int32_t> values;  // row-major

    std::int32_t at(std::int32_t row, std::int32_t col) const {
        return values[static_cast<std::size_t>(row) * static_cast<std::size_t>(ncols) +
                      static_cast<std::size_t>(col)];
    }
};

enum class BlockRule { mostFrequent, largest };

// Takes the rows of a grid in order and builds the reduced grid block row by
// block row; the last blocks of a row or column may be smaller. A tie for
// the most frequent value goes to the value met first in row-major order.
class BlockReducer {
public:
    BlockReducer(std::int32_t nrows, std::int32_t ncols, std::int32_t factor, BlockRule rule);

    void addRow(const std::int32_t* values);
    // Once every row has been added.
    const ReducedGrid& reduced() const { return reduced_; }

private:
    void reduceBlockRow();
    std::int32_t mostFrequentOfBlock(std::int32_t blockCol);

    std::int32_t ncols_;
    std::int32_t factor_;
    BlockRule rule_;
    std::int32_t rowsInBlock_ = 0;
    std::int32_t rowsLeft_;
    std::vector<std::int32_t> pending_;  // factor rows, or the largest values of the block row
    std::vector<std::int32_t> block_;
    std::vector<std::int32_t> sorted_;
    ReducedGrid reduced_;
};

}  // namespace drainPrep::report
