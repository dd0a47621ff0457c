// drainPrepReport on a finished run of the built drainPrep: the facts, the
// maps read back through libpng, the sidecars, and every bad input.
#include <gtest/gtest.h>
#include <gdal.h>
#include <ogr_srs_api.h>
#include <png.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>

#include "geometry/studyArea.hpp"
#include "text/decimalText.hpp"
#include "report/mapStyle.hpp"
#include "support/runDirectory.hpp"

namespace drainPrep::report {
namespace {

using drainPrep::testing::Raster;
using drainPrep::testing::RunDirectory;
using drainPrep::testing::RunResult;
using drainPrep::testing::SampleRows;

// 12 x 16 cells at 40N 100E: source row 2400, column 5400.
constexpr std::int32_t nrows = 12, ncols = 16, latNW = 40, lonNW = 100;
constexpr std::int16_t E = 1, S = 4, SW = 8, W = 16, N = 64;
constexpr std::int16_t sea = -9999;

// Land at 100 m with a peak of 300 m at [5][3]. A river basin of 57 cells
// drains down column 5 to its outlet at [10][5]: columns 2 to 4 flow east,
// 6 to 8 west, rows 2 to 9. Water enters it across the north edge at
// columns 5 and 6 and across the west edge at row 4. A sea of 3 x 3 cells at
// rows 2 to 4, columns 11 to 13, and one sea cell at [1][14] that meets the
// water entering at the north-east corner. Two cells without a flow
// direction at [6][13] and [7][13]; a small basin [8][11] to [8][14]; a
// loop [9][9] <-> [9][10] with [8][9] above it. Water entering at [11][12]
// ends at an outlet code. Every other cell has the source code 0.
void writeTerrain(const RunDirectory& run) {
    SampleRows dem(nrows, std::vector<std::int16_t>(ncols, 100));
    SampleRows dir(nrows, std::vector<std::int16_t>(ncols, 0));
    for (std::size_t row = 2; row <= 9; ++row) {
        for (std::size_t col = 2; col <= 8; ++col) dir[row][col] = col < 5 ? E : col == 5 ? S : W;
    }
    dem[5][3] = 300;
    for (std::size_t row = 2; row <= 4; ++row) {
        for (std::size_t col = 11; col <= 13; ++col) dem[row][col] = dir[row][col] = sea;
    }
    dem[1][14] = dir[1][14] = sea;
    for (std::size_t row : {std::size_t{6}, std::size_t{7}}) {
        dem[row][13] = 50;
        dir[row][13] = -9999;
    }
    for (std::size_t col = 11; col <= 13; ++col) dir[8][col] = E;
    dir[9][9] = E;
    dir[9][10] = W;
    dir[8][9] = S;
    // Across the edge: into the river basin, into the sea, to an outlet code,
    // and two codes that bring nothing in (outward, along the edge).
    dir[0][5] = dir[1][5] = S;
    dir[0][6] = S;
    dir[1][6] = SW;
    dir[4][0] = dir[4][1] = E;
    dir[0][15] = SW;
    dir[11][12] = N;
    dir[0][8] = N;
    dir[0][9] = E;
    run.writeSamples(Raster::dem, 2400, 5400, dem);
    run.writeSamples(Raster::directions, 2400, 5400, dir);
}

struct Picture {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> rgb;

    Rgb at(std::int32_t x, std::int32_t y) const {
        const std::size_t i = 3 * (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                   static_cast<std::size_t>(x));
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }
};

Picture readPng(const std::filesystem::path& path) {
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    Picture picture;
    if (png_image_begin_read_from_file(&png, path.c_str()) == 0) return picture;
    png.format = PNG_FORMAT_RGB;
    picture.rgb.resize(PNG_IMAGE_SIZE(png));
    if (png_image_finish_read(&png, nullptr, picture.rgb.data(), 0, nullptr) == 0) return picture;
    picture.width = static_cast<std::int32_t>(png.width);
    picture.height = static_cast<std::int32_t>(png.height);
    return picture;
}

std::string hex(Rgb colour) { return hexColour(colour); }

std::map<std::string, std::string> filesUnder(const RunDirectory& run, const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(run.path() / folder)) {
        if (!entry.is_regular_file()) continue;
        const std::string relative = std::filesystem::relative(entry.path(), run.path()).string();
        files[relative] = run.readFile(relative);
    }
    return files;
}

// One finished drainPrep run, shared by every test; each test that changes
// files works on a copy of its clipArea.dat and output/.
class ReportEndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        finished_ = std::make_unique<RunDirectory>();
        finished_->writeFile("clipArea.dat", "12 16 40 100");
        finished_->createSourceRasters();
        writeTerrain(*finished_);
        const RunResult result = finished_->run();
        ASSERT_EQ(result.exitStatus, 0) << result.console;
        for (const char* raster : {"input"})
            std::filesystem::remove_all(finished_->path() / raster);
    }
    static void TearDownTestSuite() { finished_.reset(); }

    void SetUp() override { testing::copyFinishedRun(*finished_, run); }

    std::string summary() const { return run.readFile("output/report/summary.json"); }

    static std::unique_ptr<RunDirectory> finished_;
    RunDirectory run;
};

std::unique_ptr<RunDirectory> ReportEndToEnd::finished_;

const std::string successConsole =
    "drainPrepReport: the run in .\n"
    "  Reading the grids: 10% 20% 30% 40% 50% 60% 70% 80% 90% 100%\n"
    "  Tracing the rivers.\n"
    "  Drawing the maps and writing the report.\n"
    "  Writing the .prj and .hdr files beside the grids.\n"
    "  Report: ./output/report/index.html\n";

