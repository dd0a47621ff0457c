// The river network of the report: reach splitting and Strahler order on
// small trees drawn here, against a cell-by-cell yardstick on random grids,
// and end to end rivers.geojson read back by a small JSON parser.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "report/riverNetwork.hpp"
#include "support/runDirectory.hpp"

namespace drainPrep::report {
namespace {

constexpr std::int32_t latNW = 40, lonNW = 100;
constexpr std::int32_t frameValue = -9999;

using Drawing = std::vector<std::string>;
using Cells = std::vector<std::vector<FlowCell>>;

// '^' N, '9' NE, '>' E, '3' SE, 'v' S, '1' SW, '<' W, '7' NW (as on a
// keypad), 'o' outlet, '.' no flow, '#' frame ring.
std::int32_t codeOf(char symbol) {
    const std::string arrows = "^9>3v1<7";
    const std::size_t at = arrows.find(symbol);
    if (at != std::string::npos) return static_cast<std::int32_t>(at) + 1;
    if (symbol == 'o') return outletCode;
    if (symbol == '#') return frameValue;
    return noFlowCode;
}

// Basin sizes and numbers as the run gives them: every cell that reaches an
// outlet counts in the size of each cell on its way and takes the outlet's
// number (outlets numbered in row-major order); cells on or above a loop
// keep size 1 and no number.
Cells cellsOf(const Drawing& drawing) {
    const auto nrows = static_cast<std::int32_t>(drawing.size());
    const auto ncols = static_cast<std::int32_t>(drawing[0].size());
    Cells cells(drawing.size(), std::vector<FlowCell>(drawing[0].size()));
    std::map<std::int64_t, std::int32_t> outletNumber;
    for (std::int32_t r = 0; r < nrows; ++r) {
        for (std::int32_t c = 0; c < ncols; ++c) {
            FlowCell& cell = cells[size_t(r)][size_t(c)];
            cell.dir = codeOf(drawing[size_t(r)][size_t(c)]);
            cell.basinSize = cell.dir == frameValue ? frameValue : cell.dir < 0 ? -9999 : 0;
            cell.riverNum = cell.dir == frameValue ? frameValue : noBasin;
            if (cell.dir == outletCode) {
                outletNumber.emplace(std::int64_t{r} * ncols + c,
                                     static_cast<std::int32_t>(outletNumber.size()) + 1);
            }
        }
    }
    for (std::int32_t r = 0; r < nrows; ++r) {
        for (std::int32_t c = 0; c < ncols; ++c) {
            if (cells[size_t(r)][size_t(c)].dir < 0) continue;
            std::vector<std::pair<std::int32_t, std::int32_t>> path{{r, c}};
            bool left = false;
            while (cells[size_t(path.back().first)][size_t(path.back().second)].dir > 0 &&
                   path.size() <= drawing.size() * drawing[0].size() && !left) {
                const Direction& step = flowDirections
                    [cells[size_t(path.back().first)][size_t(path.back().second)].dir - 1];
                const std::int32_t nr = path.back().first + step.rowOffset;
                const std::int32_t nc = path.back().second + step.colOffset;
                left = nr < 0 || nr >= nrows || nc < 0 || nc >= ncols;
                if (!left) path.push_back({nr, nc});
            }
            const FlowCell& end = cells[size_t(path.back().first)][size_t(path.back().second)];
            if (left || end.dir != outletCode) {
                cells[size_t(r)][size_t(c)].basinSize =
                    std::max(1, cells[size_t(r)][size_t(c)].basinSize);
                continue;
            }
            for (const auto& [pr, pc] : path) ++cells[size_t(pr)][size_t(pc)].basinSize;
            cells[size_t(r)][size_t(c)].riverNum =
                outletNumber.at(std::int64_t{path.back().first} * ncols + path.back().second);
        }
    }
    return cells;
}

StudyArea areaOf(const Cells& cells) {
    return {static_cast<std::int32_t>(cells.size()), static_cast<std::int32_t>(cells[0].size()),
            latNW, lonNW};
}

FlowRowReader rowsOf(const Cells& cells) {
    auto next = std::make_shared<std::size_t>(0);
    return [&cells, next](std::vector<FlowCell>& row) -> std::optional<std::string> {
        row = cells[(*next)++];
        return std::nullopt;
    };
}

RiverNetwork networkOf(const Cells& cells, std::int32_t threshold) {
    RiverNetwork network;
    EXPECT_FALSE(network.build(areaOf(cells), threshold, rowsOf(cells)));
    return network;
}

// One reach as the tests spell it out.
struct Expected {
    std::int32_t row, col;  // first cell
    std::int32_t cells, order, downstream, upstreamCells;
    bool outlet;
};

bool operator==(const Expected& a, const Expected& b) {
    return a.row == b.row && a.col == b.col && a.cells == b.cells && a.order == b.order &&
           a.downstream == b.downstream && a.upstreamCells == b.upstreamCells &&
           a.outlet == b.outlet;
}

std::ostream& operator<<(std::ostream& out, const Expected& r) {
    return out << "{[" << r.row << "][" << r.col << "] cells " << r.cells << " order " << r.order
               << " down " << r.downstream << " upstream " << r.upstreamCells
               << (r.outlet ? " outlet}" : "}");
}

std::vector<Expected> reachesOf(const RiverNetwork& network, std::int32_t ncols) {
    std::vector<Expected> reaches;
    for (const Reach& reach : network.reaches()) {
        reaches.push_back({static_cast<std::int32_t>(reach.firstCell / ncols),
                           static_cast<std::int32_t>(reach.firstCell % ncols), reach.cells,
                           reach.order, reach.downstream, reach.upstreamCells, reach.outlet});
    }
    return reaches;
}

struct TreeCase {
    const char* what;
    Drawing drawing;
    std::int32_t threshold;
    std::vector<Expected> reaches;
};

const TreeCase treeCases[] = {
    {"a lone river, from where the basin size reaches the threshold",
     {".....", ">>>>o", "....."},
     2,
     {{1, 1, 4, 1, 0, 5, true}}},
    {"the threshold reached only at the outlet: a reach of one cell",
     {">>>>o"},
     5,
     {{0, 4, 1, 1, 0, 5, true}}},
    {"a confluence of equal orders",
     {"v...v", "3...1", ".3.1.", "..v..", "..v..", "..o.."},
     1,
     {{0, 0, 3, 1, 3, 3, false}, {0, 4, 3, 1, 3, 3, false}, {3, 2, 3, 2, 0, 9, true}}},
    {"confluences of unequal orders",
     {"v.v.v", ">v<.v", ".v<<<", ".v...", ".o..."},
     1,
     {{0, 0, 2, 1, 4, 2, false},
      {0, 2, 2, 1, 4, 2, false},
      {0, 4, 5, 1, 5, 5, false},
      {1, 1, 1, 2, 5, 5, false},
      {2, 1, 3, 2, 0, 13, true}}},
    {"three reaches meeting at one cell",
     {"3.v.1", ".3v1.", "..v..", "..o.."},
     1,
     {{0, 0, 2, 1, 4, 2, false},
      {0, 2, 2, 1, 4, 2, false},
      {0, 4, 2, 1, 4, 2, false},
      {2, 2, 2, 2, 0, 8, true}}},
    {"a river reaching its outlet on the edge ring",
     {"#####", "#o<<#", "#..^#", "#..^#", "#####"},
     1,
     {{3, 3, 5, 1, 0, 5, true}}},
    {"a loop and the cells above it carry no river",
     {"v....", "><>>o", "....."},
     1,
     {{1, 2, 3, 1, 0, 3, true}}},
    {"two basins, numbered apart",
     {"o<<..", "..>>o"},
     1,
     {{0, 2, 3, 1, 0, 3, true}, {1, 2, 3, 1, 0, 3, true}}},
};

TEST(RiverNetwork, SplitsTreesIntoReachesWithTheirStrahlerOrder) {
    for (const TreeCase& tree : treeCases) {
        SCOPED_TRACE(tree.what);
        const Cells cells = cellsOf(tree.drawing);
        const RiverNetwork network = networkOf(cells, tree.threshold);
        EXPECT_EQ(reachesOf(network, areaOf(cells).ncols), tree.reaches);
    }
}

TEST(RiverNetwork, LinesJoinAndLengthsFollowTheToolsCellLengths) {
    const Cells cells = cellsOf(treeCases[3].drawing);  // confluences of unequal orders
    const RiverNetwork network = networkOf(cells, 1);
    const std::vector<Reach>& reaches = network.reaches();
    for (const Reach& reach : reaches) {
        std::vector<std::int64_t> points;
        network.forEachPoint(reach, [&points](std::int64_t cell) { points.push_back(cell); });
        if (reach.downstream > 0) {
            EXPECT_EQ(points.back(), reaches[size_t(reach.downstream - 1)].firstCell);
        }
        EXPECT_EQ(points.size(), size_t(reach.cells) + (reach.downstream > 0 ? 1 : 0));
    }
    // Reach 3: [0][4] S [1][4] S [2][4] W [2][3] W [2][2] W, then on to [2][1].
    const double eastWest = cellLengthEastWest(cellCentreLat(latNW, 2)) / 1000.0;
    EXPECT_DOUBLE_EQ(reaches[2].lengthKm, 2 * cellLengthNorthSouth / 1000.0 + 3 * eastWest);
    // Reach 1: [0][0] S [1][0], E into [1][1] at the east-west length of row 1.
    EXPECT_DOUBLE_EQ(reaches[0].lengthKm,
                     (cellLengthNorthSouth + cellLengthEastWest(cellCentreLat(latNW, 1))) / 1000.0);
    // Diagonal steps by Pythagoras, with the east-west length of the cell stepped from.
    const RiverNetwork three = networkOf(cellsOf(treeCases[4].drawing), 1);
    const double diagonal = [](std::int32_t row) {
        return std::hypot(cellLengthNorthSouth, cellLengthEastWest(cellCentreLat(latNW, row))) /
               1000.0;
    }(0);
    EXPECT_DOUBLE_EQ(
        three.reaches()[0].lengthKm,
        diagonal +
            std::hypot(cellLengthNorthSouth, cellLengthEastWest(cellCentreLat(latNW, 1))) / 1000.0);
    // The main stem: the longest way from a source, here reach 3 then reach 5.
    EXPECT_DOUBLE_EQ(network.basin(1).mainStemKm, reaches[2].lengthKm + reaches[4].lengthKm);
    EXPECT_EQ(network.basin(1).highestOrder, 2);
    EXPECT_EQ(network.basin(2).highestOrder, 0);
}

TEST(RiverNetwork, AThresholdWithTooManyReachesIsRaisedToTheNextRoundNumber) {
    EXPECT_EQ(
        thresholdLadder(3),
        (std::vector<std::int32_t>{
            3,         5,         10,         20,         50,        100,      200,      500,
            1000,      2000,      5000,       10000,      20000,     50000,    100000,   200000,
            500000,    1000000,   2000000,    5000000,    10000000,  20000000, 50000000, 100000000,
            200000000, 500000000, 1000000000, 2000000000, 2147483647}));
    const std::vector<std::int32_t> ladder{3, 5, 10, 20};
    const RiverThreshold kept = chooseThreshold(ladder, {mostReaches, 10, 5, 1});
    EXPECT_EQ(kept.cells, 3);
    EXPECT_FALSE(kept.raised());
    const RiverThreshold raised = chooseThreshold(ladder, {mostReaches + 1, mostReaches + 1, 7, 1});
    EXPECT_EQ(raised.cells, 10);
    EXPECT_EQ(raised.reachesAsked, mostReaches + 1);
    EXPECT_TRUE(raised.raised());
}

// ---------------------------------------------------------------------------
// Random grids against a cell-by-cell yardstick.

Cells randomCells(std::uint32_t seed, std::int32_t nrows, std::int32_t ncols) {
    std::mt19937 random(seed);
    Drawing drawing(size_t(nrows), std::string(size_t(ncols), '.'));
    const std::string symbols = "^9>3v1<7^9>3v1<7o.";
    for (std::string& row : drawing) {
        for (char& symbol : row) symbol = symbols[random() % symbols.size()];
    }
    return cellsOf(drawing);
}

// Strahler order of every river cell, computed cell by cell from its inflows.
std::vector<std::int32_t> cellOrders(const Cells& cells, std::int32_t threshold) {
    const StudyArea area = areaOf(cells);
    const auto river = [&](std::int32_t r, std::int32_t c) {
        return r >= 0 && r < area.nrows && c >= 0 && c < area.ncols &&
               cells[size_t(r)][size_t(c)].riverNum >= 1 &&
               cells[size_t(r)][size_t(c)].basinSize >= threshold;
    };
    std::vector<std::int32_t> orders(size_t(area.cellCount()), 0);
    std::function<std::int32_t(std::int32_t, std::int32_t)> orderAt = [&](std::int32_t r,
                                                                          std::int32_t c) {
        std::int32_t& order = orders[size_t(r * area.ncols + c)];
        if (order > 0) return order;
        std::int32_t highest = 0, highestCount = 0;
        for (std::int32_t k = 0; k < directionCount; ++k) {
            const std::int32_t fr = r - flowDirections[k].rowOffset;
            const std::int32_t fc = c - flowDirections[k].colOffset;
            if (!river(fr, fc) || cells[size_t(fr)][size_t(fc)].dir != k + 1) continue;
            const std::int32_t in = orderAt(fr, fc);
            if (in > highest) highestCount = 0;
            highest = std::max(highest, in);
            highestCount += in == highest;
        }
        return order = highest == 0 ? 1 : highest + (highestCount >= 2);
    };
    for (std::int32_t r = 0; r < area.nrows; ++r) {
        for (std::int32_t c = 0; c < area.ncols; ++c) {
            if (river(r, c)) orderAt(r, c);
        }
    }
    return orders;
}

// The area of every cell that drains through each cell, itself included,
// each cell by the area of its own row.
std::vector<double> upstreamKm2(const Cells& cells) {
    const StudyArea area = areaOf(cells);
    std::vector<double> km2(size_t(area.cellCount()), 0.0);
    for (std::int32_t r = 0; r < area.nrows; ++r) {
        for (std::int32_t c = 0; c < area.ncols; ++c) {
            if (cells[size_t(r)][size_t(c)].riverNum < 1) continue;
            const double own =
                cellLengthNorthSouth * cellLengthEastWest(cellCentreLat(latNW, r)) / 1e6;
            for (std::int32_t pr = r, pc = c;;) {
                km2[size_t(pr * area.ncols + pc)] += own;
                const std::int32_t dir = cells[size_t(pr)][size_t(pc)].dir;
                if (dir < 1) break;
                pr += flowDirections[dir - 1].rowOffset;
                pc += flowDirections[dir - 1].colOffset;
            }
        }
    }
    return km2;
}

TEST(RiverNetwork, EveryRiverCellIsInOneReachOfItsCellsOrderOnRandomGrids) {
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        const Cells cells = randomCells(seed, 23, 31);
        const StudyArea area = areaOf(cells);
        const std::vector<std::int32_t> ladder = thresholdLadder(1);
        std::vector<std::int64_t> counted;
        ASSERT_FALSE(countReaches(area, ladder, rowsOf(cells), counted));
        for (std::size_t t = 0; t < 5; ++t) {
            const std::int32_t threshold = ladder[t];
            const RiverNetwork network = networkOf(cells, threshold);
            EXPECT_EQ(std::int64_t(network.reaches().size()), counted[t]) << threshold;
            const std::vector<std::int32_t> orders = cellOrders(cells, threshold);
            const std::vector<double> km2 = upstreamKm2(cells);
            std::vector<std::int32_t> reachOf(orders.size(), 0);
            for (const Reach& reach : network.reaches()) {
                const auto number = static_cast<std::int32_t>(&reach - &network.reaches()[0]) + 1;
                std::int32_t own = 0;
                network.forEachPoint(reach, [&](std::int64_t cell) {
                    if (own++ == reach.cells) return;  // the first cell downstream
                    EXPECT_EQ(reachOf[size_t(cell)], 0) << "cell " << cell << " twice";
                    reachOf[size_t(cell)] = number;
                    EXPECT_EQ(orders[size_t(cell)], reach.order) << "cell " << cell;
                });
                const FlowCell& last =
                    cells[size_t(reach.lastCell / area.ncols)][size_t(reach.lastCell % area.ncols)];
                EXPECT_EQ(reach.upstreamCells, last.basinSize);
                EXPECT_NEAR(reach.upstreamKm2, km2[size_t(reach.lastCell)], 1e-9);
                EXPECT_EQ(reach.riverNum, last.riverNum);
                EXPECT_EQ(reach.outlet, last.dir == outletCode);
            }
            for (std::size_t cell = 0; cell < orders.size(); ++cell) {
                EXPECT_EQ(orders[cell] > 0, reachOf[cell] > 0) << "cell " << cell;
            }
        }
    }
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

// Strict enough for the report's files: fails the test on anything else.
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
    bool take(char expected) {
        skipSpace();
        if (at_ < text_.size() && text_[at_] == expected) return ++at_, true;
        return false;
    }
    void expect(char expected) {
        if (!take(expected)) {
            ADD_FAILURE() << "'" << expected << "' expected at " << at_;
            at_ = text_.size();
        }
    }
    bool takeWord(const char* word) {
        skipSpace();
        const std::string w(word);
        if (text_.compare(at_, w.size(), w) != 0) return false;
        at_ += w.size();
        return true;
    }
    std::string parseText() {
        expect('"');
        std::string text;
        while (at_ < text_.size() && text_[at_] != '"') {
            EXPECT_NE(text_[at_], '\\') << "no escapes in the report's texts";
            text += text_[at_++];
        }
        expect('"');
        return text;
    }
    Json parseValue() {
        Json value;
        skipSpace();
        if (take('{')) {
            value.kind = Json::Kind::object;
            if (take('}')) return value;
            do {
                const std::string key = parseText();
                expect(':');
                value.members[key] = parseValue();
            } while (take(','));
            expect('}');
        } else if (take('[')) {
            value.kind = Json::Kind::array;
            if (take(']')) return value;
            do value.items.push_back(parseValue());
            while (take(','));
            expect(']');
        } else if (at_ < text_.size() && text_[at_] == '"') {
            value.kind = Json::Kind::text;
            value.text = parseText();
        } else if (takeWord("true") || takeWord("false")) {
            value.kind = Json::Kind::boolean;
            value.boolean = text_[at_ - 1] == 'e' && text_[at_ - 2] == 'u';
        } else if (takeWord("null")) {
            value.kind = Json::Kind::null;
        } else {
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
    EXPECT_EQ(summary["riverCells"].number, 3.0);
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

}  // namespace
}  // namespace drainPrep::report
