// The flat rules of d8Codes (d8Codes.hpp, rules 3 and 4): directions across
// flats, and sinks where no path leads down.
#pragma once

#include <cstdint>
#include <vector>

#include "directions/d8Codes.hpp"
#include "directions/demGrid.hpp"

namespace drainPrep {

// Gives every cell still holding undecidedCode (steepestDescent.hpp) a
// direction or sinkCode.
DirectionRecord routeFlats(const DemGrid& dem, std::vector<std::uint8_t>& codes);

}  // namespace drainPrep
