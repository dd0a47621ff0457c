// Reading a whole number written in a file or typed by a person.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace drainPrep {

// The whole-number rule of clipArea.dat: an optional sign, digits only,
// within the signed 32-bit range.
std::optional<std::int32_t> parseWholeNumber(std::string_view token);

}  // namespace drainPrep
