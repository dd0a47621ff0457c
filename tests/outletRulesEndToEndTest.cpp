// drainPrepArea and drainPrep under both outlet rules, end to end on random
// terrain with sea, no-data masks and land below sea level: the basin that
// drainPrepArea promises is the one the run of its area gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numeric>
#include <optional>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "cell/directions.hpp"
#include "support/gdalRasters.hpp"
#include "support/runDirectory.hpp"
#include "support/sourceCodes.hpp"

namespace drainPrep::testing {
namespace {

// 2 x 3 degrees from 40 N 10 E.
constexpr std::int32_t terrainRows = 240;
constexpr std::int32_t terrainCols = 360;
constexpr std::int64_t northCells = 40 * 120;
constexpr std::int64_t westCells = 10 * 120;

struct Terrain {
    std::vector<double> dem;
    std::vector<double> dir;
    std::size_t at(std::int32_t row, std::int32_t col) const {
        return static_cast<std::size_t>(row) * terrainCols + static_cast<std::size_t>(col);
    }
    bool withoutData(std::int32_t row, std::int32_t col) const {
        return dem[at(row, col)] == noDataCode || dir[at(row, col)] == noDataCode;
    }
};

// Into the lowest neighbour with data below the cell; where there is none,
// into a neighbour without data (a mouth), or nowhere (a sink). So rivers
// run along the edges of sea and masks, as on a basin-masked source.
std::int32_t steepestDescent(const Terrain& terrain, std::int32_t row, std::int32_t col) {
    double steepest = 0.0;
    std::int32_t code = sinkCode;
    std::int32_t mouthCode = sinkCode;
    for (const Direction& direction : flowDirections) {
        const std::int32_t nextRow = row + direction.rowOffset;
        const std::int32_t nextCol = col + direction.colOffset;
        if (terrain.withoutData(nextRow, nextCol)) {
            mouthCode = direction.sourceCode;
            continue;
        }
        const double drop =
            (terrain.dem[terrain.at(row, col)] - terrain.dem[terrain.at(nextRow, nextCol)]) /
            std::hypot(direction.rowOffset, direction.colOffset);
        if (drop > steepest) {
            steepest = drop;
            code = direction.sourceCode;
        }
    }
    return code != sinkCode ? code : mouthCode;
}

// Hills falling towards a sea in the west, a depression below sea level
// inland, blocks without data (a basin mask, some with a DEM and no
// directions) and a ring of no data round it all; directions by steepest
// descent, sinks where nothing is lower.
Terrain randomTerrain(std::uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    Terrain terrain{std::vector<double>(terrainRows * terrainCols),
                    std::vector<double>(terrainRows * terrainCols, sinkCode)};
    const double depressionRow = 60 + 120 * unit(random);
    const double depressionCol = 150 + 150 * unit(random);
    for (std::int32_t row = 0; row < terrainRows; ++row) {
        for (std::int32_t col = 0; col < terrainCols; ++col) {
            const double hills = 15 * std::sin(row / 9.0) * std::cos(col / 13.0);
            const double hollow = std::hypot(row - depressionRow, col - depressionCol);
            double height = 1.5 * (col - 60) + hills + 2 * unit(random);
            if (hollow < 25) height = std::min(height, hollow - 20);
            terrain.dem[terrain.at(row, col)] = std::round(height);
        }
    }
    const auto block = [&terrain](std::int32_t top, std::int32_t left, std::int32_t rows,
                                  std::int32_t cols, bool keepDem) {
        for (std::int32_t row = top; row < std::min(top + rows, terrainRows); ++row) {
            for (std::int32_t col = left; col < std::min(left + cols, terrainCols); ++col) {
                terrain.dir[terrain.at(row, col)] = noDataCode;
                if (!keepDem) terrain.dem[terrain.at(row, col)] = noDataCode;
            }
        }
    };
    // The edge of a basin mask along the floor of a valley, short of the sea.
    block(96, 75, 3, 250, false);
    for (int i = 0; i < 6; ++i) {
        block(static_cast<std::int32_t>(unit(random) * terrainRows),
              static_cast<std::int32_t>(unit(random) * terrainCols), 4 + i * 3, 30 - i * 4, i % 2);
    }
    std::vector<double> height = terrain.dem;
    for (std::int32_t row = 0; row < terrainRows; ++row) {
        for (std::int32_t col = 0; col < terrainCols; ++col) {
            // The sea: no data on both rasters, as in the source pair.
            if (height[terrain.at(row, col)] <= 0 && col < 90) block(row, col, 1, 1, false);
            if (row < 3 || col < 3 || row >= terrainRows - 3 || col >= terrainCols - 3) {
                block(row, col, 1, 1, false);
            }
        }
    }
    for (std::int32_t row = 1; row < terrainRows - 1; ++row) {
        for (std::int32_t col = 1; col < terrainCols - 1; ++col) {
            if (!terrain.withoutData(row, col)) {
                terrain.dir[terrain.at(row, col)] = steepestDescent(terrain, row, col);
            }
        }
    }
    return terrain;
}

void writeTerrain(const RunDirectory& run, const Terrain& terrain) {
    TestRaster dem = latticeRaster(terrainRows, terrainCols, northCells, westCells);
    dem.values = terrain.dem;
    dem.noData = noDataCode;
    TestRaster dir = latticeRaster(terrainRows, terrainCols, northCells, westCells);
    dir.values = terrain.dir;
    writeGeoTiff((run.path() / "dem.tif").string(), dem);
    writeGeoTiff((run.path() / "dir.tif").string(), dir);
}

std::string centreOf(std::int32_t row, std::int32_t col) {
    char text[64];
    std::snprintf(text, sizeof text, "%.6f %.6f", 40.0 - (row + 0.5) / 120,
                  10.0 + (col + 0.5) / 120);
    return text;
}

// Cells draining straight into a cell without flow under the rule, with
// at least `least` cells upstream: river mouths at the sea and at the edges
// of the masks. The directions run strictly downhill, so upstream counts
// gather from the highest cell down.
struct Mouth {
    std::int32_t row;
    std::int32_t col;
    std::int32_t upstream;
};

std::vector<Mouth> mouths(const Terrain& terrain, bool belowSeaIsSea, std::int32_t least) {
    const auto noFlow = [&](std::int32_t row, std::int32_t col) {
        return terrain.withoutData(row, col) ||
               (belowSeaIsSea && terrain.dem[terrain.at(row, col)] < 0);
    };
    const auto downOf = [&](std::int32_t row, std::int32_t col) -> std::optional<std::size_t> {
        for (const Direction& direction : flowDirections) {
            if (terrain.dir[terrain.at(row, col)] == direction.sourceCode) {
                return terrain.at(row + direction.rowOffset, col + direction.colOffset);
            }
        }
        return std::nullopt;
    };
    std::vector<std::size_t> order(terrain.dem.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return terrain.dem[a] > terrain.dem[b]; });
    std::vector<std::int32_t> upstream(terrain.dem.size(), 1);
    std::vector<Mouth> found;
    for (const std::size_t cell : order) {
        const std::int32_t row = static_cast<std::int32_t>(cell / terrainCols);
        const std::int32_t col = static_cast<std::int32_t>(cell % terrainCols);
        if (noFlow(row, col)) continue;
        const std::optional<std::size_t> down = downOf(row, col);
        if (!down) continue;
        const std::int32_t downRow = static_cast<std::int32_t>(*down / terrainCols);
        const std::int32_t downCol = static_cast<std::int32_t>(*down % terrainCols);
        if (!noFlow(downRow, downCol)) {
            upstream[*down] += upstream[cell];
        } else if (upstream[cell] >= least) {
            found.push_back({row, col, upstream[cell]});
        }
    }
    return found;
}

struct Checked {
    std::int32_t points = 0;
    std::int32_t mouths = 0;
    std::int32_t cut = 0;
};

// drainPrepArea at the point, then drainPrep of the area it writes.
void checkPoint(const RunDirectory& run, const std::string& rule, const std::string& point,
                bool atMouth, Checked& checked) {
    const std::string sources = " --dem dem.tif --dir dir.tif --outlets " + rule;
    const RunResult area =
        run.runArea(point + (atMouth ? " --snap 0" : "") + sources + " --write --force");
    if (area.exitStatus == 1) return;  // no river there, or an area the source cannot hold
    static const std::regex countLine(
        "gives the point, row (\\d+), column (\\d+) of the study area, (a basin of (\\d+) cell|no "
        "basin)");
    std::smatch match;
    ASSERT_TRUE(std::regex_search(area.console, match, countLine)) << area.console;
    const std::int32_t row = std::stoi(match[1]);
    const std::int32_t col = std::stoi(match[2]);
    const std::int32_t count = match[4].matched ? std::stoi(match[4]) : -1;
    EXPECT_EQ(area.exitStatus == 2, area.console.find("CUT RIVER: ") != std::string::npos);
    if (rule == "d8") {
        EXPECT_EQ(area.exitStatus, 0) << area.console;
    }
    checked.cut += area.exitStatus == 2 ? 1 : 0;

    ASSERT_EQ(run.runWithArguments(sources).exitStatus, 0) << point;
    EXPECT_NE(run.readFile("output/sourceRasters.txt").find("\noutlets " + rule + "\n"),
              std::string::npos);
    std::int32_t nrows = 0;
    std::int32_t ncols = 0;
    std::sscanf(run.readFile("clipArea.dat").c_str(), "%d %d", &nrows, &ncols);
    const std::size_t at = static_cast<std::size_t>(row) * static_cast<std::size_t>(ncols) +
                           static_cast<std::size_t>(col);
    const std::vector<std::int32_t> flowAcc = int32Elements(run.readFile("output/flowAcc.bin"));
    const std::vector<std::int32_t> flowDir = int32Elements(run.readFile("output/flowDir.bin"));
    const std::vector<std::int32_t> riverNum = int32Elements(run.readFile("output/riverNum.bin"));
    ASSERT_EQ(flowAcc.size(), static_cast<std::size_t>(nrows) * static_cast<std::size_t>(ncols));
    EXPECT_EQ(flowAcc[at], count) << rule << " at " << point << "\n" << area.console;
    ++checked.points;
    if (rule == "d8" && atMouth) {
        EXPECT_EQ(flowDir[at], 0) << point << "\n" << area.console;
    }
    if (flowDir[at] != 0) return;
    const auto numbered = std::count(riverNum.begin(), riverNum.end(), riverNum[at]);
    EXPECT_EQ(numbered, count) << rule << " at the mouth " << point;
    ++checked.mouths;
}

TEST(EndToEndOutletRules, AreaCountIsTheRunsFlowAccAndTheMouthsBasin) {
    for (const std::string rule : {"coast", "d8"}) {
        Checked checked;
        for (std::uint32_t seed = 1; seed <= 2; ++seed) {
            RunDirectory run;
            const Terrain terrain = randomTerrain(seed);
            writeTerrain(run, terrain);
            const auto found = mouths(terrain, rule == "coast", 30);
            ASSERT_GT(found.size(), 5u);
            std::mt19937 random(seed);
            // The largest river of the valley along the mask, and others.
            Mouth valley{0, 0, 0};
            for (const Mouth& mouth : found) {
                if (mouth.row > 90 && mouth.row < 106 && mouth.upstream > valley.upstream) {
                    valley = mouth;
                }
            }
            ASSERT_GT(valley.upstream, 100);
            checkPoint(run, rule, centreOf(valley.row, valley.col), true, checked);
            for (int i = 0; i < 3; ++i) {
                const Mouth& mouth = found[random() % found.size()];
                checkPoint(run, rule, centreOf(mouth.row, mouth.col), true, checked);
            }
            for (int i = 0; i < 2; ++i) {
                checkPoint(run, rule,
                           centreOf(static_cast<std::int32_t>(20 + random() % 200),
                                    static_cast<std::int32_t>(100 + random() % 240)),
                           false, checked);
            }
        }
        SCOPED_TRACE(rule);
        EXPECT_GE(checked.points, 6);
        EXPECT_GE(checked.mouths, 4);
        if (rule == "coast") {
            EXPECT_GE(checked.cut, 1);
        }
    }
}

}  // namespace
}  // namespace drainPrep::testing