TEST_F(ReportEndToEnd, CountsTheCellsOfTheArea) {
    const RunResult result = run.runReport();
    ASSERT_EQ(result.console, successConsole);
    ASSERT_EQ(result.exitStatus, 0);
    const std::string json = summary();
    std::int64_t removed = 0;
    for (std::int32_t size : testing::int32Elements(run.readFile("output/flowAcc.bin"))) {
        removed += size == -1;
    }
    for (const std::string& line :
         {std::string("\"rows\": 12,"), std::string("\"cols\": 16,"), std::string("\"latNW\": 40,"),
          std::string("\"lonNW\": 100,"), std::string("\"landCells\": 128,"),
          std::string("\"seaCells\": 10,"), std::string("\"noDataCells\": 2,"),
          std::string("\"frameRingCells\": 52,"), std::string("\"outlets\": 2,"),
          "\"removedOutlets\": " + std::to_string(removed) + ",", std::string("\"basins\": 2,"),
          std::string("\"loopCells\": 3,")}) {
        EXPECT_NE(json.find("\n  " + line + "\n"), std::string::npos) << line << "\n" << json;
    }
}

// The area of a basin: each cell by the run's cell lengths at its own row.
double basinKm2(const std::vector<std::pair<std::int32_t, std::int32_t>>& rowsAndCells) {
    double km2 = 0.0;
    for (const auto& [row, cells] : rowsAndCells) {
        for (std::int32_t i = 0; i < cells; ++i) {
            km2 += cellLengthNorthSouth * cellLengthEastWest(cellCentreLat(latNW, row)) / 1e6;
        }
    }
    return km2;
}

TEST_F(ReportEndToEnd, TablesTheBasinsLargestFirstAndListsEveryInflowPlace) {
    ASSERT_EQ(run.runReport().exitStatus, 0);
    std::vector<std::pair<std::int32_t, std::int32_t>> river;
    for (std::int32_t row = 2; row <= 9; ++row) river.push_back({row, 7});
    river.push_back({10, 1});
    const std::string largest =
        "  \"largestBasins\": [\n"
        "    {\"riverNum\": 2, \"row\": 10, \"col\": 5, \"lon\": 100.045833, \"lat\": 39.912500, "
        "\"cells\": 57, \"km2\": " +
        fixed(basinKm2(river), 3) +
        ", \"longestPath\": 11, \"complete\": false, \"outletKind\": \"edge\", "
        "\"continuesInto\": null, \"highestOrder\": 1, \"mainStemKm\": " +
        fixed(cellLengthNorthSouth / 1000.0, 3) +
        "},\n"
        "    {\"riverNum\": 1, \"row\": 8, \"col\": 14, \"lon\": 100.120833, \"lat\": 39.929167, "
        "\"cells\": 4, \"km2\": " +
        fixed(basinKm2({{8, 4}}), 3) +
        ", \"longestPath\": 3, \"complete\": true, \"outletKind\": \"edge\", "
        "\"continuesInto\": null, \"highestOrder\": 0, \"mainStemKm\": "
        "0.000}\n"
        "  ],\n";
    const std::string inflow =
        "  \"edgeInflow\": [\n"
        "    {\"edge\": \"north\", \"ring\": \"frame\", \"row\": 0, \"col\": 5, \"riverNum\": 2},\n"
        "    {\"edge\": \"north\", \"ring\": \"frame\", \"row\": 0, \"col\": 6, \"riverNum\": 2},\n"
        "    {\"edge\": \"north\", \"ring\": \"frame\", \"row\": 0, \"col\": 15, \"riverNum\": "
        "-1},\n"
        "    {\"edge\": \"north\", \"ring\": \"outlet\", \"row\": 1, \"col\": 5, \"riverNum\": "
        "2},\n"
        "    {\"edge\": \"north\", \"ring\": \"outlet\", \"row\": 1, \"col\": 6, \"riverNum\": "
        "2},\n"
        "    {\"edge\": \"west\", \"ring\": \"frame\", \"row\": 4, \"col\": 0, \"riverNum\": 2},\n"
        "    {\"edge\": \"west\", \"ring\": \"outlet\", \"row\": 4, \"col\": 1, \"riverNum\": 2},\n"
        "    {\"edge\": \"south\", \"ring\": \"frame\", \"row\": 11, \"col\": 12, \"riverNum\": "
        "-1}\n"
        "  ]\n}\n";
    const std::string json = summary();
    EXPECT_NE(json.find(largest + inflow), std::string::npos) << json;

    const std::string page = run.readFile("output/report/index.html");
    for (const char* text :
         {"Water enters the study area across its edge at 8 cells</strong>, feeding 1 basin.",
          "must grow to the <strong>north and west</strong>",
          "north edge, columns 5&ndash;6 (2 cells)<br>north edge, outlet ring, columns "
          "5&ndash;6 (2 cells)<br>west edge, row 4 (1 cell)<br>west edge, outlet ring, row 4 (1 "
          "cell)",
          "<code>drainPrepArea 39.9125 100.0458 --snap 0</code>",
          "north edge, column 15 (1 cell)</li><li>south edge, column 12 (1 cell)"}) {
        EXPECT_NE(page.find(text), std::string::npos) << text;
    }
    EXPECT_EQ(run.readFile("output/report/outlets.geojson"),
              "{\"type\": \"FeatureCollection\", \"features\": [\n"
              "{\"type\": \"Feature\", \"geometry\": {\"type\": \"Point\", \"coordinates\": "
              "[100.120833, 39.929167]}, \"properties\": {\"riverNum\": 1, \"row\": 8, \"col\": "
              "14, \"basinSize\": 4}},\n"
              "{\"type\": \"Feature\", \"geometry\": {\"type\": \"Point\", \"coordinates\": "
              "[100.045833, 39.912500]}, \"properties\": {\"riverNum\": 2, \"row\": 10, \"col\": "
              "5, \"basinSize\": 57}}\n"
              "]}\n");
}

