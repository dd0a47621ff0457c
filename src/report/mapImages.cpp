#include "report/mapImages.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <unordered_map>
#include <utility>

#include "report/mapStyle.hpp"

namespace drainPrep::report {

namespace {

// Rivers: the largest few percent of land pixels by basin size, but never
// basins of fewer cells than this.
constexpr double riverPixelShare = 0.04;
constexpr std::int32_t smallestRiver = 20;

// Relief: vertical exaggeration and a light from the north-west, 45 degrees up.
constexpr double reliefExaggeration = 3.0;
constexpr double lightEast = -0.5;
constexpr double lightNorth = 0.5;
constexpr double lightUp = 0.70710678118654752;

// colourOf(row, col) of each block; a block is a square of maps.enlargement
// pixels.
template <typename ColourOf>
RgbImage paint(const MapGrids& maps, ColourOf colourOf) {
    const std::int32_t side = maps.enlargement;
    RgbImage image(maps.categories.ncols * side, maps.categories.nrows * side);
    for (std::int32_t row = 0; row < maps.categories.nrows; ++row) {
        for (std::int32_t col = 0; col < maps.categories.ncols; ++col) {
            const Rgb colour = colourOf(row, col);
            for (std::int32_t y = row * side; y < (row + 1) * side; ++y) {
                for (std::int32_t x = col * side; x < (col + 1) * side; ++x)
                    image.set(x, y, colour);
            }
        }
    }
    return image;
}

// The pixel at the middle of a cell's block.
std::int32_t pixelOf(std::int32_t cell, const MapGrids& maps) {
    return cell / maps.reduction * maps.enlargement + maps.enlargement / 2;
}

// Colour of a pixel that holds no value of the map's own.
Rgb backgroundColour(std::int32_t category) {
    switch (category) {
        case seaCategory:
            return seaColour;
        case noDataCategory:
            return noDataColour;
        case frameCategory:
            return frameColour;
        case removedOutletCategory:
            return removedOutletColour;
        default:
            return loopColour;
    }
}

std::int32_t riverThresholdOf(const ReducedGrid& basinSizes) {
    std::vector<std::int32_t> sizes;
    for (std::int32_t size : basinSizes.values) {
        if (size >= 1) sizes.push_back(size);
    }
    if (sizes.empty()) return std::numeric_limits<std::int32_t>::max();
    const auto nth =
        sizes.begin() + static_cast<std::ptrdiff_t>(static_cast<double>(sizes.size() - 1) *
                                                    (1.0 - riverPixelShare));
    std::nth_element(sizes.begin(), nth, sizes.end());
    return roundNumberAbove(std::max(*nth, smallestRiver));
}

// Basins that touch on the map get different colours: larger basins choose
// first, each the least used colour that none of its coloured neighbours has.
std::unordered_map<std::int32_t, Rgb> basinColours(const ReducedGrid& categories) {
    std::unordered_map<std::int32_t, std::size_t> indexOf;
    std::vector<std::pair<std::int64_t, std::int32_t>> bySize;  // (-pixels, basin)
    std::vector<std::pair<std::size_t, std::size_t>> touching;
    const auto basinIndex = [&](std::int32_t basin) {
        const auto [entry, added] = indexOf.emplace(basin, bySize.size());
        if (added) bySize.push_back({0, basin});
        return entry->second;
    };
    constexpr std::int32_t laterNeighbours[4][2] = {{0, 1}, {1, -1}, {1, 0}, {1, 1}};
    for (std::int32_t y = 0; y < categories.nrows; ++y) {
        for (std::int32_t x = 0; x < categories.ncols; ++x) {
            const std::int32_t basin = categories.at(y, x);
            if (basin < 1) continue;
            const std::size_t index = basinIndex(basin);
            --bySize[index].first;
            for (const auto& step : laterNeighbours) {
                const std::int32_t ny = y + step[0];
                const std::int32_t nx = x + step[1];
                if (ny >= categories.nrows || nx < 0 || nx >= categories.ncols) continue;
                const std::int32_t other = categories.at(ny, nx);
                if (other >= 1 && other != basin) touching.push_back({index, basinIndex(other)});
            }
        }
    }
    std::vector<std::vector<std::size_t>> neighbours(bySize.size());
    for (const auto& [a, b] : touching) {
        neighbours[a].push_back(b);
        neighbours[b].push_back(a);
    }
    std::vector<std::size_t> order(bySize.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(),
              [&bySize](std::size_t a, std::size_t b) { return bySize[a] < bySize[b]; });

    const std::vector<Rgb>& palette = basinPalette();
    std::vector<std::int64_t> uses(palette.size(), 0);
    std::vector<std::size_t> colourOf(bySize.size(), palette.size());
    for (std::size_t basin : order) {
        std::vector<bool> taken(palette.size(), false);
        for (std::size_t other : neighbours[basin]) {
            if (colourOf[other] < palette.size()) taken[colourOf[other]] = true;
        }
        std::size_t best = 0;
        for (std::size_t c = 1; c < palette.size(); ++c) {
            if (std::make_pair(taken[c], uses[c]) < std::make_pair(taken[best], uses[best]))
                best = c;
        }
        colourOf[basin] = best;
        ++uses[best];
    }
    std::unordered_map<std::int32_t, Rgb> colours;
    for (const auto& [basin, index] : indexOf) colours.emplace(basin, palette[colourOf[index]]);
    return colours;
}

// Digits 0 to 9, three pixels wide and five high, row by row from the top.
constexpr std::uint16_t digitGlyphs[10] = {
    0b111'101'101'101'111, 0b010'110'010'010'111, 0b111'001'111'100'111, 0b111'001'111'001'111,
    0b101'101'111'001'001, 0b111'100'111'001'111, 0b111'100'111'101'111, 0b111'001'010'010'010,
    0b111'101'111'101'111, 0b111'101'111'001'111,
};
constexpr std::int32_t glyphScale = 2;
constexpr std::int32_t glyphWidth = 3 * glyphScale;
constexpr std::int32_t glyphHeight = 5 * glyphScale;

bool glyphCovers(char digit, std::int32_t x, std::int32_t y) {
    const std::int32_t bit = 14 - (y / glyphScale) * 3 - x / glyphScale;
    return ((digitGlyphs[digit - '0'] >> bit) & 1) != 0;
}

void setIfInside(RgbImage& image, std::int32_t x, std::int32_t y, Rgb colour) {
    if (image.contains(x, y)) image.set(x, y, colour);
}

// The text's pixels in `colour`, or, with `halo`, a one-pixel rim around them.
void drawDigits(RgbImage& image, const std::string& text, std::int32_t left, std::int32_t top,
                Rgb colour, bool halo) {
    const std::int32_t reach = halo ? 1 : 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::int32_t glyphLeft = left + static_cast<std::int32_t>(i) * (glyphWidth + 2);
        for (std::int32_t y = 0; y < glyphHeight; ++y) {
            for (std::int32_t x = 0; x < glyphWidth; ++x) {
                if (!glyphCovers(text[i], x, y)) continue;
                for (std::int32_t dy = -reach; dy <= reach; ++dy) {
                    for (std::int32_t dx = -reach; dx <= reach; ++dx) {
                        setIfInside(image, glyphLeft + x + dx, top + y + dy, colour);
                    }
                }
            }
        }
    }
}

constexpr std::int32_t ringReach = 6;  // the rim's last pixel from the centre
constexpr std::int32_t labelGap = 1;   // free pixels between a number and a ring

// A red ring with a white rim around the outlet.
void drawRing(RgbImage& image, const MarkerPixel& marker) {
    constexpr double ringInner = 2.5;
    constexpr double ringOuter = 4.5;
    constexpr double rimOuter = 5.6;
    for (std::int32_t dy = -ringReach; dy <= ringReach; ++dy) {
        for (std::int32_t dx = -ringReach; dx <= ringReach; ++dx) {
            const double r = std::hypot(dx, dy);
            const std::int32_t x = marker.x + dx;
            const std::int32_t y = marker.y + dy;
            if (r > ringInner && r <= ringOuter) setIfInside(image, x, y, markerColour);
            if (r > ringOuter && r <= rimOuter) setIfInside(image, x, y, haloColour);
        }
    }
}

// The digits' box with their one-pixel rim, its top left at (left, top).
PixelBox labelBox(std::int32_t label, std::int32_t left, std::int32_t top) {
    const auto digits = static_cast<std::int32_t>(std::to_string(label).size());
    return {left, top, digits * (glyphWidth + 2), glyphHeight + 2};
}

// Beside the ring: above right first, then the other corners and sides.
std::vector<PixelBox> labelCandidates(const MarkerPixel& marker) {
    const PixelBox size = labelBox(marker.label, 0, 0);
    const std::int32_t right = marker.x + ringReach + 1 + labelGap;
    const std::int32_t left = marker.x - ringReach - labelGap - size.width;
    const std::int32_t above = marker.y - ringReach - labelGap - size.height;
    const std::int32_t below = marker.y + ringReach + 1 + labelGap;
    const std::int32_t middle = marker.y - size.height / 2;
    return {labelBox(marker.label, right, above), labelBox(marker.label, left, above),
            labelBox(marker.label, right, below), labelBox(marker.label, left, below),
            labelBox(marker.label, right, middle), labelBox(marker.label, left, middle)};
}

}  // namespace

