// Memory for grids of up to many gigabytes. On Linux such a block is backed
// by huge pages where the system allows it: faulting in gigabytes of 4 KiB
// pages costs more than all the sweeps over them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace drainPrep {

// Throws std::bad_alloc when the memory cannot be had.
void* allocateLargeBlock(std::size_t bytes);
void releaseLargeBlock(void* block) noexcept;

// The most a block of `bytes` takes from memory and from the address space:
// whole huge pages, and the room its alignment may cost.
std::uint64_t largeBlockCost(std::size_t bytes);

// A block of the same use backed by a scratch file in `directory`, for grids
// larger than the memory a machine can spare: the page cache keeps what fits
// and the file the rest. The file has no name from the start (or loses it at
// once where the file system cannot make it nameless), so nothing of it
// outlives the process, however that ends. Its whole size is reserved before
// the block is handed out: a disk too small shows here. Only where reserving
// does not hold room for overwrites (copy-on-write file systems), or where the
// disk fails, does a later access fault (see onScratchFileFault). Throws
// std::bad_alloc when the file cannot be made, reserved or mapped. With
// `inMemoryBytes`, the block's first bytes (as many whole pages as that holds)
// are anonymous memory and only the rest is in the file: one range of
// addresses all the same.
void* mapScratchFileBlock(std::size_t bytes, const char* directory, std::size_t inMemoryBytes = 0);
void unmapScratchFileBlock(void* block, std::size_t bytes) noexcept;

// The calls through which a scratch file is made and reserved, in one place so
// that tests can take the way of file systems without nameless files and reach
// the file under a block; a run keeps the standard ones.
struct ScratchFileCalls {
    int (*openNameless)(const char* directory);    // -1 where the file system cannot
    int (*reserve)(int file, std::int64_t bytes);  // 0 once the disk holds them all
};
extern ScratchFileCalls scratchFileCalls;

// Called from the bus-error handler when an access to a scratch-file block
// faults: the page cannot be had from the disk. It must be async-signal-safe
// and end the process; the handler cannot return to the code that faulted.
using ScratchFileFault = void (*)() noexcept;

// Installs the bus-error handler (once) that calls `report` for a fault inside
// a scratch-file block. Any other bus error goes on to the handling there was
// before, a crash by default.
void onScratchFileFault(ScratchFileFault report);

}  // namespace drainPrep
