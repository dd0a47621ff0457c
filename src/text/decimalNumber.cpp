#include "text/decimalNumber.hpp"

#include <cmath>
#include <locale>
#include <sstream>
#include <string>

namespace drainPrep {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Moves `at` past a run of digits; how many there were.
std::size_t skipDigits(std::string_view text, std::size_t& at) {
    const std::size_t start = at;
    while (at < text.size() && isDigit(text[at])) ++at;
    return at - start;
}

void skipSign(std::string_view text, std::size_t& at) {
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
}

bool isDecimalText(std::string_view text) {
    std::size_t at = 0;
    skipSign(text, at);
    std::size_t digits = skipDigits(text, at);
    if (at < text.size() && text[at] == '.') digits += skipDigits(text, ++at);
    if (digits == 0) return false;
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        skipSign(text, ++at);
        if (skipDigits(text, at) == 0) return false;
    }
    return at == text.size();
}

}  // namespace

// std::from_chars for double is missing from some standard libraries still
// in use, and strtod follows the C locale; a stream in the classic locale
// converts alike everywhere once the text is known to be plain decimal.
std::optional<double> parseDecimal(std::string_view text) {
    if (!isDecimalText(text)) return std::nullopt;
    std::istringstream stream{std::string(text)};
    stream.imbue(std::locale::classic());
    double value = 0.0;
    stream >> value;
    if (stream.fail() || !std::isfinite(value)) return std::nullopt;
    return value;
}

}  // namespace drainPrep
