// The upscaling of a fine network to model cells: the error measure on a
// case worked by hand, repairs on literal networks, layers, and the
// invariants on random networks.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/drawnNetwork.hpp"
#include "upscale/modelLayers.hpp"
#include "upscale/upscaleRun.hpp"

namespace drainPrep::upscale {
namespace {

using drainPrep::testing::drawnCode;

FineNetwork networkOf(const std::vector<std::string>& rows) {
    const auto nrows = static_cast<std::int32_t>(rows.size());
    const auto ncols = static_cast<std::int32_t>(rows[0].size());
    IntGrid codes(nrows, ncols);
    for (std::int32_t row = 0; row < nrows; ++row) {
        for (std::int32_t col = 0; col < ncols; ++col) {
            codes[row][col] =
                drawnCode(rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)]);
        }
    }
    return FineNetwork(StudyArea{nrows, ncols, 40, 100}, std::move(codes));
}

std::int64_t fineIndex(const FineNetwork& fine, std::int32_t row, std::int32_t col) {
    return std::int64_t{row} * fine.ncols() + col;
}

constexpr std::int32_t N = 1, NE = 2, E = 3;

// Six model cells of 2 x 2: A B C over D E F. One river runs east along
// row 1 and ends in C; the cells above and below drain into it.
TEST(UpscaleConnections, WrongConnectionsOfAHandWorkedCase) {
    const FineNetwork fine = networkOf({"323232", "666665", "989898", "888888"});
    const ModelGrid grid(4, 6, 2);
    const Outlets outlets = largestRiverOutlets(fine, grid);
    // A's river leaves it at [1][1], B's at [1][3]; C's ends at [1][5]. D, E
    // and F each have two exits of equal area: the first in row order.
    EXPECT_EQ(outlets, (Outlets{7, 9, 11, 12, 14, 16}));
    // A reaches B's outlet, B C's; C none; D A's, E B's, F C's.
    EXPECT_EQ(firstOutletsReached(fine, grid, outlets),
              (std::vector<std::int32_t>{1, 2, noModelCell, 0, 1, 2}));
    // E pointing north-east (to C) and F ending are wrong: 2 of 6.
    const ConnectionCount count =
        countWrongConnections(fine, grid, outlets, {E, E, outletCode, N, NE, outletCode});
    EXPECT_EQ(count.withFlow, 6);
    EXPECT_EQ(count.wrong, 2);
    EXPECT_EQ(countWrongConnections(fine, grid, outlets, {E, E, outletCode, N, N, N}).wrong, 0);
}

// Model cells of 4 x 4: A B C D, D two columns wide and sea only. A's river
// runs east along row 2 through B to the end of C's; B's own larger river
// ends at [0][7], so A's water first meets an outlet in C, no neighbour.
const std::vector<std::string> throughNeighbour = {
    "....6665......", "....8888......", "..6666666665..", ".............."};

TEST(Upscaling, RepairMovesTheOutletOfTheNeighbourTheRiverCrosses) {
    const FineNetwork fine = networkOf(throughNeighbour);
    const ModelGrid grid(4, 14, 4);
    Outlets outlets = largestRiverOutlets(fine, grid);
    EXPECT_EQ(outlets[1], fineIndex(fine, 0, 7));
    std::vector<std::int32_t> reached = firstOutletsReached(fine, grid, outlets);
    EXPECT_EQ(reached[0], 2);
    EXPECT_EQ(countWrongConnections(fine, grid, outlets, modelDirections(fine, grid, outlets, reached)).wrong, 1);

    const ModelNetwork network = upscaleNetwork(fine, grid);
    EXPECT_EQ(network.repairs, 1);
    EXPECT_EQ(network.outlets[1], fineIndex(fine, 2, 7));
    EXPECT_EQ(network.directions, (std::vector<std::int32_t>{E, E, outletCode, noFlowCode}));
    EXPECT_EQ(countWrongConnections(fine, grid, network.outlets, network.directions).wrong, 0);
}

