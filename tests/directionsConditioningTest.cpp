#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <random>
#include <vector>

#include "directions/d8Codes.hpp"
#include "directions/depressionBreaching.hpp"
#include "directions/depressionFilling.hpp"

namespace drainPrep {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
using Cell = std::int64_t;

std::size_t at(Cell cell) { return static_cast<std::size_t>(cell); }

// Few distinct heights make plateaus common; some cells are deep pits, some
// have no data.
DemGrid randomDem(std::mt19937& random) {
    std::uniform_int_distribution<std::int32_t> side(1, 40);
    std::uniform_int_distribution<int> kind(0, 24), level(0, 5);
    DemGrid dem{side(random), side(random), {}};
    for (Cell cell = 0; cell < DemCells(dem).count(); ++cell) {
        const int draw = kind(random);
        dem.elevations.push_back(draw == 0   ? nan
                                 : draw == 1 ? -5.0
                                             : level(random) + draw % 2 / 4.0);
    }
    return dem;
}

// By relaxation, independent of any flood order: the lowest over paths to an
// outlet of the highest elevation on the path.
std::vector<double> bruteSpillLevels(const DemGrid& dem) {
    const DemCells cells(dem);
    std::vector<double> level(dem.elevations.size(), std::numeric_limits<double>::infinity());
    for (Cell cell = 0; cell < cells.count(); ++cell) {
        if (cells.hasData(cell) && cells.isOutlet(cells.placeOf(cell))) {
            level[at(cell)] = cells.elevation(cell);
        }
    }
    for (bool changed = true; changed;) {
        changed = false;
        for (Cell cell = 0; cell < cells.count(); ++cell) {
            for (int k = 0; k < directionCount && cells.hasData(cell); ++k) {
                const Cell next = cells.neighbour(cells.placeOf(cell), k);
                if (next == DemCells::offGrid || !cells.hasData(next)) continue;
                const double through = std::max(cells.elevation(cell), level[at(next)]);
                changed = changed || through < level[at(cell)];
                level[at(cell)] = std::min(level[at(cell)], through);
            }
        }
    }
    return level;
}

// Nothing for a code that is no direction.
std::optional<Cell> downstream(const DemCells& cells, Cell cell, std::uint8_t code) {
    for (int k = 0; k < directionCount; ++k) {
        if (flowDirections[k].sourceCode == code) return cells.neighbour(cells.placeOf(cell), k);
    }
    return std::nullopt;
}

// No lower neighbour and no way off the data: routed across a flat, or a sink.
bool isFlatCell(const DemCells& cells, Cell cell) {
    const CellPlace place = cells.placeOf(cell);
    if (!cells.hasData(cell) || cells.isOutlet(place)) return false;
    for (int k = 0; k < directionCount; ++k) {
        if (cells.elevation(cells.neighbour(place, k)) < cells.elevation(cell)) return false;
    }
    return true;
}

// Every path ends, within as many steps as there are cells, off the grid, on
// a cell without data or on a sink; no step climbs. Checks stop at the first
// failure. A kept sink stays a sink even beside a channel breached below it.
DirectionRecord expectCodesDrainDownhill(const DemGrid& dem, const CellLengths& lengths,
                                         const std::vector<Cell>& keptSinks = {}) {
    std::vector<std::uint8_t> codes, again;
    const DirectionRecord record = d8Codes(dem, lengths, codes, keptSinks);
    const DemCells cells(dem);
    std::vector<bool> kept(at(cells.count()), false);
    for (const Cell sink : keptSinks) kept[at(sink)] = true;
    std::int64_t flatOrKeptCells = 0;
    for (Cell start = 0; start < cells.count() && !::testing::Test::HasFailure(); ++start) {
        const std::uint8_t code = codes[at(start)];
        EXPECT_EQ(code == noDataCode, !cells.hasData(start)) << start;
        const bool flatOrKept = isFlatCell(cells, start) || kept[at(start)];
        EXPECT_TRUE(code == noDataCode || downstream(cells, start, code) ||
                    (code == sinkCode && flatOrKept))
            << start;
        flatOrKeptCells += flatOrKept ? 1 : 0;
        std::optional<Cell> cell = start;
        Cell steps = 0;
        for (; steps <= cells.count() && cell && *cell != DemCells::offGrid && cells.hasData(*cell);
             ++steps) {
            const std::optional<Cell> next = downstream(cells, *cell, codes[at(*cell)]);
            EXPECT_FALSE(next && *next != DemCells::offGrid &&
                         cells.elevation(*next) > cells.elevation(*cell))
                << *cell;
            cell = next;
        }
        EXPECT_LE(steps, cells.count()) << "loop from " << start;
    }
    const auto keptCount = static_cast<std::int64_t>(keptSinks.size());
    EXPECT_EQ(record.flatCells + record.sinkCells + keptCount, flatOrKeptCells);
    EXPECT_EQ(record.flats > 0, record.flatCells > 0);
    EXPECT_LE(record.flats, record.flatCells);
    EXPECT_EQ(record.sinkCells + keptCount, std::count(codes.begin(), codes.end(), sinkCode));
    d8Codes(DemGrid(dem), lengths, again, keptSinks);
    EXPECT_EQ(again, codes);
    return record;
}

// From the pits (cells filling raises with no lower neighbour), steps that
// keep the breached level or descend onto a cell breaching left alone: a
// carved channel enters a lowered cell at its level.
std::vector<bool> channelsFromPits(const DemGrid& dem, const DemGrid& filled,
                                   const DemGrid& breached) {
    const DemCells cells(dem);
    std::vector<bool> reached(at(cells.count()), false);
    std::vector<Cell> pending;
    for (Cell cell = 0; cell < cells.count(); ++cell) {
        if (filled.elevations[at(cell)] > dem.elevations[at(cell)] && isFlatCell(cells, cell)) {
            reached[at(cell)] = true;
            pending.push_back(cell);
        }
    }
    while (!pending.empty()) {
        const Cell cell = pending.back();
        pending.pop_back();
        const double from = breached.elevations[at(cell)];
        for (int k = 0; k < directionCount; ++k) {
            const Cell next = cells.neighbour(cells.placeOf(cell), k);
            if (next == DemCells::offGrid || reached[at(next)]) continue;
            const double to = breached.elevations[at(next)];
            if (to == from || (to < from && to == dem.elevations[at(next)])) {
                reached[at(next)] = true;
                pending.push_back(next);
            }
        }
    }
    return reached;
}

// `filled` and `fill` come from filling `dem` with the same kept sinks.
void expectBreachingDrains(const DemGrid& dem, const DemGrid& filled, const FillRecord& fill,
                           const CellLengths& lengths, const std::vector<Cell>& keptSinks) {
    DemGrid breached = dem, again = dem;
    const BreachRecord record = breachDepressions(breached, keptSinks);
    breachDepressions(again, keptSinks);
    EXPECT_EQ(std::memcmp(breached.elevations.data(), again.elevations.data(),
                          breached.elevations.size() * sizeof(double)),
              0);
    const std::vector<bool> channels = channelsFromPits(dem, filled, breached);
    BreachRecord expected;
    for (std::size_t cell = 0; cell < channels.size(); ++cell) {
        const double before = dem.elevations[cell], after = breached.elevations[cell];
        ASSERT_EQ(std::isnan(after), std::isnan(before)) << cell;
        ASSERT_FALSE(after > before) << cell;
        if (!(after < before)) continue;
        ASSERT_TRUE(channels[cell]) << cell;
        ++expected.cellsLowered;
        expected.largestLowering = std::max(expected.largestLowering, before - after);
    }
    EXPECT_EQ(record.cellsLowered, expected.cellsLowered);
    EXPECT_EQ(record.largestLowering, expected.largestLowering);
    EXPECT_EQ(record.depressions, fill.depressions);
    EXPECT_EQ(expectCodesDrainDownhill(breached, lengths, keptSinks).sinkCells, 0);
}

TEST(DemConditioning, FillsToTheSpillLevelOrBreachesAndDrainsEveryCellOutDownhill) {
    std::mt19937 random(20240611);
    std::uniform_real_distribution<double> eastWest(0.5, 1.5);
    for (int trial = 0; trial < 200 && !::testing::Test::HasFailure(); ++trial) {
        SCOPED_TRACE(trial);
        const DemGrid dem = randomDem(random);
        CellLengths lengths{1.0, {}};
        while (lengths.eastWest.size() < at(dem.rows)) lengths.eastWest.push_back(eastWest(random));
        expectCodesDrainDownhill(dem, lengths);
        DemGrid filled = dem;
        const FillRecord record = fillDepressions(filled);
        const std::vector<double> spill = bruteSpillLevels(dem);
        FillRecord expected;
        for (std::size_t cell = 0; cell < spill.size(); ++cell) {
            const double before = dem.elevations[cell], after = filled.elevations[cell];
            ASSERT_EQ(std::isnan(after), std::isnan(before)) << cell;
            if (std::isnan(before)) continue;
            ASSERT_EQ(after, std::max(before, spill[cell])) << cell;
            expected.cellsRaised += after > before ? 1 : 0;
            expected.largestRaise = std::max(expected.largestRaise, after - before);
        }
        EXPECT_EQ(record.cellsRaised, expected.cellsRaised);
        EXPECT_EQ(record.largestRaise, expected.largestRaise);
        EXPECT_EQ(record.depressions > 0, record.cellsRaised > 0);
        EXPECT_EQ(expectCodesDrainDownhill(filled, lengths).sinkCells, 0);
        expectBreachingDrains(dem, filled, record, lengths, {});

        // Depressions of three cells or more kept: each drains into its lowest
        // cell, which keeps its elevation, and the rest fill no higher.
        const std::vector<Cell> sinks =
            sinksOfLargeDepressions(dem, filled, std::vector<double>(at(dem.rows), 1.0), 3.0);
        DemGrid keptFilled = dem;
        const FillRecord keptRecord = fillDepressions(keptFilled, sinks);
        for (std::size_t cell = 0; cell < spill.size(); ++cell) {
            if (std::isnan(dem.elevations[cell])) continue;
            ASSERT_GE(keptFilled.elevations[cell], dem.elevations[cell]) << cell;
            ASSERT_LE(keptFilled.elevations[cell], filled.elevations[cell]) << cell;
        }
        for (const Cell sink : sinks) {
            EXPECT_EQ(keptFilled.elevations[at(sink)], dem.elevations[at(sink)]);
        }
        EXPECT_EQ(expectCodesDrainDownhill(keptFilled, lengths, sinks).sinkCells, 0);
        expectBreachingDrains(dem, keptFilled, keptRecord, lengths, sinks);
    }
}

TEST(DepressionBreaching, CutsOneCellThroughTheRimWhereFillingRaisesTheDepression) {
    struct Case {
        std::int32_t cols;
        std::vector<double> elevations, breached;
        double largestLowering;
        std::int64_t cellsFillingRaises;
    };
    const auto walledPit = [](double lowestRim) {
        return std::vector<double>{0, 0, 0, 0,         0,  //
                                   0, 9, 9, 9,         0,  //
                                   0, 9, 1, lowestRim, 0,  //
                                   0, 9, 9, 9,         0,  //
                                   0, 0, 0, 0,         0};
    };
    const auto valley = [](double dam) {
        return std::vector<double>{9, 9, 9, 9, 9,   9, 9,  //
                                   9, 5, 4, 3, dam, 1, 0,  //
                                   9, 9, 9, 9, 9,   9, 9};
    };
    const Case cases[] = {
        {5, walledPit(4), walledPit(1), 3.0, 1},
        {7, valley(8), valley(3), 5.0, 3},  // a dam across a valley that drains east
    };
    for (const Case& c : cases) {
        DemGrid dem{static_cast<std::int32_t>(c.elevations.size()) / c.cols, c.cols, c.elevations};
        DemGrid filled = dem;
        EXPECT_EQ(fillDepressions(filled).cellsRaised, c.cellsFillingRaises);
        const BreachRecord record = breachDepressions(dem);
        EXPECT_EQ(dem.elevations, c.breached);
        EXPECT_EQ(record.cellsLowered, 1);
        EXPECT_EQ(record.largestLowering, c.largestLowering);
        EXPECT_EQ(record.depressions, 1);
    }
}

TEST(DepressionFilling, CountsGroupsOfRaisedCellsAsDepressions) {
    struct Case {
        std::int32_t cols;
        std::vector<double> elevations;
        std::int64_t depressions;
    };
    const Case cases[] = {
        {5, {9, 9, 9, 9, 9, 9, 1, 6, 2, 9, 9, 9, 9, 4, 9}, 2},  // spilling at 6 and at 4
        {4, {9, 9, 9, 9, 9, 1, 2, 9, 9, 9, 9, 9}, 1},
        {4, {9, 9, 9, 9, 9, 1, 9, 9, 9, 9, 2, 9, 9, 9, 9, 9}, 1},  // corner to corner
    };
    for (const Case& c : cases) {
        DemGrid dem{static_cast<std::int32_t>(c.elevations.size()) / c.cols, c.cols, c.elevations};
        EXPECT_EQ(fillDepressions(dem).depressions, c.depressions);
    }
}

struct CodesCase {
    std::int32_t cols;
    std::vector<double> elevations, eastWest;  // no lengths: square cells
    std::vector<std::uint8_t> codes;           // all, or the centre's alone
};

TEST(D8Codes, FollowHandWorkedSlopesOutletsAndFlatsConvergingOnTheirExit) {
    const std::vector<double> northOrEast = {9, 4, 9, 9, 5, 4, 9, 9, 9};
    const CodesCase cases[] = {
        {3, northOrEast, {1.0, 0.5, 1.0}, {1}},         // east-west shorter: east steeper
        {3, northOrEast, {0.5, 1.0, 0.5}, {64}},        // equal in the cell's row: north first
        {3, {9, 4, 3.5, 9, 5, 9, 9, 9, 9}, {}, {128}},  // 1.5 / sqrt 2 beats 1
        {3, {9, 9, 9, 4, 5, 4, 9, 9, 9}, {}, {1}},      // east before west
        {3, {9, 9, 9, 9, 5, 9, 9, 9, 9}, {}, {sinkCode}},
        // Edge cells leave by the first direction off the grid, the centre
        // onto its low edge.
        {3, std::vector<double>(9, 1.0), {}, {64, 64, 64, 8, 64, 128, 2, 2, 128}},
        {4,
         {1, 1, 1, 1, 1, nan, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1},
         {},
         {64, 64, 64, 64, 8, 247, 16, 128, 8, 64, 32, 128, 2, 2, 2, 128}},
        // A plateau walled in but for one cell on the southern edge: its
        // northern row gathers on the middle column instead of running south
        // side by side.
        {5,
         {9, 9, 9, 9, 9, 9, 5, 5, 5, 9, 9, 5, 5, 5, 9, 9, 5, 5, 5, 9, 9, 9, 5, 9, 9},
         {},
         {2, 4, 4, 4, 8, 1, 2, 4, 8, 16, 1, 2, 2, 4, 16, 1, 2, 4, 8, 16, 128, 64, 2, 64, 32}},
    };
    for (const CodesCase& c : cases) {
        const auto rows = static_cast<std::int32_t>(c.elevations.size()) / c.cols;
        const CellLengths lengths{1.0,
                                  c.eastWest.empty() ? std::vector(at(rows), 1.0) : c.eastWest};
        std::vector<std::uint8_t> codes;
        d8Codes(DemGrid{rows, c.cols, c.elevations}, lengths, codes);
        if (c.codes.size() == 1) codes = {codes[codes.size() / 2]};
        EXPECT_EQ(codes, c.codes);
    }
}

}  // namespace
}  // namespace drainPrep
