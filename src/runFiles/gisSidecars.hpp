// Sidecar files that let a GIS place every grid of a run without asking: a
// .prj beside each ESRI ASCII grid and an ENVI .hdr beside each binary grid.
// They are new files beside drainPrep's, which it removes when it writes a
// grid anew; drainPrep's own are not touched.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "geometry/studyArea.hpp"
#include "output/gridSidecars.hpp"
#include "runFiles/runFiles.hpp"

namespace drainPrep {

// Geographic WGS 84, as the source rasters use, in the ESRI form of .prj
// files; the EPSG code lets GDAL and QGIS name it EPSG:4326.
extern const char* const wgs84Prj;

// Where a grid lies: its size, the north-west corner of its first cell and
// its cell size, in degrees.
struct GridPlace {
    std::int32_t rows = 0;
    std::int32_t cols = 0;
    double westDeg = 0.0;
    double northDeg = 0.0;
    double cellDeg = 0.0;
};

// The study area's exact place: its whole-degree corner and cells of exactly
// 1/120 degree. The ASCII headers' six-digit numbers would put a grid metres
// off its true corner.
GridPlace placeOfStudyArea(const StudyArea& area);

// The ENVI header of a binary grid, its numbers written with every digit a
// double holds, so that they read back exactly.
std::string enviHeader(const BinaryGridFile& grid, const GridPlace& place);

std::optional<std::string> writeGisSidecars(const std::filesystem::path& folder,
                                            const StudyArea& area);

}  // namespace drainPrep