TEST(Upscaling, LayersOfPartialAndSeaModelCells) {
    const FineNetwork fine = networkOf(throughNeighbour);
    const ModelGrid grid(4, 14, 4);
    const ModelNetwork network = upscaleNetwork(fine, grid);
    const std::vector<RiverPath> paths = riverPaths(fine, grid, network.outlets);
    const ModelLayers layers = modelLayers(fine, grid, network, paths);
    EXPECT_EQ(layers.flowDir, (std::vector<std::int32_t>{E, E, outletCode, noFlowCode}));
    EXPECT_EQ(layers.outletRow, (std::vector<std::int32_t>{2, 2, 2, noValue}));
    EXPECT_EQ(layers.outletCol, (std::vector<std::int32_t>{3, 7, 11, noValue}));
    EXPECT_EQ(layers.landFraction, (std::vector<float>{2.0F / 16, 12.0F / 16, 4.0F / 16, 0.0F}));
    EXPECT_EQ(layers.flowAcc, (std::vector<std::int32_t>{1, 2, 3, noValue}));
    EXPECT_EQ(layers.streamOrder, (std::vector<std::int32_t>{1, 1, 1, noValue}));
    EXPECT_EQ(layers.basin, (std::vector<std::int32_t>{1, 1, 1, noValue}));
    const double cellKm2 = cellAreaKm2(StudyArea{9, 9, 40, 100}, 2);
    EXPECT_FLOAT_EQ(layers.upArea[1], static_cast<float>(6 * cellKm2));
    EXPECT_FLOAT_EQ(layers.upArea[2], static_cast<float>(10 * cellKm2));
    // Four steps east from [2][3] to B's outlet, with row 2's cell length.
    EXPECT_NEAR(layers.riverLength[0], 4 * cellLengthEastWest(cellCentreLat(40, 2)) / 1000, 1e-5);
    EXPECT_EQ(layers.riverLength[2], 0.0F);
    EXPECT_EQ(paths[0].end, static_cast<std::size_t>(fineIndex(fine, 2, 7)));
    EXPECT_DOUBLE_EQ(riverSlope(120.0, 100.0, 2.0), 0.01);
    EXPECT_DOUBLE_EQ(riverSlope(100.0, 120.0, 2.0), riverSlopeFloor);
    EXPECT_DOUBLE_EQ(riverSlope(100.0, 90.0, 0.0), riverSlopeFloor);
}

// Model cells of 3 x 3: A B over C D. A's river dips into the corner of D at
// [3][3] and comes back into B, whose outlet it is; D's own larger river
// ends at [5][5]. C is sea.
TEST(Upscaling, RiverMeanderingThroughACornerKeepsItsConnection) {
    const FineNetwork fine =
        networkOf({"......", "......", "663.65", "...932", "...662", "...665"});
    const ModelGrid grid(6, 6, 3);
    const ModelNetwork network = upscaleNetwork(fine, grid);
    EXPECT_EQ(network.outlets[3], fineIndex(fine, 5, 5));
    EXPECT_EQ(network.directions, (std::vector<std::int32_t>{E, outletCode, noFlowCode, outletCode}));
    EXPECT_EQ(network.repairs, 0);
    // A step to the model cell the water enters first would point into D's corner.
    EXPECT_EQ(grid.cellOfFine(fine.downOf(static_cast<std::size_t>(network.outlets[0]))), 3);
}

// Model cells of 3 x 3: A B C over D and two of sea. D's river crosses B
// beside B's larger river and first meets an outlet in C; B's outlet moved
// onto it would leave A's water to C in turn, so D stays wrong and points to
// B, where its water goes first, rather than ending its river.
TEST(Upscaling, ConnectionLeftWrongPointsWhereItsWaterGoesFirst) {
    const FineNetwork fine =
        networkOf({"666666665", "888...8..", "...669...", "669......", ".........", "........."});
    const ModelGrid grid(6, 9, 3);
    const ModelNetwork network = upscaleNetwork(fine, grid);
    EXPECT_EQ(network.repairs, 0);
    EXPECT_EQ(network.directions,
              (std::vector<std::int32_t>{E, E, outletCode, NE, noFlowCode, noFlowCode}));
    const ConnectionCount count =
        countWrongConnections(fine, grid, network.outlets, network.directions);
    EXPECT_EQ(count.withFlow, 4);
    EXPECT_EQ(count.wrong, 1);
}

