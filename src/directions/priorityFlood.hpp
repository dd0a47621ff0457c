// The priority flood that depression filling and breaching stand on. It rises
// from the outlets (cells with data on the grid's edge or beside a cell
// without data) and the kept sinks, always where its shore is lowest, and
// reaches every cell with data once, O(n log n) at worst. A cell's level, the
// flood's when it reaches it, is the lowest, over every path from the cell to
// an outlet or kept sink, of the highest elevation on the path. Each cell is
// reached from a neighbour of lower or equal level, so following those
// neighbours back leads, never above the cell's level, to where the flood
// began: the flood's tree.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "directions/demGrid.hpp"

namespace drainPrep {

// One byte a cell: the direction of the neighbour the cell was reached
// from, and whether it was reached below the flood's level (filling raises
// it).
class FloodMark {
public:
    // The source of an outlet, a kept sink, or a cell without data.
    static constexpr int noSource = directionCount;

    int source() const { return bits_ & sourceBits; }
    bool reached() const { return (bits_ & reachedBit) != 0; }
    bool raised() const { return (bits_ & raisedBit) != 0; }

    void reachFrom(int source) { bits_ = static_cast<std::uint8_t>(reachedBit | source); }
    void raise() { bits_ = static_cast<std::uint8_t>(bits_ | raisedBit); }

private:
    static constexpr int sourceBits = 15;
    static constexpr int reachedBit = 16;
    static constexpr int raisedBit = 32;

    std::uint8_t bits_ = noSource;
};

// Told of each cell as the flood reaches it below its level. Filling writes
// the cell's elevation there: the flood reads no elevation of a cell it has
// reached.
using RaiseCell = std::function<void(std::int64_t cell, double level)>;

// The flood's tree over `dem`, one mark per cell in its order. `keptSinks`
// start the flood as the outlets do, at their own elevation. Throws
// std::bad_alloc.
std::vector<FloodMark> floodFromOutlets(const DemGrid& dem,
                                        const std::vector<std::int64_t>& keptSinks,
                                        const RaiseCell& raise = {});

// Groups of raised cells, joined side by side or corner to corner: the
// depressions.
std::int64_t countRaisedGroups(const DemCells& cells, const std::vector<FloodMark>& marks);

}  // namespace drainPrep
