#include "report/scriptFiles.hpp"

#include <iterator>
#include <string>
#include <vector>

#include "text/decimalText.hpp"

namespace drainPrep::report {

namespace {

std::string member(const char* key, const std::string& value) {
    return std::string("\"") + key + "\": " + value;
}

template <typename Whole>
std::string member(const char* key, Whole value) {
    return member(key, std::to_string(value));
}

std::string quoted(const char* text) { return std::string("\"") + text + "\""; }

std::string basinEntry(const BasinRow& basin, const StudyArea& area) {
    const Outlet& outlet = basin.outlet;
    return "{" + member("riverNum", outlet.riverNum) + ", " + member("row", outlet.row) + ", " +
           member("col", outlet.col) + ", " + member("lon", centreLonText(area, outlet.col)) +
           ", " + member("lat", centreLatText(area, outlet.row)) + ", " +
           member("cells", outlet.basinSize) + ", " +
           member("km2", fileKm2Text(basin.km2, area.lattice)) + ", " +
           member("longestPath", basin.longestPath) + ", " +
           member("complete", std::string(basin.complete ? "true" : "false")) + ", " +
           member("outletKind", quoted(outletKindName(basin.end.kind))) + ", " +
           member("continuesInto", basin.end.continuesInto
                                       ? std::to_string(*basin.end.continuesInto)
                                       : std::string("null")) +
           ", " + member("highestOrder", basin.rivers.highestOrder) + ", " +
           member("mainStemKm", fixed(basin.rivers.mainStemKm, 3)) + "}";
}

std::string inflowEntry(const EdgeInflow& inflow) {
    return "{" + member("edge", quoted(edgeName(inflow.edge))) + ", " +
           member("ring", quoted(ringName(inflow.ring))) + ", " + member("row", inflow.row) + ", " +
           member("col", inflow.col) + ", " + member("riverNum", inflow.riverNum) + "}";
}

template <typename Entries, typename EntryText>
std::string array(const Entries& entries, EntryText entryText) {
    std::string text = "[";
    for (std::size_t i = 0; i < entries.size(); ++i) {
        text += (i == 0 ? "\n    " : ",\n    ") + entryText(entries[i]);
    }
    return text + (entries.empty() ? "]" : "\n  ]");
}

std::string gaugesArray(const GaugeFacts& gauges, const StudyArea& area) {
    std::vector<std::size_t> all(gauges.gauges.size());
    for (std::size_t i = 0; i < all.size(); ++i) all[i] = i;
    return array(all, [&](std::size_t i) { return "{" + gaugeMembers(gauges, i, area) + "}"; });
}

// The study area's place. The cells of a source other than the fixed
// pair's are named too: 1/n degree, with their edges or their centres on
// whole degrees (latNW and lonNW then name the centre of the first cell). A
// summary of 30" cells on whole-degree edges leaves them out, as it always
// has.
std::vector<std::string> placeMembers(const StudyArea& area) {
    std::vector<std::string> members = {member("rows", area.nrows), member("cols", area.ncols),
                                        member("latNW", area.latNW), member("lonNW", area.lonNW)};
    if (area.lattice == thirtySecondLattice) return members;
    const bool centres = area.lattice.origin == LatticeOrigin::centresOnDegrees;
    members.push_back(member("cellsPerDegree", area.lattice.perDegree));
    members.push_back(member("cellCentresOnDegrees", std::string(centres ? "true" : "false")));
    return members;
}

}  // namespace

std::string summaryJson(const ReportFacts& facts) {
    const CellCounts& counts = facts.counts;
    const std::string counted[] = {
        member("landCells", counts.land),
        member("seaCells", counts.sea),
        member("noDataCells", counts.noData),
        member("frameRingCells", counts.frameRing),
        member("landKm2", fileKm2Text(counts.landKm2, facts.area.lattice)),
        member("outlets", facts.outlets.size()),
        member("removedOutlets", counts.removedOutlets),
        member("basins", facts.outlets.size()),
        member("loopCells", counts.loopCells),
        member("riverThresholdCells", facts.rivers.threshold.cells),
        // The threshold's name of the release before, kept for one release.
        member("riverCells", facts.rivers.threshold.cells),
        member("reaches", facts.rivers.reaches),
        member("largestBasins",
               array(facts.largestBasins,
                     [&facts](const BasinRow& basin) { return basinEntry(basin, facts.area); })),
        member("edgeInflow", array(facts.edgeInflow, inflowEntry)),
    };
    std::vector<std::string> lines = placeMembers(facts.area);
    lines.insert(lines.end(), std::begin(counted), std::end(counted));
    std::string json = "{";
    for (std::size_t i = 0; i < lines.size(); ++i) {
        json += (i == 0 ? "\n  " : ",\n  ") + lines[i];
    }
    if (facts.gauges) json += ",\n  " + member("gauges", gaugesArray(*facts.gauges, facts.area));
    return json + "\n}\n";
}

std::string outletsGeoJson(const std::vector<Outlet>& outlets, const StudyArea& area) {
    std::string json = "{\"type\": \"FeatureCollection\", \"features\": [";
    for (std::size_t i = 0; i < outlets.size(); ++i) {
        const Outlet& outlet = outlets[i];
        json += (i == 0 ? "\n" : ",\n");
        json += "{\"type\": \"Feature\", \"geometry\": {\"type\": \"Point\", \"coordinates\": [" +
                centreLonText(area, outlet.col) + ", " + centreLatText(area, outlet.row) +
                "]}, \"properties\": {" + member("riverNum", outlet.riverNum) + ", " +
                member("row", outlet.row) + ", " + member("col", outlet.col) + ", " +
                member("basinSize", outlet.basinSize) + "}}";
    }
    return json + "\n]}\n";
}

}  // namespace drainPrep::report
