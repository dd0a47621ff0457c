// The one reading of decimal numbers: what drainPrepArea takes as degrees
// and the report as the values of an ASCII grid header.
#include <gtest/gtest.h>

#include <clocale>
#include <optional>
#include <string>

#include "text/decimalNumber.hpp"

namespace drainPrep {
namespace {

TEST(DecimalNumber, PlainDecimalsWithAnOptionalSignAndExponent) {
    const std::pair<const char*, double> accepted[] = {
        {"45.1", 45.1},
        {"-10", -10.0},
        {"+36.5", 36.5},
        {".5", 0.5},
        {"-.25", -0.25},
        {"7.", 7.0},
        {"0.00833333", 0.00833333},
        {"1e-05", 1e-05},
        {"8.3E+2", 830.0},
        {"-9999", -9999.0},
        {"000123.4500", 123.45},
    };
    for (const auto& [text, value] : accepted) {
        EXPECT_EQ(parseDecimal(text), std::optional<double>(value)) << text;
    }
}

TEST(DecimalNumber, RefusesEverythingElse) {
    for (const char* text :
         {"",     "+",   "-",    ".",    "+-5",      "-+5",   "--5",    "++5",   "5-",
          "1,5",  " 3",  "3 ",   "1..2", "1.2.3",    "e5",    "1e",     "1e+",   "1e5.5",
          "0x10", "inf", "-inf", "nan",  "infinity", "1e400", "-1e400", "12abc", "４５"}) {
        EXPECT_EQ(parseDecimal(text), std::nullopt) << '"' << text << '"';
    }
}

// A program that set a locale with a decimal comma still reads the point.
TEST(DecimalNumber, TheLocaleDoesNotMatter) {
    const std::string before = std::setlocale(LC_NUMERIC, nullptr);
    for (const char* locale : {"de_DE.UTF-8", "fr_FR.UTF-8", "C.UTF-8"}) {
        if (std::setlocale(LC_NUMERIC, locale) == nullptr) continue;
        EXPECT_EQ(parseDecimal("45.25"), std::optional<double>(45.25)) << locale;
        EXPECT_EQ(parseDecimal("45,25"), std::nullopt) << locale;
    }
    std::setlocale(LC_NUMERIC, before.c_str());
}

}  // namespace
}  // namespace drainPrep
