// The model grid: blocks of factor x factor cells of the study area from its
// north-west corner; the blocks at the south and east edges keep the cells
// that are left. Model cells are numbered row-major.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "cell/directions.hpp"

namespace drainPrep::upscale {

// A model cell without flow data, and a fine cell that is none's outlet.
constexpr std::int32_t noModelCell = -1;
constexpr std::int64_t noOutlet = -1;

class ModelGrid {
public:
    ModelGrid(std::int32_t fineRows, std::int32_t fineCols, std::int32_t factor)
        : factor_(factor),
          fineCols_(fineCols),
          rows_((fineRows + factor - 1) / factor),
          cols_((fineCols + factor - 1) / factor) {}

    std::int32_t factor() const { return factor_; }
    std::int32_t rows() const { return rows_; }
    std::int32_t cols() const { return cols_; }
    std::size_t cellCount() const {
        return static_cast<std::size_t>(rows_) * static_cast<std::size_t>(cols_);
    }
    std::int32_t rowOf(std::int32_t cell) const { return cell / cols_; }
    std::int32_t colOf(std::int32_t cell) const { return cell % cols_; }

    std::int32_t cellOf(std::int32_t fineRow, std::int32_t fineCol) const {
        return fineRow / factor_ * cols_ + fineCol / factor_;
    }
    std::int32_t cellOfFine(std::size_t fineCell) const {
        const auto fineCols = static_cast<std::size_t>(fineCols_);
        return cellOf(static_cast<std::int32_t>(fineCell / fineCols),
                      static_cast<std::int32_t>(fineCell % fineCols));
    }

    // Whether b is one of the eight neighbours of a.
    bool adjacent(std::int32_t a, std::int32_t b) const {
        const std::int32_t rowStep = std::abs(rowOf(b) - rowOf(a));
        const std::int32_t colStep = std::abs(colOf(b) - colOf(a));
        return a != b && rowStep <= 1 && colStep <= 1;
    }
    // The internal code, 1 N to 8 NW, of the step from a to its neighbour b.
    std::int32_t directionCode(std::int32_t a, std::int32_t b) const {
        return codeOfStep(rowOf(b) - rowOf(a), colOf(b) - colOf(a));
    }
    std::int32_t downOf(std::int32_t cell, std::int32_t code) const {
        const Direction& step = flowDirections[code - 1];
        return cell + step.rowOffset * cols_ + step.colOffset;
    }

private:
    std::int32_t factor_;
    std::int32_t fineCols_;
    std::int32_t rows_;
    std::int32_t cols_;
};

// The model cells' own network, as their direction codes link them.
class ModelLinks {
public:
    ModelLinks(const ModelGrid& grid, const std::vector<std::int32_t>& directions)
        : grid_(grid), directions_(directions) {}
    std::size_t cellCount() const { return grid_.cellCount(); }
    bool drains(std::size_t cell) const { return directions_[cell] > outletCode; }
    std::size_t downOf(std::size_t cell) const {
        return static_cast<std::size_t>(
            grid_.downOf(static_cast<std::int32_t>(cell), directions_[cell]));
    }

private:
    const ModelGrid& grid_;
    const std::vector<std::int32_t>& directions_;
};

}  // namespace drainPrep::upscale
