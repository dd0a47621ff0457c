// Whole runs of the built tool in a scratch directory, on full-size sparse
// source rasters: console bytes, exit status and files on disk.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <thread>

#include "cell/cellObject.hpp"
#include "support/runDirectory.hpp"

namespace drainPrep {
namespace {

using testing::int32Elements;
using testing::Raster;
using testing::readingText;
using testing::RunDirectory;

std::string stageOneText(const std::string& rows, const std::string& cols, const std::string& lat,
                         const std::string& lon) {
    return "1) Reading location of study area.\n"
           "  Number of row : " +
           rows +
           "\n"
           "  Number of column : " +
           cols +
           "\n"
           "  Latitude (degree) of North West corner : " +
           lat +
           "\n"
           "  Longitude (degree) of North West corner : " +
           lon + "\n";
}

const std::string previewLines =
    "  Writing ./output/arcgis/cutDem.asc done.\n"
    "  Writing ./output/arcgis/cutDir.asc done.\n";

const std::string stageThreeText =
    "3) Processing topography data.\n"
    "  Memory allocation.\n"
    "  Assigning elevation data.\n";

const std::string derivationText =
    "  Setting upper grid number.\n"
    "  Setting the outlet.\n"
    "  Calculating the distance from the outlet.\n"
    "  Calculating basin size.\n"
    "  Setting river number.\n";

const std::string productLines =
    "4) Writing output files\n"
    "  Writing ./output/modDem.bin\n"
    "  Writing ./output/arcgis/modDem.asc done.\n"
    "  Writing ./output/arcgis/distance.asc done.\n"
    "  Writing ./output/flowDir.bin done.\n"
    "  Writing ./output/arcgis/flowDir.asc done.\n"
    "  Writing ./output/flowAcc.bin done.\n"
    "  Writing ./output/arcgis/flowAcc.asc done.\n"
    "  Writing ./output/riverNum.bin done.\n"
    "  Writing ./output/arcgis/riverNum.asc done.\n"
    "  Writing ./output/riverNumList.dat done.\n";

const std::string closingPrompt = "\nProgram ends. Hit any key!\n";

const char* const productFiles[] = {"output/modDem.bin",          "output/arcgis/modDem.asc",
                                    "output/arcgis/distance.asc", "output/flowDir.bin",
                                    "output/arcgis/flowDir.asc",  "output/flowAcc.bin",
                                    "output/arcgis/flowAcc.asc",  "output/riverNum.bin",
                                    "output/arcgis/riverNum.asc", "output/riverNumList.dat"};

std::vector<double> doubleElements(const std::string& bytes) {
    std::vector<double> values(bytes.size() / 8);
    std::memcpy(values.data(), bytes.data(), values.size() * 8);  // the test host is little-endian
    return values;
}

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::size_t filesIn(const std::filesystem::path& folder) {
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) ++count;
    }
    return count;
}

// ---------------------------------------------------------------------------
// Stage 1: clipArea.dat

// The key is sent as a person sends it: once the prompt is on the screen.
// --help or -h alone: the usage and what the options mean, status 0, in
// every tool, before anything is read.
TEST(EndToEndHelp, EveryToolPrintsItsUsage) {
    RunDirectory run;
    for (const char* help : {"--help", "-h"}) {
        const std::pair<testing::RunResult, const char*> answers[] = {
            {run.runWithArguments(help), "Usage: drainPrep ["},
            {run.runArea(help), "Usage: drainPrepArea LAT LON"},
            {run.runReport(help), "Usage: drainPrepReport ["},
            {run.runUpscale(help), "Usage: drainPrepUpscale ["},
            {run.runDirections(help), "Usage: drainPrepDirections DEM OUTDIR"},
        };
        for (const auto& [answer, usage] : answers) {
            EXPECT_EQ(answer.exitStatus, 0) << usage;
            EXPECT_EQ(answer.console.rfind(usage, 0), 0u) << answer.console;
            EXPECT_GT(std::count(answer.console.begin(), answer.console.end(), '\n'), 3) << usage;
        }
    }
    EXPECT_FALSE(run.exists("clipArea.dat"));
}

TEST(EndToEndStudyArea, MissingClipAreaShowsThePromptAndCreatesNothing) {
    RunDirectory run;
    const testing::KeyboardRun answered = run.runAnsweringThePrompt(closingPrompt);
    const std::string console =
        "1) Reading location of study area.\nclipArea.dat cannot open.\n" + closingPrompt;
    EXPECT_EQ(answered.consoleWhenKeyWasDue, console);
    EXPECT_EQ(answered.result.console, console);
    EXPECT_EQ(answered.result.exitStatus, 1);
    EXPECT_EQ(filesIn(run.path() / "output"), 0u);
}

