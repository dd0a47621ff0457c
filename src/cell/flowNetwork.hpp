// The drainage network's one core: the down-step read from the one direction
// table, a cell's inflows, and the few walks that every room needs over a
// network, each ending in a check of what it promised.
//
// A network is any type with
//   std::size_t cellCount() const;
//   bool drains(std::size_t cell) const;        // whether the cell has a down cell
//   std::size_t downOf(std::size_t cell) const;  // asked only where it drains
// Its cells are indices: of a grid row-major from the north-west
// (DownLinks), or of the nodes of a tree (ParentLinks). Walks keep their
// working state in compact arrays of their own, never on the records.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "cell/directions.hpp"
#include "geometry/sourceFrame.hpp"

namespace drainPrep {

// A walk that broke its promise: a fault of the program, never of the data.
inline void checkWalk(bool promised, const char* promise) {
    if (!promised) throw std::logic_error(promise);
}

// The down links of a grid of internal direction codes: a cell drains exactly
// when its code is 1..8, into the neighbour of that code. Code is any integer
// type holding internal codes; the codes must link no cell off the grid.
template <typename Code>
class DownLinks {
public:
    DownLinks(const Code* dir, std::int32_t nrows, std::int32_t ncols)
        : dir_(dir), nrows_(nrows), ncols_(ncols) {
        for (int k = 0; k < directionCount; ++k) {
            step_[k] = static_cast<std::ptrdiff_t>(flowDirections[k].rowOffset) * ncols +
                       flowDirections[k].colOffset;
        }
    }
    std::int32_t nrows() const { return nrows_; }
    std::int32_t ncols() const { return ncols_; }
    std::size_t cellCount() const {
        return static_cast<std::size_t>(nrows_) * static_cast<std::size_t>(ncols_);
    }
    bool drains(std::size_t cell) const {
        return dir_[cell] > outletCode && dir_[cell] <= directionCount;
    }
    std::size_t downOf(std::size_t cell) const {
        return static_cast<std::size_t>(static_cast<std::ptrdiff_t>(cell) + step_[dir_[cell] - 1]);
    }

    // The same links by row and column, for forEachInflow.
    bool contains(std::int64_t row, std::int64_t col) const {
        return row >= 0 && col >= 0 && row < nrows_ && col < ncols_;
    }
    std::size_t indexOf(SourceCell cell) const {
        return static_cast<std::size_t>(cell.row) * static_cast<std::size_t>(ncols_) +
               static_cast<std::size_t>(cell.col);
    }
    SourceCell cellAt(std::size_t index) const {
        const auto width = static_cast<std::size_t>(ncols_);
        return {static_cast<std::int32_t>(index / width), static_cast<std::int32_t>(index % width)};
    }
    std::optional<SourceCell> downstream(SourceCell cell) const {
        const Code code = dir_[indexOf(cell)];
        if (code <= outletCode || code > directionCount) return std::nullopt;
        const Direction& direction = flowDirections[code - 1];
        const SourceCell down{cell.row + direction.rowOffset, cell.col + direction.colOffset};
        if (!contains(down.row, down.col)) return std::nullopt;
        return down;
    }

private:
    const Code* dir_;
    std::int32_t nrows_;
    std::int32_t ncols_;
    std::ptrdiff_t step_[directionCount];
};

// A tree, or a forest, given by each node's parent: -1 for a root.
template <typename Index>
class ParentLinks {
public:
    explicit ParentLinks(const std::vector<Index>& parent) : parent_(parent) {}
    std::size_t cellCount() const { return parent_.size(); }
    bool drains(std::size_t node) const { return parent_[node] >= 0; }
    std::size_t downOf(std::size_t node) const { return static_cast<std::size_t>(parent_[node]); }

private:
    const std::vector<Index>& parent_;
};

// Calls visit(inflow) for each neighbour whose path steps into `cell`, in the
// order of the direction table. Grid is any type with contains(row, col) and
// downstream(SourceCell) -> std::optional<SourceCell>.
template <typename FlowGridLike, typename Visit>
void forEachInflow(const FlowGridLike& grid, SourceCell cell, Visit visit) {
    for (const Direction& direction : flowDirections) {
        const SourceCell next{cell.row + direction.rowOffset, cell.col + direction.colOffset};
        if (grid.contains(next.row, next.col) && grid.downstream(next) == cell) visit(next);
    }
}

// For each cell, the cells draining into it. Count must hold a cell's most
// inflows: a byte for a grid, a wider type for a tree.
template <typename Count = std::uint8_t, typename Network>
std::vector<Count> countInflows(const Network& network) {
    std::vector<Count> inflows(network.cellCount(), Count{0});
    for (std::size_t cell = 0; cell < network.cellCount(); ++cell) {
        if (network.drains(cell)) ++inflows[network.downOf(cell)];
    }
    return inflows;
}

// The cells on loops of down links, which no headwaters-first walk reaches:
// all their inflows never arrive. Cells draining into a loop are reached.
template <typename Count>
class LoopCells {
public:
    static constexpr Count reached = std::numeric_limits<Count>::max();

