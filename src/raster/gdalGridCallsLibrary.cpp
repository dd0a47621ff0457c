// The calls of the GDAL module beyond reading a source (writing grids, and
// GDAL's algorithms over a DEM in memory), apart from the reading calls of
// gdalLibrary.cpp.
#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal_alg.h>
#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "raster/gdalGridCalls.hpp"
#include "raster/quietGdal.hpp"

namespace drainPrep {

namespace {

// A failed call, with GDAL's last message as its cause.
Failure fail(const char* what) { return std::string(what) + ": " + QuietGdal::cause(); }

struct DatasetCloser {
    void operator()(GDALDataset* dataset) const { GDALClose(dataset); }
};
using Dataset = std::unique_ptr<GDALDataset, DatasetCloser>;

// The file is complete only once GDAL has flushed and closed it.
Failure closeChecked(Dataset& dataset) {
    CPLErrorReset();
    GDALClose(dataset.release());
    if (CPLGetLastErrorType() >= CE_Failure) return fail("GDAL cannot close the file");
    return std::nullopt;
}

OGRSpatialReference wgs84() {
    OGRSpatialReference reference;
    reference.importFromEPSG(4326);
    reference.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    return reference;
}

std::string wktOf(const OGRSpatialReference& reference) {
    char* text = nullptr;
    reference.exportToWkt(&text);
    std::string wkt = text != nullptr ? text : "";
    CPLFree(text);
    return wkt;
}

bool setText(GDALIHasAttribute& owner, const char* name, const std::string& value) {
    const auto attribute = owner.CreateAttribute(name, {}, GDALExtendedDataType::CreateString());
    return attribute && attribute->Write(value.c_str());
}

bool setNumber(GDALIHasAttribute& owner, const char* name, double value) {
    const auto attribute =
        owner.CreateAttribute(name, {}, GDALExtendedDataType::Create(GDT_Float64));
    return attribute && attribute->Write(value);
}

// Cell centres along one axis: first + step * (i + 0.5).
std::vector<double> centres(std::int32_t count, double edge, double step) {
    std::vector<double> values(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) {
        values[static_cast<std::size_t>(i)] = edge + step * (i + 0.5);
    }
    return values;
}

bool writeCoordinate(GDALGroup& root, const std::shared_ptr<GDALDimension>& dimension,
                     const std::vector<double>& values, const char* longName, const char* units,
                     const char* axis) {
    const auto variable = root.CreateMDArray(dimension->GetName(), {dimension},
                                             GDALExtendedDataType::Create(GDT_Float64));
    if (!variable) return false;
    const GUInt64 start = 0;
    const size_t count = values.size();
    return variable->Write(&start, &count, nullptr, nullptr,
                           GDALExtendedDataType::Create(GDT_Float64), values.data()) &&
           setText(*variable, "standard_name", longName) &&
           setText(*variable, "long_name", longName) && setText(*variable, "units", units) &&
           setText(*variable, "axis", axis);
}

bool writeGridMapping(GDALGroup& root) {
    const auto crs = root.CreateMDArray("crs", {}, GDALExtendedDataType::Create(GDT_Int32));
    if (!crs) return false;
    const std::string wkt = wktOf(wgs84());
    return setText(*crs, "grid_mapping_name", "latitude_longitude") &&
           setNumber(*crs, "longitude_of_prime_meridian", 0.0) &&
           setNumber(*crs, "semi_major_axis", 6378137.0) &&
           setNumber(*crs, "inverse_flattening", 298.257223563) && setText(*crs, "crs_wkt", wkt) &&
           setText(*crs, "spatial_ref", wkt);
}

bool writeLayer(GDALGroup& root, const std::vector<std::shared_ptr<GDALDimension>>& dimensions,
                const GdalGridLayer& layer) {
    const GDALExtendedDataType type =
        GDALExtendedDataType::Create(layer.ints != nullptr ? GDT_Int32 : GDT_Float32);
    const CPLStringList options(std::vector<const char*>{"COMPRESS=DEFLATE", nullptr}.data());
    const auto variable = root.CreateMDArray(layer.name, dimensions, type, options.List());
    if (!variable || !variable->SetNoDataValue(layer.fillValue)) return false;
    const GUInt64 start[2] = {0, 0};
    const size_t count[2] = {static_cast<size_t>(dimensions[0]->GetSize()),
                             static_cast<size_t>(dimensions[1]->GetSize())};
    const void* values = layer.ints != nullptr ? static_cast<const void*>(layer.ints) : layer.reals;
    return variable->Write(start, count, nullptr, nullptr, type, values) &&
           setText(*variable, "long_name", layer.longName) &&
           setText(*variable, "units", layer.units) && setText(*variable, "grid_mapping", "crs");
}

Failure writeNetCdf(const char* path, const GridPlace* place, const GdalGridLayer* layers,
                    std::int32_t layerCount, const char* title) {
    GDALAllRegister();
    const QuietGdal quiet;
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("netCDF");
    if (driver == nullptr) return fail("GDAL has no netCDF driver");
    Dataset dataset(driver->CreateMultiDimensional(path, nullptr, nullptr));
    if (!dataset) return fail("GDAL cannot create the file");
    const std::shared_ptr<GDALGroup> root = dataset->GetRootGroup();
    const auto lat = root->CreateDimension("lat", GDAL_DIM_TYPE_HORIZONTAL_Y, "NORTH",
                                           static_cast<GUInt64>(place->rows));
    const auto lon = root->CreateDimension("lon", GDAL_DIM_TYPE_HORIZONTAL_X, "EAST",
                                           static_cast<GUInt64>(place->cols));
    bool written =
        lat && lon && setText(*root, "Conventions", "CF-1.8") && setText(*root, "title", title) &&
        setText(*root, "source", "drainPrepUpscale") &&
        writeCoordinate(*root, lat, centres(place->rows, place->northDeg, -place->cellDeg),
                        "latitude", "degrees_north", "Y") &&
        writeCoordinate(*root, lon, centres(place->cols, place->westDeg, place->cellDeg),
                        "longitude", "degrees_east", "X") &&
        writeGridMapping(*root);
    for (std::int32_t i = 0; written && i < layerCount; ++i) {
        written = writeLayer(*root, {lat, lon}, layers[i]);
    }
    if (!written) return fail("GDAL cannot write the file");
    return closeChecked(dataset);
}

constexpr std::uint8_t lddMissing = 255;

// The PCRaster driver takes the value scale LDD from the dataset it copies,
// not from options of one it creates: the map is copied from one in memory.
Failure writeLdd(const char* path, const GridPlace* place, const std::uint8_t* codes) {
    GDALAllRegister();
    const QuietGdal quiet;
    GDALDriver* memory = GetGDALDriverManager()->GetDriverByName("MEM");
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("PCRaster");
    if (memory == nullptr || driver == nullptr) {
        return fail("GDAL has no PCRaster driver");
    }
    Dataset grid(memory->Create("", place->cols, place->rows, 1, GDT_Byte, nullptr));
    if (!grid) return fail("GDAL cannot make the map in memory");
    double transform[6] = {place->westDeg, place->cellDeg, 0.0, place->northDeg, 0.0,
                           -place->cellDeg};
    const OGRSpatialReference reference = wgs84();
    GDALRasterBand* band = grid->GetRasterBand(1);
    const bool filled =
        grid->SetGeoTransform(transform) == CE_None && grid->SetSpatialRef(&reference) == CE_None &&
        band->SetNoDataValue(lddMissing) == CE_None &&
        grid->SetMetadataItem("PCRASTER_VALUESCALE", "VS_LDD") == CE_None &&
        band->RasterIO(GF_Write, 0, 0, place->cols, place->rows, const_cast<std::uint8_t*>(codes),
                       place->cols, place->rows, GDT_Byte, 0, 0, nullptr) == CE_None;
    if (!filled) return fail("GDAL cannot make the map in memory");
    Dataset map(driver->CreateCopy(path, grid.get(), TRUE, nullptr, nullptr, nullptr));
    if (!map) return fail("GDAL cannot write the file");
    return closeChecked(map);
}

bool copyGeoreference(GDALDataset& from, GDALDataset& to) {
    double transform[6];
    const OGRSpatialReference* reference = from.GetSpatialRef();
    return from.GetGeoTransform(transform) == CE_None && to.SetGeoTransform(transform) == CE_None &&
           (reference == nullptr || to.SetSpatialRef(reference) == CE_None);
}

Failure writeGeoTiff(const char* path, const char* likePath, const std::uint8_t* bytes,
                     const float* reals, double noData) {
    GDALAllRegister();
    const QuietGdal quiet;
    Dataset like(GDALDataset::Open(likePath, GDAL_OF_RASTER | GDAL_OF_READONLY));
    if (!like) return fail("GDAL cannot open the raster whose place it takes");
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GTiff");
    if (driver == nullptr) return fail("GDAL has no GeoTIFF driver");
    const int cols = like->GetRasterXSize();
    const int rows = like->GetRasterYSize();
    const GDALDataType type = bytes != nullptr ? GDT_Byte : GDT_Float32;
    const char* options[] = {"TILED=YES", "COMPRESS=DEFLATE", "BIGTIFF=IF_SAFER", nullptr};
    Dataset grid(driver->Create(path, cols, rows, 1, type, const_cast<char**>(options)));
    if (!grid) return fail("GDAL cannot create the file");
    GDALRasterBand* band = grid->GetRasterBand(1);
    void* values = bytes != nullptr ? const_cast<std::uint8_t*>(bytes)
                                    : static_cast<void*>(const_cast<float*>(reals));
    const bool written =
        copyGeoreference(*like, *grid) && band->SetNoDataValue(noData) == CE_None &&
        band->RasterIO(GF_Write, 0, 0, cols, rows, values, cols, rows, type, 0, 0, nullptr) ==
            CE_None;
    if (!written) return fail("GDAL cannot write the file");
    return closeChecked(grid);
}

Dataset memoryGrid(std::int32_t cols, std::int32_t rows, GDALDataType type) {
    GDALDriver* memory = GetGDALDriverManager()->GetDriverByName("MEM");
    if (memory == nullptr) return nullptr;
    return Dataset(memory->Create("", cols, rows, 1, type, nullptr));
}

Failure fillNoData(std::int32_t rows, std::int32_t cols, double* elevations,
                   const std::uint8_t* fill) {
    GDALAllRegister();
    const QuietGdal quiet;
    Dataset grid = memoryGrid(cols, rows, GDT_Float64);
    Dataset mask = memoryGrid(cols, rows, GDT_Byte);
    if (!grid || !mask) return fail("GDAL cannot make the grid in memory");
    // GDALFillNodata takes the mask's zeros for the cells to interpolate and
    // its ones for the cells to interpolate from: every cell without data is
    // interpolated, and those not to fill are given back their NaN after.
    std::vector<std::uint8_t> valid(static_cast<std::size_t>(rows) *
                                    static_cast<std::size_t>(cols));
    for (std::size_t i = 0; i < valid.size(); ++i) valid[i] = std::isnan(elevations[i]) ? 0 : 1;
    GDALRasterBand* band = grid->GetRasterBand(1);
    const bool filled =
        band->RasterIO(GF_Write, 0, 0, cols, rows, elevations, cols, rows, GDT_Float64, 0, 0,
                       nullptr) == CE_None &&
        mask->GetRasterBand(1)->RasterIO(GF_Write, 0, 0, cols, rows, valid.data(), cols, rows,
                                         GDT_Byte, 0, 0, nullptr) == CE_None &&
        GDALFillNodata(band, mask->GetRasterBand(1), 100, 0, 0, nullptr, nullptr, nullptr) ==
            CE_None &&
        band->RasterIO(GF_Read, 0, 0, cols, rows, elevations, cols, rows, GDT_Float64, 0, 0,
                       nullptr) == CE_None;
    if (!filled) return fail("GDAL cannot fill the voids");
    for (std::size_t i = 0; i < valid.size(); ++i) {
        if (valid[i] == 0 && fill[i] == 0) elevations[i] = std::numeric_limits<double>::quiet_NaN();
    }
    return std::nullopt;
}

Failure rasterizeLines(const char* linesPath, const char* likePath, std::uint8_t* burned) {
    GDALAllRegister();
    const QuietGdal quiet;
    Dataset like(GDALDataset::Open(likePath, GDAL_OF_RASTER | GDAL_OF_READONLY));
    if (!like) return fail("GDAL cannot open the raster whose place it takes");
    Dataset lines(GDALDataset::Open(linesPath, GDAL_OF_VECTOR | GDAL_OF_READONLY));
    if (!lines || lines->GetLayerCount() < 1) return fail("GDAL cannot open the lines");
    const int cols = like->GetRasterXSize();
    const int rows = like->GetRasterYSize();
    Dataset grid = memoryGrid(cols, rows, GDT_Byte);
    if (!grid || !copyGeoreference(*like, *grid)) {
        return fail("GDAL cannot make the grid in memory");
    }
    int band = 1;
    double value = 1.0;
    OGRLayerH layer = OGRLayer::ToHandle(lines->GetLayer(0));
    const bool rasterized =
        GDALRasterizeLayers(GDALDataset::ToHandle(grid.get()), 1, &band, 1, &layer, nullptr,
                            nullptr, &value, nullptr, nullptr, nullptr) == CE_None &&
        grid->GetRasterBand(1)->RasterIO(GF_Read, 0, 0, cols, rows, burned, cols, rows, GDT_Byte, 0,
                                         0, nullptr) == CE_None;
    if (!rasterized) return fail("GDAL cannot rasterize the lines");
    return std::nullopt;
}

constexpr GdalGridCalls gridCalls{writeNetCdf, writeLdd, writeGeoTiff, fillNoData, rasterizeLines};

}  // namespace

}  // namespace drainPrep

extern "C" const drainPrep::GdalGridCalls* drainPrepGdalGridCalls() {
    return &drainPrep::gridCalls;
}
