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

namespace drainPrep {

struct Gauge {
    std::int32_t id = 0;  // 1 and up, unique in the file
    double lat = 0.0;     // decimal degrees, north positive
    double lon = 0.0;     // decimal degrees, east positive
    std::string name;
    std::optional<double> publishedKm2;  // positive where given
};

// A file longer than this, or with a longer line, is no gauge list.
constexpr std::int64_t mostGaugeFileLines = 1000000;
constexpr std::size_t longestGaugeFileLine = 4096;

// The gauges in file order. A bad line gives the failure text naming
// fileName, the line (the header is line 1) and the column.
std::optional<std::string> readGauges(std::istream& text, const std::string& fileName,
                                      std::vector<Gauge>& gauges);

std::optional<std::string> readGaugeFile(const std::filesystem::path& path,
                                         std::vector<Gauge>& gauges);

}  // namespace drainPrep
