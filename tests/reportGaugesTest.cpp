// drainPrepReport --gauges on a finished run of the built drainPrep: nested
// gauges on a river that water enters across the edge, the grids of gauge
// cells and sub-basins, every status, and bad gauge files.
#include <gtest/gtest.h>

#include <cpl_json.h>
#include <gdal.h>
#include <ogr_api.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>

#include "geometry/studyArea.hpp"
#include "report/gaugeMaps.hpp"
#include "support/gdalRasters.hpp"
#include "support/runDirectory.hpp"

namespace drainPrep {
namespace {

using testing::Raster;
using testing::RunDirectory;
using testing::RunResult;
using testing::SampleRows;

// 12 x 16 cells at 40N 100E: source row 2400, column 5400.
constexpr std::int32_t nrows = 12, ncols = 16;
const StudyArea thirtySecondArea{nrows, ncols, 40, 100};

// A river down column 5 to its outlet at [10][5], fed by rows 2 to 9 of
// columns 2 to 4 (flowing east) and 6 to 8 (flowing west); water enters it
// across the north edge at column 5 and the west edge at row 4. Cell [7][3]
// drains north and receives nothing: [7][2] drains south. A sea cell at
// [3][12].
std::pair<SampleRows, SampleRows> terrain() {
    constexpr std::int16_t E = 1, S = 4, W = 16;
    SampleRows dem(nrows, std::vector<std::int16_t>(ncols, 100));
    SampleRows dir(nrows, std::vector<std::int16_t>(ncols, 0));
    for (std::size_t row = 2; row <= 9; ++row) {
        for (std::size_t col = 2; col <= 8; ++col) dir[row][col] = col < 5 ? E : col == 5 ? S : W;
    }
    dir[7][3] = 64;
    dir[7][2] = S;
    dir[0][5] = dir[1][5] = S;
    dir[4][0] = dir[4][1] = E;
    dem[3][12] = dir[3][12] = -9999;
    return {dem, dir};
}

void writeTerrain(const RunDirectory& run) {
    const auto [dem, dir] = terrain();
    run.writeSamples(Raster::dem, 2400, 5400, dem);
    run.writeSamples(Raster::directions, 2400, 5400, dir);
}

// The same cells as GeoTIFFs of the area alone, on another lattice.
void writeTerrainOnLattice(const RunDirectory& run, const CellLattice& lattice) {
    const double cell = 1.0 / lattice.perDegree;
    const double shift = lattice.origin == LatticeOrigin::centresOnDegrees ? cell / 2 : 0.0;
    const auto [dem, dir] = terrain();
    for (const auto& [file, samples] : {std::pair{"dem.tif", &dem}, {"dir.tif", &dir}}) {
        testing::TestRaster raster;
        raster.rows = nrows;
        raster.cols = ncols;
        raster.transform = {100.0 - shift, cell, 0.0, 40.0 + shift, 0.0, -cell};
        for (const auto& row : *samples)
            raster.values.insert(raster.values.end(), row.begin(), row.end());
        testing::writeGeoTiff((run.path() / file).string(), raster);
    }
}

// The centre of a cell of the area, as a gauge file gives it.
std::string at(std::int32_t row, std::int32_t col, const StudyArea& area = thirtySecondArea) {
    return std::to_string(centreLatDegrees(area, row)) + "," +
           std::to_string(centreLonDegrees(area, col));
}

class ReportGauges : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        finished_ = testing::finishedRun("12 16 40 100", writeTerrain);
        ASSERT_TRUE(finished_);
    }
    static void TearDownTestSuite() { finished_.reset(); }

    void SetUp() override { testing::copyFinishedRun(*finished_, run); }

    static std::unique_ptr<RunDirectory> finished_;
    RunDirectory run;
};

std::unique_ptr<RunDirectory> ReportGauges::finished_;

