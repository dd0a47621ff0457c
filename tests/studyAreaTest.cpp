#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <sstream>
#include <string>
#include <utility>

#include "geometry/clipAreaFile.hpp"
#include "geometry/studyArea.hpp"
#include "output/asciiGrid.hpp"
#include "support/runDirectory.hpp"
#include "text/wholeNumber.hpp"

namespace drainPrep {
namespace {

TEST(StudyAreaGeometry, CellSizeIsTheSixDigitDecimalNotOneOver120) {
    const std::uint64_t expectedBits = 0x3F8111109E88C1B0;
    std::uint64_t bits = 0;
    std::memcpy(&bits, &cellSizeDeg, sizeof bits);
    EXPECT_EQ(bits, expectedBits);
}

TEST(StudyAreaGeometry, OffsetsOfWholeDegreeCorners) {
    struct Case {
        std::int32_t latNW, lonNW;
        std::int64_t rowOffset, colOffset;
    };
    for (const Case& c : {Case{60, 55, 0, 0}, Case{50, 100, 1200, 5400}, Case{36, 139, 2880, 10080},
                          Case{-9, 179, 8280, 14880}, Case{-5, 100, 7800, 5400}}) {
        const ClipOffsets offsets = clipOffsets({1, 1, c.latNW, c.lonNW});
        EXPECT_EQ(offsets.rowOffset, c.rowOffset) << c.latNW;
        EXPECT_EQ(offsets.colOffset, c.colOffset) << c.lonNW;
    }
}

TEST(StudyAreaGeometry, CornerNorthOf60TruncatesTowardZero) {
    EXPECT_EQ(clipOffsets({1, 1, 61, 55}).rowOffset, -119);
}

TEST(StudyAreaGeometry, SouthEdgeAtExactly120RowsPerDegree) {
    EXPECT_EQ(southEdgeLat({600, 1, 36, 139}), 31.0);
    EXPECT_EQ(numberText(southEdgeLat({601, 1, 36, 139})), "30.9917");
    EXPECT_EQ(numberText(southEdgeLat({120, 1, -5, 100})), "-6");
    EXPECT_EQ(numberText(southEdgeLat({600, 1, 40, 1})), "35");
    EXPECT_EQ(numberText(southEdgeLat({100, 1, 40, 1})), "39.1667");
    EXPECT_EQ(numberText(southEdgeLat({1, 1, 40, 1})), "39.9917");
}

TEST(StudyAreaGeometry, HeaderValuesOfA601By900Area) {
    const AsciiGridHeader header = headerFor({601, 900, 36, 139}, -9999.0);
    EXPECT_EQ(header.ncols, 900);
    EXPECT_EQ(header.nrows, 601);
    EXPECT_EQ(numberText(header.xllcorner), "139");
    EXPECT_EQ(numberText(header.yllcorner), "30.9917");
    EXPECT_EQ(numberText(header.cellsize), "0.00833333");
}

TEST(ClipAreaFile, WholeNumbersOnly) {
    EXPECT_EQ(parseWholeNumber("600"), 600);
    EXPECT_EQ(parseWholeNumber("+36"), 36);
    EXPECT_EQ(parseWholeNumber("-5"), -5);
    EXPECT_EQ(parseWholeNumber("2147483647"), 2147483647);
    EXPECT_EQ(parseWholeNumber("-2147483648"), -2147483647 - 1);
    for (const char* bad : {"", "36.5", "abc", "600,", "99999999999", "2147483648", "+", "-",
                            "+-5", "-+5", "--5", "5-", "0x10", " 5"}) {
        EXPECT_EQ(parseWholeNumber(bad), std::nullopt) << '"' << bad << '"';
    }
}

struct ReadResult {
    std::optional<std::string> failure;
    StudyArea area;
    std::string echo;
};

ReadResult readFrom(const std::string& content) {
    testing::RunDirectory directory;
    directory.writeFile("clipArea.dat", content);
    ReadResult result;
    std::ostringstream console;
    const std::string path = (directory.path() / "clipArea.dat").string();
    result.failure = readStudyArea(path.c_str(), console, result.area);
    result.echo = console.str();
    return result;
}

const char* const fourEchoes =
    "  Number of row : 600\n"
    "  Number of column : 900\n"
    "  Latitude (degree) of North West corner : 36\n"
    "  Longitude (degree) of North West corner : 139\n";

TEST(ClipAreaFile, LayoutIsFree) {
    for (const char* content : {"600 900 36 139", "600\n900\n36\n139\n", "\t600  900\r\n36 139 x"}) {
        const ReadResult result = readFrom(content);
        EXPECT_EQ(result.failure, std::nullopt);
        EXPECT_EQ(result.echo, fourEchoes);
        EXPECT_EQ(result.area.nrows, 600);
        EXPECT_EQ(result.area.ncols, 900);
        EXPECT_EQ(result.area.latNW, 36);
        EXPECT_EQ(result.area.lonNW, 139);
    }
}

TEST(ClipAreaFile, EchoStopsAtTheFirstBadToken) {
    const ReadResult result = readFrom("600 900 36.5 139");
    EXPECT_EQ(result.failure,
              "clipArea.dat must hold four whole numbers: rows, columns, latitude and longitude.");
    EXPECT_EQ(result.echo, "  Number of row : 600\n  Number of column : 900\n");
}

TEST(ClipAreaFile, TooFewValues) {
    EXPECT_NE(readFrom("600 900 36").failure, std::nullopt);
    EXPECT_NE(readFrom("").failure, std::nullopt);
}

// Each rule at its bound from both sides, for rows and for columns.
TEST(ClipAreaFile, EveryBoundOfTheAreaOnBothSidesInBothDimensions) {
    const std::optional<std::string> accepted;
    const std::optional<std::string> empty =
        "The study area needs at least one row and one column.";
    const std::optional<std::string> outside = "The study area lies outside the source grid.";
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        // At least one row and one column, checked before the place.
        {"1 1 60 55", accepted}, {"0 1 60 55", empty}, {"1 0 60 55", empty},
        {"-1 900 36 139", empty}, {"900 -1 36 139", empty}, {"5 -1 99 139", empty},
        // The north and west edges: a corner at 60N 55E at most.
        {"1 1 61 55", outside}, {"1 1 60 54", outside},
        // The south and east edges, reached from either corner.
        {"8400 15000 60 55", accepted}, {"1 15000 60 55", accepted},
        {"8401 1 60 55", outside}, {"1 15001 60 55", outside},
        {"120 120 -9 179", accepted}, {"121 1 -9 55", outside}, {"1 121 60 179", outside},
        {"1 1 -10 55", outside}, {"1 1 60 180", outside},
        // Far outside, where 32-bit sums would overflow.
        {"1 1 -2000000000 55", outside}, {"1 1 2147483647 -2147483648", outside},
        {"2147483647 2147483647 60 55", outside}};
    for (const auto& [content, failure] : cases) {
        EXPECT_EQ(readFrom(content).failure, failure) << content;
    }
}

TEST(ClipAreaFile, MissingFile) {
    StudyArea area;
    std::ostringstream console;
    EXPECT_EQ(readStudyArea("/nonexistent/clipArea.dat", console, area),
              "clipArea.dat cannot open.");
    EXPECT_EQ(console.str(), "");
}

}  // namespace
}  // namespace drainPrep
