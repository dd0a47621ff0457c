// The report's gauges (--gauges FILE): placed on the run's own network, with
// their sub-basins, and the files that show them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "gauges/gaugeFile.hpp"
#include "gauges/gaugePlacement.hpp"
#include "geometry/studyArea.hpp"
#include "report/edgeInflow.hpp"
#include "runFiles/runFiles.hpp"
#include "text/failure.hpp"

namespace drainPrep::report {

// A published area missed by more than this is flagged.
constexpr double flaggedErrorPercent = 10.0;

struct GaugeFacts {
    std::vector<Gauge> gauges;  // as the file lists them
    std::int32_t snapCells = 0;
    GaugePlacement placement;
    std::vector<std::int32_t> riverNums;  // the basin of each gauge's cell, -1 where none
};

// The run's network as the gauges need it: a code a cell from flowDir.bin and
// riverNum.bin, cells in no basin marked so, and each row's cell area.
Failure readGaugeNetwork(const std::filesystem::path& folder, const StudyArea& area,
                         GaugeNetwork& network);

// Places the gauges read from the file on the run in folder.
Failure placeReportGauges(const std::filesystem::path& folder, const StudyArea& area,
                          const std::vector<EdgeInflow>& edgeInflow, GaugeFacts& facts);

// The error of the upstream area against the published one, in percent.
std::optional<double> errorPercent(const Gauge& gauge, const GaugeOnNetwork& placed);

// "placed", "outside", "noCandidate" or "sameCell".
const char* statusName(GaugeStatus status);

// The gauge's fields as JSON members ("\"id\": 3, ..."), in one order for
// gauges.geojson and summary.json.
std::string gaugeMembers(const GaugeFacts& facts, std::size_t gauge, const StudyArea& area);

std::string gaugesCsv(const GaugeFacts& facts, const StudyArea& area);
std::string gaugesGeoJson(const GaugeFacts& facts, const StudyArea& area);

// subbasins.geojson and catchments.geojson: the cells of each placed gauge
// as polygons, and those of its whole catchment.
Failure writeGaugePolygons(const std::filesystem::path& folder, const GaugeFacts& facts,
                           const StudyArea& area);

// gaugeCells and subbasins, .bin and .asc, with their .hdr and .prj.
Failure writeGaugeGrids(const std::filesystem::path& folder, const GaugeFacts& facts,
                        const StudyArea& area);

}  // namespace drainPrep::report
