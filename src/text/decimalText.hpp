// Numbers with a fixed count of decimals, for the report's texts.
#pragma once

#include <cstdio>
#include <string>

namespace drainPrep {

inline std::string fixed(double value, int decimals) {
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

}  // namespace drainPrep
