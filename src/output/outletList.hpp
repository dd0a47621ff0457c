// The outlet list: one line per outlet, in row-major order, holding
// riverNum, row + 1, column + 1, lon and lat (arc-seconds) and basinSize.
// Its first field runs 1, 2, 3, ... and names the basins of riverNum.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "cell/cellFields.hpp"
#include "cell/cellObject.hpp"
#include "geometry/studyArea.hpp"
#include "text/failure.hpp"

namespace drainPrep {

// `outlets`: the cells with dir 0 once the network is derived, in row-major
// order, as the derivation found them; their values are read from `copies`
// and the area's geometry, not from their records.
Failure writeOutletList(const StudyArea& area, const CellFields& copies, const CellGrid& cells,
                        const std::vector<cellObject*>& outlets, std::ostream& console);

}  // namespace drainPrep
