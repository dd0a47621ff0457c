// Depression filling: every closed depression of a DEM raised to the level at
// which it spills, so that water from every cell with data can run, never
// uphill, to the grid's edge or to a cell without data.
#pragma once

#include <cstdint>
#include <vector>

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
// across it. `keptSinks` are outlets too, at their own elevation: the cells
// whose water they gather keep a depression that drains into them. Throws
// std::bad_alloc.
FillRecord fillDepressions(DemGrid& dem, const std::vector<std::int64_t>& keptSinks = {});

// The lowest cell (the first in row-major order among equals) of each
// depression that filling `original` into `filled` raised over at least
// `minimumKm2`: its own area, the cells below its spill level, joined side
// by side or corner to corner as fillDepressions counts them, a cell of a
// row covering rowKm2[row]. An endorheic basin, a lake without outflow.
std::vector<std::int64_t> sinksOfLargeDepressions(const DemGrid& original, const DemGrid& filled,
                                                  const std::vector<double>& rowKm2,
                                                  double minimumKm2);

}  // namespace drainPrep