TEST_F(ReportEndToEnd, MapsShowEachKindOfCellInItsColour) {
    ASSERT_EQ(run.runReport().exitStatus, 0);
    // A small area is drawn larger: 600 / 16 = 37 pixels a cell.
    constexpr std::int32_t side = 37;
    const auto map = [this](const char* file) {
        const Picture picture = readPng(run.path() / "output/report" / file);
        EXPECT_EQ(picture.width, ncols * side) << file;
        EXPECT_EQ(picture.height, nrows * side) << file;
        return picture;
    };
    const Picture basins = map("basins.png");
    const Picture sizes = map("flowAccumulation.png");
    const Picture distances = map("distance.png");
    const Picture elevations = map("elevation.png");
    ASSERT_EQ(basins.rgb.size(), 3u * nrows * ncols * side * side);
    struct Pixel {
        const char* what;
        const Picture& picture;
        std::int32_t row, col;
        Rgb colour;
    };
    const Pixel pixels[] = {
        {"frame ring", basins, 0, 0, frameColour},
        {"sea", basins, 3, 12, seaColour},
        {"no data", basins, 6, 13, noDataColour},
        {"loop", basins, 9, 9, loopColour},
        {"removed outlet", basins, 5, 9, removedOutletColour},
        {"river of 56 cells, order 1", basins, 9, 5, riverOrderColour(1)},

        {"largest basin size at the outlet", sizes, 10, 5, colourOnScale(basinSizeScale(), 1.0)},
        {"basin size 1", sizes, 2, 2, colourOnScale(basinSizeScale(), 0.0)},
        {"sea", sizes, 3, 12, seaColour},
        {"outlet at distance 0", distances, 10, 5, colourOnScale(distanceScale(), 0.0)},
        {"the longest path's head", distances, 2, 2, colourOnScale(distanceScale(), 1.0)},
        {"loop", distances, 9, 9, loopColour},
        {"sea", elevations, 3, 12, seaColour},
        // Flat 100 m between the lowest land (50 m) and the peak (300 m).
        {"flat land, unshaded", elevations, 9, 3, colourOnScale(elevationScale(), 50.0 / 250.0)},
    };
    const auto middle = [](std::int32_t cell) { return cell * side + side / 2; };
    for (const Pixel& p : pixels) {
        EXPECT_EQ(hex(p.picture.at(middle(p.col), middle(p.row))), hex(p.colour)) << p.what;
    }
    // The ring around the largest basin's outlet, three pixels from its middle.
    EXPECT_EQ(hex(basins.at(middle(5) - 3, middle(10))), hex(markerColour));
    const std::vector<Rgb>& palette = basinPalette();
    const Rgb basinCell = basins.at(middle(3), middle(3));
    EXPECT_NE(std::find(palette.begin(), palette.end(), basinCell), palette.end());
}

TEST_F(ReportEndToEnd, SidecarsGiveEveryGridItsPlaceAndLeaveDrainPrepsFilesAsTheyWere) {
    const std::map<std::string, std::string> before = filesUnder(run, "output");
    ASSERT_EQ(run.runReport().exitStatus, 0);
    const std::map<std::string, std::string> after = filesUnder(run, "output");
    for (const auto& [path, content] : before) EXPECT_EQ(after.at(path), content) << path;
    EXPECT_EQ(after.size(), before.size() + 7 + 4 + 8);

    const std::string prj =
        "GEOGCS[\"GCS_WGS_1984\",DATUM[\"D_WGS_1984\",SPHEROID[\"WGS_1984\",6378137.0,"
        "298.257223563]],PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433],"
        "AUTHORITY[\"EPSG\",4326]]";
    for (const char* grid :
         {"cutDem", "cutDir", "modDem", "distance", "flowDir", "flowAcc", "riverNum"}) {
        EXPECT_EQ(after.at(std::string("output/arcgis/") + grid + ".prj"), prj + "\n") << grid;
    }
    // The study area's corner, 40N 100E, and cells of 1/120 degree written
    // with every digit a double needs.
    EXPECT_EQ(after.at("output/flowAcc.hdr"),
              "ENVI\n"
              "description = {drainPrep flowAcc.bin}\n"
              "samples = 16\n"
              "lines = 12\n"
              "bands = 1\n"
              "header offset = 0\n"
              "file type = ENVI Standard\n"
              "data type = 3\n"
              "interleave = bsq\n"
              "byte order = 0\n"
              "map info = {Geographic Lat/Lon, 1, 1, 100, 40, 0.0083333333333333332, "
              "0.0083333333333333332, WGS-84, units=Degrees}\n"
              "coordinate system string = {" +
                  prj +
                  "}\n"
                  "data ignore value = -9999\n"
                  "band names = {basin size in cells}\n");
    EXPECT_NE(after.at("output/modDem.hdr").find("data type = 5\n"), std::string::npos);
}

// GDAL reads each .hdr as the study area's exact place: the whole-degree
// corner and cells of exactly 1/120 degree, where the ASCII headers' six
// digits would put the grid 4 m north of its corner.
TEST_F(ReportEndToEnd, GdalOpensTheBinaryGridsAtTheExactCorner) {
    ASSERT_EQ(run.runReport().exitStatus, 0);
    GDALAllRegister();
    for (const char* grid : {"flowAcc", "riverNum", "modDem", "flowDir"}) {
        SCOPED_TRACE(grid);
        const std::string path = (run.path() / "output" / (std::string(grid) + ".bin")).string();
        const GDALDatasetH dataset = GDALOpen(path.c_str(), GA_ReadOnly);
        ASSERT_NE(dataset, nullptr);
        EXPECT_STREQ(GDALGetDriverShortName(GDALGetDatasetDriver(dataset)), "ENVI");
        EXPECT_EQ(GDALGetRasterXSize(dataset), ncols);
        EXPECT_EQ(GDALGetRasterYSize(dataset), nrows);
        double transform[6] = {};
        ASSERT_EQ(GDALGetGeoTransform(dataset, transform), CE_None);
        EXPECT_EQ(transform[0], double{lonNW});
        EXPECT_EQ(transform[3], double{latNW});
        EXPECT_EQ(transform[1], 1.0 / 120);
        EXPECT_EQ(transform[5], -1.0 / 120);
        EXPECT_EQ(transform[2], 0.0);
        EXPECT_EQ(transform[4], 0.0);
        const OGRSpatialReferenceH system = GDALGetSpatialRef(dataset);
        ASSERT_NE(system, nullptr);
        EXPECT_STREQ(OSRGetAuthorityCode(system, nullptr), "4326");
        GDALClose(dataset);
    }
    // The river basin's outlet, 57 cells, read through GDAL at its place.
    const GDALDatasetH flowAcc = GDALOpen((run.path() / "output/flowAcc.bin").c_str(), GA_ReadOnly);
    ASSERT_NE(flowAcc, nullptr);
    std::int32_t basinSize = 0;
    EXPECT_EQ(GDALRasterIO(GDALGetRasterBand(flowAcc, 1), GF_Read, 5, 10, 1, 1, &basinSize, 1, 1,
                           GDT_Int32, 0, 0),
              CE_None);
    EXPECT_EQ(basinSize, 57);
    GDALClose(flowAcc);
}