TEST(EndToEndStudyArea, FolderInPlaceOfClipAreaCannotOpen) {
    RunDirectory run;
    std::filesystem::create_directory(run.path() / "clipArea.dat");
    const testing::RunResult result = run.run();
    EXPECT_EQ(result.console,
              "1) Reading location of study area.\nclipArea.dat cannot open.\n" + closingPrompt);
    EXPECT_EQ(result.exitStatus, 1);
}

TEST(EndToEndStudyArea, MalformedValueReplacesItsEcho) {
    for (const char* content : {"600 900 36.5 139", "600 900 abc 139", "600, 900 36 139",
                                "600 900 99999999999 139", "600 900 36"}) {
        RunDirectory run;
        run.writeFile("clipArea.dat", content);
        const testing::RunResult result = run.run();
        EXPECT_NE(result.console.find("clipArea.dat must hold four whole numbers: rows, columns, "
                                      "latitude and longitude.\n" +
                                      closingPrompt),
                  std::string::npos)
            << content;
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_EQ(filesIn(run.path() / "output"), 0u);
    }
    RunDirectory run;
    run.writeFile("clipArea.dat", "600 900 36.5 139");
    EXPECT_EQ(
        run.run().console,
        "1) Reading location of study area.\n  Number of row : 600\n"
        "  Number of column : 900\n"
        "clipArea.dat must hold four whole numbers: rows, columns, latitude and longitude.\n" +
            closingPrompt);
}

TEST(EndToEndStudyArea, EmptyAndOutsideAreasEndLikeAMissingFile) {
    struct Case {
        const char* content;
        std::string console;
    };
    const Case cases[] = {
        {"0 900 36 139", stageOneText("0", "900", "36", "139") +
                             "The study area needs at least one row and one column.\n"},
        {"10 10 -2000000000 139", stageOneText("10", "10", "-2000000000", "139") +
                                      "The study area lies outside the source grid.\n"},
        {"2 2 61 55",
         stageOneText("2", "2", "61", "55") + "The study area lies outside the source grid.\n"},
    };
    for (const Case& c : cases) {
        RunDirectory run;
        run.writeFile("clipArea.dat", c.content);
        const testing::RunResult result = run.run();
        EXPECT_EQ(result.console, c.console + closingPrompt);
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_EQ(filesIn(run.path() / "output"), 0u);
    }
}

// ---------------------------------------------------------------------------
// Stage 2: source rasters and clip previews

class EndToEndRasters : public ::testing::Test {
protected:
    void SetUp() override {
        run.writeFile("clipArea.dat", "2 3 60 55");
        run.createSourceRasters();
    }
    std::string stageOne() const { return stageOneText("2", "3", "60", "55"); }

    RunDirectory run;
};

TEST_F(EndToEndRasters, MissingDemEndsWithoutPromptAndWithoutTryingDirections) {
    std::filesystem::remove(run.rasterPath(Raster::dem));
    std::filesystem::remove(run.rasterPath(Raster::directions));
    const testing::RunResult result = run.run();
    EXPECT_EQ(result.console, stageOne() + "Hydroshed DEM cannot open.\n");
    EXPECT_EQ(result.exitStatus, 1);
}

TEST_F(EndToEndRasters, FolderOrPipeInPlaceOfARasterCannotOpen) {
    std::filesystem::remove(run.rasterPath(Raster::dem));
    std::filesystem::create_directory(run.rasterPath(Raster::dem));
    EXPECT_EQ(run.run().console, stageOne() + "Hydroshed DEM cannot open.\n");
    std::filesystem::remove(run.rasterPath(Raster::dem));
    run.createSourceRasters();
    std::filesystem::remove(run.rasterPath(Raster::directions));
    ASSERT_EQ(mkfifo(run.rasterPath(Raster::directions).c_str(), 0600), 0);  // would block a read
    const testing::RunResult result = run.run();
    EXPECT_EQ(result.console, stageOne() + "Hydroshed Flow direction file cannot open.\n");
    EXPECT_EQ(result.exitStatus, 1);
}

TEST_F(EndToEndRasters, MissingDirections) {
    std::filesystem::remove(run.rasterPath(Raster::directions));
    const testing::RunResult result = run.run();
    EXPECT_EQ(result.console, stageOne() + "Hydroshed Flow direction file cannot open.\n");
    EXPECT_EQ(result.exitStatus, 1);
}

