// The product grids of a run, each a view of one field of the cells:
//
//   file                       form            value                   frame ring   NODATA
//   ./output/modDem.bin        double          elev                    as is
//   ./output/arcgis/modDem.asc double          elev                    as is        -9999
//   ./output/arcgis/distance.asc int           distance                as is        -1
//   ./output/flowDir.bin       int32           dir, internal code      -9999
//   ./output/arcgis/flowDir.asc int            dir as source D8 code   as is        -9999
//   ./output/flowAcc.bin       int32           basinSize               -9999
//   ./output/arcgis/flowAcc.asc int            basinSize               -9999        -9999
//   ./output/riverNum.bin      int32           riverNum                -9999
//   ./output/arcgis/riverNum.asc int           riverNum                -1           -1
//
// followed by the outlet list.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "cell/cellFields.hpp"
#include "cell/cellObject.hpp"
#include "geometry/studyArea.hpp"
#include "text/failure.hpp"

namespace drainPrep {

// Turns an internal direction code into its source D8 code.
using DirectionEncoder = std::int32_t (*)(std::int32_t internalCode);

// Writes the nine grids in the order of the table from the copies of the
// cells' fields, then the outlet list, also from the copies.
Failure writeProducts(const StudyArea& area, const CellFields& fields, const CellGrid& cells,
                      const std::vector<cellObject*>& outlets, DirectionEncoder encode,
                      std::ostream& console);

}  // namespace drainPrep
