#include "raster/largeBlock.hpp"

#include <fcntl.h>
#include <sanitizer/asan_interface.h>  // its macros do nothing outside AddressSanitizer builds
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <new>
#include <string>

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

// Maps a nameless file of `size` bytes, reserved whole, over the addresses
// at `where`.
bool mapFileAt(char* where, std::size_t size, const char* directory) {
    const int file = openNamelessFile(directory);
    if (file < 0) return false;
    void* mapped = MAP_FAILED;
    if (posix_fallocate(file, 0, static_cast<off_t>(size)) == 0) {
        mapped = mmap(where, size, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_FIXED, file, 0);
    }
    close(file);  // the mapping keeps the file
    return mapped != MAP_FAILED;
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

void* mapScratchFileBlock(std::size_t bytes, const char* directory, std::size_t inMemoryBytes) {
    const std::size_t size = blockSize(bytes);
    if (size > static_cast<std::size_t>(std::numeric_limits<off_t>::max())) throw std::bad_alloc();
    const auto pageSize = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t head = std::min(inMemoryBytes / pageSize * pageSize, size);
    // The whole range is had first, so that the memory and the file part lie
    // side by side; the memory part alone counts against the commit limit.
    char* block = static_cast<char*>(
        mmap(nullptr, size, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0));
    if (block == MAP_FAILED) throw std::bad_alloc();
    if (head > 0 && mmap(block, head, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) == MAP_FAILED) {
        munmap(block, size);
        throw std::bad_alloc();
    }
    if (head < size && !mapFileAt(block + head, size - head, directory)) {
        munmap(block, size);
        throw std::bad_alloc();
    }
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
