#include <gtest/gtest.h>

#include <cstdio>

#include "text/decimalText.hpp"
#include "text/numberText.hpp"
#include "raster/sourceRasters.hpp"

namespace drainPrep {
namespace {

std::string printfG(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

TEST(NumberText, DoublesMatchTheDefaultStreamFormat) {
    const std::pair<double, const char*> cases[] = {
        {0.00833333, "0.00833333"}, {39.16666666, "39.1667"}, {30.99166666, "30.9917"},
        {-9999.0, "-9999"},         {1e-05, "1e-05"},         {123456.0, "123456"},
        {1234567.0, "1.23457e+06"}, {0.0001, "0.0001"},       {523.0, "523"},
        {0.0, "0"},                 {-0.5, "-0.5"},           {100.25, "100.25"},
    };
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(numberText(value), text);
        EXPECT_EQ(numberText(value), printfG(value));
    }
}

TEST(NumberText, DoublesAgreeWithPrintfAcrossMagnitudes) {
    double value = 1.0 / 7.0;
    for (int i = 0; i < 400; ++i, value *= -3.7) {
        ASSERT_EQ(numberText(value), printfG(value)) << i;
        ASSERT_EQ(numberText(1.0 / value), printfG(1.0 / value)) << i;
    }
}

TEST(NumberText, WholeDoublesAgreeWithPrintfAroundSixDigits) {
    for (double value : {0.0, -0.0, 1.0, -1.0, 999999.0, -999999.0, 1e6, -1e6, 999999.5,
                         123456.5, 1234567.0, 2147483648.0, -2147483649.0, 1e300, -32768.0}) {
        EXPECT_EQ(numberText(value), printfG(value)) << value;
    }
}

TEST(NumberText, IntsArePlainDecimal) {
    EXPECT_EQ(numberText(std::int32_t{0}), "0");
    EXPECT_EQ(numberText(std::int32_t{-9999}), "-9999");
    EXPECT_EQ(numberText(std::int32_t{360045}), "360045");
    EXPECT_EQ(numberText(std::int32_t{-2147483647 - 1}), "-2147483648");
}

// The error against a published area of 1e-300 km2 is some 5.6e301 %.
TEST(FixedDecimals, EveryWholeDigitOfTheLargestNumbers) {
    EXPECT_EQ(fixed(-12.345, 2), "-12.35");
    const std::string huge = fixed(-0x1p1000, 2);  // -1.0715...e301, exact in binary
    EXPECT_EQ(huge.size(), 1 + 302 + 3u);
    EXPECT_EQ(huge.substr(0, 18), "-10715086071862673");
    EXPECT_EQ(huge.substr(huge.size() - 6), "376.00");
    EXPECT_EQ(fixed(1.7976931348623157e308, 0).size(), 309u);
}

TEST(SourceSamples, LittleEndianAndWidenedWithTheirSign) {
    EXPECT_EQ(sampleFromBytes(0xF1, 0xD8), -9999);
    EXPECT_EQ(sampleFromBytes(0xFF, 0xFF), -1);
    EXPECT_EQ(sampleFromBytes(0x80, 0x00), 128);
    EXPECT_EQ(sampleFromBytes(0x00, 0x80), -32768);
    EXPECT_EQ(sampleFromBytes(0xFF, 0x7F), 32767);
}

}  // namespace
}  // namespace drainPrep
