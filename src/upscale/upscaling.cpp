#include "upscale/upscaling.hpp"

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "cell/flowNetwork.hpp"

namespace drainPrep::upscale {

namespace {

// Passes over the wrong connections: a repair can open the way to another.
constexpr int mostRepairPasses = 2;
// How many moves deep a repair may mend the connections its moves break.
constexpr int repairDepth = 3;
// How many moves one repair may try, however deep.
constexpr int movesPerRepair = 200;
// How many other rivers leaving a model cell may take its outlet, largest first.
constexpr std::size_t ownExitsLookedAt = 8;

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

// Outlets are moved on trial: every change is noted, so that a trial that
// turns a right connection wrong in the end is undone whole.
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

    // Makes the wrong connection of `cell` right, moving outlets; a move
    // that turns others wrong is kept only if those are made right again in
    // turn, up to `depth` moves deep, and no connection ends wrong that was
    // right before.
    bool repair(std::int32_t cell, int depth) {
        movesLeft_ = movesPerRepair;
        for (int deep = 0; deep <= depth; ++deep) {
            outletChanges_.clear();
            reachedChanges_.clear();
            if (makeRight(cell, deep) && noneBroken()) return true;
            undo(0, 0);
        }
        return false;
    }

private:
    struct Move {
        std::int32_t model;
        std::size_t outlet;
    };
    struct Change {
        std::int32_t cell;
        std::int64_t before;
    };

    bool makeRight(std::int32_t cell, int depth) {
        for (const Move& move : candidates(cell)) {
            if (movesLeft_ == 0) return false;
            --movesLeft_;
            const std::size_t outletMark = outletChanges_.size();
            const std::size_t reachedMark = reachedChanges_.size();
            std::vector<std::int32_t> broken;
            if (apply(move, broken) && right(cell)) {
                bool mended = true;
                for (const std::int32_t other : broken) {
                    mended = mended && depth > 0 && (right(other) || makeRight(other, depth - 1));
                }
                if (mended && right(cell)) return true;
            }
            undo(outletMark, reachedMark);
        }
        return false;
    }

    // The cells where the water of `cell`'s outlet leaves each neighbour it
    // passes, up to the first outlet or until it leaves the block of nine
    // model cells around `cell`: each could be that neighbour's outlet.
    std::vector<Move> candidates(std::int32_t cell) const {
        std::vector<Move> moves;
        const auto outlet = static_cast<std::size_t>(outlets_[static_cast<std::size_t>(cell)]);
        if (fine_.drains(outlet)) {
            traceDown(fine_, fine_.downOf(outlet), [&](std::size_t fineCell) {
                const std::int32_t model = grid_.cellOfFine(fineCell);
                if (!inBlockAround(grid_, cell, model) || isOutlet(grid_, outlets_, fineCell)) {
                    return true;
                }
                const bool leaves =
                    !fine_.drains(fineCell) || grid_.cellOfFine(fine_.downOf(fineCell)) != model;
                if (model != cell && leaves) moves.push_back({model, fineCell});
                return false;
            });
        }
        addOwnExits(cell, moves);
        return moves;
    }

    // Whether the water of `fineCell`, were it the outlet of `cell`, would
    // reach the outlet of a neighbour first, or none.
    bool leadsToNeighbour(std::int32_t cell, std::size_t fineCell) const {
        if (!fine_.drains(fineCell)) return true;
        const auto isAnOutlet = [this](std::size_t at) { return isOutlet(grid_, outlets_, at); };
        const std::optional<std::size_t> end = traceDown(fine_, fine_.downOf(fineCell), isAnOutlet);
        return !end || !isAnOutlet(*end) || grid_.adjacent(cell, grid_.cellOfFine(*end));
    }

    // Other cells where a river leaves `cell` (or ends in it) and whose
    // water would find a neighbour's outlet, largest first.
    void addOwnExits(std::int32_t cell, std::vector<Move>& moves) const {
        const std::int32_t factor = grid_.factor();
        const std::int32_t firstRow = grid_.rowOf(cell) * factor;
        const std::int32_t firstCol = grid_.colOf(cell) * factor;
        std::vector<Move> exits;
        for (std::int32_t row = firstRow; row < std::min(firstRow + factor, fine_.nrows()); ++row) {
            for (std::int32_t col = firstCol; col < std::min(firstCol + factor, fine_.ncols());
                 ++col) {
                const std::size_t fineCell = static_cast<std::size_t>(row) *
                                                 static_cast<std::size_t>(fine_.ncols()) +
                                             static_cast<std::size_t>(col);
                if (!fine_.hasFlow(fineCell) || isOutlet(grid_, outlets_, fineCell)) continue;
                if (!fine_.drains(fineCell) || grid_.cellOfFine(fine_.downOf(fineCell)) != cell) {
                    exits.push_back({cell, fineCell});
                }
            }
        }
        std::sort(exits.begin(), exits.end(), [this](const Move& a, const Move& b) {
            return fine_.upstreamKm2(a.outlet) > fine_.upstreamKm2(b.outlet);
        });
        const std::size_t looked = std::min(exits.size(), ownExitsLookedAt);
        for (std::size_t i = 0; i < looked; ++i) {
            if (leadsToNeighbour(cell, exits[i].outlet)) moves.push_back(exits[i]);
        }
    }

