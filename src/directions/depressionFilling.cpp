#include "directions/depressionFilling.hpp"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "directions/cellGroups.hpp"
#include "directions/priorityFlood.hpp"

namespace drainPrep {

FillRecord fillDepressions(DemGrid& dem, const std::vector<std::int64_t>& keptSinks) {
    FillRecord record;
    const RaiseCell raise = [&](std::int64_t cell, double level) {
        double& elevation = dem.elevations[static_cast<std::size_t>(cell)];
        record.largestRaise = std::max(record.largestRaise, level - elevation);
        ++record.cellsRaised;
        elevation = level;
    };
    const std::vector<FloodMark> marks = floodFromOutlets(dem, keptSinks, raise);
    record.depressions = countRaisedGroups(DemCells(dem), marks);
    return record;
}

std::vector<std::int64_t> sinksOfLargeDepressions(const DemGrid& original, const DemGrid& filled,
                                                  const std::vector<double>& rowKm2,
                                                  double minimumKm2) {
    const DemCells cells(original);
    const auto raised = [&](std::int64_t cell) {
        return filled.elevations[static_cast<std::size_t>(cell)] > cells.elevation(cell);
    };
    std::vector<std::int64_t> sinks;
    std::int64_t lowest = DemCells::offGrid;
    double km2 = 0.0;
    const auto lowerThanLowest = [&](std::int64_t cell) {
        const double depth = cells.elevation(cell) - cells.elevation(lowest);
        return depth < 0.0 || (depth == 0.0 && cell < lowest);
    };
    const auto addCell = [&](std::int64_t cell) {
        km2 += rowKm2[static_cast<std::size_t>(cells.placeOf(cell).row)];
        if (lowest == DemCells::offGrid || lowerThanLowest(cell)) lowest = cell;
    };
    const auto closeGroup = [&] {
        if (km2 >= minimumKm2) sinks.push_back(lowest);
        lowest = DemCells::offGrid;
        km2 = 0.0;
    };
    forEachGroup(cells, raised, addCell, closeGroup);
    return sinks;
}

}  // namespace drainPrep
