#include "area/areaGauges.hpp"

#include <ostream>

#include "cell/directions.hpp"
#include "gauges/gaugePlacement.hpp"
#include "text/decimalText.hpp"

namespace drainPrep {

namespace {

constexpr int km2Decimals = 3;
constexpr int percentDecimals = 2;

// The internal code of the step from a cell to the one below it.
std::int8_t codeOfStep(SourceCell from, SourceCell to) {
    for (std::int32_t k = 0; k < directionCount; ++k) {
        if (from.row + flowDirections[k].rowOffset == to.row &&
            from.col + flowDirections[k].colOffset == to.col) {
            return static_cast<std::int8_t>(k + 1);
        }
    }
    return outletCode;
}

// The source grid's network as the gauges take it: a basin cell is one
// with upstream cells (not on or above a loop); a path ends where the
// grid's own does.
GaugeNetwork networkOf(const FlowGrid& grid, const SourceFrame& frame) {
    GaugeNetwork network;
    network.frame = frame;
    network.codes.resize(static_cast<std::size_t>(grid.nrows()) *
                         static_cast<std::size_t>(grid.ncols()));
    std::size_t index = 0;
    for (SourceCell cell; cell.row < grid.nrows(); ++cell.row) {
        for (cell.col = 0; cell.col < grid.ncols(); ++cell.col, ++index) {
            if (grid.upstreamCells(cell) == 0) {
                network.codes[index] = GaugeNetwork::noBasin;
                continue;
            }
            const std::optional<SourceCell> down = grid.downstream(cell);
            network.codes[index] = down ? codeOfStep(cell, *down) : std::int8_t{outletCode};
        }
    }
    for (const double km2 : squareKilometresByRow(grid.nrows(), frame)) {
        network.rowArea.push_back(areaUnitsOf(km2));
    }
    return network;
}

std::string cellText(SourceCell cell) {
    return "source row " + std::to_string(cell.row) + ", column " + std::to_string(cell.col);
}

void widen(CellExtent& extent, std::int32_t row, std::int32_t col, bool first) {
    if (first) {
        extent = {row, row, col, col};
        return;
    }
    extent.firstRow = std::min(extent.firstRow, row);
    extent.lastRow = std::max(extent.lastRow, row);
    extent.firstCol = std::min(extent.firstCol, col);
    extent.lastCol = std::max(extent.lastCol, col);
}

}  // namespace

std::string catchmentText(const GaugeOnNetwork& placed) {
    return std::to_string(placed.upstreamCells) + " cells, " +
           fixed(km2Of(placed.upstreamArea), km2Decimals) + " km2";
}

bool isLeftOut(const GaugeOnNetwork& placed) {
    return placed.status == GaugeStatus::outside || placed.status == GaugeStatus::noCandidate;
}

std::string gaugeLine(const std::vector<Gauge>& gauges, std::size_t i, const GaugeOnNetwork& placed,
                      std::int32_t snapRadius) {
    const Gauge& gauge = gauges[i];
    std::string line = "Gauge " + gauge.id + (gauge.name.empty() ? "" : " (" + gauge.name + ")") + ": ";
    switch (placed.status) {
        case GaugeStatus::outside:
            return line + "outside the source grid.";
        case GaugeStatus::noCandidate:
            return line + cellText(placed.given) + ", no basin cell within " +
                   std::to_string(snapRadius) + (snapRadius == 1 ? " cell." : " cells.");
        case GaugeStatus::placed:
        case GaugeStatus::sameCell:
            break;
    }
    line += cellText(placed.given) + ", snapped " + std::to_string(placed.cellsMoved) +
            (placed.cellsMoved == 1 ? " cell to " : " cells to ") + cellText(placed.snapped) +
            ": upstream area " + catchmentText(placed);
    if (gauge.publishedKm2) {
        const double km2 = km2Of(placed.upstreamArea);
        line += " (published " + fixed(*gauge.publishedKm2, km2Decimals) + ", error " +
                fixed((km2 - *gauge.publishedKm2) / *gauge.publishedKm2 * 100.0, percentDecimals) +
                "%)";
    }
    if (placed.status == GaugeStatus::sameCell) {
        line += ", on the cell of gauge " + gauges[static_cast<std::size_t>(placed.sameCellAs)].id;
    }
    return line + ".";
}

std::optional<std::string> placeAreaGauges(const FlowGrid& grid, const SourceFrame& frame,
                                           const std::vector<Gauge>& gauges,
                                           std::int32_t snapRadius, AreaGauges& placed) {
    std::vector<AreaUnits> rowArea;
    {
        GaugeNetwork network = networkOf(grid, frame);
        rowArea = network.rowArea;
        placed.onSource = placeGauges(network, gauges, snapRadius, {});
    }
    Basin& catchments = placed.catchments;
    catchments = Basin{};
    AreaUnits area = 0;
    std::size_t index = 0;
    for (std::int32_t row = 0; row < grid.nrows(); ++row) {
        for (std::int32_t col = 0; col < grid.ncols(); ++col, ++index) {
            if (placed.onSource.subbasins[index] < 0) continue;
            widen(catchments.extent, row, col, catchments.cells == 0);
            ++catchments.cells;
            area += rowArea[static_cast<std::size_t>(row)];
        }
    }
    catchments.squareKilometres = km2Of(area);
    if (catchments.cells == 0) return std::string("No gauge lies on a river of the source grid.");
    return std::nullopt;
}

std::vector<GaugeOnNetwork> gaugesInRun(const AreaRun& run, const StudyArea& area,
                                        const SourceFrame& frame, const std::vector<Gauge>& gauges,
                                        const GaugePlacement& onSource) {
    const SourceFrame areaFrame = frameOfArea(area);
    const ClipOffsets offsets = offsetsInFrame(area, frame);
    // Each gauge at the centre of its snapped cell, placed there alone.
    std::vector<Gauge> atSnappedCells = gauges;
    for (std::size_t i = 0; i < gauges.size(); ++i) {
        const GaugeOnNetwork& placed = onSource.gauges[i];
        if (isLeftOut(placed)) continue;
        const SourceCell cell{placed.snapped.row - static_cast<std::int32_t>(offsets.rowOffset),
                              placed.snapped.col - static_cast<std::int32_t>(offsets.colOffset)};
        atSnappedCells[i].lat = centreLatDegrees(area, cell.row);
        atSnappedCells[i].lon = centreLonDegrees(area, cell.col);
        atSnappedCells[i].publishedKm2.reset();
    }
    return placeGauges(networkOf(run.network(), areaFrame), atSnappedCells, 0, {}).gauges;
}

}  // namespace drainPrep
