// Sources other than the fixed pair, read through GDAL: the frame they give,
// what is refused and why, the values as they reach the run, and whole runs
// of the built tool with --dem/--dir that must equal the default run's bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <limits>
#include <random>
#include <sstream>

#include "area/areaChoice.hpp"
#include "driver/runArguments.hpp"
#include "geometry/sourceFrame.hpp"
#include "raster/gdalLibrary.hpp"
#include "raster/gdalSource.hpp"
#include "support/gdalRasters.hpp"
#include "support/runDirectory.hpp"
#include "support/sourceCodes.hpp"

namespace drainPrep {
namespace {

using testing::latticeRaster;
using testing::Raster;
using testing::RunDirectory;
using testing::RunResult;
using testing::TestRaster;
using testing::writeGeoTiff;

// Latitude and longitude in grads, 400 to the circle.
const char* const gradsSystem =
    "GEOGCS[\"WGS 84 in grads\",DATUM[\"WGS_1984\",SPHEROID[\"WGS 84\",6378137,298.257223563]],"
    "PRIMEM[\"Greenwich\",0],UNIT[\"grad\",0.015707963267948967]]";

// 30 x 45 cells whose north-west corner is 9.975 S 20.025 W.
constexpr SourceFrame southWestFrame{30, 45, -1197, -2403};

const char* const productFiles[] = {
    "output/arcgis/cutDem.asc",  "output/arcgis/cutDir.asc",   "output/modDem.bin",
    "output/arcgis/modDem.asc",  "output/arcgis/distance.asc", "output/flowDir.bin",
    "output/arcgis/flowDir.asc", "output/flowAcc.bin",         "output/arcgis/flowAcc.asc",
    "output/riverNum.bin",       "output/arcgis/riverNum.asc", "output/riverNumList.dat"};

std::size_t filesIn(const std::filesystem::path& folder) {
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        count += entry.is_regular_file() ? 1u : 0u;
    }
    return count;
}

// The console without its progress texts, which name the rows read.
std::string withoutProgress(std::string console) {
    for (std::size_t start; (start = console.find("  reading ")) != std::string::npos;) {
        console.erase(start, console.find('\r', start) + 1 - start);
    }
    return console;
}

// ---------------------------------------------------------------------------
// The frame

TEST(SourceFrame, OffsetsInTheFixedFrameAreThoseOfItsOwnArithmetic) {
    for (std::int32_t lat = -12; lat <= 62; ++lat) {
        for (std::int32_t lon = 53; lon <= 182; ++lon) {
            const StudyArea area{120, 120, lat, lon};
            ASSERT_EQ(liesInsideFrame(area, fixedSourceFrame),
                      lat <= 60 && lat >= -9 && lon >= 55 && lon <= 179)
                << lat << " " << lon;
            if (!liesInsideFrame(area, fixedSourceFrame)) continue;
            const ClipOffsets exact = offsetsInFrame(area, fixedSourceFrame);
            const ClipOffsets fixed = clipOffsets(area);
            ASSERT_EQ(exact.rowOffset, fixed.rowOffset) << lat;
            ASSERT_EQ(exact.colOffset, fixed.colOffset) << lon;
        }
    }
}

TEST(SourceFrame, SouthernAndWesternFramesPlaceAreasInWholeCells) {
    const ClipOffsets offsets = offsetsInFrame({5, 7, -10, -20}, southWestFrame);
    EXPECT_EQ(offsets.rowOffset, 3);
    EXPECT_EQ(offsets.colOffset, 3);
    EXPECT_TRUE(liesInsideFrame({27, 42, -10, -20}, southWestFrame));
    EXPECT_FALSE(liesInsideFrame({28, 1, -10, -20}, southWestFrame));
    EXPECT_FALSE(liesInsideFrame({1, 43, -10, -20}, southWestFrame));
    EXPECT_FALSE(liesInsideFrame({1, 1, -9, -20}, southWestFrame));
    EXPECT_FALSE(liesInsideFrame({1, 1, -10, -21}, southWestFrame));
    // A source row's centre is that of the study area's row on it.
    EXPECT_EQ(rowCentreLat(fixedSourceFrame, 0), cellCentreLat(60, 0));
    EXPECT_EQ(rowCentreLat(fixedSourceFrame, 8399), cellCentreLat(-9, 119));
    EXPECT_EQ(rowCentreLat(southWestFrame, 4), cellCentreLat(-10, 1));
    EXPECT_EQ(extentText(fixedSourceFrame), "60 N to 10 S, 55 E to 180 E");
    EXPECT_EQ(extentText(southWestFrame), "9.975 S to 10.225 S, 20.025 W to 19.65 W");
}

// The corner of the chosen area stays on whole degrees and inside the frame.
TEST(SourceFrame, AreaChoiceKeepsItsCornerInsideAFrameOffWholeDegrees) {
    const CellExtent basin{5, 9, 6, 8};  // rows 5 to 9, columns 6 to 8
    const AreaChoice held = smallestAreaHolding(basin, southWestFrame);
    EXPECT_EQ(held.area.latNW, -10);
    EXPECT_EQ(held.area.lonNW, -20);
    EXPECT_EQ(held.area.nrows, 9);  // rows 3 to 11 of the frame
    EXPECT_EQ(held.area.ncols, 8);  // columns 3 to 10
    EXPECT_TRUE(held.holdsBasin);
    // With the north edge at 9.91667 S, no whole degree lies north of row 3.
    const SourceFrame shifted{30, 45, -1190, -2403};
    const AreaChoice cut = smallestAreaHolding(basin, shifted);
    EXPECT_EQ(cut.area.latNW, -10);
    EXPECT_EQ(cut.area.nrows, 2);  // rows 10 and 11
    EXPECT_FALSE(cut.holdsBasin);
    // With the west edge at 19.96667 W, no whole degree lies west of column 3.
    const SourceFrame shiftedEast{30, 45, -1197, -2396};
    const AreaChoice cutWest = smallestAreaHolding(basin, shiftedEast);
    EXPECT_EQ(cutWest.area.lonNW, -19);
    EXPECT_EQ(cutWest.area.ncols, 0);  // column 116 on, east of the frame
    EXPECT_FALSE(cutWest.holdsBasin);
    EXPECT_EQ(sourceCellAt(-9.976, -20.024, southWestFrame), (SourceCell{0, 0}));
    EXPECT_EQ(sourceCellAt(-9.974, -20.024, southWestFrame), std::nullopt);
    EXPECT_EQ(sourceCellAt(-10.224, -19.651, southWestFrame), (SourceCell{29, 44}));
}

// ---------------------------------------------------------------------------
// Values

TEST(GdalSource, ValuesBecomeSixteenBitSamples) {
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    // -3.4e38 as an ESRI .hdr declares it, and as a Float32 band stores it.
    const double headerNoData = -3.4e38;
    const double storedNoData = static_cast<float>(headerNoData);
    struct Case {
        double value;
        ValueRule rule;
        std::optional<std::int32_t> sample;
    };
    const ValueRule none;
    const ValueRule decimetres{true, -32768, 0.1, 0, false};
    const ValueRule directions{true, 255, 1, 0, true};
    const Case cases[] = {
        {247, {true, 247}, -9999},
        {247, none, 247},
        {-3e38, {true, -3e38}, -9999},
        {storedNoData, {true, noDataAsStored(headerNoData, "Float32")}, -9999},
        {storedNoData, {true, noDataAsStored(headerNoData, "Float64")}, std::nullopt},
        {nan, none, -9999},
        {nan, {true, nan}, -9999},
        {2.5, none, 3},
        {-2.5, none, -3},
        {2.49, none, 2},
        {-0.4, none, 0},
        {32767.49, none, 32767},
        {32767.5, none, std::nullopt},
        {-32768.49, none, -32768},
        {-32768.5, none, std::nullopt},
        {40000, {true, 0}, std::nullopt},
        {std::numeric_limits<double>::infinity(), none, std::nullopt},
        // Decimetres: the NoData compares as stored, the rest is scaled first.
        {12345, decimetres, 1235},
        {-32768, decimetres, -9999},
        {40000, {false, 0, 0.5, -100}, 19900},
        {3, {false, 0, 1, 1000}, 1003},
        // Direction codes: whole numbers only.
        {128, directions, 128},
        {255, directions, -9999},
        {2.0000001, directions, std::nullopt},
        {-0.5, directions, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(sampleOfValue(c.value, c.rule), c.sample) << c.value;
    }
}

// ---------------------------------------------------------------------------
// Arguments

TEST(RunArguments, BothSourcesInEitherOrderOrNeither) {
    struct Case {
        std::vector<std::string> arguments;
        std::optional<std::string> failure;
        std::optional<std::string> dem;
        OutletRule outlets = OutletRule::coast;
    };
    const std::string usage = runUsageText;
    const Case cases[] = {
        {{}, std::nullopt, std::nullopt},
        {{"--dem", "a.tif", "--dir", "b.tif"}, std::nullopt, "a.tif"},
        {{"--dir", "b.tif", "--dem", "/data/a.tif"}, std::nullopt, "/data/a.tif"},
        {{"--outlets", "d8"}, std::nullopt, std::nullopt, OutletRule::d8},
        {{"--dem", "a.tif", "--outlets", "coast", "--dir", "b.tif"}, std::nullopt, "a.tif"},
        {{"--outlets", "D8"}, "--outlets takes coast or d8, not \"D8\".", std::nullopt},
        {{"--outlets", ""}, "--outlets takes coast or d8, not \"\".", std::nullopt},
        {{"--outlets"}, "--outlets needs a value. " + usage, std::nullopt},
        {{"--outlets", "d8", "--outlets", "d8"}, "--outlets is given twice.", std::nullopt},
        {{"--outlets=d8"}, "Unknown option --outlets=d8. " + usage, std::nullopt},
        {{"--dem", "a.tif"},
         "--dem and --dir go together: the DEM and the flow directions of the same cells. --dir "
         "is missing.",
         std::nullopt},
        {{"--dir", "b.tif"},
         "--dem and --dir go together: the DEM and the flow directions of the same cells. --dem "
         "is missing.",
         std::nullopt},
        {{"--dem"}, "--dem needs a value. " + usage, std::nullopt},
        {{"--input", "x"}, "Unknown option --input. " + usage, std::nullopt},
        {{"a.tif"}, "Unknown option a.tif. " + usage, std::nullopt},
        {{"--dem", "a", "--dem", "b", "--dir", "c"}, "--dem is given twice.", std::nullopt},
        {{"--dem", "", "--dir", "c"}, "--dem needs a path, not an empty text.", std::nullopt},
    };
    for (const Case& c : cases) {
        RunOptions options;
        EXPECT_EQ(parseRunArguments(c.arguments, options), c.failure) << c.arguments.size();
        EXPECT_EQ(options.sources ? std::optional<std::string>(options.sources->dem) : std::nullopt,
                  c.dem);
        if (!c.failure) {
            EXPECT_EQ(options.outlets, c.outlets) << c.arguments.size();
        }
    }
}

// ---------------------------------------------------------------------------
// What is refused, named by file

class GdalRefusals : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return (run.path() / name).string(); }

