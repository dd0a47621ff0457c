// Whole runs on a window of real HydroSHEDS-derived terrain, when the
// project's shared reference data lies beside the checkout; skipped otherwise.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <numeric>
#include <sstream>

#include "support/runDirectory.hpp"

namespace drainPrep {
namespace {

using testing::Raster;
using testing::RunDirectory;

constexpr std::int32_t windowRows = 359;
constexpr std::int32_t windowCols = 367;

testing::SampleRows readWindow(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    testing::SampleRows rows(windowRows, std::vector<std::int16_t>(windowCols));
    for (auto& row : rows) {
        for (std::int16_t& sample : row) {
            unsigned char bytes[2] = {0, 0};
            file.read(reinterpret_cast<char*>(bytes), 2);
            sample = static_cast<std::int16_t>(bytes[0] | (bytes[1] << 8));
        }
    }
    return rows;
}

// The data values of an ASCII grid, header skipped.
std::map<std::int32_t, std::int64_t> histogramOfAsciiGrid(const std::string& text) {
    std::istringstream in(text);
    std::string key;
    std::string value;
    for (int line = 0; line < 6; ++line) in >> key >> value;
    std::map<std::int32_t, std::int64_t> counts;
    std::int32_t sample = 0;
    while (in >> sample) ++counts[sample];
    return counts;
}

class ReferenceWindow : public ::testing::Test {
protected:
    void SetUp() override {
        const std::filesystem::path data = DRAINPREP_REFERENCE_DATA;
        if (!std::filesystem::exists(data / "realDir.i16")) GTEST_SKIP() << "no reference data";
        dem = readWindow(data / "realDem.i16");
        directions = readWindow(data / "realDir.i16");
        run.createSourceRasters();
        run.writeSamples(Raster::dem, 2880, 10080, dem);  // north-west cell at 36N 139E
        run.writeSamples(Raster::directions, 2880, 10080, directions);
        run.writeFile("clipArea.dat", "359 367 36 139");
        result = run.run();
    }

    RunDirectory run;
    testing::SampleRows dem;
    testing::SampleRows directions;
    testing::RunResult result{};
};

TEST_F(ReferenceWindow, PreviewHoldsExactlyTheWindow) {
    ASSERT_EQ(result.exitStatus, 0);
    std::map<std::int32_t, std::int64_t> expected;
    for (const auto& row : directions) {
        for (std::int16_t code : row) ++expected[code];
    }
    EXPECT_EQ(histogramOfAsciiGrid(run.readFile("output/arcgis/cutDir.asc")), expected);
}

// The window holds no loops: every cell with a flow direction reaches an
// outlet, and the outlets' basins add up to all reached cells.
TEST_F(ReferenceWindow, EveryFlowingCellReachesAnOutlet) {
    ASSERT_EQ(result.exitStatus, 0);
    const std::vector<std::int32_t> dir = testing::int32Elements(run.readFile("output/flowDir.bin"));
    const std::vector<std::int32_t> river = testing::int32Elements(run.readFile("output/riverNum.bin"));
    ASSERT_EQ(dir.size(), std::size_t{windowRows} * windowCols);
    std::int64_t reached = 0;
    for (std::size_t i = 0; i < dir.size(); ++i) {
        if (dir[i] >= 0) {
            EXPECT_GT(river[i], 0) << i;
            ++reached;
        }
    }
    std::istringstream outlets(run.readFile("output/riverNumList.dat"));
    std::int64_t basinCells = 0;
    std::int32_t number = 0, row = 0, col = 0, lon = 0, lat = 0, basinSize = 0, lines = 0;
    while (outlets >> number >> row >> col >> lon >> lat >> basinSize) {
        EXPECT_EQ(number, ++lines);
        basinCells += basinSize;
    }
    EXPECT_GT(lines, 0);
    EXPECT_EQ(basinCells, reached);
}

}  // namespace
}  // namespace drainPrep