TEST_F(EndToEndRasters, WrongSizesAreNamedBeforeAnythingIsRead) {
    std::filesystem::resize_file(run.rasterPath(Raster::dem), 251999998);
    testing::RunResult result = run.run();
    EXPECT_EQ(result.console,
              stageOne() + "Hydroshed DEM has 251999998 bytes instead of 252000000.\n");
    EXPECT_EQ(result.exitStatus, 1);

    std::filesystem::resize_file(run.rasterPath(Raster::dem), 252000000);
    std::filesystem::resize_file(run.rasterPath(Raster::directions), 252000002);
    result = run.run();
    EXPECT_EQ(
        result.console,
        stageOne() + "Hydroshed Flow direction file has 252000002 bytes instead of 252000000.\n");
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(filesIn(run.path() / "output"), 0u);
}

TEST_F(EndToEndRasters, MissingArcgisFolderStopsAtTheFirstPreview) {
    std::filesystem::remove(run.path() / "output" / "arcgis");
    const testing::RunResult result = run.run();
    EXPECT_EQ(result.console, stageOne() + readingText() + "cutdem.asc file cannot open \n");
    EXPECT_EQ(result.exitStatus, 1);
}

TEST_F(EndToEndRasters, UnopenableSecondPreviewLeavesTheFirstComplete) {
    std::filesystem::create_directory(run.path() / "output" / "arcgis" / "cutDir.asc");
    const testing::RunResult result = run.run();
    EXPECT_EQ(result.console, stageOne() + readingText() +
                                  "  Writing ./output/arcgis/cutDem.asc done.\n"
                                  "cutDir.asc file cannot open \n");
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(run.readFile("output/arcgis/cutDem.asc"),
              "ncols 3\nnrows 2\nxllcorner 55\nyllcorner 59.9833\ncellsize 0.00833333\n"
              "NODATA_value -9999\n 0 0 0\n 0 0 0\n");
}

TEST_F(EndToEndRasters, FullDiskIsReportedForThePreview) {
    std::filesystem::create_symlink("/dev/full", run.path() / "output" / "arcgis" / "cutDem.asc");
    const testing::RunResult result = run.run();
    EXPECT_EQ(result.console,
              stageOne() + readingText() + "  Writing ./output/arcgis/cutDem.asc failed.\n");
    EXPECT_EQ(result.exitStatus, 1);
}

TEST_F(EndToEndRasters, PreviewsShowTheWindowAsReadWithSignedSamples) {
    run.writeFile("clipArea.dat", "2 3 59 56");  // source row 120, column 120
    run.writeSamples(Raster::dem, 120, 120, {{-9999, -1, 128}, {-32768, 32767, 0}});
    run.writeSamples(Raster::directions, 120, 120, {{1, 255, -9999}, {0, 128, 64}});
    run.writeSample(Raster::dem, 119, 120, 555);  // just outside the window
    const testing::RunResult result = run.run();
    EXPECT_EQ(result.exitStatus, 1);  // 255 is no flow direction, but the preview shows it
    const std::string header =
        "ncols 3\nnrows 2\nxllcorner 56\nyllcorner 58.9833\ncellsize 0.00833333\n"
        "NODATA_value -9999\n";
    EXPECT_EQ(run.readFile("output/arcgis/cutDem.asc"),
              header + " -9999 -1 128\n -32768 32767 0\n");
    EXPECT_EQ(run.readFile("output/arcgis/cutDir.asc"), header + " 1 255 -9999\n 0 128 64\n");
}

// A limit on the address space that only the full memory plan respects: the
// records, 16 bytes a cell besides (more than the clipped grids and the
// derivation's lists, less than those with the copies of the five fields the
// products show) and 64 MiB. A plan that left out the copies, or the records,
// would let the run start and fail halfway (held to seconds and megabytes of
// console here: its flat terrain is all pits).
TEST_F(EndToEndRasters, NotEnoughMemoryIsToldBeforeReading) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit allows";
#endif
    const std::uint64_t cells = 3000 * 3000;
    const std::uint64_t limit = cells * (sizeof(cellObject) + 16) + (std::uint64_t{64} << 20);
    run.writeFile("clipArea.dat", "3000 3000 60 55");
    const testing::RunResult limited = run.run(
        "\n", "ulimit -v " + std::to_string(limit / 1024) + "; ulimit -t 20; ulimit -f 10000; ");
    EXPECT_EQ(limited.console, stageOneText("3000", "3000", "60", "55") +
                                   "Not enough memory for a study area of 3000 x 3000 cells.\n");
    EXPECT_EQ(limited.exitStatus, 1);
    EXPECT_EQ(filesIn(run.path() / "output"), 0u);
}

