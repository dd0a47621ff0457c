// A DEM and a D8 direction raster of any 30-arc-second grid that GDAL opens
// (GeoTIFF, ESRI BIL/EHdr, ENVI, a VRT mosaic of tiles), for runs given
// --dem PATH --dir PATH.
//
// Only what keeps the products' meaning is accepted: latitude and longitude,
// north up without rotation, cells of 1/120 degree, the corner on the 30"
// lattice, and the two rasters on the same cells. Values become the 16-bit
// samples of the fixed pair: the band's NoData and NaN become -9999, floating
// elevations are rounded to whole metres, halves away from zero, and a value
// that does not fit 16 bits stops the read.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "geometry/sourceFrame.hpp"
#include "raster/intGrid.hpp"

namespace drainPrep {

struct SourcePaths {
    std::string dem;
    std::string directions;
};

struct GdalLibraryCalls;

// GDAL is loaded from this library only when a run is given --dem and --dir.
inline const char* const gdalLibraryFile = "libdrainPrepGdal.so";

// The GDAL module, or null with the failure text; dlopen keeps one copy of
// it however often it is asked.
void* loadGdalModule(std::string& failure);

// One opened raster, band 1, checked.
struct GdalRaster {
    std::string path;
    const GdalLibraryCalls* gdal = nullptr;
    std::shared_ptr<void> dataset;  // closed with the last copy
    SourceFrame frame;
    bool hasNoData = false;
    double noData = 0.0;
};

struct GdalSourcePair {
    GdalRaster dem;
    GdalRaster directions;

    const SourceFrame& frame() const { return dem.frame; }
};

// Opens and checks the DEM, then the direction raster, then that they cover
// the same cells. Returns the failure text, naming the file, of the first
// thing that is refused.
std::optional<std::string> openGdalSources(const SourcePaths& paths, GdalSourcePair& pair);

// A value as read (any band type, as double) made a 16-bit sample: -9999 for
// NoData and NaN, rounded half away from zero; nothing when out of range.
std::optional<std::int32_t> sampleOfValue(double value, bool hasNoData, double noData);

// Allocates both grids, prints the stage line and reads only the study-area
// window of both rasters, with a progress text at every hundredth source row.
// The area must lie inside the pair's frame.
std::optional<std::string> readGdalSourceWindow(const StudyArea& area, GdalSourcePair& pair,
                                                std::ostream& console, IntGrid& dem,
                                                IntGrid& directions);

// The samples of one whole source row of both rasters.
using GdalRowVisit = std::function<void(std::int32_t row, const std::int32_t* demRow,
                                        const std::int32_t* directionRow)>;

// Reads both rasters whole, a block of rows at a time, and hands every row to
// `visit`, north to south.
std::optional<std::string> streamGdalRows(GdalSourcePair& pair, const GdalRowVisit& visit);

}  // namespace drainPrep
