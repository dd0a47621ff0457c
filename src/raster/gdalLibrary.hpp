// The few calls of GDAL that drainPrep makes, in a library of their own,
// libdrainPrepGdal.so, loaded only by runs given --dem and --dir: a run of
// the fixed pair starts without GDAL and the hundred libraries it brings.
// The types here are plain; only gdalLibrary.cpp includes GDAL.
#pragma once

#include <cstdint>
#include <string>

#include "text/failure.hpp"

namespace drainPrep {

// Raise it with every change of the module's calls (GdalLibraryCalls, the
// model file calls) or of the types they pass: the executable loads no
// library built from other declarations. Both sides are built by one project
// with one compiler, so a Failure may cross between them.
inline constexpr std::uint32_t gdalLibraryVersion = 6;

// What a raster declares about itself, band 1.
struct GdalRasterFacts {
    std::int32_t rows = 0;
    std::int32_t cols = 0;
    bool hasTransform = false;
    // x = t[0] + col * t[1] + row * t[2], y = t[3] + col * t[4] + row * t[5]
    double transform[6] = {0, 0, 0, 0, 0, 0};
    bool hasCoordinateSystem = false;
    bool geographic = false;
    double angularUnitInRadians = 0.0;
    std::string primeMeridian;          // its name
    double primeMeridianDegrees = 0.0;  // east of Greenwich
    std::string datum;                  // its name as GDAL gives it: WGS_1984, Tokyo, ...
    std::int32_t bandCount = 0;
    std::string bandType;      // GDAL's name: Int16, Float32, CInt16, ...
    bool readsAsReal = false;  // neither complex nor unknown
    bool hasNoData = false;
    double noData = 0.0;
    // A value is scale x stored + offset.
    double scale = 1.0;
    double offset = 0.0;
};

// Each call that can fail returns GDAL's cause, which the caller puts into
// its message; GDAL's own messages never reach the console.
struct GdalLibraryCalls {
    // The dataset and its facts.
    Failure (*open)(const char* path, void** dataset, GdalRasterFacts* facts);
    // A window of band 1 as doubles, row after row, as stored (before scale
    // and offset).
    Failure (*read)(void* dataset, std::int32_t row, std::int32_t col, std::int32_t rows,
                    std::int32_t cols, double* values);
    // The same window's cells that hold data, 1 or 0: 0 where the band's mask
    // (an internal mask, an alpha band) says so, or where GDAL knows no data
    // lies (a mosaic's gaps between its tiles, blocks a sparse file left out).
    Failure (*readCoverage)(void* dataset, std::int32_t row, std::int32_t col, std::int32_t rows,
                            std::int32_t cols, unsigned char* hasData);
    // The most GDAL's block cache holds while rasters are read, bytes.
    std::int64_t (*blockCacheBytes)();
    void (*close)(void* dataset);
};

}  // namespace drainPrep

// The two symbols the library exports; the executable checks the version
// before it takes the calls.
extern "C" std::uint32_t drainPrepGdalLibraryVersion();
extern "C" const drainPrep::GdalLibraryCalls* drainPrepGdalLibraryCalls();
