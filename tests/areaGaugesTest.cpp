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
