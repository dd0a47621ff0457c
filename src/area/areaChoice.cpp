#include "area/areaChoice.hpp"

#include <algorithm>
#include <cmath>


namespace drainPrep {

namespace {

// Whole degrees of the largest multiple of 120 cells at or before `cell`,
// which must lie within the source grid.
std::int32_t wholeDegreesBefore(std::int32_t cell) { return cell / cellsPerDegree; }

// Far below the precision of any point typed in degrees, far above the
// rounding of its decimal.
constexpr double onBoundary = 1e-6;

// Cells from the grid's north or west edge to the point, as a whole number
// where the point lies on the line between two cells: the decimal of the
// point (45.1 or 45.3) must not decide the side.
double cellsFromEdge(double degrees) {
    const double cells = degrees * cellsPerDegree;
    const double nearestLine = std::round(cells);
    return std::fabs(cells - nearestLine) < onBoundary ? nearestLine : cells;
}

}  // namespace

std::optional<SourceCell> sourceCellAt(double lat, double lon) {
    const double row = std::floor(cellsFromEdge(sourceNorthEdge - lat));
    const double col = std::floor(cellsFromEdge(lon - sourceWestEdge));
    // Written so that a NaN fails too.
    if (!(row >= 0 && row < sourceRows && col >= 0 && col < sourceCols)) return std::nullopt;
    return SourceCell{static_cast<std::int32_t>(row), static_cast<std::int32_t>(col)};
}

AreaChoice smallestAreaHolding(const CellExtent& basin) {
    const std::int32_t firstRow = std::max(basin.firstRow - ringCells, 0);
    const std::int32_t firstCol = std::max(basin.firstCol - ringCells, 0);
    const std::int32_t lastRow = std::min(basin.lastRow + ringCells, sourceRows - 1);
    const std::int32_t lastCol = std::min(basin.lastCol + ringCells, sourceCols - 1);
    AreaChoice choice;
    choice.area.latNW = static_cast<std::int32_t>(sourceNorthEdge) - wholeDegreesBefore(firstRow);
    choice.area.lonNW = static_cast<std::int32_t>(sourceWestEdge) + wholeDegreesBefore(firstCol);
    const ClipOffsets offsets = clipOffsets(choice.area);
    choice.area.nrows = lastRow - static_cast<std::int32_t>(offsets.rowOffset) + 1;
    choice.area.ncols = lastCol - static_cast<std::int32_t>(offsets.colOffset) + 1;
    choice.holdsBasin =
        firstRow == basin.firstRow - ringCells && firstCol == basin.firstCol - ringCells &&
        lastRow == basin.lastRow + ringCells && lastCol == basin.lastCol + ringCells;
    return choice;
}

// The one call of drainPrep's memory plan.
RunMemory memoryOfRun(const StudyArea& area) {
    return {peakBytesOfRun(area), planRunHere(area)};
}

}  // namespace drainPrep
