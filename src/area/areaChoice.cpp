#include "area/areaChoice.hpp"

#include <algorithm>

namespace drainPrep {

namespace {

std::int64_t floorDiv(std::int64_t value, std::int64_t divisor) {
    return value >= 0 ? value / divisor : -((-value + divisor - 1) / divisor);
}

std::int64_t ceilDiv(std::int64_t value, std::int64_t divisor) {
    return -floorDiv(-value, divisor);
}

// The whole degree at or north of the lattice line `northCells`, but not
// north of the frame.
std::int32_t wholeDegreeNorthOf(std::int64_t northCells, const SourceFrame& frame) {
    const std::int64_t perDegree = frame.lattice.perDegree;
    return static_cast<std::int32_t>(
        std::min(ceilDiv(northCells, perDegree), floorDiv(frame.northEdgeCells, perDegree)));
}

// The whole degree at or west of the lattice line `westCells`, but not west
// of the frame.
std::int32_t wholeDegreeWestOf(std::int64_t westCells, const SourceFrame& frame) {
    const std::int64_t perDegree = frame.lattice.perDegree;
    return static_cast<std::int32_t>(
        std::max(floorDiv(westCells, perDegree), ceilDiv(frame.westEdgeCells, perDegree)));
}

// The extent of the basin and its rings, in half cells.
struct HalfCellBox {
    std::int64_t west, south, east, north;
};

HalfCellBox basinWithRings(const CellExtent& basin, const SourceFrame& frame) {
    const CellLattice& lattice = frame.lattice;
    return {westEdgeHalfCells(frame.westEdgeCells + basin.firstCol - ringCells, lattice),
            northEdgeHalfCells(frame.northEdgeCells - (basin.lastRow + 1 + ringCells), lattice),
            westEdgeHalfCells(frame.westEdgeCells + basin.lastCol + 1 + ringCells, lattice),
            northEdgeHalfCells(frame.northEdgeCells - (basin.firstRow - ringCells), lattice)};
}

}  // namespace

AreaChoice smallestAreaHolding(const CellExtent& basin, const SourceFrame& frame) {
    const std::int32_t firstRow = std::max(basin.firstRow - ringCells, 0);
    const std::int32_t firstCol = std::max(basin.firstCol - ringCells, 0);
    const std::int32_t lastRow = std::min(basin.lastRow + ringCells, frame.rows - 1);
    const std::int32_t lastCol = std::min(basin.lastCol + ringCells, frame.cols - 1);
    AreaChoice choice;
    choice.area.lattice = frame.lattice;
    choice.area.latNW = wholeDegreeNorthOf(frame.northEdgeCells - firstRow, frame);
    choice.area.lonNW = wholeDegreeWestOf(frame.westEdgeCells + firstCol, frame);
    const ClipOffsets offsets = offsetsInFrame(choice.area, frame);
    choice.area.nrows = std::max(lastRow - static_cast<std::int32_t>(offsets.rowOffset) + 1, 0);
    choice.area.ncols = std::max(lastCol - static_cast<std::int32_t>(offsets.colOffset) + 1, 0);
    // A frame whose edge is off whole degrees may keep the corner from
    // reaching the basin's first rows or columns.
    choice.holdsBasin =
        firstRow == basin.firstRow - ringCells && firstCol == basin.firstCol - ringCells &&
        lastRow == basin.lastRow + ringCells && lastCol == basin.lastCol + ringCells &&
        offsets.rowOffset <= firstRow && offsets.colOffset <= firstCol;
    return choice;
}

const char* globeEdgeCrossed(const CellExtent& basin, const SourceFrame& frame) {
    const std::int64_t halfCellsPerDegree = 2 * std::int64_t{frame.lattice.perDegree};
    const HalfCellBox box = basinWithRings(basin, frame);
    if (box.east > 180 * halfCellsPerDegree) return "180 E";
    if (box.west < -180 * halfCellsPerDegree) return "180 W";
    if (box.north > 90 * halfCellsPerDegree) return "90 N";
    if (box.south < -90 * halfCellsPerDegree) return "90 S";
    return nullptr;
}

// Whole degrees that hold the lattice lines of the basin, its rings and the
// source: the cells' edges on the edge lattice, their centres on the centre
// lattice (whose padded tiles then reach half a cell past the degrees, as
// the source's own cells do).
DegreeBox paddedSourceExtent(const CellExtent& basin, const SourceFrame& frame) {
    const std::int64_t perDegree = frame.lattice.perDegree;
    const std::int64_t lastLine = frame.lattice.origin == LatticeOrigin::centresOnDegrees ? 1 : 0;
    const std::int64_t north =
        std::max(frame.northEdgeCells, frame.northEdgeCells - (basin.firstRow - ringCells));
    const std::int64_t south = std::min(frame.northEdgeCells - frame.rows,
                                        frame.northEdgeCells - (basin.lastRow + 1 + ringCells)) +
                               lastLine;
    const std::int64_t west =
        std::min(frame.westEdgeCells, frame.westEdgeCells + basin.firstCol - ringCells);
    const std::int64_t east = std::max(frame.westEdgeCells + frame.cols,
                                       frame.westEdgeCells + basin.lastCol + 1 + ringCells) -
                              lastLine;
    const std::int64_t globeLon = 180 * perDegree;
    const std::int64_t globeLat = 90 * perDegree;
    return {static_cast<std::int32_t>(floorDiv(std::max(west, -globeLon), perDegree)),
            static_cast<std::int32_t>(floorDiv(std::max(south, -globeLat), perDegree)),
            static_cast<std::int32_t>(ceilDiv(std::min(east, globeLon), perDegree)),
            static_cast<std::int32_t>(ceilDiv(std::min(north, globeLat), perDegree))};
}

// The one call of drainPrep's memory plan.
RunMemory memoryOfRun(const StudyArea& area, std::uint64_t heldBesides) {
    return {peakBytesOfRun(area), planRunHere(area, heldBesides)};
}

}  // namespace drainPrep
