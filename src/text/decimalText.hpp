// Numbers with a fixed count of decimals, for the report's texts.
#pragma once

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

}  // namespace drainPrep
