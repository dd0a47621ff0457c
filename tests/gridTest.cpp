#include <gtest/gtest.h>
#include <sanitizer/asan_interface.h>

#include "raster/intGrid.hpp"

namespace drainPrep {
namespace {

// A grid's block is rounded up to whole huge pages; under AddressSanitizer
// the slack behind the last record is poisoned, so a write there fails like
// one outside any allocation.
TEST(Grid, NothingPastTheLastRecordIsAddressableUnderAddressSanitizer) {
#if __has_feature(address_sanitizer) || defined(__SANITIZE_ADDRESS__)
    const IntGrid grid(3, 5);
    EXPECT_EQ(__asan_address_is_poisoned(grid.end() - 1), 0);
    EXPECT_NE(__asan_address_is_poisoned(grid.end()), 0);
#else
    GTEST_SKIP() << "only AddressSanitizer builds watch the slack";
#endif
}

}  // namespace
}  // namespace drainPrep
