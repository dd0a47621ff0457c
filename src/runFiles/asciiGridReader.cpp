#include "runFiles/asciiGridReader.hpp"

#include <cmath>
#include <cstring>
#include <limits>

#include "text/decimalNumber.hpp"
#include "text/wholeNumber.hpp"

namespace drainPrep {

namespace {

constexpr std::size_t bufferBytes = std::size_t{1} << 20;
// Far more than any number needs; a longer token is no number and must not
// make the buffer grow.
constexpr std::size_t maxTokenChars = 100;

bool isBlank(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }

bool parseNumber(std::string_view token, std::int32_t& value) {
    const std::optional<std::int32_t> number = parseWholeNumber(token);
    if (number) value = *number;
    return number.has_value();
}

bool parseNumber(std::string_view token, double& value) {
    const std::optional<double> number = parseDecimal(token);
    if (number) value = *number;
    return number.has_value();
}

bool isTooLong(std::string_view token) { return token.size() > maxTokenChars; }

}  // namespace

Failure AsciiGridReader::open(const std::filesystem::path& folder, const char* relativePath) {
    name_ = relativePath;
    file_.open(folder / relativePath, std::ios::binary);
    if (!file_.is_open()) return failure("cannot be opened.");
    // Not zeroed: a companion opens ten readers, most for a header only.
    if (!buffer_) buffer_.reset(new char[bufferBytes]);
    begin_ = end_ = 0;
    rowsRead_ = 0;
    return readHeader();
}

Failure AsciiGridReader::readHeader() {
    struct HeaderLine {
        const char* key;
        double* value;
    };
    double ncols = 0.0;
    double nrows = 0.0;
    const HeaderLine lines[] = {
        {"ncols", &ncols},
        {"nrows", &nrows},
        {"xllcorner", &header_.xllcorner},
        {"yllcorner", &header_.yllcorner},
        {"cellsize", &header_.cellsize},
        {"NODATA_value", &header_.nodataValue},
    };
    for (const HeaderLine& line : lines) {
        const std::string_view key = nextToken();
        if (isTooLong(key)) return tooLongFailure("its header");
        // The next token may move the buffer under the key.
        const bool keyFits = key == line.key;
        const std::string_view value = keyFits ? nextToken() : std::string_view();
        if (isTooLong(value)) return tooLongFailure("its header");
        if (!keyFits || !parseNumber(value, *line.value)) {
            return failure(std::string("is not an ESRI ASCII grid as drainPrep writes it: its "
                                       "header lacks the line \"") +
                           line.key + " <number>\".");
        }
    }
    const auto isCount = [](double value) {
        return value >= 1 && value <= std::numeric_limits<std::int32_t>::max() &&
               value == std::floor(value);
    };
    if (!isCount(ncols) || !isCount(nrows)) {
        return failure("gives no whole numbers of rows and columns in its header.");
    }
    header_.ncols = static_cast<std::int32_t>(ncols);
    header_.nrows = static_cast<std::int32_t>(nrows);
    return std::nullopt;
}

Failure AsciiGridReader::readRow(std::int32_t* values) {
    for (std::int32_t col = 0; col < header_.ncols; ++col) {
        const std::string_view token = nextToken();
        if (token.empty()) {
            return failure("ends after " + std::to_string(rowsRead_) + " of " +
                           std::to_string(header_.nrows) + " rows: the file is cut short.");
        }
        if (isTooLong(token)) return tooLongFailure("row " + std::to_string(rowsRead_));
        if (!parseNumber(token, values[col])) {
            return failure("holds \"" + std::string(token) + "\" in row " +
                           std::to_string(rowsRead_) + ", where a whole number belongs.");
        }
    }
    ++rowsRead_;
    return std::nullopt;
}

// An empty token means the end of the file.
std::string_view AsciiGridReader::nextToken() {
    for (;;) {
        while (begin_ < end_ && isBlank(buffer_[begin_])) ++begin_;
        std::size_t tokenEnd = begin_;
        while (tokenEnd < end_ && !isBlank(buffer_[tokenEnd])) ++tokenEnd;
        if (tokenEnd < end_) return take(tokenEnd);
        // Enough to tell that it is too long; the rest is never read.
        if (tokenEnd - begin_ > maxTokenChars) return take(begin_ + maxTokenChars + 1);
        // A token that reaches the end of the buffer may go on in the file.
        if (!refill()) return take(end_);
    }
}

std::string_view AsciiGridReader::take(std::size_t tokenEnd) {
    const std::string_view token(buffer_.get() + begin_, tokenEnd - begin_);
    begin_ = tokenEnd;
    return token;
}

// Keeps the unread bytes and appends what the file still holds; false when
// nothing more came.
bool AsciiGridReader::refill() {
    std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
    if (!file_) return false;
    file_.read(buffer_.get() + end_, static_cast<std::streamsize>(bufferBytes - end_));
    const auto got = static_cast<std::size_t>(file_.gcount());
    end_ += got;
    return got != 0;
}

std::string AsciiGridReader::failure(const std::string& what) const { return name_ + " " + what; }

std::string AsciiGridReader::tooLongFailure(const std::string& where) const {
    return failure("holds a value of more than " + std::to_string(maxTokenChars) +
                   " characters in " + where + ": it is no grid as drainPrep writes it.");
}

}  // namespace drainPrep
