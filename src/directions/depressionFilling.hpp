// Depression filling: every closed depression of a DEM raised to the level at
// which it spills, so that water from every cell with data can run, never
// uphill, to the grid's edge or to a cell without data.
#pragma once

#include <cstdint>

#include "directions/demGrid.hpp"

namespace drainPrep {

struct FillRecord {
    std::int64_t cellsRaised = 0;
    double largestRaise = 0.0;
    // Groups of raised cells, joined side by side or corner to corner.
    std::int64_t depressions = 0;
};

// Raises every depression to its spill level by a priority flood from the
// outlets (cells with data on the grid's edge or beside a cell without data),
// O(n log n) at worst. A cell's spill level is the lowest, over every path
// from it to an outlet, of the highest elevation on the path. Never lowers a
// cell; cells outside every depression keep their elevation exactly; cells
// without data stay NaN. The raised surface is flat: d8Codes routes water
// across it. Throws std::bad_alloc.
FillRecord fillDepressions(DemGrid& dem);

}  // namespace drainPrep
