#include "area/sourceBlocks.hpp"

#include <algorithm>
#include <utility>

namespace drainPrep {

namespace {

constexpr std::int32_t notCounted = -1;

}  // namespace

SourceBlocks::SourceBlocks(std::int32_t nrows, std::int32_t ncols, OutletRule rule,
                           WindowReader reader, std::int32_t blockSide)
    : nrows_(nrows),
      ncols_(ncols),
      rule_(rule),
      reader_(std::move(reader)),
      blockSide_(blockSide) {}

std::int64_t SourceBlocks::keyOf(SourceCell cell) const {
    const std::int64_t blocksPerRow = (std::int64_t{ncols_} + blockSide_ - 1) / blockSide_;
    return (cell.row / blockSide_) * blocksPerRow + cell.col / blockSide_;
}

SourceCell SourceBlocks::inBlock(SourceCell cell) const {
    return {cell.row % blockSide_, cell.col % blockSide_};
}

SourceBlocks::Block* SourceBlocks::loadedBlockOf(SourceCell cell) const {
    const auto found = blocks_.find(keyOf(cell));
    return found == blocks_.end() ? nullptr : found->second.get();
}

SourceBlocks::Block& SourceBlocks::blockOf(SourceCell cell) const {
    if (Block* loaded = loadedBlockOf(cell)) return *loaded;
    const SourceCell first{cell.row - cell.row % blockSide_, cell.col - cell.col % blockSide_};
    const CellWindow window{first, std::min(blockSide_, nrows_ - first.row),
                            std::min(blockSide_, ncols_ - first.col)};
    std::vector<std::int32_t> dem;
    std::vector<std::int32_t> directions;
    if (auto failure = reader_(window, dem, directions)) throw SourceReadFailure(*failure);
    auto block = std::make_unique<Block>(Block{FlowGrid(window.rows, window.cols, rule_), {}});
    std::size_t sample = 0;
    for (SourceCell at; at.row < window.rows; ++at.row) {
        for (at.col = 0; at.col < window.cols; ++at.col, ++sample) {
            block->flow.setSamples(at, dem[sample], directions[sample]);
        }
    }
    return *blocks_.emplace(keyOf(cell), std::move(block)).first->second;
}

bool SourceBlocks::hasFlowData(SourceCell cell) const {
    return blockOf(cell).flow.hasFlowData(inBlock(cell));
}

std::int32_t SourceBlocks::internalCode(SourceCell cell) const {
    return blockOf(cell).flow.internalCode(inBlock(cell));
}

std::optional<SourceCell> SourceBlocks::downstream(SourceCell cell) const {
    const std::int32_t code = internalCode(cell);
    if (code < 1) return std::nullopt;
    const Direction& direction = flowDirections[code - 1];
    const SourceCell down{cell.row + direction.rowOffset, cell.col + direction.colOffset};
    if (!contains(down.row, down.col) || !hasFlowData(down)) return std::nullopt;
    return down;
}

FlowGrid SourceBlocks::window(const CellWindow& cells) const {
    FlowGrid grid(cells.rows, cells.cols, rule_);
    for (SourceCell at; at.row < cells.rows; ++at.row) {
        for (at.col = 0; at.col < cells.cols; ++at.col) {
            const SourceCell cell{cells.first.row + at.row, cells.first.col + at.col};
            if (contains(cell.row, cell.col)) {
                grid.copyCell(at, blockOf(cell).flow, inBlock(cell));
            } else {
                grid.setPreparedCode(at, noFlowCode);
            }
        }
    }
    return grid;
}

std::int32_t& SourceBlocks::countedIndexOf(SourceCell cell) {
    Block& block = blockOf(cell);
    if (block.countedIndex.empty()) {
        block.countedIndex.assign(static_cast<std::size_t>(block.flow.nrows()) *
                                      static_cast<std::size_t>(block.flow.ncols()),
                                  notCounted);
    }
    const SourceCell at = inBlock(cell);
    return block.countedIndex[static_cast<std::size_t>(at.row) *
                                  static_cast<std::size_t>(block.flow.ncols()) +
                              static_cast<std::size_t>(at.col)];
}

// Without reading: a cell of a block never read was never counted.
std::int32_t SourceBlocks::countedIndexIfAny(SourceCell cell) const {
    const Block* block = loadedBlockOf(cell);
    if (block == nullptr || block->countedIndex.empty()) return notCounted;
    const SourceCell at = inBlock(cell);
    return block->countedIndex[static_cast<std::size_t>(at.row) *
                                   static_cast<std::size_t>(block->flow.ncols()) +
                               static_cast<std::size_t>(at.col)];
}

void SourceBlocks::countUpstreamOf(const std::vector<SourceCell>& cells) {
    const std::size_t firstNew = counted_.size();
    for (const SourceCell cell : cells) {
        if (!contains(cell.row, cell.col) || !hasFlowData(cell)) continue;
        std::int32_t& index = countedIndexOf(cell);
        if (index != notCounted) continue;
        index = static_cast<std::int32_t>(counted_.size());
        counted_.push_back(cell);
        upstream_.push_back(1);
    }
    reachUpstream(firstNew);
    accumulate(firstNew);
}

// Every cell upstream of the new ones joins them. A cell counted before
// has its whole upstream counted already: its count is handed on and the
// search stops there.
void SourceBlocks::reachUpstream(std::size_t firstNew) {
    std::vector<std::size_t> pending(counted_.size() - firstNew);
    for (std::size_t i = 0; i < pending.size(); ++i) pending[i] = firstNew + i;
    while (!pending.empty()) {
        const std::size_t at = pending.back();
        pending.pop_back();
        forEachInflow(*this, counted_[at], [&](SourceCell inflow) {
            std::int32_t& index = countedIndexOf(inflow);
            if (index == notCounted) {
                index = static_cast<std::int32_t>(counted_.size());
                counted_.push_back(inflow);
                upstream_.push_back(1);
                pending.push_back(static_cast<std::size_t>(index));
            } else if (static_cast<std::size_t>(index) < firstNew) {
                upstream_[at] += upstream_[static_cast<std::size_t>(index)];
            }
        });
    }
}

// Headwaters first among the new cells, linked among themselves: a cell
// counted before was handed on by reachUpstream. Cells on a loop count 0.
void SourceBlocks::accumulate(std::size_t firstNew) {
    const std::size_t newCells = counted_.size() - firstNew;
    std::vector<std::int32_t> below(newCells, notCounted);
    for (std::size_t i = 0; i < newCells; ++i) {
        const std::optional<SourceCell> down = downstream(counted_[firstNew + i]);
        if (!down) continue;
        const std::int32_t index = countedIndexIfAny(*down);
        if (index == notCounted || static_cast<std::size_t>(index) < firstNew) continue;
        below[i] = index - static_cast<std::int32_t>(firstNew);
    }
    std::int32_t* counts = upstream_.data() + firstNew;
    const LoopCells<std::int32_t> loopCells =
        drainPrep::accumulate<std::int32_t>(ParentLinks<std::int32_t>(below), counts);
    for (std::size_t i = 0; i < newCells; ++i) {
        if (loopCells.onLoop(i)) counts[i] = 0;
    }
}

std::int32_t SourceBlocks::upstreamCells(SourceCell cell) const {
    const std::int32_t index = countedIndexIfAny(cell);
    return index == notCounted ? 0 : upstream_[static_cast<std::size_t>(index)];
}

}  // namespace drainPrep
