// Text that goes into JSON, GeoJSON and HTML must be UTF-8: a byte of
// another encoding (Windows-1252's "ö" as the byte F6) makes the whole file
// unreadable to a JSON reader.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace drainPrep {

// The offset of the first byte that begins no well-formed UTF-8 character
// (an overlong form, a surrogate or a code point above U+10FFFF included), or
// none where the whole text is UTF-8.
std::optional<std::size_t> firstNonUtf8Byte(std::string_view text);

}  // namespace drainPrep