    // Moves the outlet and retraces every model cell whose water passes
    // either outlet cell; `broken` gets those that were right and are not.
    // False, with nothing changed, when the search grows past its limit.
    bool apply(const Move& move, std::vector<std::int32_t>& broken) {
        const auto model = static_cast<std::size_t>(move.model);
        const auto before = static_cast<std::size_t>(outlets_[model]);
        affected_.assign(1, move.model);
        if (!addUpstreamOwners(move.outlet, move.outlet) ||
            !addUpstreamOwners(before, move.outlet)) {
            return false;
        }
        std::sort(affected_.begin(), affected_.end());
        affected_.erase(std::unique(affected_.begin(), affected_.end()), affected_.end());
        outletChanges_.push_back({move.model, outlets_[model]});
        outlets_[model] = static_cast<std::int64_t>(move.outlet);
        for (const std::int32_t owner : affected_) {
            const bool wasRight = right(owner);
            reachedChanges_.push_back({owner, reached_[static_cast<std::size_t>(owner)]});
            reached_[static_cast<std::size_t>(owner)] =
                traceFirstOutlet(fine_, grid_, outlets_, owner);
            if (wasRight && !right(owner)) broken.push_back(owner);
        }
        return true;
    }

    void undo(std::size_t outletMark, std::size_t reachedMark) {
        for (std::size_t i = reachedChanges_.size(); i > reachedMark; --i) {
            const Change& change = reachedChanges_[i - 1];
            reached_[static_cast<std::size_t>(change.cell)] =
                static_cast<std::int32_t>(change.before);
        }
        for (std::size_t i = outletChanges_.size(); i > outletMark; --i) {
            const Change& change = outletChanges_[i - 1];
            outlets_[static_cast<std::size_t>(change.cell)] = change.before;
        }
        reachedChanges_.resize(reachedMark);
        outletChanges_.resize(outletMark);
    }

    // Whether every connection the trial touched that was right is right
    // again: the first change of a cell holds its state before the trial.
    bool noneBroken() const {
        std::vector<Change> first = reachedChanges_;
        std::stable_sort(first.begin(), first.end(),
                         [](const Change& a, const Change& b) { return a.cell < b.cell; });
        for (std::size_t i = 0; i < first.size(); ++i) {
            if (i > 0 && first[i].cell == first[i - 1].cell) continue;
            const bool wasRight =
                reachedIsNeighbour(grid_, first[i].cell, static_cast<std::int32_t>(first[i].before));
            if (wasRight && !right(first[i].cell)) return false;
        }
        return true;
    }

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
    int movesLeft_ = 0;
    std::vector<std::size_t> stack_;
    std::vector<std::int32_t> affected_;
    std::vector<Change> outletChanges_;
    std::vector<Change> reachedChanges_;
};

// Whether following the directions from `from` comes to `target`.
bool flowsTo(const ModelGrid& grid, const std::vector<std::int32_t>& directions,
             std::int32_t from, std::int32_t target) {
    const auto isTarget = [target](std::size_t cell) {
        return cell == static_cast<std::size_t>(target);
    };
    const std::optional<std::size_t> end =
        traceDown(ModelLinks(grid, directions), static_cast<std::size_t>(from), isTarget);
    return end && isTarget(*end);
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
    std::int64_t repaired = 0;
    for (int pass = 0; pass < mostRepairPasses; ++pass) {
        const std::int64_t repairedBefore = repaired;
        for (std::size_t model = 0; model < grid.cellCount(); ++model) {
            const auto cell = static_cast<std::int32_t>(model);
            if (outlets[model] == noOutlet || repair.right(cell)) continue;
            if (repair.repair(cell, repairDepth)) ++repaired;
        }
        if (repaired == repairedBefore) break;
    }
    return repaired;
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
