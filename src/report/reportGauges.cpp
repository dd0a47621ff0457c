#include "report/reportGauges.hpp"

#include <algorithm>
#include <ostream>

#include "gauges/labelPolygons.hpp"
#include "output/asciiGrid.hpp"
#include "output/binaryGrid.hpp"
#include "report/gridScan.hpp"
#include "report/reportFacts.hpp"
#include "runFiles/binaryGridReader.hpp"
#include "runFiles/gisSidecars.hpp"
#include "runFiles/textFile.hpp"
#include "text/decimalText.hpp"
#include "text/numberText.hpp"

namespace drainPrep::report {

namespace {

constexpr int percentDecimals = 2;
// The polygons' km² to a millionth, as far as their coordinates give it.
constexpr int polygonKm2Decimals = 6;

// A damaged flowDir.bin must not lead a walk off the grid: a path that would
// leave it ends.
std::int8_t networkCode(std::int32_t dir, std::int32_t riverNum, std::int32_t row,
                        std::int32_t col, const StudyArea& area) {
    if (riverNum == binaryFrameRingValue) return GaugeNetwork::frameRing;
    if (riverNum < 1 || dir < outletCode || dir > directionCount) return GaugeNetwork::noBasin;
    if (dir == outletCode) return outletCode;
    const Direction& step = flowDirections[dir - 1];
    const std::int32_t downRow = row + step.rowOffset;
    const std::int32_t downCol = col + step.colOffset;
    const bool inside = downRow >= 0 && downRow < area.nrows && downCol >= 0 && downCol < area.ncols;
    return inside ? static_cast<std::int8_t>(dir) : static_cast<std::int8_t>(outletCode);
}

std::vector<std::size_t> entryCells(const std::vector<EdgeInflow>& edgeInflow,
                                    const StudyArea& area) {
    std::vector<std::size_t> cells;
    for (const EdgeInflow& place : edgeInflow) {
        if (place.entryRow < 0) continue;
        cells.push_back(static_cast<std::size_t>(place.entryRow) *
                            static_cast<std::size_t>(area.ncols) +
                        static_cast<std::size_t>(place.entryCol));
    }
    return cells;
}

bool isOnCell(const GaugeOnNetwork& gauge) {
    return gauge.status == GaugeStatus::placed || gauge.status == GaugeStatus::sameCell;
}

// The basin number at each gauge's cell, read in one pass over riverNum.bin.
Failure readRiverNums(const std::filesystem::path& folder, const StudyArea& area,
                      GaugeFacts& facts) {
    const std::vector<GaugeOnNetwork>& gauges = facts.placement.gauges;
    facts.riverNums.assign(gauges.size(), noBasin);
    std::vector<std::size_t> byRow;
    for (std::size_t i = 0; i < gauges.size(); ++i) {
        if (isOnCell(gauges[i])) byRow.push_back(i);
    }
    std::sort(byRow.begin(), byRow.end(), [&gauges](std::size_t a, std::size_t b) {
        return gauges[a].snapped.row < gauges[b].snapped.row;
    });
    BinaryGridReader riverNums;
    if (auto failure = riverNums.open(folder, riverNumBin, area.ncols)) return failure;
    std::vector<std::int32_t> row(static_cast<std::size_t>(area.ncols));
    auto next = byRow.begin();
    for (std::int32_t r = 0; r < area.nrows && next != byRow.end(); ++r) {
        if (auto failure = riverNums.readRow(row.data())) return failure;
        for (; next != byRow.end() && gauges[*next].snapped.row == r; ++next) {
            facts.riverNums[*next] = row[static_cast<std::size_t>(gauges[*next].snapped.col)];
        }
    }
    return std::nullopt;
}

// ---------------------------------------------------------------------------
// Fields

struct GaugeField {
    const char* key;
    std::optional<std::string> value;  // none: null in JSON, empty in CSV
    bool isText = false;
};

std::string whole(std::int64_t value) { return std::to_string(value); }

// An id as written; JSON gives a plain whole number as a number.
GaugeField idField(const char* key, const Gauge& gauge) {
    return {key, gauge.id, !plainGaugeNumber(gauge.id)};
}

std::string givenDegrees(double value) { return significantText(value, 10); }

std::vector<GaugeField> gaugeFields(const GaugeFacts& facts, std::size_t i, const StudyArea& area) {
    const Gauge& gauge = facts.gauges[i];
    const GaugeOnNetwork& placed = facts.placement.gauges[i];
    const bool inside = placed.status != GaugeStatus::outside;
    const bool onCell = isOnCell(placed);
    const bool isPlaced = placed.status == GaugeStatus::placed;
    const auto when = [](bool given, const std::string& text) {
        return given ? std::optional<std::string>(text) : std::nullopt;
    };
    const std::optional<double> error = errorPercent(gauge, placed);
    const auto idOf = [&facts](const char* key, std::int32_t index) {
        return index < 0 ? GaugeField{key, std::nullopt}
                         : idField(key, facts.gauges[static_cast<std::size_t>(index)]);
    };
    return {
        idField("id", gauge),
        {"name", gauge.name, true},
        {"status", std::string(statusName(placed.status)), true},
        {"lat", givenDegrees(gauge.lat)},
        {"lon", givenDegrees(gauge.lon)},
        {"row", when(inside, whole(placed.given.row))},
        {"col", when(inside, whole(placed.given.col))},
        {"cellLat", when(inside, centreLatText(area, placed.given.row))},
        {"cellLon", when(inside, centreLonText(area, placed.given.col))},
        {"snappedRow", when(onCell, whole(placed.snapped.row))},
        {"snappedCol", when(onCell, whole(placed.snapped.col))},
        {"snappedLat", when(onCell, centreLatText(area, placed.snapped.row))},
        {"snappedLon", when(onCell, centreLonText(area, placed.snapped.col))},
        {"cellsMoved", when(onCell, whole(placed.cellsMoved))},
        {"upstreamCells", when(onCell, whole(placed.upstreamCells))},
        {"upstreamKm2", when(onCell, fileKm2Text(km2Of(placed.upstreamArea), area.lattice))},
        {"publishedKm2", when(gauge.publishedKm2.has_value(),
                              givenDegrees(gauge.publishedKm2.value_or(0.0)))},
        {"errorPercent", when(error.has_value(), fixed(error.value_or(0.0), percentDecimals))},
        {"subbasinCells", when(onCell, whole(placed.subbasinCells))},
        {"subbasinKm2", when(onCell, fileKm2Text(km2Of(placed.subbasinArea), area.lattice))},
        idOf("downstreamId", isPlaced ? placed.downstreamGauge : -1),
        {"riverNum", when(onCell, whole(facts.riverNums[i]))},
        {"complete", when(onCell, placed.complete ? "true" : "false")},
        idOf("sameCellAs", placed.sameCellAs),
        {"gridNumber", whole(gauge.gridNumber)},
    };
}

std::string jsonString(const std::string& text) {
    std::string json = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (byte < 0x20) {
            json += "\\u" + hexText(byte, 4);
        } else {
            json += c;
        }
    }
    return json + "\"";
}

std::string jsonMember(const GaugeField& field) {
    return std::string("\"") + field.key + "\": " +
           (!field.value ? "null" : field.isText ? jsonString(*field.value) : *field.value);
}

std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

// The cells of the placed gauges, row-major, with their ids.
std::vector<std::pair<std::size_t, std::int32_t>> gaugeCells(const GaugeFacts& facts,
                                                             const StudyArea& area) {
    std::vector<std::pair<std::size_t, std::int32_t>> cells;
    for (std::size_t i = 0; i < facts.gauges.size(); ++i) {
        const GaugeOnNetwork& placed = facts.placement.gauges[i];
        if (placed.status != GaugeStatus::placed) continue;
        cells.emplace_back(static_cast<std::size_t>(placed.snapped.row) *
                                   static_cast<std::size_t>(area.ncols) +
                               static_cast<std::size_t>(placed.snapped.col),
                           facts.gauges[i].gridNumber);
    }
    std::sort(cells.begin(), cells.end());
    return cells;
}

// valueAt(cell) of each cell, row-major, called in that order for each file.
template <typename ValueAt>
Failure writeIdGrid(const std::filesystem::path& folder, const char* name, const char* bandName,
                    ValueAt cellValue, const StudyArea& area) {
    std::ostream quiet(nullptr);
    const auto valueAt = [&cellValue, &area](std::int32_t row, std::int32_t col) {
        return cellValue(static_cast<std::size_t>(row) * static_cast<std::size_t>(area.ncols) +
                         static_cast<std::size_t>(col));
    };
    const std::string bin = (folder / (std::string(name) + ".bin")).string();
    const std::string asc = (folder / (std::string(name) + ".asc")).string();
    const std::string binFailure = bin + " cannot be written.";
    const std::string ascFailure = asc + " cannot be written.";
    if (auto failure = writeBinaryGrid({bin.c_str(), binFailure.c_str()},
                                       Announcement::writingDone, area.nrows, area.ncols, quiet,
                                       valueAt)) {
        return failure;
    }
    if (auto failure = writeAsciiGrid({asc.c_str(), ascFailure.c_str()},
                                      headerFor(area, frameRingLabel), AsciiLayout::product, quiet,
                                      valueAt)) {
        return failure;
    }
    const BinaryGridFile grid{bin.c_str(), 4, bandName};
    if (auto failure = writeTextFile(sidecarPath(bin, ".hdr"), enviHeader(grid, placeOfStudyArea(area)))) {
        return failure;
    }
    return writeTextFile(sidecarPath(asc, ".prj"), std::string(wgs84Prj) + "\n");
}

}  // namespace

