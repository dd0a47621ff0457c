#include "upscale/modelLayers.hpp"

#include <algorithm>
#include <array>
#include <cmath>

#include "runFiles/binaryGridReader.hpp"
#include "runFiles/runFiles.hpp"

namespace drainPrep::upscale {

namespace {

constexpr double metresPerKm = 1000.0;

// The length of a step from a cell of each row in each direction, km: the
// east-west length of the cell stepped from, as the run's slopes take it, at
// the run's cell size.
std::vector<std::array<double, directionCount>> stepLengthsKm(const StudyArea& area) {
    std::vector<std::array<double, directionCount>> lengths(static_cast<std::size_t>(area.nrows));
    const double northSouth = cellLengthNorthSouthOf(area.lattice);
    for (std::int32_t row = 0; row < area.nrows; ++row) {
        const double eastWest = rowLengthEastWest(area, row);
        for (int k = 0; k < directionCount; ++k) {
            const double x = flowDirections[k].colOffset * eastWest;
            const double y = flowDirections[k].rowOffset * northSouth;
            lengths[static_cast<std::size_t>(row)][static_cast<std::size_t>(k)] =
                std::sqrt(x * x + y * y) / metresPerKm;
        }
    }
    return lengths;
}

// Whether every cell of the model cell lies on the run's frame ring, where
// the run's own grids hold -9999.
bool frameRingOnly(const FineNetwork& fine, const ModelGrid& grid, std::int32_t cell) {
    const auto interior = [](std::int32_t first, std::int32_t factor, std::int32_t count) {
        const std::int32_t last = std::min(count, first + factor) - 1;
        return std::max(first, 1) <= std::min(last, count - 2);
    };
    const std::int32_t factor = grid.factor();
    return !interior(grid.rowOf(cell) * factor, factor, fine.nrows()) ||
           !interior(grid.colOf(cell) * factor, factor, fine.ncols());
}

void addLandFractions(const FineNetwork& fine, const ModelGrid& grid, ModelLayers& layers) {
    std::vector<std::int32_t> withFlow(grid.cellCount(), 0);
    std::vector<std::int32_t> cells(grid.cellCount(), 0);
    std::size_t fineCell = 0;
    for (std::int32_t row = 0; row < fine.nrows(); ++row) {
        for (std::int32_t col = 0; col < fine.ncols(); ++col, ++fineCell) {
            const auto model = static_cast<std::size_t>(grid.cellOf(row, col));
            ++cells[model];
            if (fine.hasFlow(fineCell)) ++withFlow[model];
        }
    }
    layers.landFraction.resize(grid.cellCount());
    for (std::size_t model = 0; model < grid.cellCount(); ++model) {
        layers.landFraction[model] = static_cast<float>(static_cast<double>(withFlow[model]) /
                                                        static_cast<double>(cells[model]));
    }
}

// Model cells upstream, Strahler order and basin numbers, from the
// headwaters down: each cell once all its inflows are done.
void addNetworkLayers(const ModelGrid& grid, const std::vector<std::int32_t>& directions,
                      ModelLayers& layers) {
    const std::size_t count = grid.cellCount();
    std::vector<std::uint8_t> pending(count, 0);
    for (std::size_t cell = 0; cell < count; ++cell) {
        if (directions[cell] > outletCode) {
            ++pending[static_cast<std::size_t>(
                grid.downOf(static_cast<std::int32_t>(cell), directions[cell]))];
        }
    }
    std::vector<std::int32_t> done;  // upstream cells first
    for (std::size_t cell = 0; cell < count; ++cell) {
        if (directions[cell] >= outletCode && pending[cell] == 0) {
            done.push_back(static_cast<std::int32_t>(cell));
        }
    }
    layers.flowAcc.assign(count, noValue);
    layers.streamOrder.assign(count, noValue);
    std::vector<std::int32_t> highestIn(count, 0);
    std::vector<std::uint8_t> highestInCount(count, 0);
    for (std::size_t next = 0; next < done.size(); ++next) {
        const std::int32_t cell = done[next];
        const auto at = static_cast<std::size_t>(cell);
        layers.flowAcc[at] = std::max(layers.flowAcc[at], 0) + 1;
        layers.streamOrder[at] = highestIn[at] == 0 ? 1 : highestIn[at] + (highestInCount[at] > 1);
        if (directions[at] == outletCode) continue;
        const auto down = static_cast<std::size_t>(grid.downOf(cell, directions[at]));
        layers.flowAcc[down] = std::max(layers.flowAcc[down], 0) + layers.flowAcc[at];
        if (layers.streamOrder[at] > highestIn[down]) {
            highestIn[down] = layers.streamOrder[at];
            highestInCount[down] = 0;
        }
        if (layers.streamOrder[at] == highestIn[down]) ++highestInCount[down];
        if (--pending[down] == 0) done.push_back(static_cast<std::int32_t>(down));
    }
    // A cell on a loop (at factor 1, the run's own) has no end upstream.
    for (std::size_t cell = 0; cell < count; ++cell) {
        if (pending[cell] != 0) layers.flowAcc[cell] = noValue;
    }
    layers.basin.assign(count, noValue);
    std::int32_t nextBasin = 1;
    for (std::size_t cell = 0; cell < count; ++cell) {
        if (directions[cell] == outletCode) layers.basin[cell] = nextBasin++;
    }
    for (auto cell = done.rbegin(); cell != done.rend(); ++cell) {
        const auto at = static_cast<std::size_t>(*cell);
        if (directions[at] > outletCode) {
            layers.basin[at] =
                layers.basin[static_cast<std::size_t>(grid.downOf(*cell, directions[at]))];
        }
    }
}


}  // namespace

std::vector<RiverPath> riverPaths(const FineNetwork& fine, const ModelGrid& grid,
                                  const Outlets& outlets) {
    const std::vector<std::array<double, directionCount>> stepKm = stepLengthsKm(fine.area());
    const auto ncols = static_cast<std::size_t>(fine.ncols());
    std::vector<RiverPath> paths(grid.cellCount());
    for (std::size_t model = 0; model < grid.cellCount(); ++model) {
        if (outlets[model] == noOutlet) continue;
        auto cell = static_cast<std::size_t>(outlets[model]);
        double lengthKm = 0.0;
        while (fine.drains(cell)) {
            lengthKm += stepKm[cell / ncols][static_cast<std::size_t>(fine.code(cell) - 1)];
            cell = fine.downOf(cell);
            if (isOutlet(grid, outlets, cell)) break;
        }
        paths[model] = {cell, lengthKm};
    }
    return paths;
}

std::optional<std::string> readElevations(const std::filesystem::path& folder,
                                          const StudyArea& area,
                                          const std::vector<std::size_t>& cells,
                                          std::vector<double>& elevations) {
    constexpr std::size_t bytesPerValue = 8;
    BinaryGridReader modDem;
    if (auto failure = modDem.open(folder, modDemBin, area.ncols, bytesPerValue)) return failure;
    const auto ncols = static_cast<std::size_t>(area.ncols);
    std::vector<double> row(ncols);
    elevations.clear();
    std::size_t rowsRead = 0;
    for (const std::size_t cell : cells) {
        for (; rowsRead <= cell / ncols; ++rowsRead) {
            if (auto failure = modDem.readRow(row.data())) return failure;
        }
        elevations.push_back(row[cell % ncols]);
    }
    return std::nullopt;
}

double riverSlope(double outletElevation, double endElevation, double lengthKm) {
    if (outletElevation == noDataElevation || endElevation == noDataElevation || lengthKm <= 0.0) {
        return riverSlopeFloor;
    }
    return std::max(riverSlopeFloor, (outletElevation - endElevation) / (lengthKm * metresPerKm));
}

ModelLayers modelLayers(const FineNetwork& fine, const ModelGrid& grid,
                        const ModelNetwork& network, const std::vector<RiverPath>& paths) {
    const std::size_t count = grid.cellCount();
    ModelLayers layers;
    layers.flowDir = network.directions;
    layers.outletRow.assign(count, noValue);
    layers.outletCol.assign(count, noValue);
    layers.upArea.assign(count, noRealValue);
    layers.riverLength.assign(count, noRealValue);
    layers.riverSlope.assign(count, noRealValue);
    const auto ncols = static_cast<std::size_t>(fine.ncols());
    for (std::size_t model = 0; model < count; ++model) {
        const std::int64_t outlet = network.outlets[model];
        if (outlet == noOutlet) {
            if (frameRingOnly(fine, grid, static_cast<std::int32_t>(model))) {
                layers.flowDir[model] = binaryFrameRingValue;
            }
            continue;
        }
        const auto cell = static_cast<std::size_t>(outlet);
        layers.outletRow[model] = static_cast<std::int32_t>(cell / ncols);
        layers.outletCol[model] = static_cast<std::int32_t>(cell % ncols);
        layers.upArea[model] = static_cast<float>(fine.upstreamKm2(cell));
        layers.riverLength[model] = static_cast<float>(paths[model].lengthKm);
    }
    addLandFractions(fine, grid, layers);
    addNetworkLayers(grid, network.directions, layers);
    for (std::size_t model = 0; model < count; ++model) {
        if (layers.flowAcc[model] == noValue) layers.upArea[model] = noRealValue;
    }
    return layers;
}

std::optional<std::string> addRiverSlopes(const std::filesystem::path& folder,
                                          const FineNetwork& fine, const ModelNetwork& network,
                                          const std::vector<RiverPath>& paths,
                                          ModelLayers& layers) {
    std::vector<std::size_t> cells;
    for (std::size_t model = 0; model < paths.size(); ++model) {
        if (network.outlets[model] == noOutlet) continue;
        cells.push_back(static_cast<std::size_t>(network.outlets[model]));
        cells.push_back(paths[model].end);
    }
    std::sort(cells.begin(), cells.end());
    cells.erase(std::unique(cells.begin(), cells.end()), cells.end());
    std::vector<double> elevations;
    if (auto failure = readElevations(folder, fine.area(), cells, elevations)) return failure;
    const auto elevationOf = [&cells, &elevations](std::size_t cell) {
        return elevations[static_cast<std::size_t>(
            std::lower_bound(cells.begin(), cells.end(), cell) - cells.begin())];
    };
    for (std::size_t model = 0; model < paths.size(); ++model) {
        if (network.outlets[model] == noOutlet) continue;
        layers.riverSlope[model] = static_cast<float>(
            riverSlope(elevationOf(static_cast<std::size_t>(network.outlets[model])),
                       elevationOf(paths[model].end), paths[model].lengthKm));
    }
    return std::nullopt;
}

}  // namespace drainPrep::upscale
