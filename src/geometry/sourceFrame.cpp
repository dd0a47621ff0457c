#include "geometry/sourceFrame.hpp"

#include <charconv>
#include <cmath>
#include <iterator>

namespace drainPrep {

namespace {

// Seven digits keep a tenth of a cell at 180 degrees.
constexpr int degreeDigits = 7;

double cellsToDegrees(std::int64_t cells) {
    return static_cast<double>(cells) / static_cast<double>(cellsPerDegree);
}

std::string hemisphereText(double degrees, const char* positive, const char* negative) {
    char digits[32];
    const double magnitude = degrees == 0.0 ? 0.0 : std::fabs(degrees);
    char* const end = std::to_chars(std::begin(digits), std::end(digits), magnitude,
                                    std::chars_format::general, degreeDigits)
                          .ptr;
    return std::string(std::begin(digits), end) + (degrees < 0 ? negative : positive);
}

// Far below the precision of any point typed in degrees, far above the
// rounding of its decimal.
constexpr double onBoundary = 1e-6;

// Cells from the grid's north or west edge to the point, as a whole number
// where the point lies on the line between two cells: the decimal of the
// point (45.1 or 45.3) must not decide the side.
double cellsFromEdge(double degrees) {
    const double cells = degrees * cellsPerDegree;
    const double nearestLine = std::round(cells);
    return std::fabs(cells - nearestLine) < onBoundary ? nearestLine : cells;
}

}  // namespace

ClipOffsets offsetsInFrame(const StudyArea& area, const SourceFrame& frame) {
    return {frame.northEdgeCells - std::int64_t{area.latNW} * cellsPerDegree,
            std::int64_t{area.lonNW} * cellsPerDegree - frame.westEdgeCells};
}

bool liesInsideFrame(const StudyArea& area, const SourceFrame& frame) {
    const ClipOffsets offsets = offsetsInFrame(area, frame);
    return offsets.rowOffset >= 0 && offsets.colOffset >= 0 &&
           offsets.rowOffset + area.nrows <= frame.rows &&
           offsets.colOffset + area.ncols <= frame.cols;
}

std::int32_t rowCentreLat(const SourceFrame& frame, std::int32_t row) {
    return static_cast<std::int32_t>(frame.northEdgeCells * arcSecondsPerCell -
                                     std::int64_t{arcSecondsPerCell} * row - arcSecondsPerCell / 2);
}

double northEdgeDeg(const SourceFrame& frame) { return cellsToDegrees(frame.northEdgeCells); }

double southEdgeDeg(const SourceFrame& frame) {
    return cellsToDegrees(frame.northEdgeCells - frame.rows);
}

double westEdgeDeg(const SourceFrame& frame) { return cellsToDegrees(frame.westEdgeCells); }

double eastEdgeDeg(const SourceFrame& frame) {
    return cellsToDegrees(frame.westEdgeCells + frame.cols);
}

std::string latitudeText(double degrees) { return hemisphereText(degrees, " N", " S"); }

std::string longitudeText(double degrees) { return hemisphereText(degrees, " E", " W"); }

std::string extentText(const SourceFrame& frame) {
    return latitudeText(northEdgeDeg(frame)) + " to " + latitudeText(southEdgeDeg(frame)) + ", " +
           longitudeText(westEdgeDeg(frame)) + " to " + longitudeText(eastEdgeDeg(frame));
}

std::optional<SourceCell> sourceCellAt(double lat, double lon, const SourceFrame& frame) {
    const double row = std::floor(cellsFromEdge(northEdgeDeg(frame) - lat));
    const double col = std::floor(cellsFromEdge(lon - westEdgeDeg(frame)));
    // Written so that a NaN fails too.
    if (!(row >= 0 && row < frame.rows && col >= 0 && col < frame.cols)) return std::nullopt;
    return SourceCell{static_cast<std::int32_t>(row), static_cast<std::int32_t>(col)};
}

}  // namespace drainPrep
