#include "area/areaChoice.hpp"

#include <algorithm>

namespace drainPrep {

namespace {

std::int64_t floorDiv(std::int64_t cells) {
    return cells >= 0 ? cells / cellsPerDegree : -((-cells + cellsPerDegree - 1) / cellsPerDegree);
}

std::int64_t ceilDiv(std::int64_t cells) { return -floorDiv(-cells); }

constexpr std::int64_t globeLon = 180 * cellsPerDegree;
constexpr std::int64_t globeLat = 90 * cellsPerDegree;

// The whole degree at or north of the lattice line `northCells`, but not
// north of the frame.
std::int32_t wholeDegreeNorthOf(std::int64_t northCells, const SourceFrame& frame) {
    return static_cast<std::int32_t>(std::min(ceilDiv(northCells), floorDiv(frame.northEdgeCells)));
}

// The whole degree at or west of the lattice line `westCells`, but not west
// of the frame.
std::int32_t wholeDegreeWestOf(std::int64_t westCells, const SourceFrame& frame) {
    return static_cast<std::int32_t>(std::max(floorDiv(westCells), ceilDiv(frame.westEdgeCells)));
}

}  // namespace

AreaChoice smallestAreaHolding(const CellExtent& basin, const SourceFrame& frame) {
    const std::int32_t firstRow = std::max(basin.firstRow - ringCells, 0);
    const std::int32_t firstCol = std::max(basin.firstCol - ringCells, 0);
    const std::int32_t lastRow = std::min(basin.lastRow + ringCells, frame.rows - 1);
    const std::int32_t lastCol = std::min(basin.lastCol + ringCells, frame.cols - 1);
    AreaChoice choice;
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
    if (frame.westEdgeCells + basin.lastCol + 1 + ringCells > globeLon) return "180 E";
    if (frame.westEdgeCells + basin.firstCol - ringCells < -globeLon) return "180 W";
    if (frame.northEdgeCells - (basin.firstRow - ringCells) > globeLat) return "90 N";
    if (frame.northEdgeCells - (basin.lastRow + 1 + ringCells) < -globeLat) return "90 S";
    return nullptr;
}

DegreeBox paddedSourceExtent(const CellExtent& basin, const SourceFrame& frame) {
    const std::int64_t north =
        std::max(frame.northEdgeCells, frame.northEdgeCells - (basin.firstRow - ringCells));
    const std::int64_t south = std::min(frame.northEdgeCells - frame.rows,
                                        frame.northEdgeCells - (basin.lastRow + 1 + ringCells));
    const std::int64_t west =
        std::min(frame.westEdgeCells, frame.westEdgeCells + basin.firstCol - ringCells);
    const std::int64_t east = std::max(frame.westEdgeCells + frame.cols,
                                       frame.westEdgeCells + basin.lastCol + 1 + ringCells);
    return {static_cast<std::int32_t>(floorDiv(std::max(west, -globeLon))),
            static_cast<std::int32_t>(floorDiv(std::max(south, -globeLat))),
            static_cast<std::int32_t>(ceilDiv(std::min(east, globeLon))),
            static_cast<std::int32_t>(ceilDiv(std::min(north, globeLat)))};
}

// The one call of drainPrep's memory plan.
RunMemory memoryOfRun(const StudyArea& area, std::uint64_t heldBesides) {
    return {peakBytesOfRun(area), planRunHere(area, heldBesides)};
}

}  // namespace drainPrep
