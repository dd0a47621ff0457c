// The network derivation: upstream registration, removal of outlets without
// inflow, distances, basin sizes and river numbers.
//
// Worked examples on small literal terrains, a randomized comparison of the
// tool's preparation and linear-time derivation with the plain sweeps of
// support/levelSweeps, and invariants that every derived network must keep.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <ostream>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "analysis/directionCodes.hpp"
#include "analysis/gridPreparation.hpp"
#include "support/cellGridBuilder.hpp"
#include "support/levelSweeps.hpp"
#include "support/sourceCodes.hpp"

namespace drainPrep::testing {

namespace {

// Internal codes after decoding.
constexpr std::int32_t internalNorth = 1;
constexpr std::int32_t internalEast = 3;
constexpr std::int32_t internalSouth = 5;
constexpr std::int32_t internalWest = 7;

constexpr double landElevation = 100.0;

// ---------------------------------------------------------------------------
// Running the two derivations

enum class Derivation { tool, levelByLevel };

void PrintTo(Derivation derivation, std::ostream* out) {
    *out << (derivation == Derivation::tool ? "the tool's derivation" : "level-by-level sweeps");
}

// Each derivation on its own preparation: the yardstick's sweeps prepare the
// grid they derive.
CellGrid derivedGrid(const IntGrid& dem, const IntGrid& directions, Derivation derivation) {
    PreparedGrid prepared = derivation == Derivation::tool
                                ? prepareAndDerive(dem, directions)
                                : prepare(dem, directions, Preparation::sweepBySweep);
    EXPECT_FALSE(prepared.failure.has_value()) << *prepared.failure;
    if (derivation == Derivation::levelByLevel) deriveNetworkLevelByLevel(prepared.cells);
    return std::move(prepared.cells);
}

// The fields the derivation leaves for the products.
struct Outcome {
    std::int32_t dir;
    double elev;
    std::int32_t distance;
    std::int32_t basinSize;
    std::int32_t riverNum;

