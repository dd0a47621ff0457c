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
#include "text/failure.hpp"

namespace drainPrep {

// Geographic WGS 84, as the source rasters use, in the ESRI form of .prj
// files; the EPSG code lets GDAL and QGIS name it EPSG:4326.
extern const char* const wgs84Prj;

// The ENVI header of a binary grid, its numbers written with every digit a
// double holds, so that they read back exactly.
std::string enviHeader(const BinaryGridFile& grid, const GridPlace& place);

Failure writeGisSidecars(const std::filesystem::path& folder, const StudyArea& area);

}  // namespace drainPrep