    // The DEM and the directions as given; both of the south-western frame
    // by default.
    std::optional<std::string> openWith(const TestRaster& dem,
                                        const TestRaster& dir = latticeRaster(30, 45, -1197, -2403,
                                                                              "Byte")) const {
        writeGeoTiff(path("dem.tif"), dem);
        writeGeoTiff(path("dir.tif"), dir);
        GdalSourcePair pair;
        return openGdalSources({path("dem.tif"), path("dir.tif")}, pair);
    }

    RunDirectory run;
};

TEST_F(GdalRefusals, EachGeoreferenceThatChangesTheProductsMeaningIsNamed) {
    const TestRaster good = latticeRaster(30, 45, -1197, -2403);
    const std::string dem = path("dem.tif");
    const std::string dir = path("dir.tif");
    const std::string notNorthUp =
        " is rotated or not north up: drainPrep needs rows from north to south and columns from "
        "west to east.";
    const std::string otherCells =
        " (30 x 45 cells, 9.975 S to 10.225 S, 20.025 W to 19.65 W) does not cover the cells of ";
    const std::string identical =
        ": the DEM and the flow directions must be of identical size and georeference.";
    const std::string squareCells =
        ": drainPrep needs square cells that divide a degree, 1/n degree for a whole n from 12 (5 "
        "arc-minutes) to 3600 (1 arc-second), such as 3, 15 or 30 arc-seconds.";
    const std::string offLattices =
        ", off both lattices of cells of 30 arc-seconds (cell edges or cell centres on whole "
        "degrees): its cells are not the cells of a study area.";
    enum class Changed { theDem, theDirections, both };
    struct Case {
        const char* what;
        void (*change)(TestRaster&);
        std::optional<std::string> failure;
        Changed changed = Changed::theDem;
    };
    const Case cases[] = {
        {"good", [](TestRaster&) {}, std::nullopt},
        {"projected", [](TestRaster& r) { r.coordinateSystem = "EPSG:32633"; },
         dem + " is in a projected coordinate system: drainPrep needs latitude and longitude, in "
               "which its 30\" cells and D8 directions are defined."},
        {"no coordinate system", [](TestRaster& r) { r.coordinateSystem.clear(); },
         dem + " declares no coordinate system: drainPrep needs latitude and longitude. If that "
               "is what it holds, declare it, for example with gdal_translate -a_srs EPSG:4326."},
        {"rotated", [](TestRaster& r) { r.transform[2] = 1e-5; },
         dem + " is rotated or not north up: drainPrep needs rows from north to south and "
               "columns from west to east."},
        {"sheared", [](TestRaster& r) { r.transform[4] = 1e-5; }, dem + notNorthUp},
        // A GeoTIFF would store it as EPSG:4326; ESRI's .prj keeps the unit.
        {"grads",
         [](TestRaster& r) {
             r.coordinateSystem = gradsSystem;
             r.format = "EHdr";
         },
         dem + " gives its coordinates in an angular unit other than degrees."},
        {"Ferro", [](TestRaster& r) { r.coordinateSystem = "EPSG:4805"; },
         dem + " counts its longitudes from the prime meridian of Ferro, 17.66667 W of "
               "Greenwich: drainPrep needs longitudes from Greenwich."},
        {"Tokyo datum", [](TestRaster& r) { r.coordinateSystem = "EPSG:4301"; },
         dem + " is on the datum Tokyo: drainPrep needs latitude and longitude on WGS 84, which "
               "its products declare (NAD83 and ETRS89, within a few metres of it, are taken as "
               "it). Warp it to WGS 84 on 30\" cells, for example with gdalwarp -t_srs EPSG:4326 "
               "-tr 0.0083333333333333332 0.0083333333333333332 -tap."},
        {"WGS 72", [](TestRaster& r) { r.coordinateSystem = "EPSG:4322"; },
         dem + " is on the datum World Geodetic System 1972: drainPrep needs latitude and "
               "longitude on WGS 84, which its products declare (NAD83 and ETRS89, within a few "
               "metres of it, are taken as it). Warp it to WGS 84 on 30\" cells, for example "
               "with gdalwarp -t_srs EPSG:4326 -tr 0.0083333333333333332 0.0083333333333333332 "
               "-tap."},
        {"WGS 84 (G1762)", [](TestRaster& r) { r.coordinateSystem = "EPSG:9057"; }, std::nullopt},
        {"NAD83", [](TestRaster& r) { r.coordinateSystem = "EPSG:4269"; }, std::nullopt},
        {"NAD83(CSRS)", [](TestRaster& r) { r.coordinateSystem = "EPSG:4617"; }, std::nullopt},
        {"ETRS89", [](TestRaster& r) { r.coordinateSystem = "EPSG:4258"; }, std::nullopt},
        {"ETRF2000", [](TestRaster& r) { r.coordinateSystem = "EPSG:9067"; }, std::nullopt},
        {"past the antimeridian", [](TestRaster& r) { r.transform[0] = 21588.0 / 120; },
         dem + " covers 9.975 S to 10.225 S, 179.9 E to 180.275 E, past the globe's 90 N, 90 S, "
               "180 W or 180 E: drainPrep places no cell beyond them. Cut it to the globe, for "
               "example with gdal_translate -projwin."},
        {"past the south pole", [](TestRaster& r) { r.transform[3] = -89.9; },
         dem + " covers 89.9 S to 90.15 S, 20.025 W to 19.65 W, past the globe's 90 N, 90 S, "
               "180 W or 180 E: drainPrep places no cell beyond them. Cut it to the globe, for "
               "example with gdal_translate -projwin."},
        {"south up", [](TestRaster& r) { r.transform[5] = 1.0 / 120; },
         dem + " is rotated or not north up: drainPrep needs rows from north to south and "
               "columns from west to east."},
        {"3 arc-seconds",
         [](TestRaster& r) {
             r.transform[1] = 1.0 / 1200;
             r.transform[5] = -1.0 / 1200;
         },
         dir + " has cells of 30 arc-seconds, " + dem +
             " cells of 3 arc-seconds: the DEM and the flow directions must have cells of one "
             "size."},
        {"30\" columns, 3\" rows", [](TestRaster& r) { r.transform[5] = -1.0 / 1200; },
         dem + " has cells of 0.00833333 x 0.000833333 degrees" + squareCells},
        {"cell size off by 2e-6 of a cell", [](TestRaster& r) { r.transform[1] *= 1 + 2e-6; },
         dem + " has cells of 0.00833335 x 0.00833333 degrees" + squareCells},
        {"7 arc-seconds, which divide no degree",
         [](TestRaster& r) { r.transform[1] = -(r.transform[5] = -7.0 / 3600); },
         dem + " has cells of 0.00194444 x 0.00194444 degrees" + squareCells},
        {"10 arc-minutes",
         [](TestRaster& r) { r.transform[1] = -(r.transform[5] = -1.0 / 6); },
         dem + " has cells of 0.166667 x 0.166667 degrees (1/6 degree): drainPrep takes cells "
               "from 5 arc-minutes (1/12 degree) down to 1 arc-second (1/3600 degree)."},
        {"half a second",
         [](TestRaster& r) { r.transform[1] = -(r.transform[5] = -1.0 / 7200); },
         dem + " has cells of 0.000138889 x 0.000138889 degrees (1/7200 degree): drainPrep "
               "takes cells from 5 arc-minutes (1/12 degree) down to 1 arc-second (1/3600 "
               "degree)."},
        {"both on 15\"",
         [](TestRaster& r) { r.transform[1] = -(r.transform[5] = -1.0 / 240); },
         std::nullopt, Changed::both},
        {"both on the centre lattice",
         [](TestRaster& r) {
             r.transform[0] -= 0.5 / 120;
             r.transform[3] += 0.5 / 120;
         },
         std::nullopt, Changed::both},
        {"the DEM on the centre lattice",
         [](TestRaster& r) {
             r.transform[0] -= 0.5 / 120;
             r.transform[3] += 0.5 / 120;
         },
         dir + otherCells + dem +
             " (30 x 45 cells, 9.970833 S to 10.22083 S, 20.02917 W to 19.65417 W)" + identical},
        {"cell size off by 5e-7 of a cell", [](TestRaster& r) { r.transform[5] *= 1 + 5e-7; },
         std::nullopt},
        {"corner off the lattice", [](TestRaster& r) { r.transform[0] += 0.3 / 120; },
         dem + " has its north-west corner at 9.975 S 20.0225 W" + offLattices},
        {"north edge off the lattice", [](TestRaster& r) { r.transform[3] += 0.3 / 120; },
         dem + " has its north-west corner at 9.9725 S 20.025 W" + offLattices},
        {"3\" cells 0.3 cell off both lattices",
         [](TestRaster& r) {
             r.transform[0] = -20.0 + 0.3 / 1200;
             r.transform[3] = -10.0 - 0.3 / 1200;
             r.transform[1] = -(r.transform[5] = -1.0 / 1200);
         },
         dem + " has its north-west corner at 10.00025 S 19.99975 W, off both lattices of cells of "
               "3 arc-seconds (cell edges or cell centres on whole degrees): its cells are not "
               "the cells of a study area.",
         Changed::both},
        {"corner within a two-thousandth of a cell",
         [](TestRaster& r) { r.transform[3] -= 0.0005 / 120; }, std::nullopt},
        // Rounded to the nearest line, not truncated toward zero.
        {"north edge a two-thousandth of a cell north",
         [](TestRaster& r) { r.transform[3] += 0.0005 / 120; }, std::nullopt},
        {"west edge a two-thousandth of a cell east",
         [](TestRaster& r) { r.transform[0] += 0.0005 / 120; }, std::nullopt},
        {"same size, a row further north", [](TestRaster& r) { r.transform[3] += 1.0 / 120; },
         dir + otherCells + dem +
             " (30 x 45 cells, 9.966667 S to 10.21667 S, 20.025 W to 19.65 W)" + identical},
        {"decimetres", [](TestRaster& r) { r.scale = 0.1; }, std::nullopt},
        {"scale 0",
         [](TestRaster& r) {
             r.scale = 0;
             r.offset = 5;
         },
         dem + " declares a scale of 0 for its values: every elevation would be 5 m, whatever "
               "the band holds. Declare the scale its values are stored in, for example with "
               "gdal_translate -a_scale 1."},
        {"directions with a scale", [](TestRaster& r) { r.scale = 0.1; },
         dir + " declares a scale of 0.1 and an offset of 0 for its values: the codes of a D8 "
               "flow-direction grid are taken as stored, which these would change.",
         Changed::theDirections},
        {"directions with an offset", [](TestRaster& r) { r.offset = -1; },
         dir + " declares a scale of 1 and an offset of -1 for its values: the codes of a D8 "
               "flow-direction grid are taken as stored, which these would change.",
         Changed::theDirections},
        {"complex values", [](TestRaster& r) { r.type = "CInt16"; },
         dem + " holds CInt16 values: drainPrep reads integers and floating-point numbers."},
        {"other size", [](TestRaster& r) { r.cols = 46; },
         path("dir.tif") +
             " (30 x 45 cells, 9.975 S to 10.225 S, 20.025 W to 19.65 W) does not "
             "cover the cells of " +
             dem +
             " (30 x 46 cells, 9.975 S to 10.225 S, 20.025 W to 19.64167 W): the DEM and the flow "
             "directions must be of identical size and georeference."},
    };
    for (const Case& c : cases) {
        TestRaster demRaster = good;
        TestRaster dirRaster = latticeRaster(30, 45, -1197, -2403, "Byte");
        if (c.changed != Changed::theDirections) c.change(demRaster);
        if (c.changed != Changed::theDem) c.change(dirRaster);
        EXPECT_EQ(openWith(demRaster, dirRaster), c.failure) << c.what;
    }
}

