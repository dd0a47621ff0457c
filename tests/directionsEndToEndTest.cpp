// drainPrepDirections end to end: a 3" DEM made through GDAL's API with a
// pit, a plateau and a hole of no data becomes a D8 grid whose every path
// leaves the grid or ends in the hole, and a filled DEM that drainPrep runs
// on; folders it did not write are never replaced.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "cell/directions.hpp"
#include "support/gdalRasters.hpp"
#include "support/runDirectory.hpp"

namespace drainPrep {
namespace {

using testing::RunDirectory;
using testing::RunResult;
using testing::TestRaster;

constexpr std::int32_t rows = 120;
constexpr std::int32_t cols = 160;
constexpr double noData = -9999.0;
constexpr std::size_t pit = 60 * cols + 80;

bool inHole(std::int32_t row, std::int32_t col) {
    return row >= 90 && row <= 92 && col >= 100 && col <= 102;
}

// Land falling 1 m a row to the south, from 61 N 10 E in 3" cells; a pit of
// 50 m in it, a terrace at row 45's 174 m across rows 35 to 45, and a hole
// of NaN and of -9999 m, no data though no NoData is declared.
TestRaster exampleDem() {
    TestRaster dem;
    dem.rows = rows;
    dem.cols = cols;
    dem.transform = {10.0, 1.0 / 1200, 0.0, 61.0, 0.0, -1.0 / 1200};
    dem.type = "Float32";
    for (std::int32_t row = 0; row < rows; ++row) {
        for (std::int32_t col = 0; col < cols; ++col) {
            const double plane = 100.0 + (rows - 1 - row);
            const bool terrace = row >= 35 && row <= 45 && col >= 20 && col <= 60;
            const double hole = row == 90 ? std::nan("") : noData;
            dem.values.push_back(inHole(row, col) ? hole : terrace ? 174.0 : plane);
        }
    }
    dem.values[pit] = 50.0;
    return dem;
}

// Where the code leads, or nothing off the grid.
std::int64_t downstreamOf(std::int64_t cell, double code) {
    for (const Direction& direction : flowDirections) {
        if (direction.sourceCode != code) continue;
        const std::int64_t row = cell / cols + direction.rowOffset;
        const std::int64_t col = cell % cols + direction.colOffset;
        if (row < 0 || col < 0 || row >= rows || col >= cols) return -1;
        return row * cols + col;
    }
    ADD_FAILURE() << "no D8 code: " << code << " at " << cell;
    return -1;
}

TEST(EndToEndDirections, EveryPathLeavesTheGridOrEndsInNoDataAndDrainPrepRunsOnThePair) {
    RunDirectory run;
    const TestRaster dem = exampleDem();
    testing::writeGeoTiff((run.path() / "dem.tif").string(), dem);
    for (int time = 0; time < 2; ++time) {  // the second replaces the folder it wrote
        const RunResult result = run.runDirections("dem.tif out");
        ASSERT_EQ(result.exitStatus, 0) << result.console;
        EXPECT_EQ(result.console.rfind("Read dem.tif: 120 x 160 cells of 3 arc-seconds.\n"
                                       "Filled 1 depressions: 1 cells raised, by at most "
                                       "108.000 m.\n",
                                       0),
                  0u)
            << result.console;
    }
    EXPECT_NE(run.readFile("out/conditioning.txt").find("condition fill\n"), std::string::npos);
    EXPECT_EQ(testing::geoTransformOf((run.path() / "out/dir.tif").string()), dem.transform);

    const std::vector<double> codes = testing::rasterValues((run.path() / "out/dir.tif").string());
    const std::vector<double> filled = testing::rasterValues((run.path() / "out/dem.tif").string());
    for (std::int64_t cell = 0; cell < rows * cols; ++cell) {
        const auto at = static_cast<std::size_t>(cell);
        if (inHole(static_cast<std::int32_t>(cell / cols),
                   static_cast<std::int32_t>(cell % cols))) {
            EXPECT_EQ(codes[at], 247.0);
            EXPECT_EQ(filled[at], noData);
            continue;
        }
        EXPECT_GE(filled[at], dem.values[at]) << cell;
        std::int64_t steps = 0;
        for (std::int64_t next = cell; next >= 0 && codes[static_cast<std::size_t>(next)] != 247.0;
             next = downstreamOf(next, codes[static_cast<std::size_t>(next)])) {
            ASSERT_LT(++steps, rows * cols) << "a loop through " << cell;
        }
    }
    EXPECT_EQ(filled[pit], 158.0);

    run.writeFile("clipArea.dat", "120 160 61 10\n");
    const RunResult drainPrep = run.runWithArguments("--dem out/dem.tif --dir out/dir.tif");
    EXPECT_EQ(drainPrep.exitStatus, 0) << drainPrep.console;

    // At a sea level of 100 m the southern row and the pit are sea.
    ASSERT_EQ(run.runDirections("dem.tif sea --sea-level 100").exitStatus, 0);
    const std::vector<double> seaCodes =
        testing::rasterValues((run.path() / "sea/dir.tif").string());
    for (std::int32_t col = 0; col < cols; ++col) {
        EXPECT_EQ(seaCodes[static_cast<std::size_t>((rows - 1) * cols + col)], 247.0) << col;
        EXPECT_NE(seaCodes[static_cast<std::size_t>((rows - 2) * cols + col)], 247.0) << col;
    }
    EXPECT_EQ(seaCodes[pit], 247.0);
    EXPECT_NE(run.readFile("sea/conditioning.txt").find("sea level 100 m\n"), std::string::npos);

    // The pit covers 0.0042 km2: kept, it drains its neighbours.
    ASSERT_EQ(run.runDirections("dem.tif lake --sink-km2 0.004").exitStatus, 0);
    const std::vector<double> lakeCodes =
        testing::rasterValues((run.path() / "lake/dir.tif").string());
    EXPECT_EQ(lakeCodes[pit], 0.0);
    EXPECT_EQ(lakeCodes[pit - cols], 4.0);  // south, into the pit
    EXPECT_EQ(testing::rasterValues((run.path() / "lake/dem.tif").string())[pit], 50.0);
    EXPECT_NE(run.readFile("lake/conditioning.txt").find("sinks kept 1\n"), std::string::npos);

    // Breached, the pit keeps its 50 m and a channel is cut down to the
    // southern edge, one cell a row.
    const RunResult breached = run.runDirections("dem.tif cut --condition breach");
    ASSERT_EQ(breached.exitStatus, 0);
    EXPECT_NE(breached.console.find("Breached 1 depressions: 59 cells lowered, by at most "
                                    "108.000 m.\n"),
              std::string::npos)
        << breached.console;
    EXPECT_EQ(testing::rasterValues((run.path() / "cut/dem.tif").string())[pit], 50.0);
    EXPECT_NE(run.readFile("cut/conditioning.txt").find("condition breach\n"), std::string::npos);
}

// A river mapped down column 30 from row 5 to row 100, and the DEM's voids:
// the hole, enclosed, is filled; a gap on the grid's edge is not.
TEST(EndToEndDirections, VoidsFilledAndARiverBurnedIn) {
    RunDirectory run;
    TestRaster dem = exampleDem();
    for (std::size_t col = 0; col < 3; ++col) dem.values[col] = noData;
    testing::writeGeoTiff((run.path() / "dem.tif").string(), dem);
    const auto lon = [](double col) { return std::to_string(10.0 + (col + 0.5) / 1200); };
    const auto lat = [](double row) { return std::to_string(61.0 - (row + 0.5) / 1200); };
    run.writeFile("river.geojson",
                  "{\"type\": \"FeatureCollection\", \"features\": [{\"type\": \"Feature\", "
                  "\"properties\": {}, \"geometry\": {\"type\": \"LineString\", \"coordinates\": "
                  "[[" +
                      lon(30) + ", " + lat(5) + "], [" + lon(30) + ", " + lat(100) + "]]}}]}\n");
    const RunResult result = run.runDirections("dem.tif out --fill-voids --burn river.geojson");
    ASSERT_EQ(result.exitStatus, 0) << result.console;
    EXPECT_NE(result.console.find("Filled 9 cells of voids from their edges.\n"
                                  "Burned river.geojson into 96 cells, 10 m deep.\n"),
              std::string::npos)
        << result.console;
    const std::vector<double> codes = testing::rasterValues((run.path() / "out/dir.tif").string());
    const std::vector<double> filled = testing::rasterValues((run.path() / "out/dem.tif").string());
    for (std::size_t col = 0; col < 3; ++col) EXPECT_EQ(codes[col], 247.0) << col;
    EXPECT_NE(codes[91 * cols + 101], 247.0);
    EXPECT_GT(filled[91 * cols + 101], 100.0);
    EXPECT_EQ(filled[50 * cols + 30], 159.0);  // 169 m, burned 10 m
    EXPECT_EQ(codes[50 * cols + 30], 4.0);     // down the river
    EXPECT_EQ(codes[50 * cols + 29], 1.0);     // into it from the west
    EXPECT_NE(run.readFile("out/conditioning.txt")
                  .find("voids filled 9 cells\nsea level none\nburned river.geojson, 96 cells "
                        "lowered by 10 m\n"),
              std::string::npos);
}

TEST(EndToEndDirections, BadRequestsAreRefusedAndNothingIsReplaced) {
    RunDirectory run;
    testing::writeGeoTiff((run.path() / "dem.tif").string(), exampleDem());
    const std::string usage =
        "Usage: drainPrepDirections DEM OUTDIR [--condition fill|breach] [--sea-level H] "
        "[--sink-km2 A] [--fill-voids] [--burn LINES [--burn-depth M]]\n";
    std::filesystem::create_directory(run.path() / "mine");
    run.writeFile("mine/notes.txt", "field notes\n");
    const struct {
        std::string arguments;
        std::string console;
    } cases[] = {
        {"dem.tif mine",
         "mine holds files and no conditioning.txt: drainPrepDirections replaces only a folder "
         "it wrote. Give a new or empty folder.\n"},
        {"dem.tif dem.tif",
         "dem.tif is not a folder: OUTDIR must be a folder, new or written by "
         "drainPrepDirections.\n"},
        {"dem.tif out --breach", "Unknown option --breach. " + usage},
        {"dem.tif", usage},
        {"dem.tif out --sea-level 0m", "--sea-level takes a height in metres, not \"0m\".\n"},
        {"dem.tif out --sea-level 0 --sea-level 1", "--sea-level is given twice.\n"},
        {"dem.tif out --sink-km2 -1", "--sink-km2 takes an area in km2, 0 or more, not \"-1\".\n"},
        {"dem.tif out --burn-depth 5", "--burn-depth goes with --burn LINES. " + usage},
        {"dem.tif out --condition carve", "--condition takes fill or breach, not \"carve\".\n"},
    };
    for (const auto& c : cases) {
        const RunResult result = run.runDirections(c.arguments);
        EXPECT_EQ(result.exitStatus, 1) << c.arguments;
        EXPECT_EQ(result.console, c.console) << c.arguments;
    }
    const RunResult missing = run.runDirections("missing.tif out");
    EXPECT_EQ(missing.exitStatus, 1);
    EXPECT_EQ(missing.console.rfind("missing.tif cannot be opened as a raster: ", 0), 0u)
        << missing.console;
    EXPECT_EQ(run.readFile("mine/notes.txt"), "field notes\n");
    EXPECT_FALSE(run.exists("out"));
}

}  // namespace
}  // namespace drainPrep