    bool operator==(const Outcome& other) const {
        return dir == other.dir && elev == other.elev && distance == other.distance &&
               basinSize == other.basinSize && riverNum == other.riverNum;
    }
};

void PrintTo(const Outcome& outcome, std::ostream* out) {
    *out << "{dir " << outcome.dir << ", elev " << outcome.elev << ", distance "
         << outcome.distance << ", basinSize " << outcome.basinSize << ", riverNum "
         << outcome.riverNum << "}";
}

Outcome outcomeOf(const cellObject& cell) {
    return {cell.dir, cell.elev, cell.distance, cell.basinSize, cell.riverNum};
}

std::ptrdiff_t indexOf(const CellGrid& cells, const cellObject* cell) { return cell - cells.begin(); }

std::int32_t occupiedUpSlots(const cellObject& cell) {
    std::int32_t count = 0;
    for (const cellObject* upstream : cell.up) {
        if (upstream != nullptr) ++count;
    }
    return count;
}

std::int32_t outletCount(const CellGrid& cells) {
    return static_cast<std::int32_t>(std::count_if(
        cells.begin(), cells.end(), [](const cellObject& cell) { return cell.dir == outletCode; }));
}

// ---------------------------------------------------------------------------
// Worked examples, each checked on both derivations

// A strip of coast: one land cell drains west onto the shore; the cell east
// of it is a closed pit that nothing drains into.
IntGrid singleInflowDirections() {
    return gridOf({
        {south, south, south, south, south, south},
        {south, south, south, south, south, south},
        {south, south, west, sinkCode, south, south},
        {south, south, south, south, south, south},
        {south, south, south, south, south, south},
    });
}

// A crater: eight slopes run into a pit in its middle, and a strip of land on
// its east side drains straight to the coast.
IntGrid craterDirections() {
    return gridOf({
        {south, south, south, south, south, south, south, south},
        {south, south, south, south, south, south, south, south},
        {south, south, southEast, south, southWest, east, south, south},
        {south, south, east, sinkCode, west, east, south, south},
        {south, south, northEast, north, northWest, east, south, south},
        {south, south, south, south, south, south, south, south},
        {south, south, south, south, south, south, south, south},
    });
}

// A long valley draining east to the coast, with one short gully at its
// western end running north to the coast.
IntGrid valleyDirections() {
    return gridOf({
        {south, south, south, south, south, south, south, south, south},
        {south, south, south, south, south, south, south, south, south},
        {south, south, north, south, south, south, south, south, south},
        {south, south, east, east, east, east, east, south, south},
        {south, south, south, south, south, south, south, south, south},
        {south, south, south, south, south, south, south, south, south},
    });
}

// Land on both sides of a small bay at [3][4]; the shore of the bay collects
// the land west and east of it.
IntGrid bayDirections() {
    return gridOf({
        {south, south, south, south, south, south, south, south, south},
        {south, south, south, south, south, south, south, south, south},
        {south, south, east, south, south, south, west, south, south},
        {south, south, east, south, south, south, west, south, south},
        {south, south, east, south, south, south, west, south, south},
        {south, south, south, south, south, south, south, south, south},
        {south, south, south, south, south, south, south, south, south},
    });
}

IntGrid bayElevations() {
    IntGrid dem = filledGrid(7, 9, 100);
    dem[3][4] = -3;
    return dem;
}

// A hollow whose four cells drain round in a circle, fed by one cell from the
// east, beside a cell that drains to the coast.
IntGrid hollowDirections() {
    return gridOf({
        {south, south, south, south, south, south, south},
        {south, south, south, south, south, south, south},
        {south, south, east, south, west, south, south},
        {south, south, north, west, east, south, south},
        {south, south, south, south, south, south, south},
        {south, south, south, south, south, south, south},
    });
}

IntGrid landOfSizeOf(const IntGrid& directions) {
    return filledGrid(directions.nrows(), directions.ncols(), 100);
}

class NetworkWorkedExample : public ::testing::TestWithParam<Derivation> {
protected:
    CellGrid derive(const IntGrid& dem, const IntGrid& directions) const {
        return derivedGrid(dem, directions, GetParam());
    }
    CellGrid deriveOnLand(const IntGrid& directions) const {
        return derive(landOfSizeOf(directions), directions);
    }
};

TEST_P(NetworkWorkedExample, singleCellDrainingIntoTheOnlyOutletLeft) {
    const CellGrid cells = deriveOnLand(singleInflowDirections());
    EXPECT_EQ(outcomeOf(cells[2][1]), (Outcome{outletCode, landElevation, 0, 2, 1}));
    EXPECT_EQ(outcomeOf(cells[2][2]), (Outcome{internalWest, landElevation, 1, 1, 1}));
    EXPECT_EQ(outletCount(cells), 1);
    for (const cellObject& cell : cells) {
        if (&cell == &cells[2][1] || &cell == &cells[2][2]) continue;
        EXPECT_EQ(cell.distance, -1);
        EXPECT_EQ(cell.riverNum, -1);
    }
}

TEST_P(NetworkWorkedExample, pitWithoutInflowIsRemoved) {
    const CellGrid cells = deriveOnLand(singleInflowDirections());
    EXPECT_EQ(outcomeOf(cells[2][3]), (Outcome{noFlowCode, noDataElevation, -1, -1, -1}));
}

TEST_P(NetworkWorkedExample, outletRingCellWithoutInflowIsRemoved) {
    const CellGrid cells = deriveOnLand(singleInflowDirections());
    EXPECT_EQ(outcomeOf(cells[1][3]), (Outcome{noFlowCode, noDataElevation, -1, -1, -1}));
    EXPECT_EQ(outcomeOf(cells[3][4]), (Outcome{noFlowCode, noDataElevation, -1, -1, -1}));
}

TEST_P(NetworkWorkedExample, frameCellsBesideCornersAreRemovedAndCornersHaveNoFlow) {
    const CellGrid cells = deriveOnLand(singleInflowDirections());
    EXPECT_EQ(outcomeOf(cells[0][1]), (Outcome{noFlowCode, noDataElevation, -1, -1, -1}));
    EXPECT_EQ(outcomeOf(cells[3][5]), (Outcome{noFlowCode, noDataElevation, -1, -1, -1}));
    EXPECT_EQ(outcomeOf(cells[0][0]), (Outcome{frameRingCode, noDataElevation, -1, -9999, -1}));
    EXPECT_EQ(outcomeOf(cells[0][3]), (Outcome{frameRingCode, noDataElevation, -1, -9999, -1}));
}

TEST_P(NetworkWorkedExample, seaCellEndsWithBasinSizeMinus9999) {
    const CellGrid cells = derive(bayElevations(), bayDirections());
    EXPECT_EQ(outcomeOf(cells[3][4]), (Outcome{noFlowCode, noDataElevation, -1, -9999, -1}));
}

TEST_P(NetworkWorkedExample, bayShoreCellsWithInflowAreNumberedInRowMajorOrder) {
    const CellGrid cells = derive(bayElevations(), bayDirections());
    EXPECT_EQ(outcomeOf(cells[2][3]), (Outcome{outletCode, landElevation, 0, 2, 1}));
    EXPECT_EQ(outcomeOf(cells[2][5]), (Outcome{outletCode, landElevation, 0, 2, 2}));
    EXPECT_EQ(outcomeOf(cells[3][3]), (Outcome{outletCode, landElevation, 0, 2, 3}));
    EXPECT_EQ(outcomeOf(cells[4][5]), (Outcome{outletCode, landElevation, 0, 2, 6}));
    EXPECT_EQ(outcomeOf(cells[2][6]), (Outcome{internalWest, landElevation, 1, 1, 2}));
    EXPECT_EQ(outcomeOf(cells[2][4]), (Outcome{noFlowCode, noDataElevation, -1, -1, -1}));
    EXPECT_EQ(outletCount(cells), 6);
}

TEST_P(NetworkWorkedExample, outletWithEightInflowsCountsAllEight) {
    const CellGrid cells = deriveOnLand(craterDirections());
    EXPECT_EQ(outcomeOf(cells[3][3]), (Outcome{outletCode, landElevation, 0, 9, 2}));
    for (std::int32_t row = 2; row <= 4; ++row) {
        for (std::int32_t col = 2; col <= 4; ++col) {
            if (row == 3 && col == 3) continue;
            SCOPED_TRACE("cell [" + std::to_string(row) + "][" + std::to_string(col) + "]");
            EXPECT_EQ(cells[row][col].distance, 1);
            EXPECT_EQ(cells[row][col].basinSize, 1);
            EXPECT_EQ(cells[row][col].riverNum, 2);
        }
    }
}

TEST_P(NetworkWorkedExample, outletWithEightInflowsListsThemInRowMajorOrder) {
    const CellGrid cells = deriveOnLand(craterDirections());
    const std::vector<const cellObject*> expected = {&cells[2][2], &cells[2][3], &cells[2][4],
                                                     &cells[3][2], &cells[3][4], &cells[4][2],
                                                     &cells[4][3], &cells[4][4]};
    const std::vector<const cellObject*> listed(std::begin(cells[3][3].up),
                                                std::end(cells[3][3].up));
    EXPECT_EQ(listed, expected);
}

TEST_P(NetworkWorkedExample, firstOutletInRowMajorOrderIsNumberOneWhateverItsSize) {
    const CellGrid cells = deriveOnLand(valleyDirections());
    EXPECT_EQ(outcomeOf(cells[1][2]), (Outcome{outletCode, landElevation, 0, 2, 1}));
    EXPECT_EQ(outcomeOf(cells[3][7]), (Outcome{outletCode, landElevation, 0, 10, 2}));
    EXPECT_EQ(outletCount(cells), 2);
}

TEST_P(NetworkWorkedExample, valleyCellsCountStepsAndUpstreamCells) {
    const CellGrid cells = deriveOnLand(valleyDirections());
    EXPECT_EQ(outcomeOf(cells[2][2]), (Outcome{internalNorth, landElevation, 1, 1, 1}));
    EXPECT_EQ(outcomeOf(cells[3][6]), (Outcome{internalEast, landElevation, 1, 9, 2}));
    EXPECT_EQ(outcomeOf(cells[3][3]), (Outcome{internalEast, landElevation, 4, 3, 2}));
    EXPECT_EQ(outcomeOf(cells[3][2]), (Outcome{internalEast, landElevation, 5, 1, 2}));
    EXPECT_EQ(outcomeOf(cells[2][3]), (Outcome{internalSouth, landElevation, 5, 1, 2}));
    EXPECT_EQ(outcomeOf(cells[2][6]), (Outcome{internalSouth, landElevation, 2, 1, 2}));
}

TEST_P(NetworkWorkedExample, studyAreaWithoutOutletsLeavesNoBasin) {
    // Four by four cells: no cell off the rings, so no cell has a down link.
    const CellGrid cells = derive(filledGrid(4, 4, 100), filledGrid(4, 4, south));
    std::int32_t removed = 0;
    for (std::int32_t row = 0; row < 4; ++row) {
        for (std::int32_t col = 0; col < 4; ++col) {
            const bool corner = (row == 0 || row == 3) && (col == 0 || col == 3);
            const Outcome expected = corner
                                         ? Outcome{frameRingCode, noDataElevation, -1, -9999, -1}
                                         : Outcome{noFlowCode, noDataElevation, -1, -1, -1};
            EXPECT_EQ(outcomeOf(cells[row][col]), expected) << "[" << row << "][" << col << "]";
            if (!corner) ++removed;
        }
    }
    EXPECT_EQ(removed, 12);
}

TEST_P(NetworkWorkedExample, loopOfDownLinksAndTheCellFeedingItStayOutside) {
    const CellGrid cells = deriveOnLand(hollowDirections());
    EXPECT_EQ(outcomeOf(cells[2][2]), (Outcome{internalEast, landElevation, -1, 1, -1}));
    EXPECT_EQ(outcomeOf(cells[2][3]), (Outcome{internalSouth, landElevation, -1, 1, -1}));
    EXPECT_EQ(outcomeOf(cells[3][3]), (Outcome{internalWest, landElevation, -1, 1, -1}));
    EXPECT_EQ(outcomeOf(cells[3][2]), (Outcome{internalNorth, landElevation, -1, 1, -1}));
    EXPECT_EQ(outcomeOf(cells[2][4]), (Outcome{internalWest, landElevation, -1, 1, -1}));
}

TEST_P(NetworkWorkedExample, cellBesideALoopStillReachesItsOutlet) {
    const CellGrid cells = deriveOnLand(hollowDirections());
    EXPECT_EQ(outcomeOf(cells[3][5]), (Outcome{outletCode, landElevation, 0, 2, 1}));
    EXPECT_EQ(outcomeOf(cells[3][4]), (Outcome{internalEast, landElevation, 1, 1, 1}));
    EXPECT_EQ(outletCount(cells), 1);
}

std::string derivationName(const ::testing::TestParamInfo<Derivation>& info) {
    return info.param == Derivation::tool ? "tool" : "levelByLevel";
}

INSTANTIATE_TEST_SUITE_P(NetworkBothDerivations, NetworkWorkedExample,
                         ::testing::Values(Derivation::tool, Derivation::levelByLevel),
                         derivationName);

// ---------------------------------------------------------------------------
// Random terrains

// Raw engine output reduced modulo the range, so the sequence is the same on
// every standard library.
class RandomSource {
public:
    explicit RandomSource(std::mt19937::result_type seed) : engine_(seed) {}

