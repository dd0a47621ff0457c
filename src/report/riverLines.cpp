#include "report/riverLines.hpp"

#include <fstream>

#include "text/decimalText.hpp"
#include "report/reportFacts.hpp"

namespace drainPrep::report {

namespace {

constexpr std::size_t flushBytes = 1 << 20;

std::string position(std::int64_t cell, const StudyArea& area) {
    const auto row = static_cast<std::int32_t>(cell / area.ncols);
    const auto col = static_cast<std::int32_t>(cell % area.ncols);
    return "[" + centreLonText(area, col) + ", " + centreLatText(area, row) + "]";
}

std::string properties(std::size_t number, const Reach& reach, const CellLattice& lattice) {
    return "{\"reach\": " + std::to_string(number) + ", \"downstream\": " +
           (reach.downstream > 0 ? std::to_string(reach.downstream) : std::string("null")) +
           ", \"riverNum\": " + std::to_string(reach.riverNum) +
           ", \"order\": " + std::to_string(reach.order) +
           ", \"cells\": " + std::to_string(reach.cells) +
           ", \"lengthKm\": " + fixed(reach.lengthKm, 3) +
           ", \"upstreamCells\": " + std::to_string(reach.upstreamCells) +
           ", \"upstreamKm2\": " + fileKm2Text(reach.upstreamKm2, lattice) +
           ", \"outlet\": " + (reach.outlet ? "true" : "false") + "}";
}

// A reach of one cell that ends at its outlet has a line of one point; it is
// drawn from the centre to itself, since a LineString needs two positions.
std::string feature(std::size_t number, const Reach& reach, const StudyArea& area,
                    const RiverNetwork& network) {
    std::string line;
    std::size_t points = 0;
    network.forEachPoint(reach, [&](std::int64_t cell) {
        line += (points++ == 0 ? "" : ", ") + position(cell, area);
    });
    if (points == 1) line += ", " + line;
    return "{\"type\": \"Feature\", \"geometry\": {\"type\": \"LineString\", \"coordinates\": [" +
           line + "]}, \"properties\": " + properties(number, reach, area.lattice) + "}";
}

}  // namespace

Failure writeRiversGeoJson(const std::filesystem::path& path, const StudyArea& area,
                           const RiverNetwork& network) {
    std::ofstream file(path, std::ios::binary);
    std::string text = "{\"type\": \"FeatureCollection\", \"features\": [";
    const std::vector<Reach>& reaches = network.reaches();
    for (std::size_t i = 0; i < reaches.size() && file; ++i) {
        text += (i == 0 ? "\n" : ",\n") + feature(i + 1, reaches[i], area, network);
        if (text.size() >= flushBytes) {
            file << text;
            text.clear();
        }
    }
    file << text << "\n]}\n";
    file.close();
    if (file.fail()) return path.string() + " cannot be written.";
    return std::nullopt;
}

}  // namespace drainPrep::report
