#include "report/reportRun.hpp"

#include <algorithm>
#include <ostream>
#include <set>

#include "output/runFileNames.hpp"
#include "report/gaugeMaps.hpp"
#include "report/reportPage.hpp"
#include "report/riverLines.hpp"
#include "report/scriptFiles.hpp"
#include "runFiles/gisSidecars.hpp"
#include "runFiles/stagingFolder.hpp"
#include "runFiles/textFile.hpp"

namespace drainPrep::report {

namespace {

std::vector<Outlet> largestFirst(const std::vector<Outlet>& outlets) {
    std::vector<Outlet> largest = outlets;
    const auto cut =
        largest.begin() + static_cast<std::ptrdiff_t>(std::min(largest.size(), largestBasinCount));
    std::partial_sort(largest.begin(), cut, largest.end(), [](const Outlet& a, const Outlet& b) {
        return a.basinSize != b.basinSize ? a.basinSize > b.basinSize : a.riverNum < b.riverNum;
    });
    largest.erase(cut, largest.end());
    return largest;
}

std::vector<BasinRow> basinRows(const ReportFacts& facts, const std::vector<Outlet>& largest,
                                const GridScan& scan, const RiverNetwork& network) {
    std::set<std::int32_t> fed;
    for (const EdgeInflow& place : facts.edgeInflow) fed.insert(place.riverNum);
    std::vector<BasinRow> rows;
    for (std::size_t i = 0; i < largest.size(); ++i) {
        const OutletEnd end =
            outletEnd(facts.area, largest[i], scan.surroundings[i], facts.outletRule);
        const bool complete = fed.count(largest[i].riverNum) == 0 && end.kind != OutletKind::cut;
        rows.push_back({largest[i], scan.measured[i].km2, scan.measured[i].longestPath, complete,
                        network.basin(largest[i].riverNum), end});
    }
    return rows;
}

// The river network at the threshold asked for, or at the basin map's.
Failure traceRivers(const ReportFacts& facts, const ReportOptions& options, std::ostream& console,
                    RiverFacts& rivers, RiverNetwork& network) {
    console << "  Tracing the rivers." << std::endl;
    rivers.askedByOption = options.riverCells.has_value();
    const std::int32_t asked = options.riverCells.value_or(facts.mapRanges.riverThreshold);
    if (auto failure =
            buildRiverNetwork(facts.folder, facts.area, asked, rivers.threshold, network)) {
        return failure;
    }
    if (rivers.threshold.raised()) {
        console << "  The river threshold is raised from " << rivers.threshold.asked << " to "
                << rivers.threshold.cells << " cells: " << rivers.threshold.asked << " would give "
                << rivers.threshold.reachesAsked << " reaches." << std::endl;
    }
    rivers.reaches = static_cast<std::int64_t>(network.reaches().size());
    rivers.cells = network.riverCells();
    for (const Reach& reach : network.reaches()) {
        rivers.highestOrder = std::max(rivers.highestOrder, reach.order);
    }
    return std::nullopt;
}

}  // namespace

Failure gatherFacts(const std::filesystem::path& folder, const ReportOptions& options,
                    std::ostream& console, ReportFacts& facts, MapGrids& maps,
                    RiverNetwork& network) {
    facts.folder = folder;
    if (options.gaugeFile) {
        facts.gauges.emplace();
        if (auto failure = readGaugeFile(*options.gaugeFile, facts.gauges->gauges)) return failure;
    }
    AsciiGridHeader header;
    if (auto failure = checkRunFiles(folder, facts.area, header, facts.sources)) return failure;
    if (facts.gauges) {
        facts.gauges->snapCells =
            options.gaugeSnapCells.value_or(defaultSnapCells(facts.area.lattice));
    }
    if (facts.sources) facts.outletRule = facts.sources->outlets;
    if (auto failure = readOutletList(folder, facts.area, facts.outlets)) return failure;
    const std::vector<Outlet> largest = largestFirst(facts.outlets);
    GridScan scan;
    if (auto failure = scanGrids(folder, facts.area, facts.outlets, largest, console, scan)) {
        return failure;
    }
    // A fixed-pair run records no rule, but only d8 keeps land below 0 m draining.
    if (scan.belowSeaLevel.draining) facts.outletRule = OutletRule::d8;
    facts.counts = scan.counts;
    if (facts.outletRule == OutletRule::d8) scan.belowSeaLevel.countAsLand(facts.counts);
    facts.edgeInflow = findEdgeInflow(scan.sourceDirections, scan.sourceElevations, scan.riverNums,
                                      facts.outletRule);
    facts.mapReduction = scan.maps.reduction;
    facts.mapEnlargement = scan.maps.enlargement;
    facts.mapRanges = mapRanges(scan.maps);
    if (auto failure = traceRivers(facts, options, console, facts.rivers, network)) return failure;
    facts.mapRanges.riverThreshold = facts.rivers.threshold.cells;
    facts.largestBasins = basinRows(facts, largest, scan, network);
    maps = std::move(scan.maps);
    maps.riverOrders = network.orderMap(maps.reduction);
    if (!facts.gauges) return std::nullopt;
    console << "  Placing " << facts.gauges->gauges.size() << " gauges." << std::endl;
    return placeReportGauges(folder, facts.area, facts.edgeInflow, *facts.gauges);
}

namespace {

std::vector<OutletMarker> markersOf(const std::vector<BasinRow>& basins) {
    std::vector<OutletMarker> markers;
    for (const BasinRow& basin : basins) {
        markers.push_back(
            {basin.outlet.row, basin.outlet.col, static_cast<std::int32_t>(markers.size()) + 1});
    }
    return markers;
}

// The gauges with the largest catchments first: their labels are placed first.
std::vector<GaugeMarker> gaugeMarkers(const GaugeFacts& gauges) {
    std::vector<std::size_t> placed;
    for (std::size_t i = 0; i < gauges.gauges.size(); ++i) {
        if (gauges.placement.gauges[i].status == GaugeStatus::placed) placed.push_back(i);
    }
    const auto& on = gauges.placement.gauges;
    std::stable_sort(placed.begin(), placed.end(), [&on](std::size_t a, std::size_t b) {
        return on[a].upstreamArea > on[b].upstreamArea;
    });
    std::vector<GaugeMarker> markers;
    for (const std::size_t i : placed) {
        markers.push_back({on[i].snapped.row, on[i].snapped.col, gauges.gauges[i].gridNumber});
    }
    return markers;
}

Failure writeGaugeMaps(const std::filesystem::path& folder, const ReportFacts& facts,
                       const MapGrids& maps) {
    const GaugeFacts& gauges = *facts.gauges;
    const std::vector<GaugeMarker> markers = gaugeMarkers(gauges);
    RgbImage basins = basinMap(maps, {});
    drawGaugeMarkers(basins, maps, markers);
    if (auto failure = writePng(folder / gaugeMapFile, basins)) return failure;
    RgbImage subbasins = subbasinMap(
        maps, reducedLabels(gauges.placement.subbasins, facts.area.nrows, facts.area.ncols,
                            maps.reduction));
    drawGaugeMarkers(subbasins, maps, markers);
    return writePng(folder / subbasinMapFile, subbasins);
}

Failure writeMaps(const std::filesystem::path& folder, const ReportFacts& facts,
                  const MapGrids& maps) {
    const MapRanges& ranges = facts.mapRanges;
    if (auto failure =
            writePng(folder / basinMapFile, basinMap(maps, markersOf(facts.largestBasins)))) {
        return failure;
    }
    if (auto failure = writePng(folder / basinSizeMapFile, basinSizeMap(maps, ranges))) {
        return failure;
    }
    if (auto failure = writePng(folder / distanceMapFile, distanceMap(maps, ranges))) {
        return failure;
    }
    if (auto failure =
            writePng(folder / elevationMapFile, elevationMap(maps, ranges, facts.area))) {
        return failure;
    }
    return facts.gauges ? writeGaugeMaps(folder, facts, maps) : std::nullopt;
}

Failure writeGaugeFiles(const std::filesystem::path& folder, const ReportFacts& facts) {
    const GaugeFacts& gauges = *facts.gauges;
    if (auto failure = writeTextFile(folder / "gauges.csv", gaugesCsv(gauges, facts.area))) {
        return failure;
    }
    if (auto failure =
            writeTextFile(folder / "gauges.geojson", gaugesGeoJson(gauges, facts.area))) {
        return failure;
    }
    if (auto failure = writeGaugeGrids(folder, gauges, facts.area)) {
        return failure;
    }
    return writeGaugePolygons(folder, gauges, facts.area);
}

Failure writeReportFolder(const std::filesystem::path& folder, const ReportFacts& facts,
                          const MapGrids& maps, const RiverNetwork& network) {
    if (auto failure = writeMaps(folder, facts, maps)) return failure;
    if (auto failure = writeRiversGeoJson(folder / riversFile, facts.area, network)) return failure;
    if (auto failure = writeTextFile(folder / "summary.json", summaryJson(facts))) return failure;
    if (facts.gauges) {
        if (auto failure = writeGaugeFiles(folder, facts)) return failure;
    }
    if (auto failure =
            writeTextFile(folder / "outlets.geojson", outletsGeoJson(facts.outlets, facts.area))) {
        return failure;
    }
    return writeTextFile(folder / reportPageFile, reportPage(facts));
}

}  // namespace

std::filesystem::path reportFolder(const std::filesystem::path& folder) {
    return folder / outputFolder / "report";
}

std::filesystem::path reportPagePath(const std::filesystem::path& folder) {
    return reportFolder(folder) / reportPageFile;
}

Failure writeReport(const std::filesystem::path& folder, std::ostream& console,
                    const ReportOptions& options) {
    ReportFacts facts;
    MapGrids maps;
    RiverNetwork network;
    if (auto failure = gatherFacts(folder, options, console, facts, maps, network)) return failure;
    console << "  Drawing the maps and writing the report." << std::endl;
    StagingFolder staging;
    if (auto failure = staging.create(reportFolder(folder))) return failure;
    if (auto failure = writeReportFolder(staging.path(), facts, maps, network)) return failure;
    console << "  Writing the .prj and .hdr files beside the grids." << std::endl;
    if (auto failure = writeGisSidecars(folder, facts.area)) return failure;
    return staging.putInPlace(reportFolder(folder));
}

}  // namespace drainPrep::report
