// Where a source grid lies: its size and its north-west corner, in whole
// 30-arc-second cells from the equator and the prime meridian. The fixed
// continental pair is the default; any other 30" grid on the same lattice
// (read through GDAL) is a frame of its own.
#pragma once

#include <cstdint>
#include <string>

#include "geometry/studyArea.hpp"

namespace drainPrep {

struct SourceFrame {
    std::int32_t rows = sourceRows;
    std::int32_t cols = sourceCols;
    std::int64_t northEdgeCells = static_cast<std::int64_t>(sourceNorthEdge) * cellsPerDegree;
    std::int64_t westEdgeCells = static_cast<std::int64_t>(sourceWestEdge) * cellsPerDegree;

    bool operator==(const SourceFrame& other) const {
        return rows == other.rows && cols == other.cols && northEdgeCells == other.northEdgeCells &&
               westEdgeCells == other.westEdgeCells;
    }
    bool operator!=(const SourceFrame& other) const { return !(*this == other); }
};

inline constexpr SourceFrame fixedSourceFrame{};

// The study area's first cell in the frame, in exact whole cells: whole-degree
// corners lie on the lattice. On the fixed frame this equals clipOffsets for
// every area inside it.
ClipOffsets offsetsInFrame(const StudyArea& area, const SourceFrame& frame);

bool liesInsideFrame(const StudyArea& area, const SourceFrame& frame);

// Centre latitude of a source row in whole arc-seconds, north positive.
std::int32_t rowCentreLat(const SourceFrame& frame, std::int32_t row);

// Edges in degrees, north and east positive.
double northEdgeDeg(const SourceFrame& frame);
double southEdgeDeg(const SourceFrame& frame);
double westEdgeDeg(const SourceFrame& frame);
double eastEdgeDeg(const SourceFrame& frame);

// "60 N to 10 S, 55 E to 180 E": the frame's extent as the messages give it.
std::string extentText(const SourceFrame& frame);

// A latitude or longitude with its hemisphere letter: "10 S", "8.25 W".
std::string latitudeText(double degrees);
std::string longitudeText(double degrees);

}  // namespace drainPrep
