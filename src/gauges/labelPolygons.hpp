// The cells of each label as polygons exactly along cell edges, written as
// GeoJSON (RFC 7946: exterior rings counterclockwise, holes clockwise), and
// the same for each label together with every label upstream of it.
//
// Linear in the cells and the boundary: one pass over the cell edges hands
// each boundary edge to the labels whose region it bounds (for the upstream
// regions, the labels from its own up to the last one not holding the cell
// on the other side), and the edges of each region are linked into rings. A
// ring keeps its region's cells on its left and, where two cells of a
// region touch only at a corner, turns around the cell it follows, so that
// a ring never crosses itself; where it touches itself there, it is split in
// two. Regions joined only at corners become the Polygons of a MultiPolygon;
// a hole is given to the innermost exterior ring around it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "geometry/sourceFrame.hpp"

namespace drainPrep {

struct LabelRegions {
    SourceFrame frame;  // the grid of the labels and where it lies
    // A label a cell, row-major; the ids of the regions, or below 0 for none.
    const std::vector<std::int32_t>* labels = nullptr;
    std::vector<std::int32_t> ids;  // of the regions, in the order of the features
    // The region downstream of each, as an index into ids, or -1; the
    // upstream region of a label holds its own cells and those of every
    // label whose chain of downstream regions reaches it.
    std::vector<std::int32_t> downstream;
};

// The GeoJSON FeatureCollection of the regions' own cells (upstream false)
// or of their upstream regions, with the JSON members of each feature's
// properties as given.
std::string regionsGeoJson(const LabelRegions& regions, bool upstream,
                           const std::vector<std::string>& properties);

}  // namespace drainPrep
