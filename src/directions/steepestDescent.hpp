// The first two rules of d8Codes (d8Codes.hpp): steepest descent, and the
// outlets that drain off the grid or into a cell without data.
#pragma once

#include <cstdint>
#include <vector>

#include "directions/demGrid.hpp"

namespace drainPrep {

// Not a D8 code: a cell with data that neither rule gives a direction.
inline constexpr std::uint8_t undecidedCode = 255;

// Whether the code points to a neighbour: the D8 codes are the powers of two.
inline bool isFlowCode(std::uint8_t code) { return code != 0 && (code & (code - 1)) == 0; }

// codes holds one entry per cell; cells without data keep theirs.
void assignDownhillAndOutlets(const DemGrid& dem, const CellLengths& lengths,
                              std::vector<std::uint8_t>& codes);

}  // namespace drainPrep
