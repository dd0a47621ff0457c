// Memory for grids of up to many gigabytes. On Linux such a block is backed
// by huge pages where the system allows it: faulting in gigabytes of 4 KiB
// pages costs more than all the sweeps over them.
#pragma once

#include <cstddef>

namespace drainPrep {

// Throws std::bad_alloc when the memory cannot be had.
void* allocateLargeBlock(std::size_t bytes);
void releaseLargeBlock(void* block) noexcept;

}  // namespace drainPrep
