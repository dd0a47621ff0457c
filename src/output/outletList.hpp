// The outlet list: one line per outlet, in row-major order, holding
// riverNum, row + 1, column + 1, lon and lat (arc-seconds) and basinSize.
// Its first field runs 1, 2, 3, ... and names the basins of riverNum.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "cell/cellObject.hpp"
#include "output/productFiles.hpp"

namespace drainPrep {

// The outlets are the cells whose code is 0; their numbers and basin sizes
// come from the fields the products show, lon and lat from their records.
std::optional<std::string> writeOutletList(const ProductFields& fields, const CellGrid& cells,
                                           std::ostream& console);

}  // namespace drainPrep
