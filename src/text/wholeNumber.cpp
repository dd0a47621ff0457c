#include "text/wholeNumber.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace drainPrep {

namespace {

bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

}  // namespace

std::optional<std::int32_t> parseWholeNumber(std::string_view token) {
    const char* first = token.data();
    const char* const last = token.data() + token.size();
    const bool plusSign = first != last && *first == '+';
    if (plusSign) ++first;  // from_chars takes '-' only
    const bool minusSign = !plusSign && first != last && *first == '-';
    const char* const digits = minusSign ? first + 1 : first;
    if (digits == last || !std::all_of(digits, last, isDigit)) return std::nullopt;
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last) return std::nullopt;
    return value;
}

}  // namespace drainPrep
