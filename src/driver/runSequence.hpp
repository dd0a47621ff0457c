#pragma once

#include <iosfwd>

namespace drainPrep {

// The whole run: study area, source rasters, drainage network, products.
// Returns the exit status: 0 after a complete run, 1 after any failure.
int runDrainPrep(std::ostream& console, std::istream& keyboard);

}  // namespace drainPrep
