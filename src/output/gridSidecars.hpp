// The files a GIS reads beside a grid to place it: cutDem.prj beside
// cutDem.asc, flowAcc.hdr beside flowAcc.bin (drainPrepReport writes both),
// and GDAL's own flowAcc.bin.aux.xml. Left beside a grid written anew, they
// would describe the grid of an earlier run: a GIS would open the new one at
// the old size and place without a word.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "text/failure.hpp"

namespace drainPrep {

// cutDem.prj beside cutDem.asc, modDem.hdr beside modDem.bin, and so on.
std::filesystem::path sidecarPath(const std::filesystem::path& gridPath, const char* extension);

// Removes the .hdr, .prj and .aux.xml of the grid at gridPath, and nothing
// else; those absent are no failure. Returns the failure text.
Failure removeSidecars(const char* gridPath);

}  // namespace drainPrep
