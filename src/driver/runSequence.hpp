#pragma once

#include <iosfwd>
#include <optional>

#include "driver/runArguments.hpp"

namespace drainPrep {

// A run prints its failure itself, since a refused clipArea.dat is followed
// by the closing prompt; its main gives status 0 after a complete run, 1
// after any failure.
enum class RunEnd { complete, failed };

// The whole run: study area, source rasters, drainage network, products,
// from the fixed pair in ./input or from the two rasters given, under the
// outlet rule given.
RunEnd runDrainPrep(std::ostream& console, std::istream& keyboard,
                    const RunOptions& options = RunOptions());

}  // namespace drainPrep
