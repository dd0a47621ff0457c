#include "driver/memoryPlan.hpp"

#include <cstdlib>
#include <fstream>
#include <optional>

#include "cell/cellObject.hpp"

namespace drainPrep {

namespace {

// Read buffers, work lists of small areas, the runtime's own needs.
constexpr std::uint64_t fixedBytes = std::uint64_t{64} << 20;

// What the kernel reports as available to new allocations without swapping;
// nothing where the system does not report it.
std::optional<std::uint64_t> availableBytesOfMachine() {
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    std::uint64_t kibibytes = 0;
    std::string unit;
    while (meminfo >> key >> kibibytes >> unit) {
        if (key == "MemAvailable:") return kibibytes * 1024;
    }
    return std::nullopt;
}

// An untouched allocation costs no memory, but fails where the address-space
// limit or the kernel's overcommit rule would refuse the run's grids.
bool processMayAllocate(std::uint64_t bytes) {
    if (bytes > SIZE_MAX) return false;
    void* trial = std::malloc(static_cast<std::size_t>(bytes));
    std::free(trial);
    return trial != nullptr;
}

}  // namespace

std::uint64_t peakBytesOfRun(const StudyArea& area) {
    const std::uint64_t bytesPerCell = 2 * sizeof(std::int32_t) + sizeof(cellObject);
    return static_cast<std::uint64_t>(area.cellCount()) * bytesPerCell + fixedBytes;
}

bool memoryAvailableFor(std::uint64_t bytes) {
    const std::optional<std::uint64_t> available = availableBytesOfMachine();
    if (available && bytes > *available) return false;
    return processMayAllocate(bytes);
}

std::string notEnoughMemoryText(const StudyArea& area) {
    return "Not enough memory for a study area of " + std::to_string(area.nrows) + " x " +
           std::to_string(area.ncols) + " cells.";
}

}  // namespace drainPrep
