#include "raster/largeBlock.hpp"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
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

// Advice only: without it a block works the same. It is given to memory
// alone: on a scratch file it makes the page cache hold the file in large
// folios, and every write fault on one of its pages then marks all the
// buffers of its folio dirty: a fifth of a spilled run's time.
void adviseHugePages(void* block, std::size_t size) {
#if defined(MADV_HUGEPAGE)
    madvise(block, size, MADV_HUGEPAGE);
#else
    (void)block;
    (void)size;
#endif
}

// O_TMPFILE makes a file that never has a name.
int openWithoutName(const char* directory) {
#if defined(O_TMPFILE)
    return open(directory, O_TMPFILE | O_RDWR, 0600);
#else
    (void)directory;
    errno = EOPNOTSUPP;
    return -1;
#endif
}

int reserveWhole(int file, std::int64_t bytes) {
    return posix_fallocate(file, 0, static_cast<off_t>(bytes));
}

// Where the file system cannot make a nameless file, a named file is removed
// right after it is made.
int openNamelessFile(const char* directory) {
    const int nameless = scratchFileCalls.openNameless(directory);
    if (nameless >= 0) return nameless;
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
    if (scratchFileCalls.reserve(file, static_cast<std::int64_t>(size)) == 0) {
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

// The scratch-file blocks mapped now, for the bus-error handler; lock-free,
// so that the handler may read them. A block that finds no free slot (more
// than a run ever maps) faults like any other memory.
constexpr std::size_t scratchBlockSlots = 8;
std::atomic<std::uintptr_t> scratchBlockBegin[scratchBlockSlots];
std::atomic<std::uintptr_t> scratchBlockEnd[scratchBlockSlots];

void registerScratchBlock(void* block, std::size_t size) {
    const auto begin = reinterpret_cast<std::uintptr_t>(block);
    for (std::size_t slot = 0; slot < scratchBlockSlots; ++slot) {
        std::uintptr_t free = 0;
        if (scratchBlockBegin[slot].compare_exchange_strong(free, begin)) {
            scratchBlockEnd[slot] = begin + size;
            return;
        }
    }
}

void unregisterScratchBlock(void* block) {
    const auto begin = reinterpret_cast<std::uintptr_t>(block);
    for (std::size_t slot = 0; slot < scratchBlockSlots; ++slot) {
        if (scratchBlockBegin[slot] == begin) {
            scratchBlockEnd[slot] = 0;
            scratchBlockBegin[slot] = 0;
        }
    }
}

bool insideScratchBlock(const void* address) {
    const auto place = reinterpret_cast<std::uintptr_t>(address);
    for (std::size_t slot = 0; slot < scratchBlockSlots; ++slot) {
        const std::uintptr_t begin = scratchBlockBegin[slot];
        if (begin != 0 && place >= begin && place < scratchBlockEnd[slot]) return true;
    }
    return false;
}

std::atomic<ScratchFileFault> scratchFileFaultReport{nullptr};
struct sigaction busErrorBefore {};

void onBusError(int number, siginfo_t* info, void*) {
    // si_code above 0: raised by a fault, not sent by another process.
    if (info->si_code > 0 && insideScratchBlock(info->si_addr)) {
        if (const ScratchFileFault report = scratchFileFaultReport) report();
    }
    // The faulting access runs again under the handling there was before;
    // a bus error that was sent is sent again.
    sigaction(number, &busErrorBefore, nullptr);
    if (info->si_code <= 0) raise(number);
}

}  // namespace

ScratchFileCalls scratchFileCalls{openWithoutName, reserveWhole};

void onScratchFileFault(ScratchFileFault report) {
    const bool installed = scratchFileFaultReport.exchange(report) != nullptr;
    if (installed) return;
    struct sigaction handling {};
    handling.sa_sigaction = onBusError;
    handling.sa_flags = SA_SIGINFO;
    sigemptyset(&handling.sa_mask);
    sigaction(SIGBUS, &handling, &busErrorBefore);
}

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
    registerScratchBlock(block, size);
    poisonSlack(block, bytes, size);
    adviseHugePages(block, head);
    return block;
}

void unmapScratchFileBlock(void* block, std::size_t bytes) noexcept {
    const std::size_t size = roundedUp(bytes == 0 ? 1 : bytes);
    // A later mapping may reuse these addresses; it must not inherit the poison.
    ASAN_UNPOISON_MEMORY_REGION(block, size);
    unregisterScratchBlock(block);
    munmap(block, size);
}

}  // namespace drainPrep
