// drainPrepDirections DEM OUTDIR: the D8 flow directions of a DEM alone, for
// those who hold elevations but no directions. The DEM's depressions are
// filled to their spill levels, its flats routed away from higher and towards
// lower terrain, and every cell given the direction of steepest descent by
// the tool's own cell lengths. OUTDIR receives dir.tif and dem.tif, the pair
// that drainPrep --dem/--dir and drainPrepArea read as they are, and
// conditioning.txt, the record of what was done.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "text/failure.hpp"

namespace drainPrep {

// Nothing when OUTDIR holds the three files (or the help was asked for);
// else the failure, with OUTDIR as it was.
Failure runDrainPrepDirections(const std::vector<std::string>& arguments, std::ostream& console);

}  // namespace drainPrep
