#include "geometry/sourceFrame.hpp"

#include <cmath>

#include "text/numberText.hpp"

namespace drainPrep {

namespace {

double cellsToDegrees(double cells, const SourceFrame& frame) {
    return cells / static_cast<double>(frame.lattice.perDegree);
}

// Three digits of whole degrees, and decimals that keep a tenth of a cell:
// seven digits at 30", eight at 3" and 1".
int degreeDigits(const CellLattice& lattice) {
    return 3 + static_cast<int>(std::ceil(std::log10(20.0 * lattice.perDegree)));
}

std::string hemisphereText(double degrees, const CellLattice& lattice, const char* positive,
                           const char* negative) {
    const double magnitude = degrees == 0.0 ? 0.0 : std::fabs(degrees);
    return significantText(magnitude, degreeDigits(lattice)) + (degrees < 0 ? negative : positive);
}

// Far below the precision of any point typed in degrees, far above the
// rounding of its decimal.
constexpr double onBoundary = 1e-6;

// Cells from the grid's north or west edge to the point, as a whole number
// where the point lies on the line between two cells: the decimal of the
// point (45.1 or 45.3) must not decide the side.
double cellsFromEdge(double degrees, const CellLattice& lattice) {
    const double cells = degrees * lattice.perDegree;
    const double nearestLine = std::round(cells);
    return std::fabs(cells - nearestLine) < onBoundary ? nearestLine : cells;
}

}  // namespace

ClipOffsets offsetsInFrame(const StudyArea& area, const SourceFrame& frame) {
    const std::int64_t perDegree = frame.lattice.perDegree;
    return {frame.northEdgeCells - area.latNW * perDegree,
            area.lonNW * perDegree - frame.westEdgeCells};
}

bool liesInsideFrame(const StudyArea& area, const SourceFrame& frame) {
    const ClipOffsets offsets = offsetsInFrame(area, frame);
    return offsets.rowOffset >= 0 && offsets.colOffset >= 0 &&
           offsets.rowOffset + area.nrows <= frame.rows &&
           offsets.colOffset + area.ncols <= frame.cols;
}

double rowCentreLat(const SourceFrame& frame, std::int32_t row) {
    const double cellsNorth =
        static_cast<double>(frame.northEdgeCells - row) - 0.5 + originShiftCells(frame.lattice);
    return cellsNorth * arcSecondsPerDegree / frame.lattice.perDegree;
}

double northEdgeDeg(const SourceFrame& frame) {
    return cellsToDegrees(
        static_cast<double>(frame.northEdgeCells) + originShiftCells(frame.lattice), frame);
}

double southEdgeDeg(const SourceFrame& frame) {
    return cellsToDegrees(
        static_cast<double>(frame.northEdgeCells - frame.rows) + originShiftCells(frame.lattice),
        frame);
}

double westEdgeDeg(const SourceFrame& frame) {
    return cellsToDegrees(
        static_cast<double>(frame.westEdgeCells) - originShiftCells(frame.lattice), frame);
}

double eastEdgeDeg(const SourceFrame& frame) {
    return cellsToDegrees(
        static_cast<double>(frame.westEdgeCells + frame.cols) - originShiftCells(frame.lattice),
        frame);
}

std::string latitudeText(double degrees, const CellLattice& lattice) {
    return hemisphereText(degrees, lattice, " N", " S");
}

std::string longitudeText(double degrees, const CellLattice& lattice) {
    return hemisphereText(degrees, lattice, " E", " W");
}

std::string extentText(const SourceFrame& frame) {
    const CellLattice& lattice = frame.lattice;
    return latitudeText(northEdgeDeg(frame), lattice) + " to " +
           latitudeText(southEdgeDeg(frame), lattice) + ", " +
           longitudeText(westEdgeDeg(frame), lattice) + " to " +
           longitudeText(eastEdgeDeg(frame), lattice);
}

std::optional<SourceCell> sourceCellAt(double lat, double lon, const SourceFrame& frame) {
    const double row = std::floor(cellsFromEdge(northEdgeDeg(frame) - lat, frame.lattice));
    const double col = std::floor(cellsFromEdge(lon - westEdgeDeg(frame), frame.lattice));
    // Written so that a NaN fails too.
    if (!(row >= 0 && row < frame.rows && col >= 0 && col < frame.cols)) return std::nullopt;
    return SourceCell{static_cast<std::int32_t>(row), static_cast<std::int32_t>(col)};
}

}  // namespace drainPrep
