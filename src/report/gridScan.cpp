#include "report/gridScan.hpp"

#include <algorithm>
#include <ostream>

#include "cell/directions.hpp"
#include "runFiles/runFiles.hpp"
#include "runFiles/runGrids.hpp"
#include "report/surface.hpp"

namespace drainPrep::report {

namespace {

constexpr std::int32_t removedOutletSize = -1;
constexpr std::int32_t notMeasured = -1;

// One row of every grid the scan reads, and each cell's category.
struct GridRows : RunGridRow {
    explicit GridRows(std::int32_t ncols)
        : RunGridRow(ncols), category(static_cast<std::size_t>(ncols)) {}

    std::vector<std::int32_t> category;
};

struct Reducers {
    Reducers(const StudyArea& area, std::int32_t factor)
        : categories(area.nrows, area.ncols, factor, BlockRule::mostFrequent),
          basinSizes(area.nrows, area.ncols, factor, BlockRule::largest),
          distances(area.nrows, area.ncols, factor, BlockRule::largest),
          elevations(area.nrows, area.ncols, factor, BlockRule::largest) {}

    void addRows(const GridRows& rows) {
        categories.addRow(rows.category.data());
        basinSizes.addRow(rows.basinSize.data());
        distances.addRow(rows.distance.data());
        elevations.addRow(rows.elevation.data());
    }

    BlockReducer categories, basinSizes, distances, elevations;
};

// Counts a cell off the frame ring by what its source samples say it is.
Surface countSurface(std::int32_t elevation, std::int32_t direction, double cellKm2,
                     CellCounts& counts) {
    const Surface surface = surfaceOf(elevation, direction);
    switch (surface) {
        case Surface::sea:
            ++counts.sea;
            break;
        case Surface::noData:
            ++counts.noData;
            break;
        case Surface::land:
            ++counts.land;
            counts.landKm2 += cellKm2;
            break;
    }
    return surface;
}

// A cell off the frame ring that belongs to no basin.
std::int32_t categoryWithoutBasin(Surface surface, bool removedOutlet) {
    switch (surface) {
        case Surface::sea:
            return seaCategory;
        case Surface::noData:
            return noDataCategory;
        case Surface::land:
            break;
    }
    return removedOutlet ? removedOutletCategory : loopCategory;
}

class RowTally {
public:
    // The rows come checked: every basin number is one of the outlet list's.
    RowTally(const StudyArea& area, std::size_t outletCount, const std::vector<Outlet>& measured,
             GridScan& scan)
        : area_(area),
          slotOf_(outletCount + 1, notMeasured),
          measured_(measured),
          scan_(scan) {
        for (std::size_t slot = 0; slot < measured.size(); ++slot) {
            slotOf_[size(measured[slot].riverNum)] = static_cast<std::int32_t>(slot);
        }
        scan_.measured.assign(measured.size(), BasinMeasure{});
        scan_.surroundings.assign(measured.size(), OutletSurroundings{});
    }

    void tally(std::int32_t row, GridRows& rows) {
        const double cellKm2 = cellAreaKm2(area_, row);
        for (std::int32_t col = 0; col < area_.ncols; ++col) {
            const auto i = static_cast<std::size_t>(col);
            const std::int32_t riverNum = rows.riverNum[i];
            rows.category[i] = categoryOf(row, col, rows, cellKm2);
            if (rows.basinSize[i] == removedOutletSize) ++scan_.counts.removedOutlets;
            const bool flows = rows.flowDir[i] >= 1 && rows.flowDir[i] <= directionCount;
            if (flows && rows.distance[i] == -1) ++scan_.counts.loopCells;
            if (riverNum >= 1) measure(riverNum, rows.distance[i], cellKm2);
        }
        lookAroundOutlets(row, rows);
    }

private:
    static std::size_t size(std::int32_t value) { return static_cast<std::size_t>(value); }

    std::int32_t categoryOf(std::int32_t row, std::int32_t col, const GridRows& rows,
                            double cellKm2) {
        const auto i = size(col);
        if (isOnFrameRing(row, col)) {
            ++scan_.counts.frameRing;
            return frameCategory;
        }
        const Surface surface =
            countSurface(rows.elevation[i], rows.direction[i], cellKm2, scan_.counts);
        if (surface == Surface::sea) countBelowSeaLevel(rows, i, cellKm2);
        if (rows.riverNum[i] >= 1) return rows.riverNum[i];
        return categoryWithoutBasin(surface, rows.basinSize[i] == removedOutletSize);
    }

