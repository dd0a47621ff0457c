#include "cell/cellObject.hpp"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <ostream>

#include "geometry/studyArea.hpp"
#include "text/numberText.hpp"

namespace drainPrep {

namespace {

constexpr double slopeFloor = -50000.0;
constexpr double pitThreshold = 0.0;

bool hasNoData(const cellObject* cell) { return cell->elev == noDataElevation; }

void placeInColumn(cellObject& cell, std::int32_t col, const StudyArea& area,
                   std::int32_t elevation, std::int32_t rawDirection) {
    cell.lon = roundedCentreLon(area, col);
    cell.elev = elevation;
    cell.dir = rawDirection;
}

bool isUnnumberedWithDown(const cellObject* cell) {
    return cell->riverNum == -1 && cell->down != nullptr;
}

}  // namespace

void cellObject::setLocation(std::int32_t row, std::int32_t col, const StudyArea& area,
                             std::int32_t elevation, std::int32_t rawDirection) {
    lat = roundedCentreLat(area, row);
    dx = cellLengthEastWest(centreLatArcSeconds(area, row), area.lattice);
    dy = cellLengthNorthSouthOf(area.lattice);
    placeInColumn(*this, col, area, elevation, rawDirection);
}

void cellObject::setLocationInRowOf(const cellObject& placed, std::int32_t col,
                                    const StudyArea& area, std::int32_t elevation,
                                    std::int32_t rawDirection) {
    lat = placed.lat;
    dx = placed.dx;
    dy = placed.dy;
    placeInColumn(*this, col, area, elevation, rawDirection);
}

void cellObject::init() {
    distance = -1;
    basinSize = 1;
    riverNum = -1;
    down = nullptr;
    for (cellObject*& link : neighbor) link = nullptr;
    for (cellObject*& link : up) link = nullptr;
}

void cellObject::setNeighbors(Grid<cellObject>& cells, std::int32_t row, std::int32_t col) {
    for (int k = 0; k < directionCount; ++k) {
        neighbor[k] = &cells[row + flowDirections[k].rowOffset][col + flowDirections[k].colOffset];
    }
}

void cellObject::markSeaNeighbors(OutletRule rule) {
    elev = noDataElevation;
    markBesideNoFlow(rule, [this](int k) -> std::int32_t& { return neighbor[k]->dir; });
}

void cellObject::countNoData() {
    nNoData = 0;
    for (const cellObject* next : neighbor) {
        if (hasNoData(next)) ++nNoData;
    }
}

NeighbourDistances cellObject::neighbourDistances() const {
    NeighbourDistances distances;
    // Steps counted in 30" units and divided back: a 30" run's slopes stay
    // those of its arc-second differences to the last bit.
    constexpr double unitsPerStep = arcSecondsPerCell;
    for (int k = 0; k < directionCount; ++k) {
        const double unitsEast = std::abs(flowDirections[k].colOffset) * unitsPerStep;
        const double unitsNorth = std::abs(flowDirections[k].rowOffset) * unitsPerStep;
        distances.distX[k] = unitsEast * dx / unitsPerStep;
        distances.distY[k] = unitsNorth * dy / unitsPerStep;
        distances.distXY[k] = std::sqrt(distances.distX[k] * distances.distX[k] +
                                        distances.distY[k] * distances.distY[k]);
    }
    return distances;
}

// The working values distX, distY and distXY end as those of the last
// neighbour with data. The eight divisions are done apart from the tests, so
// that they can run side by side; a quotient for a neighbour without data is
// dropped unseen.
void cellObject::calcSlope(const NeighbourDistances& distances) {
    double drop[directionCount];
    bool withData[directionCount];
    for (int k = 0; k < directionCount; ++k) {
        const double neighbourElev = neighbor[k]->elev;
        withData[k] = neighbourElev != noDataElevation;
        drop[k] = elev - neighbourElev;
    }
    double quotient[directionCount];
    for (int k = 0; k < directionCount; ++k) quotient[k] = drop[k] / distances.distXY[k];
    double steepest = slopeFloor;
    int lastWithData = -1;
    for (int k = 0; k < directionCount; ++k) {
        if (!withData[k]) continue;
        slope[k] = quotient[k];
        if (quotient[k] > steepest) steepest = quotient[k];
        lastWithData = k;
    }
    maxSlope = steepest;
    if (lastWithData < 0) return;
    distX = distances.distX[lastWithData];
    distY = distances.distY[lastWithData];
    distXY = distances.distXY[lastWithData];
}

void cellObject::checkPit(std::ostream& console) const {
    if (maxSlope > pitThreshold || nNoData != 0) return;
    static constexpr char note[] = "check the elevation \n";
    char report[directionCount * (maxNumberChars + sizeof note)];
    char* end = report;
    for (const cellObject* next : neighbor) {
        end = writeNumber(end, next->elev);
        end = std::copy(std::begin(note), std::end(note) - 1, end);
    }
    console.write(report, end - report);
}

void cellObject::setDown() {
    down = (dir >= 1 && dir <= directionCount) ? neighbor[dir - 1] : nullptr;
}

void cellObject::registerUp() {
    for (cellObject*& slot : down->up) {
        if (slot == nullptr) {
            slot = this;
            return;
        }
    }
}

void cellObject::pruneOutlet() {
    for (const cellObject* upstream : up) {
        if (upstream != nullptr) return;
    }
    dir = noFlowCode;
    elev = noDataElevation;
    basinSize = -1;
}

void cellObject::passDistance() const {
    for (cellObject* upstream : up) {
        if (upstream != nullptr) upstream->distance = distance + 1;
    }
}

void cellObject::addUpstream() {
    for (const cellObject* upstream : up) {
        if (upstream != nullptr) basinSize += upstream->basinSize;
    }
}

// Hands the number of the first numbered cell below this one to every cell
// on the way. A path that closes on itself is found by a second pointer
// moving twice as fast (it meets the first one only on a loop), so every
// walk ends; cells on or above a loop keep -1.
void cellObject::propagateRiverNum() {
    cellObject* stop = this;
    cellObject* fast = this;
    while (isUnnumberedWithDown(stop)) {
        stop = stop->down;
        for (int stepOfFast = 0; stepOfFast < 2 && isUnnumberedWithDown(fast); ++stepOfFast) {
            fast = fast->down;
        }
        if (fast == stop && isUnnumberedWithDown(stop)) return;
    }
    const std::int32_t found = stop->riverNum;
    if (found == -1) return;
    for (cellObject* cell = this; isUnnumberedWithDown(cell); cell = cell->down) {
        cell->riverNum = found;
    }
}

}  // namespace drainPrep
