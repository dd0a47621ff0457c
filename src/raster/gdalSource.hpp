// A DEM and a D8 direction raster of any 30-arc-second grid that GDAL opens
// (GeoTIFF, ESRI BIL/EHdr, ENVI, a VRT mosaic of tiles), for runs given
// --dem PATH --dir PATH.
//
// Only what keeps the products' meaning is accepted: latitude and longitude
// on WGS 84 (or NAD83 or ETRS89, within metres of it), north up without
// rotation, cells of 1/120 degree, the corner on the 30" lattice, longitudes
// from Greenwich within the globe, and the two rasters on the same cells.
// Values become the 16-bit samples of the fixed pair: the band's NoData (as
// the band stores it), NaN and cells GDAL knows hold no data (a mask, a
// mosaic's gaps) become -9999; elevations take the band's scale (never 0)
// and offset and are rounded to whole metres, halves away from zero; a
// direction that is no whole number, and a value that does not fit 16 bits,
// stop the read.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "geometry/sourceFrame.hpp"
#include "raster/intGrid.hpp"
#include "text/failure.hpp"

namespace drainPrep {

struct SourcePaths {
    std::string dem;
    std::string directions;
};

struct GdalLibraryCalls;

// GDAL is loaded from this library, beside the executable, only when a run is
// given --dem and --dir.
inline const char* const gdalLibraryFile = "libdrainPrepGdal.so";

// How the values of a band become samples.
struct ValueRule {
    bool hasNoData = false;
    double noData = 0.0;  // as the band stores it
    double scale = 1.0;
    double offset = 0.0;
    bool wholeNumbers = false;  // D8 codes: a fraction is refused, not rounded
};

// The declared NoData as the band stores it: a Float32 band holds the float
// nearest the value its header gives (-3.4e38 in an ESRI .hdr).
double noDataAsStored(double noData, const std::string& bandType);

// The GDAL module beside the running executable, its handle in `module`;
// dlopen keeps one copy of it however often it is asked.
Failure loadGdalModule(void*& module);

// One opened raster, band 1, checked.
struct GdalRaster {
    std::string path;
    const GdalLibraryCalls* gdal = nullptr;
    std::shared_ptr<void> dataset;  // closed with the last copy
    SourceFrame frame;
    ValueRule rule;
};

struct GdalSourcePair {
    GdalRaster dem;
    GdalRaster directions;

    const SourceFrame& frame() const { return dem.frame; }
};

// Opens and checks the DEM, then the direction raster, then that they cover
// the same cells. Returns the failure text, naming the file, of the first
// thing that is refused.
Failure openGdalSources(const SourcePaths& paths, GdalSourcePair& pair);

// A value as stored (any band type, as double) made a 16-bit sample: -9999 for
// NoData and NaN, else scaled, offset and rounded half away from zero;
// nothing when out of range, or a fraction where whole numbers are due.
std::optional<std::int32_t> sampleOfValue(double stored, const ValueRule& rule);

// What GDAL's block cache may hold while the pair is read: a run plans its
// memory with it.
std::uint64_t blockCacheBytes(const GdalSourcePair& pair);

// Closes both rasters, whose cached blocks GDAL then frees; the paths and
// the frame stay.
void closeGdalSources(GdalSourcePair& pair);

// Allocates both grids, prints the stage line and reads only the study-area
// window of both rasters, with a progress text at every hundredth source row.
// The area must lie inside the pair's frame.
Failure readGdalSourceWindow(const StudyArea& area, GdalSourcePair& pair, std::ostream& console,
                             IntGrid& dem, IntGrid& directions);

// Opens and checks a DEM alone, as openGdalSources checks the DEM of a pair.
Failure openGdalDem(const std::string& path, GdalRaster& dem);

// One window of a DEM as elevations in metres, row after row, its scale and
// offset applied and not rounded; NaN where it holds no data.
Failure readGdalElevations(const GdalRaster& dem, const CellWindow& window,
                           std::vector<double>& elevations);

// One window of both rasters as samples, row after row.
Failure readGdalBlock(const GdalSourcePair& pair, const CellWindow& window,
                      std::vector<std::int32_t>& dem, std::vector<std::int32_t>& directions);

}  // namespace drainPrep