// The scratch file of the records is reserved whole before anything is read:
// a disk too small for it (here a file-size limit) gives the memory message
// at once and leaves nothing behind. The whole source grid is refused so on a
// machine of any size.
TEST_F(EndToEndRasters, DiskTooSmallForTheScratchFileIsToldBeforeReading) {
    for (const auto& [rows, cols, lat, lon] :
         {std::array<std::string, 4>{"600", "900", "36", "139"}, {"8400", "15000", "60", "55"}}) {
        run.writeFile("clipArea.dat", rows + " " + cols + " " + lat + " " + lon);
        const testing::RunResult result =
            run.run("\n", "ulimit -f 50000; ulimit -t 20; DRAINPREP_RECORDS=scratchFile ");
        EXPECT_EQ(result.console, stageOneText(rows, cols, lat, lon) +
                                      "Not enough memory for a study area of " + rows + " x " +
                                      cols + " cells.\n");
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_EQ(filesIn(run.path() / "output"), 0u);
    }
}

// The scratch file never has a name, so a run killed with its records in it
// leaves nothing but the files it had written.
TEST_F(EndToEndRasters, KilledRunLeavesNoScratchFile) {
    run.writeFile("clipArea.dat", "300 300 60 55");  // flat: megabytes of pit reports in stage 3
    testing::StalledRun stalled = run.startStalledScratchFileRun();
    const std::string output = (run.path() / "output").string() + "/";
    bool recordsMapped = false;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!(recordsMapped && run.exists("output/arcgis/cutDir.asc")) &&
           std::chrono::steady_clock::now() < giveUp) {
        for (const std::string& line : testing::deletedFilesMapped(stalled.pid)) {
            recordsMapped = recordsMapped || line.find(output) != std::string::npos;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    kill(stalled);
    EXPECT_TRUE(recordsMapped);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(output)) {
        if (!entry.is_regular_file()) continue;
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "cutDem.asc" || name == "cutDir.asc") << name;
    }
}

// Study areas at the edges of the source grid see exactly their own samples.
TEST_F(EndToEndRasters, WholeFirstSourceRow) {
    run.writeFile("clipArea.dat", "1 15000 60 55");
    run.writeSample(Raster::dem, 0, 0, 11);
    run.writeSample(Raster::dem, 0, 14999, 22);
    run.writeSample(Raster::dem, 1, 0, 33);  // the second row stays outside
    const testing::RunResult result = run.run();
    EXPECT_EQ(result.exitStatus, 0);
    const std::string preview = run.readFile("output/arcgis/cutDem.asc");
    const std::string header = "ncols 15000\nnrows 1\nxllcorner 55\nyllcorner 59.9917\n";
    EXPECT_EQ(preview.substr(0, header.size()), header);
    EXPECT_NE(preview.find("NODATA_value -9999\n 11 0 0 "), std::string::npos);
    EXPECT_TRUE(endsWith(preview, " 0 22\n"));
    EXPECT_EQ(preview.find(" 33"), std::string::npos);
    EXPECT_EQ(int32Elements(run.readFile("output/flowAcc.bin")),
              std::vector<std::int32_t>(15000, -9999));
}

TEST_F(EndToEndRasters, SouthEastCornerOfTheSourceGrid) {
    run.writeFile("clipArea.dat", "120 120 -9 179");
    run.writeSample(Raster::dem, 8399, 14999, 1234);
    run.writeSample(Raster::dem, 8280, 14880, 4321);
    run.writeSample(Raster::directions, 8399, 14999, 128);
    const testing::RunResult result = run.run();
    EXPECT_EQ(result.exitStatus, 0);
    const std::string dem = run.readFile("output/arcgis/cutDem.asc");
    EXPECT_NE(dem.find("NODATA_value -9999\n 4321 0 "), std::string::npos);
    EXPECT_TRUE(endsWith(dem, " 0 1234\n"));
    const std::string directions = run.readFile("output/arcgis/cutDir.asc");
    EXPECT_TRUE(endsWith(directions, " 0 128\n"));
}

TEST_F(EndToEndRasters, OneCellAtTheNorthWestCorner) {
    run.writeFile("clipArea.dat", "1 1 60 55");
    run.writeSample(Raster::dem, 0, 0, -7);
    run.writeSample(Raster::directions, 0, 0, 16);
    ASSERT_EQ(run.run().exitStatus, 0);
    EXPECT_EQ(run.readFile("output/arcgis/cutDem.asc"),
              "ncols 1\nnrows 1\nxllcorner 55\nyllcorner 59.9917\ncellsize 0.00833333\n"
              "NODATA_value -9999\n -7\n");
    EXPECT_EQ(run.readFile("output/arcgis/riverNum.asc"),
              "ncols 1\nnrows 1\nxllcorner 55\nyllcorner 59.9917\ncellsize 0.00833333\n"
              "NODATA_value -1\n -1");
    EXPECT_EQ(run.readFile("output/riverNumList.dat"), "");
}