    // A value in [0, count); count > 0.
    std::int32_t below(std::int32_t count) {
        return static_cast<std::int32_t>(engine_() %
                                         static_cast<std::mt19937::result_type>(count));
    }
    std::int32_t between(std::int32_t low, std::int32_t high) {
        return low + below(high - low + 1);
    }
    bool percent(std::int32_t chance) { return below(100) < chance; }
    std::int32_t anyD8Code() { return flowDirections[below(directionCount)].sourceCode; }

private:
    std::mt19937 engine_;
};

struct Terrain {
    IntGrid dem;
    IntGrid directions;
};

std::int32_t codeToward(std::int32_t rowStep, std::int32_t colStep) {
    for (const Direction& direction : flowDirections) {
        if (direction.rowOffset == rowStep && direction.colOffset == colStep) {
            return direction.sourceCode;
        }
    }
    return sinkCode;
}

std::int32_t signOf(std::int32_t value) { return (value > 0) - (value < 0); }

// Positive elevations and random D8 codes everywhere.
Terrain randomLand(RandomSource& random, std::int32_t nrows, std::int32_t ncols) {
    Terrain terrain{IntGrid(nrows, ncols), IntGrid(nrows, ncols)};
    for (std::int32_t& sample : terrain.dem) sample = random.between(1, 3000);
    for (std::int32_t& sample : terrain.directions) sample = random.anyD8Code();
    return terrain;
}

bool fitsStar(const Terrain& terrain) {
    return terrain.dem.nrows() >= 7 && terrain.dem.ncols() >= 7;
}

// A pit in the land with its eight neighbours draining into it; all nine
// cells lie off the outlet ring.
void placeStar(RandomSource& random, Terrain& terrain) {
    if (!fitsStar(terrain)) return;
    const std::int32_t row = random.between(3, terrain.dem.nrows() - 4);
    const std::int32_t col = random.between(3, terrain.dem.ncols() - 4);
    for (std::int32_t rowStep = -1; rowStep <= 1; ++rowStep) {
        for (std::int32_t colStep = -1; colStep <= 1; ++colStep) {
            terrain.dem[row + rowStep][col + colStep] = random.between(1, 3000);
            terrain.directions[row + rowStep][col + colStep] = codeToward(-rowStep, -colStep);
        }
    }
}

// A closed ring of down links running clockwise round a rectangle of at
// least 2 x 2 cells off the outlet ring.
void placeLoop(RandomSource& random, Terrain& terrain) {
    const std::int32_t nrows = terrain.dem.nrows();
    const std::int32_t ncols = terrain.dem.ncols();
    if (nrows < 6 || ncols < 6) return;
    const std::int32_t top = random.between(2, nrows - 4);
    const std::int32_t left = random.between(2, ncols - 4);
    const std::int32_t bottom = random.between(top + 1, std::min(nrows - 3, top + 4));
    const std::int32_t right = random.between(left + 1, std::min(ncols - 3, left + 6));
    auto set = [&](std::int32_t row, std::int32_t col, std::int32_t code) {
        terrain.dem[row][col] = random.between(1, 3000);
        terrain.directions[row][col] = code;
    };
    for (std::int32_t col = left; col < right; ++col) set(top, col, east);
    for (std::int32_t row = top; row < bottom; ++row) set(row, right, south);
    for (std::int32_t col = right; col > left; --col) set(bottom, col, west);
    for (std::int32_t row = bottom; row > top; --row) set(row, left, north);
}

// Scatters count features over the terrain: no-data cells, sea (negative
// elevation), land at sea level, sinks, eight-inflow pits, loops and
// changed directions.
void scatterFeatures(RandomSource& random, Terrain& terrain, std::int32_t count) {
    const std::int32_t nrows = terrain.dem.nrows();
    const std::int32_t ncols = terrain.dem.ncols();
    for (std::int32_t i = 0; i < count; ++i) {
        const std::int32_t row = random.below(nrows);
        const std::int32_t col = random.below(ncols);
        switch (random.below(9)) {
            case 0:
                terrain.dem[row][col] = noDataCode;
                terrain.directions[row][col] = noDataCode;
                break;
            case 1:
                terrain.directions[row][col] = random.percent(50) ? noDataCode : -1;
                break;
            case 2:
                terrain.dem[row][col] = -random.between(1, 200);
                break;
            case 3:
                terrain.dem[row][col] = 0;
                break;
            case 4:
                terrain.directions[row][col] = sinkCode;
                break;
            case 5:
            case 6:
                placeStar(random, terrain);
                break;
            case 7:
                placeLoop(random, terrain);
                break;
            default:
                terrain.directions[row][col] = random.anyD8Code();
                break;
        }
    }
}

// Random codes everywhere: short paths, many two-cell loops.
Terrain noisyTerrain(RandomSource& random, std::int32_t nrows, std::int32_t ncols) {
    Terrain terrain = randomLand(random, nrows, ncols);
    for (std::int32_t row = 0; row < nrows; ++row) {
        for (std::int32_t col = 0; col < ncols; ++col) {
            const std::int32_t roll = random.below(100);
            if (roll < 4) {
                terrain.directions[row][col] = sinkCode;
            } else if (roll < 6) {
                terrain.directions[row][col] = -1;
            } else if (roll < 8) {
                terrain.dem[row][col] = noDataCode;
                terrain.directions[row][col] = noDataCode;
            } else if (roll < 10) {
                terrain.dem[row][col] = -random.between(1, 50);
            } else if (roll < 12) {
                terrain.dem[row][col] = 0;
            }
        }
    }
    scatterFeatures(random, terrain, nrows * ncols / 40);
    return terrain;
}

// A tilted, rough surface drained by steepest descent: trees of real basins
// with pits where no neighbour is lower.
Terrain descentTerrain(RandomSource& random, std::int32_t nrows, std::int32_t ncols) {
    Terrain terrain = randomLand(random, nrows, ncols);
    const std::int32_t rowTilt = random.between(-40, 40);
    const std::int32_t colTilt = random.between(-40, 40);
    const std::int32_t roughness = random.between(1, 80);
    for (std::int32_t row = 0; row < nrows; ++row) {
        for (std::int32_t col = 0; col < ncols; ++col) {
            terrain.dem[row][col] =
                5000 + rowTilt * row + colTilt * col + random.below(roughness);
        }
    }
    for (std::int32_t row = 0; row < nrows; ++row) {
        for (std::int32_t col = 0; col < ncols; ++col) {
            double steepest = 0.0;
            std::int32_t code = sinkCode;
            for (const Direction& direction : flowDirections) {
                const std::int32_t nextRow = row + direction.rowOffset;
                const std::int32_t nextCol = col + direction.colOffset;
                if (nextRow < 0 || nextCol < 0 || nextRow >= nrows || nextCol >= ncols) continue;
                const bool diagonal = direction.rowOffset != 0 && direction.colOffset != 0;
                const double drop = (terrain.dem[row][col] - terrain.dem[nextRow][nextCol]) /
                                    (diagonal ? 1.4142 : 1.0);
                if (drop > steepest) {
                    steepest = drop;
                    code = direction.sourceCode;
                }
            }
            terrain.directions[row][col] = code;
        }
    }
    scatterFeatures(random, terrain, nrows * ncols / 80);
    return terrain;
}

// Every cell drains straight towards the nearest of a few pits, each of which
// thus collects eight inflows.
Terrain funnelTerrain(RandomSource& random, std::int32_t nrows, std::int32_t ncols) {
    Terrain terrain = randomLand(random, nrows, ncols);
    const std::int32_t pitCount = random.between(1, 4);
    std::vector<std::pair<std::int32_t, std::int32_t>> pits;
    for (std::int32_t i = 0; i < pitCount; ++i) {
        pits.emplace_back(random.between(1, nrows - 2), random.between(1, ncols - 2));
    }
    for (std::int32_t row = 0; row < nrows; ++row) {
        for (std::int32_t col = 0; col < ncols; ++col) {
            std::pair<std::int32_t, std::int32_t> nearest = pits.front();
            std::int32_t nearestSpan = nrows + ncols;
            for (const auto& pit : pits) {
                const std::int32_t span =
                    std::max(std::abs(pit.first - row), std::abs(pit.second - col));
                if (span < nearestSpan) {
                    nearestSpan = span;
                    nearest = pit;
                }
            }
            terrain.directions[row][col] =
                codeToward(signOf(nearest.first - row), signOf(nearest.second - col));
        }
    }
    scatterFeatures(random, terrain, nrows * ncols / 100);
    return terrain;
}

// One river winding back and forth through every cell off the outlet ring,
// row by row or column by column: the longest flow path the grid can hold.
Terrain snakeTerrain(RandomSource& random, std::int32_t nrows, std::int32_t ncols,
                     std::int32_t featureCount) {
    Terrain terrain = randomLand(random, nrows, ncols);
    const bool byRows = random.percent(50);
    const std::int32_t first = 2;
    const std::int32_t lastRow = nrows - 3;
    const std::int32_t lastCol = ncols - 3;
    for (std::int32_t row = first; row <= lastRow; ++row) {
        for (std::int32_t col = first; col <= lastCol; ++col) {
            std::int32_t code = 0;
            if (byRows) {
                const bool eastward = (row - first) % 2 == 0;
                const bool turn = eastward ? col == lastCol : col == first;
                code = turn ? south : (eastward ? east : west);
            } else {
                const bool southward = (col - first) % 2 == 0;
                const bool turn = southward ? row == lastRow : row == first;
                code = turn ? east : (southward ? south : north);
            }
            terrain.directions[row][col] = code;
        }
    }
    scatterFeatures(random, terrain, featureCount);
    return terrain;
}

enum class TerrainKind { noisy, descent, funnel, snake };

const char* nameOf(TerrainKind kind) {
    switch (kind) {
        case TerrainKind::noisy:
            return "noisy";
        case TerrainKind::descent:
            return "descent";
        case TerrainKind::funnel:
            return "funnel";
        case TerrainKind::snake:
            return "snake";
    }
    return "?";
}

// The index-th terrain of a kind, the same on every run. The first snake is a
// whole 40 x 60 grid without features, so the longest path is 36 x 56 steps.
Terrain sampleTerrain(TerrainKind kind, std::int32_t index) {
    RandomSource random(static_cast<std::mt19937::result_type>(
        20240517u + 7919u * static_cast<std::uint32_t>(index) +
        104729u * static_cast<std::uint32_t>(kind)));
    switch (kind) {
        case TerrainKind::noisy:
            return noisyTerrain(random, random.between(3, 40), random.between(3, 60));
        case TerrainKind::descent:
            return descentTerrain(random, random.between(3, 40), random.between(3, 60));
        case TerrainKind::funnel:
            return funnelTerrain(random, random.between(3, 40), random.between(3, 60));
        case TerrainKind::snake:
            if (index == 0) return snakeTerrain(random, 40, 60, 0);
            return snakeTerrain(random, random.between(5, 40), random.between(5, 60),
                                random.below(4));
    }
    return randomLand(random, 3, 3);
}

std::string labelOf(TerrainKind kind, std::int32_t index, const Terrain& terrain) {
    return std::string(nameOf(kind)) + " terrain #" + std::to_string(index) + " (" +
           std::to_string(terrain.dem.nrows()) + " x " + std::to_string(terrain.dem.ncols()) +
           ")";
}

// What a set of derived grids held, to make sure the random terrains do
// exercise the cases they are meant to.
struct Coverage {
    std::int32_t grids = 0;
    std::int32_t outlets = 0;
    std::int32_t eightInflowOutlets = 0;
    std::int32_t unreachedLand = 0;
    std::int32_t noFlowCells = 0;
    std::int32_t removedOutlets = 0;
    std::int32_t longestPath = 0;
    std::int32_t gridsWithoutOutlets = 0;

