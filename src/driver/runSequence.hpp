#pragma once

#include <iosfwd>
#include <optional>

#include "driver/runArguments.hpp"

namespace drainPrep {

// The whole run: study area, source rasters, drainage network, products,
// from the fixed pair in ./input or from the two rasters given, under the
// outlet rule given. Returns the exit status: 0 after a complete run, 1 after
// any failure.
int runDrainPrep(std::ostream& console, std::istream& keyboard,
                 const RunOptions& options = RunOptions());

}  // namespace drainPrep