    void countBelowSeaLevel(const GridRows& rows, std::size_t i, double cellKm2) {
        if (rows.elevation[i] == noDataElevation) return;
        BelowSeaLevel& below = scan_.belowSeaLevel;
        if (decodeDirection(rows.direction[i]) == noFlowCode) {
            ++below.withoutDirection;
            return;
        }
        ++below.withDirection;
        below.withDirectionKm2 += cellKm2;
        if (rows.flowDir[i] >= 1 && rows.flowDir[i] <= directionCount) below.draining = true;
    }

    bool isOnFrameRing(std::int32_t row, std::int32_t col) const {
        return row == 0 || row == area_.nrows - 1 || col == 0 || col == area_.ncols - 1;
    }

    void measure(std::int32_t riverNum, std::int32_t distance, double cellKm2) {
        const std::int32_t slot = slotOf_[size(riverNum)];
        if (slot == notMeasured) return;
        BasinMeasure& basin = scan_.measured[size(slot)];
        basin.km2 += cellKm2;
        basin.longestPath = std::max(basin.longestPath, distance);
    }

    // The cells of the row beside or at a measured basin's outlet.
    void lookAroundOutlets(std::int32_t row, const GridRows& rows) {
        for (std::size_t slot = 0; slot < measured_.size(); ++slot) {
            const Outlet& outlet = measured_[slot];
            OutletSurroundings& cells = scan_.surroundings[slot];
            const auto keep = [&](int index, std::int32_t col) {
                if (col < 0 || col >= area_.ncols) return;
                cells.elevation[index] = rows.elevation[size(col)];
                cells.direction[index] = rows.direction[size(col)];
                cells.riverNum[index] = rows.riverNum[size(col)];
            };
            if (row == outlet.row) keep(OutletSurroundings::outletIndex, outlet.col);
            for (int k = 0; k < directionCount; ++k) {
                if (row == outlet.row + flowDirections[k].rowOffset) {
                    keep(k, outlet.col + flowDirections[k].colOffset);
                }
            }
        }
    }

    const StudyArea& area_;
    std::vector<std::int32_t> slotOf_;
    const std::vector<Outlet>& measured_;
    GridScan& scan_;
};

// Tenths of the rows, on one line.
void showProgress(std::int32_t rowsDone, std::int32_t nrows, std::ostream& console) {
    const std::int64_t tenth = std::int64_t{rowsDone} * 10 / nrows;
    if (tenth != std::int64_t{rowsDone - 1} * 10 / nrows) {
        console << ' ' << tenth * 10 << '%' << (rowsDone == nrows ? "\n" : "") << std::flush;
    }
}

}  // namespace

void BelowSeaLevel::countAsLand(CellCounts& counts) const {
    counts.sea -= withDirection + withoutDirection;
    counts.land += withDirection;
    counts.landKm2 += withDirectionKm2;
    counts.noData += withoutDirection;
}

Failure scanGrids(const std::filesystem::path& folder, const StudyArea& area,
                  const std::vector<Outlet>& outlets, const std::vector<Outlet>& measured,
                  std::ostream& console, GridScan& scan) {
    RunGridReader reader(area, outlets);
    if (auto failure = reader.open(folder)) return failure;
    scan = GridScan{};
    scan.maps.reduction = reductionFactor(area);
    scan.maps.enlargement = enlargementFactor(area);
    scan.sourceDirections = EdgeBand(area.nrows, area.ncols);
    scan.sourceElevations = EdgeBand(area.nrows, area.ncols);
    scan.riverNums = EdgeBand(area.nrows, area.ncols);
    Reducers reducers(area, scan.maps.reduction);
    RowTally tally(area, outlets.size(), measured, scan);
    GridRows rows(area.ncols);
    console << "  Reading the grids:" << std::flush;
    for (std::int32_t row = 0; row < area.nrows; ++row) {
        if (auto failure = reader.readRow(rows)) {
            console << '\n';  // ends the progress line before the message
            return failure;
        }
        tally.tally(row, rows);
        reducers.addRows(rows);
        scan.sourceDirections.keepRow(row, rows.direction.data());
        scan.sourceElevations.keepRow(row, rows.elevation.data());
        scan.riverNums.keepRow(row, rows.riverNum.data());
        showProgress(row + 1, area.nrows, console);
    }
    scan.maps.categories = reducers.categories.reduced();
    scan.maps.basinSizes = reducers.basinSizes.reduced();
    scan.maps.distances = reducers.distances.reduced();
    scan.maps.elevations = reducers.elevations.reduced();
    return std::nullopt;
}

}  // namespace drainPrep::report