// Three rows: only the two middle cells lie off the frame ring, outlets
// that nothing drains into.
TEST_F(EndToEndRasters, ThreeByFourAreaHoldsNoBasin) {
    run.writeFile("clipArea.dat", "3 4 60 55");
    ASSERT_EQ(run.run().exitStatus, 0);
    EXPECT_EQ(run.readFile("output/modDem.bin").size(), 96u);
    const std::int32_t f = -9999;
    EXPECT_EQ(int32Elements(run.readFile("output/flowAcc.bin")),
              (std::vector<std::int32_t>{f, f, f, f, f, -1, -1, f, f, f, f, f}));
    EXPECT_EQ(int32Elements(run.readFile("output/riverNum.bin")),
              (std::vector<std::int32_t>{f, f, f, f, f, -1, -1, f, f, f, f, f}));
    EXPECT_EQ(run.readFile("output/riverNumList.dat"), "");
}

// ---------------------------------------------------------------------------
// Whole runs

// A 6 x 7 study area at 40N 100E, land falling 10 m a row towards the south,
// every cell draining south except [2][2], which drains north-west into the
// outlet-ring cell [1][1]. Outlets left: [1][1], [4][2], [4][3], [4][4].
class EndToEndWholeRun : public ::testing::Test {
protected:
    void SetUp() override {
        run.writeFile("clipArea.dat", "6 7 40 100");
        run.createSourceRasters();
        testing::SampleRows dem;
        testing::SampleRows directions;
        for (std::int16_t row = 0; row < 6; ++row) {
            dem.push_back(std::vector<std::int16_t>(7, static_cast<std::int16_t>(100 - 10 * row)));
            directions.push_back(std::vector<std::int16_t>(7, 4));
        }
        directions[2][2] = 32;
        run.writeSamples(Raster::dem, 2400, 5400, dem);
        run.writeSamples(Raster::directions, 2400, 5400, directions);
    }

    static std::string productGrid(const char* nodata, const std::vector<std::string>& rows) {
        std::string text =
            "ncols 7\nnrows 6\nxllcorner 100\nyllcorner 39.95\ncellsize 0.00833333\n"
            "NODATA_value ";
        text += nodata;
        for (const std::string& row : rows) text += "\n" + row;
        return text;
    }

    RunDirectory run;
};

TEST_F(EndToEndWholeRun, ConsoleOfACompleteRun) {
    const testing::KeyboardRun answered = run.runAnsweringThePrompt(closingPrompt);
    const std::string console = stageOneText("6", "7", "40", "100") + readingText() +
                                previewLines + stageThreeText + derivationText + productLines +
                                closingPrompt;
    EXPECT_EQ(answered.consoleWhenKeyWasDue, console);
    EXPECT_EQ(answered.result.console, console);
    EXPECT_EQ(answered.result.exitStatus, 0);
}

TEST_F(EndToEndWholeRun, AsciiProducts) {
    ASSERT_EQ(run.run().exitStatus, 0);
    const std::string allNoData = " -9999 -9999 -9999 -9999 -9999 -9999 -9999";
    const std::string allMinusOne = " -1 -1 -1 -1 -1 -1 -1";
    EXPECT_EQ(run.readFile("output/arcgis/modDem.asc"),
              productGrid("-9999",
                          {allNoData, " -9999 90 -9999 -9999 -9999 -9999 -9999",
                           " -9999 -9999 80 80 80 -9999 -9999", " -9999 -9999 70 70 70 -9999 -9999",
                           " -9999 -9999 60 60 60 -9999 -9999", allNoData}));
    EXPECT_EQ(run.readFile("output/arcgis/distance.asc"),
              productGrid("-1", {allMinusOne, " -1 0 -1 -1 -1 -1 -1", " -1 -1 1 2 2 -1 -1",
                                 " -1 -1 1 1 1 -1 -1", " -1 -1 0 0 0 -1 -1", allMinusOne}));
    EXPECT_EQ(
        run.readFile("output/arcgis/flowDir.asc"),
        productGrid("-9999", {allNoData, " -9999 0 -9999 -9999 -9999 -9999 -9999",
                              " -9999 -9999 32 4 4 -9999 -9999", " -9999 -9999 4 4 4 -9999 -9999",
                              " -9999 -9999 0 0 0 -9999 -9999", allNoData}));
    EXPECT_EQ(
        run.readFile("output/arcgis/flowAcc.asc"),
        productGrid("-9999", {allNoData, " -9999 2 -1 -1 -1 -1 -9999", " -9999 -1 1 1 1 -1 -9999",
                              " -9999 -1 1 2 2 -1 -9999", " -9999 -1 2 3 3 -1 -9999", allNoData}));
    EXPECT_EQ(run.readFile("output/arcgis/riverNum.asc"),
              productGrid("-1", {allMinusOne, " -1 1 -1 -1 -1 -1 -1", " -1 -1 1 3 4 -1 -1",
                                 " -1 -1 2 3 4 -1 -1", " -1 -1 2 3 4 -1 -1", allMinusOne}));
}

