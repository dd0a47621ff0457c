// Depression breaching: instead of raising a closed depression to its spill
// level, a channel cut from each of its pits through the rim down to lower
// terrain, so that water from every cell with data can run, never uphill, to
// the grid's edge, a cell without data or a kept sink. Where a narrow ridge
// dams a deep valley it changes a few cells where filling would raise many,
// and it keeps the ridges whole but for the channels through them.
#pragma once

#include <cstdint>
#include <vector>

#include "directions/demGrid.hpp"

namespace drainPrep {

struct BreachRecord {
    std::int64_t cellsLowered = 0;
    double largestLowering = 0.0;
    // Groups of cells that filling would raise, joined side by side or corner
    // to corner, as FillRecord counts them: not the pits carved, of which one
    // depression may hold many.
    std::int64_t depressions = 0;
};

// Carves, from each pit (a cell that filling with the same kept sinks would
// raise and that has no lower neighbour: every local minimum inside a
// depression, not only the deepest), the path by which the priority flood
// (priorityFlood.hpp) reached it, back to an outlet or a kept sink, lowering
// each cell on it to at most the elevation of the cell before it. Afterwards
// every cell with data has a path that never rises to the grid's edge, a cell
// without data or a kept sink; a channel may be flat at its pit's level,
// which d8Codes routes. Never raises a cell; changes only cells on carved
// paths, the outlet or kept sink where one ends among them; cells without
// data stay NaN; the same DEM gives the same result. A kept sink stays a sink
// for d8Codes even where a channel carved past it runs lower: its basin keeps
// its bottom. O(n log n) at worst; memory three bytes a cell besides the
// grid, and the flood's shore. Throws std::bad_alloc.
BreachRecord breachDepressions(DemGrid& dem, const std::vector<std::int64_t>& keptSinks = {});

}  // namespace drainPrep
