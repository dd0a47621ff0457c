// The gauges on the page's maps: the basin map with every gauge ringed and
// labelled by its id, and the map of the sub-basins.
#pragma once

#include <cstdint>
#include <vector>

#include "report/gridScan.hpp"
#include "report/rgbImage.hpp"

namespace drainPrep::report {

inline const char* const gaugeMapFile = "gauges.png";
inline const char* const subbasinMapFile = "subbasins.png";

struct GaugeMarker {
    std::int32_t row;
    std::int32_t col;
    std::int32_t id;
};

// Labels go beside their ring where they overlap no ring and no label drawn
// before; a gauge without such a place keeps its ring alone. Markers come in
// the order their labels are placed.
void drawGaugeMarkers(RgbImage& image, const MapGrids& maps,
                      const std::vector<GaugeMarker>& markers);

// The labels of the cells (row-major) on the basin map's blocks: the label
// of each block's middle cell, as sub-basins are areas, not lines.
ReducedGrid reducedLabels(const std::vector<std::int32_t>& labels, std::int32_t nrows,
                          std::int32_t ncols, std::int32_t reduction);

// Sub-basins by id, neighbours in different colours, over the river network;
// land whose water meets no gauge white, as a removed outlet.
RgbImage subbasinMap(const MapGrids& maps, const ReducedGrid& subbasins);

}  // namespace drainPrep::report