TEST_F(EndToEndWholeRun, BinaryProducts) {
    ASSERT_EQ(run.run().exitStatus, 0);
    const std::int32_t f = -9999;  // frame ring
    const std::vector<std::int32_t> frameRow(7, f);
    const auto grid = [&](std::vector<std::vector<std::int32_t>> inner) {
        std::vector<std::int32_t> all(frameRow);
        for (const auto& row : inner) all.insert(all.end(), row.begin(), row.end());
        all.insert(all.end(), frameRow.begin(), frameRow.end());
        return all;
    };
    EXPECT_EQ(int32Elements(run.readFile("output/flowDir.bin")), grid({{f, 0, -1, -1, -1, -1, f},
                                                                       {f, -1, 8, 5, 5, -1, f},
                                                                       {f, -1, 5, 5, 5, -1, f},
                                                                       {f, -1, 0, 0, 0, -1, f}}));
    EXPECT_EQ(int32Elements(run.readFile("output/flowAcc.bin")), grid({{f, 2, -1, -1, -1, -1, f},
                                                                       {f, -1, 1, 1, 1, -1, f},
                                                                       {f, -1, 1, 2, 2, -1, f},
                                                                       {f, -1, 2, 3, 3, -1, f}}));
    EXPECT_EQ(int32Elements(run.readFile("output/riverNum.bin")), grid({{f, 1, -1, -1, -1, -1, f},
                                                                        {f, -1, 1, 3, 4, -1, f},
                                                                        {f, -1, 2, 3, 4, -1, f},
                                                                        {f, -1, 2, 3, 4, -1, f}}));
    const std::vector<double> elevations = doubleElements(run.readFile("output/modDem.bin"));
    ASSERT_EQ(elevations.size(), 42u);
    EXPECT_EQ(elevations[0], -9999.0);
    EXPECT_EQ(elevations[8], 90.0);
    EXPECT_EQ(elevations[9], -9999.0);  // a pruned outlet
    EXPECT_EQ(elevations[4 * 7 + 4], 60.0);
}

TEST_F(EndToEndWholeRun, OutletListInRowMajorOrder) {
    ASSERT_EQ(run.run().exitStatus, 0);
    EXPECT_EQ(run.readFile("output/riverNumList.dat"),
              "1 2 2 360045 143955 2\n"
              "2 5 3 360075 143865 2\n"
              "3 5 4 360105 143865 3\n"
              "4 5 5 360135 143865 3\n");
}

TEST_F(EndToEndWholeRun, ExistingProductsAreOverwritten) {
    run.writeFile("output/riverNumList.dat", std::string(5000, 'Q'));
    run.writeFile("output/flowAcc.bin", std::string(5000, 'Q'));
    ASSERT_EQ(run.run().exitStatus, 0);
    EXPECT_EQ(run.readFile("output/flowAcc.bin").size(), 42u * 4);
    EXPECT_EQ(run.readFile("output/riverNumList.dat").find('Q'), std::string::npos);
}

// The .hdr, .prj and .aux.xml beside a grid describe the grid of an earlier
// run: each is removed before its grid is written anew, and nothing else.
TEST_F(EndToEndWholeRun, SidecarsOfTheGridsItWritesAreRemovedAndNothingElse) {
    const char* const sidecars[] = {"output/modDem.hdr", "output/flowAcc.hdr",
                                    "output/riverNum.bin.aux.xml", "output/arcgis/cutDem.prj",
                                    "output/arcgis/flowDir.prj", "output/arcgis/distance.asc.aux.xml"};
    const char* const othersFiles[] = {"output/notes.hdr", "output/flowAcc.txt",
                                       "output/arcgis/cutDem.asc.txt", "clipArea.prj"};
    for (const char* file : sidecars) run.writeFile(file, "of an earlier run");
    for (const char* file : othersFiles) run.writeFile(file, "the user's own");
    const testing::RunResult result = run.run();
    EXPECT_EQ(result.console, stageOneText("6", "7", "40", "100") + readingText() + previewLines +
                                  stageThreeText + derivationText + productLines + closingPrompt);
    for (const char* file : sidecars) EXPECT_FALSE(run.exists(file)) << file;
    for (const char* file : othersFiles) EXPECT_EQ(run.readFile(file), "the user's own") << file;

    // One that cannot be removed stops the run before its grid.
    std::filesystem::create_directories(run.path() / "output/flowAcc.hdr/inside");
    const testing::RunResult blocked = run.run();
    EXPECT_EQ(blocked.exitStatus, 1);
    EXPECT_TRUE(endsWith(blocked.console,
                         "flowDir.asc done.\n  Removing ./output/flowAcc.hdr failed: it describes "
                         "the ./output/flowAcc.bin of an earlier run.\n"))
        << blocked.console;
}