TEST_F(ReportGauges, NestedGaugesTheirSubbasinsAndEveryStatus) {
    run.writeFile("gauges.csv", "lat,lon,id,name,area_km2\n" + at(9, 5) + ",10,Mouth,30\n" +
                                    at(5, 5) + ",20,Middle,\n" + at(8, 7) +
                                    ",30,Tributary,2\n50,100,40,,\n" + at(5, 5) + ",50,Twin,\n" +
                                    at(3, 12) + ",60,Sea,\n");
    const RunResult result = run.runReport("--gauges gauges.csv --gauge-snap 0");
    ASSERT_EQ(result.exitStatus, 0) << result.console;
    EXPECT_NE(result.console.find("  Placing 6 gauges.\n"), std::string::npos) << result.console;
    const std::string csv = run.readFile("output/report/gauges.csv");
    const auto line = [&csv](const std::string& start) {
        const std::size_t from = csv.find("\n" + start);
        return from == std::string::npos ? "" : csv.substr(from + 1, csv.find('\n', from + 1) - from - 1);
    };
    // id, name, status, ..., upstreamCells at field 15, errorPercent 18,
    // subbasinCells 19, downstreamId 21, riverNum 22, complete 23, sameCellAs 24.
    const auto fields = [&line](const std::string& start) {
        std::vector<std::string> values(1);
        for (const char c : line(start)) {
            if (c == ',') values.emplace_back(); else values.back() += c;
        }
        return values;
    };
    struct Expected {
        const char* id;
        const char* status;
        const char* upstreamCells;
        const char* errorPercent;
        const char* subbasinCells;
        const char* downstreamId;
        const char* complete;
        const char* sameCellAs;
    };
    for (const Expected& gauge : std::initializer_list<Expected>{
             {"10", "placed", "56", "22.90", "26", "", "false", ""},
             {"20", "placed", "28", "", "28", "10", "false", ""},
             {"30", "placed", "2", "-34.14", "2", "10", "true", ""},
             {"40", "outside", "", "", "", "", "", ""},
             {"50", "sameCell", "28", "", "0", "", "false", "20"},
             {"60", "noCandidate", "", "", "", "", "", ""},
         }) {
        const std::vector<std::string> values = fields(std::string(gauge.id) + ",");
        ASSERT_EQ(values.size(), 25u) << gauge.id << ": " << line(std::string(gauge.id) + ",");
        EXPECT_EQ(values[2], gauge.status) << gauge.id;
        EXPECT_EQ(values[14], gauge.upstreamCells) << gauge.id;
        EXPECT_EQ(values[17], gauge.errorPercent) << gauge.id;
        EXPECT_EQ(values[18], gauge.subbasinCells) << gauge.id;
        EXPECT_EQ(values[20], gauge.downstreamId) << gauge.id;
        EXPECT_EQ(values[22], gauge.complete) << gauge.id;
        EXPECT_EQ(values[23], gauge.sameCellAs) << gauge.id;
    }
    const std::vector<std::int32_t> subbasins =
        testing::int32Elements(run.readFile("output/report/subbasins.bin"));
    const std::vector<std::int32_t> gaugeCells =
        testing::int32Elements(run.readFile("output/report/gaugeCells.bin"));
    ASSERT_EQ(subbasins.size(), std::size_t{nrows * ncols});
    const auto cell = [](std::int32_t row, std::int32_t col) {
        return static_cast<std::size_t>(row * ncols + col);
    };
    EXPECT_EQ(subbasins[cell(0, 3)], -9999);
    EXPECT_EQ(subbasins[cell(10, 5)], -1);  // the outlet, below every gauge
    EXPECT_EQ(subbasins[cell(9, 2)], 10);
    EXPECT_EQ(subbasins[cell(2, 8)], 20);
    EXPECT_EQ(subbasins[cell(8, 8)], 30);
    EXPECT_EQ(subbasins[cell(3, 12)], -1);
    EXPECT_EQ(gaugeCells[cell(5, 5)], 20);
    EXPECT_EQ(gaugeCells[cell(4, 5)], -1);
    EXPECT_EQ(gaugeCells[cell(11, 0)], -9999);
    const std::string asc = run.readFile("output/report/gaugeCells.asc");
    std::istringstream ascValues(asc.substr(asc.find('\n', asc.find("NODATA_value")) + 1));
    EXPECT_EQ(std::vector<std::int32_t>(std::istream_iterator<std::int32_t>(ascValues), {}),
              gaugeCells);
    const std::string page = run.readFile("output/report/index.html");
    EXPECT_NE(page.find("<td>Middle</td><td class=\"nowrap\">5, 5</td>"), std::string::npos);
    EXPECT_NE(page.find("<td class=\"flag\">no</td>"), std::string::npos);
    EXPECT_NE(page.find("<td colspan=\"9\" class=\"muted\">no basin cell within 0 cells</td>"),
              std::string::npos);
    for (const char* file : {"subbasins.hdr", "subbasins.prj", "gaugeCells.hdr", "gaugeCells.prj",
                             "gaugeCells.asc", "gauges.geojson", "gauges.png", "subbasins.png"}) {
        EXPECT_TRUE(run.exists(std::string("output/report/") + file)) << file;
    }
    EXPECT_NE(run.readFile("output/report/summary.json")
                  .find("\"gauges\": [\n    {\"id\": 10, \"name\": \"Mouth\", \"status\": \"placed\""),
              std::string::npos);
}

