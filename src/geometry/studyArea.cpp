#include "geometry/studyArea.hpp"

#include <cmath>

#include "geometry/sourceFrame.hpp"

namespace drainPrep {

namespace {

// Truncation toward zero of a value known to be far inside the 64-bit range:
// corners are 32-bit degrees, so the quotient stays below 2^43.
std::int64_t truncatedOffset(double cellsFromEdge) {
    return static_cast<std::int64_t>(cellsFromEdge + 0.5);
}

}  // namespace

ClipOffsets clipOffsets(const StudyArea& area) {
    const double latC = area.latNW - cellSizeDeg / 2.0;
    const double lonC = area.lonNW + cellSizeDeg / 2.0;
    return {truncatedOffset((sourceLat0 - latC) / cellSizeDeg),
            truncatedOffset((lonC - sourceLon0) / cellSizeDeg)};
}

bool liesInsideSourceGrid(const StudyArea& area) { return liesInsideFrame(area, fixedSourceFrame); }

double southEdgeLat(const StudyArea& area) {
    return area.latNW - area.nrows / rowsPerDegree;
}

std::int32_t cellCentreLat(std::int32_t latNW, std::int32_t row, std::int32_t sizeFactor) {
    const std::int32_t step = sizeFactor * arcSecondsPerCell;
    const std::int32_t halfStep = sizeFactor * (arcSecondsPerCell / 2);
    return latNW * arcSecondsPerDegree - step * row - halfStep;
}

std::int32_t cellCentreLon(std::int32_t lonNW, std::int32_t col, std::int32_t sizeFactor) {
    const std::int32_t step = sizeFactor * arcSecondsPerCell;
    const std::int32_t halfStep = sizeFactor * (arcSecondsPerCell / 2);
    return lonNW * arcSecondsPerDegree + step * col + halfStep;
}

double cellLengthEastWest(std::int32_t latArcSeconds) {
    constexpr double piAsTaken = 3.14;
    return std::cos(latArcSeconds / 3600.0 / 180.0 * piAsTaken) * cellLengthNorthSouth;
}

GridPlace placeOfStudyArea(const StudyArea& area) {
    return {area.nrows, area.ncols, static_cast<double>(area.lonNW),
            static_cast<double>(area.latNW), 1.0 / cellsPerDegree};
}

double cellAreaKm2AtLat(std::int32_t centreLatArcSeconds) {
    constexpr double squareMetresPerKm2 = 1e6;
    return cellLengthNorthSouth * cellLengthEastWest(centreLatArcSeconds) / squareMetresPerKm2;
}

double cellAreaKm2(std::int32_t latNW, std::int32_t row) {
    return cellAreaKm2AtLat(cellCentreLat(latNW, row));
}

}  // namespace drainPrep
