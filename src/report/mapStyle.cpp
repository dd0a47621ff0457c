#include "report/mapStyle.hpp"

#include <algorithm>
#include <cmath>

#include "text/numberText.hpp"

namespace drainPrep::report {

const std::vector<Rgb>& basinPalette() {
    static const std::vector<Rgb> palette = {
        {141, 211, 199}, {255, 255, 179}, {190, 186, 218}, {251, 128, 114},
        {253, 180, 98},  {179, 222, 105}, {252, 205, 229}, {188, 128, 189},
        {204, 235, 197}, {255, 237, 111}, {217, 240, 163}, {240, 178, 146},
    };
    return palette;
}

const std::vector<Rgb>& riverOrderColours() {
    static const std::vector<Rgb> colours = {
        {107, 174, 214}, {66, 146, 198}, {33, 113, 181}, {8, 81, 156}, {8, 64, 130}, {8, 48, 107},
    };
    return colours;
}

Rgb riverOrderColour(std::int32_t order) {
    const std::vector<Rgb>& colours = riverOrderColours();
    return colours[static_cast<std::size_t>(
        std::clamp(order, 1, static_cast<std::int32_t>(colours.size())) - 1)];
}

const ColourScale& basinSizeScale() {
    static const ColourScale scale = {
        {0.0, {255, 255, 217}}, {0.25, {199, 233, 180}}, {0.5, {65, 182, 196}},
        {0.75, {34, 94, 168}},  {1.0, {8, 29, 88}},
    };
    return scale;
}

const ColourScale& distanceScale() {
    static const ColourScale scale = {
        {0.0, {68, 1, 84}},    {0.25, {59, 82, 139}}, {0.5, {33, 145, 140}},
        {0.75, {94, 201, 98}}, {1.0, {253, 231, 37}},
    };
    return scale;
}

const ColourScale& elevationScale() {
    static const ColourScale scale = {
        {0.0, {54, 128, 68}},  {0.15, {120, 172, 88}}, {0.35, {222, 214, 128}},
        {0.6, {196, 150, 92}}, {0.85, {140, 105, 80}}, {1.0, {245, 245, 245}},
    };
    return scale;
}

Rgb colourOnScale(const ColourScale& scale, double t) {
    t = std::clamp(t, 0.0, 1.0);
    const auto upper = std::find_if(scale.begin() + 1, scale.end() - 1,
                                    [t](const ColourStop& stop) { return t <= stop.at; });
    const ColourStop& low = *(upper - 1);
    const double share = (t - low.at) / (upper->at - low.at);
    const auto mix = [share](std::uint8_t a, std::uint8_t b) {
        return static_cast<std::uint8_t>(std::lround(a + share * (b - a)));
    };
    return {mix(low.colour.r, upper->colour.r), mix(low.colour.g, upper->colour.g),
            mix(low.colour.b, upper->colour.b)};
}

std::string hexColour(Rgb colour) {
    return "#" + hexText(colour.r, 2) + hexText(colour.g, 2) + hexText(colour.b, 2);
}

std::string cssGradient(const ColourScale& scale) {
    std::string css = "linear-gradient(to right";
    for (const ColourStop& stop : scale) {
        css +=
            ", " + hexColour(stop.colour) + " " + std::to_string(std::lround(stop.at * 100)) + "%";
    }
    return css + ")";
}

}  // namespace drainPrep::report
