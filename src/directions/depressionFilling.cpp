#include "directions/depressionFilling.hpp"

#include <algorithm>
#include <cstddef>
#include <queue>
#include <vector>

namespace drainPrep {
namespace {

// The flood reaches each cell once; a cell it reaches below the level it
// stands at is raised to that level.
enum class Flood : std::uint8_t { open, reached, raised, raisedAndCounted };

// A cell on the edge of the flood, above its level where it was reached: the
// lowest of them is where the flood rises next.

struct Shore {
    double level;
    std::int64_t cell;
};

struct LowestFirst {
    bool operator()(const Shore& a, const Shore& b) const { return a.level > b.level; }
};

class PriorityFlood {
public:
    explicit PriorityFlood(DemGrid& dem)
        : dem_(dem), cells_(dem), state_(static_cast<std::size_t>(cells_.count()), Flood::open) {}

    FillRecord run(const std::vector<std::int64_t>& keptSinks) {
        seedOutlets();
        for (const std::int64_t sink : keptSinks) seed(sink);
        for (std::int64_t cell = nextCell(); cell != noCell; cell = nextCell()) {
            reachNeighbours(cell);
        }
        record_.depressions = countRaisedGroups();
        return record_;
    }

private:
    static constexpr std::int64_t noCell = -1;

    Flood& state(std::int64_t cell) { return state_[static_cast<std::size_t>(cell)]; }
    double& elevation(std::int64_t cell) { return dem_.elevations[static_cast<std::size_t>(cell)]; }

    void seedOutlets() {
        for (std::int64_t cell = 0; cell < cells_.count(); ++cell) {
            if (cells_.hasData(cell) && cells_.isOutlet(cells_.placeOf(cell))) seed(cell);
        }
    }

    void seed(std::int64_t cell) {
        if (state(cell) != Flood::open) return;
        state(cell) = Flood::reached;
        shore_.push({elevation(cell), cell});
    }

    // Cells flooded at or below the spill level come first, in the order they
    // were reached, which spares them the heap.
    std::int64_t nextCell() {
        if (!flooded_.empty()) {
            const std::int64_t cell = flooded_.front();
            flooded_.pop();
            return cell;
        }
        if (shore_.empty()) return noCell;
        const std::int64_t cell = shore_.top().cell;
        shore_.pop();
        return cell;
    }

    void reachNeighbours(std::int64_t cell) {
        const double level = elevation(cell);
        const CellPlace place = cells_.placeOf(cell);
        for (int k = 0; k < directionCount; ++k) {
            const std::int64_t next = cells_.neighbour(place, k);
            if (next == DemCells::offGrid || !cells_.hasData(next)) continue;
            if (state(next) != Flood::open) continue;
            state(next) = Flood::reached;
            if (elevation(next) > level) {
                shore_.push({elevation(next), next});
                continue;
            }
            if (elevation(next) < level) raise(next, level);
            flooded_.push(next);
        }
    }

    void raise(std::int64_t cell, double level) {
        record_.largestRaise = std::max(record_.largestRaise, level - elevation(cell));
        ++record_.cellsRaised;
        elevation(cell) = level;
        state(cell) = Flood::raised;
    }

    std::int64_t countRaisedGroups() {
        std::int64_t groups = 0;
        for (std::int64_t cell = 0; cell < cells_.count(); ++cell) {
            if (state(cell) != Flood::raised) continue;
            ++groups;
            markGroup(cell);
        }
        return groups;
    }

    void markGroup(std::int64_t first) {
        std::queue<std::int64_t> front;
        state(first) = Flood::raisedAndCounted;
        front.push(first);
        while (!front.empty()) {
            const CellPlace place = cells_.placeOf(front.front());
            front.pop();
            for (int k = 0; k < directionCount; ++k) {
                const std::int64_t next = cells_.neighbour(place, k);
                if (next == DemCells::offGrid || state(next) != Flood::raised) continue;
                state(next) = Flood::raisedAndCounted;
                front.push(next);
            }
        }
    }

    DemGrid& dem_;
    const DemCells cells_;
    std::vector<Flood> state_;
    std::priority_queue<Shore, std::vector<Shore>, LowestFirst> shore_;
    std::queue<std::int64_t> flooded_;
    FillRecord record_;
};

}  // namespace

FillRecord fillDepressions(DemGrid& dem, const std::vector<std::int64_t>& keptSinks) {
    return PriorityFlood(dem).run(keptSinks);
}

std::vector<std::int64_t> sinksOfLargeDepressions(const DemGrid& original, const DemGrid& filled,
                                                  const std::vector<double>& rowKm2,
                                                  double minimumKm2) {
    const DemCells cells(original);
    const auto raised = [&](std::int64_t cell) {
        return filled.elevations[static_cast<std::size_t>(cell)] > cells.elevation(cell);
    };
    std::vector<bool> visited(static_cast<std::size_t>(cells.count()), false);
    std::vector<std::int64_t> sinks;
    for (std::int64_t first = 0; first < cells.count(); ++first) {
        if (visited[static_cast<std::size_t>(first)] || !raised(first)) continue;
        visited[static_cast<std::size_t>(first)] = true;
        std::vector<std::int64_t> pending{first};
        std::int64_t lowest = first;
        double km2 = 0.0;
        while (!pending.empty()) {
            const std::int64_t cell = pending.back();
            pending.pop_back();
            const CellPlace place = cells.placeOf(cell);
            km2 += rowKm2[static_cast<std::size_t>(place.row)];
            const double depth = cells.elevation(cell) - cells.elevation(lowest);
            if (depth < 0.0 || (depth == 0.0 && cell < lowest)) lowest = cell;
            for (int k = 0; k < directionCount; ++k) {
                const std::int64_t next = cells.neighbour(place, k);
                if (next == DemCells::offGrid || visited[static_cast<std::size_t>(next)] ||
                    !raised(next)) {
                    continue;
                }
                visited[static_cast<std::size_t>(next)] = true;
                pending.push_back(next);
            }
        }
        if (km2 >= minimumKm2) sinks.push_back(lowest);
    }
    return sinks;
}

}  // namespace drainPrep