TEST_F(EndToEndWholeRun, UnknownDirectionCodeStopsBeforeAnyProduct) {
    run.writeSample(Raster::directions, 2400 + 3, 5400 + 4, 255);
    const testing::RunResult result = run.run();
    EXPECT_EQ(result.console, stageOneText("6", "7", "40", "100") + readingText() + previewLines +
                                  stageThreeText + "3-4-255cellObject.down is wrong.\n");
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_TRUE(run.exists("output/arcgis/cutDir.asc"));
    for (const char* product : productFiles) EXPECT_FALSE(run.exists(product)) << product;
}

// Every file under output/ by its path, with its bytes.
std::map<std::string, std::string> outputFiles(const RunDirectory& run) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(run.path() / "output")) {
        const std::string path = std::filesystem::relative(entry.path(), run.path()).string();
        files[path] = entry.is_regular_file() ? run.readFile(path) : "";
    }
    return files;
}

// A run that fails after its previews leaves the earlier run whole, which the
// report then reads.
TEST_F(EndToEndWholeRun, FailedRunLeavesTheEarlierRunWhole) {
    ASSERT_EQ(run.run().exitStatus, 0);
    const std::map<std::string, std::string> earlier = outputFiles(run);
    run.writeSample(Raster::directions, 2400 + 3, 5400 + 4, 255);
    const testing::RunResult failed = run.run();
    EXPECT_EQ(failed.console, stageOneText("6", "7", "40", "100") + readingText() + previewLines +
                                  stageThreeText + "3-4-255cellObject.down is wrong.\n");
    EXPECT_EQ(outputFiles(run), earlier);
    EXPECT_EQ(run.runReport().exitStatus, 0);
}

TEST_F(EndToEndWholeRun, FlatFloorReportsItsPits) {
    // A level floor at 5 m in rows 1 to 3 above land at 60 m in row 4. The
    // six floor cells whose neighbours all hold data have no lower neighbour:
    // each prints its neighbours' elevations, N to NW, in row-major order.
    run.writeSamples(Raster::dem, 2401, 5401, {{5, 5, 5, 5, 5}, {5, 5, 5, 5, 5}, {5, 5, 5, 5, 5}});
    const testing::RunResult result = run.run();
    std::string pits;
    for (int cell = 0; cell < 3; ++cell) {
        for (int k = 0; k < 8; ++k) pits += "5check the elevation \n";
    }
    for (int cell = 0; cell < 3; ++cell) {
        for (const char* elevation : {"5", "5", "5", "60", "60", "60", "5", "5"}) {
            pits += std::string(elevation) + "check the elevation \n";
        }
    }
    EXPECT_EQ(result.console, stageOneText("6", "7", "40", "100") + readingText() + previewLines +
                                  stageThreeText + pits + derivationText + productLines +
                                  closingPrompt);
}

struct ProductFailure {
    const char* blocked;  // product made unopenable
    const char* message;
};

class EndToEndProductFailure : public EndToEndWholeRun,
                               public ::testing::WithParamInterface<ProductFailure> {};