// The km² a polygon encloses, row by row of the area: the cells it covers in
// each row (its area in square degrees over that of a cell) by the cell area
// of the row. Also counts its vertices off the edges of the area's cells.
struct PolygonMeasure {
    double km2 = 0.0;
    std::int32_t offLattice = 0;
    std::int32_t rings = 0;  // of a Polygon; 0 for a MultiPolygon
};

void countOffLattice(OGRGeometryH geometry, const CellLattice& lattice, std::int32_t& offLattice) {
    for (int i = 0; i < OGR_G_GetGeometryCount(geometry); ++i) {
        countOffLattice(OGR_G_GetGeometryRef(geometry, i), lattice, offLattice);
    }
    for (int i = 0; i < OGR_G_GetPointCount(geometry); ++i) {
        for (const double degrees : {OGR_G_GetX(geometry, i), OGR_G_GetY(geometry, i)}) {
            const double cells = degrees * lattice.perDegree - originShiftCells(lattice);
            offLattice += std::fabs(cells - std::round(cells)) > 1e-6;
        }
    }
}

PolygonMeasure measure(OGRGeometryH geometry, const StudyArea& area) {
    const double n = area.lattice.perDegree;
    PolygonMeasure measured;
    countOffLattice(geometry, area.lattice, measured.offLattice);
    if (wkbFlatten(OGR_G_GetGeometryType(geometry)) == wkbPolygon) {
        measured.rings = OGR_G_GetGeometryCount(geometry);
    }
    for (std::int32_t row = 0; row < nrows; ++row) {
        const double north = northEdgeLat(area) - row / n, south = north - 1 / n;
        OGRGeometryH ring = OGR_G_CreateGeometry(wkbLinearRing);
        for (const auto& [x, y] : {std::pair{99.0, north}, {101.0, north}, {101.0, south},
                                   {99.0, south}, {99.0, north}}) {
            OGR_G_AddPoint_2D(ring, x, y);
        }
        OGRGeometryH band = OGR_G_CreateGeometry(wkbPolygon);
        OGR_G_AddGeometryDirectly(band, ring);
        OGRGeometryH part = OGR_G_Intersection(geometry, band);
        measured.km2 += OGR_G_Area(part) * n * n * cellAreaKm2(area, row);
        OGR_G_DestroyGeometry(part);
        OGR_G_DestroyGeometry(band);
    }
    return measured;
}

struct PolygonFeature {
    bool valid = false;
    std::int64_t cells = 0;
    double km2 = 0.0;  // as the file gives it
    PolygonMeasure measured;
};

// Calls read(feature) for each feature of a vector file's first layer.
template <typename Read>
void forEachFeature(const std::string& path, Read read) {
    GDALAllRegister();
    GDALDatasetH file = GDALOpenEx(path.c_str(), GDAL_OF_VECTOR, nullptr, nullptr, nullptr);
    if (file == nullptr) return;
    OGRLayerH layer = GDALDatasetGetLayer(file, 0);
    while (OGRFeatureH feature = OGR_L_GetNextFeature(layer)) {
        read(feature);
        OGR_F_Destroy(feature);
    }
    GDALClose(file);
}

double fieldOf(OGRFeatureH feature, const char* name) {
    return OGR_F_GetFieldAsDouble(feature, OGR_F_GetFieldIndex(feature, name));
}

std::map<std::int32_t, PolygonFeature> readPolygons(const std::string& path,
                                                    const StudyArea& area) {
    std::map<std::int32_t, PolygonFeature> features;
    forEachFeature(path, [&](OGRFeatureH feature) {
        PolygonFeature& read = features[OGR_F_GetFieldAsInteger(feature, 0)];
        OGRGeometryH geometry = OGR_F_GetGeometryRef(feature);
        read.valid = OGR_G_IsValid(geometry) != 0;
        read.cells = OGR_F_GetFieldAsInteger64(feature, OGR_F_GetFieldIndex(feature, "cells"));
        read.km2 = fieldOf(feature, "km2");
        read.measured = measure(geometry, area);
    });
    return features;
}

