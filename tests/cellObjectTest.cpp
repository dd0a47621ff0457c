#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <sstream>
#include <string>

#include "cell/cellObject.hpp"

namespace drainPrep {
namespace {

// Elevations of a 3 x 3 window whose centre is the cell under test.
using Window = std::array<std::array<std::int32_t, 3>, 3>;

// The window as rows firstRow..firstRow + 2 of a study area at 40N 130E,
// placed, initialised and with the centre linked to its eight neighbours.
CellGrid placedWindow(const Window& elevations, std::int32_t firstRow = 0) {
    CellGrid cells(3, 3);
    for (std::int32_t row = 0; row < 3; ++row) {
        for (std::int32_t col = 0; col < 3; ++col) {
            const auto r = static_cast<std::size_t>(row);
            const auto c = static_cast<std::size_t>(col);
            cells[row][col].setLocation(firstRow + row, col, {3, 3, 40, 130}, elevations[r][c], 4);
            cells[row][col].init();
        }
    }
    cells[1][1].setNeighbors(cells, 1, 1);
    return cells;
}

CellGrid flatWindow() { return placedWindow({{{50, 50, 50}, {50, 50, 50}, {50, 50, 50}}}); }

// What checkPit prints once the no-data count and the slopes are known.
std::string pitReport(cellObject& cell) {
    cell.countNoData();
    cell.calcSlope(cell.neighbourDistances());
    std::ostringstream console;
    cell.checkPit(console);
    return console.str();
}

TEST(CellLocation, PlacesCentresInWholeArcSecondsFromTheNorthWestCornerOnEachLattice) {
    constexpr CellLattice threeSeconds{1200, LatticeOrigin::edgesOnDegrees};
    constexpr CellLattice oneSecondCentres{3600, LatticeOrigin::centresOnDegrees};
    struct Case {
        StudyArea area;
        std::int32_t row, col;
        std::int32_t lat, lon;
    };
    // Below 30" the centres are rounded half away from zero: 143998.5,
    // -18001.5 and -359998.5 arc-seconds. On the centre lattice the corner is a centre.
    const Case cases[] = {
        {{3, 3, 40, 130}, 0, 0, 143985, 468015},
        {{3, 3, 40, 130}, 2, 3, 143925, 468105},
        {{3, 3, -5, 100}, 0, 0, -18015, 360015},
        {{3, 3, 40, 130, threeSeconds}, 0, 0, 143999, 468002},
        {{3, 3, -5, -100, threeSeconds}, 0, 0, -18002, -359999},
        {{3, 3, 40, 130, oneSecondCentres}, 0, 0, 144000, 468000},
        {{3, 3, 40, 130, oneSecondCentres}, 1, 1, 143999, 468001},
    };
    for (const Case& c : cases) {
        cellObject cell{};
        cell.setLocation(c.row, c.col, c.area, -9999, 255);
        SCOPED_TRACE(::testing::Message() << c.area.lattice.perDegree << " " << c.lat);
        EXPECT_EQ(cell.lat, c.lat);
        EXPECT_EQ(cell.lon, c.lon);
        EXPECT_EQ(cell.elev, -9999.0);  // elevation and raw direction as given
        EXPECT_EQ(cell.dir, 255);
        const double scale = 120.0 / c.area.lattice.perDegree;
        EXPECT_NEAR(cell.dy, 926.6 * scale, 1e-9);
        EXPECT_NEAR(cell.dx, cellLengthEastWest(centreLatArcSeconds(c.area, c.row)) * scale, 1e-9);
    }
}

TEST(CellLocation, TakesDxFromTheCentreLatitudeWithPiAsThreePointOneFour) {
    struct Case {
        std::int32_t latNW;
        double dx;
    };
    // First-row centres at 215985, 197985, 143985 and -15 arc-seconds; the
    // full value of pi would give 463.358 m at 215985.
    const Case cases[] = {{60, 463.784256}, {55, 531.900388}, {40, 710.070807}, {0, 926.599998}};
    for (const Case& c : cases) {
        cellObject cell{};
        cell.setLocation(0, 7, {1, 8, c.latNW, 100}, 0, 0);
        SCOPED_TRACE(cell.lat);
        EXPECT_NEAR(cell.dx, c.dx, 1e-6);
    }
}

TEST(CellLocation, PlacedInTheRowOfAnotherCellItGetsTheFieldsOfItsOwnPlacement) {
    for (const std::int32_t latNW : {60, 41, 0, -9}) {
        cellObject first{};
        const StudyArea area{20, 1000, latNW, 100};
        first.setLocation(17, 0, area, 5, 1);
        for (const std::int32_t col : {1, 2, 999}) {
            cellObject own{};
            own.setLocation(17, col, area, -12, 64);
            cellObject beside{};
            beside.setLocationInRowOf(first, col, area, -12, 64);
            SCOPED_TRACE(::testing::Message() << latNW << "N, column " << col);
            EXPECT_EQ(beside.lat, own.lat);
            EXPECT_EQ(beside.lon, own.lon);
            EXPECT_EQ(beside.dx, own.dx);
            EXPECT_EQ(beside.dy, own.dy);
            EXPECT_EQ(beside.elev, own.elev);
            EXPECT_EQ(beside.dir, own.dir);
        }
    }
}

TEST(CellInit, ResetsNetworkValuesAndLinksButKeepsPlacementDirectionAndElevation) {
    cellObject other{};
    cellObject cell{};
    cell.setLocation(0, 0, {1, 1, 40, 130}, 0, 0);
    cell.dir = -9;  // a frame-ring cell as the ring sweep leaves it
    cell.elev = -9999.0;
    cell.distance = 12;
    cell.basinSize = 40;
    cell.riverNum = 3;
    cell.down = &other;
    for (cellObject*& link : cell.neighbor) link = &other;
    for (cellObject*& link : cell.up) link = &other;

    cell.init();

    EXPECT_EQ(cell.lat, 143985);
    EXPECT_EQ(cell.lon, 468015);
    EXPECT_NEAR(cell.dx, 710.070807, 1e-6);
    EXPECT_EQ(cell.dir, -9);
    EXPECT_EQ(cell.elev, -9999.0);
    EXPECT_EQ(cell.distance, -1);
    EXPECT_EQ(cell.basinSize, 1);
    EXPECT_EQ(cell.riverNum, -1);
    EXPECT_EQ(cell.down, nullptr);
    for (const cellObject* link : cell.neighbor) EXPECT_EQ(link, nullptr);
    ASSERT_EQ(std::size(cell.up), 8U);
    for (const cellObject* link : cell.up) EXPECT_EQ(link, nullptr);
}

TEST(CellNeighbors, LinksTheEightSurroundingCellsClockwiseFromNorth) {
    // Three rows of four: a wider grid shows that rows and columns are not swapped.
    CellGrid cells(3, 4);
    cells[1][1].setNeighbors(cells, 1, 1);
    cells[1][2].setNeighbors(cells, 1, 2);
    const cellObject* expectedOf11[] = {&cells[0][1], &cells[0][2], &cells[1][2], &cells[2][2],
                                        &cells[2][1], &cells[2][0], &cells[1][0], &cells[0][0]};
    const cellObject* expectedOf12[] = {&cells[0][2], &cells[0][3], &cells[1][3], &cells[2][3],
                                        &cells[2][2], &cells[2][1], &cells[1][1], &cells[0][1]};
    for (std::size_t k = 0; k < 8; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(cells[1][1].neighbor[k], expectedOf11[k]);
        EXPECT_EQ(cells[1][2].neighbor[k], expectedOf12[k]);
    }
}

TEST(CellTerrain, MarkingSeaMakesEveryNeighbourAnOutletAndDropsOwnElevation) {
    CellGrid cells = flatWindow();
    cellObject& sea = cells[1][1];
    sea.dir = -1;
    cells[0][1].dir = 5;
    cells[1][2].dir = -1;
    cells[2][2].dir = 0;
    sea.markSeaNeighbors();
    EXPECT_EQ(sea.elev, -9999.0);
    EXPECT_EQ(sea.dir, -1);
    for (const cellObject* next : sea.neighbor) {
        EXPECT_EQ(next->dir, 0);
        EXPECT_EQ(next->elev, 50.0);
    }
}

TEST(CellTerrain, CountsOnlyNeighboursAtExactlyMinus9999AsNoData) {
    CellGrid cells = placedWindow({{{-9999, -9998, -5}, {50, 50, 0}, {50, 50, 50}}});
    cells[1][1].countNoData();
    EXPECT_EQ(cells[1][1].nNoData, 1);

    CellGrid coast = placedWindow({{{-9999, -9999, -9999}, {50, 50, -9999}, {50, -9999, 50}}});
    coast[1][1].countNoData();
    EXPECT_EQ(coast[1][1].nNoData, 5);
}

TEST(CellTerrain, SlopeIsSteepestTowardsTheNearestOfEquallyLowerNeighbours) {
    // A hillside falling 10 m to the north and east; the centre lies at lat 143985.
    CellGrid cells = placedWindow({{{100, 90, 90}, {100, 100, 90}, {100, 100, 100}}}, -1);
    cellObject& cell = cells[1][1];
    ASSERT_EQ(cell.lat, 143985);
    cell.calcSlope(cell.neighbourDistances());
    EXPECT_EQ(cell.dy, 926.6);
    EXPECT_NEAR(cell.slope[0], 0.0107921433, 1e-10);  // N, 926.6 m away
    EXPECT_NEAR(cell.slope[1], 0.0085661531, 1e-10);  // NE, 1167.385 m away with own dx
    EXPECT_NEAR(cell.slope[2], 0.0140831026, 1e-10);  // E, 710.0708 m away
    for (std::size_t k = 3; k < 8; ++k) EXPECT_EQ(cell.slope[k], 0.0) << k;
    EXPECT_NEAR(cell.maxSlope, 0.0140831026, 1e-10);
}

TEST(CellTerrain, SlopeSkipsNoDataNeighboursAndMayStayNegative) {
    CellGrid flat = flatWindow();
    flat[1][1].calcSlope(flat[1][1].neighbourDistances());
    EXPECT_EQ(flat[1][1].maxSlope, 0.0);

    // A sink whose only neighbour with data is 20 m higher, to the south-west.
    CellGrid sink =
        placedWindow({{{-9999, -9999, -9999}, {-9999, 80, -9999}, {100, -9999, -9999}}});
    sink[1][1].calcSlope(sink[1][1].neighbourDistances());
    EXPECT_LT(sink[1][1].maxSlope, 0.0);
    EXPECT_GT(sink[1][1].maxSlope, -1.0);
    EXPECT_EQ(sink[1][1].maxSlope, sink[1][1].slope[5]);
}

TEST(CellPitCheck, PrintsEachNeighbourElevationOfAPitFromNorthClockwise) {
    CellGrid cells = placedWindow({{{650, 523, 8848}, {777, 500, 612}, {9000, 501, 0}}});
    cells[2][2].elev = 1234.5678;
    EXPECT_EQ(pitReport(cells[1][1]),
              "523check the elevation \n"
              "8848check the elevation \n"
              "612check the elevation \n"
              "1234.57check the elevation \n"
              "501check the elevation \n"
              "9000check the elevation \n"
              "777check the elevation \n"
              "650check the elevation \n");
}

TEST(CellPitCheck, ReportsAFlatButNotACellWithALowerNeighbour) {
    CellGrid flat = flatWindow();
    std::string expected;
    for (int k = 0; k < 8; ++k) expected += "50check the elevation \n";
    EXPECT_EQ(pitReport(flat[1][1]), expected);

    CellGrid slope = flatWindow();
    slope[2][1].elev = 49.0;
    EXPECT_EQ(pitReport(slope[1][1]), "");
}

TEST(CellPitCheck, StaysSilentBesideNoData) {
    CellGrid pit = placedWindow({{{60, 60, 60}, {60, 10, 60}, {60, 60, -9999}}});
    EXPECT_EQ(pitReport(pit[1][1]), "");

    CellGrid island =
        placedWindow({{{-9999, -9999, -9999}, {-9999, 80, -9999}, {-9999, -9999, -9999}}});
    EXPECT_EQ(pitReport(island[1][1]), "");
    EXPECT_EQ(island[1][1].maxSlope, -50000.0);
}

TEST(CellDrainage, SetDownFollowsTheCodeClockwiseFromNorth) {
    CellGrid cells = flatWindow();
    const std::pair<std::int32_t, cellObject*> codes[] = {
        {1, &cells[0][1]}, {3, &cells[1][2]}, {6, &cells[2][0]}, {8, &cells[0][0]}};
    for (const auto& [code, expected] : codes) {
        cells[1][1].dir = code;
        cells[1][1].setDown();
        EXPECT_EQ(cells[1][1].down, expected) << code;
    }
}

TEST(CellDrainage, SetDownClearsTheLinkForEveryCodeWithoutAFlowDirection) {
    CellGrid cells = flatWindow();
    cellObject& cell = cells[1][1];
    cell.up[0] = &cells[0][0];  // a cell with an inflow, so that no stray link reads as null
    for (const std::int32_t code : {0, -1, -9, 9}) {
        SCOPED_TRACE(code);
        cell.down = &cells[2][2];
        cell.dir = code;
        cell.setDown();
        EXPECT_EQ(cell.down, nullptr);
    }
}

TEST(CellDrainage, RegisterUpFillsSlotsInTheOrderOfTheCalls) {
    CellGrid cells = flatWindow();
    cellObject& outlet = cells[1][1];
    cells[2][1].down = &outlet;
    cells[0][1].down = &outlet;
    cells[2][1].registerUp();
    cells[0][1].registerUp();
    EXPECT_EQ(outlet.up[0], &cells[2][1]);
    EXPECT_EQ(outlet.up[1], &cells[0][1]);
    for (std::size_t i = 2; i < 8; ++i) EXPECT_EQ(outlet.up[i], nullptr) << i;
}

// An outlet in a bowl: all eight neighbours drain into it.
class CellFullOutlet : public ::testing::Test {
protected:
    void SetUp() override {
        for (std::int32_t row = 0; row < 3; ++row) {
            for (std::int32_t col = 0; col < 3; ++col) {
                if (row == 1 && col == 1) continue;
                cells[row][col].down = &outlet;
                cells[row][col].registerUp();
            }
        }
    }
    CellGrid cells = flatWindow();
    cellObject& outlet = cells[1][1];
};

TEST_F(CellFullOutlet, RegistersAllEightInflowsInRowMajorOrder) {
    const cellObject* expected[] = {&cells[0][0], &cells[0][1], &cells[0][2], &cells[1][0],
                                    &cells[1][2], &cells[2][0], &cells[2][1], &cells[2][2]};
    for (std::size_t i = 0; i < 8; ++i) EXPECT_EQ(outlet.up[i], expected[i]) << i;
}

TEST_F(CellFullOutlet, RegisterUpLeavesAFullListUnchanged) {
    cellObject stray{};
    stray.init();
    stray.down = &outlet;
    stray.registerUp();
    for (const cellObject* upstream : outlet.up) EXPECT_NE(upstream, &stray);
    EXPECT_EQ(outlet.up[7], &cells[2][2]);
}

TEST_F(CellFullOutlet, DistanceAndBasinSizeReachAllEightInflows) {
    outlet.distance = 0;
    outlet.passDistance();
    for (const cellObject* upstream : outlet.up) EXPECT_EQ(upstream->distance, 1);
    cells[2][2].basinSize = 5;
    outlet.addUpstream();
    EXPECT_EQ(outlet.basinSize, 1 + 7 + 5);
}

TEST(CellDrainage, PruneOutletDropsOnlyAnOutletThatReceivesNoFlow) {
    CellGrid cells = flatWindow();
    cellObject& outlet = cells[1][1];
    outlet.dir = 0;
    outlet.distance = 0;
    outlet.riverNum = 4;
    outlet.up[0] = &cells[0][0];
    outlet.pruneOutlet();
    EXPECT_EQ(outlet.dir, 0);
    EXPECT_EQ(outlet.elev, 50.0);
    EXPECT_EQ(outlet.basinSize, 1);

    outlet.up[0] = nullptr;
    outlet.pruneOutlet();
    EXPECT_EQ(outlet.dir, -1);
    EXPECT_EQ(outlet.elev, -9999.0);
    EXPECT_EQ(outlet.basinSize, -1);
    EXPECT_EQ(outlet.distance, 0);
    EXPECT_EQ(outlet.riverNum, 4);
    EXPECT_EQ(outlet.neighbor[0], &cells[0][1]);
}

TEST(CellDrainage, PassDistanceOverwritesTheDistanceOfRegisteredCellsOnly) {
    CellGrid cells = flatWindow();
    cellObject& cell = cells[1][1];
    cell.distance = 5;
    cell.passDistance();  // nobody registered yet
    for (const cellObject* next : cell.neighbor) EXPECT_EQ(next->distance, -1);

    cells[0][0].distance = 42;
    cell.up[0] = &cells[0][0];
    cell.up[1] = &cells[2][1];
    cell.passDistance();
    EXPECT_EQ(cells[0][0].distance, 6);
    EXPECT_EQ(cells[2][1].distance, 6);
    EXPECT_EQ(cells[0][1].distance, -1);
    EXPECT_EQ(cell.distance, 5);
}

TEST(CellDrainage, AddUpstreamGathersTheBasinsOfRegisteredCells) {
    CellGrid cells = flatWindow();
    cellObject& cell = cells[1][1];
    cells[0][2].basinSize = 3;
    cells[1][0].basinSize = 4;
    cells[2][2].basinSize = 100;  // a neighbour that drains elsewhere
    cell.up[0] = &cells[0][2];
    cell.up[1] = &cells[1][0];
    cell.addUpstream();
    EXPECT_EQ(cell.basinSize, 8);
}

// Cells of a drainage path, linked by hand through down.
using Path = std::array<cellObject, 4>;

Path pathOfUnnumberedCells() {
    Path cells;
    for (cellObject& cell : cells) cell.init();
    return cells;
}

TEST(CellRiverNumber, PassesTheFirstNumberBelowToEveryCellOnTheWay) {
    auto cells = pathOfUnnumberedCells();  // P -> Q -> R -> S, R numbered 7, S 9
    auto& [p, q, r, s] = cells;
    p.down = &q;
    q.down = &r;
    r.down = &s;
    r.riverNum = 7;
    s.riverNum = 9;
    cells[0].propagateRiverNum();
    EXPECT_EQ(p.riverNum, 7);
    EXPECT_EQ(q.riverNum, 7);
    EXPECT_EQ(r.riverNum, 7);
    EXPECT_EQ(s.riverNum, 9);
}

TEST(CellRiverNumber, ChangesNothingWhenThePathEndsWithoutANumber) {
    auto cells = pathOfUnnumberedCells();  // P -> Q -> R, R without down
    auto& [p, q, r, unused] = cells;
    p.down = &q;
    q.down = &r;
    cells[0].propagateRiverNum();
    for (const cellObject& cell : cells) EXPECT_EQ(cell.riverNum, -1);
}

TEST(CellRiverNumber, ChangesNothingOnACellThatHoldsANumber) {
    auto cells = pathOfUnnumberedCells();  // P (numbered 2) -> Q -> R (numbered 7)
    auto& [p, q, r, unused] = cells;
    p.down = &q;
    q.down = &r;
    p.riverNum = 2;
    r.riverNum = 7;
    cells[0].propagateRiverNum();
    EXPECT_EQ(p.riverNum, 2);
    EXPECT_EQ(q.riverNum, -1);
    EXPECT_EQ(r.riverNum, 7);
}

TEST(CellRiverNumber, EndsOnALoopAndLeavesItsCellsUnnumbered) {
    auto cells = pathOfUnnumberedCells();  // D -> A -> B -> C -> A
    auto& [a, b, c, d] = cells;
    a.down = &b;
    b.down = &c;
    c.down = &a;
    d.down = &a;
    for (std::size_t start : {std::size_t{3}, std::size_t{0}, std::size_t{2}}) {
        SCOPED_TRACE(start);
        cells[start].propagateRiverNum();
        for (const cellObject& cell : cells) EXPECT_EQ(cell.riverNum, -1);
    }
}

}  // namespace
}  // namespace drainPrep
