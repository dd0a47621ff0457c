// Sidecar files that let a GIS place every grid of a run without asking: a
// .prj beside each ESRI ASCII grid and an ENVI .hdr beside each binary grid.
// They are new files beside drainPrep's; drainPrep's own are not touched.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "runFiles/runFiles.hpp"

namespace drainPrep {

// Geographic WGS 84, as the source rasters use, in the ESRI form of .prj
// files; the EPSG code lets GDAL and QGIS name it EPSG:4326.
extern const char* const wgs84Prj;

// The ENVI header of a binary grid, with the georeference its ASCII twin
// carries (from the ASCII header), so that both open in the same place.
std::string enviHeader(const BinaryGridFile& grid, const AsciiHeader& georeference);

// cutDem.prj beside cutDem.asc, modDem.hdr beside modDem.bin, and so on.
std::filesystem::path sidecarPath(const std::filesystem::path& gridPath, const char* extension);

std::optional<std::string> writeGisSidecars(const std::filesystem::path& folder,
                                            const AsciiHeader& georeference);

}  // namespace drainPrep
