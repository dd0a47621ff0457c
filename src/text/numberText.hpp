// Number text in the default format of an output stream: ints in plain
// decimal, doubles like printf's %g with precision 6 (39.1667, 0.00833333,
// -9999, 1e-05). std::to_chars gives those bytes without locale or stream
// state, and fast enough for grids of tens of millions of values. Besides,
// the other forms of a number that the programs write: the shortest exact
// text, a chosen count of significant digits, hexadecimal digits.
#pragma once

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

namespace drainPrep {

// Longest text either overload can produce ("-2.22507e-308" and such).
constexpr std::size_t maxNumberChars = 32;

inline char* writeNumber(char* out, std::int32_t value) {
    return std::to_chars(out, out + maxNumberChars, value).ptr;
}

// Elevations are whole metres: a whole number of at most six digits prints
// as the int it is, and the int path is several times faster.
inline char* writeNumber(char* out, double value) {
    constexpr double sixDigitLimit = 1e6;
    const bool negativeZero = value == 0.0 && std::signbit(value);
    if (value > -sixDigitLimit && value < sixDigitLimit && !negativeZero) {
        const auto whole = static_cast<std::int32_t>(value);
        if (whole == value) return writeNumber(out, whole);
    }
    return std::to_chars(out, out + maxNumberChars, value, std::chars_format::general, 6).ptr;
}

// The shortest text that reads back as the same double: a corner or cell
// size that a reader places exactly (0.0008333333333333334, 139.99958333333333).
inline char* writeRoundTripNumber(char* out, double value) {
    return std::to_chars(out, out + maxNumberChars, value).ptr;
}

// The same for a float: the shortest text that reads back as the same float.
inline char* writeRoundTripNumber(char* out, float value) {
    return std::to_chars(out, out + maxNumberChars, value).ptr;
}

template <typename Number>
std::string numberText(Number value) {
    char text[maxNumberChars];
    return std::string(text, writeNumber(text, value));
}

inline std::string roundTripText(double value) {
    char text[maxNumberChars];
    return std::string(text, writeRoundTripNumber(text, value));
}

// Like printf's %.<digits>g: as many significant digits as the reader needs
// (17 read back as the same double, whatever its text was).
inline std::string significantText(double value, int digits) {
    char text[maxNumberChars];
    return std::string(
        text,
        std::to_chars(text, text + maxNumberChars, value, std::chars_format::general, digits).ptr);
}

enum class HexLetters { small, capital };

// Like printf's %0<digits>x (or %0<digits>X with capitals): a byte's or a
// code's digits as escapes and colours write them.
inline std::string hexText(std::uint32_t value, int digits,
                           HexLetters letters = HexLetters::small) {
    char text[maxNumberChars];
    std::string hex(text, std::to_chars(text, text + maxNumberChars, value, 16).ptr);
    if (letters == HexLetters::capital) {
        for (char& c : hex) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    const auto width = static_cast<std::size_t>(digits);
    return hex.size() < width ? std::string(width - hex.size(), '0') + hex : hex;
}

}  // namespace drainPrep
