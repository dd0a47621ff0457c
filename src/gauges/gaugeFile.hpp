// The gauge file: CSV (RFC 4180, UTF-8, comma, quoted fields), a header line
// naming the columns in any order: id, lat, lon, and optionally name and
// area_km2 (the published catchment area). Other columns are ignored.
#pragma once

#include <cstdint>
#include <filesystem>
#include <istream>
#include <optional>
#include <string>
#include <vector>

#include "text/failure.hpp"

namespace drainPrep {

struct Gauge {
    std::string id;  // as the file writes it, unique in the file
    // The gauge's number in the grids and on the maps: its id where every id
    // of the file is a plain whole number (plainGaugeNumber), else its place
    // in the file, 1 for the first.
    std::int32_t gridNumber = 0;
    double lat = 0.0;  // decimal degrees, north positive
    double lon = 0.0;  // decimal degrees, east positive
    std::string name;
    std::optional<double> publishedKm2;  // positive where given
};

// A file longer than this, or with a longer line, is no gauge list.
constexpr std::int64_t mostGaugeFileLines = 1000000;
constexpr std::size_t longestGaugeFileLine = 4096;
// Beyond these a file is no gauge list either: the report writes every
// gauge into several files, and every field into some of them.
constexpr std::size_t mostGauges = 100000;
constexpr std::size_t longestGaugeField = 1000;
// All the land on Earth.
constexpr double largestPublishedKm2 = 1.5e8;

// The id as a number: a whole number from 1 to 2147483647 written without
// sign or leading zeros ("06435060" is a name, not 6435060).
std::optional<std::int32_t> plainGaugeNumber(const std::string& id);

// The gauges in file order. A bad line gives the failure text naming
// fileName, the line (the header is line 1) and the column.
Failure readGauges(std::istream& text, const std::string& fileName, std::vector<Gauge>& gauges);

Failure readGaugeFile(const std::filesystem::path& path, std::vector<Gauge>& gauges);

}  // namespace drainPrep
