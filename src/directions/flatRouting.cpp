#include "directions/flatRouting.hpp"

#include <cstddef>
#include <limits>
#include <queue>

#include "directions/steepestDescent.hpp"

namespace drainPrep {
namespace {

// Marks left in codes while flats are routed, neither D8 codes nor
// noDataCode: a cell found on a flat, and one whose steps to the low edge are
// known. Flats left marked found have no low edge: they are sinks.
constexpr std::uint8_t foundOnFlat = 254;
constexpr std::uint8_t gradedToLowEdge = 253;

// While flats are routed, the only sinks are those kept: they drain a flat
// beside them as a direction does.
bool drainsHere(std::uint8_t code) { return isFlowCode(code) || code == sinkCode; }

// Four bytes a cell: first the steps from higher ground, then the height of
// the combined surface.
using Height = std::int32_t;
constexpr Height offFlats = std::numeric_limits<Height>::min();
constexpr Height unreached = std::numeric_limits<Height>::max();
constexpr std::int64_t lowEdgeHeight = std::numeric_limits<std::int64_t>::min();

struct Reach {
    std::int64_t cell;
    Height stepsToLowEdge;
};

// All flats at once, in four sweeps: finding them, then one breadth-first
// search away from higher ground and one from the low edges, whose queues
// hold only the fronts; last, a scan that points every cell down the
// surface. A search never leaves a flat: flats of one elevation never touch.
class FlatRouter {
public:
    FlatRouter(const DemGrid& dem, std::vector<std::uint8_t>& codes) : cells_(dem), codes_(codes) {}

    DirectionRecord routeAll() {
        for (std::int64_t cell = 0; cell < cells_.count(); ++cell) {
            if (code(cell) == undecidedCode) findFlat(cell);
        }
        if (surface_.empty()) return record_;
        stepAwayFromHigherGround();
        gradeTowardsLowEdges();
        for (std::int64_t cell = 0; cell < cells_.count(); ++cell) {
            if (code(cell) == foundOnFlat) code(cell) = sinkCode;
            if (code(cell) == gradedToLowEdge) pointDownSurface(cell);
        }
        return record_;
    }

private:
    std::uint8_t& code(std::int64_t cell) { return codes_[static_cast<std::size_t>(cell)]; }
    Height& surface(std::int64_t cell) { return surface_[static_cast<std::size_t>(cell)]; }

    // The neighbours of a cell on a flat that carry the mark and its
    // elevation: the cells of its own flat in that state.
    template <typename Visit>
    void forNeighboursMarked(std::int64_t cell, std::uint8_t mark, Visit visit) {
        const double elevation = cells_.elevation(cell);
        const CellPlace place = cells_.placeOf(cell);
        for (int k = 0; k < directionCount; ++k) {
            const std::int64_t next = cells_.neighbour(place, k);
            if (next != DemCells::offGrid && code(next) == mark &&
                cells_.elevation(next) == elevation) {
                visit(next);
            }
        }
    }

    void findFlat(std::int64_t first) {
        if (surface_.empty()) surface_.assign(codes_.size(), offFlats);
        std::queue<std::int64_t> front;
        code(first) = foundOnFlat;
        front.push(first);
        std::int64_t flatCells = 0;
        bool drains = false;
        while (!front.empty()) {
            const std::int64_t cell = front.front();
            front.pop();
            ++flatCells;
            drains = noteBorders(cell) || drains;
            forNeighboursMarked(cell, undecidedCode, [&](std::int64_t next) {
                code(next) = foundOnFlat;
                front.push(next);
            });
        }
        (drains ? record_.flatCells : record_.sinkCells) += flatCells;
        record_.flats += drains ? 1 : 0;
    }

