// Where rivers end beside cells without flow: the two outlet rules of a run.
//
//   coast  the tool's own rule: land below 0 m has no flow, and every
//          neighbour of a marked cell becomes an outlet, so the marks, and
//          with them the outlets, depend on the row-major order of the visits;
//   d8     the flow directions decide: only a no-data direction or the
//          no-data elevation takes a cell's flow, and only the neighbours
//          that drain into a cell without flow become outlets.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "cell/directions.hpp"

namespace drainPrep {

enum class OutletRule { coast, d8 };

inline const char* outletRuleName(OutletRule rule) {
    return rule == OutletRule::coast ? "coast" : "d8";
}

inline std::optional<OutletRule> outletRuleNamed(const std::string& name) {
    if (name == "coast") return OutletRule::coast;
    if (name == "d8") return OutletRule::d8;
    return std::nullopt;
}

// Whether the elevation alone takes a cell's flow under the rule.
constexpr bool elevationWithoutFlow(OutletRule rule, double elev) {
    return rule == OutletRule::coast ? elev < 0.0 : elev == noDataElevation;
}

// Whether a cell of decoded code `code` (-1 for a no-data direction) and
// elevation `elev` has no flow direction under the rule.
constexpr bool withoutFlow(OutletRule rule, std::int32_t code, double elev) {
    return code == noFlowCode || elevationWithoutFlow(rule, elev);
}

// The internal code by which the neighbour at index k drains into the cell.
constexpr std::int32_t inflowCodeFrom(int k) { return oppositeDirection(k) + 1; }

// Turns into outlets the neighbours of a cell without flow that the rule
// stops there; `codeOf(k)` is the code of the neighbour at index k.
template <typename CodeOf>
void markBesideNoFlow(OutletRule rule, CodeOf codeOf) {
    for (int k = 0; k < directionCount; ++k) {
        auto& code = codeOf(k);
        if (rule == OutletRule::coast || code == inflowCodeFrom(k)) code = outletCode;
    }
}

}  // namespace drainPrep
