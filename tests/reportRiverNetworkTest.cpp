// The river network of the report: reach splitting and Strahler order on
// small trees drawn here, and end to end rivers.geojson read back by a small
// JSON parser and by ogrinfo.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "report/gridScan.hpp"
#include "report/riverNetwork.hpp"
#include "support/drawnNetwork.hpp"
#include "support/runDirectory.hpp"

namespace drainPrep::report {
namespace {

constexpr std::int32_t latNW = 40, lonNW = 100;

using Cells = std::vector<std::vector<FlowCell>>;

// A drawn network, with basin sizes and numbers as the run gives them: a
// cell whose way ends at an outlet counts in every cell below it and takes
// the outlet's number (outlets numbered in row-major order); cells on or
// above a loop keep size 1 and no number.
Cells cellsOf(const std::vector<std::string>& drawing) {
    const auto nrows = static_cast<std::int32_t>(drawing.size());
    const auto ncols = static_cast<std::int32_t>(drawing[0].size());
    Cells cells(drawing.size(), std::vector<FlowCell>(drawing[0].size()));
    std::int32_t outlets = 0;
    for (std::size_t r = 0; r < drawing.size(); ++r) {
        for (std::size_t c = 0; c < drawing[r].size(); ++c) {
            const char symbol = drawing[r][c];
            const std::int32_t code = testing::drawnCode(symbol);
            FlowCell& cell = cells[r][c];
            cell.dir = code == frameRingCode ? binaryFrameRingValue : code;
            cell.basinSize = cell.dir < 0 ? binaryFrameRingValue : 1;
            cell.riverNum = code == outletCode      ? ++outlets
                            : code == frameRingCode ? binaryFrameRingValue
                                                    : noBasin;
        }
    }
    for (std::int32_t r = 0; r < nrows; ++r) {
        for (std::int32_t c = 0; c < ncols; ++c) {
            std::vector<FlowCell*> below;
            for (std::int32_t pr = r, pc = c; below.size() < cells.size() * cells[0].size();) {
                const std::int32_t dir = cells[size_t(pr)][size_t(pc)].dir;
                if (dir < 1) break;
                pr += flowDirections[dir - 1].rowOffset;
                pc += flowDirections[dir - 1].colOffset;
                if (pr < 0 || pr >= nrows || pc < 0 || pc >= ncols) break;
                below.push_back(&cells[size_t(pr)][size_t(pc)]);
            }
            if (below.empty() || below.back()->dir != outletCode) continue;
            for (FlowCell* cell : below) ++cell->basinSize;
            cells[size_t(r)][size_t(c)].riverNum = below.back()->riverNum;
        }
    }
    return cells;
}

StudyArea areaOf(const Cells& cells, const CellLattice& lattice = thirtySecondLattice) {
    return {static_cast<std::int32_t>(cells.size()), static_cast<std::int32_t>(cells[0].size()),
            latNW, lonNW, lattice};
}

FlowRowReader rowsOf(const Cells& cells) {
    auto next = std::make_shared<std::size_t>(0);
    return [&cells, next](std::vector<FlowCell>& row) -> std::optional<std::string> {
        row = cells[(*next)++];
        return std::nullopt;
    };
}

RiverNetwork networkOf(const Cells& cells, std::int32_t threshold,
                       const CellLattice& lattice = thirtySecondLattice) {
    RiverNetwork network;
    EXPECT_FALSE(network.build(areaOf(cells, lattice), threshold, rowsOf(cells)));
    return network;
}

// "[row][col] of the first cell: cells, order, downstream reach, upstream
// cells" of every reach, and whether it ends at an outlet.
std::vector<std::string> reachesOf(const Cells& cells, std::int32_t threshold) {
    const std::int64_t ncols = areaOf(cells).ncols;
    std::vector<std::string> reaches;
    const RiverNetwork network = networkOf(cells, threshold);
    for (const Reach& r : network.reaches()) {
        reaches.push_back("[" + std::to_string(r.firstCell / ncols) + "][" +
                          std::to_string(r.firstCell % ncols) + "]: " + std::to_string(r.cells) +
                          ", " + std::to_string(r.order) + ", " + std::to_string(r.downstream) +
                          ", " + std::to_string(r.upstreamCells) + (r.outlet ? ", outlet" : ""));
    }
    return reaches;
}

struct TreeCase {
    const char* what;
    std::vector<std::string> drawing;
    std::int32_t threshold;
    std::vector<std::string> reaches;
};

const TreeCase treeCases[] = {
    {"a lone river, from where the basin size reaches the threshold",
     {".....", "66665", "....."},
     2,
     {"[1][1]: 4, 1, 0, 5, outlet"}},
    {"the threshold reached only at the outlet: a reach of one cell",
     {"66665"},
     5,
     {"[0][4]: 1, 1, 0, 5, outlet"}},
    {"a confluence of equal orders",
     {"2...2", "3...1", ".3.1.", "..2..", "..2..", "..5.."},
     1,
     {"[0][0]: 3, 1, 3, 3", "[0][4]: 3, 1, 3, 3", "[3][2]: 3, 2, 0, 9, outlet"}},
    {"confluences of unequal orders",
     {"2.2.2", "624.2", ".2444", ".2...", ".5..."},
     1,
     {"[0][0]: 2, 1, 4, 2", "[0][2]: 2, 1, 4, 2", "[0][4]: 5, 1, 5, 5", "[1][1]: 1, 2, 5, 5",
      "[2][1]: 3, 2, 0, 13, outlet"}},
    {"three reaches meeting at one cell",
     {"3.2.1", ".321.", "..2..", "..5.."},
     1,
     {"[0][0]: 2, 1, 4, 2", "[0][2]: 2, 1, 4, 2", "[0][4]: 2, 1, 4, 2",
      "[2][2]: 2, 2, 0, 8, outlet"}},
    {"a river reaching its outlet on the edge ring",
     {"#####", "#544#", "#..8#", "#..8#", "#####"},
     1,
     {"[3][3]: 5, 1, 0, 5, outlet"}},
    {"a loop and the cells above it carry no river",
     {"2....", "64665", "....."},
     1,
     {"[1][2]: 3, 1, 0, 3, outlet"}},
    {"two basins",
     {"544..", "..665"},
     1,
     {"[0][2]: 3, 1, 0, 3, outlet", "[1][2]: 3, 1, 0, 3, outlet"}},
};

TEST(RiverNetwork, SplitsTreesIntoReachesWithTheirStrahlerOrder) {
    for (const TreeCase& tree : treeCases) {
        SCOPED_TRACE(tree.what);
        const Cells cells = cellsOf(tree.drawing);
        EXPECT_EQ(reachesOf(cells, tree.threshold), tree.reaches);
        // The one pass that counts reaches at every threshold agrees with
        // the network built at each.
        const std::vector<std::int32_t> thresholds{1, 2, 3, 5, 8};
        std::vector<std::int64_t> counted;
        ASSERT_FALSE(countReaches(areaOf(cells), thresholds, rowsOf(cells), counted));
        for (std::size_t i = 0; i < thresholds.size(); ++i) {
            EXPECT_EQ(counted[i], std::int64_t(networkOf(cells, thresholds[i]).reaches().size()))
                << thresholds[i];
        }
    }
}

double km(double metres) { return metres / 1000.0; }

// On every lattice, with its own cell lengths: 92.66 m north-south at 3",
// and the east-west lengths of rows whose centres lie off whole arc-seconds.
TEST(RiverNetwork, LengthsFollowTheToolsCellLengthsFromCentreToCentre) {
    for (const CellLattice& lattice :
         {thirtySecondLattice, CellLattice{1200, LatticeOrigin::edgesOnDegrees},
          CellLattice{3600, LatticeOrigin::centresOnDegrees}}) {
        SCOPED_TRACE(lattice.perDegree);
        const StudyArea area = areaOf(cellsOf(treeCases[3].drawing), lattice);
        const double northSouth = cellLengthNorthSouthOf(lattice);
        const auto eastWest = [&area](std::int32_t row) { return rowLengthEastWest(area, row); };
        const RiverNetwork unequal = networkOf(cellsOf(treeCases[3].drawing), 1, lattice);
        const std::vector<Reach>& reaches = unequal.reaches();
        // [0][0] S [1][0], then E into reach 4 at the east-west length of row 1.
        EXPECT_DOUBLE_EQ(reaches[0].lengthKm, km(northSouth + eastWest(1)));
        // [0][4] S S W W, then W into reach 5.
        EXPECT_DOUBLE_EQ(reaches[2].lengthKm, km(2 * northSouth + 3 * eastWest(2)));
        // The main stem: the longest way from a source, reach 3 then reach 5.
        EXPECT_DOUBLE_EQ(unequal.basin(1).mainStemKm, reaches[2].lengthKm + reaches[4].lengthKm);
        EXPECT_EQ(unequal.basin(1).highestOrder, 2);
        EXPECT_EQ(unequal.basin(2).highestOrder, 0);  // no such basin
        // Diagonals by Pythagoras with the east-west length of the cell stepped from.
        const RiverNetwork three = networkOf(cellsOf(treeCases[4].drawing), 1, lattice);
        EXPECT_DOUBLE_EQ(three.reaches()[0].lengthKm, km(std::hypot(northSouth, eastWest(0)) +
                                                         std::hypot(northSouth, eastWest(1))));
    }
    EXPECT_EQ(cellLengthNorthSouthOf(thirtySecondLattice), cellLengthNorthSouth);
}

// Each cell draining into a river counts with the area of its own row: at
// 40N a cell of row 0 is larger than one of row 7 by about a part in a thousand.
TEST(RiverNetwork, UpstreamAreasTakeEachCellAtItsOwnRow) {
    const Cells cells =
        cellsOf({"2....", "2....", "2....", "2....", "2....", "2....", "2....", "66665"});
    const RiverNetwork network = networkOf(cells, 9);
    ASSERT_EQ(network.reaches().size(), 1u);
    // Column 0 above the river: rows 0 to 7; the river: row 7, columns 1 to 4.
    double km2 = 4 * cellAreaKm2(StudyArea{9, 9, latNW, 100}, 7);
    for (std::int32_t row = 0; row <= 7; ++row) km2 += cellAreaKm2(StudyArea{9, 9, latNW, 100}, row);
    EXPECT_NEAR(network.reaches()[0].upstreamKm2, km2, km2 * 1e-12);
    EXPECT_EQ(network.reaches()[0].upstreamCells, 12);
}

TEST(RiverNetwork, AThresholdWithTooManyReachesIsRaisedToTheNextRoundNumber) {
    const std::vector<std::int32_t> ladder = thresholdLadder(3);
    EXPECT_EQ(std::vector<std::int32_t>(ladder.begin(), ladder.begin() + 5),
              (std::vector<std::int32_t>{3, 5, 10, 20, 50}));
    EXPECT_EQ(ladder.back(), std::numeric_limits<std::int32_t>::max());
    const RiverThreshold kept = chooseThreshold({3, 5, 10}, {mostReaches, 10, 5});
    EXPECT_EQ(kept.cells, 3);
    EXPECT_FALSE(kept.raised());
    const RiverThreshold raised =
        chooseThreshold({3, 5, 10}, {mostReaches + 1, mostReaches + 1, 7});
    EXPECT_EQ(raised.cells, 10);
    EXPECT_EQ(raised.reachesAsked, mostReaches + 1);
}

// ---------------------------------------------------------------------------
// End to end: rivers.geojson read back by a JSON parser.

struct Json {
    enum class Kind { null, boolean, number, text, array, object } kind = Kind::null;
    bool boolean = false;
    double number = 0.0;
    std::string text;
    std::vector<Json> items;
    std::map<std::string, Json> members;

