#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cell/cellObject.hpp"
#include "cell/directions.hpp"
#include "support/cellGridBuilder.hpp"

namespace drainPrep {
namespace {

using testing::filledGrid;
using testing::gridOf;
using testing::Preparation;
using testing::prepare;
using testing::prepareAndDerive;
using testing::PreparedGrid;
using testing::RecordStore;

// Every cell carries the network values of init; cells off the frame ring are
// linked to their eight neighbours and drain into neighbor[dir - 1] when
// they have a flow direction.
void expectInitialisedAndLinked(const CellGrid& cells) {
    for (std::int32_t row = 0; row < cells.nrows(); ++row) {
        for (std::int32_t col = 0; col < cells.ncols(); ++col) {
            SCOPED_TRACE(::testing::Message() << "cell " << row << "," << col);
            const cellObject& cell = cells[row][col];
            EXPECT_EQ(cell.distance, -1);
            EXPECT_EQ(cell.basinSize, 1);
            EXPECT_EQ(cell.riverNum, -1);
            for (const cellObject* upstream : cell.up) EXPECT_EQ(upstream, nullptr);
            if (cells.isFrameRing(row, col)) {
                EXPECT_EQ(cell.down, nullptr);
                continue;
            }
            for (int k = 0; k < directionCount; ++k) {
                EXPECT_EQ(
                    cell.neighbor[k],
                    &cells[row + flowDirections[k].rowOffset][col + flowDirections[k].colOffset]);
            }
            EXPECT_EQ(cell.down, cell.dir >= 1 ? cell.neighbor[cell.dir - 1] : nullptr);
        }
    }
}

int countWithDir(const CellGrid& cells, std::int32_t dir) {
    int count = 0;
    for (const cellObject& cell : cells) count += cell.dir == dir ? 1 : 0;
    return count;
}

void expectCell(const CellGrid& cells, std::int32_t row, std::int32_t col, std::int32_t dir,
                double elev) {
    SCOPED_TRACE(::testing::Message() << "cell " << row << "," << col);
    EXPECT_EQ(cells[row][col].dir, dir);
    EXPECT_EQ(cells[row][col].elev, elev);
}

TEST(GridPreparationRings, FourByFourAreaIsNothingButItsTwoRings) {
    // A small patch of hills; the source marks one inner cell as no data.
    const PreparedGrid prepared =
        prepare(gridOf({{10, 11, 12, 13}, {14, 15, 16, 17}, {18, 19, 20, 21}, {22, 23, 24, 25}}),
                gridOf({{1, 1, 1, 1}, {1, -9999, 4, 1}, {1, 64, 0, 1}, {1, 1, 1, 1}}));
    const CellGrid& cells = prepared.cells;
    ASSERT_FALSE(prepared.failure);
    for (const auto& [row, col] : {std::pair{0, 0}, {0, 3}, {3, 0}, {3, 3}}) {
        expectCell(cells, row, col, -9, -9999.0);
    }
    for (const auto& [row, col] :
         {std::pair{0, 1}, {0, 2}, {1, 0}, {2, 0}, {1, 3}, {2, 3}, {3, 1}, {3, 2}}) {
        expectCell(cells, row, col, 0, -9999.0);
    }
    expectCell(cells, 1, 1, 0, 15.0);
    expectCell(cells, 1, 2, 0, 16.0);
    expectCell(cells, 2, 1, 0, 19.0);
    expectCell(cells, 2, 2, 0, 20.0);
    for (const cellObject& cell : cells) EXPECT_EQ(cell.down, nullptr);
    EXPECT_EQ(countWithDir(cells, -1), 0);
    expectInitialisedAndLinked(cells);
    EXPECT_EQ(prepared.console, "");
}

TEST(GridPreparationRings, OutletRingOverridesDecodedCodesAndFrameCellsBesideCorners) {
    // A plateau draining south, six rows by nine columns.
    IntGrid dem = filledGrid(6, 9, 120);
    dem[4][2] = -3;  // below sea level on the outlet ring
    IntGrid dirs = filledGrid(6, 9, 4);
    dirs[1][4] = -9999;  // no data on the outlet ring
    const PreparedGrid prepared = prepare(dem, dirs);
    const CellGrid& cells = prepared.cells;
    ASSERT_FALSE(prepared.failure);

    for (const auto& [row, col] :
         {std::pair{0, 0}, {0, 8}, {5, 0}, {5, 8}, {0, 4}, {3, 0}, {5, 4}, {2, 8}}) {
        expectCell(cells, row, col, -9, -9999.0);
    }
    for (const auto& [row, col] :
         {std::pair{0, 1}, {1, 0}, {0, 7}, {1, 8}, {4, 0}, {5, 1}, {4, 8}, {5, 7}}) {
        expectCell(cells, row, col, 0, -9999.0);
    }
    for (std::int32_t col = 1; col <= 7; ++col) {
        expectCell(cells, 1, col, 0, 120.0);
        expectCell(cells, 4, col, 0, col == 2 ? -3.0 : 120.0);
    }
    for (std::int32_t row = 1; row <= 4; ++row) {
        expectCell(cells, row, 1, 0, 120.0);
        expectCell(cells, row, 7, 0, 120.0);
    }
    // Neither ring cell without flow is marked: the cells inside keep their code.
    EXPECT_EQ(countWithDir(cells, -1), 0);
    for (std::int32_t col = 2; col <= 6; ++col) {
        expectCell(cells, 2, col, 5, 120.0);
        expectCell(cells, 3, col, 5, 120.0);
        EXPECT_EQ(cells[2][col].down, &cells[3][col]);
    }
    expectInitialisedAndLinked(cells);
}

TEST(GridPreparationRings, TwoRowAreaIsAllFrameWithOutletCodes) {
    const PreparedGrid prepared = prepare(gridOf({{5, 6, 7, 8, 9}, {5, 6, 7, 8, 9}}),
                                          gridOf({{1, 2, -9999, 0, 4}, {64, 128, 1, -1, 16}}));
    ASSERT_FALSE(prepared.failure);
    for (const cellObject& cell : prepared.cells) {
        EXPECT_EQ(cell.dir, 0);
        EXPECT_EQ(cell.elev, -9999.0);
        EXPECT_EQ(cell.down, nullptr);
    }
    expectInitialisedAndLinked(prepared.cells);
    EXPECT_EQ(prepared.console, "");
}

TEST(GridPreparationSea, CoastInRowMajorOrderMarksEveryOtherSeaCell) {
    // A strait of sea at level 0 in row 3, banks rising north and south; the
    // land west of column 8 drains to the strait, the land east of it to its end.
    const PreparedGrid prepared =
        prepare(gridOf({{30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41},
                        {20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31},
                        {10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21},
                        {5, 4, 0, 0, 0, 0, 0, 0, 5, 6, 7, 8},
                        {10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21},
                        {20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31},
                        {30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41}}),
                gridOf({{4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4},
                        {4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4},
                        {4, 4, 4, 4, 4, 4, 4, 4, 8, 8, 8, 8},
                        {1, 1, -9999, -9999, -9999, -9999, -9999, -9999, 16, 16, 16, 16},
                        {64, 64, 64, 64, 64, 64, 64, 64, 32, 32, 32, 32},
                        {64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64},
                        {64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64}}));
    const CellGrid& cells = prepared.cells;
    ASSERT_FALSE(prepared.failure);

    for (const std::int32_t col : {2, 4, 6}) expectCell(cells, 3, col, -1, -9999.0);
    for (const std::int32_t col : {3, 5, 7}) expectCell(cells, 3, col, 0, 0.0);
    EXPECT_EQ(countWithDir(cells, -1), 3);
    for (std::int32_t col = 1; col <= 7; ++col) {
        expectCell(cells, 2, col, 0, 10.0 + col);
        expectCell(cells, 4, col, 0, 10.0 + col);
    }
    expectCell(cells, 3, 1, 0, 4.0);
    for (const std::int32_t col : {8, 9}) {
        expectCell(cells, 2, col, 6, 10.0 + col);  // SW
        expectCell(cells, 3, col, 7, col - 3.0);   // W
        expectCell(cells, 4, col, 8, 10.0 + col);  // NW
    }
    // Column 8 drains into the sea cell that was left unmarked, now an outlet.
    EXPECT_EQ(cells[2][8].down, &cells[3][7]);
    EXPECT_EQ(cells[3][8].down, &cells[3][7]);
    EXPECT_EQ(cells[4][8].down, &cells[3][7]);
    expectInitialisedAndLinked(cells);
    EXPECT_EQ(prepared.console, "");  // every cell checked has a lower neighbour
}

TEST(GridPreparationSea, DiagonalCoastIsMarkedRowByRowNotColumnByColumn) {
    // A shore running from north-east to south-west with the sea at level 0
    // beyond it; the land rises away from the shore and drains south-east.
    IntGrid dem = filledGrid(8, 10, 0);
    IntGrid dirs = filledGrid(8, 10, -9999);
    for (std::int32_t row = 0; row < 8; ++row) {
        for (std::int32_t col = 0; col < 9 - row; ++col) {
            dem[row][col] = 10 * (9 - row - col);
            dirs[row][col] = 2;
        }
    }
    const PreparedGrid prepared = prepare(dem, dirs);
    const CellGrid& cells = prepared.cells;
    ASSERT_FALSE(prepared.failure);

    for (const auto& [row, col] : {std::pair{2, 7}, {4, 5}, {4, 7}}) {
        expectCell(cells, row, col, -1, -9999.0);
    }
    EXPECT_EQ(countWithDir(cells, -1), 3);
    // Column by column these three would be marked instead.
    for (const auto& [row, col] : {std::pair{3, 6}, {5, 4}, {5, 6}}) {
        expectCell(cells, row, col, 0, 0.0);
    }
    // So two rivers reach the sea where a column-by-column sweep would end
    // them a cell short.
    expectCell(cells, 2, 5, 4, 20.0);
    EXPECT_EQ(cells[2][5].down, &cells[3][6]);
    expectCell(cells, 4, 3, 4, 20.0);
    EXPECT_EQ(cells[4][3].down, &cells[5][4]);
    expectInitialisedAndLinked(cells);
    EXPECT_EQ(prepared.console, "");
}

TEST(GridPreparationSea, BlockOfNoDataMarksOnlyItsFirstCell) {
    // A plain draining east with a 2 x 2 hole in its data.
    IntGrid dem = filledGrid(10, 10, 50);
    IntGrid dirs = filledGrid(10, 10, 1);
    for (const auto& [row, col] : {std::pair{3, 3}, {3, 4}, {4, 3}, {4, 4}}) {
        dem[row][col] = -9999;
        dirs[row][col] = -9999;
    }
    const PreparedGrid prepared = prepare(dem, dirs);
    const CellGrid& cells = prepared.cells;
    ASSERT_FALSE(prepared.failure);

    expectCell(cells, 3, 3, -1, -9999.0);
    EXPECT_EQ(countWithDir(cells, -1), 1);
    for (const auto& [row, col] : {std::pair{3, 4}, {4, 3}, {4, 4}})
        expectCell(cells, row, col, 0, -9999.0);
    for (const auto& [row, col] : {std::pair{2, 2}, {2, 3}, {2, 4}, {3, 2}, {4, 2}}) {
        expectCell(cells, row, col, 0, 50.0);
    }
    for (const auto& [row, col] :
         {std::pair{2, 5}, {3, 5}, {4, 5}, {5, 2}, {5, 3}, {5, 4}, {5, 5}}) {
        expectCell(cells, row, col, 3, 50.0);
        EXPECT_EQ(cells[row][col].down, &cells[row][col + 1]);
    }
    expectInitialisedAndLinked(cells);
}

TEST(GridPreparationSea, LandBelowSeaLevelLosesItsDirectionButSeaLevelKeepsIt) {
    // A coastal lowland: a depression at -1 and -3 m, a beach at 0 m draining east.
    IntGrid dem = filledGrid(7, 8, 15);
    dem[2][2] = -1;
    dem[2][3] = -3;
    dem[4][4] = 0;
    const PreparedGrid prepared = prepare(dem, filledGrid(7, 8, 1));
    const CellGrid& cells = prepared.cells;
    ASSERT_FALSE(prepared.failure);

    expectCell(cells, 2, 2, -1, -9999.0);  // marked
    expectCell(cells, 2, 3, 0, -3.0);      // its marked neighbour came first
    EXPECT_EQ(countWithDir(cells, -1), 1);
    expectCell(cells, 4, 4, 3, 0.0);
    EXPECT_EQ(cells[4][4].down, &cells[4][5]);
    expectCell(cells, 3, 4, 3, 15.0);
    expectInitialisedAndLinked(cells);
}

// ---------------------------------------------------------------------------
// The two outlet rules side by side

using Rows = std::vector<std::vector<std::int32_t>>;

Rows dirRows(const CellGrid& cells, std::int32_t firstRow, std::int32_t lastRow) {
    Rows rows;
    for (std::int32_t row = firstRow; row <= lastRow; ++row) {
        rows.emplace_back();
        for (std::int32_t col = 0; col < cells.ncols(); ++col)
            rows.back().push_back(cells[row][col].dir);
    }
    return rows;
}

struct RuleCase {
    const char* name;
    IntGrid dem;
    IntGrid dirs;
    std::int32_t firstRow;  // rows compared
    Rows coast;             // codes as the preparation leaves them
    Rows d8;
    std::int32_t mouthRow;  // a cell whose basin size is compared
    std::int32_t mouthCol;
    std::int32_t coastBasin;
    std::int32_t d8Basin;
};

// A river in row 3 flows east along a strip of no data in row 2 into the
// strip's end, fed by tributaries from the south.
RuleCase riverAlongNoDataEdge() {
    IntGrid dem = filledGrid(8, 10, 50);
    IntGrid dirs = filledGrid(8, 10, 64);
    for (std::int32_t col = 2; col <= 7; ++col) {
        dem[2][col] = -9999;
        dirs[2][col] = -9999;
    }
    for (std::int32_t col = 2; col <= 6; ++col) dirs[3][col] = 1;
    return {"river along a no-data edge",
            std::move(dem),
            std::move(dirs),
            2,
            {{-9, 0, -1, 0, -1, 0, -1, 0, 0, -9}, {-9, 0, 0, 0, 0, 0, 0, 0, 0, -9}},
            {{-9, 0, -1, -1, -1, -1, -1, -1, 0, -9}, {-9, 0, 3, 3, 3, 3, 3, 0, 0, -9}},
            3,
            7,
            3,
            18};
}

// A polder at -2 m behind a dike at 1 m drains east into the sea.
RuleCase polderDrainingToTheSea() {
    IntGrid dem = filledGrid(8, 10, 3);
    IntGrid dirs = filledGrid(8, 10, 1);
    for (std::int32_t row = 2; row <= 5; ++row) {
        for (const std::int32_t col : {3, 4, 5}) dem[row][col] = -2;
        dem[row][6] = 1;
        dem[row][7] = -9999;
        dirs[row][7] = -9999;
    }
    const Rows d8(4, {-9, 0, 3, 3, 3, 3, 0, -1, 0, -9});
    return {"polder",
            std::move(dem),
            std::move(dirs),
            2,
            {{-9, 0, 0, -1, 0, -1, 0, -1, 0, -9},
             {-9, 0, 0, 0, 0, 0, 0, 0, 0, -9},
             {-9, 0, 0, -1, 0, -1, 0, -1, 0, -9},
             {-9, 0, 0, 0, 0, 0, 0, 0, 0, -9}},
            d8,
            2,
            6,
            -1,
            5};
}

// A 2 x 2 hole in the data of a plain draining north, with neighbours that
// drain into it, along it and away from it.
RuleCase blockOfNoData() {
    IntGrid dem = filledGrid(10, 10, 50);
    IntGrid dirs = filledGrid(10, 10, 64);
    for (const auto& [row, col] : {std::pair{4, 4}, {4, 5}, {5, 4}, {5, 5}}) {
        dem[row][col] = -9999;
        dirs[row][col] = -9999;
    }
    dirs[3][3] = 2;    // SE, into [4][4]
    dirs[3][4] = 4;    // S, into
    dirs[3][5] = 1;    // E, along
    dirs[4][3] = 16;   // W, away
    dirs[5][3] = 1;    // E, into [5][4]
    dirs[6][3] = 128;  // NE, into [5][4]
    dirs[5][6] = 8;    // SW, along
    dirs[6][6] = 32;   // NW, into [5][5]
    return {"block of no data",
            std::move(dem),
            std::move(dirs),
            3,
            {{-9, 0, 1, 0, 0, 0, 1, 1, 0, -9},
             {-9, 0, 1, 0, -1, 0, 1, 1, 0, -9},
             {-9, 0, 1, 0, 0, 0, 6, 1, 0, -9},
             {-9, 0, 1, 2, 1, 1, 8, 1, 0, -9}},
            {{-9, 0, 1, 0, 0, 3, 1, 1, 0, -9},
             {-9, 0, 1, 7, -1, -1, 1, 1, 0, -9},
             {-9, 0, 1, 0, -1, -1, 6, 1, 0, -9},
             {-9, 0, 1, 0, 0, 0, 0, 1, 0, -9}},
            3,
            5,
            -1,
            1};
}

// A sink at -4 m beside a cell of no data, fed from the east; the cell west
// of the hole drains into it.
RuleCase sinkBesideNoData() {
    IntGrid dem = filledGrid(8, 9, 40);
    IntGrid dirs = filledGrid(8, 9, 16);
    dem[3][3] = -9999;
    dirs[3][3] = -9999;
    dem[3][4] = -4;
    dirs[3][4] = 0;
    dirs[3][2] = 1;
    return {"sink beside no data",
            std::move(dem),
            std::move(dirs),
            2,
            {{-9, 0, 0, 0, 0, 7, 7, 0, -9},
             {-9, 0, 0, -1, 0, 7, 7, 0, -9},
             {-9, 0, 0, 0, 0, 7, 7, 0, -9}},
            {{-9, 0, 7, 7, 7, 7, 7, 0, -9},
             {-9, 0, 0, -1, 0, 7, 7, 0, -9},
             {-9, 0, 7, 7, 7, 7, 7, 0, -9}},
            3,
            4,
            3,
            3};
}

TEST(GridPreparationOutletRules, CoastMarksEveryNeighbourD8OnlyThoseDrainingIn) {
    for (const RuleCase& c :
         {riverAlongNoDataEdge(), polderDrainingToTheSea(), blockOfNoData(), sinkBesideNoData()}) {
        SCOPED_TRACE(c.name);
        const std::int32_t lastRow = c.firstRow + static_cast<std::int32_t>(c.d8.size()) - 1;
        for (const OutletRule rule : {OutletRule::coast, OutletRule::d8}) {
            SCOPED_TRACE(outletRuleName(rule));
            const PreparedGrid prepared = prepare(c.dem, c.dirs, Preparation::tool, rule);
            ASSERT_FALSE(prepared.failure);
            EXPECT_EQ(dirRows(prepared.cells, c.firstRow, lastRow),
                      rule == OutletRule::coast ? c.coast : c.d8);
            expectInitialisedAndLinked(prepared.cells);
            const PreparedGrid derived = prepareAndDerive(c.dem, c.dirs, RecordStore::memory, rule);
            EXPECT_EQ(derived.cells[c.mouthRow][c.mouthCol].basinSize,
                      rule == OutletRule::coast ? c.coastBasin : c.d8Basin);
        }
    }
}

TEST(GridPreparationOutletRules, D8KeepsLandBelowSeaLevelAndTakesNoDataElevations) {
    IntGrid dem = filledGrid(7, 8, 15);
    dem[2][2] = -1;     // a depression with a code: land
    dem[3][4] = -9999;  // a code but no elevation: no flow
    dem[4][3] = -7;
    IntGrid dirs = filledGrid(7, 8, 1);
    dirs[4][3] = 0;  // a sink below sea level
    const PreparedGrid prepared = prepare(dem, dirs, Preparation::tool, OutletRule::d8);
    ASSERT_FALSE(prepared.failure);
    expectCell(prepared.cells, 2, 2, 3, -1.0);
    expectCell(prepared.cells, 3, 4, -1, -9999.0);
    expectCell(prepared.cells, 3, 3, 0, 15.0);  // drained into it
    expectCell(prepared.cells, 4, 3, 0, -7.0);
    EXPECT_EQ(countWithDir(prepared.cells, -1), 1);
    expectInitialisedAndLinked(prepared.cells);
}

TEST(GridPreparationFailure, StopsAtTheFirstUnknownCodeInRowMajorOrder) {
    // A plateau draining north with two corrupt direction samples; its flat
    // cells would be reported as pits if the preparation went ahead.
    IntGrid dem = filledGrid(10, 10, 200);
    dem[2][2] = -1;
    IntGrid dirs = filledGrid(10, 10, 64);
    dirs[5][6] = 255;
    dirs[6][1] = 247;  // earlier in its column, later in row-major order
    const PreparedGrid prepared = prepare(dem, dirs);

    ASSERT_TRUE(prepared.failure);
    EXPECT_EQ(*prepared.failure, "5-6-255cellObject.down is wrong.\n");
    EXPECT_EQ(prepared.console, "");
}

TEST(GridPreparationFailure, ReportsRowColumnAndValueWithoutSeparatingSpace) {
    IntGrid dirs = filledGrid(13, 40, 2);
    dirs[12][34] = 255;
    EXPECT_EQ(prepare(filledGrid(13, 40, 7), dirs).failure,
              std::optional<std::string>("12-34-255cellObject.down is wrong.\n"));

    // The frame ring is decoded too, although the ring sweep would overwrite it.
    IntGrid frameFault = filledGrid(4, 5, 2);
    frameFault[0][0] = -2;
    EXPECT_EQ(prepare(filledGrid(4, 5, 7), frameFault).failure,
              std::optional<std::string>("0-0--2cellObject.down is wrong.\n"));

    IntGrid combined = filledGrid(4, 5, 2);
    combined[3][4] = 3;
    EXPECT_EQ(prepare(filledGrid(4, 5, 7), combined).failure,
              std::optional<std::string>("3-4-3cellObject.down is wrong.\n"));
}

// Rough terrain with scattered no-data cells and sinks.
PreparedGrid roughTerrain() {
    IntGrid dem = filledGrid(23, 31, 0);
    IntGrid dirs = filledGrid(23, 31, 4);
    std::uint32_t state = 12345;
    const auto next = [&state](std::uint32_t range) {
        state = state * 1103515245u + 12345u;
        return static_cast<std::int32_t>((state >> 8) % range);
    };
    for (std::int32_t row = 0; row < dem.nrows(); ++row) {
        for (std::int32_t col = 0; col < dem.ncols(); ++col) {
            dem[row][col] = next(17) == 0 ? -9999 : 200 + next(60);
            if (next(13) == 0) dirs[row][col] = 0;
        }
    }
    return prepare(dem, dirs);
}

// The sweep takes the neighbour distances once a row; every cell must still
// get the very doubles of its own arithmetic: |difference of arc-seconds| x
// its own dx or 926.6, / 30, the square root of their squares, the drop over it.
TEST(GridPreparationSlopes, EveryCellGetsTheDoublesOfItsOwnArithmetic) {
    const PreparedGrid prepared = roughTerrain();
    ASSERT_FALSE(prepared.failure);
    std::int32_t checkedSlopes = 0;
    for (std::int32_t row = 1; row < prepared.cells.nrows() - 1; ++row) {
        for (std::int32_t col = 1; col < prepared.cells.ncols() - 1; ++col) {
            const cellObject& cell = prepared.cells[row][col];
            if (cell.dir < 0) continue;
            SCOPED_TRACE(::testing::Message() << "cell " << row << "," << col);
            double steepest = -50000.0;
            for (int k = 0; k < directionCount; ++k) {
                const cellObject& next = *cell.neighbor[k];
                if (next.elev == -9999.0) continue;
                const double distX = std::abs(cell.lon - next.lon) * cell.dx / 30.0;
                const double distY = std::abs(cell.lat - next.lat) * 926.6 / 30.0;
                const double slope =
                    (cell.elev - next.elev) / std::sqrt(distX * distX + distY * distY);
                EXPECT_EQ(cell.slope[k], slope) << k;
                steepest = std::max(steepest, slope);
                ++checkedSlopes;
            }
            EXPECT_EQ(cell.maxSlope, steepest);
        }
    }
    EXPECT_GT(checkedSlopes, 3000);
}

// The eight lines checkPit prints for one cell, neighbours N to NW.
std::string pitLines(std::initializer_list<int> elevations) {
    std::string lines;
    for (const int elevation : elevations)
        lines += std::to_string(elevation) + "check the elevation \n";
    return lines;
}

// A flat valley floor at 10 m, two rows by three, in a ring of rising banks.
IntGrid flatFloorDem() {
    return gridOf({{90, 90, 90, 90, 90, 90, 90},
                   {90, 21, 22, 23, 24, 25, 90},
                   {90, 31, 10, 10, 10, 35, 90},
                   {90, 41, 10, 10, 10, 45, 90},
                   {90, 51, 52, 53, 54, 55, 90},
                   {90, 90, 90, 90, 90, 90, 90}});
}

TEST(GridPreparationPits, FlatCellsAwayFromNoDataAreReportedInRowMajorOrder) {
    IntGrid dirs = filledGrid(6, 7, 1);
    dirs[3][3] = 0;  // an outlet in the source is checked as well
    const PreparedGrid prepared = prepare(flatFloorDem(), dirs);
    ASSERT_FALSE(prepared.failure);
    EXPECT_EQ(prepared.console, pitLines({22, 23, 10, 10, 10, 41, 31, 21}) +      // [2][2]
                                    pitLines({23, 24, 10, 10, 10, 10, 10, 22}) +  // [2][3]
                                    pitLines({24, 25, 35, 45, 10, 10, 10, 23}) +  // [2][4]
                                    pitLines({10, 10, 10, 53, 52, 51, 41, 31}) +  // [3][2]
                                    pitLines({10, 10, 10, 54, 53, 52, 10, 10}) +  // [3][3]
                                    pitLines({10, 35, 45, 55, 54, 53, 10, 10}));  // [3][4]
}

TEST(GridPreparationPits, OnlyACellWithoutLowerNeighbourIsReported) {
    IntGrid dem = flatFloorDem();
    dem[2][3] = 9;
    const PreparedGrid prepared = prepare(dem, filledGrid(6, 7, 1));
    ASSERT_FALSE(prepared.failure);
    EXPECT_EQ(prepared.console, pitLines({23, 24, 10, 10, 10, 10, 10, 22}));
}

TEST(GridPreparationPits, SeaCellAndItsNeighboursAreNotReported) {
    IntGrid dem = flatFloorDem();
    IntGrid dirs = filledGrid(6, 7, 1);
    dirs[2][3] = -9999;
    const PreparedGrid prepared = prepare(dem, dirs);
    ASSERT_FALSE(prepared.failure);
    expectCell(prepared.cells, 2, 3, -1, -9999.0);
    EXPECT_EQ(prepared.console, "");
}

}  // namespace
}  // namespace drainPrep
