// The network core against walks from every cell, one cell at a time, on
// random grids with loops, sea (code 0) and cells without data (-1).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <random>
#include <vector>

#include "cell/flowNetwork.hpp"

namespace drainPrep {
namespace {

struct RandomNetwork {
    std::int32_t nrows;
    std::int32_t ncols;
    std::vector<std::int32_t> codes;

    DownLinks<std::int32_t> links() const { return {codes.data(), nrows, ncols}; }
};

// Few codes per grid, so that loops, long paths and wide confluences all occur.
RandomNetwork randomNetwork(std::mt19937& random) {
    RandomNetwork network{static_cast<std::int32_t>(random() % 9 + 1),
                          static_cast<std::int32_t>(random() % 9 + 1), {}};
    const std::int32_t preferred = static_cast<std::int32_t>(random() % 8 + 1);
    for (std::int32_t row = 0; row < network.nrows; ++row) {
        for (std::int32_t col = 0; col < network.ncols; ++col) {
            const auto draw = random() % 20;
            std::int32_t code = draw == 0 ? noFlowCode
                                : draw == 1 ? outletCode
                                : draw < 10 ? preferred
                                            : static_cast<std::int32_t>(random() % 8 + 1);
            if (code > outletCode) {
                const Direction& step = flowDirections[code - 1];
                const std::int32_t downRow = row + step.rowOffset;
                const std::int32_t downCol = col + step.colOffset;
                if (downRow < 0 || downCol < 0 || downRow >= network.nrows ||
                    downCol >= network.ncols) {
                    code = outletCode;
                }
            }
            network.codes.push_back(code);
        }
    }
    return network;
}

// The path from a cell, one step at a time: every cell passed, the cell
// itself first, each once, and whether it closes a loop.
struct Path {
    std::vector<std::size_t> cells;
    bool closesLoop = false;
};

template <typename Network>
Path pathFrom(const Network& network, std::size_t start) {
    Path path;
    std::vector<bool> passed(network.cellCount(), false);
    for (std::size_t cell = start;; cell = network.downOf(cell)) {
        if (passed[cell]) {
            path.closesLoop = true;
            return path;
        }
        passed[cell] = true;
        path.cells.push_back(cell);
        if (!network.drains(cell)) return path;
    }
}

template <typename Network>
bool onLoop(const Network& network, std::size_t cell) {
    const Path path = pathFrom(network, cell);
    return path.closesLoop && network.downOf(path.cells.back()) == cell;
}

TEST(FlowNetwork, WalksOnRandomGridsAgreeWithTheirPathsCellByCell) {
    std::mt19937 random(31);
    for (int trial = 0; trial < 300; ++trial) {
        const RandomNetwork grid = randomNetwork(random);
        const DownLinks<std::int32_t> links = grid.links();
        const std::size_t count = links.cellCount();
        SCOPED_TRACE(trial);

        // Inflows: the cells whose down cell this is, found by the direction table.
        for (std::size_t cell = 0; cell < count; ++cell) {
            std::vector<std::size_t> inflows;
            forEachInflow(links, links.cellAt(cell),
                          [&](SourceCell from) { inflows.push_back(links.indexOf(from)); });
            std::vector<std::size_t> expected;
            for (std::size_t from = 0; from < count; ++from) {
                if (links.drains(from) && links.downOf(from) == cell) expected.push_back(from);
            }
            std::sort(inflows.begin(), inflows.end());
            EXPECT_EQ(inflows, expected);
        }

        // Headwaters first: every cell off a loop once, after all its inflows.
        std::vector<std::size_t> visitedAt(count, count);
        std::size_t next = 0;
        const LoopCells<std::uint8_t> loops =
            forEachHeadwatersFirst(links, [&](std::size_t cell) { visitedAt[cell] = next++; });
        for (std::size_t cell = 0; cell < count; ++cell) {
            EXPECT_EQ(loops.onLoop(cell), onLoop(links, cell));
            EXPECT_EQ(visitedAt[cell] == count, loops.onLoop(cell));
            if (links.drains(cell) && !loops.onLoop(cell) && !loops.onLoop(links.downOf(cell))) {
                EXPECT_LT(visitedAt[cell], visitedAt[links.downOf(cell)]);
            }
        }
        EXPECT_EQ(headwatersFirstOrder(links).size(), next);

        // Accumulated ones: the cells whose path passes each cell off a loop.
        std::vector<std::int64_t> upstream(count, 1);
        accumulate(links, upstream.data());
        std::vector<std::int64_t> passing(count, 0);
        for (std::size_t cell = 0; cell < count; ++cell) {
            for (const std::size_t passed : pathFrom(links, cell).cells) ++passing[passed];
        }
        for (std::size_t cell = 0; cell < count; ++cell) {
            if (!loops.onLoop(cell)) {
                EXPECT_EQ(upstream[cell], passing[cell]);
            }
        }

        // Painting from random seeds: every path takes the first seed on it, or
        // none where it ends or loops first; a seed keeps its own label.
        constexpr std::int32_t unpainted = -2, onPath = -3, none = -1;
        std::vector<std::int32_t> labels(count, unpainted);
        for (std::size_t cell = 0; cell < count; ++cell) {
            if (random() % 4 == 0) labels[cell] = static_cast<std::int32_t>(cell);
        }
        const std::vector<std::int32_t> seeds = labels;
        for (std::size_t cell = 0; cell < count; ++cell) {
            if (labels[cell] != unpainted) continue;
            const std::size_t end = paintPath(
                links, cell, labels.data(), unpainted, onPath,
                [&](std::size_t at, std::size_t pathEnd, std::size_t) {
                    labels[at] = std::max(labels[pathEnd], none);
                });
            if (labels[end] == unpainted) labels[end] = none;
        }
        for (std::size_t cell = 0; cell < count; ++cell) {
            std::int32_t expected = none;
            for (const std::size_t passed : pathFrom(links, cell).cells) {
                if (seeds[passed] >= 0) {
                    expected = seeds[passed];
                    break;
                }
            }
            EXPECT_EQ(labels[cell], expected) << "cell " << cell;

            // Tracing down to the first seed ends where the paint came from.
            const std::optional<std::size_t> traced =
                traceDown(links, cell, [&](std::size_t at) { return seeds[at] >= 0; });
            const Path path = pathFrom(links, cell);
            if (expected >= 0) {
                EXPECT_EQ(traced, static_cast<std::size_t>(expected));
            } else if (path.closesLoop) {
                EXPECT_FALSE(traced);
            } else {
                EXPECT_EQ(traced, path.cells.back());
            }
        }
    }
}

// The Strahler order by its definition, reach by reach.
std::int32_t strahlerOf(const std::vector<std::int32_t>& downstream, std::size_t reach) {
    std::int32_t highest = 0, atHighest = 0;
    for (std::size_t up = 0; up < downstream.size(); ++up) {
        if (downstream[up] != static_cast<std::int32_t>(reach)) continue;
        const std::int32_t order = strahlerOf(downstream, up);
        if (order > highest) highest = order, atHighest = 0;
        if (order == highest) ++atHighest;
    }
    return highest == 0 ? 1 : highest + (atHighest >= 2 ? 1 : 0);
}

TEST(FlowNetwork, StrahlerOrdersOfRandomTreesFollowTheirDefinition) {
    std::mt19937 random(7);
    for (int trial = 0; trial < 200; ++trial) {
        // Each reach flows into a later one or ends: a forest of reaches.
        const std::size_t count = random() % 40 + 1;
        std::vector<std::int32_t> downstream(count, -1);
        for (std::size_t reach = 0; reach + 1 < count; ++reach) {
            if (random() % 6 != 0) {
                const std::size_t later = reach + 1 + random() % (count - reach - 1);
                downstream[reach] = static_cast<std::int32_t>(later);
            }
        }
        const std::vector<std::int32_t> orders = strahlerOrders(downstream);
        for (std::size_t reach = 0; reach < count; ++reach) {
            EXPECT_EQ(orders[reach], strahlerOf(downstream, reach)) << trial << " " << reach;
        }
    }
}

}  // namespace
}  // namespace drainPrep