// The report's sidecars describe the run it read. A second drainPrep run of
// another area in the same folder removes them with the grids they describe,
// so that no GIS opens the new grids at the old size; the next report writes
// them anew.
TEST(ReportSidecars, ASecondRunOfAnotherAreaLeavesNoSidecarOfTheFirst) {
    RunDirectory run;
    run.writeFile("clipArea.dat", "12 16 40 100");
    run.createSourceRasters();
    writeTerrain(run);
    ASSERT_EQ(run.run().exitStatus, 0);
    ASSERT_EQ(run.runReport().exitStatus, 0);
    run.writeFile("output/flowAcc.bin.aux.xml", "<PAMDataset/>");  // as gdalinfo -stats leaves it
    run.writeFile("clipArea.dat", "9 10 41 101");
    const RunResult second = run.run();
    ASSERT_EQ(second.exitStatus, 0) << second.console;
    EXPECT_EQ(second.console.find("Removing"), std::string::npos);
    std::vector<std::string> sidecars = {"output/flowAcc.bin.aux.xml"};
    for (const char* grid :
         {"cutDem", "cutDir", "modDem", "distance", "flowDir", "flowAcc", "riverNum"}) {
        sidecars.push_back(std::string("output/arcgis/") + grid + ".prj");
    }
    for (const char* grid : {"modDem", "flowDir", "flowAcc", "riverNum"}) {
        sidecars.push_back(std::string("output/") + grid + ".hdr");
    }
    for (const std::string& sidecar : sidecars) EXPECT_FALSE(run.exists(sidecar)) << sidecar;

    ASSERT_EQ(run.runReport().exitStatus, 0);
    GDALAllRegister();
    const GDALDatasetH flowAcc = GDALOpen((run.path() / "output/flowAcc.bin").c_str(), GA_ReadOnly);
    ASSERT_NE(flowAcc, nullptr);
    EXPECT_EQ(GDALGetRasterXSize(flowAcc), 10);
    EXPECT_EQ(GDALGetRasterYSize(flowAcc), 9);
    double transform[6] = {};
    EXPECT_EQ(GDALGetGeoTransform(flowAcc, transform), CE_None);
    EXPECT_EQ(transform[0], 101.0);
    EXPECT_EQ(transform[3], 41.0);
    GDALClose(flowAcc);
}

TEST_F(ReportEndToEnd, TakesTheRunFolderAsItsArgumentAndReplacesAnOlderReport) {
    RunDirectory elsewhere;
    const std::string folder = run.path().string();
    const RunResult first = elsewhere.runReport("'" + folder + "'");
    EXPECT_EQ(first.exitStatus, 0) << first.console;
    EXPECT_NE(first.console.find("  Report: " + folder + "/output/report/index.html\n"),
              std::string::npos);
    run.writeFile("output/report/stale.txt", "from an older report");
    ASSERT_EQ(run.runReport().exitStatus, 0);
    EXPECT_FALSE(run.exists("output/report/stale.txt"));
    EXPECT_TRUE(run.exists("output/report/index.html"));
    EXPECT_EQ(std::filesystem::status(run.path() / "output/report").permissions(),
              testing::newFolderPermissions());
    for (const auto& entry : std::filesystem::directory_iterator(run.path() / "output")) {
        EXPECT_EQ(entry.path().filename().string().rfind(".report", 0), std::string::npos);
    }
}

TEST_F(ReportEndToEnd, HelpAndUnknownOptions) {
    const RunResult help = run.runReport("--help");
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_EQ(help.console.rfind("Usage: drainPrepReport [--river-cells N] [--gauges FILE [--gauge-snap CELLS]] [FOLDER]\n", 0), 0u);
    const RunResult unknown = run.runReport("--colour");
    EXPECT_EQ(unknown.exitStatus, 1);
    EXPECT_EQ(unknown.console, help.console);
    EXPECT_EQ(run.runReport("a b").exitStatus, 1);
    EXPECT_FALSE(run.exists("output/report"));
}

// ---------------------------------------------------------------------------
// Bad inputs: one message naming the file, status 1, no report left behind,
// an older report kept.

std::string firstLines(const std::string& text, int lines) {
    std::size_t end = 0;
    for (int i = 0; i < lines; ++i) end = text.find('\n', end) + 1;
    return text.substr(0, end);
}

// Sets one element of an int32 binary grid of the run.
void setElement(const RunDirectory& run, const char* grid, std::int32_t row, std::int32_t col,
                std::int32_t value) {
    std::string bytes = run.readFile(grid);
    std::memcpy(&bytes[static_cast<std::size_t>(row * ncols + col) * 4], &value, 4);
    run.writeFile(grid, bytes);
}

// Puts `token` in place of the value of a cell of an ASCII grid (the first by default).
void replaceFirstValue(const RunDirectory& run, const char* grid, const std::string& token,
                       std::int32_t row = 0, std::int32_t col = 0) {
    std::string text = run.readFile(grid);
    std::size_t first = text.find_first_not_of(" \n", text.find("\n", text.find("NODATA_value")));
    for (std::int32_t i = 0; i < row * ncols + col; ++i) {
        first = text.find_first_not_of(" \n", text.find_first_of(" \n", first));
    }
    text.replace(first, text.find_first_of(" \n", first) - first, token);
    run.writeFile(grid, text);
}

