// Fuzzes the reading of clipArea.dat: the whole input becomes the file.
//
// Every run is compared with a reference reading written here from the file
// rules alone (whitespace-separated tokens, optional sign and digits within
// the signed 32-bit range, whole-degree corners at 120 cells a degree), and
// parseWholeNumber is compared with the reference on the raw input and on
// each token.

#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "fuzzSupport.hpp"
#include "geometry/clipAreaFile.hpp"
#include "geometry/studyArea.hpp"
#include "text/wholeNumber.hpp"

namespace {

using drainPrep::StudyArea;

const std::string unreadableText = "clipArea.dat cannot open.";
const std::string notFourNumbersText =
    "clipArea.dat must hold four whole numbers: rows, columns, latitude and longitude.";
const std::string emptyAreaText = "The study area needs at least one row and one column.";
const std::string outsideText = "The study area lies outside the source grid.";

using fuzzing::require;
using fuzzing::scratchDirectory;

// The scratch file is made once per process and rewritten for every input,
// so runs with -jobs or -fork do not share it. It lives in memory where
// /dev/shm exists (rewriting a disk file forces a flush on every close) and
// is unlinked at once: readStudyArea opens it through /proc/self/fd, and a
// crashed run leaves nothing behind.
class ScratchFile {
public:
    ScratchFile() {
        std::string pattern = scratchDirectory() + "/fuzzClipArea.XXXXXX";
        fd_ = mkstemp(pattern.data());
        require(fd_ >= 0, "the scratch file can be made");
        unlink(pattern.c_str());
        path_ = "/proc/self/fd/" + std::to_string(fd_);
    }
    ~ScratchFile() { close(fd_); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    void write(const std::uint8_t* data, std::size_t size) {
        require(ftruncate(fd_, 0) == 0, "the scratch file can be emptied");
        std::size_t written = 0;
        while (written < size) {
            const ssize_t n =
                pwrite(fd_, data + written, size - written, static_cast<off_t>(written));
            require(n > 0, "the scratch file can be written");
            written += static_cast<std::size_t>(n);
        }
    }
    const char* path() const { return path_.c_str(); }

private:
    std::string path_;
    int fd_ = -1;
};

// The whitespace of the classic locale, which the file stream splits on.
bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::vector<std::string> tokensOf(const std::string& text) {
    std::vector<std::string> tokens;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && isSpace(text[i])) ++i;
        const std::size_t start = i;
        while (i < text.size() && !isSpace(text[i])) ++i;
        if (i > start) tokens.push_back(text.substr(start, i - start));
    }
    return tokens;
}

std::optional<std::int32_t> referenceWholeNumber(const std::string& token) {
    std::size_t i = 0;
    bool negative = false;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) {
        negative = token[i] == '-';
        ++i;
    }
    if (i == token.size()) return std::nullopt;
    // Magnitudes past 2^31 are capped: they fit neither sign.
    const std::int64_t cap = std::int64_t{1} << 31;
    std::int64_t magnitude = 0;
    for (; i < token.size(); ++i) {
        if (token[i] < '0' || token[i] > '9') return std::nullopt;
        magnitude = magnitude * 10 + (token[i] - '0');
        if (magnitude > cap) magnitude = cap + 1;
    }
    if (negative ? magnitude > cap : magnitude >= cap) return std::nullopt;
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

// With whole-degree corners the first cell lies exactly 120 cells a degree
// from 60N 55E; the six-digit cell size shifts that by under 0.01 cell.
bool referenceInside(const StudyArea& area) {
    const std::int64_t rowOffset = (std::int64_t{60} - area.latNW) * 120;
    const std::int64_t colOffset = (std::int64_t{area.lonNW} - 55) * 120;
    return rowOffset >= 0 && colOffset >= 0 && rowOffset + area.nrows <= drainPrep::sourceRows &&
           colOffset + area.ncols <= drainPrep::sourceCols;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines = fuzzing::piecesOf(text, '\n');
    require(lines.back().empty(), "the echo ends with a line break");
    lines.pop_back();
    return lines;
}

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

void checkWholeNumber(const std::string& token) {
    require(drainPrep::parseWholeNumber(token) == referenceWholeNumber(token),
            "parseWholeNumber agrees with the reference");
}

void checkReadStudyArea(const std::string& text, const char* path) {
    // What the reference expects: the values read before the first bad
    // token, each echoed, and the failure text that ends the reading.
    const std::vector<std::string> tokens = tokensOf(text);
    std::array<std::int32_t, 4> expected{};
    std::size_t echoed = 0;
    std::optional<std::string> expectedFailure;
    for (; echoed < expected.size(); ++echoed) {
        const std::optional<std::int32_t> value =
            echoed < tokens.size() ? referenceWholeNumber(tokens[echoed]) : std::nullopt;
        if (!value) {
            expectedFailure = notFourNumbersText;
            break;
        }
        expected[echoed] = *value;
    }
    const StudyArea expectedArea{expected[0], expected[1], expected[2], expected[3]};
    if (!expectedFailure) {
        if (expectedArea.nrows < 1 || expectedArea.ncols < 1) {
            expectedFailure = emptyAreaText;
        } else if (!referenceInside(expectedArea)) {
            expectedFailure = outsideText;
        }
    }

    StudyArea area;
    std::ostringstream console;
    const std::optional<std::string> failure = drainPrep::readStudyArea(path, console, area);

    if (failure) {
        require(*failure == unreadableText || *failure == notFourNumbersText ||
                    *failure == emptyAreaText || *failure == outsideText,
                "a failure is one of the four known texts");
    }
    require(failure == expectedFailure, "the outcome agrees with the reference");

    const std::vector<std::string> lines = linesOf(console.str());
    require(lines.size() == echoed, "every value read is echoed once, nothing else");
    for (std::size_t i = 0; i < lines.size(); ++i) {
        require(endsWith(lines[i], " : " + std::to_string(expected[i])),
                "an echo line ends with the value read");
    }

    if (!failure) {
        require(area.nrows == expectedArea.nrows && area.ncols == expectedArea.ncols &&
                    area.latNW == expectedArea.latNW && area.lonNW == expectedArea.lonNW,
                "the area holds the four values");
        require(area.nrows >= 1 && area.ncols >= 1, "an accepted area has a row and a column");
        require(drainPrep::liesInsideSourceGrid(area), "an accepted area lies inside");
        const drainPrep::ClipOffsets offsets = drainPrep::clipOffsets(area);
        require(offsets.rowOffset >= 0 && offsets.colOffset >= 0 &&
                    offsets.rowOffset + area.nrows <= drainPrep::sourceRows &&
                    offsets.colOffset + area.ncols <= drainPrep::sourceCols,
                "an accepted area's offsets keep it inside the source grid");
        require(offsets.rowOffset == (std::int64_t{60} - area.latNW) * 120 &&
                    offsets.colOffset == (std::int64_t{area.lonNW} - 55) * 120,
                "an accepted corner sits 120 cells a degree from 60N 55E");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static ScratchFile scratch;
    const std::string text(reinterpret_cast<const char*>(data), size);

    checkWholeNumber(text);
    for (const std::string& token : tokensOf(text)) checkWholeNumber(token);

    scratch.write(data, size);
    checkReadStudyArea(text, scratch.path());
    return 0;
}
