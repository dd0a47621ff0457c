#include "report/reportPage.hpp"

#include "report/gaugeMaps.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "text/decimalText.hpp"
#include "text/shellWord.hpp"
#include "report/mapStyle.hpp"
#include "report/riverLines.hpp"

namespace drainPrep::report {

namespace {

constexpr Edge edgesInOrder[] = {Edge::north, Edge::east, Edge::south, Edge::west};

std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string latitudeText(double degrees, int decimals) {
    return fixed(std::fabs(degrees), decimals) + "&deg;" + (degrees < 0 ? "S" : "N");
}

std::string longitudeText(double degrees, int decimals) {
    return fixed(std::fabs(degrees), decimals) + "&deg;" + (degrees < 0 ? "W" : "E");
}

// Edges and centres of cells with the decimals that tell a tenth of a cell.
std::string latitudeOnLattice(double degrees, const CellLattice& lattice) {
    return latitudeText(degrees, tenthOfCellDecimals(lattice));
}
std::string longitudeOnLattice(double degrees, const CellLattice& lattice) {
    return longitudeText(degrees, tenthOfCellDecimals(lattice));
}

std::string outletCell(const Outlet& outlet, const StudyArea& area) {
    return "<td class=\"nowrap\">" +
           latitudeOnLattice(centreLatDegrees(area, outlet.row), area.lattice) + " " +
           longitudeOnLattice(centreLonDegrees(area, outlet.col), area.lattice) + "</td>";
}

// Areas of the tables to a tenth of a km² at 30", to the same share of a
// smaller cell.
std::string tableKm2(double km2, const CellLattice& lattice) {
    return groupedFixed(km2, 1 + finerKm2Decimals(lattice));
}

// Whole km² at 30", rounded half away from zero as the page always has; the
// same share of a smaller cell.
std::string roundedKm2(double km2, const CellLattice& lattice) {
    const int decimals = finerKm2Decimals(lattice);
    return decimals == 0 ? grouped(std::llround(km2)) : groupedFixed(km2, decimals);
}

std::string row(const std::string& label, const std::string& value) {
    return "<tr><th>" + label + "</th><td>" + value + "</td></tr>\n";
}

std::string cellsAndShare(std::int64_t cells, std::int64_t total) {
    const double percent =
        total > 0 ? 100.0 * static_cast<double>(cells) / static_cast<double>(total) : 0.0;
    return grouped(cells) + " <span class=\"muted\">(" + fixed(percent, 1) + "%)</span>";
}

std::string pageStyle() {
    return "<style>\n"
           "body{font-family:system-ui,-apple-system,'Segoe UI',Roboto,sans-serif;margin:0 auto;"
           "max-width:1100px;padding:1em 1.5em 3em;color:#222;line-height:1.45}\n"
           "h1{margin-bottom:.2em}h2{margin-top:2em;border-bottom:1px solid #ccc}\n"
           "table{border-collapse:collapse;margin:.5em 0}\n"
           // Wide tables scroll within themselves, wide enough that no cell
           // is squeezed to a word a line; the page never scrolls sideways.
           "table.data{display:block;max-width:100%;overflow-x:auto}\n"
           "table.data>tbody{display:table;min-width:64em}\n"
           "h1,p,li,code{overflow-wrap:anywhere}\n"
           "th,td{padding:.25em .7em;text-align:left;vertical-align:top}\n"
           "table.data td.num,table.data th.num{text-align:right}\n"
           "table.data tr:nth-child(even){background:#f4f6f8}\n"
           "table.data th{border-bottom:2px solid #999}\n"
           "table.facts th{font-weight:normal;color:#555}\n"
           ".muted{color:#777}\n"
           ".alert{padding:.8em 1.1em;border-radius:6px;margin:1em 0}\n"
           ".warn{background:#fff3e0;border:1px solid #e69138}\n"
           ".ok{background:#e8f5e9;border:1px solid #6aa84f}\n"
           "figure{margin:1.5em 0}\n"
           "figure img{max-width:100%;height:auto;border:1px solid #999;"
           "image-rendering:pixelated}\n"
           ".legend{display:flex;flex-wrap:wrap;gap:.3em 1.2em;margin:.4em 0;font-size:.92em}\n"
           ".swatch{display:inline-block;width:1.1em;height:1.1em;border:1px solid #777;"
           "vertical-align:-.2em;margin-right:.35em}\n"
           ".scale{position:relative;max-width:520px;margin:.4em 2.5em 1.8em 0;font-size:.85em}\n"
           ".bar{height:14px;border:1px solid #777}\n"
           ".ticks span{position:absolute;top:17px;transform:translateX(-50%);"
           "white-space:nowrap}\n"
           ".ticks span::before{content:'';position:absolute;left:50%;top:-5px;"
           "height:4px;border-left:1px solid #333}\n"
           "code{background:#f1f1f1;padding:0 .25em;border-radius:3px}\n"
           ".nowrap,td code{white-space:nowrap}\n"
           "td.flag{color:#b00;font-weight:bold}\n"
           "</style>\n";
}

// ---------------------------------------------------------------------------
// Edge inflow

// Positions along the edge, by edge and ring.
using PlacesOfBasin = std::map<std::pair<Edge, Ring>, std::vector<std::int32_t>>;

struct InflowByBasin {
    std::map<std::int32_t, PlacesOfBasin> places;  // by basin
    std::map<Edge, std::int64_t> perEdge;
};

InflowByBasin groupInflow(const std::vector<EdgeInflow>& inflow) {
    InflowByBasin groups;
    for (const EdgeInflow& place : inflow) {
        const bool alongRow = place.edge == Edge::north || place.edge == Edge::south;
        groups.places[place.riverNum][{place.edge, place.ring}].push_back(alongRow ? place.col
                                                                                   : place.row);
        ++groups.perEdge[place.edge];
    }
    return groups;
}

// Positions 3, 4, 5, 9 as "3&ndash;5, 9".
std::string positionRanges(std::vector<std::int32_t> positions) {
    std::sort(positions.begin(), positions.end());
    std::string text;
    for (std::size_t i = 0; i < positions.size();) {
        std::size_t last = i;
        while (last + 1 < positions.size() && positions[last + 1] == positions[last] + 1) ++last;
        text += (text.empty() ? "" : ", ") + std::to_string(positions[i]);
        if (last > i) text += "&ndash;" + std::to_string(positions[last]);
        i = last + 1;
    }
    return text;
}

std::string placesText(Edge edge, Ring ring, const std::vector<std::int32_t>& positions) {
    const bool alongRow = edge == Edge::north || edge == Edge::south;
    return std::string(edgeName(edge)) + " edge, " + (ring == Ring::outlet ? "outlet ring, " : "") +
           (alongRow ? "column" : "row") + (positions.size() > 1 ? "s " : " ") +
           positionRanges(positions) + " (" + grouped(static_cast<std::int64_t>(positions.size())) +
           " cell" + (positions.size() > 1 ? "s" : "") + ")";
}

std::string listOfWords(const std::vector<std::string>& words) {
    std::string text;
    for (std::size_t i = 0; i < words.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == words.size() ? " and " : ", ") + words[i];
    }
    return text;
}

std::vector<std::string> edgeNames(const PlacesOfBasin& places) {
    std::vector<std::string> names;
    for (Edge edge : edgesInOrder) {
        if (places.count({edge, Ring::frame}) + places.count({edge, Ring::outlet}) != 0) {
            names.push_back(edgeName(edge));
        }
    }
    return names;
}

// Edge by edge, the frame ring before the outlet ring.
std::vector<std::string> placeTexts(const PlacesOfBasin& places) {
    std::vector<std::string> texts;
    for (Edge edge : edgesInOrder) {
        for (Ring ring : {Ring::frame, Ring::outlet}) {
            const auto found = places.find({edge, ring});
            if (found != places.end()) texts.push_back(placesText(edge, ring, found->second));
        }
    }
    return texts;
}

// The outlets of the basins that water enters, largest basin first.
std::vector<Outlet> basinsFedLargestFirst(const ReportFacts& facts, const InflowByBasin& groups) {
    std::vector<Outlet> fed;
    for (const auto& entry : groups.places) {
        if (entry.first != noBasin) {
            fed.push_back(facts.outlets[static_cast<std::size_t>(entry.first - 1)]);
        }
    }
    std::stable_sort(fed.begin(), fed.end(),
                     [](const Outlet& a, const Outlet& b) { return a.basinSize > b.basinSize; });
    return fed;
}

std::string inflowAlert(const ReportFacts& facts, const InflowByBasin& groups) {
    if (facts.edgeInflow.empty()) {
        return "<div class=\"alert ok\"><strong>No water enters across the edge of the study "
               "area.</strong> Every basin lies wholly inside it.</div>\n";
    }
    PlacesOfBasin sidesToGrow;  // the edges that feed basins
    std::int64_t basinsFed = 0;
    for (const auto& [basin, byEdge] : groups.places) {
        if (basin == noBasin) continue;
        ++basinsFed;
        for (const auto& entry : byEdge) sidesToGrow[entry.first];
    }
    std::string text =
        "<div class=\"alert warn\"><strong>Water enters the study area across its "
        "edge at " +
        grouped(static_cast<std::int64_t>(facts.edgeInflow.size())) + " cell" +
        (facts.edgeInflow.size() > 1 ? "s" : "") + "</strong>";
    if (basinsFed == 0) {
        return text +
               ", but none of it reaches a basin of the area. See "
               "<a href=\"#inflow\">Water entering across the edge</a>.</div>\n";
    }
    text += ", feeding " + grouped(basinsFed) + " basin" + (basinsFed > 1 ? "s" : "") +
            ". Those basins are incomplete: a model of this area misses their upstream water. "
            "To hold them whole the study area must grow to the <strong>" +
            listOfWords(edgeNames(sidesToGrow)) +
            "</strong>. See <a href=\"#inflow\">Water entering across "
            "the edge</a> for each basin and the command that finds the area it needs.</div>\n";
    return text;
}

std::string inflowSection(const ReportFacts& facts, const InflowByBasin& groups) {
    std::string html = "<h2 id=\"inflow\">Water entering across the edge</h2>\n";
    if (facts.edgeInflow.empty()) {
        return html +
               "<p>No cell of the frame ring (the outermost ring of cells) has a source "
               "direction (<code>cutDir.asc</code>) that points into the area, and no cell of "
               "the outlet ring one that points further in.</p>\n";
    }
    html +=
        "<p>A cell of the frame ring whose source direction (<code>cutDir.asc</code>) points "
        "into the area brings water from outside that the run cannot route: the basin it "
        "joins misses everything upstream. So does a cell of the outlet ring (the second "
        "ring, where drainPrep makes every cell an outlet) whose source direction points "
        "further into the area: the run ends its water, and all that flows into it, at that "
        "cell, cut off from the basin below; these places are marked <em>outlet ring</em>. "
        "Places by edge:";
    for (Edge edge : edgesInOrder) {
        const auto count = groups.perEdge.find(edge);
        html += std::string(" ") + edgeName(edge) + " " +
                grouped(count == groups.perEdge.end() ? 0 : count->second) +
                (edge == Edge::west ? "." : ",");
    }
    html +=
        " Rows and columns count from 0 in the north-west, as in the grids.</p>\n"
        "<table class=\"data\"><tr><th class=\"num\">Basin</th><th>Outlet</th>"
        "<th class=\"num\">Cells</th><th>Where water enters</th><th>Grow the area to the"
        "</th><th>Find the area that holds the whole basin</th></tr>\n";
    for (const Outlet& outlet : basinsFedLargestFirst(facts, groups)) {
        const PlacesOfBasin& byEdge = groups.places.at(outlet.riverNum);
        std::string places;
        for (const std::string& text : placeTexts(byEdge)) {
            places += (places.empty() ? "" : "<br>") + text;
        }
        html += "<tr><td class=\"num\">" + std::to_string(outlet.riverNum) + "</td>" +
                outletCell(outlet, facts.area) + "<td class=\"num\">" + grouped(outlet.basinSize) +
                "</td><td>" + places + "</td><td>" + listOfWords(edgeNames(byEdge)) +
                "</td><td><code>" + escaped(areaCommand(outlet, facts.area, facts.sources)) +
                "</code></td></tr>\n";
    }
    html +=
        "</table>\n<p><code>drainPrepArea LAT LON</code> prints the smallest "
        "<code>clipArea.dat</code> that holds the whole basin of the outlet at that latitude "
        "and longitude; with <code>--write</code> it writes that file.</p>\n";
    const auto lost = groups.places.find(noBasin);
    if (lost != groups.places.end()) {
        std::string places;
        for (const std::string& text : placeTexts(lost->second)) places += "<li>" + text + "</li>";
        html +=
            "<p>Water that enters but reaches no basin of the area (its path leaves the "
            "area again, meets sea or no data, or ends at the edge):</p><ul>" +
            places + "</ul>\n";
    }
    return html;
}

// ---------------------------------------------------------------------------
// Study area

// The page names 30" cells by their length, as it always has; other cells
// by their size as well.
std::string cellText(const CellLattice& lattice) {
    const std::string length = fixed(cellLengthNorthSouthOf(lattice), 1) + " m";
    return lattice == thirtySecondLattice ? length : cellSizeText(lattice) + ", " + length;
}

// On the centre lattice the whole-degree corner is no corner of a cell.
std::string cornerNote(const CellLattice& lattice) {
    if (lattice.origin == LatticeOrigin::edgesOnDegrees) return "";
    return " <span class=\"muted\">(the centre of the first cell: the source's cells have their "
           "centres on whole degrees)</span>";
}

std::string studyAreaSection(const ReportFacts& facts) {
    const StudyArea& area = facts.area;
    const CellLattice& lattice = area.lattice;
    const CellCounts& counts = facts.counts;
    const std::int64_t cells = area.cellCount();
    const double north = northEdgeLat(area), south = southEdgeLat(area);
    const double west = westEdgeLon(area), east = eastEdgeLon(area);
    const int decimals = tenthOfCellDecimals(lattice);
    std::string html = "<h2>Study area</h2>\n<table class=\"facts\">\n";
    html += row("Rows &times; columns", grouped(area.nrows) + " &times; " + grouped(area.ncols) +
                                            " = " + grouped(cells) + " cells");
    html += row("North-west corner", latitudeText(area.latNW, 0) + " " +
                                         longitudeText(area.lonNW, 0) + cornerNote(lattice));
    html +=
        row("Extent",
            latitudeOnLattice(south, lattice) + " to " + latitudeOnLattice(north, lattice) + ", " +
                longitudeOnLattice(west, lattice) + " to " + longitudeOnLattice(east, lattice) +
                ": " + fixed(north - south, decimals) + "&deg; north&ndash;south &times; " +
                fixed(east - west, decimals) + "&deg; east&ndash;west");
    html += row("Land area", roundedKm2(counts.landKm2, lattice) +
                                 " km&sup2; <span class=\"muted\">(cells of " + cellText(lattice) +
                                 " north&ndash;south by their own east&ndash;west "
                                 "length)</span>");
    html += row("Land", cellsAndShare(counts.land, cells));
    html += row(std::string("Sea or no data <span class=\"muted\">(no elevation") +
                    (facts.outletRule == OutletRule::coast
                         ? ", or below 0 m, which the coast rule takes for sea)"
                         : "; land below 0 m counts as land)") +
                    "</span>",
                cellsAndShare(counts.sea, cells));
    html +=
        row("No flow direction <span class=\"muted\">(sea or no data to the direction "
            "source)</span>",
            cellsAndShare(counts.noData, cells));
    html += row("Frame ring <span class=\"muted\">(outermost cells, no data of their own)</span>",
                cellsAndShare(counts.frameRing, cells));
    html += row("Outlets kept", grouped(static_cast<std::int64_t>(facts.outlets.size())) +
                                    " <span class=\"muted\">(one basin each)</span>");
    html += row("Outlets removed", grouped(counts.removedOutlets) +
                                       " <span class=\"muted\">(no cell drains into them)</span>");
    html += row("Cells on or above a loop",
                grouped(counts.loopCells) +
                    " <span class=\"muted\">(a flow direction but no way to an outlet)</span>");
    return html + "</table>\n";
}

// ---------------------------------------------------------------------------
// Maps

std::string swatch(Rgb colour, const std::string& label) {
    return "<span><span class=\"swatch\" style=\"background:" + hexColour(colour) + "\"></span>" +
           label + "</span>";
}

struct Tick {
    double at;  // 0 to 1
    std::string label;
};

std::string scaleLegend(const ColourScale& scale, const std::vector<Tick>& ticks,
                        const std::string& unit) {
    std::string html =
        "<div class=\"scale\"><div class=\"bar\" style=\"background:" + cssGradient(scale) +
        "\"></div><div class=\"ticks\">";
    for (const Tick& tick : ticks) {
        html += "<span style=\"left:" + fixed(100.0 * tick.at, 2) + "%\">" + tick.label + "</span>";
    }
    return html + "</div></div><div class=\"muted\">" + unit + "</div>\n";
}

std::vector<Tick> linearTicks(std::int32_t low, std::int32_t high) {
    std::vector<Tick> ticks;
    constexpr int parts = 4;
    for (int i = 0; i <= parts; ++i) {
        const double value = low + (high - low) * static_cast<double>(i) / parts;
        if (i > 0 && high == low) break;
        ticks.push_back(
            {high > low ? (value - low) / (high - low) : 0.0, grouped(std::llround(value))});
    }
    return ticks;
}

std::vector<Tick> powerOfTenTicks(std::int32_t largest) {
    std::vector<Tick> ticks;
    for (std::int64_t value = 1; value <= largest; value *= 10) {
        ticks.push_back(
            {basinSizeShare(static_cast<std::int32_t>(value), largest), grouped(value)});
    }
    if (largest > 1 && ticks.back().at < 0.9) ticks.push_back({1.0, grouped(largest)});
    return ticks;
}

// A side of a pixel in km, as maps of 30" cells have always given it, or in
// metres where a pixel is less than half a kilometre north-south.
std::string pixelSize(double northSouthKm, double eastWestKm) {
    constexpr double smallestKmPixel = 0.5;
    const bool inKm = northSouthKm >= smallestKmPixel;
    const auto length = [inKm](double km) {
        return inKm ? fixed(km, 2) + " km" : fixed(km * 1000.0, 1) + " m";
    };
    return "about " + length(northSouthKm) + " north&ndash;south by " + length(eastWestKm) +
           " east&ndash;west";
}

// What one pixel of a map stands for.
std::string pixelScale(const ReportFacts& facts) {
    const std::int32_t reduction = facts.mapReduction;
    const CellLattice& lattice = facts.area.lattice;
    const double middleLat = (northEdgeLat(facts.area) + southEdgeLat(facts.area)) / 2.0;
    const double eastWestKm =
        cellLengthEastWest(static_cast<std::int32_t>(std::lround(middleLat * 3600)), lattice) /
        1000.0;
    const double northSouthKm = cellLengthNorthSouthOf(lattice) / 1000.0;
    const std::string size = pixelSize(northSouthKm * reduction, eastWestKm * reduction) + " at " +
                             latitudeText(middleLat, 1);
    if (reduction > 1) {
        return "One pixel: " + std::to_string(reduction) + " &times; " + std::to_string(reduction) +
               " cells, " + size +
               "; it shows the most frequent basin and the largest amount of its cells.";
    }
    if (facts.mapEnlargement > 1) {
        return "One cell: " + std::to_string(facts.mapEnlargement) + " &times; " +
               std::to_string(facts.mapEnlargement) + " pixels, " + size + ".";
    }
    return "One pixel: one cell, " + size + ".";
}

std::string mapFigure(const ReportFacts& facts, const char* file, const std::string& title,
                      const std::string& legend) {
    const StudyArea& area = facts.area;
    const auto pixels = [&facts](std::int32_t cells) {
        return std::to_string((cells + facts.mapReduction - 1) / facts.mapReduction *
                              facts.mapEnlargement);
    };
    return "<figure><h3>" + title + "</h3>\n<img src=\"" + file + "\" width=\"" +
           pixels(area.ncols) + "\" height=\"" + pixels(area.nrows) + "\" alt=\"" + title +
           "\">\n" + legend + "<div class=\"muted\">North up. " +
           longitudeOnLattice(westEdgeLon(area), area.lattice) + " to " +
           longitudeOnLattice(eastEdgeLon(area), area.lattice) + ", " +
           latitudeOnLattice(southEdgeLat(area), area.lattice) + " to " +
           latitudeOnLattice(northEdgeLat(area), area.lattice) + ". " + pixelScale(facts) +
           "</div></figure>\n";
}

std::string basinLegend(const ReportFacts& facts) {
    const MapRanges& ranges = facts.mapRanges;
    const double km2PerCell =
        facts.counts.land > 0 ? facts.counts.landKm2 / static_cast<double>(facts.counts.land) : 0.0;
    std::string palette;
    for (Rgb colour : basinPalette()) {
        palette += "<span class=\"swatch\" style=\"margin-right:0;background:" + hexColour(colour) +
                   "\"></span>";
    }
    std::string legend =
        "<div class=\"legend\"><span>" + palette + " basins (neighbours differ)</span>";
    if (facts.rivers.reaches > 0) {
        legend += "<span>rivers, darker with higher Strahler order:";
        const auto colours = static_cast<std::int32_t>(riverOrderColours().size());
        for (std::int32_t order = 1; order <= std::min(facts.rivers.highestOrder, colours);
             ++order) {
            const bool andUp = order == colours && facts.rivers.highestOrder > colours;
            legend +=
                " " + swatch(riverOrderColour(order), std::to_string(order) + (andUp ? "+" : ""));
        }
        legend += " (basin size from " + grouped(ranges.riverThreshold) + " cells, about " +
                  roundedKm2(ranges.riverThreshold * km2PerCell, facts.area.lattice) +
                  " km&sup2;)</span>";
    }
    legend += swatch(seaColour, "sea or no data") + swatch(noDataColour, "no flow direction") +
              swatch(frameColour, "frame ring") +
              swatch(removedOutletColour, "removed outlet (no cell drains into it)") +
              swatch(loopColour, "on or above a loop (no way to an outlet)") +
              swatch(markerColour, "outlet of a largest basin, numbered as in the table") +
              "</div>\n";
    return legend;
}

std::string backgroundLegend() {
    return "<div class=\"legend\">" + swatch(seaColour, "sea or no data") +
           swatch(noDataColour, "no flow direction") + swatch(frameColour, "frame ring") +
           swatch(removedOutletColour, "removed outlet") +
           swatch(loopColour, "on or above a loop") + "</div>\n";
}

std::string mapsSection(const ReportFacts& facts) {
    const MapRanges& ranges = facts.mapRanges;
    std::string html = "<h2>Maps</h2>\n";
    html += mapFigure(facts, basinMapFile, "Basins and rivers", basinLegend(facts));
    html += mapFigure(facts, basinSizeMapFile, "Flow accumulation (basin size)",
                      scaleLegend(basinSizeScale(), powerOfTenTicks(ranges.largestBasinSize),
                                  "cells draining through a cell, itself included; logarithmic") +
                          backgroundLegend());
    html += mapFigure(facts, distanceMapFile, "Distance to the outlet",
                      scaleLegend(distanceScale(), linearTicks(0, ranges.longestPath),
                                  "steps along the flow to the basin's outlet") +
                          backgroundLegend());
    html += mapFigure(
        facts, elevationMapFile, "Elevation",
        scaleLegend(elevationScale(), linearTicks(ranges.lowestLand, ranges.highestLand),
                    "metres, as cut from the source DEM; shaded by a light from the "
                    "north-west") +
            "<div class=\"legend\">" + swatch(seaColour, "below 0 m, sea or no data") + "</div>\n");
    return html;
}

// ---------------------------------------------------------------------------
// Rivers

std::string cellsText(std::int32_t cells) {
    return grouped(cells) + (cells == 1 ? " cell" : " cells");
}

std::string thresholdText(const ReportFacts& facts) {
    const RiverFacts& rivers = facts.rivers;
    const std::string chosen = rivers.askedByOption ? "set by <code>--river-cells</code>"
                                                    : "the threshold of the basin map, which "
                                                      "adapts to the area";
    if (!rivers.threshold.raised()) {
        return "A cell is a river cell where its basin size reaches " +
               cellsText(rivers.threshold.cells) + ", " + chosen + ".";
    }
    return "<strong>The threshold was raised</strong> from " + cellsText(rivers.threshold.asked) +
           " (" + chosen + ") to " + cellsText(rivers.threshold.cells) + ": " +
           grouped(rivers.threshold.asked) + " would give " +
           grouped(rivers.threshold.reachesAsked) + " reaches, more than the " +
           grouped(mostReaches) + " a browser or a GIS draws comfortably.";
}

std::string riversSection(const ReportFacts& facts) {
    const std::string title = "<h2>River network</h2>\n<p>";
    // Without land the basin map has no threshold to lend.
    if (facts.rivers.threshold.cells == std::numeric_limits<std::int32_t>::max()) {
        return title + "The study area holds no river cell.</p>\n";
    }
    const std::string html = title + thresholdText(facts) + " ";
    if (facts.rivers.reaches == 0) return html + "The study area holds no river cell.</p>\n";
    return html + "The network of " + grouped(facts.rivers.cells) + " river cells is cut into " +
           grouped(facts.rivers.reaches) +
           " reaches at the sources, the confluences and the outlets; the highest Strahler "
           "order is " +
           std::to_string(facts.rivers.highestOrder) + ". Every reach is a line in <code>" +
           riversFile +
           "</code>, through the centres of its cells and on to the first cell of the reach it "
           "flows into, so that the lines join. <code>drainPrepReport --river-cells N</code> "
           "sets another threshold.</p>\n";
}

// ---------------------------------------------------------------------------
// Largest basins

// A basin without a river cell has neither order nor main stem.
std::string riverCells(const BasinRivers& rivers, const CellLattice& lattice) {
    if (rivers.highestOrder == 0)
        return "<td class=\"num\">&ndash;</td><td class=\"num\">&ndash;</td>";
    return "<td class=\"num\">" + std::to_string(rivers.highestOrder) + "</td><td class=\"num\">" +
           fixed(rivers.mainStemKm, 1 + finerKmDecimals(lattice)) + "</td>";
}

// The drainPrep command of this run under the rule that keeps rivers whole.
std::string wholeRiverCommand(const ReportFacts& facts) {
    std::string command = "drainPrep";
    if (facts.sources) {
        command += " --dem " + shellWord(facts.sources->dem) + " --dir " +
                   shellWord(facts.sources->directions);
    }
    return command + " --outlets d8";
}

std::string cutPlace(const OutletEnd& end) {
    return "row " + std::to_string(end.intoRow) + ", column " + std::to_string(end.intoCol);
}

std::string outletKindCell(const OutletEnd& end) {
    switch (end.kind) {
        case OutletKind::edge:
            return "edge <span class=\"muted\">(leaves the area)</span>";
        case OutletKind::sink:
            return "sink";
        case OutletKind::coast:
            return "coast <span class=\"muted\">(sea or no data)</span>";
        case OutletKind::cut:
            break;
    }
    return "<strong>cut</strong>: flows on into " + cutPlace(end) + ", " +
           (end.continuesInto ? "basin " + std::to_string(*end.continuesInto)
                              : std::string("no basin"));
}

std::string completeCell(const BasinRow& basin, const InflowByBasin& groups) {
    if (basin.complete) return "yes";
    if (basin.end.kind == OutletKind::cut) {
        return "<strong>no</strong>: the outlet rule ends the river beside sea or no data, where "
               "its flow directions go on";
    }
    const std::vector<std::string> edges = edgeNames(groups.places.at(basin.outlet.riverNum));
    return "<strong>no</strong>: water enters across the " + listOfWords(edges) + " edge" +
           (edges.size() > 1 ? "s" : "");
}

// Basins that the coast rule ended beside sea or no data, the largest few
// by place, with the command that keeps their rivers whole.
std::string cutAlert(const ReportFacts& facts) {
    constexpr std::int64_t placesNamed = 5;
    std::string places;
    std::int64_t cut = 0;
    for (const BasinRow& basin : facts.largestBasins) {
        if (basin.end.kind != OutletKind::cut || ++cut > placesNamed) continue;
        places += std::string(places.empty() ? "" : "; ") + "basin " +
                  std::to_string(basin.outlet.riverNum) + " at row " +
                  std::to_string(basin.outlet.row) + ", column " +
                  std::to_string(basin.outlet.col) + " into " + cutPlace(basin.end);
    }
    if (cut == 0) return "";
    if (cut > placesNamed) places += "; " + grouped(cut - placesNamed) + " more in the table";
    return "<div class=\"alert warn\"><strong>" + grouped(cut) + " of the largest basins " +
           (cut > 1 ? "are" : "is") +
           " cut</strong>: the run made an outlet of a river cell beside sea or no data where "
           "the flow directions go on (" +
           places + "). These basins are parts of a larger river. <code>" +
           escaped(wholeRiverCommand(facts)) +
           "</code> follows the flow directions and keeps rivers whole. See <a "
           "href=\"#basins\">Largest basins</a>.</div>\n";
}

std::string basinsSection(const ReportFacts& facts, const InflowByBasin& groups) {
    std::string html = "<h2 id=\"basins\">Largest basins</h2>\n";
    if (facts.largestBasins.empty()) return html + "<p>The study area holds no basin.</p>\n";
    html += "<p>The " + std::to_string(facts.largestBasins.size()) + " largest of " +
            grouped(static_cast<std::int64_t>(facts.outlets.size())) +
            " basins. Row and column of the outlet count from 0 in the north-west, as in the "
            "grids; the longest flow path is the largest distance to the outlet in the basin. The "
            "highest order is the Strahler order of the river at the outlet, the main stem the "
            "longest way along the rivers from a source to the outlet. The outlet is at the edge "
            "(the river leaves the area), a sink, at the coast (sea or no data), or cut: the "
            "run ended the river where its flow directions go on. The same table is in "
            "<code>summary.json</code>.</p>\n"
            "<table class=\"data\"><tr><th class=\"num\">#</th><th class=\"num\">Basin</th>"
            "<th class=\"num\">Row</th><th class=\"num\">Column</th><th>Outlet</th>"
            "<th class=\"num\">Cells</th><th class=\"num\">km&sup2;</th>"
            "<th class=\"num\">Longest path (steps)</th><th class=\"num\">Highest order</th>"
            "<th class=\"num\">Main stem (km)</th><th>Outlet kind</th><th>Complete</th></tr>\n";
    int rank = 0;
    for (const BasinRow& basin : facts.largestBasins) {
        const Outlet& outlet = basin.outlet;
        html += "<tr><td class=\"num\">" + std::to_string(++rank) + "</td><td class=\"num\">" +
                std::to_string(outlet.riverNum) + "</td><td class=\"num\">" +
                std::to_string(outlet.row) + "</td><td class=\"num\">" +
                std::to_string(outlet.col) + "</td>" + outletCell(outlet, facts.area) +
                "<td class=\"num\">" + grouped(outlet.basinSize) + "</td><td class=\"num\">" +
                tableKm2(basin.km2, facts.area.lattice) + "</td><td class=\"num\">" +
                grouped(basin.longestPath) + "</td>" +
                riverCells(basin.rivers, facts.area.lattice) + "<td>" + outletKindCell(basin.end) +
                "</td><td>" + completeCell(basin, groups) + "</td></tr>\n";
    }
    return html + "</table>\n";
}

// ---------------------------------------------------------------------------
// Files

// Where the .hdr files put the grids.
std::string exactPlaceText(const CellLattice& lattice) {
    const std::string cells = "cells of 1/" + std::to_string(lattice.perDegree) + " degree";
    if (lattice.origin == LatticeOrigin::edgesOnDegrees)
        return "the whole-degree corner and " + cells;
    return "the corner half a cell north and west of the whole degree, which is the centre of the "
           "first cell, and " +
           cells;
}

std::string filesSection(const CellLattice& lattice) {
    return "<h2>Files for scripts and a GIS</h2>\n"
           "<ul>\n"
           "<li><code>summary.json</code> (here): the study area, the counts, the largest basins "
           "and every place where water enters across the edge.</li>\n"
           "<li><code>outlets.geojson</code> (here): every outlet of "
           "<code>riverNumList.dat</code> as a point, with its basin number "
           "(<code>riverNum</code>), row, column and basin size.</li>\n"
           "<li><code>rivers.geojson</code> (here): every reach of the river network as a line, "
           "with its number (<code>reach</code>), the reach it flows into "
           "(<code>downstream</code>, null at an outlet), its basin (<code>riverNum</code>), "
           "Strahler <code>order</code>, own <code>cells</code>, <code>lengthKm</code>, "
           "<code>upstreamCells</code> and <code>upstreamKm2</code> at its last cell, and "
           "whether it ends at the basin's <code>outlet</code>.</li>\n"
           "<li>A <code>.prj</code> file beside every ESRI ASCII grid in "
           "<code>output/arcgis/</code> and an ENVI <code>.hdr</code> file beside every binary "
           "grid in <code>output/</code>: both say geographic WGS&nbsp;84 (EPSG:4326), the "
           "coordinate system of the source rasters, and the <code>.hdr</code> gives a binary "
           "grid its size, data type and byte order and the study area's exact place: " +
           exactPlaceText(lattice) +
           ". drainPrep removes these files when it writes the grids anew; run the report again "
           "after it.</li>\n"
           "</ul>\n"
           "<p>In QGIS: <em>Layer &rsaquo; Add Layer &rsaquo; Add Raster Layer</em> and choose "
           "any <code>.asc</code> in <code>output/arcgis/</code> or any <code>.bin</code> in "
           "<code>output/</code>; they open in place, without a question about the coordinate "
           "system. Add <code>outlets.geojson</code> with <em>Add Vector Layer</em> (or drag it "
           "onto the map). Colour <code>riverNum</code> with a paletted renderer to see the "
           "basins; the outlets' <code>riverNum</code> names the same basins. Add "
           "<code>rivers.geojson</code> the same way and style it <em>Categorized</em> by "
           "<code>order</code>, wider and darker lines for higher orders.</p>\n";
}

// ---------------------------------------------------------------------------
// Gauges

std::string gaugeReason(const GaugeFacts& gauges, std::size_t i) {
    const GaugeOnNetwork& placed = gauges.placement.gauges[i];
    switch (placed.status) {
        case GaugeStatus::placed:
            return "";
        case GaugeStatus::outside:
            return "outside the study area";
        case GaugeStatus::noCandidate:
            return "no basin cell within " + cellsText(gauges.snapCells);
        case GaugeStatus::sameCell:
            return "on the cell of gauge " +
                   escaped(gauges.gauges[static_cast<std::size_t>(placed.sameCellAs)].id);
    }
    return "";
}

std::string flagged(bool flag, const std::string& text) {
    return flag ? "<td class=\"num flag\">" + text + "</td>" : "<td class=\"num\">" + text + "</td>";
}

// A page of a million rows opens in no browser; the files hold every gauge.
constexpr std::size_t gaugesListedOnPage = 1000;

// The gauge grids and maps number the gauges by their ids, or else by place.
bool idsNumberTheGrids(const GaugeFacts& gauges) {
    return std::all_of(gauges.gauges.begin(), gauges.gauges.end(), [](const Gauge& gauge) {
        return plainGaugeNumber(gauge.id) == gauge.gridNumber;
    });
}

std::string gaugeRow(const ReportFacts& facts, std::size_t i) {
    const GaugeFacts& gauges = *facts.gauges;
    const Gauge& gauge = gauges.gauges[i];
    const GaugeOnNetwork& placed = gauges.placement.gauges[i];
    const CellLattice& lattice = facts.area.lattice;
    std::string html = "<tr><td class=\"num\">" + escaped(gauge.id) + "</td><td>" +
                       escaped(gauge.name) + "</td>";
    const std::string reason = gaugeReason(gauges, i);
    if (placed.status != GaugeStatus::placed && placed.status != GaugeStatus::sameCell) {
        return html + "<td colspan=\"9\" class=\"muted\">" + reason + "</td></tr>\n";
    }
    const std::optional<double> error = errorPercent(gauge, placed);
    const std::int32_t down = placed.downstreamGauge;
    html += "<td class=\"nowrap\">" + std::to_string(placed.snapped.row) + ", " +
            std::to_string(placed.snapped.col) + "</td><td class=\"num\">" +
            std::to_string(placed.cellsMoved) + "</td><td class=\"num\">" +
            tableKm2(km2Of(placed.upstreamArea), lattice) + "</td><td class=\"num\">" +
            (gauge.publishedKm2 ? tableKm2(*gauge.publishedKm2, lattice) : "") + "</td>" +
            flagged(error && std::fabs(*error) > flaggedErrorPercent,
                    error ? fixed(*error, 1) + "%" : "") +
            "<td class=\"num\">" + tableKm2(km2Of(placed.subbasinArea), lattice) +
            "</td><td class=\"num\">" +
            (down < 0 ? "" : escaped(gauges.gauges[static_cast<std::size_t>(down)].id)) +
            "</td><td class=\"num\">" + std::to_string(gauges.riverNums[i]) + "</td>" +
            (placed.complete ? std::string("<td>yes</td>") : "<td class=\"flag\">no</td>");
    return html + (reason.empty() ? "" : "<td class=\"muted\">" + reason + "</td>") + "</tr>\n";
}

std::string gaugeSection(const ReportFacts& facts) {
    const GaugeFacts& gauges = *facts.gauges;
    std::map<GaugeStatus, std::int64_t> counts;
    for (const GaugeOnNetwork& placed : gauges.placement.gauges) ++counts[placed.status];
    std::string html =
        "<h2 id=\"gauges\">Gauges</h2>\n<p>" + grouped(static_cast<std::int64_t>(gauges.gauges.size())) +
        " gauges in the file, " + grouped(counts[GaugeStatus::placed]) +
        " placed, each on the basin cell within " + cellsText(gauges.snapCells) +
        " of its coordinates whose upstream area comes nearest its published area (without "
        "one: the largest). Not placed: " + grouped(counts[GaugeStatus::outside]) +
        " outside the area, " + grouped(counts[GaugeStatus::noCandidate]) +
        " without a basin cell near, " + grouped(counts[GaugeStatus::sameCell]) +
        " on the cell of an earlier gauge. An error beyond " + fixed(flaggedErrorPercent, 0) +
        "% and a catchment that water from across the edge reaches are marked.</p>\n";
    const char* const label = idsNumberTheGrids(gauges) ? "its id" : "its gridNumber in gauges.csv";
    html += mapFigure(facts, gaugeMapFile, "Gauges on the basins, by id",
                      "<div class=\"legend\">" +
                          swatch({20, 60, 200}, std::string("gauge, labelled by ") + label +
                                                    " where the label has room") +
                          "</div>\n");
    html += mapFigure(facts, subbasinMapFile, "Sub-basins: the cells whose water meets each gauge first",
                      "<div class=\"legend\">" +
                          swatch(removedOutletColour, "land whose water meets no gauge") +
                          swatch(loopColour, "on or above a loop") + swatch(seaColour, "sea") +
                          swatch(noDataColour, "no data") + "</div>\n");
    html +=
        "<table class=\"data\"><tr><th class=\"num\">Id</th><th>Name</th><th>Row, column</th>"
        "<th class=\"num\">Moved</th><th class=\"num\">Upstream km&sup2;</th><th "
        "class=\"num\">Published km&sup2;</th><th class=\"num\">Error</th><th "
        "class=\"num\">Sub-basin km&sup2;</th><th class=\"num\">Next gauge down</th><th "
        "class=\"num\">Basin</th><th>Complete</th></tr>\n";
    const std::size_t listed = std::min(gauges.gauges.size(), gaugesListedOnPage);
    for (std::size_t i = 0; i < listed; ++i) html += gaugeRow(facts, i);
    html += "</table>\n";
    if (listed == gauges.gauges.size()) return html;
    return html + "<p>The table lists the first " + grouped(static_cast<std::int64_t>(listed)) +
           " gauges of the file; <a href=\"gauges.csv\">gauges.csv</a> and "
           "<a href=\"summary.json\">summary.json</a> hold them all.</p>\n";
}

}  // namespace

