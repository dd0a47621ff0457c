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

#include <string>

#include "raster/intGrid.hpp"

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

}  // namespace
}  // namespace drainPrep
