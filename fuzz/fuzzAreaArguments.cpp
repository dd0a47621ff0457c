// Fuzzes drainPrepArea's arguments: the input, split at NUL bytes, is the
// argument list after the program name.
//
// The degrees are checked against a regular expression of the plain decimal
// syntax and strtod's value, and the cell a point falls in against the
// point's own position: inside the cell, or on its north or west line.

#include <clocale>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "area/areaChoice.hpp"
#include "area/areaCommand.hpp"
#include "fuzzSupport.hpp"
#include "text/decimalNumber.hpp"

namespace {

using fuzzing::require;

// A cell is 1/120 degree; a millionth of it is the boundary's width.
constexpr double lineWidth = 1e-6 / drainPrep::cellsPerDegree;

std::optional<double> referenceDecimal(const std::string& text) {
    static const std::regex decimal(R"([+-]?([0-9]+\.?[0-9]*|\.[0-9]+)([eE][+-]?[0-9]+)?)");
    if (!std::regex_match(text, decimal)) return std::nullopt;
    const double value = std::strtod(text.c_str(), nullptr);
    if (!std::isfinite(value)) return std::nullopt;
    return value;
}

void checkDecimal(const std::string& text) {
    const std::optional<double> value = drainPrep::parseDecimal(text);
    const std::optional<double> expected = referenceDecimal(text);
    require(value.has_value() == expected.has_value(),
            "parseDecimal takes exactly the plain decimals");
    if (value) require(*value == *expected, "parseDecimal gives strtod's value");
}

void checkCell(double lat, double lon) {
    const std::optional<drainPrep::SourceCell> cell = drainPrep::sourceCellAt(lat, lon);
    const double fromNorth = drainPrep::sourceNorthEdge - lat;
    const double fromWest = lon - drainPrep::sourceWestEdge;
    if (!cell) {
        require(!(fromNorth >= lineWidth && fromWest >= lineWidth &&
                  fromNorth <= drainPrep::sourceRows / 120.0 - lineWidth &&
                  fromWest <= drainPrep::sourceCols / 120.0 - lineWidth),
                "a point well inside the source grid has a cell");
        return;
    }
    const double north = cell->row / 120.0;
    const double west = cell->col / 120.0;
    require(fromNorth >= north - lineWidth && fromNorth < north + 1 / 120.0 - lineWidth / 2,
            "the point lies in its cell's row or on its north line");
    require(fromWest >= west - lineWidth && fromWest < west + 1 / 120.0 - lineWidth / 2,
            "the point lies in its cell's column or on its west line");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> arguments =
        fuzzing::piecesOf(std::string(reinterpret_cast<const char*>(data), size), '\0');
    for (const std::string& argument : arguments) checkDecimal(argument);
    drainPrep::AreaRequest request;
    const std::optional<std::string> failure = drainPrep::parseAreaRequest(arguments, request);
    if (failure) {
        require(!failure->empty(), "a failure has a message");
        return 0;
    }
    require(std::isfinite(request.lat) && std::isfinite(request.lon), "the point is finite");
    require(request.snapRadius >= 0, "the snap radius is 0 or more");
    checkCell(request.lat, request.lon);
    return 0;
}
