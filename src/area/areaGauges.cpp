#include "area/areaGauges.hpp"

#include <ostream>
#include <utility>

#include "area/basin.hpp"
#include "cell/directions.hpp"
#include "gauges/gaugePlacement.hpp"
#include "text/decimalText.hpp"

namespace drainPrep {

namespace {

constexpr int km2Decimals = 3;
constexpr int percentDecimals = 2;

// A grid's network as the gauges take it, over the frame's cells from
// `first`: a basin cell is one with upstream cells (not on or above a loop,
// and counted where counts are made on demand); a path ends where the
// grid's own does.
template <typename Grid>
GaugeNetwork networkOf(const Grid& grid, const SourceFrame& frame, SourceCell first = {}) {
    GaugeNetwork network;
    network.frame = frame;
    network.codes.resize(static_cast<std::size_t>(frame.rows) *
                         static_cast<std::size_t>(frame.cols));
    std::size_t index = 0;
    for (std::int32_t row = 0; row < frame.rows; ++row) {
        for (std::int32_t col = 0; col < frame.cols; ++col, ++index) {
            const SourceCell cell{first.row + row, first.col + col};
            if (grid.upstreamCells(cell) == 0) {
                network.codes[index] = GaugeNetwork::noBasin;
                continue;
            }
            // A path that leaves the frame never comes back to a cell of it
            // that a gauge may snap to: the frame holds all their upstream
            // cells. It ends where it leaves.
            const std::optional<SourceCell> down = grid.downstream(cell);
            const bool staysInFrame = down && down->row >= first.row && down->col >= first.col &&
                                      down->row - first.row < frame.rows &&
                                      down->col - first.col < frame.cols;
            network.codes[index] = static_cast<std::int8_t>(
                staysInFrame ? codeOfStep(down->row - cell.row, down->col - cell.col) : outletCode);
        }
    }
    for (const double km2 : squareKilometresByRow(frame.rows, frame)) {
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
    std::string line =
        "Gauge " + gauge.id + (gauge.name.empty() ? "" : " (" + gauge.name + ")") + ": ";
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

namespace {

// The cells around every gauge, where it may snap to, and their upstream
// cells, counted; the box that holds them all, in which the gauges are
// placed.
CellWindow countAroundGauges(SourceBlocks& grid, const SourceFrame& frame,
                             const std::vector<Gauge>& gauges, std::int32_t snapRadius) {
    std::vector<SourceCell> around;
    for (const Gauge& gauge : gauges) {
        if (const auto cell = sourceCellAt(gauge.lat, gauge.lon, frame)) {
            const std::vector<SourceCell> cells = cellsAround(*cell, snapRadius, grid);
            around.insert(around.end(), cells.begin(), cells.end());
        }
    }
    grid.countUpstreamOf(around);
    CellExtent box;
    bool empty = true;
    const std::vector<SourceCell>& counted = grid.countedCells();
    for (const std::vector<SourceCell>* cells : {&std::as_const(around), &counted}) {
        for (const SourceCell cell : *cells) {
            widen(box, cell.row, cell.col, empty);
            empty = false;
        }
    }
    if (empty) return {};
    return {{box.firstRow, box.firstCol},
            box.lastRow - box.firstRow + 1,
            box.lastCol - box.firstCol + 1};
}

// The source frame's cells of the box, as a frame of their own.
SourceFrame frameOfBox(const SourceFrame& frame, const CellWindow& box) {
    return {box.rows, box.cols, frame.northEdgeCells - box.first.row,
            frame.westEdgeCells + box.first.col, frame.lattice};
}

// From the box's rows and columns back to the source's.
void placeInSource(GaugePlacement& placement, SourceCell first) {
    const auto shift = [first](SourceCell& cell) {
        cell = {cell.row + first.row, cell.col + first.col};
    };
    for (GaugeOnNetwork& gauge : placement.gauges) {
        if (gauge.status == GaugeStatus::outside) continue;
        shift(gauge.given);
        if (!isLeftOut(gauge)) shift(gauge.snapped);
    }
}

}  // namespace

Failure placeAreaGauges(SourceBlocks& grid, const SourceFrame& frame,
                        const std::vector<Gauge>& gauges, std::int32_t snapRadius,
                        AreaGauges& placed) {
    const CellWindow box = countAroundGauges(grid, frame, gauges, snapRadius);
    const SourceFrame boxFrame = frameOfBox(frame, box);
    std::vector<AreaUnits> rowArea;
    {
        GaugeNetwork network = networkOf(grid, boxFrame, box.first);
        rowArea = network.rowArea;
        placed.onSource = placeGauges(network, gauges, snapRadius, {});
    }
    placeInSource(placed.onSource, box.first);
    Basin& catchments = placed.catchments;
    catchments = Basin{};
    AreaUnits area = 0;
    std::size_t index = 0;
    for (std::int32_t row = 0; row < box.rows; ++row) {
        for (std::int32_t col = 0; col < box.cols; ++col, ++index) {
            if (placed.onSource.subbasins[index] < 0) continue;
            widen(catchments.extent, box.first.row + row, box.first.col + col,
                  catchments.cells == 0);
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