struct GaugePoint {
    double lon, lat, upstreamKm2;
};

std::map<std::int32_t, GaugePoint> readGaugePoints(const std::string& path) {
    std::map<std::int32_t, GaugePoint> points;
    forEachFeature(path, [&](OGRFeatureH feature) {
        OGRGeometryH point = OGR_F_GetGeometryRef(feature);
        points[OGR_F_GetFieldAsInteger(feature, 0)] = {OGR_G_GetX(point, 0), OGR_G_GetY(point, 0),
                                                       fieldOf(feature, "upstreamKm2")};
    });
    return points;
}

// The km² of `columns` cells in each of rows [top, bottom].
double blockKm2(const StudyArea& area, std::int32_t top, std::int32_t bottom,
                std::int32_t columns) {
    double km2 = 0.0;
    for (std::int32_t row = top; row <= bottom; ++row) km2 += columns * cellAreaKm2(area, row);
    return km2;
}

// The fixed pair's run, and runs of the same cells at 3" with cell edges and
// with cell centres on whole degrees: polygons on their lattice, gauges at
// their cells' centres, km² of their own cells, the page and summary naming
// the cells.
struct LatticeCase {
    CellLattice lattice;
    const char* pageText;
    const char* summaryText;
    double lastKm2Decimal;  // of the gauges' km²
};

const LatticeCase latticeCases[] = {
    {thirtySecondLattice, "(cells of 926.6 m north&ndash;south", "\"lonNW\": 100,\n  \"landCells\"",
     1e-3},
    {{1200, LatticeOrigin::edgesOnDegrees},
     "(cells of 3 arc-seconds, 92.7 m north&ndash;south",
     "\"cellsPerDegree\": 1200,\n  \"cellCentresOnDegrees\": false,",
     1e-5},
    {{1200, LatticeOrigin::centresOnDegrees},
     "(the centre of the first cell: the source's cells have their centres on whole "
     "degrees)</span></td></tr>\n<tr><th>Extent</th><td>39.99042&deg;N to 40.00042&deg;N, "
     "99.99958&deg;E to 100.01292&deg;E",
     "\"cellsPerDegree\": 1200,\n  \"cellCentresOnDegrees\": true,",
     1e-5},
};

