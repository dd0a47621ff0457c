// Whole runs of drainPrepArea in a scratch directory on full-size sparse
// source rasters, and the proof that a drainPrep run of the area it writes
// holds the basin whole.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "support/runDirectory.hpp"
#include "support/sourceCodes.hpp"

namespace drainPrep::testing {
namespace {

void expectLines(const std::string& console, std::initializer_list<const char*> lines) {
    for (const char* line : lines) {
        EXPECT_NE(console.find(line), std::string::npos) << line << "\nin:\n" << console;
    }
}

// The river tree with its sink coded 0 at source [1204][5407], on land that
// is sinks at 0 m everywhere else. The northernmost cell lies one row below
// the 50 N line and the westernmost one column east of 100 E, so the two
// rings push the corner a whole degree north and west.
constexpr std::int32_t treeRow = 1200;
constexpr std::int32_t treeCol = 5400;

// Source rasters holding the tree and nothing else; the tree's cells.
std::set<std::pair<std::int32_t, std::int32_t>> writeRiverTree(const RunDirectory& run) {
    run.createSourceRasters();
    std::set<std::pair<std::int32_t, std::int32_t>> treeCells;
    for (const TreeCell& cell : riverTree) {
        run.writeSample(Raster::directions, treeRow + cell.row, treeCol + cell.col,
                        static_cast<std::int16_t>(cell.code));
        treeCells.insert({treeRow + cell.row, treeCol + cell.col});
    }
    return treeCells;
}

TEST(EndToEndArea, DrainPrepRunOfTheWrittenAreaHoldsTheBasinWhole) {
    RunDirectory run;
    const std::set<std::pair<std::int32_t, std::int32_t>> treeCells = writeRiverTree(run);
    // A point two cells south-west of the sink.
    const RunResult area = run.runArea("49.9458 100.0542 --write");
    EXPECT_EQ(area.exitStatus, 0);
    expectLines(area.console,
                {"Point 49.9458 N 100.0542 E: source row 1206, column 5406, upstream area 1 cell.\n"
                 "Snapped 2 cells to source row 1204, column 5407 (49.9625 N 100.0625 E): "
                 "upstream area 14 cells.\n"
                 "Basin: 14 cells, 8 km2, from 49.99167 N to 49.93333 N and from 100.0083 E to "
                 "100.0833 E.\n"
                 "Study area: 130 rows x 132 columns, north-west corner 51 N 99 E (17160 cells).\n",
                 "A drainPrep run of it with --outlets coast gives the point, row 124, column 127 "
                 "of the study area, a basin of 14 cells.\n"
                 "clipArea.dat: 130 132 51 99\nWritten to ./clipArea.dat.\n"});
    EXPECT_EQ(run.readFile("clipArea.dat"), "130 132 51 99\n");

    ASSERT_EQ(run.run().exitStatus, 0);
    const std::vector<std::int32_t> riverNum = int32Elements(run.readFile("output/riverNum.bin"));
    const std::vector<std::int32_t> flowAcc = int32Elements(run.readFile("output/flowAcc.bin"));
    ASSERT_EQ(riverNum.size(), 130u * 132u);
    const auto indexOf = [](std::int32_t row, std::int32_t col) {
        return static_cast<std::size_t>((row - 1080) * 132 + col - 5280);
    };
    // Exactly the tree carries the sink's number: nothing of it was cut off at
    // the outlet ring, and no flow from outside the area joined it.
    std::set<std::pair<std::int32_t, std::int32_t>> numbered;
    for (std::int32_t row = 1080; row < 1080 + 130; ++row) {
        for (std::int32_t col = 5280; col < 5280 + 132; ++col) {
            if (riverNum[indexOf(row, col)] == riverNum[indexOf(1204, 5407)]) {
                numbered.insert({row, col});
            }
        }
    }
    EXPECT_EQ(numbered, treeCells);
    EXPECT_EQ(flowAcc[indexOf(1204, 5407)], 14);
}

// drainPrepArea asks drainPrep's own plan where a run of the area would keep
// its records; the test hook of the plan makes that the scratch file.
TEST(EndToEndArea, TellsWhereARunWouldKeepItsRecords) {
    RunDirectory run;
    writeRiverTree(run);
    const RunResult inMemory = run.runArea("49.9625 100.0625");
    EXPECT_EQ(inMemory.exitStatus, 0);
    expectLines(inMemory.console, {" of memory.\nA drainPrep run of it"});
    const RunResult inScratchFile =
        run.runArea("49.9625 100.0625", "DRAINPREP_RECORDS=scratchFile ");
    EXPECT_EQ(inScratchFile.exitStatus, 0);
    expectLines(inScratchFile.console,
                {" of memory, more than this machine has available: the run will keep its cell "
                 "records in a scratch file under ./output.\n"});
}

// A river west along source row 1300 from column 5512 to a sink at column
// 5500, passing two cells of no data north of it, at columns 5508 and 5503:
// the coast rule cuts it twice, beside each.
void writeRiverCutTwice(const RunDirectory& run) {
    run.createSourceRasters();
    for (std::int32_t col = 5501; col <= 5512; ++col) {
        run.writeSample(Raster::directions, 1300, col, static_cast<std::int16_t>(west));
    }
    for (const std::int32_t col : {5508, 5503}) {
        run.writeSample(Raster::dem, 1299, col, noDataCode);
        run.writeSample(Raster::directions, 1299, col, noDataCode);
    }
}

// The basin drainPrepArea promises the point, written, and the point's
// flowAcc.bin in the drainPrep run of that area.
std::pair<std::string, std::int32_t> promiseAndRun(const RunDirectory& run,
                                                   const std::string& arguments) {
    const RunResult area = run.runArea(arguments + " --write --force");
    const std::size_t line = area.console.find("A drainPrep run of it with");
    std::int32_t row = 0;
    std::int32_t col = 0;
    std::int32_t ncols = 0;
    if (line == std::string::npos ||
        std::sscanf(area.console.c_str() + line,
                    "A drainPrep run of it with --outlets coast gives the point, row %d, column %d",
                    &row, &col) != 2 ||
        std::sscanf(run.readFile("clipArea.dat").c_str(), "%*d %d", &ncols) != 1 ||
        run.run().exitStatus != 0) {
        return {area.console, 0};
    }
    const std::vector<std::int32_t> flowAcc = int32Elements(run.readFile("output/flowAcc.bin"));
    return {area.console, flowAcc.at(static_cast<std::size_t>(row * ncols + col))};
}

TEST(EndToEndArea, RiverCutTwiceNamesTheCutNearestThePointAndAHeadwaterIsOneCell) {
    RunDirectory run;
    writeRiverCutTwice(run);
    // Source row 1300, column 5511, with the headwater cell above it.
    const auto [cut, cutFlowAcc] = promiseAndRun(run, "49.1625 100.9292 --snap 0");
    expectLines(cut, {"of the study area, a basin of 2 cells.\n"
                      "CUT RIVER: --outlets coast makes an outlet at 49.1625 N 100.9125 E (source "
                      "row 1300, column 5509), a river cell beside sea or no data, before the "
                      "point's water reaches the end of its flow directions: the run's basin at "
                      "the point holds 2 of the 2 cells of its flow directions. drainPrep "
                      "--outlets d8 keeps the river whole.\n"});
    EXPECT_EQ(cutFlowAcc, 2);
    // The headwater cell itself: an outlet of the run would have no basin.
    const auto [headwater, headwaterFlowAcc] = promiseAndRun(run, "49.1625 100.9375 --snap 0");
    expectLines(headwater, {"of the study area, a basin of 1 cell.\n"});
    EXPECT_EQ(headwaterFlowAcc, 1);
}

TEST(EndToEndArea, BasinAtTheSourceGridsEdgeGetsTheBestAreaButNoFile) {
    RunDirectory run;
    run.createSourceRasters();
    // A stem from the second row of the source grid into a sink, and beside it
    // a value that is not a D8 code.
    run.writeSamples(Raster::directions, 1, 9000, {{south}, {south}, {south, 3}, {sinkCode}});
    std::filesystem::rename(run.path() / "input", run.path() / "rasters");

    const RunResult result = run.runArea("59.97 130.004 --snap 0 --input rasters --write");
    EXPECT_EQ(result.exitStatus, 1);
    expectLines(result.console,
                {"Point 59.97 N 130.004 E: source row 3, column 9000, upstream area 3 cells.\n"
                 "Basin: 3 cells, 1 km2, from 59.99167 N to 59.96667 N and from 130 E to "
                 "130.0083 E.\n"
                 "The basin reaches the edge of the source grid: no study area holds it whole "
                 "inside the frame and outlet rings. The best there is:\n"
                 "Study area: 6 rows x 123 columns, north-west corner 60 N 129 E (738 cells).\n",
                 "The source must be larger: the default sources cover 60 N to 10 S and 55 E to "
                 "180 E. A pair that covers 61 N to 10 S, 55 E to 180 E is read with --dem PATH "
                 "--dir PATH, for example a mosaic of tiles:\n"
                 "  gdalbuildvrt -te 55 -10 180 61 dem.vrt tiles/*_dem_30s.tif\n"
                 "Cells of the area whose direction value is not a D8 code, on which drainPrep "
                 "stops: 1 (most often 3).\n"
                 // The first cell lies on the area's outlet ring.
                 "A drainPrep run of it with --outlets coast gives the point, row 3, column 120 "
                 "of the study area, a basin of 2 cells.\n"
                 "clipArea.dat: 6 123 60 129\nclipArea.dat not written.\n"});
    EXPECT_FALSE(run.exists("clipArea.dat"));
}

// drainPrep stops on any cell of the area whose direction value is not a D8
// code, the frame ring included; an area holding one is of no use.
TEST(EndToEndArea, AreaHoldingAValueThatIsNoD8CodeIsRefusedAndNotWritten) {
    RunDirectory run;
    writeRiverTree(run);
    // On the east column of the area the basin needs, far from the basin.
    run.writeSample(Raster::directions, 1150, 5411, 3);
    const RunResult looked = run.runArea("49.9625 100.0625");
    EXPECT_EQ(looked.exitStatus, 1);
    const RunResult written = run.runArea("49.9625 100.0625 --write");
    EXPECT_EQ(written.exitStatus, 1);
    expectLines(written.console,
                {"Study area: 130 rows x 132 columns, north-west corner 51 N 99 E (17160 cells).\n",
                 "Cells of the area whose direction value is not a D8 code, on which drainPrep "
                 "stops: 1 (most often 3).\n",
                 "clipArea.dat: 130 132 51 99\nclipArea.dat not written.\n"});
    EXPECT_FALSE(run.exists("clipArea.dat"));

    // What drainPrep itself makes of that area.
    run.writeFile("clipArea.dat", "130 132 51 99\n");
    const RunResult drainPrepRun = run.run();
    EXPECT_EQ(drainPrepRun.exitStatus, 1);
    expectLines(drainPrepRun.console, {"70-131-3cellObject.down is wrong.\n"});
}

TEST(EndToEndArea, PointOnSeaWithNothingToSnapTo) {
    RunDirectory run;
    run.createSourceRasters();
    run.writeSamples(Raster::dem, 3597, 7197,
                     SampleRows(7, std::vector<std::int16_t>(7, noDataCode)));
    const RunResult result = run.runArea("30 115");
    EXPECT_EQ(result.console,
              "Point 30 N 115 E: source row 3600, column 7200, no flow data (sea, no data or a "
              "loop of directions).\n"
              "The point lies on sea, no data or a loop of flow directions, and so does every "
              "cell within 3 cells of it.\n");
    EXPECT_EQ(result.exitStatus, 1);
}

// One message and status 1, before the rasters are read.
TEST(EndToEndArea, BadInput) {
    enum class Setup { rasters, noRasters, shortDem, demOnly, clipArea };
    const std::string usage =
        "Usage: drainPrepArea LAT LON | --gauges FILE [--snap CELLS] [--input DIR | --dem PATH "
        "--dir PATH] [--outlets coast|d8] [--write] [--force]";
    const std::vector<std::tuple<std::string, Setup, std::string>> cases = {
        {"abc 100", Setup::rasters, "The latitude \"abc\" is not a number."},
        {"+-5 100", Setup::rasters, "The latitude \"+-5\" is not a number."},
        {"30 1e2e", Setup::rasters, "The longitude \"1e2e\" is not a number."},
        {"30", Setup::rasters, usage},
        {"30 100 --wirte", Setup::rasters, "Unknown option --wirte. " + usage},
        {"30 100 --snap", Setup::rasters, "--snap needs a value. " + usage},
        {"30 100 --outlets", Setup::rasters, "--outlets needs a value. " + usage},
        {"30 100 --outlets sea", Setup::rasters, "--outlets takes coast or d8, not \"sea\"."},
        {"30 100 --outlets d8 --outlets coast", Setup::rasters, "--outlets is given twice."},
        {"30 100 --snap 1 --snap 2", Setup::rasters, "--snap is given twice."},
        {"--gauges a.csv --gauges b.csv", Setup::rasters, "--gauges is given twice."},
        {"-10.5 100 --snap x", Setup::rasters,
         "--snap takes a whole number of cells, 0 or more, not \"x\"."},
        {"61 100", Setup::rasters,
         "The point 61 N 100 E lies outside the default sources, which cover 60 N to 10 S, 55 E "
         "to 180 E: --dem PATH --dir PATH reads any other pair of rasters."},
        {"30 100", Setup::noRasters, "Hydroshed DEM cannot open."},
        {"30 100 --input elsewhere", Setup::rasters, "Hydroshed DEM cannot open."},
        {"30 100", Setup::shortDem, "Hydroshed DEM has 1000 bytes instead of 252000000."},
        {"30 100", Setup::demOnly, "Hydroshed Flow direction file cannot open."},
        {"30 100 --write", Setup::clipArea, "clipArea.dat exists already: --force overwrites it."},
        {"30 100 --dir d.tif", Setup::rasters,
         "--dem and --dir go together: the DEM and the flow directions of the same cells. --dem "
         "is missing."},
        {"30 100 --input . --dem a.tif --dir d.tif", Setup::rasters,
         "--input and --dem/--dir are alternatives: give one. " + usage},
    };
    for (const auto& [arguments, setup, message] : cases) {
        RunDirectory run;
        if (setup != Setup::noRasters) run.createSourceRasters();
        if (setup == Setup::shortDem)
            std::filesystem::resize_file(run.rasterPath(Raster::dem), 1000);
        if (setup == Setup::demOnly) std::filesystem::remove(run.rasterPath(Raster::directions));
        if (setup == Setup::clipArea) run.writeFile("clipArea.dat", "600 900 36 139\n");
        const RunResult result = run.runArea(arguments);
        EXPECT_EQ(result.console, message + "\n") << arguments;
        EXPECT_EQ(result.exitStatus, 1) << arguments;
        if (setup == Setup::clipArea) {
            EXPECT_EQ(run.readFile("clipArea.dat"), "600 900 36 139\n");
        }
    }
}

}  // namespace
}  // namespace drainPrep::testing
