// The polygons of labelled cells: GDALPolygonize over the grid, the pieces of
// each label gathered into one geometry, the labels upstream joined by
// OGR's union in the order of the flow, and both sets written by the GeoJSON
// driver.
#include "raster/gdalPolygons.hpp"

#include <cpl_string.h>
#include <gdal.h>
#include <gdal_alg.h>
#include <ogr_api.h>
#include <ogr_srs_api.h>

#include <memory>
#include <unordered_map>

#include "raster/quietGdal.hpp"

namespace drainPrep {

namespace {

constexpr double cellsPerDegreeHere = 120.0;
constexpr std::int32_t noLabel = -1;
// Enough decimals that every vertex lies on the 30" lattice to 5e-11 degree.
const char* const coordinateDecimals = "10";

struct GeometryDeleter {
    void operator()(void* geometry) const { OGR_G_DestroyGeometry(static_cast<OGRGeometryH>(geometry)); }
};
using Geometry = std::unique_ptr<void, GeometryDeleter>;

struct DatasetCloser {
    void operator()(void* dataset) const { GDALClose(dataset); }
};
using Dataset = std::unique_ptr<void, DatasetCloser>;

using Geometries = std::unordered_map<std::int32_t, Geometry>;

// The grid as a GDAL raster in memory, labels below 0 as no data.
Dataset labelRaster(const LabelGrid& grid) {
    GDALDriverH memory = GDALGetDriverByName("MEM");
    Dataset raster(GDALCreate(memory, "", grid.cols, grid.rows, 1, GDT_Int32, nullptr));
    if (!raster) return raster;
    double transform[6] = {static_cast<double>(grid.westEdgeCells) / cellsPerDegreeHere,
                           1.0 / cellsPerDegreeHere,
                           0.0,
                           static_cast<double>(grid.northEdgeCells) / cellsPerDegreeHere,
                           0.0,
                           -1.0 / cellsPerDegreeHere};
    GDALSetGeoTransform(raster.get(), transform);
    GDALRasterBandH band = GDALGetRasterBand(raster.get(), 1);
    GDALSetRasterNoDataValue(band, noLabel);
    std::vector<std::int32_t> row(static_cast<std::size_t>(grid.cols));
    for (std::int32_t r = 0; r < grid.rows; ++r) {
        const std::int32_t* labels =
            grid.labels + static_cast<std::size_t>(r) * static_cast<std::size_t>(grid.cols);
        for (std::size_t col = 0; col < row.size(); ++col) {
            row[col] = labels[col] < 0 ? noLabel : labels[col];
        }
        if (GDALRasterIO(band, GF_Write, 0, r, grid.cols, 1, row.data(), grid.cols, 1, GDT_Int32,
                         0, 0) != CE_None) {
            return nullptr;
        }
    }
    return raster;
}

// Each label's cells as one MultiPolygon of its 4-connected pieces.
bool polygonize(const LabelGrid& grid, Geometries& byLabel) {
    const Dataset raster = labelRaster(grid);
    const Dataset pieces(
        GDALCreate(GDALGetDriverByName("Memory"), "", 0, 0, 0, GDT_Unknown, nullptr));
    if (!raster || !pieces) return false;
    OGRLayerH layer = GDALDatasetCreateLayer(pieces.get(), "pieces", nullptr, wkbPolygon, nullptr);
    OGRFieldDefnH field = OGR_Fld_Create("id", OFTInteger);
    const bool made = layer != nullptr && OGR_L_CreateField(layer, field, TRUE) == OGRERR_NONE;
    OGR_Fld_Destroy(field);
    GDALRasterBandH band = GDALGetRasterBand(raster.get(), 1);
    if (!made ||
        GDALPolygonize(band, GDALGetMaskBand(band), layer, 0, nullptr, nullptr, nullptr) != CE_None) {
        return false;
    }
    OGR_L_ResetReading(layer);
    while (OGRFeatureH feature = OGR_L_GetNextFeature(layer)) {
        Geometry& geometry = byLabel[OGR_F_GetFieldAsInteger(feature, 0)];
        if (!geometry) geometry.reset(OGR_G_CreateGeometry(wkbMultiPolygon));
        OGR_G_AddGeometryDirectly(static_cast<OGRGeometryH>(geometry.get()),
                                  OGR_F_StealGeometry(feature));
        OGR_F_Destroy(feature);
    }
    return true;
}

void addParts(OGRGeometryH into, OGRGeometryH geometry) {
    if (wkbFlatten(OGR_G_GetGeometryType(geometry)) == wkbPolygon) {
        OGR_G_AddGeometry(into, geometry);
        return;
    }
    for (int i = 0; i < OGR_G_GetGeometryCount(geometry); ++i) {
        OGR_G_AddGeometry(into, OGR_G_GetGeometryRef(geometry, i));
    }
}

// Each label's own geometry joined with those of the labels flowing into
// it, upstream first, so that every union takes whole catchments.
Geometries upstreamUnions(const std::vector<LabelPolygon>& labels, const Geometries& own) {
    std::unordered_map<std::int32_t, std::vector<std::int32_t>> inflows;
    std::unordered_map<std::int32_t, std::size_t> waiting;
    for (const LabelPolygon& label : labels) {
        waiting[label.id];
        if (label.downstreamId != 0) {
            inflows[label.downstreamId].push_back(label.id);
            ++waiting[label.downstreamId];
        }
    }
    std::unordered_map<std::int32_t, std::int32_t> downstreamOf;
    for (const LabelPolygon& label : labels) downstreamOf[label.id] = label.downstreamId;
    std::vector<std::int32_t> ready;
    for (const auto& [id, count] : waiting) {
        if (count == 0) ready.push_back(id);
    }
    Geometries joined;
    while (!ready.empty()) {
        const std::int32_t id = ready.back();
        ready.pop_back();
        const Geometry parts(OGR_G_CreateGeometry(wkbMultiPolygon));
        const auto ownGeometry = own.find(id);
        if (ownGeometry != own.end()) {
            addParts(static_cast<OGRGeometryH>(parts.get()),
                     static_cast<OGRGeometryH>(ownGeometry->second.get()));
        }
        for (const std::int32_t up : inflows[id]) {
            addParts(static_cast<OGRGeometryH>(parts.get()),
                     static_cast<OGRGeometryH>(joined[up].get()));
        }
        joined[id].reset(OGR_G_UnionCascaded(static_cast<OGRGeometryH>(parts.get())));
        const std::int32_t down = downstreamOf[id];
        if (down != 0 && --waiting[down] == 0) ready.push_back(down);
    }
    return joined;
}

// A MultiPolygon of one piece is written as the Polygon it is.
Geometry simplest(OGRGeometryH geometry) {
    const bool onePiece = wkbFlatten(OGR_G_GetGeometryType(geometry)) == wkbMultiPolygon &&
                          OGR_G_GetGeometryCount(geometry) == 1;
    return Geometry(OGR_G_Clone(onePiece ? OGR_G_GetGeometryRef(geometry, 0) : geometry));
}

void addField(OGRLayerH layer, const char* name, OGRFieldType type) {
    OGRFieldDefnH field = OGR_Fld_Create(name, type);
    OGR_L_CreateField(layer, field, TRUE);
    OGR_Fld_Destroy(field);
}

bool writeFeature(OGRLayerH layer, const LabelPolygon& label, OGRGeometryH geometry) {
    OGRFeatureH feature = OGR_F_Create(OGR_L_GetLayerDefn(layer));
    OGR_F_SetFieldInteger(feature, 0, label.id);
    if (label.downstreamId != 0) {
        OGR_F_SetFieldInteger(feature, 1, label.downstreamId);
    } else {
        OGR_F_SetFieldNull(feature, 1);
    }
    OGR_F_SetFieldInteger64(feature, 2, label.cells);
    OGR_F_SetFieldDouble(feature, 3, label.km2);
    if (geometry != nullptr) {
        const Geometry written = simplest(geometry);
        OGR_F_SetGeometry(feature, static_cast<OGRGeometryH>(written.get()));
    }
    const bool created = OGR_L_CreateFeature(layer, feature) == OGRERR_NONE;
    OGR_F_Destroy(feature);
    return created;
}

bool writeGeoJson(const std::string& path, const std::vector<LabelPolygon>& labels,
                  const Geometries& geometries) {
    Dataset file(
        GDALCreate(GDALGetDriverByName("GeoJSON"), path.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
    if (!file) return false;
    OGRSpatialReferenceH wgs84 = OSRNewSpatialReference(nullptr);
    OSRImportFromEPSG(wgs84, 4326);
    OSRSetAxisMappingStrategy(wgs84, OAMS_TRADITIONAL_GIS_ORDER);
    char** options = CSLSetNameValue(nullptr, "RFC7946", "YES");
    options = CSLSetNameValue(options, "COORDINATE_PRECISION", coordinateDecimals);
    options = CSLSetNameValue(options, "SIGNIFICANT_FIGURES", "15");
    const std::string name = CPLGetBasename(path.c_str());
    OGRLayerH layer = GDALDatasetCreateLayer(file.get(), name.c_str(), wgs84, wkbUnknown, options);
    CSLDestroy(options);
    OSRDestroySpatialReference(wgs84);
    if (layer == nullptr) return false;
    addField(layer, "id", OFTInteger);
    addField(layer, "downstreamId", OFTInteger);
    addField(layer, "cells", OFTInteger64);
    addField(layer, "km2", OFTReal);
    for (const LabelPolygon& label : labels) {
        const auto geometry = geometries.find(label.id);
        const auto handle = geometry == geometries.end()
                                ? nullptr
                                : static_cast<OGRGeometryH>(geometry->second.get());
        if (!writeFeature(layer, label, handle)) return false;
    }
    file.reset();
    return CPLGetLastErrorType() < CE_Failure;
}

bool writeLabelPolygons(const LabelGrid& grid, const LabelPolygonFiles& files,
                        std::string* cause) {
    GDALAllRegister();
    const QuietGdal quiet;
    Geometries own;
    if (!polygonize(grid, own)) {
        *cause = "the cells cannot be turned into polygons: " + QuietGdal::cause();
        return false;
    }
    if (!writeGeoJson(files.ownPath, files.own, own)) {
        *cause = files.ownPath + " cannot be written: " + QuietGdal::cause();
        return false;
    }
    const Geometries upstream = upstreamUnions(files.upstream, own);
    if (!writeGeoJson(files.upstreamPath, files.upstream, upstream)) {
        *cause = files.upstreamPath + " cannot be written: " + QuietGdal::cause();
        return false;
    }
    return true;
}

constexpr GdalPolygonCalls calls{writeLabelPolygons};

}  // namespace

}  // namespace drainPrep

extern "C" const drainPrep::GdalPolygonCalls* drainPrepGdalPolygonCalls() {
    return &drainPrep::calls;
}
