#include "raster/gdalLibrary.hpp"

#include <cpl_error.h>
#include <gdal.h>
#include <ogr_srs_api.h>

namespace drainPrep {

namespace {

// GDAL reports through its error handler; drainPrep's console is its own
// and nothing goes to standard error. The last message names the cause.
class QuietGdal {
public:
    QuietGdal() {
        CPLPushErrorHandler(CPLQuietErrorHandler);
        CPLErrorReset();
    }
    ~QuietGdal() { CPLPopErrorHandler(); }
    QuietGdal(const QuietGdal&) = delete;
    QuietGdal& operator=(const QuietGdal&) = delete;

    static std::string cause() {
        const char* message = CPLGetLastErrorMsg();
        if (message == nullptr || *message == '\0') return "GDAL gives no reason";
        return message;
    }
};

void readCoordinateSystem(GDALDatasetH dataset, GdalRasterFacts& facts) {
    OGRSpatialReferenceH reference = GDALGetSpatialRef(dataset);
    facts.hasCoordinateSystem = reference != nullptr;
    if (reference == nullptr) return;
    facts.geographic = OSRIsGeographic(reference) != 0;
    facts.angularUnitInRadians = OSRGetAngularUnits(reference, nullptr);
}

void readBand(GDALDatasetH dataset, GdalRasterFacts& facts) {
    facts.bandCount = GDALGetRasterCount(dataset);
    if (facts.bandCount < 1) return;
    GDALRasterBandH band = GDALGetRasterBand(dataset, 1);
    const GDALDataType type = GDALGetRasterDataType(band);
    facts.bandType = GDALGetDataTypeName(type);
    facts.readsAsReal = type != GDT_Unknown && GDALDataTypeIsComplex(type) == 0;
    int hasNoData = 0;
    facts.noData = GDALGetRasterNoDataValue(band, &hasNoData);
    facts.hasNoData = hasNoData != 0;
}

void* openRaster(const char* path, GdalRasterFacts* facts, std::string* cause) {
    GDALAllRegister();
    const QuietGdal quiet;
    GDALDatasetH dataset =
        GDALOpenEx(path, GDAL_OF_RASTER | GDAL_OF_READONLY, nullptr, nullptr, nullptr);
    if (dataset == nullptr) {
        *cause = QuietGdal::cause();
        return nullptr;
    }
    facts->rows = GDALGetRasterYSize(dataset);
    facts->cols = GDALGetRasterXSize(dataset);
    facts->hasTransform = GDALGetGeoTransform(dataset, facts->transform) == CE_None;
    readCoordinateSystem(dataset, *facts);
    readBand(dataset, *facts);
    return dataset;
}

bool readWindow(void* dataset, std::int32_t row, std::int32_t col, std::int32_t rows,
                std::int32_t cols, double* values, std::string* cause) {
    const QuietGdal quiet;
    GDALRasterBandH band = GDALGetRasterBand(dataset, 1);
    if (GDALRasterIO(band, GF_Read, col, row, cols, rows, values, cols, rows, GDT_Float64, 0, 0) ==
        CE_None) {
        return true;
    }
    *cause = QuietGdal::cause();
    return false;
}

void closeRaster(void* dataset) { GDALClose(dataset); }

constexpr GdalLibraryCalls calls{openRaster, readWindow, closeRaster};

}  // namespace

}  // namespace drainPrep

extern "C" const drainPrep::GdalLibraryCalls* drainPrepGdalLibraryCalls() {
    return &drainPrep::calls;
}
