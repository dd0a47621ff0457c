#include "raster/largeBlock.hpp"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <new>
#include <string>

// AddressSanitizer's macros do nothing outside its builds; a compiler that
// comes without the sanitizers has no such header at all.
#if __has_include(<sanitizer/asan_interface.h>)
#include <sanitizer/asan_interface.h>
#endif
#if !defined(ASAN_POISON_MEMORY_REGION)
#define ASAN_POISON_MEMORY_REGION(address, size) ((void)(address), (void)(size))
#define ASAN_UNPOISON_MEMORY_REGION(address, size) ((void)(address), (void)(size))
#endif

namespace drainPrep {

namespace {

constexpr std::size_t hugePageBytes = std::size_t{2} << 20;

std::size_t roundedUp(std::size_t bytes) {
    return (bytes + hugePageBytes - 1) / hugePageBytes * hugePageBytes;
}

std::size_t blockSize(std::size_t bytes) {
    if (bytes > SIZE_MAX - hugePageBytes) throw std::bad_alloc();
    return roundedUp(bytes == 0 ? 1 : bytes);
}

// Advice only: without it a block works the same. A scratch file's pages then
// come into the page cache 2 MiB at a time too, which spares most of the cost
// of mapping and faulting them one by one.
void adviseHugePages(void* block, std::size_t size) {
#if defined(MADV_HUGEPAGE)
    madvise(block, size, MADV_HUGEPAGE);
#else
    (void)block;
    (void)size;
#endif
}

// O_TMPFILE makes a file that never has a name; where the file system does
// not know it, a named file is removed right after it is made.
int openNamelessFile(const char* directory) {
#if defined(O_TMPFILE)
    const int nameless = open(directory, O_TMPFILE | O_RDWR, 0600);
    if (nameless >= 0) return nameless;
#endif
    std::string path = std::string(directory) + "/drainPrepCells.XXXXXX";
    const int named = mkstemp(path.data());
    if (named >= 0) unlink(path.c_str());
    return named;
}

// The rounding is no part of the grid: a write past its last record must
// show under AddressSanitizer as anywhere else.
void poisonSlack(void* block, std::size_t bytes, std::size_t size) {
    ASAN_POISON_MEMORY_REGION(static_cast<char*>(block) + bytes, size - bytes);
}

}  // namespace

void* allocateLargeBlock(std::size_t bytes) {
    const std::size_t size = blockSize(bytes);
    void* block = std::aligned_alloc(hugePageBytes, size);
    if (block == nullptr) throw std::bad_alloc();
    poisonSlack(block, bytes, size);
    adviseHugePages(block, size);
    return block;
}

void releaseLargeBlock(void* block) noexcept { std::free(block); }

std::uint64_t largeBlockCost(std::size_t bytes) { return blockSize(bytes) + hugePageBytes; }

void* mapScratchFileBlock(std::size_t bytes, const char* directory) {
    const std::size_t size = blockSize(bytes);
    if (size > static_cast<std::size_t>(std::numeric_limits<off_t>::max())) throw std::bad_alloc();
    const int file = openNamelessFile(directory);
    if (file < 0) throw std::bad_alloc();
    void* block = MAP_FAILED;
    if (posix_fallocate(file, 0, static_cast<off_t>(size)) == 0) {
        block = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, file, 0);
    }
    close(file);  // the mapping keeps the file
    if (block == MAP_FAILED) throw std::bad_alloc();
    poisonSlack(block, bytes, size);
    adviseHugePages(block, size);
    return block;
}

void unmapScratchFileBlock(void* block, std::size_t bytes) noexcept {
    const std::size_t size = roundedUp(bytes == 0 ? 1 : bytes);
    // A later mapping may reuse these addresses; it must not inherit the poison.
    ASAN_UNPOISON_MEMORY_REGION(block, size);
    munmap(block, size);
}

}  // namespace drainPrep