    const Json& operator[](const std::string& key) const { return members.at(key); }
    const Json& operator[](std::size_t i) const { return items.at(i); }
};

// Strict enough for the report's files (no escapes in their texts); anything
// else fails the test.
class JsonParser {
public:
    explicit JsonParser(const std::string& text) : text_(text) {}

    Json document() {
        Json value = parseValue();
        skipSpace();
        EXPECT_EQ(at_, text_.size()) << "text after the document";
        return value;
    }

private:
    void skipSpace() {
        while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) ++at_;
    }
    bool take(const std::string& word) {
        skipSpace();
        if (text_.compare(at_, word.size(), word) != 0) return false;
        at_ += word.size();
        return true;
    }
    void expect(const char* word) {
        if (take(word)) return;
        ADD_FAILURE() << word << " expected at " << at_;
        at_ = text_.size();
    }
    std::string parseText() {
        expect("\"");
        const std::size_t end = std::min(text_.find('"', at_), text_.size());
        std::string text = text_.substr(at_, end - at_);
        EXPECT_EQ(text.find('\\'), std::string::npos);
        at_ = end;
        expect("\"");
        return text;
    }
    template <typename Item>
    void parseList(const char* close, Item item) {
        if (take(close)) return;
        do item();
        while (take(","));
        expect(close);
    }
    Json parseValue() {
        Json value;
        if (take("{")) {
            value.kind = Json::Kind::object;
            parseList("}", [&] {
                const std::string key = parseText();
                expect(":");
                value.members[key] = parseValue();
            });
        } else if (take("[")) {
            value.kind = Json::Kind::array;
            parseList("]", [&] { value.items.push_back(parseValue()); });
        } else if (skipSpace(), at_ < text_.size() && text_[at_] == '"') {
            value.kind = Json::Kind::text;
            value.text = parseText();
        } else if (take("true") || take("false")) {
            value.kind = Json::Kind::boolean;
            value.boolean = text_[at_ - 1] == 'e' && text_[at_ - 2] == 'u';
        } else if (!take("null")) {
            value.kind = Json::Kind::number;
            char* end = nullptr;
            value.number = std::strtod(text_.c_str() + at_, &end);
            const auto used = static_cast<std::size_t>(end - (text_.c_str() + at_));
            if (used == 0) ADD_FAILURE() << "no value at " << at_;
            at_ = used == 0 ? text_.size() : at_ + used;
        }
        return value;
    }

