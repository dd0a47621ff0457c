// drainPrepUpscale on a finished run of the built drainPrep: the run's own
// grid at factor 1, partial model cells at the edges, model.nc, ldd.map and
// the binary grids read back through GDAL, and every bad input.
#include <gtest/gtest.h>
#include <gdal.h>
#include <ogr_srs_api.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <sstream>

#include "analysis/directionCodes.hpp"
#include "geometry/studyArea.hpp"
#include "support/gdalRasters.hpp"
#include "support/runDirectory.hpp"

namespace drainPrep {
namespace {

using testing::Raster;
using testing::RunDirectory;
using testing::RunResult;
using testing::SampleRows;

// 20 x 25 cells at 40N 100E, source row 2400 and column 5400: columns west
// of 12 flow east, column 12 south, column 13 north-west, the others west;
// sea at rows 12 to 19, columns 0 to 5. The valley's sides are steeper on odd
// rows, so that a slope taken from another row shows.
constexpr std::int32_t nrows = 20, ncols = 25;

// The elevations, or the source's D8 codes.
SampleRows terrain(bool directions) {
    SampleRows samples(nrows, std::vector<std::int16_t>(ncols));
    for (std::int32_t row = 0; row < nrows; ++row) {
        for (std::int32_t col = 0; col < ncols; ++col) {
            const bool sea = row >= 12 && col <= 5;
            const std::int32_t side = (6 + row % 2) * std::abs(col - 12);
            const std::int32_t code = col < 12 ? 1 : col == 12 ? 4 : col == 13 ? 32 : 16;
            const std::int32_t value = directions ? code : 200 - 5 * row + side;
            samples[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)] =
                static_cast<std::int16_t>(sea ? -9999 : value);
        }
    }
    return samples;
}

void writeTerrain(const RunDirectory& run) {
    run.writeSamples(Raster::dem, 2400, 5400, terrain(false));
    run.writeSamples(Raster::directions, 2400, 5400, terrain(true));
}

// The same cells as GeoTIFFs of 3" cells from 40N 100E on the lattice.
void writeThreeSecondTerrain(const RunDirectory& run, const CellLattice& lattice) {
    const double cell = cellDegrees(lattice), shift = originShiftCells(lattice) * cell;
    for (const bool directions : {false, true}) {
        testing::TestRaster raster{nrows, ncols, {100 - shift, cell, 0, 40 + shift, 0, -cell}};
        for (const auto& row : terrain(directions)) {
            raster.values.insert(raster.values.end(), row.begin(), row.end());
        }
        testing::writeGeoTiff((run.path() / (directions ? "dir.tif" : "dem.tif")).string(), raster);
    }
}

std::vector<double> asciiValues(const std::string& text) {
    std::istringstream lines(text);
    std::string line;
    for (int header = 0; header < 6; ++header) std::getline(lines, line);
    std::vector<double> values;
    for (double value = 0; lines >> value;) values.push_back(value);
    return values;
}

struct GdalGrid {
    double transform[6] = {};
    std::string authority;
    std::vector<double> values;
};

GdalGrid readThroughGdal(const std::string& name) {
    GDALAllRegister();
    GdalGrid grid;
    const std::unique_ptr<void, void (*)(void*)> dataset(
        GDALOpen(name.c_str(), GA_ReadOnly), [](void* opened) { if (opened) GDALClose(opened); });
    if (!dataset) return grid;
    GDALGetGeoTransform(dataset.get(), grid.transform);
    if (OGRSpatialReferenceH reference = GDALGetSpatialRef(dataset.get())) {
        const char* code = OSRGetAuthorityCode(reference, nullptr);
        grid.authority = code != nullptr ? code : "";
    }
    const int cols = GDALGetRasterXSize(dataset.get()), rows = GDALGetRasterYSize(dataset.get());
    grid.values.resize(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols));
    if (GDALRasterIO(GDALGetRasterBand(dataset.get(), 1), GF_Read, 0, 0, cols, rows,
                     grid.values.data(), cols, rows, GDT_Float64, 0, 0) != CE_None) {
        grid.values.clear();
    }
    return grid;
}

void expectPlaced(const GdalGrid& grid, double cellDeg) {
    const double expected[6] = {100.0, cellDeg, 0.0, 40.0, 0.0, -cellDeg};
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(grid.transform[i], expected[i], 1e-12) << i;
    EXPECT_EQ(grid.authority, "4326");
}

class UpscaleEndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        finished_ = std::make_unique<RunDirectory>();
        finished_->writeFile("clipArea.dat", "20 25 40 100");
        finished_->createSourceRasters();
        writeTerrain(*finished_);
        const RunResult result = finished_->run();
        ASSERT_EQ(result.exitStatus, 0) << result.console;
        std::filesystem::remove_all(finished_->path() / "input");
    }
    static void TearDownTestSuite() { finished_.reset(); }

    void SetUp() override { testing::copyFinishedRun(*finished_, run); }

    // Whatever the companion left in output/ besides the run's own files.
    std::vector<std::string> modelFolders() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(run.path() / "output")) {
            const std::string name = entry.path().filename().string();
            if (name.find("model-") != std::string::npos) names.push_back(name);
        }
        return names;
    }

    static std::unique_ptr<RunDirectory> finished_;
    RunDirectory run;
};

std::unique_ptr<RunDirectory> UpscaleEndToEnd::finished_;

TEST_F(UpscaleEndToEnd, FactorOneGivesTheRunsOwnGrid) {
    const RunResult result = run.runUpscale("--factor 1");
    ASSERT_EQ(result.exitStatus, 0) << result.console;
    EXPECT_EQ(result.console.substr(0, result.console.find('\n')),
              "drainPrepUpscale: the run in ., factor 1 (30 arc-seconds)");
    EXPECT_EQ(run.readFile("output/model-1/flowDir.bin"), run.readFile("output/flowDir.bin"));
    const auto dirs = testing::int32Elements(run.readFile("output/flowDir.bin"));
    const auto sizes = testing::int32Elements(run.readFile("output/flowAcc.bin"));
    const auto basins = testing::int32Elements(run.readFile("output/riverNum.bin"));
    const auto flowAcc = testing::int32Elements(run.readFile("output/model-1/flowAcc.bin"));
    const auto basin = testing::int32Elements(run.readFile("output/model-1/basin.bin"));
    // Each river runs one step, to the next cell: its slope is modDem's drop
    // over that step, at least 1e-5.
    const auto elevations = asciiValues(run.readFile("output/arcgis/modDem.asc"));
    const auto lengths = asciiValues(run.readFile("output/model-1/riverLength.asc"));
    const auto slopes = asciiValues(run.readFile("output/model-1/riverSlope.asc"));
    for (std::size_t cell = 0; cell < dirs.size(); ++cell) {
        if (dirs[cell] < 0) continue;
        EXPECT_EQ(flowAcc[cell], sizes[cell]) << cell;
        EXPECT_EQ(basin[cell], basins[cell]) << cell;
        if (dirs[cell] == 0) continue;
        const Direction& step = flowDirections[dirs[cell] - 1];
        const auto down = static_cast<std::size_t>(static_cast<std::int32_t>(cell) +
                                                   step.rowOffset * ncols + step.colOffset);
        const double drop = elevations[cell] - elevations[down];
        EXPECT_FLOAT_EQ(static_cast<float>(slopes[cell]),
                        static_cast<float>(std::max(1e-5, drop / (lengths[cell] * 1000))))
            << cell;
    }
    // model.nc holds the codes of flowDir.asc, ldd.map PCRaster's keypad.
    const std::string folder = (run.path() / "output/model-1/").string();
    const GdalGrid netCdf = readThroughGdal("NETCDF:\"" + folder + "model.nc\":flowDir");
    const GdalGrid ldd = readThroughGdal(folder + "ldd.map");
    expectPlaced(netCdf, 1.0 / 120);
    expectPlaced(ldd, 1.0 / 120);
    const std::int32_t keypad[] = {5, 8, 9, 6, 3, 2, 1, 4, 7};
    ASSERT_EQ(netCdf.values.size(), dirs.size());
    ASSERT_EQ(ldd.values.size(), dirs.size());
    for (std::size_t cell = 0; cell < dirs.size(); ++cell) {
        EXPECT_EQ(netCdf.values[cell], encodeDirection(std::max(dirs[cell], noFlowCode))) << cell;
        EXPECT_EQ(ldd.values[cell], dirs[cell] < 0 ? 255 : keypad[dirs[cell]]) << cell;
    }
}