PixelBox ringBox(const MarkerPixel& marker) {
    return {marker.x - ringReach, marker.y - ringReach, 2 * ringReach + 1, 2 * ringReach + 1};
}

std::vector<std::optional<PixelBox>> placeLabels(const std::vector<MarkerPixel>& markers,
                                                 std::int32_t imageWidth,
                                                 std::int32_t imageHeight) {
    std::vector<PixelBox> taken;
    for (const MarkerPixel& marker : markers) taken.push_back(ringBox(marker));
    std::vector<std::optional<PixelBox>> places;
    for (const MarkerPixel& marker : markers) {
        std::optional<PixelBox> chosen;
        for (const PixelBox& box : labelCandidates(marker)) {
            const bool inside = box.left >= 0 && box.top >= 0 &&
                                box.left + box.width <= imageWidth &&
                                box.top + box.height <= imageHeight;
            const bool free = std::none_of(taken.begin(), taken.end(),
                                           [&box](const PixelBox& other) {
                                               return box.overlaps(other);
                                           });
            if (inside && free) {
                chosen = box;
                break;
            }
        }
        if (chosen) taken.push_back(*chosen);
        places.push_back(chosen);
    }
    return places;
}

namespace {

double elevationShare(std::int32_t elevation, const MapRanges& ranges) {
    if (ranges.highestLand <= ranges.lowestLand) return 0.0;
    return static_cast<double>(elevation - ranges.lowestLand) /
           (ranges.highestLand - ranges.lowestLand);
}

// Brightness of the relief at a pixel: 1 on the flat, more on slopes facing
// the light, less on those turned away. The sea counts as level ground at 0 m.
double reliefShade(const ReducedGrid& elevations, std::int32_t y, std::int32_t x,
                   double eastWestMetres, double northSouthMetres) {
    const auto height = [&elevations](std::int32_t row, std::int32_t col) {
        row = std::clamp(row, 0, elevations.nrows - 1);
        col = std::clamp(col, 0, elevations.ncols - 1);
        return std::max(0.0, static_cast<double>(elevations.at(row, col)));
    };
    const double riseEast = ((height(y - 1, x + 1) + 2 * height(y, x + 1) + height(y + 1, x + 1)) -
                             (height(y - 1, x - 1) + 2 * height(y, x - 1) + height(y + 1, x - 1))) /
                            (8 * eastWestMetres);
    const double riseNorth =
        ((height(y - 1, x - 1) + 2 * height(y - 1, x) + height(y - 1, x + 1)) -
         (height(y + 1, x - 1) + 2 * height(y + 1, x) + height(y + 1, x + 1))) /
        (8 * northSouthMetres);
    const double normalEast = -reliefExaggeration * riseEast;
    const double normalNorth = -reliefExaggeration * riseNorth;
    const double length = std::sqrt(normalEast * normalEast + normalNorth * normalNorth + 1.0);
    const double lit = (normalEast * lightEast + normalNorth * lightNorth + lightUp) / length;
    return std::max(0.0, lit) / lightUp;
}

Rgb shaded(Rgb colour, double shade) {
    const double factor = 0.35 + 0.65 * shade;
    const auto scale = [factor](std::uint8_t c) {
        return static_cast<std::uint8_t>(std::clamp(std::lround(c * factor), 0L, 255L));
    };
    return {scale(colour.r), scale(colour.g), scale(colour.b)};
}

}  // namespace

