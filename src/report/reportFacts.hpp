// Everything the report tells about a finished run, gathered before any file
// of the report is written.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "geometry/studyArea.hpp"
#include "report/edgeInflow.hpp"
#include "report/gridScan.hpp"
#include "report/mapImages.hpp"
#include "report/outletEnd.hpp"
#include "report/reportGauges.hpp"
#include "runFiles/outletListReader.hpp"
#include "report/riverNetwork.hpp"
#include "runFiles/runFiles.hpp"
#include "text/decimalText.hpp"

namespace drainPrep::report {

// The report's table holds this many of the largest basins.
constexpr std::size_t largestBasinCount = 25;

struct BasinRow {
    Outlet outlet;
    double km2;
    std::int32_t longestPath;
    bool complete;  // no water enters it across the edge, and it is not cut
    BasinRivers rivers;
    OutletEnd end;
};

struct RiverFacts {
    RiverThreshold threshold;
    bool askedByOption = false;  // --river-cells, not the basin map's threshold
    std::int64_t reaches = 0;
    std::int64_t cells = 0;
    std::int32_t highestOrder = 0;
};

struct ReportFacts {
    std::filesystem::path folder;
    StudyArea area;
    std::optional<SourceRecord> sources;  // of a run given --dem and --dir
    OutletRule outletRule = OutletRule::coast;  // named by the source record, if any
    CellCounts counts;
    std::vector<Outlet> outlets;          // line i holds basin i + 1
    std::vector<BasinRow> largestBasins;  // largest first, ties by basin number
    std::vector<EdgeInflow> edgeInflow;
    RiverFacts rivers;
    std::int32_t mapReduction = 1;    // cells per block side
    std::int32_t mapEnlargement = 1;  // pixels per block side
    MapRanges mapRanges;
    std::optional<GaugeFacts> gauges;  // --gauges
};

// A cell centre's longitude or latitude in the files for scripts and a GIS:
// six decimals tell the cells apart down to 1".
constexpr int centreCoordinateDecimals = 6;

inline std::string centreLonText(const StudyArea& area, std::int32_t col) {
    return fixed(centreLonDegrees(area, col), centreCoordinateDecimals);
}

inline std::string centreLatText(const StudyArea& area, std::int32_t row) {
    return fixed(centreLatDegrees(area, row), centreCoordinateDecimals);
}

// km² in those files: to a thousandth at 30", to the same share of a smaller
// cell.
inline std::string fileKm2Text(double km2, const CellLattice& lattice) {
    constexpr int thirtySecondDecimals = 3;
    return fixed(km2, thirtySecondDecimals + finerKm2Decimals(lattice));
}

}  // namespace drainPrep::report
