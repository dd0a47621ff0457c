// Polygons of labelled cells, written as GeoJSON through GDAL: the second
// set of plain calls of libdrainPrepGdal.so, loaded like the first only when
// a tool needs them. Only gdalPolygons.cpp includes GDAL.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace drainPrep {

struct LabelPolygon {
    std::int32_t id = 0;          // the label its cells hold
    std::int32_t downstreamId = 0;  // the next label downstream, 0 at none
    std::int64_t cells = 0;
    double km2 = 0.0;
};

// A grid of labels on the 30" lattice; cells below 0 belong to no polygon.
struct LabelGrid {
    const std::int32_t* labels = nullptr;  // row-major from the north-west cell
    std::int32_t rows = 0;
    std::int32_t cols = 0;
    std::int64_t northEdgeCells = 0;  // in 30" cells from the equator
    std::int64_t westEdgeCells = 0;   // in 30" cells from the prime meridian
};

struct LabelPolygonFiles {
    // One feature per label, its cells as a Polygon or MultiPolygon exactly
    // along cell edges, in the order of own.
    std::vector<LabelPolygon> own;
    std::string ownPath;
    // One feature per label: its own cells and those of every label upstream
    // of it (whose downstreamId chain reaches it), in the order of upstream.
    std::vector<LabelPolygon> upstream;
    std::string upstreamPath;
};

struct GdalPolygonCalls {
    // Writes both files (GeoJSON, RFC 7946); false with GDAL's cause.
    bool (*writeLabelPolygons)(const LabelGrid& grid, const LabelPolygonFiles& files,
                               std::string* cause);
};

// The calls, loaded from the GDAL module; null with the failure text.
const GdalPolygonCalls* loadGdalPolygonCalls(std::string& failure);

}  // namespace drainPrep

// The module's symbol for these calls.
extern "C" const drainPrep::GdalPolygonCalls* drainPrepGdalPolygonCalls();
