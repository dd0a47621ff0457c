// Where a source grid lies: its size, its cell lattice, and its north-west
// corner in whole cells of that lattice from the equator and the prime
// meridian (on the centre lattice the grid reaches half a cell further north
// and west). The fixed continental pair is the default; any other grid on
// one of the lattices (read through GDAL) is a frame of its own.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "geometry/studyArea.hpp"

namespace drainPrep {

struct SourceFrame {
    std::int32_t rows = sourceRows;
    std::int32_t cols = sourceCols;
    std::int64_t northEdgeCells = static_cast<std::int64_t>(sourceNorthEdge) * cellsPerDegree;
    std::int64_t westEdgeCells = static_cast<std::int64_t>(sourceWestEdge) * cellsPerDegree;
    CellLattice lattice;

    bool operator==(const SourceFrame& other) const {
        return rows == other.rows && cols == other.cols && northEdgeCells == other.northEdgeCells &&
               westEdgeCells == other.westEdgeCells && lattice == other.lattice;
    }
    bool operator!=(const SourceFrame& other) const { return !(*this == other); }
};

inline constexpr SourceFrame fixedSourceFrame{};

// Row 0 in the north, column 0 in the west.
struct SourceCell {
    std::int32_t row = 0;
    std::int32_t col = 0;

    bool operator==(const SourceCell& other) const { return row == other.row && col == other.col; }
};

// A block of a grid's cells: its north-west cell and its size.
struct CellWindow {
    SourceCell first;
    std::int32_t rows = 0;
    std::int32_t cols = 0;
};

// Steps between two cells when a step may be diagonal.
inline std::int32_t cellsApart(SourceCell a, SourceCell b) {
    return std::max(std::abs(a.row - b.row), std::abs(a.col - b.col));
}

// Rows or columns of a grid, first and last inclusive.
struct Span {
    std::int32_t first;
    std::int32_t last;
};

// Those within radius of centre in a grid of size. Computed in 64 bits: the
// radius may be as large as the user likes.
inline Span spanAround(std::int32_t centre, std::int32_t radius, std::int32_t size) {
    return {
        static_cast<std::int32_t>(std::max<std::int64_t>(0, std::int64_t{centre} - radius)),
        static_cast<std::int32_t>(std::min<std::int64_t>(size - 1, std::int64_t{centre} + radius))};
}

// Decimal degrees, north and east positive. A point on the line between two
// cells lies in the cell south or east of it: a corner of cells names the
// cell whose north-west corner it is, as in clipArea.dat. Nothing for a point
// outside the source grid, whose south and east edges lie outside.
std::optional<SourceCell> sourceCellAt(double lat, double lon,
                                       const SourceFrame& frame = fixedSourceFrame);

// The study area's first cell in the frame (whose lattice it shares), in
// exact whole cells: whole-degree corners lie on the lattice. On the fixed
// frame this equals clipOffsets for every area inside it.
ClipOffsets offsetsInFrame(const StudyArea& area, const SourceFrame& frame);

bool liesInsideFrame(const StudyArea& area, const SourceFrame& frame);

// The study area as a frame of its own, for the coordinates of its cells.
inline SourceFrame frameOfArea(const StudyArea& area) {
    return {area.nrows, area.ncols, std::int64_t{area.latNW} * area.lattice.perDegree,
            std::int64_t{area.lonNW} * area.lattice.perDegree, area.lattice};
}

// Centre latitude of a source row in arc-seconds, north positive: the
// nearest double, exact when whole.
double rowCentreLat(const SourceFrame& frame, std::int32_t row);

// Edges in degrees, north and east positive.
double northEdgeDeg(const SourceFrame& frame);
double southEdgeDeg(const SourceFrame& frame);
double westEdgeDeg(const SourceFrame& frame);
double eastEdgeDeg(const SourceFrame& frame);

// "60 N to 10 S, 55 E to 180 E": the frame's extent as the messages give it.
std::string extentText(const SourceFrame& frame);

// A latitude or longitude with its hemisphere letter: "10 S", "8.25 W", with
// the decimals that name a tenth of the lattice's cell.
std::string latitudeText(double degrees, const CellLattice& lattice = thirtySecondLattice);
std::string longitudeText(double degrees, const CellLattice& lattice = thirtySecondLattice);

}  // namespace drainPrep
