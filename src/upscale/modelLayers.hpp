// The layers of the model grid, one value per model cell, row-major.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "text/failure.hpp"
#include "upscale/upscaling.hpp"

namespace drainPrep::upscale {

// The value of a layer where a model cell has no flow data.
constexpr std::int32_t noValue = -9999;
constexpr float noRealValue = -9999.0F;

// Slopes below this, a drop of 1 cm per km (flats, a path that ends in its
// own outlet, a river rising along its path), are given as this: models
// divide by the slope or take its root.
constexpr double riverSlopeFloor = 1e-5;

// The fine path from a model cell's outlet to the first outlet of another
// model cell, or to its end.
struct RiverPath {
    std::size_t end = 0;
    double lengthKm = 0.0;
};

std::vector<RiverPath> riverPaths(const FineNetwork& fine, const ModelGrid& grid,
                                  const Outlets& outlets);

// The modDem.bin values of the given cells, ascending, read in one pass.
Failure readElevations(const std::filesystem::path& folder, const StudyArea& area,
                       const std::vector<std::size_t>& cells, std::vector<double>& elevations);

struct ModelLayers {
    std::vector<std::int32_t> flowDir;  // 1 N to 8 NW, 0 the river ends, -1 no flow data,
                                        // -9999 a model cell of the run's frame ring only
    std::vector<std::int32_t> outletRow;
    std::vector<std::int32_t> outletCol;
    std::vector<float> upArea;       // km²
    std::vector<std::int32_t> flowAcc;  // model cells upstream, itself included
    std::vector<float> riverLength;  // km
    std::vector<float> riverSlope;   // m/m
    std::vector<float> landFraction;
    std::vector<std::int32_t> streamOrder;  // Strahler
    std::vector<std::int32_t> basin;        // numbered by their outlets in row-major order
};

// Every layer but the slopes, which riverSlopes adds.
ModelLayers modelLayers(const FineNetwork& fine, const ModelGrid& grid,
                        const ModelNetwork& network, const std::vector<RiverPath>& paths);

// The drop from outlet to path end over the path's length, at least the floor.
double riverSlope(double outletElevation, double endElevation, double lengthKm);

Failure addRiverSlopes(const std::filesystem::path& folder, const FineNetwork& fine,
                       const ModelNetwork& network, const std::vector<RiverPath>& paths,
                       ModelLayers& layers);

}  // namespace drainPrep::upscale
