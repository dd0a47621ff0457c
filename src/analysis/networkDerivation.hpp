// Deriving the drainage network: upstream links, removal of outlets without
// inflow, distance to the outlet, basin size and basin number.
//
// The values are those of the whole-grid sweeps, one per distance level for
// distances and basin sizes, found instead in linear time and one basin at a
// time: from each outlet (outlets in row-major order) the cells are visited
// upstream, each after its down cell, handing on distance and river number,
// and then in the reverse order, gathering basin sizes. Cells on a loop of
// down links, or draining into one, are never reached: they keep distance -1,
// basin size 1 and river number -1.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "cell/cellFields.hpp"
#include "cell/cellObject.hpp"
#include "geometry/studyArea.hpp"
#include "raster/intGrid.hpp"

namespace drainPrep {

// The grid preparation, with the upstream registration and the removal of
// outlets without inflow taken row by row as the preparation finishes the
// rows they read. Fills `outlets` with the outlets left, in row-major order,
// each at distance 0, and `fields` with every cell's fields as they stand.
// Returns the failure text of an unknown direction code.
std::optional<std::string> prepareAndRegister(const StudyArea& area, const IntGrid& dem,
                                              const IntGrid& directions, CellGrid& cells,
                                              std::ostream& console,
                                              std::vector<cellObject*>& outlets,
                                              CellFields& fields);

// Numbers the outlets 1, 2, ... in their order and derives distances, river
// numbers and basin sizes one basin after another, copying the final values
// of each basin's cells into `fields`.
void deriveBasins(const std::vector<cellObject*>& outlets, const CellGrid& cells,
                  CellFields& fields);

}  // namespace drainPrep
