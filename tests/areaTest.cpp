// drainPrepArea's logic: upstream counts over a flow grid, the basin of a
// cell, snapping a point to its river, the study area that holds a basin, and
// the command line.
//
// A worked example on a literal grid, a comparison with walks from every cell
// on random grids, and tables for the corner rounding and the arguments.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <random>
#include <sstream>
#include <vector>

#include "analysis/directionCodes.hpp"
#include "area/areaChoice.hpp"
#include "area/areaCommand.hpp"
#include "area/basin.hpp"
#include "area/flowGrid.hpp"
#include "cell/directions.hpp"
#include "driver/clipAreaFile.hpp"
#include "support/runDirectory.hpp"

namespace drainPrep {
namespace {

using Rows = std::vector<std::vector<std::int32_t>>;

// Land at 1 m unless `elevations` holds a row for the cell.
FlowGrid flowGridOf(const Rows& directions, const Rows& elevations = {}) {
    const auto nrows = static_cast<std::int32_t>(directions.size());
    const auto ncols = static_cast<std::int32_t>(directions[0].size());
    FlowGrid grid(nrows, ncols);
    for (std::int32_t row = 0; row < nrows; ++row) {
        for (std::int32_t col = 0; col < ncols; ++col) {
            const auto r = static_cast<std::size_t>(row);
            const auto c = static_cast<std::size_t>(col);
            grid.setSamples({row, col}, elevations.empty() ? 1 : elevations[r][c],
                            directions[r][c]);
        }
    }
    grid.countUpstream();
    return grid;
}

Rows upstreamCounts(const FlowGrid& grid) {
    Rows counts(static_cast<std::size_t>(grid.nrows()));
    for (SourceCell cell; cell.row < grid.nrows(); ++cell.row) {
        for (cell.col = 0; cell.col < grid.ncols(); ++cell.col) {
            counts[static_cast<std::size_t>(cell.row)].push_back(grid.upstreamCells(cell));
        }
    }
    return counts;
}

// ---------------------------------------------------------------------------
// Worked example: 5 x 7 cells, source D8 codes.
//   a tree of five cells and a tributary of two into the sink [1][2];
//   no data at [0][4] (-9999) and [4][1] (-1), below sea level at [2][2],
//   a value that is not a D8 code at [1][5]: each stops the path into it;
//   [0][6] and [4][6] drain off the grid; [2][0] and [2][1] drain into each
//   other, fed by [3][0], [3][1] and [4][0]; [3][3] lies at exactly 0 m and
//   keeps its code; [3][4] is a sink fed from both sides.

const Rows exampleDirections = {
    {2, 4, 8, 0, -9999, 16, 1}, {1, 1, 0, 16, 16, 3, 64}, {1, 16, 4, 16, 0, 64, 8},
    {64, 32, 64, 1, 0, 16, 16}, {64, -1, 16, 0, 1, 1, 4},
};

const Rows exampleElevations = {
    {1, 1, 1, 1, 1, 1, 1}, {1, 1, 1, 1, 1, 1, 1}, {1, 1, -5, 1, 1, 1, 1},
    {1, 1, 1, 0, 1, 1, 1}, {1, 1, 1, 1, 1, 1, 1},
};

TEST(AreaFlowGrid, UpstreamCountsOfTheWorkedExample) {
    const Rows expected = {
        {1, 1, 1, 1, 0, 1, 2}, {1, 5, 8, 2, 1, 0, 1}, {0, 0, 0, 1, 1, 1, 1},
        {2, 1, 1, 1, 5, 3, 1}, {1, 0, 1, 1, 1, 2, 3},
    };
    EXPECT_EQ(upstreamCounts(flowGridOf(exampleDirections, exampleElevations)), expected);
}

TEST(AreaBasin, BasinsOfTheWorkedExample) {
    const FlowGrid grid = flowGridOf(exampleDirections, exampleElevations);
    const Basin tree = traceBasin(grid, {1, 2});
    EXPECT_EQ(tree.cells, 8);
    EXPECT_EQ(tree.extent, (CellExtent{0, 1, 0, 4}));
    EXPECT_EQ(tree.cellsBesideNoFlow, 3);  // [1][1], [1][3], [1][4]; not the sink itself
    // Cells just south of 60 N: 926.6 m by 926.6 m x cos(60 degrees).
    EXPECT_NEAR(tree.squareKilometres, 8 * 0.4297, 0.001);

    const Basin sides = traceBasin(grid, {3, 4});
    EXPECT_EQ(sides.cells, 5);
    EXPECT_EQ(sides.extent, (CellExtent{2, 3, 3, 6}));
}

TEST(AreaSnap, LargestUpstreamAreaNearestFirst) {
    const FlowGrid grid = flowGridOf(exampleDirections, exampleElevations);
    struct Case {
        SourceCell point;
        std::int32_t radius;
        std::optional<SourceCell> river;
    };
    const std::int32_t anyRadius = std::numeric_limits<std::int32_t>::max();
    for (const Case& c : {
             Case{{1, 1}, 0, SourceCell{1, 1}},  // off: the point stays
             Case{{0, 4}, 0, std::nullopt},      // no data
             Case{{2, 0}, 0, std::nullopt},      // on a loop
             Case{{2, 2}, 0, std::nullopt},      // below sea level
             Case{{0, 4}, 1, SourceCell{1, 3}},
             Case{{4, 6}, 1, SourceCell{4, 6}},  // ties with [3][5], but nearer
             Case{{3, 6}, 1, SourceCell{3, 5}},  // ties with [4][6], first in row order
             Case{{4, 0}, 2, SourceCell{3, 0}},  // the loop's cells count nothing
             Case{{0, 0}, anyRadius, SourceCell{1, 2}},
         }) {
        EXPECT_EQ(snapToRiver(grid, c.point, c.radius), c.river)
            << c.point.row << "," << c.point.col << " radius " << c.radius;
    }
    const FlowGrid sea = flowGridOf({{-9999, -9999}, {-9999, 16}}, {{-9999, -9999}, {-9999, -3}});
    EXPECT_EQ(snapToRiver(sea, {0, 0}, 5), std::nullopt);
}

// ---------------------------------------------------------------------------
// Random grids against walks from every cell

struct Walks {
    Rows passing;  // cells whose path passes the cell, itself included
    std::vector<std::vector<CellExtent>> extents;
    std::vector<std::vector<bool>> onLoop;
};

std::int32_t valueAt(const Rows& rows, SourceCell cell) {
    return rows[static_cast<std::size_t>(cell.row)][static_cast<std::size_t>(cell.col)];
}

// The yardstick: a cell has flow data when its value decodes to a code of 0
// or more and it lies at 0 m or higher.
std::optional<std::int32_t> flowCode(const Rows& directions, const Rows& elevations,
                                     SourceCell cell) {
    const std::optional<std::int32_t> code = decodeDirection(valueAt(directions, cell));
    return code && *code >= 0 && valueAt(elevations, cell) >= 0 ? code : std::nullopt;
}

// A path steps to the cell its code names while that cell lies in the grid
// and has flow data.
std::optional<SourceCell> stepOf(const Rows& directions, const Rows& elevations, SourceCell cell) {
    const std::optional<std::int32_t> code = flowCode(directions, elevations, cell);
    if (!code || *code == 0) return std::nullopt;
    const Direction& direction = flowDirections[*code - 1];
    const SourceCell next{cell.row + direction.rowOffset, cell.col + direction.colOffset};
    const bool inside = next.row >= 0 && next.col >= 0 &&
                        next.row < static_cast<std::int32_t>(directions.size()) &&
                        next.col < static_cast<std::int32_t>(directions[0].size());
    if (!inside || !flowCode(directions, elevations, next)) return std::nullopt;
    return next;
}

Walks walkFromEveryCell(const Rows& directions, const Rows& elevations) {
    const std::size_t nrows = directions.size();
    const std::size_t ncols = directions[0].size();
    Walks walks{Rows(nrows, std::vector<std::int32_t>(ncols, 0)),
                std::vector<std::vector<CellExtent>>(nrows, std::vector<CellExtent>(ncols)),
                std::vector<std::vector<bool>>(nrows, std::vector<bool>(ncols, false))};
    for (SourceCell start; start.row < static_cast<std::int32_t>(nrows); ++start.row) {
        for (start.col = 0; start.col < static_cast<std::int32_t>(ncols); ++start.col) {
            if (!flowCode(directions, elevations, start)) continue;
            std::vector<SourceCell> path;
            std::optional<SourceCell> cell = start;
            while (cell && std::find(path.begin(), path.end(), *cell) == path.end()) {
                path.push_back(*cell);
                cell = stepOf(directions, elevations, *cell);
            }
            if (cell == start)
                walks.onLoop[static_cast<std::size_t>(start.row)]
                            [static_cast<std::size_t>(start.col)] = true;
            for (const SourceCell& passed : path) {
                const auto r = static_cast<std::size_t>(passed.row);
                const auto c = static_cast<std::size_t>(passed.col);
                CellExtent& extent = walks.extents[r][c];
                if (walks.passing[r][c]++ == 0)
                    extent = {start.row, start.row, start.col, start.col};
                extent = {std::min(extent.firstRow, start.row), std::max(extent.lastRow, start.row),
                          std::min(extent.firstCol, start.col),
                          std::max(extent.lastCol, start.col)};
            }
        }
    }
    return walks;
}

TEST(AreaFlowGrid, CountsAndBasinsMatchWalksFromEveryCellOnRandomGrids) {
    std::mt19937 random(11);
    const std::int32_t sourceValues[] = {1, 2, 4, 8, 16, 32, 64, 128, 0, -9999, -1, 3};
    std::discrete_distribution<std::size_t> pick({6, 6, 6, 6, 6, 6, 6, 6, 1, 1, 1, 1});
    std::uniform_int_distribution<std::int32_t> elevation(-3, 40);
    for (int trial = 0; trial < 200; ++trial) {
        const std::size_t nrows = 1 + random() % 9;
        const std::size_t ncols = 1 + random() % 13;
        Rows directions(nrows, std::vector<std::int32_t>(ncols));
        Rows elevations(nrows, std::vector<std::int32_t>(ncols));
        for (std::size_t r = 0; r < nrows; ++r) {
            for (std::size_t c = 0; c < ncols; ++c) {
                directions[r][c] = sourceValues[pick(random)];
                elevations[r][c] = elevation(random);
            }
        }
        const FlowGrid grid = flowGridOf(directions, elevations);
        const Walks walks = walkFromEveryCell(directions, elevations);
        for (SourceCell cell; cell.row < grid.nrows(); ++cell.row) {
            for (cell.col = 0; cell.col < grid.ncols(); ++cell.col) {
                const auto r = static_cast<std::size_t>(cell.row);
                const auto c = static_cast<std::size_t>(cell.col);
                const std::int32_t expected = walks.onLoop[r][c] ? 0 : walks.passing[r][c];
                ASSERT_EQ(grid.upstreamCells(cell), expected) << "trial " << trial;
                if (expected == 0) continue;
                const Basin basin = traceBasin(grid, cell);
                ASSERT_EQ(basin.cells, expected) << "trial " << trial;
                ASSERT_EQ(basin.extent, walks.extents[r][c]) << "trial " << trial;
            }
        }
    }
}

// ---------------------------------------------------------------------------
// From a point and a basin to the study area

TEST(AreaChoice, PointToSourceCell) {
    struct Case {
        double lat, lon;
        std::optional<SourceCell> cell;
    };
    const double notANumber = std::numeric_limits<double>::quiet_NaN();
    for (const Case& c : {
             Case{60.0, 55.0, SourceCell{0, 0}},
             Case{59.9917, 55.0084, SourceCell{0, 1}},
             Case{50.0, 100.0, SourceCell{1200, 5400}},
             Case{49.999, 100.001, SourceCell{1200, 5400}},
             Case{-2.5, 120.25, SourceCell{7500, 7830}},
             Case{-9.999, 179.999, SourceCell{8399, 14999}},
             Case{60.0001, 100.0, std::nullopt},
             Case{-10.0, 100.0, std::nullopt},
             Case{30.0, 54.9999, std::nullopt},
             Case{30.0, 180.0, std::nullopt},
             Case{notANumber, 100.0, std::nullopt},
         }) {
        EXPECT_EQ(sourceCellAt(c.lat, c.lon), c.cell) << c.lat << " " << c.lon;
    }
}

TEST(AreaChoice, CornerRoundingAndRingsOnEverySide) {
    struct Case {
        CellExtent basin;
        StudyArea area;
        bool holdsBasin;
    };
    for (const Case& c : {
             // The rings fit between the basin and the whole-degree lines at 59 N and 56 E.
             Case{{122, 130, 122, 140}, {13, 23, 59, 56}, true},
             // One cell closer and the corner moves a degree north and west.
             Case{{121, 130, 121, 140}, {133, 143, 60, 55}, true},
             // The south and east edges follow the basin two cells out.
             Case{{1300, 1439, 5500, 5639}, {242, 242, 50, 100}, true},
             // South of the equator.
             Case{{7322, 7400, 7400, 7410}, {83, 93, -1, 116}, true},
             // Against the source grid's last row and column, with both rings.
             Case{{8300, 8397, 14900, 14997}, {120, 120, -9, 179}, true},
             // Too close to an edge of the source grid: the best area, clipped.
             Case{{1, 10, 300, 310}, {13, 73, 60, 57}, false},
             Case{{300, 310, 1, 10}, {73, 13, 58, 55}, false},
             Case{{8300, 8398, 3000, 3010}, {120, 133, -9, 79}, false},
             Case{{3000, 3010, 14900, 14998}, {133, 120, 36, 179}, false},
         }) {
        const AreaChoice choice = smallestAreaHolding(c.basin);
        EXPECT_EQ(choice.area.nrows, c.area.nrows) << c.basin.firstRow;
        EXPECT_EQ(choice.area.ncols, c.area.ncols) << c.basin.firstRow;
        EXPECT_EQ(choice.area.latNW, c.area.latNW) << c.basin.firstRow;
        EXPECT_EQ(choice.area.lonNW, c.area.lonNW) << c.basin.firstRow;
        EXPECT_EQ(choice.holdsBasin, c.holdsBasin) << c.basin.firstRow;
    }
}

// Whatever the basin, clipArea.dat takes the area back, and drainPrep's
// offsets put every basin cell off both rings.
TEST(AreaChoice, AreaPassesClipAreaChecksAndKeepsTheRings) {
    std::mt19937 random(7);
    std::uniform_int_distribution<std::int32_t> row(2, sourceRows - 3);
    std::uniform_int_distribution<std::int32_t> col(2, sourceCols - 3);
    testing::RunDirectory directory;
    const std::string path = (directory.path() / "clipArea.dat").string();
    for (int trial = 0; trial < 100; ++trial) {
        const std::pair<std::int32_t, std::int32_t> rows = std::minmax({row(random), row(random)});
        const std::pair<std::int32_t, std::int32_t> cols = std::minmax({col(random), col(random)});
        const auto [firstRow, lastRow] = rows;
        const auto [firstCol, lastCol] = cols;
        const StudyArea area = smallestAreaHolding({firstRow, lastRow, firstCol, lastCol}).area;
        ASSERT_EQ(writeStudyArea(path.c_str(), area), std::nullopt);
        StudyArea read;
        std::ostringstream echo;
        ASSERT_EQ(readStudyArea(path.c_str(), echo, read), std::nullopt);
        ASSERT_EQ(read.nrows, area.nrows);
        ASSERT_EQ(read.lonNW, area.lonNW);
        const ClipOffsets offsets = clipOffsets(read);
        ASSERT_LE(offsets.rowOffset + ringCells, firstRow);
        ASSERT_LE(offsets.colOffset + ringCells, firstCol);
        ASSERT_EQ(offsets.rowOffset + read.nrows - 1 - ringCells, lastRow);
        ASSERT_EQ(offsets.colOffset + read.ncols - 1 - ringCells, lastCol);
        // Smallest: a corner a degree further south or east would cut the rings.
        ASSERT_GT(offsets.rowOffset + cellsPerDegree + ringCells, firstRow);
        ASSERT_GT(offsets.colOffset + cellsPerDegree + ringCells, firstCol);
    }
}

// ---------------------------------------------------------------------------
// The command line

TEST(AreaCommand, Arguments) {
    struct Case {
        std::vector<std::string> arguments;
        std::optional<std::string> failure;
    };
    const std::string usage =
        "Usage: drainPrepArea LAT LON [--snap CELLS] [--input DIR] [--write] [--force]";
    for (const Case& c : {
             Case{{"30.5", "114.25"}, std::nullopt},
             Case{{"--write", "-2.5", "+120", "--snap", "0", "--force", "--input", "x"},
                  std::nullopt},
             Case{{"30.5"}, usage},
             Case{{"30.5", "114", "7"}, usage},
             Case{{"abc", "114"}, "The latitude \"abc\" is not a number."},
             Case{{"30", "114E"}, "The longitude \"114E\" is not a number."},
             Case{{"30", ""}, "The longitude \"\" is not a number."},
             Case{{"nan", "114"}, "The latitude \"nan\" is not a number."},
             Case{{"30", "inf"}, "The longitude \"inf\" is not a number."},
             Case{{"30", "114", "--snap", "-1"},
                  "--snap takes a whole number of cells, 0 or more, not \"-1\"."},
             Case{{"30", "114", "--snap", "2.5"},
                  "--snap takes a whole number of cells, 0 or more, not \"2.5\"."},
             Case{{"30", "114", "--snap"}, "--snap needs a value. " + usage},
             Case{{"30", "114", "--input"}, "--input needs a value. " + usage},
             Case{{"30", "114", "--wirte"}, "Unknown option --wirte. " + usage},
         }) {
        AreaRequest request;
        EXPECT_EQ(parseAreaRequest(c.arguments, request), c.failure) << c.arguments[0];
    }
    AreaRequest request;
    ASSERT_EQ(parseAreaRequest({"--write", "-2.5", "+120", "--snap", "0", "--input", "x"}, request),
              std::nullopt);
    EXPECT_EQ(request.lat, -2.5);
    EXPECT_EQ(request.lon, 120.0);
    EXPECT_EQ(request.snapRadius, 0);
    EXPECT_EQ(request.inputFolder, "x");
    EXPECT_TRUE(request.write);
    EXPECT_FALSE(request.force);
    AreaRequest defaults;
    ASSERT_EQ(parseAreaRequest({"30", "114"}, defaults), std::nullopt);
    EXPECT_EQ(defaults.snapRadius, defaultSnapRadius);
    EXPECT_EQ(defaults.inputFolder, "./input");
}

}  // namespace
}  // namespace drainPrep