    const std::string& text_;
    std::size_t at_ = 0;
};

using drainPrep::testing::Raster;
using drainPrep::testing::RunDirectory;
using drainPrep::testing::SampleRows;

// 60 x 80 cells at 40N 100E of random source directions and elevations: many
// small basins, confluences everywhere, loops and pits.
class RiversEndToEnd : public ::testing::Test {
public:
    static constexpr std::int32_t nrows = 60, ncols = 80;

protected:
    static void SetUpTestSuite() {
        run_ = std::make_unique<RunDirectory>();
        run_->writeFile("clipArea.dat", "60 80 40 100");
        run_->createSourceRasters();
        std::mt19937 random(18);
        const std::int16_t codes[] = {1, 2, 4, 8, 16, 32, 64, 128, 1, 2, 4, 8, 16, 32, 64, 128, 0};
        SampleRows dem(nrows, std::vector<std::int16_t>(ncols));
        SampleRows dir(nrows, std::vector<std::int16_t>(ncols));
        for (std::size_t r = 0; r < size_t(nrows); ++r) {
            for (std::size_t c = 0; c < size_t(ncols); ++c) {
                dem[r][c] = static_cast<std::int16_t>(1 + random() % 500);
                dir[r][c] = codes[random() % std::size(codes)];
            }
        }
        run_->writeSamples(Raster::dem, 2400, 5400, dem);
        run_->writeSamples(Raster::directions, 2400, 5400, dir);
        ASSERT_EQ(run_->run().exitStatus, 0);
        std::filesystem::remove_all(run_->path() / "input");
    }
    static void TearDownTestSuite() { run_.reset(); }