// GDAL's own reason follows the file's name.
TEST_F(GdalRefusals, FilesGdalCannotOpenAreNamed) {
    run.writeFile("notARaster.tif", "plain text");
    for (const auto& [name, reason] :
         {std::pair<std::string, std::string>("missing.tif", "No such file or directory"),
          {"notARaster.tif", "not recognized as"}}) {
        GdalSourcePair pair;
        const std::optional<std::string> failure =
            openGdalSources({path(name), path("missing.tif")}, pair);
        ASSERT_TRUE(failure.has_value());
        EXPECT_EQ(failure->rfind(path(name) + " cannot be opened as a raster: ", 0), 0u)
            << *failure;
        EXPECT_NE(failure->find(reason), std::string::npos) << *failure;
    }
}

// ---------------------------------------------------------------------------
// Whole runs

// A source of 10 x 12 cells with its north-west corner at 9.975 S 20.025 W,
// and a study area of 5 x 7 cells at 10 S 20 W, three rows and three columns
// inside it. Elevations (float) fall 10 m a row from 100.5 m, which rounds to
// 101 m; every direction is south. The area's [0][0] is the DEM's NoData and
// its [0][1] the directions' (247). Outside the window a value far beyond
// 16 bits that a run must never read.
class SouthWesternRun : public ::testing::Test {
protected:
    void SetUp() override {
        TestRaster dem = latticeRaster(10, 12, -1197, -2403, "Float32");
        TestRaster dir = latticeRaster(10, 12, -1197, -2403, "Byte");
        dem.noData = -3e38;
        dir.noData = 247;
        for (std::int32_t row = 0; row < 10; ++row) {
            for (std::int32_t col = 0; col < 12; ++col) {
                dem.values.push_back(100.5 - 10 * (row - 3));
                dir.values.push_back(4);
            }
        }
        dem.values[0] = 1e9;
        dem.values[3 * 12 + 3] = -3e38;
        dir.values[3 * 12 + 4] = 247;
        writeGeoTiff((run.path() / "dem.tif").string(), dem);
        writeGeoTiff((run.path() / "dir.tif").string(), dir);
        run.writeFile("clipArea.dat", "5 7 -10 -20");
    }

