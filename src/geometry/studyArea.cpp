#include "geometry/studyArea.hpp"

#include <cmath>
#include <cstdlib>

#include "geometry/sourceFrame.hpp"
#include "text/numberText.hpp"

namespace drainPrep {

namespace {

// Truncation toward zero of a value known to be far inside the 64-bit range:
// corners are 32-bit degrees, so the quotient stays below 2^43.
std::int64_t truncatedOffset(double cellsFromEdge) {
    return static_cast<std::int64_t>(cellsFromEdge + 0.5);
}

// Centres in half cells from the equator or the prime meridian: odd on the
// edge lattice, even on the centre lattice, exact on both.
std::int64_t centreHalfCellsLat(const StudyArea& area, std::int32_t row) {
    const std::int64_t northLine = std::int64_t{area.latNW} * area.lattice.perDegree - row;
    return 2 * northLine - (area.lattice.origin == LatticeOrigin::edgesOnDegrees ? 1 : 0);
}

std::int64_t centreHalfCellsLon(const StudyArea& area, std::int32_t col) {
    const std::int64_t westLine = std::int64_t{area.lonNW} * area.lattice.perDegree + col;
    return 2 * westLine + (area.lattice.origin == LatticeOrigin::edgesOnDegrees ? 1 : 0);
}

constexpr std::int64_t arcSecondsPerHalfDegree = arcSecondsPerDegree / 2;

double arcSecondsOfHalfCells(std::int64_t halfCells, std::int32_t perDegree) {
    return static_cast<double>(halfCells * arcSecondsPerHalfDegree) / perDegree;
}

std::int32_t roundedArcSecondsOfHalfCells(std::int64_t halfCells, std::int32_t perDegree) {
    const std::int64_t arcSeconds = halfCells * arcSecondsPerHalfDegree;
    const std::int64_t whole = arcSeconds / perDegree;
    const std::int64_t rest = arcSeconds % perDegree;
    const std::int64_t awayFromZero = arcSeconds < 0 ? -1 : 1;
    return static_cast<std::int32_t>(2 * std::llabs(rest) >= perDegree ? whole + awayFromZero
                                                                       : whole);
}

// The powers of ten that take `coarse` to at least `fine`.
int decimalsBetween(std::int64_t coarse, std::int64_t fine) {
    int decimals = 0;
    for (std::int64_t tens = coarse; tens < fine; tens *= 10) ++decimals;
    return decimals;
}

}  // namespace

double cellDegrees(const CellLattice& lattice) { return 1.0 / lattice.perDegree; }

std::string cellSizeText(const CellLattice& lattice) {
    const std::int32_t n = lattice.perDegree;
    if (n == 1) return "1 degree";
    const bool inMinutes = n <= 60;
    const std::int32_t unitsPerDegree = inMinutes ? 60 : arcSecondsPerDegree;
    const std::string size = numberText(static_cast<double>(unitsPerDegree) / n);
    const char* unit = inMinutes ? " arc-minute" : " arc-second";
    return size + unit + (n == unitsPerDegree ? "" : "s");
}

double originShiftCells(const CellLattice& lattice) {
    return lattice.origin == LatticeOrigin::centresOnDegrees ? 0.5 : 0.0;
}

std::int64_t northEdgeHalfCells(std::int64_t line, const CellLattice& lattice) {
    return 2 * line + (lattice.origin == LatticeOrigin::centresOnDegrees ? 1 : 0);
}

std::int64_t westEdgeHalfCells(std::int64_t line, const CellLattice& lattice) {
    return 2 * line - (lattice.origin == LatticeOrigin::centresOnDegrees ? 1 : 0);
}

int tenthOfCellDecimals(const CellLattice& lattice) {
    return 1 + decimalsBetween(1, lattice.perDegree);
}

int finerKmDecimals(const CellLattice& lattice) {
    return decimalsBetween(cellsPerDegree, lattice.perDegree);
}

// A cell's area goes with the square of its side.
int finerKm2Decimals(const CellLattice& lattice) {
    const std::int64_t perDegree = lattice.perDegree;
    return decimalsBetween(std::int64_t{cellsPerDegree} * cellsPerDegree, perDegree * perDegree);
}

ClipOffsets clipOffsets(const StudyArea& area) {
    const double latC = area.latNW - cellSizeDeg / 2.0;
    const double lonC = area.lonNW + cellSizeDeg / 2.0;
    return {truncatedOffset((sourceLat0 - latC) / cellSizeDeg),
            truncatedOffset((lonC - sourceLon0) / cellSizeDeg)};
}

bool liesInsideSourceGrid(const StudyArea& area) { return liesInsideFrame(area, fixedSourceFrame); }

double southEdgeLat(const StudyArea& area) {
    const double rows = area.nrows - originShiftCells(area.lattice);
    return area.latNW - rows / area.lattice.perDegree;
}

// In half cells, where every edge of either lattice is whole.
const char* globeEdgePassedByCells(const StudyArea& area) {
    const std::int64_t perDegree = area.lattice.perDegree;
    const std::int64_t north = northEdgeHalfCells(area.latNW * perDegree, area.lattice);
    const std::int64_t south = north - 2 * std::int64_t{area.nrows};
    const std::int64_t west = westEdgeHalfCells(area.lonNW * perDegree, area.lattice);
    const std::int64_t east = west + 2 * std::int64_t{area.ncols};
    if (north > 180 * perDegree) return "90 N";
    if (south < -180 * perDegree) return "90 S";
    if (west < -360 * perDegree) return "180 W";
    if (east > 360 * perDegree) return "180 E";
    return nullptr;
}

double westEdgeLon(const StudyArea& area) {
    return area.lonNW - originShiftCells(area.lattice) / area.lattice.perDegree;
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

double centreLatArcSeconds(const StudyArea& area, std::int32_t row) {
    return arcSecondsOfHalfCells(centreHalfCellsLat(area, row), area.lattice.perDegree);
}

double centreLonArcSeconds(const StudyArea& area, std::int32_t col) {
    return arcSecondsOfHalfCells(centreHalfCellsLon(area, col), area.lattice.perDegree);
}

std::int32_t roundedCentreLat(const StudyArea& area, std::int32_t row) {
    return roundedArcSecondsOfHalfCells(centreHalfCellsLat(area, row), area.lattice.perDegree);
}

std::int32_t roundedCentreLon(const StudyArea& area, std::int32_t col) {
    return roundedArcSecondsOfHalfCells(centreHalfCellsLon(area, col), area.lattice.perDegree);
}

double centreLatDegrees(const StudyArea& area, std::int32_t row) {
    return static_cast<double>(centreHalfCellsLat(area, row)) / (2.0 * area.lattice.perDegree);
}

double centreLonDegrees(const StudyArea& area, std::int32_t col) {
    return static_cast<double>(centreHalfCellsLon(area, col)) / (2.0 * area.lattice.perDegree);
}

double northEdgeLat(const StudyArea& area) {
    return area.latNW + originShiftCells(area.lattice) / area.lattice.perDegree;
}

double eastEdgeLon(const StudyArea& area) {
    const double cols = area.ncols - originShiftCells(area.lattice);
    return area.lonNW + cols / area.lattice.perDegree;
}

double rowLengthEastWest(const StudyArea& area, std::int32_t row) {
    return cellLengthEastWest(centreLatArcSeconds(area, row), area.lattice);
}

// The ratio first: at 30" it is exactly 1, and the length exactly 926.6 m.
double cellLengthNorthSouthOf(const CellLattice& lattice) {
    return cellLengthNorthSouth * (static_cast<double>(cellsPerDegree) / lattice.perDegree);
}

double cellLengthEastWest(double latArcSeconds, const CellLattice& lattice) {
    constexpr double piAsTaken = 3.14;
    return std::cos(latArcSeconds / 3600.0 / 180.0 * piAsTaken) * cellLengthNorthSouthOf(lattice);
}

GridPlace placeOfStudyArea(const StudyArea& area) {
    return {area.nrows, area.ncols, westEdgeLon(area), northEdgeLat(area),
            cellDegrees(area.lattice)};
}

double cellAreaKm2AtLat(double centreLatArcSeconds, const CellLattice& lattice) {
    constexpr double squareMetresPerKm2 = 1e6;
    return cellLengthNorthSouthOf(lattice) * cellLengthEastWest(centreLatArcSeconds, lattice) /
           squareMetresPerKm2;
}

double cellAreaKm2(const StudyArea& area, std::int32_t row) {
    return cellAreaKm2AtLat(centreLatArcSeconds(area, row), area.lattice);
}

}  // namespace drainPrep
