// What a cell of the study area is, from its two source samples, by the
// run's own rules: a cell below 0 m is sea (the source marks the sea -9999),
// a cell whose direction decodes to no flow has no data.
#pragma once

#include <cstdint>

#include "analysis/directionCodes.hpp"
#include "cell/directions.hpp"

namespace drainPrep::report {

enum class Surface { land, sea, noData };

inline Surface surfaceOf(std::int32_t sourceElevation, std::int32_t sourceDirection) {
    if (sourceElevation < 0) return Surface::sea;
    if (decodeDirection(sourceDirection) == noFlowCode) return Surface::noData;
    return Surface::land;
}

}  // namespace drainPrep::report
