// Geometry of the study area inside its source grid, shared by every
// executable: the cell lattice, the corner and offsets, the numbers of the
// ASCII headers, cell centres and cell lengths.
//
// The fixed source rasters cover 60N..10S and 55E..180E at 30 arc-seconds
// (8400 x 15000 cells). A study area is a whole-cell rectangle of its source
// grid, given by its size and the whole-degree coordinates of its north-west
// corner; other sources bring cells of 1/n degree on one of two lattices.
#pragma once

#include <cstdint>
#include <string>

namespace drainPrep {

constexpr std::int32_t sourceRows = 8400;
constexpr std::int32_t sourceCols = 15000;

// The six-digit decimal, not 1/120: the offsets and the ASCII headers
// depend on this exact double.
constexpr double cellSizeDeg = 0.00833333;
constexpr double sourceNorthEdge = 60.0;
constexpr double sourceWestEdge = 55.0;
constexpr double sourceLat0 = sourceNorthEdge - cellSizeDeg / 2.0;
constexpr double sourceLon0 = sourceWestEdge + cellSizeDeg / 2.0;
constexpr double rowsPerDegree = 120.0;
constexpr std::int32_t arcSecondsPerCell = 30;
constexpr std::int32_t arcSecondsPerDegree = 3600;
// A whole-degree corner lies on every 120th row and column of the source grid.
constexpr std::int32_t cellsPerDegree = arcSecondsPerDegree / arcSecondsPerCell;

// Where whole degrees fall on a source's cells: on cell edges (HydroSHEDS,
// MERIT Hydro) or on cell centres (SRTM, Copernicus and ASTER tiles, which
// reach half a cell past their degrees).
enum class LatticeOrigin { edgesOnDegrees, centresOnDegrees };

// The cells of a source: 1/perDegree degree square, placed by their origin.
struct CellLattice {
    std::int32_t perDegree = cellsPerDegree;
    LatticeOrigin origin = LatticeOrigin::edgesOnDegrees;

    bool operator==(const CellLattice& other) const {
        return perDegree == other.perDegree && origin == other.origin;
    }
    bool operator!=(const CellLattice& other) const { return !(*this == other); }
};

// The fixed pair's lattice, whose runs keep their six-digit headers.
inline constexpr CellLattice thirtySecondLattice{};

// Cells of 5' down to 1" per degree side.
constexpr std::int32_t fewestCellsPerDegree = 12;
constexpr std::int32_t mostCellsPerDegree = 3600;

// The cell side in degrees, the nearest double to 1/n.
double cellDegrees(const CellLattice& lattice);

// "30 arc-seconds", "7.5 arc-seconds", "1 arc-minute", "2.5 arc-minutes",
// "1 degree": a cell side as people name it, in minutes from a minute up, so
// that model cells of many source cells read as they always have.
std::string cellSizeText(const CellLattice& lattice);

// How far, in cells, the edges of a lattice's cells lie north and west of
// the whole-cell lines (k / n degrees): none on the edge lattice, half a cell
// on the centre lattice, whose cell k / n degrees north holds that line.
double originShiftCells(const CellLattice& lattice);

// Cell edges in half cells from the equator or the prime meridian, where the
// edges of both lattices are whole numbers: the north edge and the west edge
// of the cell on lattice line `line` (line / n degrees).
std::int64_t northEdgeHalfCells(std::int64_t line, const CellLattice& lattice);
std::int64_t westEdgeHalfCells(std::int64_t line, const CellLattice& lattice);

// Decimals of a degree that tell a tenth of the lattice's cell: 4 at 30",
// 5 at 3" and 1", 3 at 5'.
int tenthOfCellDecimals(const CellLattice& lattice);

// Decimals that lengths and areas need beyond those that suit 30" cells, to
// tell the same share of a smaller cell: none at 30" and above; for km 1 at
// 15" and 3", 2 at 1"; for km² 1 at 15", 2 at 3", 3 at 1".
int finerKmDecimals(const CellLattice& lattice);
int finerKm2Decimals(const CellLattice& lattice);

struct StudyArea {
    std::int32_t nrows = 0;
    std::int32_t ncols = 0;
    std::int32_t latNW = 0;  // whole degrees, north positive
    std::int32_t lonNW = 0;  // whole degrees, east positive
    // The source's cells; on the centre lattice the area starts at the cell
    // that holds its corner point.
    CellLattice lattice;