// 6 x 7 cells of sinks (source code 0) at 40N 100E but for a loop
// [2][2] <-> [2][3] with [3][2] draining into it, and [3][4] draining east
// into the outlet ring: the run's one basin. At factor 1 the loop stays,
// in no basin, and without an upstream area.
TEST(UpscaleLoops, FactorOneKeepsTheRunsLoops) {
    RunDirectory run;
    run.writeFile("clipArea.dat", "6 7 40 100");
    run.createSourceRasters();
    SampleRows dir(6, std::vector<std::int16_t>(7, 0));
    dir[2][2] = 1;   // E
    dir[2][3] = 16;  // W
    dir[3][2] = 64;  // N
    dir[3][4] = 1;
    run.writeSamples(Raster::dem, 2400, 5400, SampleRows(6, std::vector<std::int16_t>(7, 100)));
    run.writeSamples(Raster::directions, 2400, 5400, dir);
    ASSERT_EQ(run.run().exitStatus, 0);
    ASSERT_EQ(run.runUpscale("--factor 1").exitStatus, 0);
    EXPECT_EQ(run.readFile("output/model-1/flowDir.bin"), run.readFile("output/flowDir.bin"));
    const auto riverNum = testing::int32Elements(run.readFile("output/riverNum.bin"));
    const auto basin = testing::int32Elements(run.readFile("output/model-1/basin.bin"));
    for (std::size_t cell = 0; cell < basin.size(); ++cell) {
        EXPECT_EQ(basin[cell], riverNum[cell] >= 1 ? riverNum[cell] : -9999) << cell;
    }
    EXPECT_EQ(std::count(riverNum.begin(), riverNum.end(), 1), 2);
    const auto flowAcc = testing::int32Elements(run.readFile("output/model-1/flowAcc.bin"));
    const auto upArea = asciiValues(run.readFile("output/model-1/upArea.asc"));
    for (const std::size_t loopCell : {std::size_t{2 * 7 + 2}, std::size_t{2 * 7 + 3}}) {
        EXPECT_EQ(flowAcc[loopCell], -9999);
        EXPECT_EQ(upArea[loopCell], -9999);
    }
    EXPECT_EQ(flowAcc[3 * 7 + 2], 1);
}

TEST_F(UpscaleEndToEnd, PartialModelCellsAtTheEdges) {
    const RunResult result = run.runUpscale("--factor 6");
    ASSERT_EQ(result.exitStatus, 0) << result.console;
    // The share of wrong connections is of the 12 model cells with flow data:
    // neither sea nor the run's rings count.
    EXPECT_NE(result.console.find("\n  12 model cells with flow data; 0 connections repaired; 0 "
                                  "connections wrong (0.00 %).\n"),
              std::string::npos)
        << result.console;
    // 20 rows make 4 model rows, the last of 2 rows; 25 columns 5 model
    // columns, the last of 1. The south edge lies 4 x 6 rows south.
    const std::string header =
        "ncols 5\nnrows 4\nxllcorner 100\nyllcorner 39.8\ncellsize 0.05\nNODATA_value -9999\n";
    for (const char* layer : {"flowDir", "outletRow", "outletCol", "upArea", "flowAcc",
                              "riverLength", "riverSlope", "landFraction", "streamOrder",
                              "basin"}) {
        const std::string name = std::string("output/model-6/") + layer;
        EXPECT_EQ(run.readFile(name + ".asc").substr(0, header.size()), header) << layer;
        EXPECT_EQ(run.readFile(name + ".bin").size(), 4U * 4 * 5) << layer;  // 4 bytes a cell
        EXPECT_TRUE(run.exists(name + ".prj") && run.exists(name + ".hdr")) << layer;
        if (std::string(layer) == "flowDir") continue;  // its .asc holds other codes
        // GDAL reads the .bin through its .hdr as the same values as the .asc.
        const auto text = asciiValues(run.readFile(name + ".asc"));
        const auto binary = readThroughGdal((run.path() / (name + ".bin")).string()).values;
        ASSERT_EQ(binary.size(), text.size()) << layer;
        for (std::size_t cell = 0; cell < text.size(); ++cell) {
            EXPECT_EQ(static_cast<float>(binary[cell]), static_cast<float>(text[cell])) << layer;
        }
    }
    // Model cell [2][0] is sea: no flow data and no land; [3][4] holds the
    // run's frame ring only.
    const auto flowDir = testing::int32Elements(run.readFile("output/model-6/flowDir.bin"));
    EXPECT_EQ(flowDir[2 * 5], noFlowCode);
    EXPECT_EQ(flowDir[3 * 5 + 4], -9999);
    const auto landFraction = asciiValues(run.readFile("output/model-6/landFraction.asc"));
    ASSERT_EQ(landFraction.size(), 20U);
    EXPECT_EQ(landFraction[2 * 5], 0.0);
    const std::string folder = (run.path() / "output/model-6/").string();
    const GdalGrid netCdf = readThroughGdal("NETCDF:\"" + folder + "model.nc\":upArea");
    expectPlaced(netCdf, 0.05);
    expectPlaced(readThroughGdal(folder + "ldd.map"), 0.05);
    EXPECT_EQ(netCdf.values.size(), 20U);
}

TEST_F(UpscaleEndToEnd, ReplacesAnOlderFolderWhole) {
    run.writeFile("output/model-10/stale.txt", "old");
    ASSERT_EQ(run.runUpscale("--factor 10").exitStatus, 0);
    EXPECT_FALSE(run.exists("output/model-10/stale.txt"));
    EXPECT_TRUE(run.exists("output/model-10/model.nc"));
    EXPECT_EQ(std::filesystem::status(run.path() / "output/model-10").permissions(),
              testing::newFolderPermissions());
    EXPECT_EQ(modelFolders(), std::vector<std::string>{"model-10"});
}

