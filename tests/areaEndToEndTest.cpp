// Whole runs of drainPrepArea in a scratch directory, on full-size sparse
// source rasters, and the proof that a drainPrep run of the area it writes
// holds the basin whole.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/runDirectory.hpp"
#include "support/sourceCodes.hpp"

namespace drainPrep {
namespace {

using testing::Raster;
using testing::RunDirectory;
using testing::RunResult;

using testing::east;
using testing::noDataCode;
using testing::north;
using testing::northEast;
using testing::sinkCode;
using testing::south;
using testing::southEast;
using testing::west;

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// ---------------------------------------------------------------------------
// The proof

// Fourteen cells draining into a sink coded 0 at source [1204][5407], on land
// that is sinks at 0 m everywhere else. The northernmost cell lies one row
// below the 50 N line and the westernmost one column east of 100 E, so the
// two rings push the corner a whole degree north and west.
struct TreeCell {
    std::int32_t row;
    std::int32_t col;
    std::int32_t code;
};
const TreeCell riverTree[] = {
    {1201, 5403, south},     {1202, 5403, south}, {1203, 5401, east}, {1203, 5402, east},
    {1203, 5403, southEast}, {1204, 5404, east},  {1204, 5405, east}, {1204, 5406, east},
    {1204, 5407, sinkCode},  {1204, 5408, west},  {1204, 5409, west}, {1205, 5406, northEast},
    {1206, 5405, northEast}, {1207, 5405, north},
};

TEST(EndToEndArea, DrainPrepRunOfTheWrittenAreaHoldsTheBasinWhole) {
    RunDirectory run;
    run.createSourceRasters();
    std::set<std::pair<std::int32_t, std::int32_t>> treeCells;
    for (const TreeCell& cell : riverTree) {
        run.writeSample(Raster::directions, cell.row, cell.col,
                        static_cast<std::int16_t>(cell.code));
        treeCells.insert({cell.row, cell.col});
    }

    // Two cells south-west of the sinkCode, on a cell of its own.
    const RunResult area = run.runArea("49.9458 100.0542 --write");
    EXPECT_EQ(area.exitStatus, 0) << area.console;
    for (const char* line : {
             "Point 49.9458 N 100.0542 E: source row 1206, column 5406, upstream area 1 cell.\n",
             "Snapped 2 cells to source row 1204, column 5407 (49.9625 N 100.0625 E): upstream "
             "area 14 cells.\n",
             "Basin: 14 cells, 8 km2, from 49.99167 N to 49.93333 N and from 100.0083 E to "
             "100.0833 E.\n",
             "Study area: 130 rows x 132 columns, north-west corner 51 N 99 E (17160 cells).\n",
             "clipArea.dat: 130 132 51 99\nWritten to ./clipArea.dat.\n",
         }) {
        EXPECT_TRUE(contains(area.console, line)) << line << area.console;
    }
    EXPECT_EQ(run.readFile("clipArea.dat"), "130 132 51 99\n");

    const RunResult tool = run.run();
    ASSERT_EQ(tool.exitStatus, 0) << tool.console;
    const std::int32_t rowOffset = 1080;
    const std::int32_t colOffset = 5280;
    const std::int32_t ncols = 132;
    const std::vector<std::int32_t> riverNum =
        testing::int32Elements(run.readFile("output/riverNum.bin"));
    const std::vector<std::int32_t> flowAcc =
        testing::int32Elements(run.readFile("output/flowAcc.bin"));
    ASSERT_EQ(riverNum.size(), 130u * 132u);
    const auto at = [&](std::int32_t row, std::int32_t col) {
        return static_cast<std::size_t>((row - rowOffset) * ncols + col - colOffset);
    };
    const std::int32_t basinNumber = riverNum[at(1204, 5407)];
    // Exactly the tree carries the sinkCode's number: nothing of it was cut off at
    // the outlet ring, and no flow from outside the area joined it.
    std::set<std::pair<std::int32_t, std::int32_t>> numbered;
    for (std::size_t i = 0; i < riverNum.size(); ++i) {
        if (riverNum[i] != basinNumber) continue;
        const auto row = static_cast<std::int32_t>(i / ncols) + rowOffset;
        const auto col = static_cast<std::int32_t>(i % ncols) + colOffset;
        numbered.insert({row, col});
    }
    EXPECT_EQ(numbered, treeCells);
    EXPECT_EQ(flowAcc[at(1204, 5407)], 14);
}

// ---------------------------------------------------------------------------
// Where no area can be used

TEST(EndToEndArea, BasinAtTheSourceGridsEdgeGetsTheBestAreaButNoFile) {
    RunDirectory run;
    run.createSourceRasters();
    // A stem from the second row of the source grid south into a sinkCode, and a
    // value that is not a D8 code beside it.
    run.writeSamples(Raster::directions, 1, 9000, {{south}, {south}, {south, 3}, {sinkCode}});
    std::filesystem::rename(run.path() / "input", run.path() / "rasters");

    const RunResult result = run.runArea("59.97 130.004 --snap 0 --input rasters --write");
    EXPECT_EQ(result.exitStatus, 1);
    for (const char* line : {
             "Point 59.97 N 130.004 E: source row 3, column 9000, upstream area 3 cells.\n",
             "Basin: 3 cells, 1 km2, from 59.99167 N to 59.96667 N and from 130 E to 130.0083 "
             "E.\n",
             "The basin reaches the edge of the source grid: no study area holds it whole "
             "inside the frame and outlet rings. The best there is:\n"
             "Study area: 6 rows x 123 columns, north-west corner 60 N 129 E (738 cells).\n",
             "Cells of the area whose direction value is not a D8 code, on which drainPrep "
             "stops: 1.\n",
             "clipArea.dat: 6 123 60 129\nclipArea.dat not written.\n",
         }) {
        EXPECT_TRUE(contains(result.console, line)) << line << result.console;
    }
    EXPECT_FALSE(run.exists("clipArea.dat"));
}

TEST(EndToEndArea, AreaBeyondTheMemoryAllowedGetsNoFile) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit allows";
#endif
    RunDirectory run;
    run.createSourceRasters();
    // A river east along row 100 and south along column 2600 into a sink: an
    // area of 2603 x 2603 cells, which needs some 2 GB.
    run.writeSamples(Raster::directions, 100, 100,
                     {std::vector<std::int16_t>(2500, static_cast<std::int16_t>(east))});
    run.writeSamples(Raster::directions, 100, 2600,
                     testing::SampleRows(2500, {static_cast<std::int16_t>(south)}));
    run.writeSample(Raster::directions, 2600, 2600, static_cast<std::int16_t>(sinkCode));

