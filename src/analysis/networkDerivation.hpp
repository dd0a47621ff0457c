// Deriving the drainage network: upstream links, removal of outlets without
// inflow, distance to the outlet, basin size and basin number.
//
// The values are those of the whole-grid sweeps, one per distance level for
// distances and basin sizes, found instead in linear time on the compact
// copies of the fields: walks down from every cell in row-major order hand
// each cell the distance and river number below it (outlets numbered in
// row-major order), and walks down from the headwaters hand on basin sizes as
// far as the cells they complete. The records then take the values in one
// pass in row order. Cells on a loop of down links, or draining into one, are
// never reached: they keep distance -1, basin size 1 and river number -1.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "cell/cellFields.hpp"
#include "cell/cellObject.hpp"
#include "cell/outletRule.hpp"
#include "geometry/studyArea.hpp"
#include "raster/intGrid.hpp"
#include "text/failure.hpp"

namespace drainPrep {

// The grid preparation, with the upstream registration and the removal of
// outlets without inflow taken row by row as the preparation finishes the
// rows they read. Fills `outlets` with the outlets left, in row-major order,
// each at distance 0, and `fields` with every cell's fields as they stand.
// The rule decides which cells beside cells without flow become outlets.
// Returns the failure text of an unknown direction code.
Failure prepareAndRegister(const StudyArea& area, const IntGrid& dem, const IntGrid& directions,
                           CellGrid& cells, std::ostream& console,
                           std::vector<cellObject*>& outlets, CellFields& fields,
                           OutletRule rule = OutletRule::coast);

// Numbers the outlets 1, 2, ... in their order and derives distances, river
// numbers and basin sizes in `fields`, then stores them into the records.
void deriveBasins(const std::vector<cellObject*>& outlets, CellGrid& cells, CellFields& fields);

}  // namespace drainPrep