// The run's cells as 3" cells: the model network of factor 10 is the 30"
// run's, upArea about a hundredth and riverLength a tenth of its; the model
// cells are 30" ones, on the centre lattice half a 3" cell north-west of the
// degree. A factor that divides 120 but not 1200 is refused.
TEST_F(UpscaleEndToEnd, ThreeSecondCellsGiveTheModelNetworkOfTheirThirtySecondTwin) {
    const RunResult twin = run.runUpscale("--factor 10");
    for (const LatticeOrigin origin :
         {LatticeOrigin::edgesOnDegrees, LatticeOrigin::centresOnDegrees}) {
        const CellLattice lattice{1200, origin};
        RunDirectory fine;
        fine.writeFile("clipArea.dat", "20 25 40 100");
        writeThreeSecondTerrain(fine, lattice);
        ASSERT_EQ(fine.runWithArguments("--dem dem.tif --dir dir.tif").exitStatus, 0);
        const RunResult seven = fine.runUpscale("--factor 7");
        EXPECT_EQ(seven.console,
                  "--factor takes a whole number that divides 1200, the run's cells per degree of "
                  "3 arc-seconds (1, 2, 3, 4, 5, 6, 8, 10, 12, 15, 16, 20, 24, 25, 30, 40, 48, 50, "
                  "60, 75, 80, 100, 120, 150, 200, 240, 300, 400, 600, 1200), not \"7\".\n");
        EXPECT_EQ(seven.exitStatus, 1);
        const RunResult result = fine.runUpscale("--factor 10");
        EXPECT_EQ(result.console, "drainPrepUpscale: the run in ., factor 10 (30 arc-seconds)" +
                                      twin.console.substr(twin.console.find('\n')));
        EXPECT_FALSE(fine.exists("output/model-7"));
        const std::string folder = (fine.path() / "output/model-10/").string();
        for (const char* layer : {"flowDir.bin", "outletRow.bin", "outletCol.bin", "basin.bin"}) {
            EXPECT_EQ(fine.readFile(std::string("output/model-10/") + layer),
                      run.readFile(std::string("output/model-10/") + layer));
        }
        for (const auto& [layer, share] :
             {std::pair{"upArea.asc", 0.01}, std::pair{"riverLength.asc", 0.1}}) {
            const auto expected =
                asciiValues(run.readFile(std::string("output/model-10/") + layer));
            const auto values = asciiValues(fine.readFile(std::string("output/model-10/") + layer));
            for (std::size_t cell = 0; cell < values.size(); ++cell) {
                const double near = expected[cell] == -9999 ? -9999 : expected[cell] * share;
                EXPECT_NEAR(values[cell], near, std::abs(near) * 5e-3) << layer;
            }
        }
        const double cell = 1.0 / 120, shift = originShiftCells(lattice) / 1200;
        for (const std::string& name : {folder + "flowDir.asc", folder + "upArea.bin",
                                        "NETCDF:\"" + folder + "model.nc\":basin"}) {
            const double expected[6] = {100 - shift, cell, 0.0, 40 + shift, 0.0, -cell};
            const GdalGrid grid = readThroughGdal(name);
            for (int i = 0; i < 6; ++i)
                EXPECT_NEAR(grid.transform[i], expected[i], cell * 1e-3) << name;
        }
    }
}

TEST_F(UpscaleEndToEnd, BadInputSaysSoAndWritesNothing) {
    const std::string notDividing =
        "--factor takes a whole number that divides 120 (1, 2, 3, 4, 5, 6, 8, 10, 12, 15, 20, "
        "24, 30, 40, 60, 120), not \"7\".\n";
    const RunResult seven = run.runUpscale("--factor 7");
    EXPECT_EQ(seven.console, notDividing);
    EXPECT_EQ(seven.exitStatus, 1);
    EXPECT_EQ(run.runUpscale("").exitStatus, 1);
    EXPECT_EQ(run.runUpscale("--factor 10 --factor 20").console, "--factor is given twice.\n");

    // Damaged files: ReportEndToEnd's table of bad inputs, which both companions refuse.
    run.writeFile("output/flowDir.bin", run.readFile("output/flowDir.bin").substr(0, 40));
    EXPECT_EQ(run.runUpscale("--factor 5").exitStatus, 1);
    EXPECT_TRUE(modelFolders().empty());

    RunDirectory empty;
    const RunResult none = empty.runUpscale("--factor 5");
    EXPECT_EQ(none.exitStatus, 1);
    EXPECT_NE(none.console.find("clipArea.dat is missing"), std::string::npos) << none.console;
    EXPECT_FALSE(empty.exists("output/model-5"));
}

}  // namespace
}  // namespace drainPrep
