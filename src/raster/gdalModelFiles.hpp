// The calls of the GDAL module that write grids in the formats models and
// GIS read: a model grid as NetCDF-CF and PCRaster, and directions and
// elevations made from a DEM as GeoTIFF. They live in libdrainPrepGdal.so
// beside the reading calls, exported under a symbol of their own; the types
// are plain.
#pragma once

#include <cstdint>
#include <string>

#include "geometry/studyArea.hpp"

namespace drainPrep {

// One variable of the NetCDF file: rows x cols values, row-major from the
// north-west, int32 or float32.
struct GdalGridLayer {
    const char* name;
    const char* longName;
    const char* units;
    const std::int32_t* ints;  // one of the two is null
    const float* reals;
    double fillValue;
};

struct GdalModelFileCalls {
    // A NetCDF-4 file following CF-1.8: lat and lon coordinate variables at
    // the cell centres, a crs grid mapping for EPSG:4326, and each layer with
    // long_name, units, _FillValue and grid_mapping.
    bool (*writeNetCdf)(const char* path, const GridPlace* place, const GdalGridLayer* layers,
                        std::int32_t layerCount, const char* title, std::string* cause);
    // A PCRaster map of value scale LDD: codes 1 to 9 as on a keypad, 255
    // where there is no value. Its .aux.xml beside it names EPSG:4326.
    bool (*writeLdd)(const char* path, const GridPlace* place, const std::uint8_t* codes,
                     std::string* cause);
    // A tiled, DEFLATE-compressed GeoTIFF of one band, Byte (`bytes`) or
    // Float32 (`reals`; one of the two is null), `noData` declared, of the
    // size and georeference (coordinate system and transform) of the raster
    // at `likePath`.
    bool (*writeGeoTiff)(const char* path, const char* likePath, const std::uint8_t* bytes,
                         const float* reals, double noData, std::string* cause);
};

// The writing calls of the GDAL module beside the running executable, or
// null with the failure text.
const GdalModelFileCalls* loadModelFileCalls(std::string& failure);

}  // namespace drainPrep

extern "C" const drainPrep::GdalModelFileCalls* drainPrepGdalModelFileCalls();