// Random networks, loops included: the walks agree with single traces, the
// repairs only ever lower the wrong connections, the directions stay inside
// the grid, lead to cells with flow data and close no loop.
TEST(Upscaling, InvariantsOnRandomNetworks) {
    std::mt19937 random(23);
    for (int trial = 0; trial < 60; ++trial) {
        const std::int32_t nrows = 20 + trial % 7, ncols = 25 + trial % 5;
        IntGrid codes(nrows, ncols);
        std::uniform_int_distribution<int> pick(0, 99);
        for (std::int32_t row = 0; row < nrows; ++row) {
            for (std::int32_t col = 0; col < ncols; ++col) {
                codes[row][col] = pick(random) < 10 ? noFlowCode : outletCode;
            }
        }
        for (std::int32_t row = 0; row < nrows; ++row) {
            for (std::int32_t col = 0; col < ncols; ++col) {
                if (codes[row][col] == noFlowCode || pick(random) < 3) continue;
                const int k = pick(random) % directionCount;
                const std::int32_t downRow = row + flowDirections[k].rowOffset;
                const std::int32_t downCol = col + flowDirections[k].colOffset;
                if (downRow >= 0 && downCol >= 0 && downRow < nrows && downCol < ncols &&
                    codes[downRow][downCol] != noFlowCode) {
                    codes[row][col] = k + 1;
                }
            }
        }
        const FineNetwork fine(StudyArea{nrows, ncols, 10, 20}, std::move(codes));
        const ModelGrid grid(nrows, ncols, 2 + trial % 4);
        const Outlets first = largestRiverOutlets(fine, grid);
        const std::vector<std::int32_t> reachedFirst = firstOutletsReached(fine, grid, first);
        const std::int64_t wrongFirst =
            countWrongConnections(fine, grid, first, modelDirections(fine, grid, first, reachedFirst))
                .wrong;
        const ModelNetwork network = upscaleNetwork(fine, grid);
        EXPECT_LE(countWrongConnections(fine, grid, network.outlets, network.directions).wrong,
                  wrongFirst - network.repairs);
        EXPECT_EQ(network.reached, firstOutletsReached(fine, grid, network.outlets));
        for (std::int32_t cell = 0; cell < static_cast<std::int32_t>(grid.cellCount()); ++cell) {
            const auto at = static_cast<std::size_t>(cell);
            if (network.outlets[at] == noOutlet) continue;
            EXPECT_EQ(network.reached[at], traceFirstOutlet(fine, grid, network.outlets, cell));
            std::int32_t down = cell;
            for (std::size_t steps = 0; network.directions[static_cast<std::size_t>(down)] > 0; ++steps) {
                const std::int32_t code = network.directions[static_cast<std::size_t>(down)];
                const std::int32_t row = grid.rowOf(down) + flowDirections[code - 1].rowOffset;
                const std::int32_t col = grid.colOf(down) + flowDirections[code - 1].colOffset;
                ASSERT_TRUE(row >= 0 && col >= 0 && row < grid.rows() && col < grid.cols());
                down = grid.downOf(down, code);
                ASSERT_NE(network.outlets[static_cast<std::size_t>(down)], noOutlet);
                ASSERT_LE(steps, grid.cellCount()) << "a loop through model cell " << cell;
            }
        }
    }
}

TEST(Upscaling, FactorOneKeepsEveryDirection) {
    const FineNetwork fine = networkOf({"66662", "98632", "88865"});
    const ModelGrid grid(3, 5, 1);
    const ModelNetwork network = upscaleNetwork(fine, grid);
    for (std::size_t cell = 0; cell < fine.cellCount(); ++cell) {
        EXPECT_EQ(network.directions[cell], fine.code(cell)) << cell;
    }
    // The last cell takes two rivers of order 1 before the one of order 2.
    const ModelLayers layers =
        modelLayers(fine, grid, network, riverPaths(fine, grid, network.outlets));
    EXPECT_EQ(layers.streamOrder,
              (std::vector<std::int32_t>{1, 2, 2, 2, 2, 1, 1, 1, 1, 2, 1, 1, 1, 1, 2}));
}

// The model cell's side on any lattice; 30" runs keep their words.
TEST(Upscaling, FactorsNameTheModelCellOnTheRunsLattice) {
    EXPECT_EQ(factorText(3, thirtySecondLattice), "factor 3 (1.5 arc-minutes)");
    EXPECT_EQ(factorText(120, thirtySecondLattice), "factor 120 (1 degree)");
    EXPECT_EQ(factorText(1, CellLattice{3600}), "factor 1 (1 arc-second)");
    std::int32_t factor = 0;
    EXPECT_NE(readFactor("240", thirtySecondLattice, factor), std::nullopt);
    EXPECT_EQ(readFactor("240", CellLattice{1200}, factor), std::nullopt);
    EXPECT_EQ(factor, 240);
}

}  // namespace
}  // namespace drainPrep::upscale
