#include "analysis/directionCodes.hpp"

namespace drainPrep {

std::int32_t encodeDirection(std::int32_t internalCode) {
    if (internalCode < 0) return sourceNoDataCode;
    if (internalCode == outletCode) return 0;
    return flowDirections[internalCode - 1].sourceCode;
}

}  // namespace drainPrep