    static std::unique_ptr<RunDirectory> run_;
};

std::unique_ptr<RunDirectory> RiversEndToEnd::run_;

std::int64_t cellAt(const Json& position) {
    const auto col = std::lround((position[0].number - lonNW) * 120.0 - 0.5);
    const auto row = std::lround((latNW - position[1].number) * 120.0 - 0.5);
    return row * RiversEndToEnd::ncols + col;
}

TEST_F(RiversEndToEnd, ReachesHoldExactlyTheCellsAtOrAboveTheThresholdAndJoin) {
    const auto result = run_->runReport("--river-cells 3");
    ASSERT_EQ(result.exitStatus, 0) << result.console;
    const std::string text = run_->readFile("output/report/rivers.geojson");
    const Json rivers = JsonParser(text).document();
    ASSERT_EQ(rivers["type"].text, "FeatureCollection");
    const std::vector<Json>& features = rivers["features"].items;
    ASSERT_GT(features.size(), 50u);
    const Json summary = JsonParser(run_->readFile("output/report/summary.json")).document();
    EXPECT_EQ(summary["riverThresholdCells"].number, 3.0);
    EXPECT_EQ(summary["riverCells"].number, 3.0);  // the old name, kept one release
    EXPECT_EQ(summary["reaches"].number, double(features.size()));
    std::map<double, const Json*> largestBasins;  // by basin number
    for (const Json& basin : summary["largestBasins"].items) {
        largestBasins[basin["riverNum"].number] = &basin;
    }
    std::map<double, double> highestOrder;

    std::set<std::int64_t> own;
    std::int64_t cellCount = 0;
    for (std::size_t i = 0; i < features.size(); ++i) {
        const Json& properties = features[i]["properties"];
        const Json& line = features[i]["geometry"]["coordinates"];
        EXPECT_EQ(features[i]["geometry"]["type"].text, "LineString");
        ASSERT_GE(line.items.size(), 2u);
        EXPECT_EQ(properties["reach"].number, double(i + 1));
        const bool flowsOn = properties["downstream"].kind == Json::Kind::number;
        EXPECT_NE(flowsOn, properties["outlet"].boolean);
        if (flowsOn) {
            const Json& next = features.at(size_t(properties["downstream"].number) - 1);
            const Json& first = next["geometry"]["coordinates"][0];
            EXPECT_EQ(line.items.back()[0].number, first[0].number);
            EXPECT_EQ(line.items.back()[1].number, first[1].number);
            EXPECT_GE(next["properties"]["order"].number, properties["order"].number);
        }
        const std::size_t ownPoints = flowsOn ? line.items.size() - 1 : line.items.size();
        for (std::size_t p = 0; p < ownPoints; ++p) own.insert(cellAt(line[p]));
        cellCount += std::int64_t(properties["cells"].number);
        const double basin = properties["riverNum"].number;
        highestOrder[basin] = std::max(highestOrder[basin], properties["order"].number);
        if (properties["outlet"].boolean && largestBasins.count(basin) != 0) {
            // The same area as the basin table's, summed in another order.
            EXPECT_NEAR(properties["upstreamKm2"].number, (*largestBasins[basin])["km2"].number,
                        0.002);
            EXPECT_EQ(properties["upstreamCells"].number, (*largestBasins[basin])["cells"].number);
        }
    }
    for (const auto& [basin, entry] : largestBasins) {
        EXPECT_EQ((*entry)["highestOrder"].number, highestOrder[basin]) << basin;
    }
    const std::vector<std::int32_t> sizes =
        testing::int32Elements(run_->readFile("output/flowAcc.bin"));
    const std::vector<std::int32_t> basins =
        testing::int32Elements(run_->readFile("output/riverNum.bin"));
    std::set<std::int64_t> expected;
    for (std::size_t cell = 0; cell < sizes.size(); ++cell) {
        if (sizes[cell] >= 3 && basins[cell] >= 1) expected.insert(std::int64_t(cell));
    }
    EXPECT_EQ(own, expected);
    EXPECT_EQ(cellCount, std::int64_t(expected.size()));
    const std::string page = run_->readFile("output/report/index.html");
    for (const char* shown :
         {"where its basin size reaches 3 cells, set by <code>--river-cells</code>.",
          " river cells is cut into ",
          "<th class=\"num\">Highest order</th><th class=\"num\">Main stem (km)</th>"}) {
        EXPECT_NE(page.find(shown), std::string::npos) << shown;
    }

    if (std::system("command -v ogrinfo > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "ogrinfo is not installed";
    }
    const std::string command = "cd '" + run_->path().string() +
                                "' && ogrinfo -ro -so -al output/report/rivers.geojson > "
                                ".ogrinfo 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << run_->readFile(".ogrinfo");
    const std::string info = run_->readFile(".ogrinfo");
    EXPECT_NE(info.find("Geometry: Line String"), std::string::npos) << info;
    EXPECT_NE(info.find("Feature Count: " + std::to_string(features.size()) + "\n"),
              std::string::npos)
        << info;
}

TEST_F(RiversEndToEnd, RefusesARiverThresholdBelowOneOrNotWhole) {
    std::filesystem::remove_all(run_->path() / "output/report");
    for (const char* cells : {"0", "-4", "2.5", "1e3", "ten", "''", "2147483648"}) {
        const auto result = run_->runReport(std::string("--river-cells ") + cells);
        EXPECT_EQ(result.exitStatus, 1) << cells;
        EXPECT_NE(result.console.find("--river-cells takes a whole number of cells, 1 or more"),
                  std::string::npos)
            << result.console;
    }
    const auto missing = run_->runReport("--river-cells");
    EXPECT_EQ(missing.exitStatus, 1);
    EXPECT_FALSE(run_->exists("output/report"));
    const auto one = run_->runReport("--river-cells 1");
    EXPECT_EQ(one.exitStatus, 0) << one.console;
    EXPECT_NE(run_->readFile("output/report/summary.json").find("\"riverCells\": 1,"),
              std::string::npos);
    std::filesystem::remove_all(run_->path() / "output/report");
}

// Odd rows flow south into even rows, which flow east to the outlets of the
// east edge: with a threshold of 1 every cell starts a reach (a source or a
// confluence), far more than a browser draws; at 2 the rows are whole reaches.
TEST(RiversEndToEndRaised, AThresholdGivingTooManyReachesIsRaisedAndSaidSo) {
    constexpr std::size_t side = 260;
    RunDirectory run;
    run.writeFile("clipArea.dat", "260 260 40 100");
    run.createSourceRasters();
    SampleRows dir(side, std::vector<std::int16_t>(side, 1));
    for (std::size_t r = 1; r < side; r += 2) dir[r].assign(side, 4);
    run.writeSamples(Raster::dem, 2400, 5400, SampleRows(side, std::vector<std::int16_t>(side, 9)));
    run.writeSamples(Raster::directions, 2400, 5400, dir);
    ASSERT_EQ(run.run().exitStatus, 0);
    const auto result = run.runReport("--river-cells 1");
    ASSERT_EQ(result.exitStatus, 0) << result.console;
    EXPECT_NE(
        result.console.find("  The river threshold is raised from 1 to 2 cells: 1 would give "),
        std::string::npos)
        << result.console;
    const Json summary = JsonParser(run.readFile("output/report/summary.json")).document();
    EXPECT_EQ(summary["riverThresholdCells"].number, 2.0);
    EXPECT_LE(summary["reaches"].number, double(mostReaches));
    EXPECT_NE(run.readFile("output/report/index.html")
                  .find("<strong>The threshold was raised</strong> from 1 cell (set by "
                        "<code>--river-cells</code>) to 2 cells: 1 would give "),
              std::string::npos);
}

}  // namespace
}  // namespace drainPrep::report
