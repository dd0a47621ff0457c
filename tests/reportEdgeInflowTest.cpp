// Water entering the study area across its edge, on literal grids.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "report/edgeInflow.hpp"

namespace drainPrep::report {
namespace {

// D8 source codes.
constexpr std::int32_t E = 1, SE = 2, S = 4, SW = 8, W = 16, NW = 32, N = 64, NE = 128;
constexpr std::int32_t seaLevel = -9999;

struct Sample {
    std::int32_t row;
    std::int32_t col;
    std::int32_t value;
};

using Literal = std::vector<std::vector<std::int32_t>>;

EdgeBand bandOf(const Literal& grid) {
    EdgeBand band(static_cast<std::int32_t>(grid.size()),
                  static_cast<std::int32_t>(grid[0].size()));
    for (std::size_t row = 0; row < grid.size(); ++row) {
        band.keepRow(static_cast<std::int32_t>(row), grid[row].data());
    }
    return band;
}

Literal filled(std::int32_t nrows, std::int32_t ncols, std::int32_t value) {
    return Literal(static_cast<std::size_t>(nrows),
                   std::vector<std::int32_t>(static_cast<std::size_t>(ncols), value));
}

void place(Literal& grid, const std::vector<Sample>& samples) {
    for (const Sample& s : samples) {
        grid[static_cast<std::size_t>(s.row)][static_cast<std::size_t>(s.col)] = s.value;
    }
}

// Every cell carries its own basin number, 100 + 10 x row + column, so that a
// result names the cell the path reached.
std::int32_t basinAt(std::int32_t row, std::int32_t col) { return 100 + 10 * row + col; }

std::vector<EdgeInflow> inflowOf(std::int32_t nrows, std::int32_t ncols,
                                 const std::vector<Sample>& directions,
                                 const std::vector<Sample>& elevations = {}) {
    // Flat land everywhere, every cell an outlet in the source (code 0).
    Literal direction = filled(nrows, ncols, 0);
    Literal elevation = filled(nrows, ncols, 10);
    Literal basins = filled(nrows, ncols, 0);
    for (std::int32_t row = 0; row < nrows; ++row) {
        for (std::int32_t col = 0; col < ncols; ++col) {
            basins[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)] =
                basinAt(row, col);
        }
    }
    place(direction, directions);
    place(elevation, elevations);
    return findEdgeInflow(bandOf(direction), bandOf(elevation), bandOf(basins));
}

std::string describe(const std::vector<EdgeInflow>& inflow) {
    std::string text;
    for (const EdgeInflow& place : inflow) {
        text += std::string(edgeName(place.edge)) +
                (place.ring == Ring::outlet ? " outlet ring " : " ") + std::to_string(place.row) +
                "," + std::to_string(place.col) + " -> " + std::to_string(place.riverNum) + "; ";
    }
    return text;
}

struct InflowCase {
    const char* terrain;
    std::vector<Sample> directions;
    std::vector<Sample> elevations;
    std::string expected;
};

// A 6 x 7 area: the frame ring, the outlet ring (rows 1 and 4, columns 1 and
// 5) and the cells off both rings, rows 2 to 3 and columns 2 to 4.
TEST(EdgeInflow, FollowsSourceCodesFromTheFrameRingToTheFirstCellOffBothRings) {
    const InflowCase cases[] = {
        {"a north cell flowing south over the outlet ring",
         {{0, 3, S}, {1, 3, S}},
         {},
         "north 0,3 -> 123; north outlet ring 1,3 -> 123; "},
        {"codes pointing outward or along the edge",
         {{0, 3, N}, {0, 4, E}, {5, 2, S}, {2, 0, W}, {3, 6, NE}, {5, 3, W}},
         {},
         ""},
        {"a diagonal from the frame ring into the frame ring", {{0, 1, SW}, {4, 0, SE}}, {}, ""},
        {"the four corners, counted north and south",
         {{0, 0, SE},
          {1, 1, SE},
          {0, 6, SW},
          {1, 5, SW},
          {5, 0, NE},
          {4, 1, NE},
          {5, 6, NW},
          {4, 5, NW}},
         {},
         "north 0,0 -> 122; north 0,6 -> 124; north outlet ring 1,1 -> 122; north outlet ring "
         "1,5 -> 124; south outlet ring 4,1 -> 132; south outlet ring 4,5 -> 134; south 5,0 -> "
         "132; south 5,6 -> 134; "},
        {"west and east edges",
         {{2, 0, E}, {2, 1, E}, {3, 6, W}, {3, 5, W}},
         {},
         "west 2,0 -> 122; west outlet ring 2,1 -> 122; east outlet ring 3,5 -> 134; east 3,6 "
         "-> 134; "},
        {"a path along the outlet ring before it turns inward",
         {{0, 2, S}, {1, 2, E}, {1, 3, E}, {1, 4, E}, {1, 5, SW}},
         {},
         "north 0,2 -> 124; north outlet ring 1,5 -> 124; "},
        {"a path that ends at an outlet code on the outlet ring",
         {{5, 3, N}},
         {},
         "south 5,3 -> -1; "},
        {"a path that meets the sea",
         {{0, 3, S}, {1, 3, S}},
         {{1, 3, seaLevel}},
         "north 0,3 -> -1; "},
        {"a path that meets no data", {{0, 3, S}, {1, 3, -9999}}, {}, "north 0,3 -> -1; "},
        {"a path that leaves the area again",
         {{0, 2, SW}, {1, 1, NW}, {0, 0, N}},
         {},
         "north 0,2 -> -1; "},
        {"a path that circles on the rings", {{0, 3, S}, {1, 3, N}}, {}, "north 0,3 -> -1; "},
    };
    for (const InflowCase& c : cases) {
        SCOPED_TRACE(c.terrain);
        EXPECT_EQ(describe(inflowOf(6, 7, c.directions, c.elevations)), c.expected);
    }
}

// drainPrep makes every cell of the outlet ring an outlet: one whose source
// code points further in keeps its water, and all upstream of it, from the
// basin below, even where no frame cell points inward.
TEST(EdgeInflow, OutletRingCellsPointingFurtherInCutOffTheBasinBelow) {
    const InflowCase cases[] = {
        {"one cell of each side, pointing straight in",
         {{1, 3, S}, {4, 3, N}, {3, 1, E}, {2, 5, W}},
         {},
         "north outlet ring 1,3 -> 123; east outlet ring 2,5 -> 124; west outlet ring 3,1 -> 132; "
         "south outlet ring 4,3 -> 133; "},
        {"diagonals from the ring's middle and its corners",
         {{1, 2, SE}, {1, 4, SW}, {1, 5, SW}, {4, 1, NE}},
         {},
         "north outlet ring 1,2 -> 123; north outlet ring 1,4 -> 123; north outlet ring 1,5 -> "
         "124; south outlet ring 4,1 -> 132; "},
        {"codes along the ring or outward",
         {{1, 3, E}, {1, 1, W}, {2, 1, N}, {4, 2, S}, {3, 5, NE}, {1, 5, N}},
         {},
         ""},
        {"a path along the ring that turns inward is cut where it turns",
         {{1, 2, E}, {1, 3, E}, {1, 4, S}},
         {},
         "north outlet ring 1,4 -> 124; "},
        // Below 0 m the run sees sea, whatever the source code says.
        {"sea cells of the ring, one below sea level, are no outlets",
         {{1, 3, S}, {4, 3, N}},
         {{1, 3, -5}, {4, 3, seaLevel}},
         ""},
    };
    for (const InflowCase& c : cases) {
        SCOPED_TRACE(c.terrain);
        EXPECT_EQ(describe(inflowOf(6, 7, c.directions, c.elevations)), c.expected);
    }
}

TEST(EdgeInflow, AreasWithoutCellsOffBothRingsJoinNoBasin) {
    // 4 x 5: the outlet ring is all there is inside the frame.
    EXPECT_EQ(describe(inflowOf(4, 5, {{0, 2, S}, {1, 2, S}})), "north 0,2 -> -1; ");
    // 2 x 5 and 5 x 1: every cell is on the frame ring, so nothing points off it.
    EXPECT_EQ(describe(inflowOf(2, 5, {{0, 2, S}})), "");
    EXPECT_EQ(describe(inflowOf(5, 1, {{2, 0, S}, {0, 0, S}})), "");
}

TEST(EdgeInflow, BandKeepsTheThreeOuterRingsOfALargeGrid) {
    // 9 x 11: the middle rows keep their three cells at each end only.
    Literal grid = filled(9, 11, 0);
    for (std::int32_t row = 0; row < 9; ++row) {
        for (std::int32_t col = 0; col < 11; ++col) {
            grid[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)] = basinAt(row, col);
        }
    }
    const EdgeBand band = bandOf(grid);
    for (const auto& [row, col] :
         {std::pair{0, 5}, {2, 7}, {4, 0}, {4, 2}, {4, 8}, {4, 10}, {6, 5}, {8, 10}}) {
        EXPECT_EQ(band.at(row, col), basinAt(row, col)) << row << "," << col;
    }
}

}  // namespace
}  // namespace drainPrep::report
