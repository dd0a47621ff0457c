// The numbers beside the outlet rings of the basin map.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "report/mapImages.hpp"

namespace drainPrep::report {
namespace {

std::string text(const std::optional<PixelBox>& box) {
    if (!box) return "none";
    return std::to_string(box->left) + "," + std::to_string(box->top) + " " +
           std::to_string(box->width) + "x" + std::to_string(box->height);
}

TEST(MapLabels, OutletsApartKeepTheirNumberAboveRightUnlessTheEdgeIsInTheWay) {
    const auto labels = placeLabels({{50, 50, 1}, {150, 50, 12}, {100, 3, 3}}, 200, 100);
    ASSERT_EQ(labels.size(), 3u);
    // Digits 6 pixels wide and 10 high, 2 apart, in a rim of one pixel.
    EXPECT_EQ(text(labels[0]), "58,31 8x12");
    EXPECT_EQ(text(labels[1]), "158,31 16x12");
    EXPECT_EQ(text(labels[2]), "108,11 8x12");  // below right, off the top edge
}

// 25 outlets crowded together, as the largest basins of a coast can be.
TEST(MapLabels, NumbersNeverOverlapEachOtherOrARingAndStayInTheImage) {
    std::vector<MarkerPixel> markers;
    for (std::int32_t i = 0; i < 25; ++i) {
        markers.push_back({20 + i % 5 * 7, 20 + i / 5 * 7, i + 1});
    }
    const auto labels = placeLabels(markers, 90, 60);
    ASSERT_EQ(labels.size(), markers.size());
    ASSERT_TRUE(labels[0].has_value());  // the largest basin chooses first
    std::size_t placed = 0;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        if (!labels[i]) continue;
        ++placed;
        const PixelBox& box = *labels[i];
        EXPECT_TRUE(box.left >= 0 && box.top >= 0 && box.left + box.width <= 90 &&
                    box.top + box.height <= 60)
            << i;
        for (const MarkerPixel& marker : markers) EXPECT_FALSE(box.overlaps(ringBox(marker))) << i;
        for (std::size_t j = 0; j < i; ++j) {
            EXPECT_FALSE(labels[j] && box.overlaps(*labels[j])) << i << " " << j;
        }
    }
    EXPECT_LT(placed, markers.size());  // some rings stay without their number
}

}  // namespace
}  // namespace drainPrep::report
