// What a cell of the study area is, from its two source samples, by the
// run's own outlet rule. The sources do not tell the sea from no data: both
// are -9999 in the fixed pair, NoData through GDAL.
#pragma once

#include <cstdint>

#include "analysis/directionCodes.hpp"
#include "cell/directions.hpp"
#include "cell/outletRule.hpp"

namespace drainPrep::report {

enum class Surface {
    land,
    sea,    // sea or no data by its elevation: no elevation, or below 0 m to the coast rule
    noData  // an elevation but no flow direction
};

inline Surface surfaceOf(std::int32_t sourceElevation, std::int32_t sourceDirection,
                         OutletRule rule = OutletRule::coast) {
    if (elevationWithoutFlow(rule, sourceElevation)) return Surface::sea;
    if (decodeDirection(sourceDirection) == noFlowCode) return Surface::noData;
    return Surface::land;
}

}  // namespace drainPrep::report
