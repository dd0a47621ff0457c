// Building the cell grid from the clipped rasters and preparing it for the
// network derivation: decoded directions, frame and outlet rings, neighbour
// links, outlets beside sea and no-data cells, slopes and down links.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include "cell/cellObject.hpp"
#include "cell/outletRule.hpp"
#include "geometry/studyArea.hpp"
#include "raster/intGrid.hpp"
#include "text/failure.hpp"

namespace drainPrep {

// Called with each row as soon as the preparation has finished it. The
// preparation writes nothing of that row or the rows above any more, but
// still reads the row's elevations until the next row is handed over.
using PreparedRowVisit = std::function<void(std::int32_t row)>;

// The eight preparation sweeps, each in row-major order, as one pass over the
// rows: placing, decoding, rings, init and links; sea marking; no-data
// counts, slopes with the pit reports, and down links. Returns the failure
// text of the first source direction code in row-major order that is not a
// D8 code; then no cell is touched and nothing is printed.
Failure prepareGrid(const StudyArea& area, const IntGrid& dem, const IntGrid& directions,
                    CellGrid& cells, std::ostream& console, const PreparedRowVisit& rowPrepared,
                    OutletRule rule = OutletRule::coast);

// The direction codes that prepareGrid leaves, without records: `codes`
// holds every cell's decoded code, -1 where the rule finds no flow
// (withoutFlow), and is prepared in place: rings, then the marking.
void prepareDirectionCodes(OutletRule rule, IntGrid& codes);

}  // namespace drainPrep
