// drainPrepArea's logic: upstream counts, basins, snapping a point to its
// river, and the study area that holds a basin. A worked example on a
// literal grid, walks from every cell on random grids, and tables.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>
#include <random>
#include <sstream>
#include <vector>

#include "analysis/directionCodes.hpp"
#include "area/areaChoice.hpp"
#include "area/basin.hpp"
#include "area/flowGrid.hpp"
#include "area/sourceBlocks.hpp"
#include "cell/directions.hpp"
#include "geometry/clipAreaFile.hpp"
#include "support/runDirectory.hpp"
#include "text/decimalNumber.hpp"

namespace drainPrep {
namespace {

using Rows = std::vector<std::vector<std::int32_t>>;

template <typename Grid>
auto& at(Grid& rows, SourceCell cell) {
    return rows[static_cast<std::size_t>(cell.row)][static_cast<std::size_t>(cell.col)];
}

std::int32_t rowsOf(const Rows& rows) { return static_cast<std::int32_t>(rows.size()); }
std::int32_t colsOf(const Rows& rows) { return static_cast<std::int32_t>(rows[0].size()); }

bool inside(const Rows& rows, SourceCell cell) {
    return cell.row >= 0 && cell.col >= 0 && cell.row < rowsOf(rows) && cell.col < colsOf(rows);
}

template <typename Visit>
void forEachCell(const Rows& rows, Visit visit) {
    for (std::int32_t row = 0; row < rowsOf(rows); ++row) {
        for (std::int32_t col = 0; col < colsOf(rows); ++col) visit(SourceCell{row, col});
    }
}

FlowGrid flowGridOf(const Rows& directions, const Rows& elevations) {
    FlowGrid grid(rowsOf(directions), colsOf(directions));
    forEachCell(directions, [&](SourceCell cell) {
        grid.setSamples(cell, at(elevations, cell), at(directions, cell));
    });
    grid.countUpstream();
    return grid;
}

// The same grid read on demand, in blocks of `side` cells that need not
// divide it.
SourceBlocks blocksOf(const Rows& directions, const Rows& elevations, std::int32_t side = 3) {
    const auto reader = [directions, elevations](const CellWindow& window,
                                                 std::vector<std::int32_t>& dem,
                                                 std::vector<std::int32_t>& codes) {
        dem.clear();
        codes.clear();
        for (std::int32_t row = 0; row < window.rows; ++row) {
            for (std::int32_t col = 0; col < window.cols; ++col) {
                const SourceCell cell{window.first.row + row, window.first.col + col};
                dem.push_back(at(elevations, cell));
                codes.push_back(at(directions, cell));
            }
        }
        return std::optional<std::string>();
    };
    return SourceBlocks(rowsOf(directions), colsOf(directions), OutletRule::coast, reader, side);
}

template <typename Grid>
Rows upstreamCounts(const Grid& grid) {
    Rows counts(static_cast<std::size_t>(grid.nrows()),
                std::vector<std::int32_t>(static_cast<std::size_t>(grid.ncols())));
    forEachCell(counts, [&](SourceCell cell) { at(counts, cell) = grid.upstreamCells(cell); });
    return counts;
}

// 5 x 7 cells, source D8 codes, land at 1 m except [2][2] at -5 m and [3][3]
// at exactly 0 m (which keeps its code). A tree of five cells and a
// tributary of two run into the sink [1][2]; no data at [0][4] (-9999) and
// [4][1] (-1), the sea level cell [2][2] and the value 3 at [1][5], which is
// no D8 code, each stop the path into them; [0][6] and [4][6] drain off the
// grid; [2][0] and [2][1] drain into each other, fed by [3][0], [3][1] and
// [4][0]; the sink [3][4] is fed from both sides.
const Rows exampleDirections = {
    {2, 4, 8, 0, -9999, 16, 1}, {1, 1, 0, 16, 16, 3, 64}, {1, 16, 4, 16, 0, 64, 8},
    {64, 32, 64, 1, 0, 16, 16}, {64, -1, 16, 0, 1, 1, 4},
};
const Rows exampleElevations = {
    {1, 1, 1, 1, 1, 1, 1}, {1, 1, 1, 1, 1, 1, 1}, {1, 1, -5, 1, 1, 1, 1},
    {1, 1, 1, 0, 1, 1, 1}, {1, 1, 1, 1, 1, 1, 1},
};

TEST(AreaFlowGrid, WorkedExample) {
    const FlowGrid grid = flowGridOf(exampleDirections, exampleElevations);
    const Rows expected = {
        {1, 1, 1, 1, 0, 1, 2}, {1, 5, 8, 2, 1, 0, 1}, {0, 0, 0, 1, 1, 1, 1},
        {2, 1, 1, 1, 5, 3, 1}, {1, 0, 1, 1, 1, 2, 3},
    };
    EXPECT_EQ(upstreamCounts(grid), expected);

    const SourceBlocks blocks = blocksOf(exampleDirections, exampleElevations);
    const Basin tree = traceBasin(blocks, {1, 2});
    EXPECT_EQ(tree.cells, 8);
    EXPECT_EQ(tree.extent, (CellExtent{0, 1, 0, 4}));
    // Cells just south of 60 N: 926.6 m by 926.6 m x cos(60 degrees).
    EXPECT_NEAR(tree.squareKilometres, 8 * 0.4297, 0.001);
    const Basin sides = traceBasin(blocks, {3, 4});
    EXPECT_EQ(sides.cells, 5);
    EXPECT_EQ(sides.extent, (CellExtent{2, 3, 3, 6}));
}

TEST(AreaSnap, LargestUpstreamAreaNearestFirst) {
    SourceBlocks grid = blocksOf(exampleDirections, exampleElevations);
    struct Case {
        SourceCell point;
        std::int32_t radius;
        std::optional<SourceCell> river;
    };
    for (const Case& c : {
             Case{{1, 1}, 0, SourceCell{1, 1}},  // off: the point stays
             Case{{0, 4}, 0, std::nullopt},      // no data
             Case{{2, 0}, 0, std::nullopt},      // on a loop
             Case{{0, 4}, 1, SourceCell{1, 3}},
             Case{{4, 6}, 1, SourceCell{4, 6}},  // ties with [3][5], but nearer
             Case{{3, 6}, 1, SourceCell{3, 5}},  // ties with [4][6], first in row order
             Case{{0, 0}, std::numeric_limits<std::int32_t>::max(), SourceCell{1, 2}},
         }) {
        EXPECT_EQ(snapToRiver(grid, c.point, c.radius), c.river)
            << c.point.row << "," << c.point.col << " radius " << c.radius;
    }
}

// The yardstick: a cell has flow data when its value decodes to a code of 0
// or more and it lies at 0 m or higher; a path steps to the cell that the
// code names while that cell lies in the grid and has flow data.
std::optional<std::int32_t> flowCode(const Rows& directions, const Rows& elevations,
                                     SourceCell cell) {
    if (!inside(directions, cell)) return std::nullopt;
    const std::optional<std::int32_t> code = decodeDirection(at(directions, cell));
    return code && *code >= 0 && at(elevations, cell) >= 0 ? code : std::nullopt;
}

std::optional<SourceCell> stepOf(const Rows& directions, const Rows& elevations, SourceCell cell) {
    const std::optional<std::int32_t> code = flowCode(directions, elevations, cell);
    if (!code || *code == 0) return std::nullopt;
    const Direction& direction = flowDirections[*code - 1];
    const SourceCell next{cell.row + direction.rowOffset, cell.col + direction.colOffset};
    return flowCode(directions, elevations, next) ? std::optional(next) : std::nullopt;
}

// Every cell counts the walks from cells with flow data that pass it; a cell
// whose walk comes back to it lies on a loop and counts nothing.
Rows countsByWalking(const Rows& directions, const Rows& elevations) {
    Rows counts(directions.size(), std::vector<std::int32_t>(directions[0].size(), 0));
    std::vector<SourceCell> onLoop;
    forEachCell(directions, [&](SourceCell start) {
        if (!flowCode(directions, elevations, start)) return;
        std::vector<SourceCell> path{start};
        std::optional<SourceCell> next = stepOf(directions, elevations, start);
        while (next && std::find(path.begin(), path.end(), *next) == path.end()) {
            path.push_back(*next);
            next = stepOf(directions, elevations, *next);
        }
        if (next == start) onLoop.push_back(start);
        for (const SourceCell& passed : path) ++at(counts, passed);
    });
    for (const SourceCell& cell : onLoop) at(counts, cell) = 0;
    return counts;
}

TEST(AreaFlowGrid, CountsAndBasinsMatchWalksFromEveryCellOnRandomGridsWholeOrOnDemand) {
    std::mt19937 random(11);
    const std::int32_t values[] = {1, 2, 4, 8, 16, 32, 64, 128, 0, -9999, -1, 3};
    std::discrete_distribution<std::size_t> pick({6, 6, 6, 6, 6, 6, 6, 6, 1, 1, 1, 1});
    for (int trial = 0; trial < 200; ++trial) {
        Rows directions(1 + random() % 9, std::vector<std::int32_t>(1 + random() % 13));
        Rows elevations = directions;
        forEachCell(directions, [&](SourceCell cell) {
            at(directions, cell) = values[pick(random)];
            at(elevations, cell) = static_cast<std::int32_t>(random() % 40) - 3;
        });
        const Rows expected = countsByWalking(directions, elevations);
        const FlowGrid grid = flowGridOf(directions, elevations);
        ASSERT_EQ(upstreamCounts(grid), expected) << "trial " << trial;
        // Read on demand and counted a few cells at a time in any order,
        // over cells counted before: the counts of the whole grid.
        SourceBlocks blocks =
            blocksOf(directions, elevations, 1 + static_cast<std::int32_t>(random() % 5));
        std::vector<SourceCell> cells;
        forEachCell(directions, [&](SourceCell cell) { cells.push_back(cell); });
        std::shuffle(cells.begin(), cells.end(), random);
        for (std::size_t first = 0; first < cells.size(); first += 3) {
            blocks.countUpstreamOf(
                {cells.begin() + static_cast<std::ptrdiff_t>(first),
                 cells.begin() + static_cast<std::ptrdiff_t>(std::min(first + 3, cells.size()))});
        }
        ASSERT_EQ(upstreamCounts(blocks), expected) << "trial " << trial;
        forEachCell(expected, [&](SourceCell cell) {
            if (at(expected, cell) == 0) return;
            ASSERT_EQ(traceBasin(blocks, cell).cells, at(expected, cell)) << "trial " << trial;
        });
    }
}

TEST(AreaChoice, PointToSourceCell) {
    struct Case {
        double lat, lon;
        std::optional<SourceCell> cell;
    };
    // The north and west edges belong to the grid, the south and east edges not.
    for (const Case& c : {
             Case{60.0, 55.0, SourceCell{0, 0}},
             Case{-9.999, 179.999, SourceCell{8399, 14999}},
             Case{60.0001, 100.0, std::nullopt},
             Case{-10.0, 100.0, std::nullopt},
             Case{30.0, 180.0, std::nullopt},
             Case{std::numeric_limits<double>::quiet_NaN(), 100.0, std::nullopt},
         }) {
        EXPECT_EQ(sourceCellAt(c.lat, c.lon), c.cell) << c.lat << " " << c.lon;
    }
}

// A point on the line between two cells lies in the cell south or east of it,
// whatever decimal names the line: every tenth of a degree of the grid, as a
// person types it.
TEST(AreaChoice, PointOnACellBoundaryLiesSouthAndEastOfItWhateverTheDecimal) {
    EXPECT_EQ(sourceCellAt(45.1, 100.1), (SourceCell{1788, 5412}));
    EXPECT_EQ(sourceCellAt(45.3, 100.3), (SourceCell{1764, 5436}));
    for (std::int32_t tenths = -99; tenths <= 600; ++tenths) {
        char text[16];
        std::snprintf(text, sizeof text, "%.1f", tenths / 10.0);
        const std::optional<double> lat = parseDecimal(text);
        ASSERT_TRUE(lat) << text;
        EXPECT_EQ(sourceCellAt(*lat, 100.5)->row, (600 - tenths) * 12) << text;
    }
    for (std::int32_t tenths = 550; tenths < 1800; ++tenths) {
        char text[16];
        std::snprintf(text, sizeof text, "%.1f", tenths / 10.0);
        const std::optional<double> lon = parseDecimal(text);
        ASSERT_TRUE(lon) << text;
        EXPECT_EQ(sourceCellAt(30.05, *lon)->col, (tenths - 550) * 12) << text;
    }
    // Off the line by a thousandth of a cell: the side the point lies on.
    EXPECT_EQ(sourceCellAt(45.1 + 0.001 / 120, 100.1 - 0.001 / 120), (SourceCell{1787, 5411}));
}

// Each area is also written and read back through clipArea.dat's own rules.
TEST(AreaChoice, CornerRoundingAndRingsOnEverySide) {
    struct Case {
        CellExtent basin;
        StudyArea area;
        bool holdsBasin;
    };
    testing::RunDirectory directory;
    const std::string path = (directory.path() / "clipArea.dat").string();
    for (const Case& c : {
             // The rings fit between the basin and the lines of 59 N and 56 E.
             Case{{122, 130, 122, 140}, {13, 23, 59, 56}, true},
             // One cell closer and the corner moves a degree north and west.
             Case{{121, 130, 121, 140}, {133, 143, 60, 55}, true},
             // The south and east edges follow the basin two cells out.
             Case{{1300, 1439, 5500, 5639}, {242, 242, 50, 100}, true},
             Case{{8300, 8397, 14900, 14997}, {120, 120, -9, 179}, true},
             // Within the rings of the source grid's edge: the best area, clipped.
             Case{{1, 10, 300, 310}, {13, 73, 60, 57}, false},
             Case{{300, 310, 1, 10}, {73, 13, 58, 55}, false},
             Case{{8300, 8398, 3000, 3010}, {120, 133, -9, 79}, false},
             Case{{3000, 3010, 14900, 14998}, {133, 120, 36, 179}, false},
         }) {
        const AreaChoice choice = smallestAreaHolding(c.basin);
        ASSERT_EQ(writeStudyArea(path.c_str(), choice.area), std::nullopt);
        StudyArea read;
        std::ostringstream echo;
        EXPECT_EQ(readStudyArea(path.c_str(), echo, read), std::nullopt) << c.basin.firstRow;
        EXPECT_EQ(std::vector({read.nrows, read.ncols, read.latNW, read.lonNW}),
                  std::vector({c.area.nrows, c.area.ncols, c.area.latNW, c.area.lonNW}))
            << c.basin.firstRow;
        EXPECT_EQ(choice.holdsBasin, c.holdsBasin) << c.basin.firstRow;
    }
}

}  // namespace
}  // namespace drainPrep
