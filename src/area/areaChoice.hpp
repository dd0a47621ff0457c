// From a point and its basin to the study area: the source cell of the point,
// the smallest clipArea.dat that holds the basin, and the memory a drainPrep
// run of it needs.
#pragma once

#include <cstdint>
#include <optional>

#include "area/basin.hpp"
#include "area/flowGrid.hpp"
#include "geometry/sourceFrame.hpp"
#include "driver/memoryPlan.hpp"

namespace drainPrep {

// drainPrep gives the area's first and second rows and columns (and the
// last two) no basin of their own: the frame ring has no data, and a cell on
// the outlet ring is an outlet that cuts off what flows into it.
constexpr std::int32_t ringCells = 2;

struct AreaChoice {
    StudyArea area;
    // False when the basin comes within the rings of the source grid's edge:
    // the area is then the best there is, clipped to the source grid.
    bool holdsBasin = false;
};

// The corner on whole degrees as clipArea.dat needs it, as far south and east
// as the rings allow and inside the frame; rows and columns as few as they
// allow.
AreaChoice smallestAreaHolding(const CellExtent& basin,
                               const SourceFrame& frame = fixedSourceFrame);

// Whole degrees, north and east positive.
struct DegreeBox {
    std::int32_t west = 0;
    std::int32_t south = 0;
    std::int32_t east = 0;
    std::int32_t north = 0;
};

// The source's extent widened to whole degrees that hold the basin and its
// rings, within the globe: what a source padded with no data must cover for
// an area to hold the basin.
DegreeBox paddedSourceExtent(const CellExtent& basin, const SourceFrame& frame);

// The edge of the globe that the basin and its rings would need to cross,
// "180 E", "180 W", "90 N" or "90 S", where no padding helps; or none.
const char* globeEdgeCrossed(const CellExtent& basin, const SourceFrame& frame);

struct RunMemory {
    std::uint64_t bytes = 0;
    RecordPlace place = RecordPlace::nowhere;  // where its cell records would live
};

// drainPrep's own memory plan for the area, so that the two never disagree;
// `heldBesides` as the plan takes it (GDAL's block cache for a pair given).
RunMemory memoryOfRun(const StudyArea& area, std::uint64_t heldBesides = 0);

}  // namespace drainPrep
