// The colours of the maps, shared by the pictures and the legends of the page
// so that the two cannot drift apart.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "report/rgbImage.hpp"

namespace drainPrep::report {

constexpr Rgb seaColour{166, 206, 227};
constexpr Rgb noDataColour{189, 189, 189};
constexpr Rgb frameColour{99, 99, 99};
constexpr Rgb loopColour{0, 0, 0};
constexpr Rgb removedOutletColour{255, 255, 255};
constexpr Rgb markerColour{215, 25, 28};
constexpr Rgb haloColour{255, 255, 255};
constexpr Rgb labelColour{0, 0, 0};

// Fill colours of basins: light enough for the rivers drawn over them, none of
// them grey or sea blue.
const std::vector<Rgb>& basinPalette();

// Rivers darker with higher Strahler order, the first unlike the sea, the
// last unlike the black of loops; the last colour serves every order above.
const std::vector<Rgb>& riverOrderColours();
Rgb riverOrderColour(std::int32_t order);

struct ColourStop {
    double at;  // 0 to 1 along the scale
    Rgb colour;
};

using ColourScale = std::vector<ColourStop>;

const ColourScale& basinSizeScale();  // logarithmic, 1 cell to the largest basin
const ColourScale& distanceScale();   // 0 steps to the longest path
const ColourScale& elevationScale();  // lowest to highest land

// t is clamped to 0..1.
Rgb colourOnScale(const ColourScale& scale, double t);

std::string hexColour(Rgb colour);
// A CSS linear-gradient from west to east of the scale.
std::string cssGradient(const ColourScale& scale);

}  // namespace drainPrep::report
