// Conversion between the source D8 codes and the internal direction codes.
//
//   source D8 code   1   2   4   8  16  32  64 128   0  -1  -9999
//   internal code    3   4   5   6   7   8   1   2   0  -1  -1
//
// Internal codes 1..8 index the neighbour links directly; every negative
// internal code (-1 no flow, -9 frame ring) encodes back to -9999.
#pragma once

#include <cstdint>
#include <optional>

namespace drainPrep {

constexpr std::int32_t sourceNoDataCode = -9999;

// Nothing for a value outside the table: several bits set (3, 255) or any
// other negative value (-2).
std::optional<std::int32_t> decodeDirection(std::int32_t sourceCode);

// Takes an internal code, -9..8.
std::int32_t encodeDirection(std::int32_t internalCode);

}  // namespace drainPrep
