// The memory plan: what a run needs, phase by phase, and where its cell
// records go on machines of every size.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "cell/cellObject.hpp"
#include "driver/memoryPlan.hpp"
#include "raster/largeBlock.hpp"

namespace drainPrep {
namespace {

constexpr std::uint64_t gibibyte = std::uint64_t{1} << 30;

// 1000 x 2001 cells: an odd count, so half of it rounds.
const StudyArea area{1000, 2001, 40, 100};
constexpr std::uint64_t cells = 1000 * 2001;

std::uint64_t gridOf(std::uint64_t bytesPerCell) {
    return largeBlockCost(static_cast<std::size_t>(cells * bytesPerCell));
}

// Every block the run allocates, in the phase where it lives: a plan that
// forgot one would let a run start that fails halfway.
TEST(MemoryPlanNeeds, EachPhaseHoldsEveryBlockThatLivesInIt) {
    const RunNeeds needs = needsOfRun(area);
    const std::uint64_t outletList = (cells + 1) / 2 * sizeof(cellObject*);
    const std::uint64_t fieldCopies = gridOf(sizeof(double)) + 4 * gridOf(sizeof(std::int32_t));
    const std::uint64_t always = fieldCopies + outletList;
    EXPECT_EQ(needs.records, gridOf(sizeof(cellObject)));
    EXPECT_EQ(needs.building, always + 2 * gridOf(sizeof(std::int32_t)));  // DEM, directions
    EXPECT_EQ(needs.deriving, always + gridOf(sizeof(std::uint8_t)));      // inflow counts
    EXPECT_EQ(needs.writing, always);
    EXPECT_EQ(needs.work(), std::max(needs.building, needs.deriving) + needs.fixed);
    EXPECT_EQ(peakBytesOfRun(area), needs.records + needs.work());
}

struct Case {
    const char* what;
    MachineRoom room;
    bool scratchFileOnly;
    RecordPlace expected;
};

// Rooms just at and just below each bound of the plan.
TEST(MemoryPlanDecision, EachBoundIsExact) {
    const RunNeeds needs = needsOfRun(area);
    const std::uint64_t peak = needs.records + needs.work();
    const std::uint64_t disk = needs.records + needs.files;
    const std::uint64_t plenty = 1000 * gibibyte;
    const Case cases[] = {
        {"memory holds the whole run", {peak, peak, 0}, false, RecordPlace::memory},
        {"memory holds the whole run exactly, beside disk for the records",
         {peak, plenty, plenty},
         false,
         RecordPlace::memory},
        {"memory one byte short, no disk",
         {peak - 1, plenty, disk - 1},
         false,
         RecordPlace::nowhere},
        {"disk for the records but not for the products beside them",
         {peak - 1, plenty, needs.records + needs.files - 1},
         false,
         RecordPlace::nowhere},
        {"memory one byte short, disk for the records",
         {peak - 1, plenty, disk},
         false,
         RecordPlace::scratchFile},
        {"memory holds just the rest",
         {needs.work(), plenty, disk},
         false,
         RecordPlace::scratchFile},
        {"memory short of the rest",
         {needs.work() - 1, plenty, plenty},
         false,
         RecordPlace::nowhere},
        {"address space one byte short", {plenty, peak - 1, plenty}, false, RecordPlace::nowhere},
        {"mapping the file takes address space too",
         {peak - 1, peak - 1, plenty},
         false,
         RecordPlace::nowhere},
        {"the scratch file only, though memory holds it all",
         {plenty, plenty, disk},
         true,
         RecordPlace::scratchFile},
        {"the scratch file only, on a disk too small",
         {plenty, plenty, disk - 1},
         true,
         RecordPlace::nowhere},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(planRun(area, c.room, c.scratchFileOnly), c.expected) << c.what;
    }
}

// The whole source grid needs some 37 GB of records: on a machine of 24 GB it
// runs where the disk holds them and its products, on a larger one in memory.
TEST(MemoryPlanDecision, WholeSourceGridDependsOnTheDiskOnAMachineOf24GB) {
    const StudyArea whole{sourceRows, sourceCols, 60, 55};
    const std::uint64_t unlimited = UINT64_MAX;
    EXPECT_EQ(planRun(whole, {23 * gibibyte, unlimited, 80 * gibibyte}, false),
              RecordPlace::scratchFile);
    EXPECT_EQ(planRun(whole, {23 * gibibyte, unlimited, 38 * gibibyte}, false),
              RecordPlace::nowhere);
    EXPECT_EQ(planRun(whole, {60 * gibibyte, unlimited, 0}, false), RecordPlace::memory);
}

// A run in the scratch file keeps in memory the rows of records that three
// quarters of the memory hold beside the rest of the run: none when that
// leaves nothing, all when it holds them all.
TEST(MemoryPlanDecision, RowsOfRecordsInMemoryBesideTheScratchFile) {
    const std::uint64_t unlimited = UINT64_MAX;
    const std::uint64_t work = needsOfRun(area).work();
    const std::uint64_t rowBytes = 2001 * sizeof(cellObject);
    EXPECT_EQ(recordRowsInMemory(area, {work, unlimited, unlimited}), 0);
    EXPECT_EQ(recordRowsInMemory(area, {work / 3 * 4, unlimited, unlimited}), 0);
    EXPECT_EQ(recordRowsInMemory(area, {(work + 100 * rowBytes) / 3 * 4, unlimited, unlimited}),
              99);  // the division by 3 rounds down
    EXPECT_EQ(recordRowsInMemory(area, {64 * gibibyte, unlimited, unlimited}), 1000);
}

}  // namespace
}  // namespace drainPrep
