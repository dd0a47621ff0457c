#include "upscale/upscaling.hpp"

#include <algorithm>
#include <cstdlib>

namespace drainPrep::upscale {

namespace {

// Passes over the wrong connections: a repair can open the way to another.
constexpr int mostRepairPasses = 8;

// A move is judged by the model cells whose water passes the two outlet cells
// it changes; an upstream search that grows past this many fine cells a model
// cell's worth leaves the move untried, so that repairs stay linear.
constexpr std::int64_t searchLimitInModelCells = 16;

bool reachedIsNeighbour(const ModelGrid& grid, std::int32_t cell, std::int32_t reached) {
    return reached == noModelCell || grid.adjacent(cell, reached);
}

bool inBlockAround(const ModelGrid& grid, std::int32_t centre, std::int32_t cell) {
    return std::abs(grid.rowOf(cell) - grid.rowOf(centre)) <= 1 &&
           std::abs(grid.colOf(cell) - grid.colOf(centre)) <= 1;
}

struct Move {
    std::int32_t model;
    std::size_t outlet;
};

class Repair {
public:
    Repair(const FineNetwork& fine, const ModelGrid& grid, Outlets& outlets,
           std::vector<std::int32_t>& reached)
        : fine_(fine),
          grid_(grid),
          outlets_(outlets),
          reached_(reached),
          searchLimit_(searchLimitInModelCells * grid.factor() * grid.factor()) {}

    bool right(std::int32_t cell) const {
        return reachedIsNeighbour(grid_, cell, reached_[static_cast<std::size_t>(cell)]);
    }

    // The cells where the water of `cell`'s outlet leaves each neighbour it
    // passes, up to the first outlet or until it leaves the block of nine
    // model cells around `cell`: each could be that neighbour's outlet.
    std::vector<Move> candidates(std::int32_t cell) const {
        std::vector<Move> moves;
        auto fineCell = static_cast<std::size_t>(outlets_[static_cast<std::size_t>(cell)]);
        while (fine_.drains(fineCell)) {
            fineCell = fine_.downOf(fineCell);
            const std::int32_t model = grid_.cellOfFine(fineCell);
            if (!inBlockAround(grid_, cell, model) || isOutlet(grid_, outlets_, fineCell)) break;
            const bool leaves =
                !fine_.drains(fineCell) || grid_.cellOfFine(fine_.downOf(fineCell)) != model;
            if (model != cell && leaves) moves.push_back({model, fineCell});
        }
        return moves;
    }

    // Moves the outlet when that makes `cell` right and no right connection wrong.
    bool tryMove(std::int32_t cell, const Move& move) {
        const auto model = static_cast<std::size_t>(move.model);
        const auto before = static_cast<std::size_t>(outlets_[model]);
        affected_.assign(1, move.model);
        if (!addUpstreamOwners(move.outlet, move.outlet) || !addUpstreamOwners(before, move.outlet)) {
            return false;
        }
        std::sort(affected_.begin(), affected_.end());
        affected_.erase(std::unique(affected_.begin(), affected_.end()), affected_.end());
        outlets_[model] = static_cast<std::int64_t>(move.outlet);
        retraced_.clear();
        bool keep = false;
        for (const std::int32_t owner : affected_) {
            const std::int32_t now = traceFirstOutlet(fine_, grid_, outlets_, owner);
            const bool rightNow = reachedIsNeighbour(grid_, owner, now);
            if (right(owner) && !rightNow) {
                outlets_[model] = static_cast<std::int64_t>(before);
                return false;
            }
            keep = keep || (owner == cell && rightNow);
            retraced_.push_back(now);
        }
        if (!keep) {
            outlets_[model] = static_cast<std::int64_t>(before);
            return false;
        }
        for (std::size_t i = 0; i < affected_.size(); ++i) {
            reached_[static_cast<std::size_t>(affected_[i])] = retraced_[i];
        }
        return true;
    }

private:
    // The model cells whose outlet's water reaches `start` before any other
    // outlet (the cell `alsoStop` counting as one); false when the search
    // grows past its limit.
    bool addUpstreamOwners(std::size_t start, std::size_t alsoStop) {
        stack_.assign(1, start);
        std::int64_t visited = 0;
        while (!stack_.empty()) {
            const std::size_t cell = stack_.back();
            stack_.pop_back();
            if (++visited > searchLimit_) return false;
            fine_.forEachInflow(cell, [this, alsoStop](std::size_t from) {
                if (from == alsoStop || isOutlet(grid_, outlets_, from)) {
                    affected_.push_back(grid_.cellOfFine(from));
                } else {
                    stack_.push_back(from);
                }
            });
        }
        return true;
    }

