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
#include "driver/controlGroupMemory.hpp"
#include "raster/largeBlock.hpp"
#include "text/numberText.hpp"

namespace drainPrep {

namespace {

// Read buffers, the console buffer, the runtime's own needs.
constexpr std::uint64_t fixedBytes = std::uint64_t{64} << 20;

constexpr std::uint64_t pointerBytes = sizeof(cellObject*);

std::uint64_t gridBytes(std::uint64_t cellCount, std::uint64_t bytesPerCell) {
    return largeBlockCost(static_cast<std::size_t>(cellCount * bytesPerCell));
}

// Headers of the ESRI ASCII grids, and the last, partly used block of every
// file on the disk.
constexpr std::uint64_t headersAndLastBlocks = std::uint64_t{1} << 20;

std::uint64_t textWidth(std::int64_t value) {
    return numberText(static_cast<std::int32_t>(value)).size();
}

// What the run writes under ./output, every value at its widest: a count
// (distance, basin size, river number, row, column) as large as the cells,
// every other cell an outlet.
std::uint64_t filesOfRun(const StudyArea& area) {
    const auto cells = static_cast<std::uint64_t>(area.cellCount());
    const std::uint64_t noData = textWidth(-9999);
    const std::uint64_t count = std::max(noData, textWidth(static_cast<std::int64_t>(cells)));
    // Each value with the blank before it: the two previews and modDem.asc
    // hold 16-bit samples, flowDir.asc D8 codes, the three others counts.
    const std::uint64_t asciiValues =
        3 * (1 + textWidth(INT16_MIN)) + (1 + noData) + 3 * (1 + count);
    const std::uint64_t asciiRowEnds = 7 * static_cast<std::uint64_t>(area.nrows);
    const std::uint64_t binaryValues = sizeof(double) + 3 * sizeof(std::int32_t);
    // Four counts and the two coordinates in arc-seconds (at most 180 degrees).
    const std::uint64_t outletLine = 4 * (1 + count) + 2 * (1 + textWidth(-180 * 3600));
    const std::uint64_t outlets = (cells + 1) / 2;
    return cells * (asciiValues + binaryValues) + asciiRowEnds + outlets * outletLine +
           headersAndLastBlocks;
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
std::uint64_t availableMemory(const std::filesystem::path& systemRoot) {
    const std::optional<std::uint64_t> available = memoryInfo("MemAvailable");
    std::uint64_t memory =
        available ? *available
                  : static_cast<std::uint64_t>(sysconf(_SC_AVPHYS_PAGES)) * pageBytes();
    if (strictOvercommit()) {
        const std::uint64_t limit = memoryInfo("CommitLimit").value_or(0);
        const std::uint64_t committed = memoryInfo("Committed_AS").value_or(0);
        memory = std::min(memory, limit > committed ? limit - committed : 0);
    }
    return std::min(memory, controlGroupMemoryLeft(systemRoot).value_or(UINT64_MAX));
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
    needs.files = filesOfRun(area);
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
    const bool diskHoldsAll = needs.records + needs.files <= room.scratchDisk;
    if (mappable && diskHoldsAll && needs.work() <= room.memory &&
        (scratchFileOnly || whole > room.memory)) {
        return RecordPlace::scratchFile;
    }
    if (mappable && whole <= room.memory && !scratchFileOnly) return RecordPlace::memory;
    return RecordPlace::nowhere;
}

MachineRoom roomOfThisMachine(const char* directory, const std::filesystem::path& systemRoot) {
    return {availableMemory(systemRoot), addressSpaceLeft(), freeDiskUnder(directory)};
}

namespace {

MachineRoom roomHere(std::uint64_t heldBesides) {
    MachineRoom room = roomOfThisMachine(scratchDirectory);
    room.memory -= std::min(room.memory, heldBesides);
    return room;
}

}  // namespace

RecordPlace planRunHere(const StudyArea& area, std::uint64_t heldBesides) {
    return planRun(area, roomHere(heldBesides), scratchFileForced());
}

std::int32_t recordRowsInMemory(const StudyArea& area, const MachineRoom& room) {
    const std::uint64_t work = needsOfRun(area).work();
    const std::uint64_t spare = room.memory - room.memory / 4;
    if (spare <= work || area.ncols <= 0 || area.nrows <= 0) return 0;
    const std::uint64_t rowBytes = static_cast<std::uint64_t>(area.ncols) * sizeof(cellObject);
    return static_cast<std::int32_t>(
        std::min<std::uint64_t>((spare - work) / rowBytes, static_cast<std::uint64_t>(area.nrows)));
}

std::int32_t recordRowsInMemoryHere(const StudyArea& area, std::uint64_t heldBesides) {
    if (scratchFileForced()) return 0;
    return recordRowsInMemory(area, roomHere(heldBesides));
}

std::string notEnoughMemoryText(const StudyArea& area) {
    return "Not enough memory for a study area of " + std::to_string(area.nrows) + " x " +
           std::to_string(area.ncols) + " cells.";
}

}  // namespace drainPrep