    void add(const CellGrid& cells) {
        ++grids;
        std::int32_t outletsHere = 0;
        for (const cellObject& cell : cells) {
            if (cell.dir == outletCode) {
                ++outletsHere;
                if (occupiedUpSlots(cell) == upSlotCount) ++eightInflowOutlets;
            }
            if (cell.dir > outletCode && cell.distance == -1) ++unreachedLand;
            if (cell.basinSize == -9999 && cell.dir == noFlowCode) ++noFlowCells;
            if (cell.basinSize == -1) ++removedOutlets;
            longestPath = std::max(longestPath, cell.distance);
        }
        outlets += outletsHere;
        if (outletsHere == 0) ++gridsWithoutOutlets;
    }
};

// ---------------------------------------------------------------------------
// Randomized comparison with the plain sweeps

std::string describe(const Outcome& outcome) {
    std::ostringstream text;
    PrintTo(outcome, &text);
    return text.str();
}

// The up slots and the down link of a cell as row-major indices (-1 for
// null), comparable between grids.
std::vector<std::ptrdiff_t> linksOf(const CellGrid& cells, const cellObject& cell) {
    std::vector<std::ptrdiff_t> links;
    for (const cellObject* upstream : cell.up) {
        links.push_back(upstream != nullptr ? indexOf(cells, upstream) : -1);
    }
    links.push_back(cell.down != nullptr ? indexOf(cells, cell.down) : -1);
    return links;
}

// The first cell where the two derivations differ, in the fields the
// products show or in the links, with both outcomes.
::testing::AssertionResult sameOutcomes(const CellGrid& levelByLevel, const CellGrid& tool) {
    for (std::int32_t row = 0; row < tool.nrows(); ++row) {
        for (std::int32_t col = 0; col < tool.ncols(); ++col) {
            const Outcome expected = outcomeOf(levelByLevel[row][col]);
            const Outcome actual = outcomeOf(tool[row][col]);
            const bool sameLinks = linksOf(levelByLevel, levelByLevel[row][col]) ==
                                   linksOf(tool, tool[row][col]);
            if (expected == actual && sameLinks) continue;
            return ::testing::AssertionFailure()
                   << "first difference at [" << row << "][" << col << "]: tool "
                   << describe(actual) << ", level by level " << describe(expected)
                   << (sameLinks ? "" : ", links differ");
        }
    }
    return ::testing::AssertionSuccess();
}

// Every field of a record that the preparation and derivation define, links
// as row-major indices (-1 for none). The terrain fields are defined only
// for cells off the frame ring that had a flow code when the slopes were
// taken, and a slope only towards a neighbour with data.
std::vector<double> recordOf(const CellGrid& cells, std::int32_t row, std::int32_t col) {
    const cellObject& cell = cells[row][col];
    const auto link = [&cells](const cellObject* other) {
        return other == nullptr ? -1.0 : static_cast<double>(other - cells.begin());
    };
    std::vector<double> fields = {
        double(cell.lat),       double(cell.lon),      double(cell.dir), double(cell.distance),
        double(cell.basinSize), double(cell.riverNum), cell.dx,          cell.elev,
        link(cell.down)};
    for (const cellObject* next : cell.neighbor) fields.push_back(link(next));
    for (const cellObject* upstream : cell.up) fields.push_back(link(upstream));
    const bool offFrame = row > 0 && col > 0 && row < cells.nrows() - 1 && col < cells.ncols() - 1;
    if (!offFrame || (cell.dir < outletCode && cell.basinSize != -1)) return fields;
    fields.insert(fields.end(), {double(cell.nNoData), cell.dy, cell.maxSlope, cell.distX,
                                 cell.distY, cell.distXY});
    for (int k = 0; k < directionCount; ++k) {
        if (cell.neighbor[k]->elev != -9999.0) fields.push_back(cell.slope[k]);
    }
    return fields;
}

// The first record where the two differ in any field.
::testing::AssertionResult sameRecords(const CellGrid& levelByLevel, const CellGrid& tool) {
    for (std::int32_t row = 0; row < tool.nrows(); ++row) {
        for (std::int32_t col = 0; col < tool.ncols(); ++col) {
            const std::vector<double> expected = recordOf(levelByLevel, row, col);
            const std::vector<double> actual = recordOf(tool, row, col);
            if (expected == actual) continue;
            std::ostringstream text;
            text << "first record that differs: [" << row << "][" << col << "]:";
            for (std::size_t i = 0; i < std::max(expected.size(), actual.size()); ++i) {
                if (i < expected.size() && i < actual.size() && expected[i] == actual[i]) continue;
                text << " field " << i << " tool "
                     << (i < actual.size() ? std::to_string(actual[i]) : "none")
                     << ", level by level "
                     << (i < expected.size() ? std::to_string(expected[i]) : "none") << ";";
            }
            return ::testing::AssertionFailure() << text.str();
        }
    }
    return ::testing::AssertionSuccess();
}

Coverage compareOnSamples(TerrainKind kind, std::int32_t count,
                          RecordStore store = RecordStore::memory,
                          OutletRule rule = OutletRule::coast) {
    Coverage coverage;
    for (std::int32_t index = 0; index < count; ++index) {
        const Terrain terrain = sampleTerrain(kind, index);
        const std::string label = labelOf(kind, index, terrain);
        PreparedGrid byTool = prepareAndDerive(terrain.dem, terrain.directions, store, rule);
        PreparedGrid bySweeps =
            prepare(terrain.dem, terrain.directions, Preparation::sweepBySweep, rule);
        EXPECT_FALSE(byTool.failure.has_value()) << label;
        EXPECT_EQ(byTool.failure, bySweeps.failure) << label;
        if (byTool.failure || bySweeps.failure) continue;
        deriveNetworkLevelByLevel(bySweeps.cells);
        EXPECT_TRUE(sameOutcomes(bySweeps.cells, byTool.cells)) << label;
        EXPECT_TRUE(sameRecords(bySweeps.cells, byTool.cells)) << label;
        EXPECT_TRUE(byTool.console == bySweeps.console) << label << ": the pit reports differ";
        coverage.add(bySweeps.cells);
    }
    return coverage;
}

TEST(NetworkRandomComparison, noisyTerrainsWithLoopsSeaAndNoData) {
    const Coverage coverage = compareOnSamples(TerrainKind::noisy, 150);
    EXPECT_GT(coverage.unreachedLand, 1000);
    EXPECT_GT(coverage.noFlowCells, 1000);
    EXPECT_GT(coverage.removedOutlets, 1000);
    EXPECT_GT(coverage.eightInflowOutlets, 50);
    EXPECT_GT(coverage.gridsWithoutOutlets, 0);
}

TEST(NetworkRandomComparison, noisyTerrainsUnderTheD8Rule) {
    const Coverage coverage =
        compareOnSamples(TerrainKind::noisy, 150, RecordStore::memory, OutletRule::d8);
    EXPECT_GT(coverage.noFlowCells, 1000);
    EXPECT_GT(coverage.removedOutlets, 100);
    EXPECT_GT(coverage.outlets, 1000);
}

// drainPrepArea prepares the codes alone, without records: they must be
// the codes the records get, under either rule.
TEST(NetworkRandomComparison, codesPreparedAloneAreThoseOfTheRecords) {
    std::int32_t cellsMarked = 0;
    for (const OutletRule rule : {OutletRule::coast, OutletRule::d8}) {
        for (std::int32_t index = 0; index < 150; ++index) {
            const Terrain terrain = sampleTerrain(TerrainKind::noisy, index);
            const std::string label =
                labelOf(TerrainKind::noisy, index, terrain) + " " + outletRuleName(rule);
            const PreparedGrid prepared =
                prepare(terrain.dem, terrain.directions, Preparation::tool, rule);
            if (prepared.failure) continue;
            IntGrid codes(terrain.dem.nrows(), terrain.dem.ncols());
            for (std::int32_t row = 0; row < codes.nrows(); ++row) {
                for (std::int32_t col = 0; col < codes.ncols(); ++col) {
                    const std::int32_t code = *decodeDirection(terrain.directions[row][col]);
                    codes[row][col] =
                        withoutFlow(rule, code, terrain.dem[row][col]) ? noFlowCode : code;
                }
            }
            prepareDirectionCodes(rule, codes);
            for (std::int32_t row = 0; row < codes.nrows(); ++row) {
                for (std::int32_t col = 0; col < codes.ncols(); ++col) {
                    ASSERT_EQ(codes[row][col], prepared.cells[row][col].dir)
                        << label << " at " << row << "," << col;
                    if (prepared.cells[row][col].dir == noFlowCode) ++cellsMarked;
                }
            }
        }
    }
    EXPECT_GT(cellsMarked, 1000);
}

TEST(NetworkRandomComparison, steepestDescentTerrains) {
    const Coverage coverage = compareOnSamples(TerrainKind::descent, 100);
    EXPECT_GT(coverage.outlets, 1000);
    EXPECT_GT(coverage.longestPath, 30);
    EXPECT_GT(coverage.eightInflowOutlets, 5);
}

TEST(NetworkRandomComparison, funnelTerrainsWithEightInflowPits) {
    const Coverage coverage = compareOnSamples(TerrainKind::funnel, 100);
    EXPECT_GT(coverage.eightInflowOutlets, 100);
    EXPECT_GT(coverage.longestPath, 20);
}

TEST(NetworkRandomComparison, longSerpentineRivers) {
    const Coverage coverage = compareOnSamples(TerrainKind::snake, 40);
    EXPECT_EQ(coverage.longestPath, 36 * 56);
    EXPECT_GT(coverage.unreachedLand, 0);
}

// The records in a scratch file, or split between memory and the file, take
// the same values, row by row, as in memory: on every kind of terrain, the
// rivers winding across the whole grid among them.
TEST(NetworkRandomComparison, recordsInAScratchFile) {
    for (const TerrainKind kind :
         {TerrainKind::noisy, TerrainKind::descent, TerrainKind::funnel, TerrainKind::snake}) {
        const Coverage coverage = compareOnSamples(kind, 12, RecordStore::scratchFile);
        const Coverage split = compareOnSamples(kind, 12, RecordStore::memoryAndScratchFile);
        EXPECT_EQ(split.outlets, coverage.outlets) << nameOf(kind);
        EXPECT_GT(coverage.outlets, 0) << nameOf(kind);
        if (kind == TerrainKind::snake) {
            EXPECT_EQ(coverage.longestPath, 36 * 56);
        }
    }
}

// ---------------------------------------------------------------------------
// The level-by-level sweeps themselves: one full sweep per distance level

TEST(NetworkLevelSweeps, singleInflowTakesThreeDistanceSweepsAndFourBasinSweeps) {
    const IntGrid directions = singleInflowDirections();
    PreparedGrid prepared = prepare(landOfSizeOf(directions), directions);
    const LevelSweepReport report = deriveNetworkLevelByLevel(prepared.cells);
    EXPECT_EQ(report.distanceSweeps, 3);
    EXPECT_EQ(report.finalLevel, 3);
    EXPECT_EQ(report.basinSweeps, 4);
}

TEST(NetworkLevelSweeps, noOutletTakesOneDistanceSweepAndTwoBasinSweeps) {
    PreparedGrid prepared = prepare(filledGrid(4, 4, 100), filledGrid(4, 4, south));
    const LevelSweepReport report = deriveNetworkLevelByLevel(prepared.cells);
    EXPECT_EQ(report.distanceSweeps, 1);
    EXPECT_EQ(report.finalLevel, 1);
    EXPECT_EQ(report.basinSweeps, 2);
}

TEST(NetworkLevelSweeps, longestPathSetsTheNumberOfSweeps) {
    const Terrain terrain = sampleTerrain(TerrainKind::snake, 0);
    PreparedGrid prepared = prepare(terrain.dem, terrain.directions);
    const LevelSweepReport report = deriveNetworkLevelByLevel(prepared.cells);
    const std::int32_t longest = 36 * 56;
    EXPECT_EQ(report.distanceSweeps, longest + 2);
    EXPECT_EQ(report.finalLevel, longest + 2);
    EXPECT_EQ(report.basinSweeps, longest + 3);
    EXPECT_EQ(prepared.cells[2][2].distance, longest);
    EXPECT_EQ(prepared.cells[2][2].basinSize, 1);
}

// ---------------------------------------------------------------------------
// Invariants of every network the tool derives

struct DerivedSample {
    std::string label;
    CellGrid cells;
    CellFields fields;
};

// Random terrains of every kind, derived by the tool once for all invariants.
const std::vector<DerivedSample>& toolDerivedSamples() {
    static const std::vector<DerivedSample> samples = [] {
        std::vector<DerivedSample> derived;
        const std::pair<TerrainKind, std::int32_t> plan[] = {{TerrainKind::noisy, 60},
                                                             {TerrainKind::descent, 40},
                                                             {TerrainKind::funnel, 40},
                                                             {TerrainKind::snake, 6}};
        for (const auto& [kind, count] : plan) {
            for (std::int32_t index = 0; index < count; ++index) {
                // Other indices than the comparison's, for other terrains.
                const std::int32_t sampleIndex = 1000 + index;
                const Terrain terrain = sampleTerrain(kind, sampleIndex);
                PreparedGrid prepared = prepareAndDerive(terrain.dem, terrain.directions);
                derived.push_back({labelOf(kind, sampleIndex, terrain), std::move(prepared.cells),
                                   std::move(prepared.fields)});
            }
        }
        return derived;
    }();
    return samples;
}

std::string at(std::int32_t row, std::int32_t col) {
    return "[" + std::to_string(row) + "][" + std::to_string(col) + "]";
}

std::string at(const CellGrid& cells, const cellObject* cell) {
    const auto index = static_cast<std::int32_t>(indexOf(cells, cell));
    return at(index / cells.ncols(), index % cells.ncols());
}

// For each cell, whether following down from it ends at a cell without a
// down link (rather than running round a loop for ever).
std::vector<bool> pathEnds(const CellGrid& cells) {
    enum Mark : unsigned char { unknown, onCurrentWalk, ends, loops };
    std::vector<Mark> marks(cells.cellCount(), unknown);
    auto markOf = [&](const cellObject* cell) -> Mark& {
        return marks[static_cast<std::size_t>(indexOf(cells, cell))];
    };
    std::vector<const cellObject*> walk;
    for (const cellObject& start : cells) {
        walk.clear();
        const cellObject* cell = &start;
        while (cell != nullptr && markOf(cell) == unknown) {
            markOf(cell) = onCurrentWalk;
            walk.push_back(cell);
            cell = cell->down;
        }
        const Mark result =
            cell == nullptr ? ends : (markOf(cell) == onCurrentWalk ? loops : markOf(cell));
        for (const cellObject* visited : walk) markOf(visited) = result;
    }
    std::vector<bool> result;
    for (const Mark mark : marks) result.push_back(mark == ends);
    return result;
}

// The cell where following down from a cell ends; the path must end.
const cellObject* endOfPath(const cellObject* cell) {
    while (cell->down != nullptr) cell = cell->down;
    return cell;
}

// Every reached cell other than an outlet lies one step farther from its
// outlet than its down cell, and only outlets have distance 0.
::testing::AssertionResult distanceIsOneMoreThanDown(const CellGrid& cells) {
    for (std::int32_t row = 0; row < cells.nrows(); ++row) {
        for (std::int32_t col = 0; col < cells.ncols(); ++col) {
            const cellObject& cell = cells[row][col];
            if (cell.distance == 0 && cell.dir != outletCode) {
                return ::testing::AssertionFailure() << at(row, col) << " has distance 0";
            }
            if (cell.distance <= 0) continue;
            if (cell.down == nullptr || cell.down->distance + 1 != cell.distance) {
                return ::testing::AssertionFailure()
                       << at(row, col) << " has distance " << cell.distance
                       << " but its down cell does not have " << cell.distance - 1;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

// A down link always leads to the neighbour in the cell's direction, and
// only cells with a direction 1..8 have one.
::testing::AssertionResult downIsANeighbour(const CellGrid& cells) {
    for (std::int32_t row = 0; row < cells.nrows(); ++row) {
        for (std::int32_t col = 0; col < cells.ncols(); ++col) {
            const cellObject& cell = cells[row][col];
            if (cell.down == nullptr) continue;
            if (cell.dir < 1 || cell.dir > directionCount) {
                return ::testing::AssertionFailure()
                       << at(row, col) << " has dir " << cell.dir << " and a down link";
            }
            const std::ptrdiff_t index = indexOf(cells, cell.down);
            const Direction& direction = flowDirections[cell.dir - 1];
            const std::int32_t downRow = row + direction.rowOffset;
            const std::int32_t downCol = col + direction.colOffset;
            const bool inside = downRow >= 0 && downCol >= 0 && downRow < cells.nrows() &&
                                downCol < cells.ncols();
            if (index < 0 || static_cast<std::size_t>(index) >= cells.cellCount() || !inside ||
                cell.down != &cells[downRow][downCol]) {
                return ::testing::AssertionFailure()
                       << at(row, col) << " drains into a cell that is not its neighbour "
                       << "in direction " << cell.dir;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

// Every cell with a down link stands exactly once in its down cell's up
// list, and the up lists hold nothing else, filled from slot 0 in row-major
// order of the registering cells.
::testing::AssertionResult upListsMirrorDownLinks(const CellGrid& cells) {
    std::vector<std::int32_t> inflows(cells.cellCount(), 0);
    for (const cellObject& cell : cells) {
        if (cell.down != nullptr) ++inflows[static_cast<std::size_t>(indexOf(cells, cell.down))];
    }
    for (const cellObject& cell : cells) {
        const std::size_t index = static_cast<std::size_t>(indexOf(cells, &cell));
        std::int32_t occupied = 0;
        const cellObject* previous = nullptr;
        for (int slot = 0; slot < upSlotCount; ++slot) {
            const cellObject* upstream = cell.up[slot];
            if (upstream == nullptr) continue;
            if (slot != occupied) {
                return ::testing::AssertionFailure()
                       << at(cells, &cell) << " has an empty up slot before slot " << slot;
            }
            if (upstream->down != &cell) {
                return ::testing::AssertionFailure()
                       << at(cells, &cell) << " lists " << at(cells, upstream)
                       << ", which does not drain into it";
            }
            if (previous != nullptr && !(previous < upstream)) {
                return ::testing::AssertionFailure()
                       << at(cells, &cell) << " lists its inflows out of row-major order";
            }
            previous = upstream;
            ++occupied;
        }
        if (occupied != inflows[index]) {
            return ::testing::AssertionFailure()
                   << at(cells, &cell) << " lists " << occupied << " inflows but "
                   << inflows[index] << " cells drain into it";
        }
    }
    return ::testing::AssertionSuccess();
}

// Each reached cell's basin size is one plus the sizes of its registered
// upstream cells, and the outlets' basin sizes add up to the reached cells.
::testing::AssertionResult basinSizesAddUp(const CellGrid& cells) {
    std::int64_t reached = 0;
    std::int64_t outletTotal = 0;
    for (const cellObject& cell : cells) {
        if (cell.distance < 0) continue;
        ++reached;
        if (cell.dir == outletCode) outletTotal += cell.basinSize;
        std::int32_t expected = 1;
        for (const cellObject* upstream : cell.up) {
            if (upstream != nullptr) expected += upstream->basinSize;
        }
        if (cell.basinSize != expected) {
            return ::testing::AssertionFailure()
                   << at(cells, &cell) << " has basinSize " << cell.basinSize << ", expected "
                   << expected;
        }
    }
    if (outletTotal != reached) {
        return ::testing::AssertionFailure() << "outlet basins hold " << outletTotal
                                             << " cells, but " << reached << " are reached";
    }
    return ::testing::AssertionSuccess();
}

// Every reached cell carries the number of the outlet its path ends at, and
// every cell with a down link shares its number with its down cell.
::testing::AssertionResult riverNumbersFollowDownLinks(const CellGrid& cells) {
    for (const cellObject& cell : cells) {
        if (cell.down != nullptr && cell.riverNum != cell.down->riverNum) {
            return ::testing::AssertionFailure()
                   << at(cells, &cell) << " has riverNum " << cell.riverNum
                   << " but its down cell " << cell.down->riverNum;
        }
        if (cell.distance < 0) continue;
        const cellObject* outlet = endOfPath(&cell);
        if (outlet->dir != outletCode || cell.riverNum != outlet->riverNum ||
            cell.riverNum < 1) {
            return ::testing::AssertionFailure()
                   << at(cells, &cell) << " has riverNum " << cell.riverNum << ", its outlet "
                   << at(cells, outlet) << " " << outlet->riverNum;
        }
    }
    return ::testing::AssertionSuccess();
}

// The outlets, in row-major order, carry 1..K, and no other number occurs.
::testing::AssertionResult outletsNumberedInRowMajorOrder(const CellGrid& cells) {
    std::int32_t expected = 1;
    for (const cellObject& cell : cells) {
        if (cell.dir != outletCode) continue;
        if (cell.riverNum != expected || cell.distance != 0) {
            return ::testing::AssertionFailure()
                   << "outlet " << at(cells, &cell) << " has riverNum " << cell.riverNum
                   << " and distance " << cell.distance << ", expected number " << expected;
        }
        ++expected;
    }
    for (const cellObject& cell : cells) {
        if (cell.riverNum == -1 || (cell.riverNum >= 1 && cell.riverNum < expected)) continue;
        return ::testing::AssertionFailure()
               << at(cells, &cell) << " has riverNum " << cell.riverNum << " with "
               << expected - 1 << " outlets";
    }
    return ::testing::AssertionSuccess();
}

// Cells on a loop of down links, or draining into one, end with distance -1,
// basin size 1 and no river number; every other cell with a direction is
// reached.
::testing::AssertionResult loopCellsStayOutsideEveryBasin(const CellGrid& cells) {
    const std::vector<bool> ends = pathEnds(cells);
    for (const cellObject& cell : cells) {
        const bool endsSomewhere = ends[static_cast<std::size_t>(indexOf(cells, &cell))];
        if (!endsSomewhere) {
            if (cell.distance != -1 || cell.basinSize != 1 || cell.riverNum != -1) {
                return ::testing::AssertionFailure()
                       << at(cells, &cell) << " runs into a loop but ends with distance "
                       << cell.distance << ", basinSize " << cell.basinSize << ", riverNum "
                       << cell.riverNum;
            }
        } else if (cell.dir >= outletCode && cell.distance < 0) {
            return ::testing::AssertionFailure()
                   << at(cells, &cell) << " drains to an outlet but was not reached";
        }
    }
    return ::testing::AssertionSuccess();
}

template <typename Invariant>
void expectOnEverySample(Invariant invariant) {
    for (const DerivedSample& sample : toolDerivedSamples()) {
        EXPECT_TRUE(invariant(sample.cells)) << sample.label;
    }
}

TEST(NetworkProperty, distanceIsOneMoreThanDownCell) {
    expectOnEverySample(distanceIsOneMoreThanDown);
}

TEST(NetworkProperty, downIsAlwaysOneOfTheEightNeighbours) {
    expectOnEverySample(downIsANeighbour);
}

TEST(NetworkProperty, upListsAndDownLinksMirrorEachOther) {
    expectOnEverySample(upListsMirrorDownLinks);
}

TEST(NetworkProperty, basinSizesAddUpToTheReachedCells) {
    expectOnEverySample(basinSizesAddUp);
}

TEST(NetworkProperty, riverNumbersFollowTheDownLinks) {
    expectOnEverySample(riverNumbersFollowDownLinks);
}

TEST(NetworkProperty, outletNumbersRunOneToKInRowMajorOrder) {
    expectOnEverySample(outletsNumberedInRowMajorOrder);
}

TEST(NetworkProperty, loopCellsStayOutsideEveryBasin) {
    expectOnEverySample(loopCellsStayOutsideEveryBasin);
}

// The products are written from the copies: each must hold the cell's final value.
TEST(NetworkProperty, copiesOfTheFieldsHoldEveryCellsFinalValues) {
    for (const DerivedSample& sample : toolDerivedSamples()) {
        const CellGrid& cells = sample.cells;
        for (std::int32_t row = 0; row < cells.nrows(); ++row) {
            for (std::int32_t col = 0; col < cells.ncols(); ++col) {
                const cellObject& cell = cells[row][col];
                const Outcome copied{sample.fields.dir[row][col], sample.fields.elev[row][col],
                                     sample.fields.distance[row][col],
                                     sample.fields.basinSize[row][col],
                                     sample.fields.riverNum[row][col]};
                ASSERT_EQ(copied, outcomeOf(cell)) << sample.label << " " << at(row, col);
            }
        }
    }
}

TEST(NetworkProperty, samplesHoldLoopsAndEightInflowOutlets) {
    Coverage coverage;
    for (const DerivedSample& sample : toolDerivedSamples()) coverage.add(sample.cells);
    EXPECT_GT(coverage.unreachedLand, 100);
    EXPECT_GT(coverage.eightInflowOutlets, 10);
    EXPECT_GT(coverage.longestPath, 100);
}

}  // namespace

}  // namespace drainPrep::testing
