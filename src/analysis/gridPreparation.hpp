// Building the cell grid from the clipped rasters and preparing it for the
// network derivation: decoded directions, frame and outlet rings, neighbour
// links, outlets beside sea and no-data cells, slopes and down links.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "cell/cellObject.hpp"
#include "geometry/studyArea.hpp"
#include "raster/intGrid.hpp"

namespace drainPrep {

// Places every cell with its centre, elevation and raw direction.
void buildCells(const StudyArea& area, const IntGrid& dem, const IntGrid& directions,
                CellGrid& cells);

// The preparation sweeps, in order. Pit reports go to the console as the
// slope sweep meets them. Returns the failure text of a source direction code
// that is not a D8 code; the sweeps after decoding then do not run.
std::optional<std::string> prepareGrid(CellGrid& cells, std::ostream& console);

}  // namespace drainPrep
