#include "upscale/modelLayers.hpp"

#include <algorithm>
#include <array>
#include <cmath>

#include "cell/flowNetwork.hpp"
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

// Model cells upstream and Strahler order, handed down from the headwaters;
// basin numbers, handed up from the outlets. A cell on a loop (at factor 1,
// the run's own) has neither an end upstream nor an outlet.
void addNetworkLayers(const ModelGrid& grid, const std::vector<std::int32_t>& directions,
                      ModelLayers& layers) {
    const std::size_t count = grid.cellCount();
    const ModelLinks links(grid, directions);
    const auto hasFlow = [&directions](std::size_t cell) { return directions[cell] >= outletCode; };
    layers.flowAcc.assign(count, noValue);
    std::vector<std::int32_t> downstream(count, -1);
    for (std::size_t cell = 0; cell < count; ++cell) {
        if (hasFlow(cell)) layers.flowAcc[cell] = 1;
        if (links.drains(cell)) downstream[cell] = static_cast<std::int32_t>(links.downOf(cell));
    }
    const LoopCells<std::uint8_t> loopCells = accumulate(links, layers.flowAcc.data());
    const std::vector<std::int32_t> orders = strahlerOrders(downstream);
    layers.streamOrder.assign(count, noValue);
    for (std::size_t cell = 0; cell < count; ++cell) {
        if (loopCells.onLoop(cell)) layers.flowAcc[cell] = noValue;
        if (hasFlow(cell) && !loopCells.onLoop(cell)) layers.streamOrder[cell] = orders[cell];
    }
    layers.basin.assign(count, noValue);
    std::int32_t nextBasin = 1;
    for (std::size_t cell = 0; cell < count; ++cell) {
        if (directions[cell] == outletCode) layers.basin[cell] = nextBasin++;
    }
    const std::vector<std::size_t> order = headwatersFirstOrder(links);
    for (auto cell = order.rbegin(); cell != order.rend(); ++cell) {
        if (links.drains(*cell)) layers.basin[*cell] = layers.basin[links.downOf(*cell)];
    }
}

}  // namespace

std::vector<RiverPath> riverPaths(const FineNetwork& fine, const ModelGrid& grid,
                                  const Outlets& outlets) {
    const std::vector<std::array<double, directionCount>> stepKm = stepLengthsKm(fine.area());
    const auto ncols = static_cast<std::size_t>(fine.ncols());
    const auto lengthOfStepKm = [&](std::size_t cell) {
        return stepKm[cell / ncols][static_cast<std::size_t>(fine.code(cell) - 1)];
    };
    std::vector<RiverPath> paths(grid.cellCount());
    for (std::size_t model = 0; model < grid.cellCount(); ++model) {
        if (outlets[model] == noOutlet) continue;
        const auto outlet = static_cast<std::size_t>(outlets[model]);
        if (!fine.drains(outlet)) {
            paths[model] = {outlet, 0.0};
            continue;
        }
        double lengthKm = lengthOfStepKm(outlet);
        const std::optional<std::size_t> end =
            traceDown(fine, fine.downOf(outlet), [&](std::size_t cell) {
                if (isOutlet(grid, outlets, cell)) return true;
                if (fine.drains(cell)) lengthKm += lengthOfStepKm(cell);
                return false;
            });
        paths[model] = {end.value_or(outlet), lengthKm};
    }
    return paths;
}

Failure readElevations(const std::filesystem::path& folder, const StudyArea& area,
                       const std::vector<std::size_t>& cells, std::vector<double>& elevations) {
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

Failure addRiverSlopes(const std::filesystem::path& folder, const FineNetwork& fine,
                       const ModelNetwork& network, const std::vector<RiverPath>& paths,
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