std::int32_t roundNumberAbove(std::int32_t value) {
    std::int64_t decade = 1;
    for (;;) {
        for (std::int64_t step : {1, 2, 5}) {
            if (step * decade >= value) {
                return static_cast<std::int32_t>(std::min<std::int64_t>(
                    step * decade, std::numeric_limits<std::int32_t>::max()));
            }
        }
        decade *= 10;
    }
}

double basinSizeShare(std::int32_t basinSize, std::int32_t largestBasinSize) {
    if (largestBasinSize <= 1) return 0.0;
    return std::log(static_cast<double>(basinSize)) /
           std::log(static_cast<double>(largestBasinSize));
}

MapRanges mapRanges(const MapGrids& maps) {
    MapRanges ranges;
    for (std::int32_t size : maps.basinSizes.values) {
        ranges.largestBasinSize = std::max(ranges.largestBasinSize, size);
    }
    for (std::int32_t distance : maps.distances.values) {
        ranges.longestPath = std::max(ranges.longestPath, distance);
    }
    bool anyLand = false;
    for (std::int32_t elevation : maps.elevations.values) {
        if (elevation < 0) continue;
        ranges.lowestLand = anyLand ? std::min(ranges.lowestLand, elevation) : elevation;
        ranges.highestLand = anyLand ? std::max(ranges.highestLand, elevation) : elevation;
        anyLand = true;
    }
    ranges.riverThreshold = riverThresholdOf(maps.basinSizes);
    return ranges;
}

