// What the memory controller of the process's control group still lets it
// allocate. Docker, Kubernetes, Slurm and systemd enforce their memory limits
// there, and a process over them is killed without a word, however much
// memory the machine has.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

namespace drainPrep {

// Read below `root` ("/" on a running system): proc/self/cgroup names the
// process's groups, proc/self/mountinfo where their hierarchies are mounted.
// In the process's group and in every group above it: under cgroup v2 the
// least of memory.max and memory.high, under v1 memory.limit_in_bytes, less
// what the group uses (memory.current, memory.usage_in_bytes) but for the page
// cache it can give back at once (inactive_file, total_inactive_file of
// memory.stat). The least of them all; none where no group limits memory,
// "max" and missing or unreadable files meaning no limit.
std::optional<std::uint64_t> controlGroupMemoryLeft(const std::filesystem::path& root);

}  // namespace drainPrep