    RunDirectory run;
};

TEST_F(SouthWesternRun, CellsAndCentresOfANegativeCornerAsTheArithmeticGives) {
    const RunResult result = run.runWithArguments("--dir dir.tif --dem dem.tif");
    ASSERT_EQ(result.exitStatus, 0) << result.console;
    EXPECT_NE(result.console.find("2) Reading topography data.\n  reading 3/10th row data.\r"
                                  "  Writing ./output/arcgis/cutDem.asc done.\n"),
              std::string::npos);
    const std::string header =
        "ncols 7\nnrows 5\nxllcorner -20\nyllcorner -10.0417\ncellsize 0.00833333\n"
        "NODATA_value -9999\n";
    EXPECT_EQ(run.readFile("output/arcgis/cutDem.asc"),
              header +
                  " -9999 101 101 101 101 101 101\n 91 91 91 91 91 91 91\n"
                  " 81 81 81 81 81 81 81\n 71 71 71 71 71 71 71\n 61 61 61 61 61 61 61\n");
    EXPECT_EQ(run.readFile("output/arcgis/cutDir.asc"),
              header +
                  " 4 -9999 4 4 4 4 4\n 4 4 4 4 4 4 4\n 4 4 4 4 4 4 4\n"
                  " 4 4 4 4 4 4 4\n 4 4 4 4 4 4 4\n");
    // Row 2's three inner cells drain into the outlet ring's row 3; centres
    // at -10 x 3600 - 30 x 3 - 15 and -20 x 3600 + 30 x col + 15 arc-seconds.
    EXPECT_EQ(run.readFile("output/riverNumList.dat"),
              "1 4 3 -71925 -36105 2\n2 4 4 -71895 -36105 2\n3 4 5 -71865 -36105 2\n");
}

// The report of the run: south and west in its texts, negative coordinates
// in its files, and commands that name the run's sources and keep the point.
TEST_F(SouthWesternRun, ReportOfTheRunNamesItsSources) {
    ASSERT_EQ(run.runWithArguments("--dem dem.tif --dir dir.tif").exitStatus, 0);
    const std::string dem = (run.path() / "dem.tif").string();
    const std::string dir = (run.path() / "dir.tif").string();
    EXPECT_EQ(run.readFile("output/sourceRasters.txt"),
              "dem " + dem + "\ndir " + dir + "\nframe 10 12 -1197 -2403\noutlets coast\n");
    const RunResult report = run.runReport();
    ASSERT_EQ(report.exitStatus, 0) << report.console;
    const std::string page = run.readFile("output/report/index.html");
    EXPECT_NE(page.find("cells at 10&deg;S 20&deg;W"), std::string::npos);
    EXPECT_NE(page.find("<code>drainPrepArea -10.0292 -19.9792 --dem " + dem + " --dir " + dir +
                        " --snap 0</code>"),
              std::string::npos)
        << page;
    const std::string summary = run.readFile("output/report/summary.json");
    EXPECT_NE(summary.find("\"latNW\": -10"), std::string::npos) << summary;
    EXPECT_NE(summary.find("\"lonNW\": -20"), std::string::npos);
    EXPECT_NE(run.readFile("output/report/outlets.geojson")
                  .find("\"coordinates\": [-19.979167, -10.029167]"),
              std::string::npos);

    // A later run of other sources rewrote the products: the record is stale.
    const auto recorded = std::filesystem::last_write_time(run.path() / "output/sourceRasters.txt");
    std::filesystem::last_write_time(run.path() / "output/riverNumList.dat",
                                     recorded + std::chrono::seconds(1));
    EXPECT_EQ(run.runReport().console,
              "drainPrepReport: the run in .\nclipArea.dat: The study area lies outside the source "
              "grid. output/sourceRasters.txt, the record of a run given --dem and --dir, is older "
              "than output/riverNumList.dat, so the files are taken for a run of the default "
              "sources: run drainPrep in this folder again.\n");
}

// GDAL's block cache fills beside the records while the pair is read: a
// cache larger than any machine's memory leaves no room for the run.
TEST_F(SouthWesternRun, MemoryPlanCountsGdalsBlockCache) {
    const RunResult result = run.runCommand("GDAL_CACHEMAX=1000000000000000 '" DRAINPREP_EXECUTABLE
                                            "' --dem dem.tif --dir dir.tif",
                                            "\n");
    EXPECT_EQ(result.exitStatus, 1);
    const std::string end = "Not enough memory for a study area of 5 x 7 cells.\n";
    EXPECT_EQ(
        result.console.substr(result.console.size() - std::min(end.size(), result.console.size())),
        end);
}

TEST_F(SouthWesternRun, EveryRefusalBeforeTheProductsLeavesOutputEmpty) {
    const std::string usage = runUsageText;
    struct Case {
        const char* arguments;
        const char* clipArea;
        std::string consoleEnd;
    };
    const std::string outside =
        "The study area lies outside the source grid of dem.tif (9.975 S to 10.05833 S, 20.025 W "
        "to 19.925 W).\n\nProgram ends. Hit any key!\n";
    const Case cases[] = {
        {"--dem dem.tif", "5 7 -10 -20",
         "--dem and --dir go together: the DEM and the flow directions of the same cells. --dir "
         "is missing.\n"},
        {"--dem dem.tif --dir dir.tif --snap 0", "5 7 -10 -20",
         "Unknown option --snap. " + usage + "\n"},
        {"--dem dem.tif --dir dir.tif --outlets sea", "5 7 -10 -20",
         "--outlets takes coast or d8, not \"sea\".\n"},
        {"--dem dem.tif --dir dem.tif.missing", "5 7 -10 -20",
         "dem.tif.missing cannot be opened as a raster: "},
        {"--dem dem.tif --dir dir.tif", "5 7 -9 -20", outside},
        {"--dem dem.tif --dir dir.tif", "8 7 -10 -20", outside},
        {"--dem dem.tif --dir dir.tif", "10 12 -10 -20", outside},
        {"--dem dem.tif --dir dir.tif", "6 7 -10 -20",
         "dem.tif holds the value 1e+09 at row 8, column 3 (0-based), which does not fit a "
         "signed 16-bit integer.\n"},
        {"--dem tokyo.tif --dir dir.tif", "5 7 -10 -20", "tokyo.tif is on the datum Tokyo: "},
    };
    TestRaster tokyo = latticeRaster(10, 12, -1197, -2403);
    tokyo.coordinateSystem = "EPSG:4301";
    writeGeoTiff((run.path() / "tokyo.tif").string(), tokyo);
    for (const Case& c : cases) {
        run.writeFile("clipArea.dat", c.clipArea);
        if (std::string(c.clipArea) == "6 7 -10 -20") {
            TestRaster dem = latticeRaster(10, 12, -1197, -2403, "Float32");
            dem.values.assign(120, 50.0);
            dem.values[8 * 12 + 3] = 1e9;
            writeGeoTiff((run.path() / "dem.tif").string(), dem);
        }
        const RunResult result = run.runWithArguments(c.arguments);
        EXPECT_EQ(result.exitStatus, 1) << c.arguments;
        const std::string& console = result.console;
        const bool endsAsExpected =
            console.find(c.consoleEnd) != std::string::npos &&
            (c.consoleEnd.back() != '\n' || console.compare(console.size() - c.consoleEnd.size(),
                                                            std::string::npos, c.consoleEnd) == 0);
        EXPECT_TRUE(endsAsExpected) << c.arguments << " " << c.clipArea << ":\n" << console;
        EXPECT_EQ(filesIn(run.path() / "output"), 0u) << c.arguments;
    }
}

// A source of 8 x 10 cells at 9.975 S 20.025 W, elevations 100 m + 10 m a
// row + 1 m a column, every direction south, and the area of 5 x 7 cells at
// 10 S 20 W in it (source rows 3 to 7, columns 3 to 9). Each case stores the
// DEM or the directions another way; the clip previews show what the run
// took: the same elevations, -9999 where the case leaves no data.
class GdalStoredValues : public ::testing::Test {
protected:
    static constexpr std::int32_t rows = 8;
    static constexpr std::int32_t cols = 10;

    static double elevation(std::int32_t row, std::int32_t col) { return 100 + 10 * row + col; }

