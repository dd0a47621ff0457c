#include "report/blockReduction.hpp"

#include <algorithm>
#include <limits>

namespace drainPrep::report {

namespace {

std::int32_t blocksFor(std::int32_t cells, std::int32_t factor) {
    return (cells + factor - 1) / factor;
}

}  // namespace

std::int32_t reductionFactor(const StudyArea& area) {
    return blocksFor(std::max(area.nrows, area.ncols), longestMapSide);
}

std::int32_t enlargementFactor(const StudyArea& area) {
    return std::max(1, shortestMapLongSide / std::max(area.nrows, area.ncols));
}

BlockReducer::BlockReducer(std::int32_t nrows, std::int32_t ncols, std::int32_t factor,
                           BlockRule rule)
    : ncols_(ncols), factor_(factor), rule_(rule), rowsLeft_(nrows) {
    reduced_.nrows = blocksFor(nrows, factor);
    reduced_.ncols = blocksFor(ncols, factor);
    reduced_.values.reserve(static_cast<std::size_t>(reduced_.nrows) *
                            static_cast<std::size_t>(reduced_.ncols));
    if (rule == BlockRule::mostFrequent) {
        pending_.resize(static_cast<std::size_t>(factor) * static_cast<std::size_t>(ncols));
    } else {
        pending_.assign(static_cast<std::size_t>(reduced_.ncols),
                        std::numeric_limits<std::int32_t>::min());
    }
}

void BlockReducer::addRow(const std::int32_t* values) {
    if (rule_ == BlockRule::mostFrequent) {
        std::copy(values, values + ncols_,
                  pending_.begin() + static_cast<std::ptrdiff_t>(rowsInBlock_) * ncols_);
    } else {
        for (std::int32_t col = 0; col < ncols_; ++col) {
            std::int32_t& largest = pending_[static_cast<std::size_t>(col / factor_)];
            largest = std::max(largest, values[col]);
        }
    }
    ++rowsInBlock_;
    --rowsLeft_;
    if (rowsInBlock_ == factor_ || rowsLeft_ == 0) reduceBlockRow();
}

void BlockReducer::reduceBlockRow() {
    if (rule_ == BlockRule::largest) {
        reduced_.values.insert(reduced_.values.end(), pending_.begin(), pending_.end());
        std::fill(pending_.begin(), pending_.end(), std::numeric_limits<std::int32_t>::min());
    } else {
        for (std::int32_t blockCol = 0; blockCol < reduced_.ncols; ++blockCol) {
            reduced_.values.push_back(mostFrequentOfBlock(blockCol));
        }
    }
    rowsInBlock_ = 0;
}

std::int32_t BlockReducer::mostFrequentOfBlock(std::int32_t blockCol) {
    const std::int32_t firstCol = blockCol * factor_;
    const std::int32_t lastCol = std::min(firstCol + factor_, ncols_);
    block_.clear();
    for (std::int32_t row = 0; row < rowsInBlock_; ++row) {
        const auto rowStart = pending_.begin() + static_cast<std::ptrdiff_t>(row) * ncols_;
        block_.insert(block_.end(), rowStart + firstCol, rowStart + lastCol);
    }
    const std::int32_t first = block_.front();
    if (std::all_of(block_.begin(), block_.end(), [first](std::int32_t v) { return v == first; })) {
        return first;
    }
    // block_ is in row-major order; count each value on a sorted copy.
    sorted_.assign(block_.begin(), block_.end());
    std::sort(sorted_.begin(), sorted_.end());
    const auto countOf = [&sorted = sorted_](std::int32_t value) {
        const auto range = std::equal_range(sorted.begin(), sorted.end(), value);
        return range.second - range.first;
    };
    std::int32_t best = first;
    auto bestCount = countOf(first);
    for (std::int32_t value : block_) {
        const auto count = countOf(value);
        if (count > bestCount) {
            best = value;
            bestCount = count;
        }
    }
    return best;
}

}  // namespace drainPrep::report
