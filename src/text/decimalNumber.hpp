// Reading decimal numbers typed by a person or written by a GIS: one rule
// and one conversion for every reader, the same on every compiler and in
// every locale.
#pragma once

#include <optional>
#include <string_view>

namespace drainPrep {

// An optional sign, digits with at most one decimal point, and an optional
// exponent ("45.1", "-.5", "+7", "8.33e-3"). Nothing for any other text
// ("+-5", "1,5", " 3", "inf", "0x10") or a value beyond the range of double.
std::optional<double> parseDecimal(std::string_view text);

}  // namespace drainPrep