    static TestRaster raster(const std::string& type, double (*value)(std::int32_t, std::int32_t)) {
        TestRaster made = latticeRaster(rows, cols, -1197, -2403, type);
        for (std::int32_t row = 0; row < rows; ++row) {
            for (std::int32_t col = 0; col < cols; ++col) made.values.push_back(value(row, col));
        }
        return made;
    }
    static TestRaster south() {
        return raster("Byte", [](std::int32_t, std::int32_t) { return 4.0; });
    }

    // The preview's text with -9999 at the source cells given.
    static std::string preview(double (*value)(std::int32_t, std::int32_t),
                               const std::vector<std::pair<std::int32_t, std::int32_t>>& empty) {
        std::string text =
            "ncols 7\nnrows 5\nxllcorner -20\nyllcorner -10.0417\ncellsize 0.00833333\n"
            "NODATA_value -9999\n";
        for (std::int32_t row = 3; row < rows; ++row) {
            for (std::int32_t col = 3; col < cols; ++col) {
                const bool none =
                    std::find(empty.begin(), empty.end(), std::pair(row, col)) != empty.end();
                text += " " + std::to_string(none ? -9999 : static_cast<int>(value(row, col)));
            }
            text += "\n";
        }
        return text;
    }

    std::string in(const std::string& name) const { return (run.path() / name).string(); }

    // West tile columns 0 to 4, east tile 6 to 9: column 5 lies in no tile.
    void writeMosaicWithAGap(const std::string& name, const TestRaster& whole) const {
        writeGeoTiff(in(name + "Whole.tif"), whole);
        testing::writeTiledCopy(in(name + "Whole.tif"), in(name + "West.tif"), 0, 0, rows, 5);
        testing::writeTiledCopy(in(name + "Whole.tif"), in(name + "East.tif"), 0, 6, rows, 4);
        testing::writeMosaic(in(name + ".vrt"), {in(name + "West.tif"), in(name + "East.tif")});
    }

    RunDirectory run;
};

TEST_F(GdalStoredValues, ReachTheRunAsElevationsCodesOrNoData) {
    struct Case {
        const char* what;
        std::string dem;
        std::string dir;
        std::string cutDem;
        std::string cutDir;
    };
    const std::string allElevations = preview(elevation, {});
    const std::string allSouth = preview([](std::int32_t, std::int32_t) { return 4.0; }, {});
    const std::vector<std::pair<std::int32_t, std::int32_t>> gap{
        {3, 5}, {4, 5}, {5, 5}, {6, 5}, {7, 5}};

    // Decimetres in 16 bits, scale 0.1; 4 cm more rounds away.
    TestRaster decimetres = raster(
        "Int16", [](std::int32_t row, std::int32_t col) { return elevation(row, col) * 10 + 4; });
    decimetres.scale = 0.1;
    writeGeoTiff(in("decimetres.tif"), decimetres);
    // Metres below 1000 m, offset 1000 m.
    TestRaster offset = raster(
        "Int16", [](std::int32_t row, std::int32_t col) { return elevation(row, col) - 1000; });
    offset.offset = 1000;
    writeGeoTiff(in("offset.tif"), offset);
    // ESRI's Float32 .bil with its NoData as the .hdr gives it; cell [4][4].
    TestRaster bil = raster("Float32", elevation);
    bil.format = "EHdr";
    bil.noData = -3.4e38;
    bil.values[4 * cols + 4] = -3.4e38;
    writeGeoTiff(in("dem.bil"), bil);
    // An internal mask leaves cell [5][6] empty, stored as 0.
    TestRaster masked = raster("Int16", elevation);
    masked.mask.assign(rows * cols, 255);
    masked.mask[5 * cols + 6] = 0;
    masked.values[5 * cols + 6] = 0;
    writeGeoTiff(in("masked.tif"), masked);
    writeMosaicWithAGap("demGap", raster("Int16", elevation));
    writeMosaicWithAGap("dirGap", south());
    writeGeoTiff(in("dir.tif"), south());

    const Case cases[] = {
        {"scale", "decimetres.tif", "dir.tif", allElevations, allSouth},
        {"offset", "offset.tif", "dir.tif", allElevations, allSouth},
        {"Float32 NoData", "dem.bil", "dir.tif", preview(elevation, {{4, 4}}), allSouth},
        {"internal mask", "masked.tif", "dir.tif", preview(elevation, {{5, 6}}), allSouth},
        {"mosaic with a gap", "demGap.vrt", "dirGap.vrt", preview(elevation, gap),
         preview([](std::int32_t, std::int32_t) { return 4.0; }, gap)},
    };
    for (const Case& c : cases) {
        run.writeFile("clipArea.dat", "5 7 -10 -20");
        const RunResult result = run.runWithArguments("--dem " + c.dem + " --dir " + c.dir);
        EXPECT_EQ(result.exitStatus, 0) << c.what << "\n" << result.console;
        EXPECT_EQ(run.readFile("output/arcgis/cutDem.asc"), c.cutDem) << c.what;
        EXPECT_EQ(run.readFile("output/arcgis/cutDir.asc"), c.cutDir) << c.what;
    }
}

// Elevations given as directions: a D8 grid holds whole numbers.
TEST_F(GdalStoredValues, DirectionsThatAreNoWholeNumbersStopTheRun) {
    writeGeoTiff(in("dem.tif"), raster("Int16", elevation));
    writeGeoTiff(in("heights.tif"), raster("Float32", [](std::int32_t row, std::int32_t col) {
                     return elevation(row, col) + 0.25;
                 }));
    run.writeFile("clipArea.dat", "5 7 -10 -20");
    const auto swapped = [](const std::string& place) {
        return "heights.tif holds the value " + place +
               " (0-based): a D8 flow-direction grid holds whole numbers (1, 2, 4, 8, 16, 32, 64, "
               "128, 0). Are --dem and --dir swapped? --dem takes the elevations, --dir the "
               "directions.\n";
    };
    const RunResult result = run.runWithArguments("--dem dem.tif --dir heights.tif");
    EXPECT_EQ(result.exitStatus, 1);
    const std::string message = swapped("133.25 at row 3, column 3");
    EXPECT_EQ(result.console.substr(result.console.size() -
                                    std::min(result.console.size(), message.size())),
              message);
    const RunResult area = run.runArea("-10.01 -19.97 --dem dem.tif --dir heights.tif");
    EXPECT_EQ(area.exitStatus, 1);
    EXPECT_EQ(area.console, swapped("100.25 at row 0, column 0"));
}

// drainPrepArea on the south-western frame: a river down column 20 from
// row 5 to its sink at row 20; every other cell a sink of its own.
TEST(GdalArea, BasinAndAreaOfASouthWesternSourceAndARunOfIt) {
    RunDirectory run;
    TestRaster dem = latticeRaster(30, 45, -1197, -2403);
    TestRaster dir = latticeRaster(30, 45, -1197, -2403);
    dem.values.assign(30 * 45, 100);
    dir.values.assign(30 * 45, 0);
    for (std::int32_t row = 5; row < 20; ++row) dir.values[std::size_t(row * 45 + 20)] = 4;
    writeGeoTiff((run.path() / "dem.tif").string(), dem);
    writeGeoTiff((run.path() / "dir.tif").string(), dir);

    const RunResult outside = run.runArea("-9.9 -19.9 --dem dem.tif --dir dir.tif");
    EXPECT_EQ(outside.console,
              "The point 9.9 S 19.9 W lies outside the source grid of dem.tif (9.975 S to 10.225 "
              "S, 20.025 W to 19.65 W).\n");
    EXPECT_EQ(outside.exitStatus, 1);

    const RunResult area =
        run.runArea("-10.1458 -19.8542 --snap 0 --dir dir.tif --dem dem.tif --write");
    ASSERT_EQ(area.exitStatus, 0) << area.console;
    EXPECT_EQ(area.console.rfind("Point 10.1458 S 19.8542 W: source row 20, column 20, upstream "
                                 "area 16 cells.\nBasin: 16 cells, ",
                                 0),
              0u)
        << area.console;
    EXPECT_NE(area.console.find(" km2, from 10.01667 S to 10.15 S and from 19.85833 W to 19.85 "
                                "W.\nStudy area: 20 rows x 20 columns, north-west corner 10 S "
                                "20 W (400 cells).\n"),
              std::string::npos)
        << area.console;
    EXPECT_EQ(run.readFile("clipArea.dat"), "20 20 -10 -20\n");

    // The sink lies at [17][17] of the area; its basin size counts the river.
    ASSERT_EQ(run.runWithArguments("--dem dem.tif --dir dir.tif").exitStatus, 0);
    EXPECT_EQ(testing::int32Elements(run.readFile("output/flowAcc.bin"))[17 * 20 + 17], 16);

    // A gauge at the sink: its catchment, area column 17 from row 2 to 17, and
    // its point keep their signs south of the equator and west of Greenwich.
    run.writeFile("gauges.csv", "id,lat,lon\n1,-10.1458,-19.8542\n");
    const RunResult report = run.runReport("--gauges gauges.csv --gauge-snap 0");
    ASSERT_EQ(report.exitStatus, 0) << report.console;
    const testing::VectorExtent catchment =
        testing::vectorExtent((run.path() / "output/report/catchments.geojson").string());
    EXPECT_NEAR(catchment.west, -20 + 17 / 120.0, 1e-9);
    EXPECT_NEAR(catchment.east, -20 + 18 / 120.0, 1e-9);
    EXPECT_NEAR(catchment.north, -10 - 2 / 120.0, 1e-9);
    EXPECT_NEAR(catchment.south, -10 - 18 / 120.0, 1e-9);
    const testing::VectorExtent gauge =
        testing::vectorExtent((run.path() / "output/report/gauges.geojson").string());
    EXPECT_NEAR(gauge.west, -20 + 17.5 / 120.0, 1e-6);
    EXPECT_NEAR(gauge.north, -10 - 17.5 / 120.0, 1e-6);
}

