// Numbers with a fixed count of decimals, and with their thousands grouped,
// for the report's texts.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

namespace drainPrep {

// Every digit of the value, however large: an error of 5.6e301 % is printed
// as the number it is, not cut to a buffer. The largest double has 309
// whole digits.
inline std::string fixed(double value, int decimals) {
    constexpr std::size_t widestWhole = 312;  // digits, sign and point
    std::string text(widestWhole + static_cast<std::size_t>(decimals < 0 ? 0 : decimals), '\0');
    const int length = std::snprintf(&text[0], text.size(), "%.*f", decimals, value);
    text.resize(length < 0 ? 0 : static_cast<std::size_t>(length));
    return text;
}

// Commas between the thousands of the whole digits in [first, end).
inline std::string withThousandsGrouped(std::string text, std::size_t first, std::size_t end) {
    constexpr std::size_t group = 3;
    for (std::size_t at = end; at > first + group;) {
        at -= group;
        text.insert(at, ",");
    }
    return text;
}

// 1234567 as "1,234,567".
inline std::string grouped(std::int64_t value) {
    const std::string text = std::to_string(value);
    return withThousandsGrouped(text, value < 0 ? 1 : 0, text.size());
}

// 55872.73 with one decimal as "55,872.7".
inline std::string groupedFixed(double value, int decimals) {
    const std::string text = fixed(value, decimals);
    return withThousandsGrouped(text, text[0] == '-' ? 1 : 0,
                                std::min(text.find('.'), text.size()));
}

}  // namespace drainPrep
