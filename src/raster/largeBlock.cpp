#include "raster/largeBlock.hpp"

#include <sanitizer/asan_interface.h>  // its macros do nothing outside AddressSanitizer builds

#include <cstdint>
#include <cstdlib>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace drainPrep {

namespace {

constexpr std::size_t hugePageBytes = std::size_t{2} << 20;

std::size_t roundedUp(std::size_t bytes) {
    return (bytes + hugePageBytes - 1) / hugePageBytes * hugePageBytes;
}

}  // namespace

void* allocateLargeBlock(std::size_t bytes) {
    if (bytes > SIZE_MAX - hugePageBytes) throw std::bad_alloc();
    const std::size_t size = roundedUp(bytes == 0 ? 1 : bytes);
    void* block = std::aligned_alloc(hugePageBytes, size);
    if (block == nullptr) throw std::bad_alloc();
    // The rounding is no part of the grid: a write past its last record must
    // show under AddressSanitizer as anywhere else.
    ASAN_POISON_MEMORY_REGION(static_cast<char*>(block) + bytes, size - bytes);
#if defined(MADV_HUGEPAGE)
    madvise(block, size, MADV_HUGEPAGE);  // advice only: without it the block works the same
#endif
    return block;
}

void releaseLargeBlock(void* block) noexcept { std::free(block); }

}  // namespace drainPrep