// A river east along row 10 into the last column of a source that ends at
// 180 E, whose west edge lies off whole degrees: no area reaches the basin,
// and no padding can hold it.
TEST(GdalArea, ABasinAtTheAntimeridianIsNamedAndNoAreaWithoutCellsIsPrinted) {
    RunDirectory run;
    TestRaster dem = latticeRaster(30, 45, 10 * 120, 180 * 120 - 45);
    TestRaster dir = latticeRaster(30, 45, 10 * 120, 180 * 120 - 45);
    dem.values.assign(30 * 45, 100);
    dir.values.assign(30 * 45, 0);
    for (std::int32_t col = 30; col < 45; ++col) dir.values[std::size_t(10 * 45 + col)] = 1;
    writeGeoTiff((run.path() / "dem.tif").string(), dem);
    writeGeoTiff((run.path() / "dir.tif").string(), dir);
    const RunResult area =
        run.runArea("9.9125 179.9958 --snap 0 --dem dem.tif --dir dir.tif --write");
    EXPECT_EQ(area.exitStatus, 1);
    EXPECT_NE(area.console.find(
                  "No study area with its corner on whole degrees inside the source grid reaches "
                  "the basin.\nThe basin and its rings reach across 180 E, where the globe's "
                  "coordinates end: a study area cannot reach across it, so no source holds this "
                  "basin whole.\nclipArea.dat not written.\n"),
              std::string::npos)
        << area.console;
    EXPECT_EQ(area.console.find("0 columns"), std::string::npos) << area.console;
    EXPECT_FALSE(run.exists("clipArea.dat"));
}

// drainPrepArea on a source of 130 x 45 cells, taller than the hundred rows
// read at a time, at 9.975 S 20.025 W: a river down column 20 from row 95
// into a sink at row 110, across the second block; a stem down column 1
// into a sink at row 20, on the source's west ring; sinks everywhere else.
class GdalTallArea : public ::testing::Test {
protected:
    void SetUp() override {
        TestRaster dem = latticeRaster(130, 45, -1197, -2403);
        dir = latticeRaster(130, 45, -1197, -2403);
        dem.values.assign(130 * 45, 100);
        dir.values.assign(130 * 45, 0);
        for (std::size_t row = 95; row < 110; ++row) dir.values[row * 45 + 20] = 4;
        for (std::size_t row = 10; row < 20; ++row) dir.values[row * 45 + 1] = 4;
        writeGeoTiff(in("dem.tif"), dem);
        writeGeoTiff(in("dir.tif"), dir);
    }
    std::string in(const std::string& name) const { return (run.path() / name).string(); }

    RunDirectory run;
    TestRaster dir;
};

TEST_F(GdalTallArea, BasinAcrossTheBlocksOfRowsAndARunOfItsArea) {
    std::filesystem::remove_all(run.path() / "output");
    const RunResult area = run.runArea(
        "-10.8958 -19.8542 --snap 0 --dem dem.tif --dir dir.tif "
        "--write");
    ASSERT_EQ(area.exitStatus, 0) << area.console;
    EXPECT_EQ(area.console.rfind("Point 10.8958 S 19.8542 W: source row 110, column 20, "
                                 "upstream area 16 cells.\nBasin: 16 cells, ",
                                 0),
              0u)
        << area.console;
    EXPECT_NE(area.console.find(" km2, from 10.76667 S to 10.9 S and from 19.85833 W to 19.85 W.\n"
                                "Study area: 110 rows x 20 columns, north-west corner 10 S 20 W "
                                "(2200 cells).\n"),
              std::string::npos)
        << area.console;
    EXPECT_NE(area.console.find("Written to ./clipArea.dat.\nCreated ./output/arcgis for the "
                                "run.\n"),
              std::string::npos)
        << area.console;
    // The sink lies at [107][17] of the area; the run needs no folder made.
    ASSERT_EQ(run.runWithArguments("--dem dem.tif --dir dir.tif").exitStatus, 0);
    EXPECT_EQ(testing::int32Elements(run.readFile("output/flowAcc.bin"))[107 * 20 + 17], 16);
}

// HydroSHEDS' undeclared no-data value, most often of the values that are
// no D8 code: the command that declares it.
TEST_F(GdalTallArea, ValuesThatAreNoD8CodeNameTheMostFrequent) {
    dir.values[100 * 45 + 10] = 247;
    dir.values[101 * 45 + 10] = 247;
    dir.values[102 * 45 + 10] = 250;
    writeGeoTiff(in("d8 grid.tif"), dir);
    const RunResult area =
        run.runArea("-10.8958 -19.8542 --snap 0 --dem dem.tif --dir 'd8 grid.tif'");
    EXPECT_EQ(area.exitStatus, 1);
    const std::string end =
        "Cells of the area whose direction value is not a D8 code, on which drainPrep stops: 3 "
        "(most often 247).\n247 is the usual no-data value of 8-bit D8 grids. Where it marks no "
        "data, declare it once and give the new file with --dir:\n  gdal_translate -a_nodata "
        "247 'd8 grid.tif' 'd8 grid_nodata.tif'\nA drainPrep run of it with --outlets coast gives the point, "
        "row 107, column 17 of the study area, a basin of 16 cells.\nclipArea.dat: 110 20 -10 -20\n";
    EXPECT_NE(area.console.find(end), std::string::npos) << area.console;
}

// The stem on the west ring: no area of this source holds it. The source
// padded as the message says gives one.
TEST_F(GdalTallArea, BasinAtTheEdgeNamesThePaddingThatHoldsIt) {
    const RunResult edge = run.runArea("-10.1458 -20.0125 --snap 0 --dem dem.tif --dir dir.tif");
    EXPECT_EQ(edge.exitStatus, 1);
    EXPECT_NE(edge.console.find(
                  "The source must be larger: padded with no data to 9 S to 12 S, 21 W to 19 W, "
                  "it gives an area that holds the basin. Pad both and give the new files with "
                  "--dem and --dir (gdalwarp -te does the same into GeoTIFFs):\n"
                  "  gdalbuildvrt -te -21 -12 -19 -9 dem_padded.vrt dem.tif\n"
                  "  gdalbuildvrt -te -21 -12 -19 -9 dir_padded.vrt dir.tif\n"),
              std::string::npos)
        << edge.console;
    const std::vector<std::string> extent{"-te", "-21", "-12", "-19", "-9"};
    testing::writeMosaic(in("dem_padded.vrt"), {in("dem.tif")}, extent);
    testing::writeMosaic(in("dir_padded.vrt"), {in("dir.tif")}, extent);
    const RunResult padded =
        run.runArea("-10.1458 -20.0125 --snap 0 --dem dem_padded.vrt --dir dir_padded.vrt");
    EXPECT_EQ(padded.exitStatus, 0) << padded.console;
    EXPECT_NE(padded.console.find("Basin: 11 cells"), std::string::npos) << padded.console;
}

