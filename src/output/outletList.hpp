// The outlet list: one line per outlet, in row-major order, holding
// riverNum, row + 1, column + 1, lon and lat (arc-seconds) and basinSize.
// Its first field runs 1, 2, 3, ... and names the basins of riverNum.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "cell/cellObject.hpp"

namespace drainPrep {

// `outlets`: the cells with dir 0 once the network is derived, in row-major
// order, as the derivation found them.
std::optional<std::string> writeOutletList(const CellGrid& cells,
                                           const std::vector<cellObject*>& outlets,
                                           std::ostream& console);

}  // namespace drainPrep
