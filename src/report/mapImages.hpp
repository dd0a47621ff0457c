// The four maps of the report, drawn from the reduced grids, north up, one
// pixel a block of cells.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "geometry/studyArea.hpp"
#include "report/gridScan.hpp"
#include "report/rgbImage.hpp"

namespace drainPrep::report {

// An outlet to mark on the basin map, with the number printed beside it.
struct OutletMarker {
    std::int32_t row;
    std::int32_t col;
    std::int32_t label;
};

// A rectangle of pixels: x from left to left + width - 1, y likewise.
struct PixelBox {
    std::int32_t left;
    std::int32_t top;
    std::int32_t width;
    std::int32_t height;

    bool overlaps(const PixelBox& other) const {
        return left < other.left + other.width && other.left < left + width &&
               top < other.top + other.height && other.top < top + height;
    }
};

// A marker's ring centred on a pixel, with its number.
struct MarkerPixel {
    std::int32_t x;
    std::int32_t y;
    std::int32_t label;
};

// The pixels a marker's ring covers, its white rim included.
PixelBox ringBox(const MarkerPixel& marker);

// Where each marker's number goes, in the markers' order (the largest basin
// first, so it chooses first): beside its ring, inside the image, clear of
// every ring and of every number placed before it, the rims of the digits
// included. Nothing where no place is free: the ring stays without it.
std::vector<std::optional<PixelBox>> placeLabels(const std::vector<MarkerPixel>& markers,
                                                 std::int32_t imageWidth,
                                                 std::int32_t imageHeight);

// The ranges the colour scales span and the basin size from which a cell
// shows as a river.
struct MapRanges {
    std::int32_t largestBasinSize = 1;
    std::int32_t longestPath = 0;
    std::int32_t lowestLand = 0;
    std::int32_t highestLand = 0;
    std::int32_t riverThreshold = 1;
};

MapRanges mapRanges(const MapGrids& maps);

// 1, 2, 5, 10, 20, 50, ...: the smallest not below value.
std::int32_t roundNumberAbove(std::int32_t value);

// Basins in colours that differ between neighbours, sea, no data, the frame
// ring, land in no basin, rivers by order over them and the marked outlets.
RgbImage basinMap(const MapGrids& maps, const std::vector<OutletMarker>& markers);
// Basin size on a logarithmic scale.
RgbImage basinSizeMap(const MapGrids& maps, const MapRanges& ranges);
RgbImage distanceMap(const MapGrids& maps, const MapRanges& ranges);
// Elevation tinted by height and shaded by a light from the north-west.
RgbImage elevationMap(const MapGrids& maps, const MapRanges& ranges, const StudyArea& area);

// Where a basin size lies on the logarithmic scale, 0 to 1.
double basinSizeShare(std::int32_t basinSize, std::int32_t largestBasinSize);

// Pieces for the gauge maps: the pixel at the middle of a cell's block, a
// small ring with a white rim, and a label of digits with a white halo (its
// height mapLabelHeight) whose top-left corner is at left, top.
constexpr std::int32_t mapLabelHeight = 10;
std::int32_t mapPixelOf(std::int32_t cell, const MapGrids& maps);
void drawRing(RgbImage& image, std::int32_t cx, std::int32_t cy, Rgb colour);
std::int32_t mapLabelWidth(const std::string& digits);
void drawMapLabel(RgbImage& image, const std::string& digits, std::int32_t left,
                  std::int32_t top);

}  // namespace drainPrep::report
