// The calls of the GDAL module beyond reading a source: writing grids in the
// formats models and GIS read (a model grid as NetCDF-CF and PCRaster,
// directions and elevations made from a DEM as GeoTIFF), and GDAL's own
// algorithms over a DEM held in memory (filling voids, rasterizing lines).
// They live in libdrainPrepGdal.so beside the reading calls, exported under
// a symbol of their own; the types are plain.
#pragma once

#include <cstdint>
#include <string>

#include "geometry/studyArea.hpp"
#include "text/failure.hpp"

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

// Each call returns what failed with GDAL's cause, which the caller puts
// into its message. They change with gdalLibraryVersion.
struct GdalGridCalls {
    // A NetCDF-4 file following CF-1.8: lat and lon coordinate variables at
    // the cell centres, a crs grid mapping for EPSG:4326, and each layer with
    // long_name, units, _FillValue and grid_mapping.
    Failure (*writeNetCdf)(const char* path, const GridPlace* place, const GdalGridLayer* layers,
                           std::int32_t layerCount, const char* title);
    // A PCRaster map of value scale LDD: codes 1 to 9 as on a keypad, 255
    // where there is no value. Its .aux.xml beside it names EPSG:4326.
    Failure (*writeLdd)(const char* path, const GridPlace* place, const std::uint8_t* codes);
    // A tiled, DEFLATE-compressed GeoTIFF of one band, Byte (`bytes`) or
    // Float32 (`reals`; one of the two is null), `noData` declared, of the
    // size and georeference (coordinate system and transform) of the raster
    // at `likePath`.
    Failure (*writeGeoTiff)(const char* path, const char* likePath, const std::uint8_t* bytes,
                            const float* reals, double noData);
    // GDALFillNodata over rows x cols elevations, row-major, NaN where a cell
    // holds no data: the cells without data where `fill` is 1 are
    // interpolated from the cells with data within its default search
    // distance (100 cells); those it cannot reach, and the others, stay NaN.
    Failure (*fillNoData)(std::int32_t rows, std::int32_t cols, double* elevations,
                          const std::uint8_t* fill);
    // Sets to 1 the cells of a grid, of the size and georeference of the
    // raster at `likePath`, that the lines of the first layer of the vector
    // file at `linesPath` pass through, 8-connected (GDALRasterizeLayers
    // without ALL_TOUCHED), reprojected from the layer's coordinate system.
    Failure (*rasterizeLines)(const char* linesPath, const char* likePath, std::uint8_t* burned);
};

// The writing calls of the GDAL module beside the running executable.
Failure loadGridCalls(const GdalGridCalls*& calls);

}  // namespace drainPrep

extern "C" const drainPrep::GdalGridCalls* drainPrepGdalGridCalls();