TEST_F(ReportGauges, PolygonsReadBackValidOnTheLatticeEnclosingTheirCellsKm2) {
    for (const LatticeCase& c : latticeCases) {
        SCOPED_TRACE(c.pageText);
        const StudyArea area{nrows, ncols, 40, 100, c.lattice};
        if (c.lattice != thirtySecondLattice) {
            writeTerrainOnLattice(run, c.lattice);
            const RunResult drainPrep = run.runWithArguments("--dem dem.tif --dir dir.tif");
            ASSERT_EQ(drainPrep.exitStatus, 0) << drainPrep.console;
        }
        // Gauge 80's sub-basin, row 6 of columns 6 to 8, touches gauge 20's along a
        // whole edge: siblings, next to each other in the file, that share
        // boundary edges.
        const std::map<std::int32_t, std::pair<std::int32_t, std::int32_t>> cellOf{
            {10, {9, 5}}, {20, {5, 5}}, {80, {6, 6}}, {30, {8, 7}}, {70, {7, 3}}};
        run.writeFile("gauges.csv", "id,lat,lon\n10," + at(9, 5, area) + "\n20," + at(5, 5, area) +
                                        "\n80," + at(6, 6, area) + "\n30," + at(8, 7, area) +
                                        "\n70," + at(7, 3, area) + "\n");
        const RunResult result = run.runReport("--gauges gauges.csv --gauge-snap 0");
        ASSERT_EQ(result.exitStatus, 0) << result.console;
        const double cell7 = blockKm2(area, 7, 7, 1), cells8 = blockKm2(area, 8, 8, 2),
                     cells6 = blockKm2(area, 6, 6, 3);
        const std::map<std::int32_t, std::pair<std::int64_t, double>> subbasinCells{
            {10, {22, blockKm2(area, 6, 9, 7) - cell7 - cells8 - cells6}},
            {20, {28, blockKm2(area, 2, 5, 7)}},
            {30, {2, cells8}},
            {70, {1, cell7}},
            {80, {3, cells6}},
        };
        const std::map<std::int32_t, std::pair<std::int64_t, double>> catchmentCells{
            {10, {56, blockKm2(area, 2, 9, 7)}},
            {20, {28, blockKm2(area, 2, 5, 7)}},
            {30, {2, cells8}},
            {70, {1, cell7}},
            {80, {3, cells6}}};
        for (const auto& [file, expected] : {std::pair{"subbasins.geojson", subbasinCells},
                                             {"catchments.geojson", catchmentCells}}) {
            const auto features =
                readPolygons((run.path() / "output/report" / file).string(), area);
            ASSERT_EQ(features.size(), expected.size()) << file;
            for (const auto& [id, cellsAndKm2] : expected) {
                const PolygonFeature& feature = features.at(id);
                EXPECT_TRUE(feature.valid) << file << " " << id;
                EXPECT_EQ(feature.measured.offLattice, 0) << file << " " << id;
                EXPECT_EQ(feature.cells, cellsAndKm2.first) << file << " " << id;
                EXPECT_NEAR(feature.measured.km2, cellsAndKm2.second, 1e-6) << file << " " << id;
                EXPECT_NEAR(feature.km2, cellsAndKm2.second, 1e-6) << file << " " << id;
            }
        }
        // Gauge 70's single cell lies inside gauge 10's sub-basin: a hole.
        EXPECT_EQ(readPolygons((run.path() / "output/report/subbasins.geojson").string(), area)
                      .at(10)
                      .measured.rings,
                  2);
        const auto points = readGaugePoints((run.path() / "output/report/gauges.geojson").string());
        ASSERT_EQ(points.size(), cellOf.size());
        const double n = c.lattice.perDegree;
        const double toCentre = c.lattice.origin == LatticeOrigin::edgesOnDegrees ? 0.5 : 0.0;
        for (const auto& [id, point] : points) {
            const auto [row, col] = cellOf.at(id);
            EXPECT_NEAR(point.lon, 100.0 + (col + toCentre) / n, 1e-3 / n) << id;
            EXPECT_NEAR(point.lat, 40.0 - (row + toCentre) / n, 1e-3 / n) << id;
            EXPECT_NEAR(point.upstreamKm2, catchmentCells.at(id).second, c.lastKm2Decimal / 2)
                << id;
        }
        EXPECT_NE(run.readFile("output/report/index.html").find(c.pageText), std::string::npos);
        EXPECT_NE(run.readFile("output/report/summary.json").find(c.summaryText),
                  std::string::npos);
    }
}

// The black pixels of labels drawn for markers all on one cell of a white map.
std::int64_t labelPixels(const std::vector<report::GaugeMarker>& markers) {
    report::MapGrids maps;
    report::RgbImage image(80, 80);
    for (std::int32_t y = 0; y < 80; ++y) {
        for (std::int32_t x = 0; x < 80; ++x) image.set(x, y, {255, 255, 255});
    }
    report::drawGaugeMarkers(image, maps, markers);
    std::int64_t black = 0;
    for (std::int32_t y = 0; y < 80; ++y) {
        for (std::int32_t x = 0; x < 80; ++x) black += image.at(x, y) == report::Rgb{0, 0, 0};
    }
    return black;
}

TEST(GaugeMapLabels, OverlapNoRingAndNoLabelDrawnBefore) {
    const report::GaugeMarker a{40, 40, 11}, b{40, 40, 77}, c{40, 40, 4}, d{40, 40, 8};
    // Each label lands on a place of its own beside the ring ...
    EXPECT_EQ(labelPixels({a, b}), labelPixels({a}) + labelPixels({b}));
    EXPECT_EQ(labelPixels({a, b, c, d}),
              labelPixels({a}) + labelPixels({b}) + labelPixels({c}) + labelPixels({d}));
    // ... and where the four places are taken, a fifth is left out.
    EXPECT_EQ(labelPixels({a, b, c, d, {40, 40, 1}}), labelPixels({a, b, c, d}));
}

