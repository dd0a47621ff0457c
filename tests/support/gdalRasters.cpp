#include "support/gdalRasters.hpp"

#include <cpl_string.h>
#include <gdal.h>
#include <gdal_utils.h>
#include <ogr_api.h>
#include <ogr_srs_api.h>

#include <stdexcept>

namespace drainPrep::testing {

namespace {

// CSL lists of GDAL options, freed with the wrapper.
class Options {
public:
    Options(std::initializer_list<std::string> words) {
        for (const std::string& word : words) list_ = CSLAddString(list_, word.c_str());
    }
    ~Options() { CSLDestroy(list_); }
    Options(const Options&) = delete;
    Options& operator=(const Options&) = delete;
    char** get() const { return list_; }

private:
    char** list_ = nullptr;
};

void require(bool condition, const std::string& what) {
    if (!condition) throw std::runtime_error(what + ": " + CPLGetLastErrorMsg());
}

void setCoordinateSystem(GDALDatasetH dataset, const std::string& definition) {
    if (definition.empty()) return;
    OGRSpatialReferenceH reference = OSRNewSpatialReference(nullptr);
    require(OSRSetFromUserInput(reference, definition.c_str()) == OGRERR_NONE, definition);
    OSRSetAxisMappingStrategy(reference, OAMS_TRADITIONAL_GIS_ORDER);
    GDALSetSpatialRef(dataset, reference);
    OSRDestroySpatialReference(reference);
}

GDALDatasetH create(const char* driverName, const std::string& path, std::int32_t rows,
                    std::int32_t cols, GDALDataType type, char** options) {
    GDALAllRegister();
    GDALDriverH driver = GDALGetDriverByName(driverName);
    GDALDatasetH dataset = GDALCreate(driver, path.c_str(), cols, rows, type == GDT_Unknown ? 0 : 1,
                                      type == GDT_Unknown ? GDT_Byte : type, options);
    require(dataset != nullptr, path);
    return dataset;
}

}  // namespace

TestRaster latticeRaster(std::int32_t rows, std::int32_t cols, std::int64_t northCells,
                         std::int64_t westCells, const std::string& type) {
    TestRaster raster;
    raster.rows = rows;
    raster.cols = cols;
    raster.transform = {static_cast<double>(westCells) / 120,  1.0 / 120, 0.0,
                        static_cast<double>(northCells) / 120, 0.0,       -1.0 / 120};
    raster.type = type;
    return raster;
}

void writeMask(GDALRasterBandH band, const TestRaster& raster, const std::string& path) {
    if (raster.mask.empty()) return;
    CPLSetConfigOption("GDAL_TIFF_INTERNAL_MASK", "YES");
    require(GDALCreateMaskBand(band, GMF_PER_DATASET) == CE_None, path);
    std::vector<std::uint8_t> mask = raster.mask;
    require(GDALRasterIO(GDALGetMaskBand(band), GF_Write, 0, 0, raster.cols, raster.rows,
                         mask.data(), raster.cols, raster.rows, GDT_Byte, 0, 0) == CE_None,
            path);
}

void writeGeoTiff(const std::string& path, const TestRaster& raster) {
    const GDALDataType type = GDALGetDataTypeByName(raster.type.c_str());
    GDALDatasetH dataset =
        create(raster.format.c_str(), path, raster.rows, raster.cols, type, nullptr);
    std::vector<double> transform = raster.transform;
    GDALSetGeoTransform(dataset, transform.data());
    setCoordinateSystem(dataset, raster.coordinateSystem);
    GDALRasterBandH band = GDALGetRasterBand(dataset, 1);
    if (raster.noData) GDALSetRasterNoDataValue(band, *raster.noData);
    if (raster.scale != 1.0) GDALSetRasterScale(band, raster.scale);
    if (raster.offset != 0.0) GDALSetRasterOffset(band, raster.offset);
    std::vector<double> values = raster.values;
    values.resize(static_cast<std::size_t>(raster.rows) * static_cast<std::size_t>(raster.cols));
    require(GDALRasterIO(band, GF_Write, 0, 0, raster.cols, raster.rows, values.data(), raster.cols,
                         raster.rows, GDT_Float64, 0, 0) == CE_None,
            path);
    writeMask(band, raster, path);
    GDALClose(dataset);
}

void writeRawVrt(const std::string& path, const std::string& rawFile, std::int32_t rows,
                 std::int32_t cols, std::int64_t northCells, std::int64_t westCells) {
    GDALDatasetH dataset = create("VRT", path, rows, cols, GDT_Unknown, nullptr);
    const TestRaster frame = latticeRaster(rows, cols, northCells, westCells);
    std::vector<double> transform = frame.transform;
    GDALSetGeoTransform(dataset, transform.data());
    setCoordinateSystem(dataset, frame.coordinateSystem);
    const Options band{"subClass=VRTRawRasterBand",
                       "SourceFilename=" + rawFile,
                       "ImageOffset=0",
                       "PixelOffset=2",
                       "LineOffset=" + std::to_string(2 * cols),
                       "ByteOrder=LSB"};
    require(GDALAddBand(dataset, GDT_Int16, band.get()) == CE_None, path);
    GDALClose(dataset);
}

void writeTiledCopy(const std::string& source, const std::string& path, std::int32_t row,
                    std::int32_t col, std::int32_t rows, std::int32_t cols) {
    GDALAllRegister();
    GDALDatasetH input = GDALOpen(source.c_str(), GA_ReadOnly);
    require(input != nullptr, source);
    const Options words{"-of",
                        "GTiff",
                        "-co",
                        "TILED=YES",
                        "-co",
                        "COMPRESS=DEFLATE",
                        "-srcwin",
                        std::to_string(col),
                        std::to_string(row),
                        std::to_string(cols),
                        std::to_string(rows)};
    GDALTranslateOptions* options = GDALTranslateOptionsNew(words.get(), nullptr);
    GDALDatasetH output = GDALTranslate(path.c_str(), input, options, nullptr);
    GDALTranslateOptionsFree(options);
    require(output != nullptr, path);
    GDALClose(output);
    GDALClose(input);
}

void writeMosaic(const std::string& path, const std::vector<std::string>& tiles,
                 const std::vector<std::string>& extent) {
    GDALAllRegister();
    std::vector<const char*> names;
    for (const std::string& tile : tiles) names.push_back(tile.c_str());
    std::vector<char*> words;
    for (const std::string& word : extent) words.push_back(const_cast<char*>(word.c_str()));
    words.push_back(nullptr);
    GDALBuildVRTOptions* options = GDALBuildVRTOptionsNew(words.data(), nullptr);
    GDALDatasetH mosaic = GDALBuildVRT(path.c_str(), static_cast<int>(names.size()), nullptr,
                                       names.data(), options, nullptr);
    GDALBuildVRTOptionsFree(options);
    require(mosaic != nullptr, path);
    GDALClose(mosaic);
}

std::vector<double> rasterValues(const std::string& path) {
    GDALAllRegister();
    GDALDatasetH dataset = GDALOpen(path.c_str(), GA_ReadOnly);
    require(dataset != nullptr, "open " + path);
    const int cols = GDALGetRasterXSize(dataset);
    const int rows = GDALGetRasterYSize(dataset);
    std::vector<double> values(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols));
    const CPLErr read = GDALRasterIO(GDALGetRasterBand(dataset, 1), GF_Read, 0, 0, cols, rows,
                                     values.data(), cols, rows, GDT_Float64, 0, 0);
    GDALClose(dataset);
    require(read == CE_None, "read " + path);
    return values;
}

std::vector<double> geoTransformOf(const std::string& path) {
    GDALAllRegister();
    GDALDatasetH raster = GDALOpen(path.c_str(), GA_ReadOnly);
    require(raster != nullptr, path);
    std::vector<double> transform(6);
    const CPLErr read = GDALGetGeoTransform(raster, transform.data());
    GDALClose(raster);
    require(read == CE_None, path);
    return transform;
}

VectorExtent vectorExtent(const std::string& path) {
    GDALAllRegister();
    GDALDatasetH file = GDALOpenEx(path.c_str(), GDAL_OF_VECTOR, nullptr, nullptr, nullptr);
    require(file != nullptr, path);
    OGREnvelope envelope;
    const OGRErr read = OGR_L_GetExtent(GDALDatasetGetLayer(file, 0), &envelope, TRUE);
    GDALClose(file);
    require(read == OGRERR_NONE, path);
    return {envelope.MinX, envelope.MinY, envelope.MaxX, envelope.MaxY};
}

}  // namespace drainPrep::testing
