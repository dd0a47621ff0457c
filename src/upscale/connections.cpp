#include "upscale/connections.hpp"

#include <optional>

#include "cell/flowNetwork.hpp"

namespace drainPrep::upscale {

namespace {

// Working marks of the walks: a cell not walked yet, a cell on the walk in hand.
constexpr std::int32_t notWalked = -2;
constexpr std::int32_t onWalk = -3;

}  // namespace

std::int32_t traceFirstOutlet(const FineNetwork& fine, const ModelGrid& grid,
                              const Outlets& outlets, std::int32_t cell) {
    const auto outlet = static_cast<std::size_t>(outlets[static_cast<std::size_t>(cell)]);
    if (!fine.drains(outlet)) return noModelCell;
    const auto isAnOutlet = [&](std::size_t fineCell) { return isOutlet(grid, outlets, fineCell); };
    const std::optional<std::size_t> end = traceDown(fine, fine.downOf(outlet), isAnOutlet);
    return end && isAnOutlet(*end) ? grid.cellOfFine(*end) : noModelCell;
}

// Each path is painted with the first outlet below it as far as a cell an
// earlier path has passed: each fine cell is passed at most twice.
std::vector<std::int32_t> firstOutletsReached(const FineNetwork& fine, const ModelGrid& grid,
                                              const Outlets& outlets) {
    std::vector<std::int32_t> reachedFrom(fine.cellCount(), notWalked);
    for (const std::int64_t outlet : outlets) {
        if (outlet == noOutlet) continue;
        const auto cell = static_cast<std::size_t>(outlet);
        reachedFrom[cell] = grid.cellOfFine(cell);
    }
    const auto labelOfEnd = [&reachedFrom](std::size_t end) {
        const std::int32_t label = reachedFrom[end];
        return label == notWalked || label == onWalk ? noModelCell : label;
    };
    std::vector<std::int32_t> reached(grid.cellCount(), noModelCell);
    for (std::size_t model = 0; model < grid.cellCount(); ++model) {
        if (outlets[model] == noOutlet) continue;
        const auto outlet = static_cast<std::size_t>(outlets[model]);
        if (!fine.drains(outlet)) continue;
        const std::size_t end =
            paintPath(fine, fine.downOf(outlet), reachedFrom.data(), notWalked, onWalk,
                      [&](std::size_t cell, std::size_t pathEnd, std::size_t) {
                          reachedFrom[cell] = labelOfEnd(pathEnd);
                      });
        reachedFrom[end] = labelOfEnd(end);
        reached[model] = reachedFrom[end];
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