    std::int64_t cellCount() const { return std::int64_t{nrows} * ncols; }
};

struct ClipOffsets {
    std::int64_t rowOffset = 0;
    std::int64_t colOffset = 0;
};

// Position of the study area's first cell in the source grid. Computed in
// 64 bits so that any corner a 32-bit field can hold yields a checkable value.
ClipOffsets clipOffsets(const StudyArea& area);

bool liesInsideSourceGrid(const StudyArea& area);

// Latitude of the study area's south edge, taken at exactly n rows a degree
// (120 on the 30" lattice).
double southEdgeLat(const StudyArea& area);

// "90 N", "90 S", "180 W" or "180 E" where the area's cells reach past the
// globe (half cells of the centre lattice), else nothing.
const char* globeEdgePassedByCells(const StudyArea& area);

// Longitude of the study area's west edge: its corner on the edge lattice,
// half a cell west of it on the centre lattice.
double westEdgeLon(const StudyArea& area);

// Cell centres in whole arc-seconds, north and east positive. sizeFactor is
// the cell size in units of 30 arc-seconds; a run always uses 1.
std::int32_t cellCentreLat(std::int32_t latNW, std::int32_t row, std::int32_t sizeFactor = 1);
std::int32_t cellCentreLon(std::int32_t lonNW, std::int32_t col, std::int32_t sizeFactor = 1);

// Centres of the study area's cells on its lattice, exactly: below 30" a
// centre is no whole arc-second, but always a whole number of half cells.
// Arc-seconds as the nearest double (exact whenever they are whole), and in
// whole arc-seconds rounded half away from zero, as the outlet list gives
// them (the exact centre on the 30" lattice).
double centreLatArcSeconds(const StudyArea& area, std::int32_t row);
double centreLonArcSeconds(const StudyArea& area, std::int32_t col);
std::int32_t roundedCentreLat(const StudyArea& area, std::int32_t row);
std::int32_t roundedCentreLon(const StudyArea& area, std::int32_t col);

// The same in degrees, exact to the double: for coordinates people read.
double centreLatDegrees(const StudyArea& area, std::int32_t row);
double centreLonDegrees(const StudyArea& area, std::int32_t col);

// The study area's north and east edges, degrees.
double northEdgeLat(const StudyArea& area);
double eastEdgeLon(const StudyArea& area);

// North-south length of a 30" cell, metres.
constexpr double cellLengthNorthSouth = 926.6;

// North-south length of the lattice's cells, metres: 926.6 m scaled by the
// cell size over 30".
double cellLengthNorthSouthOf(const CellLattice& lattice);

// East-west length of a cell whose centre lies at latArcSeconds, metres. Pi is
// taken as 3.14, the model's convention: its slopes and areas rest on it.
double cellLengthEastWest(double latArcSeconds, const CellLattice& lattice = thirtySecondLattice);

// East-west length of the cells of the study area's row, metres.
double rowLengthEastWest(const StudyArea& area, std::int32_t row);

// Where a geographic grid on WGS 84 lies, north up: its size, the north-west
// corner of its first cell and its cell size, in degrees, as exact doubles.
struct GridPlace {
    std::int32_t rows = 0;
    std::int32_t cols = 0;
    double westDeg = 0.0;
    double northDeg = 0.0;
    double cellDeg = 0.0;
};

// The study area's exact place: the corner of its first cell and cells of
// exactly 1/n degree. The 30" ASCII headers' six-digit numbers would put a
// grid metres off its true corner.
GridPlace placeOfStudyArea(const StudyArea& area);

// Area of a cell whose centre lies at centreLatArcSeconds, km², from the
// lengths above: the one cell area of every tool.
double cellAreaKm2AtLat(double centreLatArcSeconds,
                        const CellLattice& lattice = thirtySecondLattice);

// Area of a cell of the study area's row, km².
double cellAreaKm2(const StudyArea& area, std::int32_t row);

}  // namespace drainPrep