// A copy of drainPrep in bin/ takes the library beside it, and only that one:
// none there, a library that cannot be loaded, of another build or that
// anyone may change ends the run with the reason, though the build's own
// library is at hand.
TEST(GdalLibrary, TheOneBesideTheExecutableIsLoadedOrItsFailureNamed) {
    RunDirectory run;
    const std::filesystem::path bin = std::filesystem::canonical(run.path()) / "bin";
    std::filesystem::create_directories(bin);
    std::filesystem::copy_file(DRAINPREP_EXECUTABLE, bin / "drainPrep");
    writeGeoTiff((run.path() / "dem.tif").string(), latticeRaster(10, 12, -1197, -2403));
    writeGeoTiff((run.path() / "dir.tif").string(), latticeRaster(10, 12, -1197, -2403));
    run.writeFile("clipArea.dat", "5 7 -10 -20");
    run.writeFile("notALibrary.so", "not a library");
    const std::string library = (bin / gdalLibraryFile).string();
    const std::string notLoaded =
        library + " cannot be loaded, so no raster can be read through GDAL: ";
    struct Case {
        const char* what;
        std::string libraryFile;  // copied beside the executable; empty: none
        std::string consoleStart;
        std::string consoleEnd;
        int exitStatus;
        bool writableByAnyone = false;
    };
    const Case cases[] = {
        {"none", "", notLoaded,
         "there is no such file; only the library beside the executable is taken, so copy or "
         "install the two together.\n",
         1},
        {"not a library", (run.path() / "notALibrary.so").string(), notLoaded + library + ": ",
         ": file too short.\n", 1},
        {"another build", DRAINPREP_OTHER_GDAL_LIBRARY, notLoaded,
         "it is of another version (1) than drainPrep's (" + std::to_string(gdalLibraryVersion) +
             "); install the two from the same build.\n",
         1},
        {"this build, writable by anyone", DRAINPREP_GDAL_LIBRARY_BUILT, notLoaded,
         "every user may write to it, so anyone might have changed it; let only its owner write "
         "to it (chmod o-w).\n",
         1, true},
        {"this build", DRAINPREP_GDAL_LIBRARY_BUILT, "1) Reading location of study area.\n",
         "Program ends. Hit any key!\n", 0},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(library);
        if (!c.libraryFile.empty()) std::filesystem::copy_file(c.libraryFile, library);
        if (c.writableByAnyone) {
            std::filesystem::permissions(library, std::filesystem::perms::others_write,
                                         std::filesystem::perm_options::add);
        }
        const RunResult result = run.runCommand("bin/drainPrep --dem dem.tif --dir dir.tif", "\n");
        EXPECT_EQ(result.exitStatus, c.exitStatus) << c.what;
        EXPECT_EQ(result.console.rfind(c.consoleStart, 0), 0u) << c.what << "\n" << result.console;
        EXPECT_GE(result.console.size(), c.consoleEnd.size()) << c.what;
        EXPECT_EQ(result.console.compare(result.console.size() - c.consoleEnd.size(),
                                         std::string::npos, c.consoleEnd),
                  0)
            << c.what << "\n"
            << result.console;
    }
}

// Random terrain with sea, no data, pits and loops at 40N 100E in sparse
// full-size raw rasters; the same cells through GDAL, as a VRT of the raw
// pair, as tiled compressed GeoTIFFs of a window around the area and as a
// VRT mosaic of two such tiles, give the same products to the byte.
TEST(GdalSameCells, GiveTheDefaultRunsProductsToTheByte) {
    RunDirectory run;
    run.createSourceRasters();
    run.writeFile("clipArea.dat", "40 52 40 100");
    std::mt19937 random(16);
    const std::int16_t codes[] = {1, 2, 4, 8, 16, 32, 64, 128, 0, -1, -9999, 1, 4, 16, 64};
    std::uniform_int_distribution<int> elevation(-50, 900);
    std::uniform_int_distribution<std::size_t> code(0, std::size(codes) - 1);
    testing::SampleRows dem(44, std::vector<std::int16_t>(56));
    testing::SampleRows dir(44, std::vector<std::int16_t>(56));
    for (std::size_t row = 0; row < 44; ++row) {
        for (std::size_t col = 0; col < 56; ++col) {
            dem[row][col] = static_cast<std::int16_t>(elevation(random));
            dir[row][col] = codes[code(random)];
            if (dem[row][col] < -40) dem[row][col] = -9999;
        }
    }
    run.writeSamples(Raster::dem, 2398, 5398, dem);
    run.writeSamples(Raster::directions, 2398, 5398, dir);

    const RunResult fixed = run.run();
    ASSERT_EQ(fixed.exitStatus, 0) << fixed.console;
    EXPECT_EQ(filesIn(run.path() / "output"), std::size(productFiles));
    std::vector<std::string> expected;
    for (const char* file : productFiles) expected.push_back(run.readFile(file));

    const auto in = [&run](const std::string& name) { return (run.path() / name).string(); };
    for (Raster raster : {Raster::dem, Raster::directions}) {
        const std::string name = raster == Raster::dem ? "dem" : "dir";
        testing::writeRawVrt(in(name + "Raw.vrt"), run.rasterPath(raster).string(), 8400, 15000,
                             7200, 6600);
        // The area at source rows 2400 to 2439 and columns 5400 to 5451,
        // inside a tile whose corner is 39.95 N 99.8 E.
        testing::writeTiledCopy(in(name + "Raw.vrt"), in(name + ".tif"), 2394, 5376, 60, 96);
        testing::writeTiledCopy(in(name + "Raw.vrt"), in(name + "West.tif"), 2394, 5376, 60, 48);
        testing::writeTiledCopy(in(name + "Raw.vrt"), in(name + "East.tif"), 2394, 5424, 60, 48);
        testing::writeMosaic(in(name + "Mosaic.vrt"),
                             {in(name + "West.tif"), in(name + "East.tif")});
    }
    for (const char* pair : {"--dem demRaw.vrt --dir dirRaw.vrt", "--dir dir.tif --dem dem.tif",
                             "--dem demMosaic.vrt --dir dirMosaic.vrt"}) {
        for (const char* file : productFiles) std::filesystem::remove(run.path() / file);
        const RunResult given = run.runWithArguments(pair);
        ASSERT_EQ(given.exitStatus, 0) << pair << given.console;
        EXPECT_EQ(withoutProgress(given.console), withoutProgress(fixed.console)) << pair;
        for (std::size_t i = 0; i < std::size(productFiles); ++i) {
            EXPECT_EQ(run.readFile(productFiles[i]), expected[i]) << pair << " " << productFiles[i];
        }
        EXPECT_TRUE(run.exists("output/sourceRasters.txt"));
    }
}


// The same cells as sources of every resolution and on both lattices: all
// with their north-west cell at 61 N 179 E (its corner on the edge lattice,
// its centre on the centre lattice, as an SRTM-like 1201 x 1201 tile that
// reaches half a cell past 180 E). Their runs equal the 30" run in console,
// binary grids, ASCII values and the outlets' cells and basins; headers and
// centres place each on its own lattice.
class GdalResolutions : public ::testing::Test {
protected:
    struct Source {
        const char* what;
        CellLattice lattice;
        std::int32_t cols;
    };

    void writePair(const Source& source) {
        const double cell = 1.0 / source.lattice.perDegree;
        const double shift = source.lattice.origin == LatticeOrigin::centresOnDegrees ? cell / 2 : 0;
        for (const bool directions : {false, true}) {
            TestRaster raster;
            raster.rows = 1201;
            raster.cols = source.cols;
            raster.transform = {179.0 - shift, cell, 0.0, 61.0 + shift, 0.0, -cell};
            raster.values.resize(static_cast<std::size_t>(raster.rows * raster.cols));
            for (std::size_t row = 0; row < window; ++row) {
                for (std::size_t col = 0; col < window; ++col) {
                    raster.values[row * static_cast<std::size_t>(source.cols) + col] =
                        directions ? directionCodes[row][col] : elevations[row][col];
                }
            }
            writeGeoTiff((run.path() / (directions ? "dir.tif" : "dem.tif")).string(), raster);
        }
    }

    void SetUp() override {
        std::mt19937 random(28);
        const std::int16_t codes[] = {1, 2, 4, 8, 16, 32, 64, 128, 0, -1, 1, 4, 16, 64};
        std::uniform_int_distribution<int> elevation(-50, 900);
        std::uniform_int_distribution<std::size_t> code(0, std::size(codes) - 1);
        for (std::size_t row = 0; row < window; ++row) {
            for (std::size_t col = 0; col < window; ++col) {
                elevations[row][col] = elevation(random) < -40 ? -9999 : elevation(random);
                directionCodes[row][col] = codes[code(random)];
            }
        }
        run.writeFile("clipArea.dat", "40 52 61 179");
    }

