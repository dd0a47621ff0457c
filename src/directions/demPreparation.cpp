#include "directions/demPreparation.hpp"

#include <cmath>
#include <limits>
#include <vector>

#include "cell/directions.hpp"
#include "directions/interiorVoids.hpp"

namespace drainPrep {

namespace {

constexpr double noData = std::numeric_limits<double>::quiet_NaN();

// -9999 m is drainPrep's own mark of no data, declared or not: filled as
// land, a sea of it would be raised by ten kilometres.
void markNoData(DemGrid& dem) {
    for (double& elevation : dem.elevations) {
        if (elevation == noDataElevation) elevation = noData;
    }
}

Failure fillVoids(const GdalGridCalls& calls, DemGrid& dem, PreparationRecord& record) {
    const std::vector<std::uint8_t> voids = interiorVoids(dem);
    if (auto cause = calls.fillNoData(dem.rows, dem.cols, dem.elevations.data(), voids.data())) {
        return "The voids of the DEM cannot be filled: " + *cause;
    }
    for (std::size_t cell = 0; cell < voids.size(); ++cell) {
        if (voids[cell] != 0 && !std::isnan(dem.elevations[cell])) ++record.voidCellsFilled;
    }
    return std::nullopt;
}

// Sea and no data alike end the water that reaches them.
void markSea(double seaLevel, DemGrid& dem, PreparationRecord& record) {
    for (double& elevation : dem.elevations) {
        if (std::isnan(elevation) || elevation > seaLevel) continue;
        elevation = noData;
        ++record.seaCells;
    }
}

Failure burnLines(const DirectionsRequest& request, const GdalGridCalls& calls, DemGrid& dem,
                  PreparationRecord& record) {
    std::vector<std::uint8_t> burned(dem.elevations.size(), 0);
    if (auto cause =
            calls.rasterizeLines(request.burnLines->c_str(), request.dem.c_str(), burned.data())) {
        return *request.burnLines + " cannot be burned into the DEM: " + *cause;
    }
    const double depth = request.burnDepth.value_or(defaultBurnDepth);
    for (std::size_t cell = 0; cell < burned.size(); ++cell) {
        if (burned[cell] == 0 || std::isnan(dem.elevations[cell])) continue;
        dem.elevations[cell] -= depth;
        ++record.burnedCells;
    }
    return std::nullopt;
}

}  // namespace

Failure prepareDem(const DirectionsRequest& request, const GdalRaster& raster,
                   const GdalGridCalls& calls, DemGrid& dem, PreparationRecord& record) {
    const SourceFrame& frame = raster.frame;
    dem.rows = frame.rows;
    dem.cols = frame.cols;
    if (auto failure =
            readGdalElevations(raster, {{0, 0}, frame.rows, frame.cols}, dem.elevations)) {
        return failure;
    }
    markNoData(dem);
    if (request.fillVoids) {
        if (auto failure = fillVoids(calls, dem, record)) return failure;
    }
    if (request.seaLevel) markSea(*request.seaLevel, dem, record);
    if (request.burnLines) return burnLines(request, calls, dem, record);
    return std::nullopt;
}

}  // namespace drainPrep
