// Deriving the drainage network on the prepared cell grid: upstream links,
// removal of outlets without inflow, distance to the outlet, basin size and
// basin number.
//
// Distances and basin sizes are what one whole-grid sweep per distance level
// would give, found instead in linear time: the cells are visited upstream
// from the outlets (outlets in row-major order, each cell after its down
// cell) for distances, and in the reverse of that order for basin sizes. Cells on a loop of down
// links, or draining into one, are never reached: they keep distance -1,
// basin size 1 and river number -1.
#pragma once

#include <cstddef>
#include <vector>

#include "cell/cellObject.hpp"

namespace drainPrep {

// The cells reached from the outlets: the outlets first, in row-major order,
// then every cell after its down cell.
struct DrainageOrder {
    std::vector<cellObject*> cells;
    std::size_t outletCount = 0;
};

void registerUpstream(CellGrid& cells);
void pruneOutlets(CellGrid& cells);
DrainageOrder assignDistances(CellGrid& cells);
void accumulateBasinSizes(const DrainageOrder& order);
void numberRivers(const DrainageOrder& order);

}  // namespace drainPrep