    const FineNetwork& fine_;
    const ModelGrid& grid_;
    Outlets& outlets_;
    std::vector<std::int32_t>& reached_;
    std::int64_t searchLimit_;
    std::vector<std::size_t> stack_;
    std::vector<std::int32_t> affected_;
    std::vector<std::int32_t> retraced_;
};

// Whether following the directions from `from` comes to `target`.
bool flowsTo(const ModelGrid& grid, const std::vector<std::int32_t>& directions,
             std::int32_t from, std::int32_t target) {
    std::int32_t cell = from;
    while (cell != target && directions[static_cast<std::size_t>(cell)] > outletCode) {
        cell = grid.downOf(cell, directions[static_cast<std::size_t>(cell)]);
    }
    return cell == target;
}

}  // namespace

Outlets largestRiverOutlets(const FineNetwork& fine, const ModelGrid& grid) {
    Outlets outlets(grid.cellCount(), noOutlet);
    std::size_t cell = 0;
    for (std::int32_t row = 0; row < fine.nrows(); ++row) {
        for (std::int32_t col = 0; col < fine.ncols(); ++col, ++cell) {
            if (!fine.hasFlow(cell)) continue;
            const std::int32_t model = grid.cellOf(row, col);
            if (fine.drains(cell)) {
                const Direction& step = flowDirections[fine.code(cell) - 1];
                if (grid.cellOf(row + step.rowOffset, col + step.colOffset) == model) continue;
            }
            std::int64_t& outlet = outlets[static_cast<std::size_t>(model)];
            if (outlet == noOutlet ||
                fine.upstreamKm2(cell) > fine.upstreamKm2(static_cast<std::size_t>(outlet))) {
                outlet = static_cast<std::int64_t>(cell);
            }
        }
    }
    return outlets;
}

std::int64_t repairConnections(const FineNetwork& fine, const ModelGrid& grid, Outlets& outlets,
                               std::vector<std::int32_t>& reached) {
    Repair repair(fine, grid, outlets, reached);
    std::int64_t moved = 0;
    for (int pass = 0; pass < mostRepairPasses; ++pass) {
        const std::int64_t movedBefore = moved;
        for (std::size_t model = 0; model < grid.cellCount(); ++model) {
            const auto cell = static_cast<std::int32_t>(model);
            if (outlets[model] == noOutlet || repair.right(cell)) continue;
            for (const Move& move : repair.candidates(cell)) {
                if (repair.tryMove(cell, move)) {
                    ++moved;
                    break;
                }
            }
        }
        if (moved == movedBefore) break;
    }
    return moved;
}

std::vector<std::int32_t> modelDirections(const FineNetwork& fine, const ModelGrid& grid,
                                          const Outlets& outlets,
                                          const std::vector<std::int32_t>& reached) {
    std::vector<std::int32_t> directions(grid.cellCount(), noFlowCode);
    std::vector<std::int32_t> wrong;
    for (std::size_t model = 0; model < grid.cellCount(); ++model) {
        if (outlets[model] == noOutlet) continue;
        const auto cell = static_cast<std::int32_t>(model);
        const std::int32_t target = reached[model];
        directions[model] = outletCode;
        if (target == noModelCell) continue;
        if (grid.adjacent(cell, target)) {
            directions[model] = grid.directionCode(cell, target);
        } else {
            wrong.push_back(cell);
        }
    }
    // A wrong connection leads where its water goes first; one by one, each
    // checked against the directions given so far, so that none closes a loop.
    for (const std::int32_t cell : wrong) {
        const auto outlet = static_cast<std::size_t>(outlets[static_cast<std::size_t>(cell)]);
        const std::int32_t entered = grid.cellOfFine(fine.downOf(outlet));
        if (!flowsTo(grid, directions, entered, cell)) {
            directions[static_cast<std::size_t>(cell)] = grid.directionCode(cell, entered);
        }
    }
    return directions;
}

ModelNetwork upscaleNetwork(const FineNetwork& fine, const ModelGrid& grid) {
    ModelNetwork network;
    network.outlets = largestRiverOutlets(fine, grid);
    network.reached = firstOutletsReached(fine, grid, network.outlets);
    network.repairs = repairConnections(fine, grid, network.outlets, network.reached);
    network.directions = modelDirections(fine, grid, network.outlets, network.reached);
    return network;
}

}  // namespace drainPrep::upscale
