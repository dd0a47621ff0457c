#include "driver/studyArea.hpp"

#include <cmath>

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

bool liesInsideSourceGrid(const StudyArea& area) {
    const ClipOffsets offsets = clipOffsets(area);
    return offsets.rowOffset >= 0 && offsets.colOffset >= 0 &&
           offsets.rowOffset + area.nrows <= sourceRows &&
           offsets.colOffset + area.ncols <= sourceCols;
}

double southEdgeLat(const StudyArea& area) {
    return area.latNW - area.nrows / rowsPerDegree;
}

}  // namespace drainPrep