RgbImage basinMap(const MapGrids& maps, const std::vector<OutletMarker>& markers) {
    const std::unordered_map<std::int32_t, Rgb> colours = basinColours(maps.categories);
    RgbImage image = paint(maps, [&](std::int32_t y, std::int32_t x) {
        const std::int32_t order = maps.riverOrders.at(y, x);
        if (order >= 1) return riverOrderColour(order);
        const std::int32_t category = maps.categories.at(y, x);
        return category >= 1 ? colours.at(category) : backgroundColour(category);
    });
    std::vector<MarkerPixel> pixels;
    for (const OutletMarker& marker : markers) {
        pixels.push_back({pixelOf(marker.col, maps), pixelOf(marker.row, maps), marker.label});
    }
    // The largest basins last, so that their rings lie on top.
    for (auto marker = pixels.rbegin(); marker != pixels.rend(); ++marker) drawRing(image, *marker);
    const std::vector<std::optional<PixelBox>> labels =
        placeLabels(pixels, image.width(), image.height());
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        if (!labels[i]) continue;
        // The digits start inside the box's rim.
        const std::string text = std::to_string(pixels[i].label);
        drawDigits(image, text, labels[i]->left + 1, labels[i]->top + 1, haloColour, true);
        drawDigits(image, text, labels[i]->left + 1, labels[i]->top + 1, labelColour, false);
    }
    return image;
}

RgbImage basinSizeMap(const MapGrids& maps, const MapRanges& ranges) {
    return paint(maps, [&](std::int32_t y, std::int32_t x) {
        const std::int32_t size = maps.basinSizes.at(y, x);
        if (size < 1) return backgroundColour(maps.categories.at(y, x));
        return colourOnScale(basinSizeScale(), basinSizeShare(size, ranges.largestBasinSize));
    });
}

RgbImage distanceMap(const MapGrids& maps, const MapRanges& ranges) {
    return paint(maps, [&](std::int32_t y, std::int32_t x) {
        const std::int32_t distance = maps.distances.at(y, x);
        if (distance < 0) return backgroundColour(maps.categories.at(y, x));
        const double share =
            ranges.longestPath > 0 ? static_cast<double>(distance) / ranges.longestPath : 0.0;
        return colourOnScale(distanceScale(), share);
    });
}

RgbImage elevationMap(const MapGrids& maps, const MapRanges& ranges, const StudyArea& area) {
    const std::int32_t factor = maps.reduction;
    const double northSouthMetres = cellLengthNorthSouthOf(area.lattice) * factor;
    return paint(maps, [&](std::int32_t y, std::int32_t x) {
        const std::int32_t elevation = maps.elevations.at(y, x);
        if (elevation < 0) return seaColour;
        const std::int32_t middleRow = std::min(y * factor + factor / 2, area.nrows - 1);
        const double eastWestMetres = rowLengthEastWest(area, middleRow) * factor;
        const Rgb tint = colourOnScale(elevationScale(), elevationShare(elevation, ranges));
        return shaded(tint, reliefShade(maps.elevations, y, x, eastWestMetres, northSouthMetres));
    });
}

// ---------------------------------------------------------------------------
// Pieces for the gauge maps

static_assert(mapLabelHeight == glyphHeight);

std::int32_t mapPixelOf(std::int32_t cell, const MapGrids& maps) { return pixelOf(cell, maps); }

void drawRing(RgbImage& image, std::int32_t cx, std::int32_t cy, Rgb colour) {
    constexpr double ringInner = 1.5;
    constexpr double ringOuter = 3.5;
    constexpr double rimOuter = 4.6;
    for (std::int32_t dy = -5; dy <= 5; ++dy) {
        for (std::int32_t dx = -5; dx <= 5; ++dx) {
            const double r = std::hypot(dx, dy);
            if (r > ringInner && r <= ringOuter) setIfInside(image, cx + dx, cy + dy, colour);
            if (r > ringOuter && r <= rimOuter) setIfInside(image, cx + dx, cy + dy, haloColour);
        }
    }
}

std::int32_t mapLabelWidth(const std::string& digits) {
    return static_cast<std::int32_t>(digits.size()) * (glyphWidth + 2);
}

void drawMapLabel(RgbImage& image, const std::string& digits, std::int32_t left,
                  std::int32_t top) {
    drawDigits(image, digits, left, top, haloColour, true);
    drawDigits(image, digits, left, top, labelColour, false);
}

}  // namespace drainPrep::report
