#include "directions/priorityFlood.hpp"

#include <cstddef>
#include <queue>
#include <utility>

#include "directions/cellGroups.hpp"

namespace drainPrep {
namespace {

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
    PriorityFlood(const DemGrid& dem, const RaiseCell& raise)
        : cells_(dem), raise_(raise), marks_(static_cast<std::size_t>(cells_.count())) {}

    std::vector<FloodMark> run(const std::vector<std::int64_t>& keptSinks) {
        seedOutlets();
        for (const std::int64_t sink : keptSinks) seed(sink);
        for (std::int64_t cell = nextCell(); cell != noCell; cell = nextCell()) {
            reachNeighbours(cell);
        }
        return std::move(marks_);
    }

private:
    static constexpr std::int64_t noCell = -1;

    FloodMark& mark(std::int64_t cell) { return marks_[static_cast<std::size_t>(cell)]; }

    void seedOutlets() {
        for (std::int64_t cell = 0; cell < cells_.count(); ++cell) {
            if (cells_.hasData(cell) && cells_.isOutlet(cells_.placeOf(cell))) seed(cell);
        }
    }

    void seed(std::int64_t cell) {
        if (mark(cell).reached()) return;
        mark(cell).reachFrom(FloodMark::noSource);
        shore_.push({cells_.elevation(cell), cell});
    }

    // Cells flooded at or below the level come first, in the order they were
    // reached, which spares them the heap: they all stand at the level of the
    // last cell taken from the heap.
    std::int64_t nextCell() {
        if (!flooded_.empty()) {
            const std::int64_t cell = flooded_.front();
            flooded_.pop();
            return cell;
        }
        if (shore_.empty()) return noCell;
        const Shore lowest = shore_.top();
        shore_.pop();
        level_ = lowest.level;
        return lowest.cell;
    }

    void reachNeighbours(std::int64_t cell) {
        const CellPlace place = cells_.placeOf(cell);
        for (int k = 0; k < directionCount; ++k) {
            const std::int64_t next = cells_.neighbour(place, k);
            if (next == DemCells::offGrid || !cells_.hasData(next) || mark(next).reached()) {
                continue;
            }
            mark(next).reachFrom(oppositeDirection(k));
            const double elevation = cells_.elevation(next);
            if (elevation > level_) {
                shore_.push({elevation, next});
                continue;
            }
            if (elevation < level_) raise(next);
            flooded_.push(next);
        }
    }

    void raise(std::int64_t cell) {
        mark(cell).raise();
        if (raise_) raise_(cell, level_);
    }

    const DemCells cells_;
    const RaiseCell& raise_;
    std::vector<FloodMark> marks_;
    std::priority_queue<Shore, std::vector<Shore>, LowestFirst> shore_;
    std::queue<std::int64_t> flooded_;
    double level_ = 0.0;
};

}  // namespace

std::vector<FloodMark> floodFromOutlets(const DemGrid& dem,
                                        const std::vector<std::int64_t>& keptSinks,
                                        const RaiseCell& raise) {
    return PriorityFlood(dem, raise).run(keptSinks);
}

std::int64_t countRaisedGroups(const DemCells& cells, const std::vector<FloodMark>& marks) {
    std::int64_t groups = 0;
    forEachGroup(
        cells, [&](std::int64_t cell) { return marks[static_cast<std::size_t>(cell)].raised(); },
        [](std::int64_t) {}, [&] { ++groups; });
    return groups;
}

}  // namespace drainPrep
