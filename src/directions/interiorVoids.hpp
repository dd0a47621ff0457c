// The voids of a DEM: cells without data enclosed by land, such as the holes
// radar leaves in steep or wet terrain, which interpolation may close. Cells
// without data joined to the grid's edge are sea or lie beyond the data.
#pragma once

#include <cstdint>
#include <vector>

#include "directions/demGrid.hpp"

namespace drainPrep {

// 1 for each cell without data that no chain of such cells, side by side or
// corner to corner, joins to the grid's edge; 0 for every other.
std::vector<std::uint8_t> interiorVoids(const DemGrid& dem);

}  // namespace drainPrep
