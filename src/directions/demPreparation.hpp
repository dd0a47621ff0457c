// The DEM as drainPrepDirections conditions it: read whole as elevations, its
// voids filled, its sea marked and the rivers of a map burned in, as the
// request asks, before its depressions are filled.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "directions/demGrid.hpp"
#include "directions/directionsRequest.hpp"
#include "raster/gdalGridCalls.hpp"
#include "raster/gdalSource.hpp"
#include "text/failure.hpp"

namespace drainPrep {

struct PreparationRecord {
    std::int64_t voidCellsFilled = 0;
    std::int64_t seaCells = 0;
    std::int64_t burnedCells = 0;
};

Failure prepareDem(const DirectionsRequest& request, const GdalRaster& raster,
                   const GdalGridCalls& calls, DemGrid& dem, PreparationRecord& record);

}  // namespace drainPrep
