#include "upscale/connections.hpp"

namespace drainPrep::upscale {

namespace {

// Working marks of the walks: a cell not walked yet, a cell on the walk in hand.
constexpr std::int32_t notWalked = -2;
constexpr std::int32_t onWalk = -3;

}  // namespace

std::int32_t traceFirstOutlet(const FineNetwork& fine, const ModelGrid& grid,
                              const Outlets& outlets, std::int32_t cell) {
    auto fineCell = static_cast<std::size_t>(outlets[static_cast<std::size_t>(cell)]);
    while (fine.drains(fineCell)) {
        fineCell = fine.downOf(fineCell);
        if (isOutlet(grid, outlets, fineCell)) return grid.cellOfFine(fineCell);
    }
    return noModelCell;
}

// A walk stops at an outlet, at the end of a path or at a cell an earlier
// walk has passed, and hands what it found to every cell it passed.
std::vector<std::int32_t> firstOutletsReached(const FineNetwork& fine, const ModelGrid& grid,
                                              const Outlets& outlets) {
    std::vector<std::int32_t> reachedFrom(fine.cellCount(), notWalked);
    std::vector<std::int32_t> reached(grid.cellCount(), noModelCell);
    for (std::size_t model = 0; model < grid.cellCount(); ++model) {
        if (outlets[model] == noOutlet) continue;
        const auto outlet = static_cast<std::size_t>(outlets[model]);
        if (!fine.drains(outlet)) continue;
        const std::size_t start = fine.downOf(outlet);
        std::size_t cell = start;
        while (reachedFrom[cell] == notWalked) {
            if (isOutlet(grid, outlets, cell)) {
                reachedFrom[cell] = grid.cellOfFine(cell);
            } else if (!fine.drains(cell)) {
                reachedFrom[cell] = noModelCell;
            } else {
                reachedFrom[cell] = onWalk;
                cell = fine.downOf(cell);
            }
        }
        const std::int32_t found = reachedFrom[cell];
        for (cell = start; reachedFrom[cell] == onWalk; cell = fine.downOf(cell)) {
            reachedFrom[cell] = found;
        }
        reached[model] = found;
    }
    return reached;
}

ConnectionCount countWrongConnections(const FineNetwork& fine, const ModelGrid& grid,
                                      const Outlets& outlets,
                                      const std::vector<std::int32_t>& directions) {
    const std::vector<std::int32_t> reached = firstOutletsReached(fine, grid, outlets);
    ConnectionCount count;
    for (std::size_t model = 0; model < grid.cellCount(); ++model) {
        if (outlets[model] == noOutlet) continue;
        ++count.withFlow;
        if (!connectionRight(grid, static_cast<std::int32_t>(model), directions[model],
                             reached[model])) {
            ++count.wrong;
        }
    }
    return count;
}

}  // namespace drainPrep::upscale