// USGS and Water Survey of Canada numbers and a Dutch station name: ids as
// written in every text, JSON strings where they are no plain number, and
// grids that number the gauges by their place in the file.
TEST_F(ReportGauges, IdsAreKeptAsWrittenAndTheGridsNumberTheGaugesByPlace) {
    run.writeFile("gauges.csv", "id,lat,lon\n06435060," + at(9, 5) + "\nlobith," + at(5, 5) +
                                    "\n02GA010,50,100\n");
    const RunResult result = run.runReport("--gauges gauges.csv --gauge-snap 0");
    ASSERT_EQ(result.exitStatus, 0) << result.console;
    const std::string csv = run.readFile("output/report/gauges.csv");
    EXPECT_NE(csv.find(",sameCellAs,gridNumber\n06435060,,placed,"), std::string::npos) << csv;
    EXPECT_NE(csv.find(",06435060,"), std::string::npos) << csv;  // lobith's downstreamId
    CPLJSONDocument summary;
    ASSERT_TRUE(summary.LoadMemory(run.readFile("output/report/summary.json")));
    const CPLJSONArray gauges = summary.GetRoot().GetArray("gauges");
    ASSERT_EQ(gauges.Size(), 3);
    EXPECT_EQ(gauges[0].GetObj("id").GetType(), CPLJSONObject::Type::String);
    EXPECT_EQ(gauges[0].GetString("id"), "06435060");
    EXPECT_EQ(gauges[1].GetString("downstreamId"), "06435060");
    EXPECT_EQ(gauges[2].GetString("id"), "02GA010");
    EXPECT_EQ(gauges[2].GetInteger("gridNumber"), 3);
    const std::vector<std::int32_t> subbasins =
        testing::int32Elements(run.readFile("output/report/subbasins.bin"));
    ASSERT_EQ(subbasins.size(), std::size_t{nrows * ncols});
    EXPECT_EQ(subbasins[9 * ncols + 2], 1);
    EXPECT_EQ(subbasins[2 * ncols + 8], 2);
}

TEST_F(ReportGauges, ThePageListsTheFirstThousandGaugesAndTheFilesAll) {
    std::string gauges = "id,lat,lon\n";
    for (int id = 1; id <= 1001; ++id) gauges += std::to_string(id) + ",50,100\n";
    run.writeFile("gauges.csv", gauges);
    ASSERT_EQ(run.runReport("--gauges gauges.csv").exitStatus, 0);
    const std::string page = run.readFile("output/report/index.html");
    std::size_t rows = 0;
    for (std::size_t at = page.find(">outside the study area<"); at != std::string::npos;
         at = page.find(">outside the study area<", at + 1)) {
        ++rows;
    }
    EXPECT_EQ(rows, 1000u);
    EXPECT_NE(page.find("The table lists the first 1,000 gauges of the file; <a "
                        "href=\"gauges.csv\">gauges.csv</a>"),
              std::string::npos);
    const std::string csv = run.readFile("output/report/gauges.csv");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 1002);
}

TEST_F(ReportGauges, ABadGaugeFileOrSnapIsNamedAndWritesNothing) {
    run.writeFile("gauges.csv", "id,lat,lon\n1,40,100\n1,40,100\n");
    run.writeFile("windows 1252.csv", "id,lat,lon,name\n1,40,100,K\xF6ln\n");
    const std::pair<std::string, std::string> cases[] = {
        {"--gauges 'windows 1252.csv'",
         "windows 1252.csv line 2, column name: byte 2 of the field (0xF6) is not UTF-8. Save "
         "the file as UTF-8, or convert it, for example from Windows-1252:\n  iconv -f "
         "WINDOWS-1252 -t UTF-8 'windows 1252.csv' > 'windows 1252_utf8.csv'\n"},
        {"--gauges gauges.csv", "gauges.csv line 3, column id: gauge 1 is given already on line 2.\n"},
        {"--gauges missing.csv", "The gauge file missing.csv cannot be opened.\n"},
        {"--gauge-snap 2", "--gauge-snap places the gauges of --gauges FILE: give both.\n"},
        {"--gauges gauges.csv --gauges other.csv", "--gauges is given twice.\n"},
        {"--gauges gauges.csv --gauge-snap -1",
         "--gauge-snap takes a whole number of cells, 0 or more, not \"-1\".\n"},
    };
    for (const auto& [arguments, message] : cases) {
        const RunResult result = run.runReport(arguments);
        EXPECT_EQ(result.exitStatus, 1) << arguments;
        EXPECT_NE(result.console.find(message), std::string::npos) << result.console;
        EXPECT_FALSE(run.exists("output/report")) << arguments;
    }
}

}  // namespace
}  // namespace drainPrep