    // Whether the cell lies beside the low edge: a cell of its elevation that
    // has a direction.
    bool noteBorders(std::int64_t cell) {
        const double elevation = cells_.elevation(cell);
        const CellPlace place = cells_.placeOf(cell);
        bool besideLowEdge = false;
        bool besideHigherGround = false;
        for (int k = 0; k < directionCount; ++k) {
            const std::int64_t next = cells_.neighbour(place, k);
            if (next == DemCells::offGrid) continue;
            besideHigherGround = besideHigherGround || cells_.elevation(next) > elevation;
            besideLowEdge =
                besideLowEdge || (drainsHere(code(next)) && cells_.elevation(next) == elevation);
        }
        surface(cell) = besideHigherGround ? 0 : unreached;
        if (besideHigherGround) besideHigherGround_.push_back(cell);
        if (besideLowEdge) besideLowEdge_.push_back(cell);
        return besideLowEdge;
    }

    void stepAwayFromHigherGround() {
        std::queue<std::int64_t> front;
        for (const std::int64_t cell : besideHigherGround_) front.push(cell);
        besideHigherGround_ = {};
        while (!front.empty()) {
            const std::int64_t cell = front.front();
            front.pop();
            forNeighboursMarked(cell, foundOnFlat, [&](std::int64_t next) {
                if (surface(next) != unreached) return;
                surface(next) = surface(cell) + 1;
                front.push(next);
            });
        }
    }

    // The surface rises two units a step away from the low edge and falls one
    // a step away from higher ground; on a flat with no higher ground beside
    // it, every cell stays unreached and only the first slope remains.
    static Height combinedHeight(Height stepsFromHigherGround, Height stepsToLowEdge) {
        const Height awayFromHigherGround =
            stepsFromHigherGround == unreached ? 0 : stepsFromHigherGround;
        return 2 * stepsToLowEdge - awayFromHigherGround;
    }

    void gradeTowardsLowEdges() {
        std::queue<Reach> front;
        for (const std::int64_t cell : besideLowEdge_) {
            code(cell) = gradedToLowEdge;
            front.push({cell, 0});
        }
        besideLowEdge_ = {};
        while (!front.empty()) {
            const Reach reach = front.front();
            front.pop();
            surface(reach.cell) = combinedHeight(surface(reach.cell), reach.stepsToLowEdge);
            forNeighboursMarked(reach.cell, foundOnFlat, [&](std::int64_t next) {
                code(next) = gradedToLowEdge;
                front.push({next, reach.stepsToLowEdge + 1});
            });
        }
    }

    // A neighbour one step nearer the low edge lies at least one unit lower,
    // steps from higher ground differing by at most one between neighbours;
    // a cell beside the low edge drains onto it, below the whole surface. So
    // every cell finds a lower neighbour, and no path loops. Cells already
    // pointed keep their height, so the order of the scan does not matter.
    void pointDownSurface(std::int64_t cell) {
        const double elevation = cells_.elevation(cell);
        const CellPlace place = cells_.placeOf(cell);
        std::int64_t lowest = surface(cell);
        int lowestDirection = 0;
        for (int k = 0; k < directionCount; ++k) {
            const std::int64_t next = cells_.neighbour(place, k);
            if (next == DemCells::offGrid || cells_.elevation(next) != elevation) continue;
            const bool onLowEdge = surface(next) == offFlats;
            if (onLowEdge && !drainsHere(code(next))) continue;
            const std::int64_t height = onLowEdge ? lowEdgeHeight : surface(next);
            if (height < lowest) {
                lowest = height;
                lowestDirection = k;
            }
        }
        code(cell) = static_cast<std::uint8_t>(flowDirections[lowestDirection].sourceCode);
    }

    const DemCells cells_;
    std::vector<std::uint8_t>& codes_;
    std::vector<Height> surface_;
    std::vector<std::int64_t> besideHigherGround_;
    std::vector<std::int64_t> besideLowEdge_;
    DirectionRecord record_;
};

}  // namespace

DirectionRecord routeFlats(const DemGrid& dem, std::vector<std::uint8_t>& codes) {
    return FlatRouter(dem, codes).routeAll();
}

}  // namespace drainPrep
