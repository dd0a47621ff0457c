#include "raster/gdalLibrary.hpp"
#include "raster/quietGdal.hpp"

#include <cpl_error.h>
#include <gdal.h>
#include <ogr_srs_api.h>

#include <algorithm>
#include <cstring>

namespace drainPrep {

namespace {

void readCoordinateSystem(GDALDatasetH dataset, GdalRasterFacts& facts) {
    OGRSpatialReferenceH reference = GDALGetSpatialRef(dataset);
    facts.hasCoordinateSystem = reference != nullptr;
    if (reference == nullptr) return;
    facts.geographic = OSRIsGeographic(reference) != 0;
    facts.angularUnitInRadians = OSRGetAngularUnits(reference, nullptr);
    char* name = nullptr;
    facts.primeMeridianDegrees = OSRGetPrimeMeridian(reference, &name);
    facts.primeMeridian = name != nullptr ? name : "";
    const char* datum = OSRGetAttrValue(reference, "DATUM", 0);
    facts.datum = datum != nullptr ? datum : "";
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
    facts.scale = GDALGetRasterScale(band, nullptr);
    facts.offset = GDALGetRasterOffset(band, nullptr);
}

Failure openRaster(const char* path, void** opened, GdalRasterFacts* facts) {
    GDALAllRegister();
    const QuietGdal quiet;
    // Verbose: a missing file is then an error with its reason too.
    GDALDatasetH dataset = GDALOpenEx(
        path, GDAL_OF_RASTER | GDAL_OF_READONLY | GDAL_OF_VERBOSE_ERROR, nullptr, nullptr, nullptr);
    if (dataset == nullptr) return QuietGdal::cause();
    facts->rows = GDALGetRasterYSize(dataset);
    facts->cols = GDALGetRasterXSize(dataset);
    facts->hasTransform = GDALGetGeoTransform(dataset, facts->transform) == CE_None;
    readCoordinateSystem(dataset, *facts);
    readBand(dataset, *facts);
    *opened = dataset;
    return std::nullopt;
}

Failure readWindow(void* dataset, std::int32_t row, std::int32_t col, std::int32_t rows,
                   std::int32_t cols, double* values) {
    const QuietGdal quiet;
    GDALRasterBandH band = GDALGetRasterBand(dataset, 1);
    if (GDALRasterIO(band, GF_Read, col, row, cols, rows, values, cols, rows, GDT_Float64, 0, 0) ==
        CE_None) {
        return std::nullopt;
    }
    return QuietGdal::cause();
}

// A part of a window, and the window's own cells.
struct Window {
    std::int32_t row, col, rows, cols;
};

// Halves the part until GDAL knows each piece to be all data or all empty:
// a mosaic's gaps follow the edges of its tiles, so few pieces are asked.
void clearUncovered(GDALRasterBandH band, const Window& part, const Window& window,
                    unsigned char* hasData) {
    const int status =
        GDALGetDataCoverageStatus(band, part.col, part.row, part.cols, part.rows, 0, nullptr);
    if ((status & GDAL_DATA_COVERAGE_STATUS_UNIMPLEMENTED) != 0 ||
        (status & GDAL_DATA_COVERAGE_STATUS_EMPTY) == 0) {
        return;
    }
    if ((status & GDAL_DATA_COVERAGE_STATUS_DATA) == 0) {
        for (std::int32_t row = part.row; row < part.row + part.rows; ++row) {
            unsigned char* first =
                hasData +
                static_cast<std::size_t>(row - window.row) * static_cast<std::size_t>(window.cols) +
                static_cast<std::size_t>(part.col - window.col);
            std::fill_n(first, part.cols, static_cast<unsigned char>(0));
        }
        return;
    }
    if (part.rows == 1 && part.cols == 1) return;  // a cell partly covered holds data
    if (part.rows >= part.cols) {
        const std::int32_t half = part.rows / 2;
        clearUncovered(band, {part.row, part.col, half, part.cols}, window, hasData);
        clearUncovered(band, {part.row + half, part.col, part.rows - half, part.cols}, window,
                       hasData);
    } else {
        const std::int32_t half = part.cols / 2;
        clearUncovered(band, {part.row, part.col, part.rows, half}, window, hasData);
        clearUncovered(band, {part.row, part.col + half, part.rows, part.cols - half}, window,
                       hasData);
    }
}

Failure readCoverage(void* dataset, std::int32_t row, std::int32_t col, std::int32_t rows,
                     std::int32_t cols, unsigned char* hasData) {
    const QuietGdal quiet;
    GDALRasterBandH band = GDALGetRasterBand(dataset, 1);
    const std::size_t cells = static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols);
    std::fill_n(hasData, cells, static_cast<unsigned char>(1));
    // A NoData mask alone is the NoData value, which the caller compares in
    // the band's own type.
    const int maskFlags = GDALGetMaskFlags(band);
    if ((maskFlags & GMF_ALL_VALID) == 0 && maskFlags != GMF_NODATA) {
        if (GDALRasterIO(GDALGetMaskBand(band), GF_Read, col, row, cols, rows, hasData, cols, rows,
                         GDT_Byte, 0, 0) != CE_None) {
            return QuietGdal::cause();
        }
        for (std::size_t i = 0; i < cells; ++i) hasData[i] = hasData[i] != 0 ? 1 : 0;
    }
    const Window window{row, col, rows, cols};
    clearUncovered(band, window, window, hasData);
    return std::nullopt;
}

std::int64_t blockCacheBytes() { return GDALGetCacheMax64(); }

void closeRaster(void* dataset) { GDALClose(dataset); }

constexpr GdalLibraryCalls calls{openRaster, readWindow, readCoverage, blockCacheBytes,
                                 closeRaster};

}  // namespace

}  // namespace drainPrep

extern "C" std::uint32_t drainPrepGdalLibraryVersion() { return drainPrep::gdalLibraryVersion; }

extern "C" const drainPrep::GdalLibraryCalls* drainPrepGdalLibraryCalls() {
    return &drainPrep::calls;
}