struct BadInput {
    const char* what;
    void (*spoil)(const RunDirectory& run);
    const char* message;
};

const BadInput badInputs[] = {
    {"no clipArea.dat",
     [](const RunDirectory& run) { std::filesystem::remove(run.path() / "clipArea.dat"); },
     "clipArea.dat is missing: this folder holds no drainPrep run."},
    {"malformed clipArea.dat",
     [](const RunDirectory& run) { run.writeFile("clipArea.dat", "12 16 40"); },
     "clipArea.dat must hold four whole numbers: rows, columns, latitude and longitude."},
    {"an area outside the source grid",
     [](const RunDirectory& run) { run.writeFile("clipArea.dat", "12 16 70 100"); },
     "clipArea.dat: The study area lies outside the source grid."},
    {"no output folder",
     [](const RunDirectory& run) { std::filesystem::remove_all(run.path() / "output"); },
     "output/ is missing: run drainPrep in this folder first."},
    {"a product missing",
     [](const RunDirectory& run) { std::filesystem::remove(run.path() / "output/flowAcc.bin"); },
     "output/flowAcc.bin is missing: run drainPrep in this folder first, to its end."},
    {"the outlet list missing",
     [](const RunDirectory& run) {
         std::filesystem::remove(run.path() / "output/riverNumList.dat");
     },
     "output/riverNumList.dat is missing: run drainPrep in this folder first, to its end."},
    {"a record of a 3\" source on the centre lattice beside 30\" products",
     [](const RunDirectory& run) {
         run.writeFile("output/sourceRasters.txt",
                       "dem /data/dem.tif\ndir /data/dir.tif\nframe 1201 1201 48000 120000\n"
                       "outlets coast\nlattice 1200 centres\n");
     },
     "output/arcgis/cutDem.asc places its south-west corner at 39.9 N 100 E with cells of "
     "0.00833333 degrees, but clipArea.dat gives 39.99041667 N 99.99958333 E with cells of "
     "0.0008333333333 degrees."},
    {"sizes that disagree",
     [](const RunDirectory& run) { run.writeFile("clipArea.dat", "12 17 40 100"); },
     "output/arcgis/cutDem.asc holds 12 x 16 cells, but clipArea.dat describes 12 x 17 cells."},
    {"a corner that disagrees",
     [](const RunDirectory& run) { run.writeFile("clipArea.dat", "12 16 41 100"); },
     "output/arcgis/cutDem.asc places its south-west corner at 39.9 N 100 E with cells of "
     "0.00833333 degrees, but clipArea.dat gives 40.9 N 100 E with cells of 0.00833333 degrees."},
    {"a binary grid cut short",
     [](const RunDirectory& run) {
         std::filesystem::resize_file(run.path() / "output/riverNum.bin", 100);
     },
     "output/riverNum.bin has 100 bytes where the 12 x 16 cells of clipArea.dat need 768: the "
     "file is cut short."},
    {"a binary grid longer than the area",
     [](const RunDirectory& run) {
         std::filesystem::resize_file(run.path() / "output/flowAcc.bin", 772);
     },
     "output/flowAcc.bin has 772 bytes where the 12 x 16 cells of clipArea.dat need 768: the "
     "file is too long."},
    {"an ASCII grid cut short",
     [](const RunDirectory& run) {
         const std::string grid = run.readFile("output/arcgis/distance.asc");
         run.writeFile("output/arcgis/distance.asc", firstLines(grid, 9));
     },
     "output/arcgis/distance.asc ends after 3 of 12 rows: the file is cut short."},
    {"an ASCII grid without its header",
     [](const RunDirectory& run) { run.writeFile("output/arcgis/riverNum.asc", "1 2 3\n"); },
     "output/arcgis/riverNum.asc is not an ESRI ASCII grid as drainPrep writes it: its header "
     "lacks the line \"ncols <number>\"."},
    {"a value that is no whole number",
     [](const RunDirectory& run) {
         std::string grid = run.readFile("output/arcgis/cutDir.asc");
         grid.replace(grid.find("\n 0 ") + 2, 1, "x");
         run.writeFile("output/arcgis/cutDir.asc", grid);
     },
     "output/arcgis/cutDir.asc holds \"x\" in row 0, where a whole number belongs."},
    {"an outlet line of five numbers",
     [](const RunDirectory& run) {
         run.writeFile("output/riverNumList.dat", "1 9 15 360435 143685\n");
     },
     "output/riverNumList.dat, line 1: six whole numbers belong here (basin, row, column, "
     "longitude, latitude, basin size)."},
    {"outlets out of order",
     [](const RunDirectory& run) {
         run.writeFile("output/riverNumList.dat", "2 11 6 360165 143685 57\n");
     },
     "output/riverNumList.dat, line 1: basin number 2 where 1 is due."},
    {"an outlet with another cell's coordinates",
     [](const RunDirectory& run) {
         run.writeFile("output/riverNumList.dat", "1 9 15 360435 143715 4\n");
     },
     "output/riverNumList.dat, line 1: the coordinates are not those of the cell's centre in the "
     "study area of clipArea.dat."},
    {"a basin the outlet list lacks",
     [](const RunDirectory& run) {
         run.writeFile("output/riverNumList.dat", "1 9 15 360435 143745 4\n");
     },
     "output/riverNum.bin holds basin number 2 at row 2, column 2, but output/riverNumList.dat "
     "lists basins 1 to 1."},
    // Where the water entering at the north edge joins the river: the value
    // would index the outlet list.
    {"the frame ring's value inside the area",
     [](const RunDirectory& run) { setElement(run, "output/riverNum.bin", 2, 5, -9999); },
     "output/riverNum.bin holds basin number -9999 at row 2, column 5, but "
     "output/riverNumList.dat lists basins 1 to 2."},
    {"basin number 0",
     [](const RunDirectory& run) { setElement(run, "output/riverNum.bin", 3, 3, 0); },
     "output/riverNum.bin holds basin number 0 at row 3, column 3, but output/riverNumList.dat "
     "lists basins 1 to 2."},
    {"a basin number on the frame ring",
     [](const RunDirectory& run) { setElement(run, "output/riverNum.bin", 11, 0, 2); },
     "output/riverNum.bin holds 2 at row 11, column 0, on the frame ring, where drainPrep writes "
     "-9999."},
    {"a value of a million digits",
     [](const RunDirectory& run) {
         replaceFirstValue(run, "output/arcgis/cutDem.asc", std::string(1000000, '7'));
     },
     "output/arcgis/cutDem.asc holds a value of more than 100 characters in row 0: it is no grid "
     "as drainPrep writes it."},
    {"a header value of a million digits",
     [](const RunDirectory& run) {
         std::string grid = run.readFile("output/arcgis/distance.asc");
         grid.insert(grid.find("xllcorner") + 10, std::string(1000000, '1'));
         run.writeFile("output/arcgis/distance.asc", grid);
     },
     "output/arcgis/distance.asc holds a value of more than 100 characters in its header: it is "
     "no grid as drainPrep writes it."},
    {"two signs",
     [](const RunDirectory& run) { replaceFirstValue(run, "output/arcgis/cutDir.asc", "+-5"); },
     "output/arcgis/cutDir.asc holds \"+-5\" in row 0, where a whole number belongs."},
    {"an outlet line of a million characters",
     [](const RunDirectory& run) {
         run.writeFile("output/riverNumList.dat",
                       "1 9 15 360435 143745 4" + std::string(1000000, ' ') + "\n");
     },
     "output/riverNumList.dat, line 1: more than 200 characters."},
    {"a fraction of a column",
     [](const RunDirectory& run) {
         std::string grid = run.readFile("output/arcgis/cutDem.asc");
         grid.replace(grid.find("ncols 16\n"), 9, "ncols 16.5\n");
         run.writeFile("output/arcgis/cutDem.asc", grid);
     },
     "output/arcgis/cutDem.asc gives no whole numbers of rows and columns in its header."},
    {"an outlet of basin size 0",
     [](const RunDirectory& run) {
         run.writeFile("output/riverNumList.dat", "1 9 15 360435 143745 0\n");
     },
     "output/riverNumList.dat, line 1: a basin size below 1."},
    {"an outlet one row past the area",
     [](const RunDirectory& run) {
         run.writeFile("output/riverNumList.dat", "1 13 15 360435 143625 4\n");
     },
     "output/riverNumList.dat, line 1: row 13, column 15 lie outside the 12 x 16 cells of "
     "clipArea.dat."},
    {"an outlet line of seven numbers",
     [](const RunDirectory& run) {
         run.writeFile("output/riverNumList.dat", "1 9 15 360435 143745 4 7\n");
     },
     "output/riverNumList.dat, line 1: six whole numbers belong here (basin, row, column, "
     "longitude, latitude, basin size)."},
    {"a damaged record of the sources",
     [](const RunDirectory& run) {
         run.writeFile("output/sourceRasters.txt", "dem /data/dem.tif\nframe 8400\n");
     },
     "output/sourceRasters.txt is not the record of a drainPrep run: run drainPrep in this "
     "folder again."},
    {"a frame line without the corner",
     [](const RunDirectory& run) {
         run.writeFile("output/sourceRasters.txt",
                       "dem /data/dem.tif\ndir /data/dir.tif\nframe 10 12\noutlets coast\n");
     },
     "output/sourceRasters.txt is not the record of a drainPrep run: run drainPrep in this "
     "folder again."},
    {"a frame of no cells",
     [](const RunDirectory& run) {
         run.writeFile("output/sourceRasters.txt",
                       "dem /data/dem.tif\ndir /data/dir.tif\nframe 0 0 0 0\noutlets coast\n");
     },
     "output/sourceRasters.txt is not the record of a drainPrep run: run drainPrep in this "
     "folder again."},
    // [4][5] drains south into [5][5], now turned north.
    {"a loop among basin cells",
     [](const RunDirectory& run) { setElement(run, "output/flowDir.bin", 5, 5, 1); },
     "output/flowDir.bin: row 5, column 5 (basin 2) drains into row 4, column 5, 6 steps from "
     "the outlet in output/arcgis/distance.asc where 4 belong: the flow directions go round in a "
     "loop or are not those of this run."},
    {"a basin cell draining out of its basin",
     [](const RunDirectory& run) { setElement(run, "output/flowDir.bin", 9, 8, 3); },
     "output/flowDir.bin: row 9, column 8 (basin 2) drains into row 9, column 9 (no basin in "
     "output/riverNum.bin): the grids are not those of one drainPrep run."},
    {"a code no run writes",
     [](const RunDirectory& run) { setElement(run, "output/flowDir.bin", 5, 5, 9); },
     "output/flowDir.bin holds the code 9 at row 5, column 5, where drainPrep writes -1 to 8."},
    {"a distance that is no number",
     [](const RunDirectory& run) { replaceFirstValue(run, "output/arcgis/distance.asc", "nan"); },
     "output/arcgis/distance.asc holds \"nan\" in row 0, where a whole number belongs."},
    // [9][10], on the loop, turned east into a removed outlet.
    {"a cell draining into one without flow data",
     [](const RunDirectory& run) { setElement(run, "output/flowDir.bin", 9, 10, 3); },
     "output/flowDir.bin: row 9, column 10 (no basin) drains into row 9, column 11, a cell "
     "without flow data: the grids are not those of one drainPrep run."},
    // What a run that failed after its previews, or in stage 4, leaves.
    {"the preview of a run that failed",
     [](const RunDirectory& run) { replaceFirstValue(run, "output/arcgis/cutDir.asc", "255"); },
     "output/arcgis/cutDir.asc holds 255 at row 0, column 0, a code drainPrep cannot decode: it "
     "is the preview of a run that failed; run drainPrep in this folder again."},
    {"previews of another run",
     [](const RunDirectory& run) {
         replaceFirstValue(run, "output/arcgis/cutDir.asc", std::to_string(N), 4, 3);
     },
     "output/flowDir.bin holds the code 3 at row 4, column 3, but output/arcgis/cutDir.asc holds "
     "the source code 64 there: the files are not those of one drainPrep run; run drainPrep in "
     "this folder again."},
    // A run that fails in stage 4 after its first product, with the previews
    // of the run before it put back.
    {"a DEM product of another run",
     [](const RunDirectory& run) {
         std::string bytes = run.readFile("output/modDem.bin");
         const double elevation = 123.0;
         std::memcpy(&bytes[static_cast<std::size_t>(5 * ncols + 5) * 8], &elevation, 8);
         run.writeFile("output/modDem.bin", bytes);
     },
     "output/modDem.bin holds 123 at row 5, column 5, but output/arcgis/cutDem.asc holds 100 "
     "there: the files are not those of one drainPrep run; run drainPrep in this folder again."},
    {"an outlet list of another run",
     [](const RunDirectory& run) { setElement(run, "output/flowAcc.bin", 8, 14, 5); },
     "output/riverNumList.dat, line 1: row 8, column 14 is no outlet of basin 1 with 4 cells in "
     "output/flowDir.bin, output/riverNum.bin and output/flowAcc.bin: the files are not those of "
     "one drainPrep run; run drainPrep in this folder again."},
    {"an outlet listed twice",
     [](const RunDirectory& run) {
         run.writeFile("output/riverNumList.dat",
                       "1 9 15 360435 143745 4\n2 9 15 360435 143745 4\n");
     },
     "output/riverNumList.dat, line 2: the outlet does not follow the one before it in "
     "row-major order."},
};

