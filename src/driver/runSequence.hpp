#pragma once

#include <iosfwd>
#include <optional>

#include "raster/gdalSource.hpp"

namespace drainPrep {

// The whole run: study area, source rasters, drainage network, products,
// from the fixed pair in ./input or from the two rasters given.
// Returns the exit status: 0 after a complete run, 1 after any failure.
int runDrainPrep(std::ostream& console, std::istream& keyboard,
                 const std::optional<SourcePaths>& sources = std::nullopt);

}  // namespace drainPrep
