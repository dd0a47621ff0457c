// The few calls of GDAL that drainPrep makes, in a library of their own,
// libdrainPrepGdal.so, loaded only by runs given --dem and --dir: a run of
// the fixed pair starts without GDAL and the hundred libraries it brings.
// The types here are plain; only gdalLibrary.cpp includes GDAL.
#pragma once

#include <cstdint>
#include <string>

namespace drainPrep {

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
    std::int32_t bandCount = 0;
    std::string bandType;      // GDAL's name: Int16, Float32, CInt16, ...
    bool readsAsReal = false;  // neither complex nor unknown
    bool hasNoData = false;
    double noData = 0.0;
};

struct GdalLibraryCalls {
    // The dataset, or null with GDAL's cause. GDAL's own messages never
    // reach the console.
    void* (*open)(const char* path, GdalRasterFacts* facts, std::string* cause);
    // A window of band 1 as doubles, row after row.
    bool (*read)(void* dataset, std::int32_t row, std::int32_t col, std::int32_t rows,
                 std::int32_t cols, double* values, std::string* cause);
    void (*close)(void* dataset);
};

}  // namespace drainPrep

// The one symbol the library exports.
extern "C" const drainPrep::GdalLibraryCalls* drainPrepGdalLibraryCalls();
