// drainPrepArea --gauges on full-size sparse source rasters, and the proof
// that the report of a drainPrep run of the area it writes finds exactly the
// catchments it counted.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "support/runDirectory.hpp"
#include "support/sourceCodes.hpp"

namespace drainPrep::testing {
namespace {

// A river east along source row 1300 from column 5500 to a sink at column
// 5510, joined at column 5505 by a tributary from row 1295 southward; every
// other cell is a sink at 0 m.
void writeRivers(const RunDirectory& run) {
    run.createSourceRasters();
    for (std::int32_t col = 5500; col < 5510; ++col) {
        run.writeSample(Raster::directions, 1300, col, static_cast<std::int16_t>(east));
    }
    for (std::int32_t row = 1295; row < 1300; ++row) {
        run.writeSample(Raster::directions, row, 5505, static_cast<std::int16_t>(south));
    }
}

// The centre of a source cell, as a gauge file gives it.
std::string at(std::int32_t row, std::int32_t col) {
    return std::to_string(60.0 - (row + 0.5) / 120.0) + "," +
           std::to_string(55.0 + (col + 0.5) / 120.0);
}

// "upstream area N cells, X km2" of each gauge's line.
std::map<std::string, std::string> areaCatchments(const std::string& console) {
    std::map<std::string, std::string> found;
    for (std::size_t at = console.find("Gauge "); at != std::string::npos;
         at = console.find("Gauge ", at + 1)) {
        const std::size_t idEnd = console.find(':', at);
        const std::size_t area = console.find("upstream area ", at);
        const std::size_t end = console.find(" km2", area);
        if (area == std::string::npos || end > console.find('\n', at)) continue;
        found[console.substr(at + 6, idEnd - at - 6)] =
            console.substr(area + 14, end - area - 14);
    }
    return found;
}

// The same from gauges.csv: upstreamCells and upstreamKm2, fields 15 and 16.
std::map<std::string, std::string> reportCatchments(const std::string& csv) {
    std::map<std::string, std::string> found;
    std::size_t start = csv.find('\n') + 1;
    while (start < csv.size()) {
        const std::size_t end = csv.find('\n', start);
        std::vector<std::string> fields(1);
        for (std::size_t i = start; i < end; ++i) {
            if (csv[i] == ',') fields.emplace_back(); else fields.back() += csv[i];
        }
        found[fields[0]] = fields[14] + " cells, " + fields[15];
        start = end + 1;
    }
    return found;
}

TEST(AreaGauges, TheReportOfARunOfTheChosenAreaFindsTheCatchmentsCounted) {
    RunDirectory run;
    writeRivers(run);
    run.writeFile("gauges.csv", "id,lat,lon,area_km2\n1," + at(1300, 5503) + ",2.5\n2," +
                                    at(1297, 5505) + ",1.9\n3," + at(1300, 5508) + ",\n");
    const RunResult area = run.runArea("--gauges gauges.csv --write");
    ASSERT_EQ(area.exitStatus, 0) << area.console;
    const std::map<std::string, std::string> counted = areaCatchments(area.console);
    ASSERT_EQ(counted.size(), 3u) << area.console;
    EXPECT_EQ(counted.at("1").substr(0, 8), "4 cells,");
    EXPECT_EQ(counted.at("2").substr(0, 8), "3 cells,");
    EXPECT_EQ(counted.at("3").substr(0, 9), "16 cells,");
    // The tributary's head lies east of the main river's: the extent is the westmost cell's.
    for (const char* line :
         {"upstream area 4 cells, 2.247 km2 (published 2.500, error -10.12%).\n",
          "\nCatchments: 16 cells, 9 km2, from 49.20833 N to 49.15833 N and from 100.8333 E to "
          "100.925 E.\n"}) {
        EXPECT_NE(area.console.find(line), std::string::npos) << area.console;
    }

    ASSERT_EQ(run.run().exitStatus, 0);
    const RunResult report = run.runReport("--gauges gauges.csv");
    ASSERT_EQ(report.exitStatus, 0) << report.console;
    EXPECT_EQ(reportCatchments(run.readFile("output/report/gauges.csv")), counted);
}

// The cells a gauge may snap to are counted on their own: a river that
// flows on out of them still ends its path there, and is not led into the
// next row of that window.
TEST(AreaGauges, ARiverLeavingTheCellsCountedKeepsItsOwnPath) {
    RunDirectory run;
    run.createSourceRasters();
    for (std::int32_t col = 5500; col < 5530; ++col) {
        run.writeSample(Raster::directions, 1300, col, static_cast<std::int16_t>(east));
    }
    run.writeFile("gauges.csv", "id,lat,lon\n1," + at(1300, 5503) + "\n");
    const RunResult area = run.runArea("--gauges gauges.csv");
    ASSERT_EQ(area.exitStatus, 0) << area.console;
    EXPECT_NE(area.console.find("snapped 3 cells to source row 1300, column 5506: upstream area 7 "
                                "cells,"),
              std::string::npos)
        << area.console;
}

// No data north of the river at column 5507: under the coast rule the run
// makes outlets of columns 5506 to 5508, so the sink at 5510 keeps 2 cells.
// Gauge 9 lies outside the source grid.
TEST(AreaGauges, ACutRiverIsNamedAndGaugesLeftOutKeepTheAreaUnwritten) {
    RunDirectory run;
    writeRivers(run);
    run.writeSample(Raster::dem, 1299, 5507, noDataCode);
    run.writeSample(Raster::directions, 1299, 5507, noDataCode);
    const std::string cut = "id,lat,lon\n1," + at(1300, 5503) + "\n3," + at(1300, 5510) + "\n";
    run.writeFile("cut.csv", cut);
    run.writeFile("leftOut.csv", cut + "9,70,100\n");

    const RunResult cutOnly = run.runArea("--gauges cut.csv --snap 0");
    EXPECT_EQ(cutOnly.exitStatus, 2) << cutOnly.console;
    const std::string gauge3 =
        "Gauge 3: source row 1300, column 5510, snapped 0 cells to source row 1300, column 5510: "
        "upstream area 16 cells, 8.986 km2. CUT RIVER: --outlets coast makes an outlet at "
        "49.1625 N 100.9042 E (source row 1300, column 5508), a river cell beside sea or no data, "
        "upstream of the gauge: a drainPrep run of the area gives the gauge 2 cells, 1.123 km2. "
        "drainPrep --outlets d8 keeps the river whole.\n";
    EXPECT_NE(cutOnly.console.find(gauge3), std::string::npos) << cutOnly.console;

    const RunResult leftOut = run.runArea("--gauges leftOut.csv --snap 0 --write");
    EXPECT_EQ(leftOut.exitStatus, 3);
    EXPECT_NE(leftOut.console.find("Gauge 9: outside the source grid.\nLeft out: 1 gauge (9) "
                                   "outside the source grid or without a basin cell within 0 "
                                   "cells: the area holds the catchments of the others. --write "
                                   "--force writes it all the same.\n"),
              std::string::npos)
        << leftOut.console;
    EXPECT_NE(leftOut.console.find("clipArea.dat not written.\n"), std::string::npos);
    EXPECT_FALSE(run.exists("clipArea.dat"));
    EXPECT_EQ(run.runArea("--gauges leftOut.csv --snap 0 --write --force").exitStatus, 3);

    // The run of the area written gives gauge 3 what the line says.
    ASSERT_EQ(run.run().exitStatus, 0);
    ASSERT_EQ(run.runReport("--gauges cut.csv --gauge-snap 0").exitStatus, 0);
    EXPECT_EQ(reportCatchments(run.readFile("output/report/gauges.csv")).at("3"),
              "2 cells, 1.123");
}

TEST(AreaGauges, ABadGaugeFileIsNamedBeforeTheRastersAreRead) {
    RunDirectory run;
    run.writeFile("gauges.csv", "id,lat\n");
    const RunResult area = run.runArea("--gauges gauges.csv");
    EXPECT_EQ(area.exitStatus, 1);
    EXPECT_EQ(area.console,
              "gauges.csv line 1, column lon: the header names no such column (it needs id, lat "
              "and lon).\n");
    EXPECT_EQ(run.runArea("30 100 --gauges gauges.csv").exitStatus, 1);
}

}  // namespace
}  // namespace drainPrep::testing
