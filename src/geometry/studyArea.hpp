// Geometry of the study area inside the continental source grid, shared by
// every executable: the corner and offsets, the numbers of the ASCII headers,
// cell centres and cell lengths.
//
// The source rasters cover 60N..10S and 55E..180E at 30 arc-seconds
// (8400 x 15000 cells). A study area is a whole-cell rectangle of that grid,
// given by its size and the whole-degree coordinates of its north-west corner.
#pragma once

#include <cstdint>

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

struct StudyArea {
    std::int32_t nrows = 0;
    std::int32_t ncols = 0;
    std::int32_t latNW = 0;  // whole degrees, north positive
    std::int32_t lonNW = 0;  // whole degrees, east positive

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

// Latitude of the study area's south edge, taken at exactly 120 rows a degree.
double southEdgeLat(const StudyArea& area);

// Cell centres in whole arc-seconds, north and east positive. sizeFactor is
// the cell size in units of 30 arc-seconds; a run always uses 1.
std::int32_t cellCentreLat(std::int32_t latNW, std::int32_t row, std::int32_t sizeFactor = 1);
std::int32_t cellCentreLon(std::int32_t lonNW, std::int32_t col, std::int32_t sizeFactor = 1);

// North-south length of every cell, metres.
constexpr double cellLengthNorthSouth = 926.6;

// East-west length of a cell whose centre lies at latArcSeconds, metres. Pi is
// taken as 3.14, the model's convention: its slopes and areas rest on it.
double cellLengthEastWest(std::int32_t latArcSeconds);

// Where a geographic grid on WGS 84 lies, north up: its size, the north-west
// corner of its first cell and its cell size, in degrees, as exact doubles.
struct GridPlace {
    std::int32_t rows = 0;
    std::int32_t cols = 0;
    double westDeg = 0.0;
    double northDeg = 0.0;
    double cellDeg = 0.0;
};

// The study area's exact place: its whole-degree corner and cells of exactly
// 1/120 degree. The ASCII headers' six-digit numbers would put a grid metres
// off its true corner.
GridPlace placeOfStudyArea(const StudyArea& area);

// Area of a cell whose centre lies at centreLatArcSeconds, km², from the two
// lengths above: the one cell area of every tool.
double cellAreaKm2AtLat(std::int32_t centreLatArcSeconds);

// Area of a cell of the study area's row, km².
double cellAreaKm2(std::int32_t latNW, std::int32_t row);

}  // namespace drainPrep