Failure readGaugeNetwork(const std::filesystem::path& folder, const StudyArea& area,
                         GaugeNetwork& network) {
    network.frame = frameOfArea(area);
    network.codes.resize(static_cast<std::size_t>(area.cellCount()));
    network.rowArea.resize(static_cast<std::size_t>(area.nrows));
    BinaryGridReader dirs, riverNums;
    if (auto failure = dirs.open(folder, flowDirBin, area.ncols)) return failure;
    if (auto failure = riverNums.open(folder, riverNumBin, area.ncols)) return failure;
    const auto ncols = static_cast<std::size_t>(area.ncols);
    std::vector<std::int32_t> dirRow(ncols), riverNumRow(ncols);
    for (std::int32_t row = 0; row < area.nrows; ++row) {
        if (auto failure = dirs.readRow(dirRow.data())) return failure;
        if (auto failure = riverNums.readRow(riverNumRow.data())) return failure;
        std::int8_t* codes = network.codes.data() + static_cast<std::size_t>(row) * ncols;
        for (std::size_t col = 0; col < ncols; ++col) {
            codes[col] = networkCode(dirRow[col], riverNumRow[col], row,
                                     static_cast<std::int32_t>(col), area);
        }
        network.rowArea[static_cast<std::size_t>(row)] = areaUnitsOf(cellAreaKm2(area, row));
    }
    return std::nullopt;
}

