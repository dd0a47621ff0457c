#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
#define ADDRESS_SANITIZER_BUILD 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ADDRESS_SANITIZER_BUILD 1
#endif
#endif
#if defined(ADDRESS_SANITIZER_BUILD)
#include <sanitizer/asan_interface.h>
#endif
#include <unistd.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "raster/intGrid.hpp"
#include "support/runDirectory.hpp"

namespace drainPrep {
namespace {

// A grid's block is rounded up to whole huge pages; under AddressSanitizer
// the slack behind the last record is poisoned, so a write there fails like
// one outside any allocation, in memory and in a scratch file alike. A
// scratch block gives its poison back when unmapped.
TEST(Grid, NothingPastTheLastRecordIsAddressableUnderAddressSanitizer) {
#if defined(ADDRESS_SANITIZER_BUILD)
    const std::string scratchFileDirectory = ::testing::TempDir();
    for (const char* scratchFileIn :
         {static_cast<const char*>(nullptr), scratchFileDirectory.c_str()}) {
        const void* slack = nullptr;
        {
            const IntGrid grid(3, 5, scratchFileIn);
            EXPECT_EQ(__asan_address_is_poisoned(grid.end() - 1), 0);
            EXPECT_NE(__asan_address_is_poisoned(grid.end()), 0);
            slack = grid.end();
        }
        if (scratchFileIn != nullptr) {
            EXPECT_EQ(__asan_address_is_poisoned(slack), 0);
        }
    }
#else
    GTEST_SKIP() << "only AddressSanitizer builds watch the slack";
#endif
}

// A grid in a scratch file that keeps its first rows in memory: one range of
// addresses, the rows behind them mapped from a nameless file, every record
// keeping what was written to it.
TEST(Grid, ScratchFileGridKeepsItsFirstRowsInMemory) {
    constexpr std::int32_t nrows = 64;
    constexpr std::int32_t ncols = 1024;  // a row of 4 KiB
    constexpr std::int32_t rowsInMemory = 16;
    IntGrid grid(nrows, ncols, ::testing::TempDir().c_str(), rowsInMemory);
    std::int32_t value = 0;
    for (std::int32_t& record : grid) record = value++;
    value = 0;
    for (const std::int32_t record : grid) ASSERT_EQ(record, value++);
    const auto fileStart = reinterpret_cast<std::uintptr_t>(grid[rowsInMemory]);
    std::vector<std::pair<std::uintptr_t, std::uintptr_t>> fileParts;
    for (const std::string& line : testing::deletedFilesMapped(getpid())) {
        std::uintptr_t start = 0;
        std::uintptr_t end = 0;
        std::sscanf(line.c_str(), "%" SCNxPTR "-%" SCNxPTR, &start, &end);
        if (start <= fileStart && fileStart < end) fileParts.emplace_back(start, end);
    }
    ASSERT_EQ(fileParts.size(), 1u);
    EXPECT_EQ(fileParts[0].first, fileStart);
    EXPECT_GE(fileParts[0].second, reinterpret_cast<std::uintptr_t>(grid.end()));
}

}  // namespace
}  // namespace drainPrep
