#include "driver/memoryPlan.hpp"

#include <sys/resource.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

#include "cell/cellObject.hpp"
#include "raster/largeBlock.hpp"

namespace drainPrep {

namespace {

// Read buffers, the console buffer, the runtime's own needs.
constexpr std::uint64_t fixedBytes = std::uint64_t{64} << 20;

constexpr std::uint64_t pointerBytes = sizeof(cellObject*);

std::uint64_t gridBytes(std::uint64_t cellCount, std::uint64_t bytesPerCell) {
    return largeBlockCost(static_cast<std::size_t>(cellCount * bytesPerCell));
}

// A value of /proc/meminfo, in bytes.
std::optional<std::uint64_t> memoryInfo(const std::string& wanted) {
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    std::uint64_t kibibytes = 0;
    std::string unit;
    while (meminfo >> key >> kibibytes >> unit) {
        if (key == wanted + ":") return kibibytes * 1024;
    }
    return std::nullopt;
}

bool strictOvercommit() {
    std::ifstream mode("/proc/sys/vm/overcommit_memory");
    int value = 0;
    return mode >> value && value == 2;
}

std::uint64_t pageBytes() { return static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE)); }

// What the kernel can hand out without swapping; under strict overcommit no
// more than the commit limit leaves.
std::uint64_t availableMemory() {
    const std::optional<std::uint64_t> available = memoryInfo("MemAvailable");
    std::uint64_t memory =
        available ? *available
                  : static_cast<std::uint64_t>(sysconf(_SC_AVPHYS_PAGES)) * pageBytes();
    if (strictOvercommit()) {
        const std::uint64_t limit = memoryInfo("CommitLimit").value_or(0);
        const std::uint64_t committed = memoryInfo("Committed_AS").value_or(0);
        memory = std::min(memory, limit > committed ? limit - committed : 0);
    }
    return memory;
}

std::uint64_t addressSpaceLeft() {
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return UINT64_MAX;
    std::uint64_t mappedPages = 0;
    std::ifstream("/proc/self/statm") >> mappedPages;
    const std::uint64_t mapped = mappedPages * pageBytes();
    return limit.rlim_cur > mapped ? limit.rlim_cur - mapped : 0;
}

std::uint64_t freeDiskUnder(const char* directory) {
    struct statvfs disk {};
    if (statvfs(directory, &disk) != 0) return 0;
    return static_cast<std::uint64_t>(disk.f_bavail) * disk.f_frsize;
}

bool scratchFileForced() {
    const char* records = std::getenv("DRAINPREP_RECORDS");
    return records != nullptr && std::string(records) == "scratchFile";
}

}  // namespace

std::uint64_t RunNeeds::work() const { return std::max({building, deriving, writing}) + fixed; }

RunNeeds needsOfRun(const StudyArea& area) {
    const auto cells = static_cast<std::uint64_t>(area.cellCount());
    // At most every other cell is an outlet: each keeps a cell that drains into it.
    const std::uint64_t outletList = (cells + 1) / 2 * pointerBytes;
    // The copies of the five fields the products show, and the outlets, live
    // from the start of stage 3 to the end.
    const std::uint64_t fieldsAndOutlets =
        gridBytes(cells, sizeof(double)) + 4 * gridBytes(cells, sizeof(std::int32_t)) + outletList;
    RunNeeds needs;
    needs.records = gridBytes(cells, sizeof(cellObject));
    needs.building = 2 * gridBytes(cells, sizeof(std::int32_t)) + fieldsAndOutlets;
    needs.deriving = gridBytes(cells, sizeof(std::uint8_t)) + fieldsAndOutlets;
    needs.writing = fieldsAndOutlets;
    needs.fixed = fixedBytes;
    return needs;
}

std::uint64_t peakBytesOfRun(const StudyArea& area) {
    const RunNeeds needs = needsOfRun(area);
    return needs.records + needs.work();
}

RecordPlace planRun(const StudyArea& area, const MachineRoom& room, bool scratchFileOnly) {
    const RunNeeds needs = needsOfRun(area);
    const std::uint64_t whole = needs.records + needs.work();
    const bool mappable = whole <= room.addressSpace;
    if (mappable && needs.records <= room.scratchDisk && needs.work() <= room.memory &&
        (scratchFileOnly || whole > room.memory)) {
        return RecordPlace::scratchFile;
    }
    if (mappable && whole <= room.memory && !scratchFileOnly) return RecordPlace::memory;
    return RecordPlace::nowhere;
}

MachineRoom roomOfThisMachine(const char* directory) {
    return {availableMemory(), addressSpaceLeft(), freeDiskUnder(directory)};
}

RecordPlace planRunHere(const StudyArea& area) {
    return planRun(area, roomOfThisMachine(scratchDirectory), scratchFileForced());
}

std::int32_t recordRowsInMemory(const StudyArea& area, const MachineRoom& room) {
    const std::uint64_t work = needsOfRun(area).work();
    const std::uint64_t spare = room.memory - room.memory / 4;
    if (spare <= work || area.ncols <= 0 || area.nrows <= 0) return 0;
    const std::uint64_t rowBytes = static_cast<std::uint64_t>(area.ncols) * sizeof(cellObject);
    return static_cast<std::int32_t>(
        std::min<std::uint64_t>((spare - work) / rowBytes, static_cast<std::uint64_t>(area.nrows)));
}

std::int32_t recordRowsInMemoryHere(const StudyArea& area) {
    if (scratchFileForced()) return 0;
    return recordRowsInMemory(area, roomOfThisMachine(scratchDirectory));
}

std::string notEnoughMemoryText(const StudyArea& area) {
    return "Not enough memory for a study area of " + std::to_string(area.nrows) + " x " +
           std::to_string(area.ncols) + " cells.";
}

}  // namespace drainPrep
