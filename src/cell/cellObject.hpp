// The record of one cell of the study area and its per-cell operations.
//
// Links are non-owning pointers into the CellGrid, which is allocated once
// and never moves. Each operation acts on one cell and its direct links; the
// whole-grid sweeps decide which cells are treated and in which order.
#pragma once

#include <cstdint>
#include <iosfwd>

#include "cell/directions.hpp"
#include "cell/outletRule.hpp"
#include "geometry/studyArea.hpp"
#include "raster/grid.hpp"

namespace drainPrep {

// A cell can receive flow from all eight neighbours (an outlet or sink at
// the bottom of a pit), so the upstream list has a slot for each of them.
constexpr int upSlotCount = 8;

// East-west, north-south and straight-line distances in metres from a cell to
// each of its eight neighbours, as calcSlope takes them.
struct NeighbourDistances {
    double distX[directionCount];
    double distY[directionCount];
    double distXY[directionCount];
};

struct cellObject {
    std::int32_t lat;        // centre latitude, whole arc-seconds (rounded below 30"), north +
    std::int32_t lon;        // centre longitude, whole arc-seconds (rounded below 30"), east +
    std::int32_t dir;        // raw source code, then the internal code
    std::int32_t distance;   // steps along down to the outlet; -1 when unreached
    std::int32_t basinSize;  // cells draining through this one, itself included
    std::int32_t riverNum;   // number of the outlet of the basin; -1 for none
    double dx;               // east-west length in metres
    double elev;             // metres; -9999.0 for no data
    cellObject* neighbor[directionCount];  // N, NE, E, SE, S, SW, W, NW
    cellObject* up[upSlotCount];           // registered inflows, from slot 0
    cellObject* down;
    std::int32_t nNoData;
    double dy;
    double slope[directionCount];
    double distX;
    double distY;
    double distXY;
    double maxSlope;

    // Placement and linking. A cell's lengths, dx and dy, are those of the
    // area's lattice at the cell's exact centre.
    void setLocation(std::int32_t row, std::int32_t col, const StudyArea& area,
                     std::int32_t elevation, std::int32_t rawDirection);
    // The same for a cell in the row of `placed`, whose centre latitude and
    // lengths it shares: a sweep takes the cosine once a row.
    void setLocationInRowOf(const cellObject& placed, std::int32_t col, const StudyArea& area,
                            std::int32_t elevation, std::int32_t rawDirection);
    void init();
    void setNeighbors(Grid<cellObject>& cells, std::int32_t row, std::int32_t col);

    // Terrain; each needs the eight neighbour links.
    // The cell has no flow: its elevation becomes no data, and the neighbours
    // that the rule stops here become outlets.
    void markSeaNeighbors(OutletRule rule = OutletRule::coast);
    void countNoData();
    // The distances depend only on the cell's row (its own dx and dy, and
    // the steps to its neighbours), so a sweep takes them once a row from any
    // cell of it.
    NeighbourDistances neighbourDistances() const;
    void calcSlope(const NeighbourDistances& distances);
    void checkPit(std::ostream& console) const;

    // Drainage.
    void setDown();
    void registerUp();
    void pruneOutlet();
    void passDistance() const;
    void addUpstream();
    void propagateRiverNum();
};

using CellGrid = Grid<cellObject>;

}  // namespace drainPrep
