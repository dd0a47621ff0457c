#include "report/gridScan.hpp"

#include <algorithm>
#include <ostream>

#include "cell/directions.hpp"
#include "report/flowLinks.hpp"
#include "runFiles/asciiGridReader.hpp"
#include "runFiles/binaryGridReader.hpp"
#include "runFiles/runFiles.hpp"
#include "report/surface.hpp"

namespace drainPrep::report {

namespace {

using Failure = std::optional<std::string>;

constexpr std::int32_t removedOutletSize = -1;
constexpr std::int32_t notMeasured = -1;

// One row of every grid the scan reads.
struct GridRows {
    explicit GridRows(std::int32_t ncols)
        : elevation(size(ncols)),
          direction(size(ncols)),
          distance(size(ncols)),
          flowDir(size(ncols)),
          basinSize(size(ncols)),
          riverNum(size(ncols)),
          category(size(ncols)) {}
    static std::size_t size(std::int32_t ncols) { return static_cast<std::size_t>(ncols); }

    std::vector<std::int32_t> elevation, direction, distance, flowDir, basinSize, riverNum,
        category;
};

class GridStreams {
public:
    Failure open(const std::filesystem::path& folder, std::int32_t ncols) {
        if (auto failure = elevation_.open(folder, cutDemAsc)) return failure;
        if (auto failure = direction_.open(folder, cutDirAsc)) return failure;
        if (auto failure = distance_.open(folder, distanceAsc)) return failure;
        if (auto failure = flowDir_.open(folder, flowDirBin, ncols)) return failure;
        if (auto failure = basinSize_.open(folder, flowAccBin, ncols)) return failure;
        return riverNum_.open(folder, riverNumBin, ncols);
    }

    Failure readRow(GridRows& rows) {
        if (auto failure = elevation_.readRow(rows.elevation.data())) return failure;
        if (auto failure = direction_.readRow(rows.direction.data())) return failure;
        if (auto failure = distance_.readRow(rows.distance.data())) return failure;
        if (auto failure = flowDir_.readRow(rows.flowDir.data())) return failure;
        if (auto failure = basinSize_.readRow(rows.basinSize.data())) return failure;
        return riverNum_.readRow(rows.riverNum.data());
    }

private:
    AsciiGridReader elevation_, direction_, distance_;
    BinaryGridReader flowDir_, basinSize_, riverNum_;
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

bool isBasinNumber(std::int32_t riverNum, std::int32_t outletCount) {
    return riverNum >= 1 && riverNum <= outletCount;
}

class RowTally {
public:
    RowTally(const StudyArea& area, std::int32_t outletCount, const std::vector<Outlet>& measured,
             GridScan& scan)
        : area_(area),
          outletCount_(outletCount),
          slotOf_(size(outletCount) + 1, notMeasured),
          measured_(measured),
          scan_(scan) {
        for (std::size_t slot = 0; slot < measured.size(); ++slot) {
            slotOf_[size(measured[slot].riverNum)] = static_cast<std::int32_t>(slot);
        }
        scan_.measured.assign(measured.size(), BasinMeasure{});
        scan_.surroundings.assign(measured.size(), OutletSurroundings{});
    }

    Failure tally(std::int32_t row, GridRows& rows) {
        const double cellKm2 = cellAreaKm2(area_.latNW, row);
        for (std::int32_t col = 0; col < area_.ncols; ++col) {
            const auto i = static_cast<std::size_t>(col);
            const std::int32_t riverNum = rows.riverNum[i];
            if (isOnFrameRing(row, col)
                    ? riverNum != binaryFrameRingValue
                    : riverNum != noBasin && !isBasinNumber(riverNum, outletCount_)) {
                return wrongBasinNumber(riverNum, row, col);
            }
            rows.category[i] = categoryOf(row, col, rows, cellKm2);
            if (rows.basinSize[i] == removedOutletSize) ++scan_.counts.removedOutlets;
            const bool flows = rows.flowDir[i] >= 1 && rows.flowDir[i] <= directionCount;
            if (flows && rows.distance[i] == -1) ++scan_.counts.loopCells;
            if (riverNum >= 1) measure(riverNum, rows.distance[i], cellKm2);
        }
        lookAroundOutlets(row, rows);
        return std::nullopt;
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

    // Values beyond those drainPrep writes would index outside the outlet table.
    Failure wrongBasinNumber(std::int32_t riverNum, std::int32_t row, std::int32_t col) const {
        const std::string where = std::string(riverNumBin) + " holds " +
                                  (isOnFrameRing(row, col) ? "" : "basin number ") +
                                  std::to_string(riverNum) + " at row " + std::to_string(row) +
                                  ", column " + std::to_string(col);
        if (isOnFrameRing(row, col)) {
            return where + ", on the frame ring, where drainPrep writes " +
                   std::to_string(binaryFrameRingValue) + ".";
        }
        return where + ", but " + outletListFile + " lists basins 1 to " +
               std::to_string(outletCount_) + ".";
    }

    const StudyArea& area_;
    std::int32_t outletCount_;
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
                  std::int32_t outletCount, const std::vector<Outlet>& measured,
                  std::ostream& console, GridScan& scan) {
    GridStreams streams;
    if (auto failure = streams.open(folder, area.ncols)) return failure;
    scan = GridScan{};
    scan.maps.reduction = reductionFactor(area);
    scan.maps.enlargement = enlargementFactor(area);
    scan.sourceDirections = EdgeBand(area.nrows, area.ncols);
    scan.sourceElevations = EdgeBand(area.nrows, area.ncols);
    scan.riverNums = EdgeBand(area.nrows, area.ncols);
    Reducers reducers(area, scan.maps.reduction);
    RowTally tally(area, outletCount, measured, scan);
    FlowLinkCheck links(area);
    GridRows rows(area.ncols);
    console << "  Reading the grids:" << std::flush;
    for (std::int32_t row = 0; row < area.nrows; ++row) {
        Failure failure = streams.readRow(rows);
        if (!failure) failure = tally.tally(row, rows);
        if (!failure) {
            failure = links.addRow(
                row, {rows.flowDir.data(), rows.riverNum.data(), rows.distance.data()});
        }
        if (failure) {
            console << '\n';  // ends the progress line before the message
            return failure;
        }
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
