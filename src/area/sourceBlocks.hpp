// The flow data of a source grid, read a block at a time where a trace
// reaches it, so that drainPrepArea's work and memory grow with the basin it
// is asked about and not with the source: at 3" a continent is a mosaic of
// 10^10 cells, of which a basin and its area touch a few million.
//
// The paths and upstream counts are those of a FlowGrid of the whole
// source: the same decoding, the same ends of paths, loops counted as no
// basin.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include "area/flowGrid.hpp"
#include "cell/directions.hpp"
#include "cell/flowNetwork.hpp"
#include "cell/outletRule.hpp"
#include "geometry/sourceFrame.hpp"
#include "text/failure.hpp"

namespace drainPrep {

// A block that cannot be read, with the reader's message: a trace cannot
// go on without it, so it ends the search where it stands.
class SourceReadFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Fills both vectors with a window's samples, row after row; returns the
// failure text of a read that fails.
using WindowReader = std::function<Failure(const CellWindow& window, std::vector<std::int32_t>& dem,
                                           std::vector<std::int32_t>& directions)>;

class SourceBlocks {
public:
    // 256 x 256 cells: a few hundred kilobytes a block, a few dozen blocks
    // for a basin of 10^5 cells.
    static constexpr std::int32_t defaultBlockSide = 256;

    SourceBlocks(std::int32_t nrows, std::int32_t ncols, OutletRule rule, WindowReader reader,
                 std::int32_t blockSide = defaultBlockSide);

    std::int32_t nrows() const { return nrows_; }
    std::int32_t ncols() const { return ncols_; }
    bool contains(std::int64_t row, std::int64_t col) const {
        return row >= 0 && col >= 0 && row < nrows_ && col < ncols_;
    }

    // These read the cell's block when it is first asked for, and throw
    // SourceReadFailure when that read fails.
    bool hasFlowData(SourceCell cell) const;
    // The internal code, -1 for a cell without flow data.
    std::int32_t internalCode(SourceCell cell) const;
    std::optional<SourceCell> downstream(SourceCell cell) const;
    // The source's flow data over a window, as a FlowGrid before counting;
    // cells outside the source have none.
    FlowGrid window(const CellWindow& cells) const;

    // Counts the cells upstream of each of `cells`, which takes reading and
    // visiting only the cells upstream of them, once however often asked.
    void countUpstreamOf(const std::vector<SourceCell>& cells);
    // The cell itself included, as FlowGrid::upstreamCells gives it, for a
    // counted cell (one given to countUpstreamOf or upstream of one); 0 for
    // every other, and for a cell without flow data or on a loop.
    std::int32_t upstreamCells(SourceCell cell) const;
    // Every counted cell, in the order they were first reached.
    const std::vector<SourceCell>& countedCells() const { return counted_; }

private:
    struct Block {
        FlowGrid flow;
        // For each cell, its index in counted_, or -1.
        std::vector<std::int32_t> countedIndex;
    };

    std::int64_t keyOf(SourceCell cell) const;
    SourceCell inBlock(SourceCell cell) const;
    Block& blockOf(SourceCell cell) const;
    Block* loadedBlockOf(SourceCell cell) const;
    std::int32_t& countedIndexOf(SourceCell cell);
    std::int32_t countedIndexIfAny(SourceCell cell) const;
    void reachUpstream(std::size_t firstNew);
    void accumulate(std::size_t firstNew);

    std::int32_t nrows_;
    std::int32_t ncols_;
    OutletRule rule_;
    WindowReader reader_;
    std::int32_t blockSide_;
    mutable std::unordered_map<std::int64_t, std::unique_ptr<Block>> blocks_;
    std::vector<SourceCell> counted_;
    std::vector<std::int32_t> upstream_;  // for each counted cell
};

// Visits every cell whose path reaches `outlet`, the outlet first. They
// form a tree, so each is met once and no cell needs a mark.
template <typename Visit>
void forEachBasinCell(const SourceBlocks& grid, SourceCell outlet, Visit visit) {
    std::vector<SourceCell> pending{outlet};
    while (!pending.empty()) {
        const SourceCell cell = pending.back();
        pending.pop_back();
        visit(cell);
        forEachInflow(grid, cell, [&pending](SourceCell inflow) { pending.push_back(inflow); });
    }
}

}  // namespace drainPrep