// Both companions read a run through the same checks.
TEST_F(ReportEndToEnd, EveryBadInputIsNamedByBothCompanionsAndLeavesNothingBehind) {
    for (const BadInput& bad : badInputs) {
        SCOPED_TRACE(bad.what);
        RunDirectory broken;
        std::filesystem::copy(run.path(), broken.path(),
                              std::filesystem::copy_options::recursive |
                                  std::filesystem::copy_options::overwrite_existing);
        bad.spoil(broken);
        const std::string line = std::string(bad.message) + "\n";
        for (const RunResult& result : {broken.runReport(), broken.runUpscale("--factor 2")}) {
            EXPECT_EQ(result.exitStatus, 1);
            EXPECT_TRUE(result.console.size() >= line.size() &&
                        result.console.compare(result.console.size() - line.size(), line.size(),
                                               line) == 0)
                << result.console;
        }
        EXPECT_FALSE(broken.exists("output/report"));
        EXPECT_FALSE(broken.exists("output/model-2"));
        if (!broken.exists("output")) continue;
        for (const auto& entry : std::filesystem::directory_iterator(broken.path() / "output")) {
            EXPECT_EQ(entry.path().filename().string().rfind(".report", 0), std::string::npos);
        }
    }
}

// A 9 x 10 area at 40N 100E, flat land whose cells are sinks (source code 0)
// but for two basins of four cells each: [3][3] <- [3][4] <- [3][5] <- [2][5]
// and [5][3] <- [5][4] <- [5][5] <- [6][5]. The cell of the outlet ring above
// the first, [1][5], flows south into it; no frame cell points inward.
class ReportOfTwinBasins : public ::testing::Test {
protected:
    void SetUp() override {
        run.writeFile("clipArea.dat", "9 10 40 100");
        run.createSourceRasters();
        SampleRows dem(9, std::vector<std::int16_t>(10, 100));
        SampleRows dir(9, std::vector<std::int16_t>(10, 0));
        dir[3][4] = dir[3][5] = dir[5][4] = dir[5][5] = W;
        dir[1][5] = dir[2][5] = S;
        dir[6][5] = N;
        run.writeSamples(Raster::dem, 2400, 5400, dem);
        run.writeSamples(Raster::directions, 2400, 5400, dir);
        ASSERT_EQ(run.run().exitStatus, 0);
        ASSERT_EQ(run.runReport().exitStatus, 0);
    }