    const RunResult limited = run.runArea("38.3292 76.6708 --write", "ulimit -v 1500000; ");
    EXPECT_TRUE(contains(limited.console, "Basin: 5001 cells")) << limited.console;
    EXPECT_TRUE(contains(limited.console,
                         "Study area: 2603 rows x 2603 columns, north-west corner 60 N 55 E"))
        << limited.console;
    EXPECT_TRUE(contains(limited.console,
                         " of memory, more than this machine has available.\nclipArea.dat: 2603 "
                         "2603 60 55\nclipArea.dat not written.\n"))
        << limited.console;
    EXPECT_EQ(limited.exitStatus, 1);
    EXPECT_FALSE(run.exists("clipArea.dat"));

    const RunResult tooLittle = run.runArea("38.3292 76.6708", "ulimit -v 300000; ");
    EXPECT_EQ(tooLittle.console, "Not enough memory for the flow data of the source grid.\n");
    EXPECT_EQ(tooLittle.exitStatus, 1);
}

TEST(EndToEndArea, PointOnSeaWithNothingToSnapTo) {
    RunDirectory run;
    run.createSourceRasters();
    const testing::SampleRows sea(7, std::vector<std::int16_t>(7, noDataCode));
    run.writeSamples(Raster::dem, 3597, 7197, sea);

    const RunResult result = run.runArea("30 115");
    EXPECT_EQ(result.console,
              "Point 30 N 115 E: source row 3600, column 7200, no flow data (sea, no data or a "
              "loop of directions).\n"
              "The point lies on sea, no data or a loop of flow directions, and so does every "
              "cell within 3 cells of it.\n");
    EXPECT_EQ(result.exitStatus, 1);
}

// ---------------------------------------------------------------------------
// Bad input: one message, status 1, before anything is read

TEST(EndToEndArea, BadInput) {
    enum class Rasters { none, both, shortDem, demOnly };
    struct Case {
        const char* arguments;
        Rasters rasters;
        const char* message;
    };
    for (const Case& c : {
             Case{"abc 100", Rasters::both, "The latitude \"abc\" is not a number."},
             Case{"30", Rasters::both,
                  "Usage: drainPrepArea LAT LON [--snap CELLS] [--input DIR] [--write] [--force]"},
             Case{"61 100", Rasters::both,
                  "The point 61 N 100 E lies outside the source grid (60 N to 10 S, 55 E to "
                  "180 E)."},
             Case{"-10.5 100 --snap x", Rasters::both,
                  "--snap takes a whole number of cells, 0 or more, not \"x\"."},
             Case{"30 100", Rasters::none, "Hydroshed DEM cannot open."},
             Case{"30 100 --input elsewhere", Rasters::both, "Hydroshed DEM cannot open."},
             Case{"30 100", Rasters::shortDem,
                  "Hydroshed DEM has 1000 bytes instead of 252000000."},
             Case{"30 100", Rasters::demOnly, "Hydroshed Flow direction file cannot open."},
         }) {
        RunDirectory run;
        if (c.rasters != Rasters::none) run.createSourceRasters();
        if (c.rasters == Rasters::shortDem) {
            std::filesystem::resize_file(run.rasterPath(Raster::dem), 1000);
        }
        if (c.rasters == Rasters::demOnly)
            std::filesystem::remove(run.rasterPath(Raster::directions));
        const RunResult result = run.runArea(c.arguments);
        EXPECT_EQ(result.console, std::string(c.message) + "\n") << c.arguments;
        EXPECT_EQ(result.exitStatus, 1) << c.arguments;
    }
}

TEST(EndToEndArea, ExistingClipAreaIsKeptWithoutForce) {
    RunDirectory run;
    run.createSourceRasters();
    run.writeFile("clipArea.dat", "600 900 36 139\n");
    const RunResult result = run.runArea("30 100 --write");
    EXPECT_EQ(result.console, "clipArea.dat exists already: --force overwrites it.\n");
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(run.readFile("clipArea.dat"), "600 900 36 139\n");
}

}  // namespace
}  // namespace drainPrep
