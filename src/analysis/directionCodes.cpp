#include "analysis/directionCodes.hpp"

#include <array>

#include "cell/directions.hpp"

namespace drainPrep {

namespace {

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

}  // namespace

std::optional<std::int32_t> decodeDirection(std::int32_t sourceCode) {
    if (sourceCode >= 0 && sourceCode <= largestD8Code) {
        const std::int32_t code = internalCodeOf[static_cast<std::size_t>(sourceCode)];
        if (code != notACode) return code;
        return std::nullopt;
    }
    if (sourceCode == -1 || sourceCode == sourceNoDataCode) return noFlowCode;
    return std::nullopt;
}

std::int32_t encodeDirection(std::int32_t internalCode) {
    if (internalCode < 0) return sourceNoDataCode;
    if (internalCode == outletCode) return 0;
    return flowDirections[internalCode - 1].sourceCode;
}

}  // namespace drainPrep