    std::string summary() const { return run.readFile("output/report/summary.json"); }

    RunDirectory run;
};

// 10 x 14 cells at 40N 100E draining north, with a strip of no data in
// row 3 (columns 3 to 9) and a cell of no data at [5][9]. Row 4 flows east
// along the strip, to the outlet ring; [6][5] is a sink. Under the coast
// rule every neighbour of a marked cell becomes an outlet: row 4 is cut
// into basins that flow on east, [6][8] and [6][10] flow on into cells that
// belong to no basin, and [6][9] drains into the no-data cell. [7][2] lies
// below sea level. [2][2] and [2][1] flow west, out across the west edge
// under the d8 rule; under the coast rule [2][2], beside the strip, ends.
void writeCutRivers(const RunDirectory& run) {
    SampleRows dem(10, std::vector<std::int16_t>(14, 100));
    SampleRows dir(10, std::vector<std::int16_t>(14, N));
    for (std::size_t col = 2; col <= 11; ++col) dir[4][col] = E;
    for (std::size_t col = 3; col <= 9; ++col) dem[3][col] = dir[3][col] = sea;
    dem[5][9] = dir[5][9] = sea;
    dir[6][5] = 0;
    dir[2][1] = dir[2][2] = W;
    dem[7][2] = -3;  // land below sea level
    run.writeFile("clipArea.dat", "10 14 40 100");
    run.createSourceRasters();
    run.writeSamples(Raster::dem, 2400, 5400, dem);
    run.writeSamples(Raster::directions, 2400, 5400, dir);
}