    explicit LoopCells(std::vector<Count> pending) : pending_(std::move(pending)) {}
    bool onLoop(std::size_t cell) const { return pending_[cell] != reached; }

private:
    std::vector<Count> pending_;
};

// Calls visit(cell) for every cell once all the cells draining into it have
// been visited: from each headwater, in the order of the cells, down its path
// as far as the cells it completes. This one order defines every value
// handed down a network, to the last bit of a sum of doubles. Returns the
// cells on loops, never visited.
template <typename Count = std::uint8_t, typename Network, typename Visit>
LoopCells<Count> forEachHeadwatersFirst(const Network& network, Visit visit) {
    constexpr Count reached = LoopCells<Count>::reached;
    std::vector<Count> pending = countInflows<Count>(network);
    std::size_t visited = 0;
    for (std::size_t start = 0; start < network.cellCount(); ++start) {
        if (pending[start] != 0) continue;
        for (std::size_t cell = start;;) {
            visit(cell);
            pending[cell] = reached;
            ++visited;
            if (!network.drains(cell)) break;
            cell = network.downOf(cell);
            if (--pending[cell] != 0) break;
        }
    }
    const std::size_t onLoops = static_cast<std::size_t>(std::count_if(
        pending.begin(), pending.end(), [](Count count) { return count != reached; }));
    checkWalk(visited + onLoops == network.cellCount(),
              "the headwaters-first walk visits every cell off a loop once");
    return LoopCells<Count>(std::move(pending));
}

// The headwaters-first order as one flat array, for walks that pass over
// the network more than once: forwards to hand values down, backwards to
// hand them up.
template <typename Count = std::uint8_t, typename Network>
std::vector<std::size_t> headwatersFirstOrder(const Network& network) {
    std::vector<std::size_t> order;
    forEachHeadwatersFirst<Count>(network, [&order](std::size_t cell) { order.push_back(cell); });
    return order;
}

// Adds each cell's value to its down cell's, headwaters first, so that every
// cell ends with the sum over the cells upstream of it, itself included.
// With an integer Value the sums are exact whatever the order. Cells on a
// loop, and those downstream on it, end with partial sums: the returned
// LoopCells names them.
template <typename Count = std::uint8_t, typename Network, typename Value>
LoopCells<Count> accumulate(const Network& network, Value* values) {
    return forEachHeadwatersFirst<Count>(network, [&network, values](std::size_t cell) {
        if (network.drains(cell)) values[network.downOf(cell)] += values[cell];
    });
}

// Paints the path down from `start`: over cells whose label is `unpainted`,
// marking each `onPath`, to the first cell with another label or without a
// down cell; then calls paint(cell, end, stepsToEnd) for each cell passed,
// from `start` down, and paint must give it a label of its own. A path that
// meets its own mark has closed a loop: end is then on that loop and still
// labelled `onPath`. Each cell is passed by at most two such walks when every
// cell of a grid is painted in turn. Returns the end.
template <typename Network, typename Label, typename Paint>
std::size_t paintPath(const Network& network, std::size_t start, Label* labels, Label unpainted,
                      Label onPath, Paint paint) {
    std::size_t end = start;
    std::size_t steps = 0;
    while (labels[end] == unpainted && network.drains(end)) {
        labels[end] = onPath;
        end = network.downOf(end);
        ++steps;
    }
    std::size_t cell = start;
    for (std::size_t stepsToEnd = steps; stepsToEnd > 0; --stepsToEnd) {
        const std::size_t down = network.downOf(cell);
        paint(cell, end, stepsToEnd);
        checkWalk(labels[cell] != onPath && labels[cell] != unpainted,
                  "every cell on a painted path takes a label");
        cell = down;
    }
    return end;
}

// Follows the path down from `start` (itself included) to the first cell
// where stop(cell) holds, else to the cell where the path ends; nothing for
// a path that closes a loop first. Cell is the network's own: an index, or
// a row and column where the network is a band of cells or a window.
template <typename Network, typename Cell, typename Stop>
std::optional<Cell> traceDown(const Network& network, Cell start, Stop stop) {
    Cell cell = start;
    // A path without a loop passes each cell at most once.
    for (std::size_t steps = 0; steps < network.cellCount(); ++steps) {
        if (stop(cell) || !network.drains(cell)) return cell;
        cell = network.downOf(cell);
    }
    return std::nullopt;
}

// The Strahler order of every reach of a tree of reaches: 1 for a reach into
// which none flows, else the highest order flowing in, plus 1 where two or
// more reaches of that order meet. Reaches on a loop of reaches keep 0.
template <typename Index>
std::vector<std::int32_t> strahlerOrders(const std::vector<Index>& downstreamReach) {
    const ParentLinks<Index> tree(downstreamReach);
    std::vector<std::int32_t> order(downstreamReach.size(), 0);
    std::vector<std::int32_t> highestIn(downstreamReach.size(), 0);
    std::vector<std::int32_t> highestInCount(downstreamReach.size(), 0);
    forEachHeadwatersFirst<std::int32_t>(tree, [&](std::size_t reach) {
        order[reach] = highestIn[reach] == 0 ? 1 : highestIn[reach] + (highestInCount[reach] >= 2);
        if (!tree.drains(reach)) return;
        const std::size_t down = tree.downOf(reach);
        if (order[reach] > highestIn[down]) {
            highestIn[down] = order[reach];
            highestInCount[down] = 0;
        }
        if (order[reach] == highestIn[down]) ++highestInCount[down];
    });
    return order;
}

}  // namespace drainPrep