TEST_P(EndToEndProductFailure, EarlierProductsStayCompleteLaterOnesAreNotWritten) {
    const ProductFailure failure = GetParam();
    std::filesystem::create_directory(run.path() / failure.blocked);
    const testing::RunResult result = run.run();
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_TRUE(endsWith(result.console, failure.message)) << result.console;
    EXPECT_EQ(result.console.find("Program ends."), std::string::npos);
    bool beforeFailure = true;
    for (const char* product : productFiles) {
        if (std::string(product) == failure.blocked) {
            beforeFailure = false;
            continue;
        }
        EXPECT_EQ(std::filesystem::is_regular_file(run.path() / product), beforeFailure) << product;
        if (beforeFailure) {
            EXPECT_NE(result.console.find(std::string("./") + product), std::string::npos);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    EachProduct, EndToEndProductFailure,
    ::testing::Values(
        ProductFailure{"output/modDem.bin",
                       "4) Writing output files\nmodDem.bin file cannot open.\n"},
        ProductFailure{"output/arcgis/modDem.asc", "modDem.bin\nmodDem.asc file can not open\n"},
        ProductFailure{"output/arcgis/distance.asc", " done.\ndstance.asc file can not open\n"},
        ProductFailure{"output/flowDir.bin", " done.\nflowDir.bin file cannot open.\n"},
        ProductFailure{"output/arcgis/flowDir.asc", " done.\nfile can not open\n"},
        ProductFailure{"output/flowAcc.bin", " done.\nflowAcc.bin file cannot open.\n"},
        ProductFailure{"output/arcgis/flowAcc.asc", " done.\nflowAcc.asc file can not open\n"},
        ProductFailure{"output/riverNum.bin", " done.\nriverNum.bin file cannot open.\n"},
        ProductFailure{"output/arcgis/riverNum.asc",
                       " done.\nESRIRiverNum.asc riverNumber file can not open\n"},
        ProductFailure{"output/riverNumList.dat", " done.\nriverNumList.dat file can not open\n"}));

// Records in a scratch file instead of memory give the same console and the
// same files, and leave nothing else in ./output; that the second run did
// put its records there shows where a file-size limit stops it.
TEST_F(EndToEndWholeRun, RecordsInAScratchFileGiveTheSameRun) {
    run.writeSamples(Raster::dem, 2401, 5401, {{5, 5, 5, 5, 5}, {5, 5, 5, 5, 5}, {5, 5, 5, 5, 5}});
    const testing::RunResult inMemory = run.run();
    std::vector<std::string> products;
    for (const char* product : productFiles) products.push_back(run.readFile(product));
    const testing::RunResult inScratchFile = run.run("\n", "DRAINPREP_RECORDS=scratchFile ");
    EXPECT_EQ(inScratchFile.exitStatus, 0);
    EXPECT_EQ(inScratchFile.console, inMemory.console);
    for (std::size_t i = 0; i < products.size(); ++i) {
        EXPECT_EQ(run.readFile(productFiles[i]), products[i]) << productFiles[i];
    }
    EXPECT_EQ(filesIn(run.path() / "output"), std::size(productFiles) + 2);
    EXPECT_EQ(run.run("\n", "ulimit -f 1; DRAINPREP_RECORDS=scratchFile ").exitStatus, 1);
}

// One river winding row after row through the 16 x 26 cells inside the two
// outer rings of a 20 x 30 area, into the outlet [1][2]: with the records in
// a scratch file its whole basin is stored as in memory.
TEST_F(EndToEndWholeRun, WindingBasinInAScratchFileGivesTheSameRun) {
    run.writeFile("clipArea.dat", "20 30 40 100");
    testing::SampleRows dem;
    testing::SampleRows directions;
    for (std::int16_t row = 0; row < 20; ++row) {
        dem.push_back(std::vector<std::int16_t>(30, static_cast<std::int16_t>(10 + row)));
        directions.push_back(std::vector<std::int16_t>(30, 64));
        if (row < 2 || row > 17) continue;
        const bool westward = row % 2 == 0;
        for (int col = 2; col <= 27; ++col) {
            const bool turn = westward ? col == 2 : col == 27;
            directions.back()[static_cast<std::size_t>(col)] = turn ? 64 : (westward ? 16 : 1);
        }
    }
    run.writeSamples(Raster::dem, 2400, 5400, dem);
    run.writeSamples(Raster::directions, 2400, 5400, directions);
    const testing::RunResult inMemory = run.run();
    std::vector<std::string> products;
    for (const char* product : productFiles) products.push_back(run.readFile(product));
    EXPECT_EQ(products.back(), "1 2 3 360075 143955 417\n");
    const testing::RunResult inScratchFile = run.run("\n", "DRAINPREP_RECORDS=scratchFile ");
    EXPECT_EQ(inScratchFile.exitStatus, 0);
    EXPECT_EQ(inScratchFile.console, inMemory.console);
    for (std::size_t i = 0; i < products.size(); ++i) {
        EXPECT_EQ(run.readFile(productFiles[i]), products[i]) << productFiles[i];
    }
}

TEST_F(EndToEndWholeRun, FullDiskStopsAtThatProduct) {
    std::filesystem::create_symlink("/dev/full", run.path() / "output" / "flowAcc.bin");
    const testing::RunResult result = run.run();
    EXPECT_EQ(result.exitStatus, 1);
    const std::string tail =
        "  Writing ./output/arcgis/flowDir.asc done.\n"
        "  Writing ./output/flowAcc.bin failed.\n";
    EXPECT_TRUE(endsWith(result.console, tail));
    EXPECT_FALSE(
        std::filesystem::is_symlink(run.path() / "output" / "flowAcc.bin"));  // no stub left
    EXPECT_FALSE(run.exists("output/arcgis/flowAcc.asc"));
    EXPECT_EQ(run.readFile("output/flowDir.bin").size(), 42u * 4);
}

}  // namespace
}  // namespace drainPrep