// The basin entry of summary.json whose outlet is at the row and column.
std::string entryAt(const std::string& json, std::int32_t row, std::int32_t col) {
    const std::size_t at =
        json.find("\"row\": " + std::to_string(row) + ", \"col\": " + std::to_string(col) + ",");
    if (at == std::string::npos) return "";
    return json.substr(at, json.find('}', at) - at);
}

TEST(ReportOutletKinds, EveryBasinSaysWhereItsWaterGoesAndACutBasinIsNeverComplete) {
    RunDirectory run;
    writeCutRivers(run);
    ASSERT_EQ(run.run().exitStatus, 0);
    ASSERT_EQ(run.runReport().exitStatus, 0);
    const std::string json = run.readFile("output/report/summary.json");
    const std::vector<std::int32_t> riverNum =
        testing::int32Elements(run.readFile("output/riverNum.bin"));
    const auto basinOf = [&riverNum](std::int32_t row, std::int32_t col) {
        return std::to_string(riverNum[static_cast<std::size_t>(row * 14 + col)]);
    };
    EXPECT_NE(entryAt(json, 4, 3)
                  .find("\"complete\": false, \"outletKind\": \"cut\", "
                        "\"continuesInto\": " +
                        basinOf(4, 4) + ","),
              std::string::npos)
        << json;
    EXPECT_NE(entryAt(json, 4, 12).find("\"outletKind\": \"edge\", \"continuesInto\": null,"),
              std::string::npos);
    EXPECT_NE(entryAt(json, 6, 5).find("\"outletKind\": \"sink\", \"continuesInto\": null,"),
              std::string::npos);
    EXPECT_NE(entryAt(json, 6, 9).find("\"outletKind\": \"coast\", \"continuesInto\": null,"),
              std::string::npos);
    EXPECT_NE(json.find("\n  \"seaCells\": 9,\n"), std::string::npos);
    EXPECT_NE(entryAt(json, 6, 8)
                  .find("\"complete\": false, \"outletKind\": \"cut\", "
                        "\"continuesInto\": null,"),
              std::string::npos);
    const std::string page = run.readFile("output/report/index.html");
    for (const char* text :
         {"of the largest basins are cut</strong>", "<code>drainPrep --outlets d8</code>",
          "basin " /* numbers vary with the row-major order */, "into row 4, column 4",
          "<strong>cut</strong>: flows on into row 5, column 8, no basin"}) {
        EXPECT_NE(page.find(text), std::string::npos) << text;
    }

    // The flow directions decide: no basin is cut, the row runs whole to the edge.
    ASSERT_EQ(run.runWithArguments("--outlets d8").exitStatus, 0);
    ASSERT_EQ(run.runReport().exitStatus, 0);
    const std::string d8 = run.readFile("output/report/summary.json");
    EXPECT_EQ(d8.find("\"cut\""), std::string::npos) << d8;
    EXPECT_NE(d8.find("\n  \"seaCells\": 8,\n"), std::string::npos);
    EXPECT_NE(entryAt(d8, 4, 12).find("\"cells\": 36,"), std::string::npos) << d8;
    EXPECT_NE(entryAt(d8, 2, 1).find("\"complete\": true, \"outletKind\": \"edge\","),
              std::string::npos)
        << d8;
    EXPECT_EQ(run.readFile("output/report/index.html").find("are cut</strong>"), std::string::npos);
}

TEST_F(ReportOfTwinBasins, AnOutletRingCellPointingInwardMakesTheBasinBelowIncomplete) {
    const std::string json = summary();
    EXPECT_NE(json.find("  \"edgeInflow\": [\n"
                        "    {\"edge\": \"north\", \"ring\": \"outlet\", \"row\": 1, \"col\": 5, "
                        "\"riverNum\": 1}\n  ]\n"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"riverNum\": 1, \"row\": 3, \"col\": 3, "), std::string::npos) << json;
    EXPECT_NE(json.find("\"cells\": 4, \"km2\": "), std::string::npos) << json;
    const std::string page = run.readFile("output/report/index.html");
    EXPECT_EQ(page.find("No water enters"), std::string::npos);
    for (const char* text :
         {"Water enters the study area across its edge at 1 cell</strong>, feeding 1 basin.",
          "north edge, outlet ring, column 5 (1 cell)",
          "<td><strong>no</strong>: water enters across the north edge</td>"}) {
        EXPECT_NE(page.find(text), std::string::npos) << text;
    }
}

TEST_F(ReportOfTwinBasins, BasinsOfEqualSizeComeInTheOrderOfTheirNumbers) {
    const std::string json = summary();
    const std::size_t first = json.find("{\"riverNum\": 1, ");
    const std::size_t second = json.find("{\"riverNum\": 2, ");
    ASSERT_NE(first, std::string::npos) << json;
    ASSERT_NE(second, std::string::npos) << json;
    EXPECT_LT(json.find("\"largestBasins\""), first);
    EXPECT_LT(first, second);
    EXPECT_NE(json.find("\"cells\": 4, \"km2\": ", second), std::string::npos) << json;
    // The table: rank, then basin number.
    const std::string page = run.readFile("output/report/index.html");
    const std::size_t rankOne = page.find(R"(<tr><td class="num">1</td><td class="num">1</td>)");
    const std::size_t rankTwo = page.find(R"(<tr><td class="num">2</td><td class="num">2</td>)");
    EXPECT_NE(rankOne, std::string::npos);
    EXPECT_NE(rankTwo, std::string::npos);
}

TEST_F(ReportEndToEnd, AFailedReportKeepsTheOlderOne) {
    ASSERT_EQ(run.runReport().exitStatus, 0);
    const std::string page = run.readFile("output/report/index.html");
    std::filesystem::resize_file(run.path() / "output/flowDir.bin", 10);
    EXPECT_EQ(run.runReport().exitStatus, 1);
    EXPECT_EQ(run.readFile("output/report/index.html"), page);
}

}  // namespace
}  // namespace drainPrep::report