std::string areaCommand(const Outlet& outlet, const StudyArea& area,
                        const std::optional<SourceRecord>& sources) {
    const int decimals = tenthOfCellDecimals(area.lattice);
    std::string command = "drainPrepArea " + fixed(centreLatDegrees(area, outlet.row), decimals) +
                          " " + fixed(centreLonDegrees(area, outlet.col), decimals);
    if (sources) {
        command += " --dem " + shellWord(sources->dem) + " --dir " + shellWord(sources->directions);
    }
    return command + " --snap 0";
}

std::string reportPage(const ReportFacts& facts) {
    const StudyArea& area = facts.area;
    const std::string title = "drainPrep report: " + grouped(area.nrows) + " &times; " +
                              grouped(area.ncols) + " cells at " + latitudeText(area.latNW, 0) +
                              " " + longitudeText(area.lonNW, 0);
    const InflowByBasin groups = groupInflow(facts.edgeInflow);
    return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
           title + "</title>\n" + pageStyle() + "</head>\n<body>\n<h1>" + title +
           "</h1>\n<p class=\"muted\">The finished run in <code>" +
           escaped(std::filesystem::absolute(facts.folder).lexically_normal().string()) +
           "</code>.</p>\n" + inflowAlert(facts, groups) + cutAlert(facts) +
           studyAreaSection(facts) + mapsSection(facts) + riversSection(facts) +
           basinsSection(facts, groups) + (facts.gauges ? gaugeSection(facts) : "") +
           inflowSection(facts, groups) + filesSection(area.lattice) + "</body>\n</html>\n";
}

}  // namespace drainPrep::report
