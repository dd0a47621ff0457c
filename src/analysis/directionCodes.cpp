#include "analysis/directionCodes.hpp"

#include "cell/directions.hpp"

namespace drainPrep {

std::optional<std::int32_t> decodeDirection(std::int32_t sourceCode) {
    for (int k = 0; k < directionCount; ++k) {
        if (flowDirections[k].sourceCode == sourceCode) return k + 1;
    }
    if (sourceCode == 0) return outletCode;
    if (sourceCode == -1 || sourceCode == sourceNoDataCode) return noFlowCode;
    return std::nullopt;
}

std::int32_t encodeDirection(std::int32_t internalCode) {
    if (internalCode < 0) return sourceNoDataCode;
    if (internalCode == outletCode) return 0;
    return flowDirections[internalCode - 1].sourceCode;
}

}  // namespace drainPrep
