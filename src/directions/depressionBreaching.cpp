#include "directions/depressionBreaching.hpp"

#include <algorithm>
#include <cstddef>

#include "directions/priorityFlood.hpp"

namespace drainPrep {
namespace {

struct CarveMark {
    bool onPath = false;
    // Carved neighbours upstream whose elevation is not yet final.
    std::uint8_t awaited = 0;
};

// Every carve that passes a cell lowers it to the lowest level any of them
// brings. Carving pit by pit would lower a channel again for each deeper pit
// that joins it; instead each cell on a path is lowered once, when all its
// carved neighbours upstream are final: from the pits down, as water runs.
// The pits are those of the DEM as given, found before any cell is lowered.
class Breach {
public:
    Breach(DemGrid& dem, const std::vector<std::int64_t>& keptSinks)
        : dem_(dem), cells_(dem), flood_(floodFromOutlets(dem, keptSinks)), carve_(flood_.size()) {}

    BreachRecord run() {
        for (std::int64_t cell = 0; cell < cells_.count(); ++cell) {
            if (isPit(cell)) markPathFrom(cell);
        }
        for (std::int64_t cell = 0; cell < cells_.count(); ++cell) {
            if (carve(cell).onPath) carve(cell).awaited = carvedUpstreamCount(cell);
        }
        for (std::int64_t cell = 0; cell < cells_.count(); ++cell) {
            if (carve(cell).onPath && carvedUpstreamCount(cell) == 0) lowerPathFrom(cell);
        }
        record_.depressions = countRaisedGroups(cells_, flood_);
        return record_;
    }

private:
    static constexpr std::int64_t noCell = -1;

    const FloodMark& flood(std::int64_t cell) const {
        return flood_[static_cast<std::size_t>(cell)];
    }
    CarveMark& carve(std::int64_t cell) { return carve_[static_cast<std::size_t>(cell)]; }
    double& elevation(std::int64_t cell) { return dem_.elevations[static_cast<std::size_t>(cell)]; }

    // The neighbour the flood reached the cell from, or noCell where it began.
    std::int64_t source(std::int64_t cell) const {
        const int k = flood(cell).source();
        return k == FloodMark::noSource ? noCell : cells_.neighbour(cells_.placeOf(cell), k);
    }

    // A raised cell is no outlet: its neighbours all lie on the grid and have
    // data.
    bool isPit(std::int64_t cell) const {
        if (!flood(cell).raised()) return false;
        const CellPlace place = cells_.placeOf(cell);
        for (int k = 0; k < directionCount; ++k) {
            if (cells_.elevation(cells_.neighbour(place, k)) < cells_.elevation(cell)) return false;
        }
        return true;
    }

    // Stops where the path joins one already marked: from there on they are
    // the same.
    void markPathFrom(std::int64_t pit) {
        for (std::int64_t cell = pit; cell != noCell && !carve(cell).onPath; cell = source(cell)) {
            carve(cell).onPath = true;
        }
    }

    template <typename Visit>
    void forCarvedUpstream(std::int64_t cell, Visit visit) {
        const CellPlace place = cells_.placeOf(cell);
        for (int k = 0; k < directionCount; ++k) {
            const std::int64_t next = cells_.neighbour(place, k);
            if (next != DemCells::offGrid && carve(next).onPath &&
                flood(next).source() == oppositeDirection(k)) {
                visit(next);
            }
        }
    }

    std::uint8_t carvedUpstreamCount(std::int64_t cell) {
        std::uint8_t count = 0;
        forCarvedUpstream(cell, [&](std::int64_t) { ++count; });
        return count;
    }

    // From a pit with no path from upstream, down the path as far as a cell
    // that still awaits another.
    void lowerPathFrom(std::int64_t cell) {
        for (;;) {
            lowerToCarvedUpstream(cell);
            const std::int64_t next = source(cell);
            if (next == noCell || --carve(next).awaited > 0) return;
            cell = next;
        }
    }

    void lowerToCarvedUpstream(std::int64_t cell) {
        double level = elevation(cell);
        forCarvedUpstream(cell,
                          [&](std::int64_t from) { level = std::min(level, elevation(from)); });
        if (level >= elevation(cell)) return;
        ++record_.cellsLowered;
        record_.largestLowering = std::max(record_.largestLowering, elevation(cell) - level);
        elevation(cell) = level;
    }

    DemGrid& dem_;
    const DemCells cells_;
    const std::vector<FloodMark> flood_;
    std::vector<CarveMark> carve_;
    BreachRecord record_;
};

}  // namespace

BreachRecord breachDepressions(DemGrid& dem, const std::vector<std::int64_t>& keptSinks) {
    return Breach(dem, keptSinks).run();
}

}  // namespace drainPrep