    static constexpr std::size_t window = 60;
    double elevations[window][window];
    double directionCodes[window][window];
    RunDirectory run;
};

std::string withoutHeader(const std::string& asciiGrid) {
    std::size_t start = 0;
    for (int line = 0; line < 6; ++line) start = asciiGrid.find('\n', start) + 1;
    return asciiGrid.substr(start);
}

std::vector<std::vector<std::int64_t>> outletFields(const std::string& list) {
    std::vector<std::vector<std::int64_t>> lines;
    std::istringstream text(list);
    for (std::int64_t a, b, c, d, e, f; text >> a >> b >> c >> d >> e >> f;) {
        lines.push_back({a, b, c, d, e, f});
    }
    return lines;
}

TEST_F(GdalResolutions, TheSameCellsGiveTheRunOfTheirThirtySecondTwinOnTheirOwnLattice) {
    writePair({"30\"", thirtySecondLattice, 100});
    const RunResult twin = run.runWithArguments("--dem dem.tif --dir dir.tif");
    ASSERT_EQ(twin.exitStatus, 0) << twin.console;
    std::vector<std::string> expected;
    for (const char* file : productFiles) expected.push_back(run.readFile(file));
    const auto twinOutlets = outletFields(run.readFile("output/riverNumList.dat"));
    ASSERT_FALSE(twinOutlets.empty());

    const Source sources[] = {
        {"3\"", {1200, LatticeOrigin::edgesOnDegrees}, 100},
        {"15\"", {240, LatticeOrigin::edgesOnDegrees}, 100},
        {"1\"", {3600, LatticeOrigin::edgesOnDegrees}, 100},
        {"3\" SRTM-like tile", {1200, LatticeOrigin::centresOnDegrees}, 1201},
    };
    for (const Source& source : sources) {
        SCOPED_TRACE(source.what);
        writePair(source);
        const RunResult result = run.runWithArguments("--dem dem.tif --dir dir.tif");
        ASSERT_EQ(result.exitStatus, 0) << result.console;
        EXPECT_EQ(result.console, twin.console);
        for (std::size_t i = 0; i < std::size(productFiles); ++i) {
            const std::string file = productFiles[i];
            const std::string bytes = run.readFile(file);
            if (file.size() > 4 && file.compare(file.size() - 4, 4, ".asc") == 0) {
                EXPECT_EQ(withoutHeader(bytes), withoutHeader(expected[i])) << file;
                const std::vector<double> t =
                    testing::geoTransformOf((run.path() / file).string());
                const double cell = 1.0 / source.lattice.perDegree;
                const double shift = originShiftCells(source.lattice);
                EXPECT_NEAR(t[1], cell, cell * 1e-9) << file;
                EXPECT_NEAR(t[0], 179.0 - shift * cell, cell * 1e-3) << file;
                EXPECT_NEAR(t[3], 61.0 + shift * cell, cell * 1e-3) << file;
            } else if (file != "output/riverNumList.dat") {
                EXPECT_EQ(bytes, expected[i]) << file;
            }
        }
        const auto outlets = outletFields(run.readFile("output/riverNumList.dat"));
        ASSERT_EQ(outlets.size(), twinOutlets.size());
        const StudyArea area{40, 52, 61, 179, source.lattice};
        for (std::size_t i = 0; i < outlets.size(); ++i) {
            const auto& o = outlets[i];
            const auto& t = twinOutlets[i];
            EXPECT_EQ((std::vector<std::int64_t>{o[0], o[1], o[2], o[5]}),
                      (std::vector<std::int64_t>{t[0], t[1], t[2], t[5]}));
            const auto row = static_cast<std::int32_t>(o[1] - 1);
            const auto col = static_cast<std::int32_t>(o[2] - 1);
            EXPECT_EQ(o[3], std::llround(centreLonArcSeconds(area, col))) << i;
            EXPECT_EQ(o[4], std::llround(centreLatArcSeconds(area, row))) << i;
        }
        EXPECT_NE(run.readFile("output/sourceRasters.txt")
                      .find("lattice " + std::to_string(source.lattice.perDegree)),
                  std::string::npos);
    }
}

// An SRTM-like tile's last column lies half past 180 E: no area takes it,
// and drainPrepArea knows no source can hold a basin there.
TEST_F(GdalResolutions, AnAreaTakingTheHalfCellPastTheGlobeIsRefused) {
    writePair({"3\" SRTM-like tile", {1200, LatticeOrigin::centresOnDegrees}, 1201});
    const RunResult area = run.runArea("60.95 179.9999 --snap 0 --dem dem.tif --dir dir.tif");
    EXPECT_NE(area.console.find("Point 60.95 N 179.9999 E: source row 60, column 1200"),
              std::string::npos)
        << area.console;
    EXPECT_NE(area.console.find("The basin and its rings reach across 180 E, where the globe's "
                                "coordinates end"),
              std::string::npos)
        << area.console;
    run.writeFile("clipArea.dat", "40 1201 61 179");
    const RunResult result = run.runWithArguments("--dem dem.tif --dir dir.tif");
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_NE(result.console.find("The study area reaches half a cell past 180 E: on a lattice of "
                                  "cell centres on whole degrees, the cells on that degree lie "
                                  "half beyond the globe. Take one row or column less there.\n"),
              std::string::npos)
        << result.console;
    EXPECT_EQ(filesIn(run.path() / "output"), 0u);
}

// The river tree of 3" cells with its sink at [257][259], on land of sinks
// at 100 m, on either lattice: drainPrepArea snaps across 30 cells of 3"
// (the 3 cells of 30"), reads the blocks of 256 cells the tree crosses, and
// its counts are those of the run of the area it writes.
TEST(GdalResolutionArea, CountsOfTheBasinAreThoseOfTheRunOfTheAreaOnEitherLattice) {
    constexpr std::int32_t cells = 300;
    constexpr std::int32_t treeRow = 253;
    constexpr std::int32_t treeCol = 252;
    for (const LatticeOrigin origin :
         {LatticeOrigin::edgesOnDegrees, LatticeOrigin::centresOnDegrees}) {
        RunDirectory run;
        const double cell = 1.0 / 1200;
        const double shift = origin == LatticeOrigin::centresOnDegrees ? cell / 2 : 0;
        TestRaster dem;
        dem.rows = dem.cols = cells;
        dem.transform = {179.0 - shift, cell, 0.0, 61.0 + shift, 0.0, -cell};
        TestRaster dir = dem;
        dem.values.assign(cells * cells, 100);
        dir.type = "Byte";
        dir.values.assign(cells * cells, testing::sinkCode);
        for (const testing::TreeCell& c : testing::riverTree) {
            dir.values[std::size_t((treeRow + c.row) * cells + treeCol + c.col)] = c.code;
        }
        writeGeoTiff((run.path() / "dem.tif").string(), dem);
        writeGeoTiff((run.path() / "dir.tif").string(), dir);
        // Twenty cells south-west of the sink.
        const StudyArea source{cells, cells, 61, 179, {1200, origin}};
        const std::string point = std::to_string(centreLatDegrees(source, 277)) + " " +
                                  std::to_string(centreLonDegrees(source, 239));
        const RunResult area = run.runArea(point + " --dem dem.tif --dir dir.tif --write");
        SCOPED_TRACE(area.console);
        EXPECT_EQ(area.exitStatus, 0);
        EXPECT_NE(area.console.find("Snapped 20 cells to source row 257, column 259"),
                  std::string::npos);
        EXPECT_NE(area.console.find("Basin: 14 cells, 0.06 km2"), std::string::npos);
        EXPECT_NE(area.console.find("gives the point, row 257, column 259 of the study area, a "
                                    "basin of 14 cells."),
                  std::string::npos);
        ASSERT_EQ(run.readFile("clipArea.dat"), "263 264 61 179\n");
        ASSERT_EQ(run.runWithArguments("--dem dem.tif --dir dir.tif").exitStatus, 0);
        EXPECT_EQ(testing::int32Elements(run.readFile("output/flowAcc.bin"))[257 * 264 + 259], 14);
    }
}

}  // namespace
}  // namespace drainPrep
