#include <gtest/gtest.h>

#include <cstdio>

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

TEST(SourceSamples, LittleEndianAndWidenedWithTheirSign) {
    EXPECT_EQ(sampleFromBytes(0xF1, 0xD8), -9999);
    EXPECT_EQ(sampleFromBytes(0xFF, 0xFF), -1);
    EXPECT_EQ(sampleFromBytes(0x80, 0x00), 128);
    EXPECT_EQ(sampleFromBytes(0x00, 0x80), -32768);
    EXPECT_EQ(sampleFromBytes(0xFF, 0x7F), 32767);
}

}  // namespace
}  // namespace drainPrep