Failure placeReportGauges(const std::filesystem::path& folder, const StudyArea& area,
                          const std::vector<EdgeInflow>& edgeInflow, GaugeFacts& facts) {
    {
        GaugeNetwork network;
        if (auto failure = readGaugeNetwork(folder, area, network)) return failure;
        facts.placement =
            placeGauges(network, facts.gauges, facts.snapCells, entryCells(edgeInflow, area));
    }
    return readRiverNums(folder, area, facts);
}

std::optional<double> errorPercent(const Gauge& gauge, const GaugeOnNetwork& placed) {
    if (!isOnCell(placed) || !gauge.publishedKm2) return std::nullopt;
    constexpr double percent = 100.0;
    return (km2Of(placed.upstreamArea) - *gauge.publishedKm2) / *gauge.publishedKm2 * percent;
}

const char* statusName(GaugeStatus status) {
    switch (status) {
        case GaugeStatus::placed:
            return "placed";
        case GaugeStatus::outside:
            return "outside";
        case GaugeStatus::noCandidate:
            return "noCandidate";
        case GaugeStatus::sameCell:
            return "sameCell";
    }
    return "";
}

std::string gaugeMembers(const GaugeFacts& facts, std::size_t gauge, const StudyArea& area) {
    std::string json;
    for (const GaugeField& field : gaugeFields(facts, gauge, area)) {
        if (!json.empty()) json += ", ";
        json += jsonMember(field);
    }
    return json;
}

