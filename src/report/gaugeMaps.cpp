#include "report/gaugeMaps.hpp"

#include <string>

#include <algorithm>

#include "report/blockReduction.hpp"
#include "report/mapImages.hpp"

namespace drainPrep::report {

namespace {

constexpr Rgb gaugeColour{20, 60, 200};
constexpr std::int32_t ringReach = 5;  // pixels from the centre the ring and rim take
constexpr std::int32_t labelGap = 6;   // pixels from the centre to the label

// Pixels taken by rings and labels, so that no label covers another.
class Occupancy {
public:
    Occupancy(std::int32_t width, std::int32_t height) : taken_(width, height) {}

    bool inside(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) const {
        return left >= 1 && top >= 1 && left + width < taken_.width() &&
               top + height < taken_.height();
    }
    bool isFree(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) const {
        for (std::int32_t y = top; y < top + height; ++y) {
            for (std::int32_t x = left; x < left + width; ++x) {
                if (taken_.at(x, y)) return false;
            }
        }
        return true;
    }
    // Clipped to the image.
    void take(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) {
        for (std::int32_t y = top; y < top + height; ++y) {
            for (std::int32_t x = left; x < left + width; ++x) {
                if (taken_.contains(x, y)) taken_.set(x, y, true);
            }
        }
    }

private:
    PixelGrid<bool> taken_;
};

}  // namespace

void drawGaugeMarkers(RgbImage& image, const MapGrids& maps,
                      const std::vector<GaugeMarker>& markers) {
    Occupancy occupancy(image.width(), image.height());
    for (const GaugeMarker& marker : markers) {
        const std::int32_t cx = mapPixelOf(marker.col, maps);
        const std::int32_t cy = mapPixelOf(marker.row, maps);
        drawRing(image, cx, cy, gaugeColour);
        occupancy.take(cx - ringReach, cy - ringReach, 2 * ringReach + 1, 2 * ringReach + 1);
    }
    for (const GaugeMarker& marker : markers) {
        const std::int32_t cx = mapPixelOf(marker.col, maps);
        const std::int32_t cy = mapPixelOf(marker.row, maps);
        const std::string digits = std::to_string(marker.id);
        // With its halo the label takes a pixel more on every side.
        const std::int32_t width = mapLabelWidth(digits) + 1;
        const std::int32_t height = mapLabelHeight + 2;
        const std::pair<std::int32_t, std::int32_t> places[] = {
            {cx + labelGap, cy - labelGap - height},
            {cx + labelGap, cy + labelGap},
            {cx - labelGap - width, cy - labelGap - height},
            {cx - labelGap - width, cy + labelGap},
        };
        for (const auto& [left, top] : places) {
            if (!occupancy.inside(left, top, width, height) ||
                !occupancy.isFree(left, top, width, height)) {
                continue;
            }
            drawMapLabel(image, digits, left + 1, top + 1);
            occupancy.take(left, top, width, height);
            break;
        }
    }
}

ReducedGrid reducedLabels(const std::vector<std::int32_t>& labels, std::int32_t nrows,
                          std::int32_t ncols, std::int32_t reduction) {
    ReducedGrid reduced;
    reduced.nrows = (nrows + reduction - 1) / reduction;
    reduced.ncols = (ncols + reduction - 1) / reduction;
    reduced.values.reserve(static_cast<std::size_t>(reduced.nrows) *
                           static_cast<std::size_t>(reduced.ncols));
    for (std::int32_t row = 0; row < reduced.nrows; ++row) {
        const std::int32_t cellRow = std::min(row * reduction + reduction / 2, nrows - 1);
        for (std::int32_t col = 0; col < reduced.ncols; ++col) {
            const std::int32_t cellCol = std::min(col * reduction + reduction / 2, ncols - 1);
            reduced.values.push_back(labels[static_cast<std::size_t>(cellRow) *
                                                static_cast<std::size_t>(ncols) +
                                            static_cast<std::size_t>(cellCol)]);
        }
    }
    return reduced;
}

RgbImage subbasinMap(const MapGrids& maps, const ReducedGrid& subbasins) {
    MapGrids drawn;
    drawn.reduction = maps.reduction;
    drawn.enlargement = maps.enlargement;
    drawn.riverOrders = maps.riverOrders;
    drawn.categories = maps.categories;
    for (std::size_t i = 0; i < drawn.categories.values.size(); ++i) {
        std::int32_t& category = drawn.categories.values[i];
        const std::int32_t label = subbasins.values[i];
        if (label >= 1) {
            category = label;
        } else if (category >= 1) {
            category = removedOutletCategory;  // drawn white, as land of no basin's own
        }
    }
    return basinMap(drawn, {});
}

}  // namespace drainPrep::report
