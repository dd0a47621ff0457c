// A rectangular grid of records indexed [row][column], row 0 in the north and
// column 0 in the west. One block for the whole grid, in memory or in a
// scratch file: records never move, so links between them stay valid for the
// life of the grid.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <type_traits>

#include "raster/largeBlock.hpp"

namespace drainPrep {

template <typename Record>
class Grid {
    static_assert(std::is_trivially_default_constructible_v<Record> &&
                      std::is_trivially_destructible_v<Record>,
                  "records are plain data, allocated without initialisation");

public:
    Grid() = default;

    // Records are left uninitialised: every sweep that fills a grid writes
    // each record before anything reads it. Given a directory in
    // scratchFileIn, the records live in a scratch file there, but for the
    // first rowsInMemory rows, which stay in memory (see
    // mapScratchFileBlock). Throws std::bad_alloc.
    Grid(std::int32_t nrows, std::int32_t ncols, const char* scratchFileIn = nullptr,
         std::int32_t rowsInMemory = 0)
        : nrows_(nrows),
          ncols_(ncols),
          records_(allocateRecords(cellCount(), scratchFileIn, rowStart(rowsInMemory)),
                   Release{scratchFileIn != nullptr ? bytesOf(cellCount()) : 0}) {}

    std::int32_t nrows() const { return nrows_; }
    std::int32_t ncols() const { return ncols_; }
    std::size_t cellCount() const {
        return static_cast<std::size_t>(nrows_) * static_cast<std::size_t>(ncols_);
    }

    Record* operator[](std::int32_t row) { return records_.get() + rowStart(row); }
    const Record* operator[](std::int32_t row) const { return records_.get() + rowStart(row); }

    Record* begin() { return records_.get(); }
    Record* end() { return records_.get() + cellCount(); }
    const Record* begin() const { return records_.get(); }
    const Record* end() const { return records_.get() + cellCount(); }

    bool isFrameRing(std::int32_t row, std::int32_t col) const {
        return row == 0 || col == 0 || row == nrows_ - 1 || col == ncols_ - 1;
    }

private:
    struct Release {
        std::size_t scratchFileBytes = 0;  // 0 for a block in memory
        void operator()(Record* records) const {
            if (scratchFileBytes != 0) {
                unmapScratchFileBlock(records, scratchFileBytes);
            } else {
                releaseLargeBlock(records);
            }
        }
    };

    static std::size_t bytesOf(std::size_t count) {
        if (count > SIZE_MAX / sizeof(Record)) throw std::bad_alloc();
        return count == 0 ? 1 : count * sizeof(Record);
    }

    static Record* allocateRecords(std::size_t count, const char* scratchFileIn,
                                   std::size_t countInMemory) {
        const std::size_t bytes = bytesOf(count);
        auto* records = static_cast<Record*>(
            scratchFileIn != nullptr
                ? mapScratchFileBlock(bytes, scratchFileIn, bytesOf(std::min(countInMemory, count)))
                : allocateLargeBlock(bytes));
        std::uninitialized_default_construct_n(records, count);  // no code for plain data
        return records;
    }

    std::size_t rowStart(std::int32_t row) const {
        return static_cast<std::size_t>(row) * static_cast<std::size_t>(ncols_);
    }

    std::int32_t nrows_ = 0;
    std::int32_t ncols_ = 0;
    std::unique_ptr<Record, Release> records_;
};

}  // namespace drainPrep