std::string gaugesCsv(const GaugeFacts& facts, const StudyArea& area) {
    // The header from the fields of a gauge outside, so that a file without
    // gauges has it too.
    GaugeFacts outside;
    outside.gauges.resize(1);
    outside.placement.gauges.resize(1);
    outside.riverNums.resize(1);
    std::string csv;
    for (const GaugeField& field : gaugeFields(outside, 0, area)) csv += std::string(field.key) + ",";
    csv.back() = '\n';
    for (std::size_t i = 0; i < facts.gauges.size(); ++i) {
        const std::vector<GaugeField> fields = gaugeFields(facts, i, area);
        std::string line;
        for (const GaugeField& field : fields) line += csvField(field.value.value_or("")) + ",";
        line.back() = '\n';
        csv += line;
    }
    return csv;
}

std::string gaugesGeoJson(const GaugeFacts& facts, const StudyArea& area) {
    std::string json = "{\"type\": \"FeatureCollection\", \"features\": [";
    bool first = true;
    for (std::size_t i = 0; i < facts.gauges.size(); ++i) {
        const GaugeOnNetwork& placed = facts.placement.gauges[i];
        if (!isOnCell(placed)) continue;
        json += first ? "\n" : ",\n";
        first = false;
        json += "{\"type\": \"Feature\", \"geometry\": {\"type\": \"Point\", \"coordinates\": [" +
                centreLonText(area, placed.snapped.col) + ", " +
                centreLatText(area, placed.snapped.row) + "]}, \"properties\": {" +
                gaugeMembers(facts, i, area) + "}}";
    }
    return json + "\n]}\n";
}

Failure writeGaugePolygons(const std::filesystem::path& folder, const GaugeFacts& facts,
                           const StudyArea& area) {
    LabelRegions regions;
    regions.frame = frameOfArea(area);
    regions.labels = &facts.placement.subbasins;
    std::vector<std::size_t> gaugeOfRegion;
    std::vector<std::int32_t> regionOfGauge(facts.gauges.size(), -1);
    for (std::size_t i = 0; i < facts.gauges.size(); ++i) {
        if (facts.placement.gauges[i].status != GaugeStatus::placed) continue;
        regionOfGauge[i] = static_cast<std::int32_t>(gaugeOfRegion.size());
        gaugeOfRegion.push_back(i);
        regions.ids.push_back(facts.gauges[i].gridNumber);
    }
    std::vector<std::string> own, upstream;
    for (const std::size_t i : gaugeOfRegion) {
        const GaugeOnNetwork& placed = facts.placement.gauges[i];
        const std::int32_t down = placed.downstreamGauge;
        regions.downstream.push_back(down < 0 ? -1 : regionOfGauge[static_cast<std::size_t>(down)]);
        const std::string id =
            jsonMember(idField("id", facts.gauges[i])) + ", \"name\": " +
            jsonString(facts.gauges[i].name) + ", " +
            jsonMember(down < 0 ? GaugeField{"downstreamId", std::nullopt}
                                : idField("downstreamId",
                                          facts.gauges[static_cast<std::size_t>(down)]));
        own.push_back(id + ", \"cells\": " + whole(placed.subbasinCells) + ", \"km2\": " +
                      fixed(km2Of(placed.subbasinArea), polygonKm2Decimals));
        upstream.push_back(id + ", \"cells\": " + whole(placed.upstreamCells) + ", \"km2\": " +
                           fixed(km2Of(placed.upstreamArea), polygonKm2Decimals));
    }
    if (auto failure =
            writeTextFile(folder / "subbasins.geojson", regionsGeoJson(regions, false, own))) {
        return failure;
    }
    return writeTextFile(folder / "catchments.geojson", regionsGeoJson(regions, true, upstream));
}

Failure writeGaugeGrids(const std::filesystem::path& folder, const GaugeFacts& facts,
                        const StudyArea& area) {
    const std::vector<std::int32_t>& subbasins = facts.placement.subbasins;
    const std::vector<std::pair<std::size_t, std::int32_t>> gauges = gaugeCells(facts, area);
    auto next = gauges.begin();
    const auto gaugeAt = [&](std::size_t cell) {
        if (cell == 0) next = gauges.begin();  // each file from the first cell
        if (next != gauges.end() && next->first == cell) return (next++)->second;
        return subbasins[cell] == frameRingLabel ? frameRingLabel : noGaugeLabel;
    };
    if (auto failure =
            writeIdGrid(folder, "gaugeCells", "gauge id", gaugeAt, area)) {
        return failure;
    }
    return writeIdGrid(
        folder, "subbasins", "sub-basin gauge id",
        [&subbasins](std::size_t cell) { return subbasins[cell]; }, area);
}

}  // namespace drainPrep::report
