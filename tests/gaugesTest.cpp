// Gauges on literal networks: snapping by published area, sub-basins, the
// next gauge downstream, edge inflow; and the gauge file's refusals.
#include <gtest/gtest.h>

#include <sstream>

#include "gauges/gaugeFile.hpp"
#include "gauges/gaugePlacement.hpp"
#include "support/drawnNetwork.hpp"

namespace drainPrep {
namespace {

// A drawn network ('.' for no basin). Every cell is 1 km²; the grid's
// north-west corner lies at 10 N 20 E.
GaugeNetwork networkOf(const std::vector<std::string>& rows) {
    GaugeNetwork network;
    network.frame = {static_cast<std::int32_t>(rows.size()),
                     static_cast<std::int32_t>(rows[0].size()), 10 * cellsPerDegree,
                     20 * cellsPerDegree};
    for (const std::string& row : rows) {
        for (const char c : row) {
            network.codes.push_back(c == '.'   ? GaugeNetwork::noBasin
                                    : c == '#' ? GaugeNetwork::frameRing
                                               : static_cast<std::int8_t>(testing::drawnCode(c)));
        }
        network.rowArea.push_back(areaUnitsOf(1.0));
    }
    return network;
}

// A gauge at the centre of a cell.
Gauge gaugeAt(std::int32_t id, std::int32_t row, std::int32_t col,
              std::optional<double> publishedKm2 = std::nullopt) {
    return {std::to_string(id), id, 10.0 - (row + 0.5) / cellsPerDegree,
            20.0 + (col + 0.5) / cellsPerDegree, "", publishedKm2};
}

std::vector<std::string> labelRows(const GaugePlacement& placement, std::int32_t ncols) {
    std::vector<std::string> rows;
    for (std::size_t i = 0; i < placement.subbasins.size(); ++i) {
        if (i % static_cast<std::size_t>(ncols) == 0) rows.emplace_back();
        const std::int32_t label = placement.subbasins[i];
        rows.back() += label == frameRingLabel ? '#'
                       : label == noGaugeLabel ? '.'
                                               : static_cast<char>('0' + label);
    }
    return rows;
}

// A river running east along row 2, fed from rows 1 and 3.
const std::vector<std::string> oneRiver = {
    "#########",
    "#2222222#",
    "#6666666#",  // the outlet is the last cell of the row
    "#8888888#",
    "#########",
};

TEST(GaugePlacement, ThreeNestedGaugesOnOneRiver) {
    GaugeNetwork network = networkOf(oneRiver);
    network.codes[2 * 9 + 7] = 0;
    const GaugePlacement placement = placeGauges(
        network, {gaugeAt(1, 2, 2), gaugeAt(2, 2, 4), gaugeAt(3, 2, 7)}, 0, {});
    EXPECT_EQ(labelRows(placement, 9), (std::vector<std::string>{
                                           "#########",
                                           "#1122333#",
                                           "#1122333#",
                                           "#1122333#",
                                           "#########",
                                       }));
    const auto& g = placement.gauges;
    EXPECT_EQ(g[0].downstreamGauge, 1);
    EXPECT_EQ(g[1].downstreamGauge, 2);
    EXPECT_EQ(g[2].downstreamGauge, -1);
    EXPECT_EQ(g[0].upstreamCells, 6);
    EXPECT_EQ(g[1].upstreamCells, 12);
    EXPECT_EQ(g[2].upstreamCells, 21);
    EXPECT_EQ(g[2].upstreamArea, areaUnitsOf(21.0));
    EXPECT_EQ(g[1].subbasinCells, 6);
    EXPECT_EQ(g[2].subbasinArea, areaUnitsOf(9.0));
    for (const GaugeOnNetwork& gauge : g) EXPECT_TRUE(gauge.complete);
}

// A tributary from the north joins the river at column 5; a gauge beside the
// confluence with the tributary's published area goes onto the tributary,
// without one onto the larger river.
const std::vector<std::string> confluence = {
    "#########",
    "#....2..#",
    "#....2..#",
    "#6666666#",
    "#8888888#",
    "#########",
};

TEST(GaugePlacement, PublishedAreaPicksTheTributaryOverTheLargerRiverBeside) {
    GaugeNetwork network = networkOf(confluence);
    network.codes[3 * 9 + 7] = 0;
    const GaugePlacement byArea = placeGauges(network, {gaugeAt(1, 3, 4, 2.2)}, 1, {});
    EXPECT_EQ(byArea.gauges[0].snapped.row, 2);
    EXPECT_EQ(byArea.gauges[0].snapped.col, 5);
    EXPECT_EQ(byArea.gauges[0].upstreamCells, 2);
    EXPECT_EQ(byArea.gauges[0].cellsMoved, 1);
    const GaugePlacement largest = placeGauges(network, {gaugeAt(1, 3, 4)}, 1, {});
    EXPECT_EQ(largest.gauges[0].snapped.row, 3);
    EXPECT_EQ(largest.gauges[0].snapped.col, 5);
    EXPECT_EQ(largest.gauges[0].upstreamCells, 12);
}

// Two rivers of equal size flowing south; a gauge between them.
const std::vector<std::string> twins = {
    "#######",
    "#.2.2.#",
    "#.2.2.#",
    "#.5.5.#",
    "#######",
};

TEST(GaugePlacement, TiesGoToFewerCellsMovedThenTheFirstInRowMajorOrder) {
    const GaugeNetwork network = networkOf(twins);
    // Both at one cell: the first in row-major order, the western river's
    // outlet row before the eastern's... both in row 3: column 2 first.
    const GaugePlacement between = placeGauges(network, {gaugeAt(1, 3, 3)}, 1, {});
    EXPECT_EQ(between.gauges[0].snapped.col, 2);
    EXPECT_EQ(between.gauges[0].snapped.row, 3);
    // Nearer wins over the first in row-major order.
    const GaugePlacement nearer = placeGauges(network, {gaugeAt(1, 3, 5)}, 3, {});
    EXPECT_EQ(nearer.gauges[0].snapped.col, 4);
    // A published area equally far from two areas: the nearer cell.
    const GaugePlacement equalMiss = placeGauges(network, {gaugeAt(1, 2, 2, 2.5)}, 1, {});
    EXPECT_EQ(equalMiss.gauges[0].snapped.row, 2);
    EXPECT_EQ(equalMiss.gauges[0].snapped.col, 2);
}

// Cells 2 and 3 of row 1 drain into each other; the rest drain south. A run
// gives cells on a loop no basin number, so they come as no basin.
const std::vector<std::string> loop = {
    "######",
    "#.64.#",
    "#2..2#",
    "#5..5#",
    "######",
};

TEST(GaugePlacement, AGaugeOnALoopHasNoCandidateAndLoopCellsNoSubbasin) {
    GaugeNetwork network = networkOf(loop);
    network.codes[1 * 6 + 2] = network.codes[1 * 6 + 3] = GaugeNetwork::noBasin;
    const GaugePlacement placement =
        placeGauges(network, {gaugeAt(1, 1, 2), gaugeAt(2, 1, 3), gaugeAt(3, 3, 1)}, 0, {});
    EXPECT_EQ(placement.gauges[0].status, GaugeStatus::noCandidate);
    EXPECT_EQ(placement.gauges[1].status, GaugeStatus::noCandidate);
    EXPECT_EQ(labelRows(placement, 6)[1], "#....#");
    // A loop among basin codes (a damaged flowDir.bin) ends its walks: no label.
    const GaugePlacement damaged = placeGauges(networkOf(loop), {gaugeAt(3, 3, 1)}, 0, {});
    EXPECT_EQ(labelRows(damaged, 6)[1], "#....#");
    // Within one cell of the loop lies a river.
    const GaugePlacement snapped = placeGauges(network, {gaugeAt(1, 1, 2)}, 1, {});
    EXPECT_EQ(snapped.gauges[0].status, GaugeStatus::placed);
    EXPECT_EQ(snapped.gauges[0].snapped.row, 2);
    EXPECT_EQ(snapped.gauges[0].snapped.col, 1);
}

TEST(GaugePlacement, TwoGaugesOnOneCellAndOneOutside) {
    GaugeNetwork network = networkOf(oneRiver);
    network.codes[2 * 9 + 7] = 0;
    Gauge outside = gaugeAt(7, 2, 2);
    outside.lat = 10.01;
    const GaugePlacement placement = placeGauges(
        network, {gaugeAt(5, 2, 6), gaugeAt(4, 1, 6), outside, gaugeAt(6, 2, 5)}, 1, {});
    const auto& g = placement.gauges;
    EXPECT_EQ(g[0].status, GaugeStatus::placed);
    EXPECT_EQ(g[1].status, GaugeStatus::sameCell);
    EXPECT_EQ(g[1].sameCellAs, 0);
    EXPECT_EQ(g[1].subbasinCells, 0);
    EXPECT_EQ(g[2].status, GaugeStatus::outside);
    // Gauge 5 snaps onto the outlet, the largest area within one cell, gauge
    // 6 onto the cell above it.
    EXPECT_EQ(g[0].snapped.col, 7);
    EXPECT_EQ(g[3].snapped.col, 6);
    EXPECT_EQ(g[3].downstreamGauge, 0);
    EXPECT_EQ(g[0].downstreamGauge, -1);
    EXPECT_EQ(labelRows(placement, 9)[2], "#6666665#");
}

TEST(GaugePlacement, WaterFromAcrossTheEdgeMakesEveryGaugeBelowIncomplete) {
    GaugeNetwork network = networkOf(confluence);
    network.codes[3 * 9 + 7] = 0;
    // Water enters at the tributary's head.
    const std::vector<std::size_t> entry{1 * 9 + 5};
    const GaugePlacement placement = placeGauges(
        network, {gaugeAt(1, 2, 5), gaugeAt(2, 3, 3), gaugeAt(3, 3, 6), gaugeAt(4, 4, 7)}, 0,
        entry);
    const auto& g = placement.gauges;
    EXPECT_FALSE(g[0].complete);
    EXPECT_TRUE(g[1].complete);
    EXPECT_FALSE(g[2].complete);
    EXPECT_TRUE(g[3].complete);  // row 4 drains north into the river, not through it
    EXPECT_EQ(g[1].downstreamGauge, 2);
    EXPECT_EQ(g[0].downstreamGauge, 2);
}

// ---------------------------------------------------------------------------
// The gauge file

std::optional<std::string> read(const std::string& text, std::vector<Gauge>& gauges) {
    std::istringstream stream(text);
    return readGauges(stream, "g.csv", gauges);
}

TEST(GaugeFile, ColumnsInAnyOrderQuotedFieldsAndOthersIgnored) {
    std::vector<Gauge> gauges;
    const auto failure = read(
        "\xEF\xBB\xBF" "name,lon,other,area_km2,lat,id\r\n"
        "\"Cochem, Mosel\",7.16,x,27088,50.14,6336050\r\n"
        "\"say \"\"hi\"\"\nthere\",8,,,-1.5e0,2\n"
        "\n",
        gauges);
    ASSERT_FALSE(failure) << *failure;
    ASSERT_EQ(gauges.size(), 2u);
    EXPECT_EQ(gauges[0].id, "6336050");
    EXPECT_EQ(gauges[1].gridNumber, 2);
    EXPECT_EQ(gauges[0].name, "Cochem, Mosel");
    EXPECT_DOUBLE_EQ(gauges[0].lat, 50.14);
    EXPECT_DOUBLE_EQ(*gauges[0].publishedKm2, 27088.0);
    EXPECT_EQ(gauges[1].name, "say \"hi\"\nthere");
    EXPECT_DOUBLE_EQ(gauges[1].lat, -1.5);
    EXPECT_FALSE(gauges[1].publishedKm2);
}

TEST(GaugeFile, BadLinesNameTheFileTheLineAndTheColumn) {
    const std::string header = "id,lat,lon,area_km2\n";
    const std::pair<std::string, std::string> cases[] = {
        {"id,lat\n1,2\n",
         "g.csv line 1, column lon: the header names no such column (it needs id, lat and lon)."},
        {header + "1,2,3,\n2,x,3,\n", "g.csv line 3, column lat: \"x\" is not a number."},
        {header + ",2,3\n", "g.csv line 2, column id: the id is empty."},
        {header + "\"a\nb\",2,3\n",
         "g.csv line 2, column id: the id holds a line break or a control character."},
        {"id,lat,lon,name\n1,2,3,K\xF6ln\n",
         "g.csv line 2, column name: byte 2 of the field (0xF6) is not UTF-8. Save the file as "
         "UTF-8, or convert it, for example from Windows-1252:\n"
         "  iconv -f WINDOWS-1252 -t UTF-8 g.csv > g_utf8.csv"},
        {header + "\xED\xA0\x80,2,3\n",  // a surrogate
         "g.csv line 2, column id: byte 1 of the field (0xED) is not UTF-8. Save the file as "
         "UTF-8, or convert it, for example from Windows-1252:\n"
         "  iconv -f WINDOWS-1252 -t UTF-8 g.csv > g_utf8.csv"},
        {header + "1,2,3,1e19\n",
         "g.csv line 2, column area_km2: 1e19 km2 is more than all the land on Earth (150000000 "
         "km2)."},
        {"id,lat,lon,name\n1,2,3,\"" + std::string(600, 'x') + "\n" + std::string(600, 'x') +
             "\"\n",
         "g.csv line 2: a field is longer than 1000 bytes."},
        {header + "1,2\n", "g.csv line 2, column lon: the line ends before this column."},
        {header + "1,2,3,-4\n", "g.csv line 2, column area_km2: \"-4\" is not a positive number."},
        {header + "1,2,3,0\n", "g.csv line 2, column area_km2: \"0\" is not a positive number."},
        {header + "1,2,3,\n\n1,2,3,\n",
         "g.csv line 4, column id: gauge 1 is given already on line 2."},
        {header + "1,2,\"3\n", "g.csv line 2: a quoted field is not closed."},
        {header + "1,2," + std::string(4100, '3') + "\n",
         "g.csv line 2: the line is longer than 4096 bytes."},
        {"", "g.csv line 1: the file is empty."},
    };
    for (const auto& [text, message] : cases) {
        std::vector<Gauge> gauges;
        EXPECT_EQ(read(text, gauges).value_or("accepted"), message);
    }
}

TEST(GaugeFile, MoreThanAHundredThousandGaugesOrAMillionLinesAreRefused) {
    std::string text = "id,lat,lon\n";
    for (std::size_t i = 1; i <= mostGauges; ++i) text += std::to_string(i) + ",1,2\n";
    std::vector<Gauge> gauges;
    EXPECT_FALSE(read(text, gauges));
    EXPECT_EQ(read(text + "x,1,2\n", gauges).value_or("accepted"),
              "g.csv line 100002: the file lists more than 100000 gauges.");
    EXPECT_EQ(read("id,lat,lon\n" + std::string(mostGaugeFileLines, '\n'), gauges)
                  .value_or("accepted"),
              "g.csv line 1000001: the file has more than 1000000 lines.");
}

// Ids are names: kept as written. The grids number the gauges by their ids
// only where every id is a plain whole number.
TEST(GaugeFile, IdsAreKeptAsWrittenAndGridNumbersFollowThem) {
    struct Case {
        std::string ids;
        std::vector<std::string> kept;
        std::vector<std::int32_t> gridNumbers;
    };
    for (const Case& c : {
             Case{"7,2147483647", {"7", "2147483647"}, {7, 2147483647}},
             Case{"7,06435060", {"7", "06435060"}, {1, 2}},
             Case{"lobith,02GA010,0", {"lobith", "02GA010", "0"}, {1, 2, 3}},
             Case{"5,2147483648", {"5", "2147483648"}, {1, 2}},
         }) {
        std::string text = "id,lat,lon\n";
        std::istringstream ids(c.ids);
        for (std::string id; std::getline(ids, id, ',');) text += id + ",1,2\n";
        std::vector<Gauge> gauges;
        ASSERT_FALSE(read(text, gauges)) << c.ids;
        std::vector<std::string> kept;
        std::vector<std::int32_t> gridNumbers;
        for (const Gauge& gauge : gauges) {
            kept.push_back(gauge.id);
            gridNumbers.push_back(gauge.gridNumber);
        }
        EXPECT_EQ(kept, c.kept) << c.ids;
        EXPECT_EQ(gridNumbers, c.gridNumbers) << c.ids;
    }
}

}  // namespace
}  // namespace drainPrep
