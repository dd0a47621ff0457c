// Conversion between the source D8 codes and the internal direction codes.
//
//   source D8 code   1   2   4   8  16  32  64 128   0  -1  -9999
//   internal code    3   4   5   6   7   8   1   2   0  -1  -1
//
// Internal codes 1..8 index the neighbour links directly; every negative
// internal code (-1 no flow, -9 frame ring) encodes back to -9999.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "cell/directions.hpp"

namespace drainPrep {

constexpr std::int32_t sourceNoDataCode = -9999;

namespace decoding {

constexpr std::int32_t largestD8Code = 128;
constexpr std::int32_t notACode = -2;

// The internal code of every source value from 0 to 128, read from the one
// direction table, so that decoding a cell is a single look-up.
constexpr std::array<std::int32_t, largestD8Code + 1> internalCodes() {
    std::array<std::int32_t, largestD8Code + 1> codes{};
    for (std::int32_t& code : codes) code = notACode;
    codes[0] = outletCode;
    for (int k = 0; k < directionCount; ++k) {
        codes[static_cast<std::size_t>(flowDirections[k].sourceCode)] = k + 1;
    }
    return codes;
}

constexpr std::array<std::int32_t, largestD8Code + 1> internalCodeOf = internalCodes();

}  // namespace decoding

// Nothing for a value outside the table: several bits set (3, 255) or any
// other negative value (-2). Inline: every cell is decoded.
inline std::optional<std::int32_t> decodeDirection(std::int32_t sourceCode) {
    if (sourceCode >= 0 && sourceCode <= decoding::largestD8Code) {
        const std::int32_t code = decoding::internalCodeOf[static_cast<std::size_t>(sourceCode)];
        if (code != decoding::notACode) return code;
        return std::nullopt;
    }
    if (sourceCode == -1 || sourceCode == sourceNoDataCode) return noFlowCode;
    return std::nullopt;
}

// Takes an internal code, -9..8.
std::int32_t encodeDirection(std::int32_t internalCode);

}  // namespace drainPrep
