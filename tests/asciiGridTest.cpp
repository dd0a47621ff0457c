#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <utility>

#include "output/asciiGrid.hpp"
#include "output/binaryGrid.hpp"
#include "support/runDirectory.hpp"

namespace drainPrep {
namespace {

using testing::RunDirectory;

// Two rows of three values at 40N 100E; negative values keep their sign.
double sampleValue(std::int32_t row, std::int32_t col) { return row * 10.5 - col * 100.0; }

struct Written {
    std::optional<std::string> failure;
    std::string console;
    std::string content;
};

template <typename ValueAt>
Written writeGrid(const RunDirectory& directory, AsciiLayout layout, double nodata,
                  ValueAt valueAt) {
    const std::string path = (directory.path() / "grid.asc").string();
    Written written;
    std::ostringstream console;
    written.failure = writeAsciiGrid({path.c_str(), "grid.asc cannot open\n"},
                                     headerFor({2, 3, 40, 100}, nodata), layout, console, valueAt);
    written.console = console.str();
    if (std::filesystem::is_regular_file(directory.path() / "grid.asc")) {
        written.content = directory.readFile("grid.asc");
    }
    return written;
}

TEST(AsciiGrid, PreviewLayoutEndsEveryLine) {
    RunDirectory directory;
    const Written written = writeGrid(directory, AsciiLayout::preview, -9999.0, sampleValue);
    EXPECT_EQ(written.failure, std::nullopt);
    EXPECT_EQ(written.content,
              "ncols 3\nnrows 2\nxllcorner 100\nyllcorner 39.9833\ncellsize 0.00833333\n"
              "NODATA_value -9999\n 0 -100 -200\n 10.5 -89.5 -189.5\n");
    EXPECT_EQ(written.console,
              "  Writing " + (directory.path() / "grid.asc").string() + " done.\n");
}

TEST(AsciiGrid, ProductLayoutStartsRowsWithTheLineEndAndHasNoFinalOne) {
    RunDirectory directory;
    const Written written = writeGrid(directory, AsciiLayout::product, -1.0,
                                      [](std::int32_t row, std::int32_t col) { return row - col; });
    EXPECT_EQ(written.content,
              "ncols 3\nnrows 2\nxllcorner 100\nyllcorner 39.9833\ncellsize 0.00833333\n"
              "NODATA_value -1\n 0 -1 -2\n 1 0 -1");
}

TEST(AsciiGrid, ExistingFileIsOverwritten) {
    RunDirectory directory;
    directory.writeFile("grid.asc", std::string(10000, 'Q'));
    const Written written = writeGrid(directory, AsciiLayout::product, -1.0,
                                      [](std::int32_t, std::int32_t) { return 7; });
    EXPECT_EQ(written.content.find('Q'), std::string::npos);
}

TEST(AsciiGrid, UnopenableFileGivesItsOwnTextAndWritesNothing) {
    RunDirectory directory;
    std::filesystem::create_directory(directory.path() / "grid.asc");
    std::ostringstream console;
    const std::string path = (directory.path() / "grid.asc").string();
    EXPECT_EQ(
        writeAsciiGrid({path.c_str(), "grid.asc cannot open\n"}, headerFor({1, 1, 0, 100}, 0),
                       AsciiLayout::preview, console, [](std::int32_t, std::int32_t) { return 1; }),
        "grid.asc cannot open\n");
    EXPECT_EQ(console.str(), "");
}

TEST(AsciiGrid, FullDiskIsReportedInsteadOfDone) {
    RunDirectory directory;
    std::filesystem::create_symlink("/dev/full", directory.path() / "grid.asc");
    const Written written = writeGrid(directory, AsciiLayout::preview, -9999.0, sampleValue);
    EXPECT_EQ(written.failure,
              "  Writing " + (directory.path() / "grid.asc").string() + " failed.");
    EXPECT_EQ(written.console, "");
    EXPECT_FALSE(std::filesystem::is_symlink(directory.path() / "grid.asc"));
}

// One of the output calls replaced by a failing one for the life of a test.
class FailingCall {
public:
    enum Which { write, flush, close };
    explicit FailingCall(Which which) : standard_(outputCalls) {
        if (which == write) {
            outputCalls.write = [](const void*, std::size_t, std::size_t, std::FILE*) {
                return std::size_t{0};
            };
        } else if (which == flush) {
            outputCalls.flush = [](std::FILE*) { return EOF; };
        } else {
            outputCalls.close = [](std::FILE* file) {
                std::fclose(file);
                return EOF;
            };
        }
    }
    ~FailingCall() { outputCalls = standard_; }

private:
    OutputCalls standard_;
};

// A file whose last bytes may not have reached the disk is reported and
// removed, whichever call failed; the line before a close has been printed.
TEST(AsciiGrid, FailingWriteFlushOrCloseIsReportedAndTheFileRemoved) {
    for (const auto& [which, call] : {std::pair{FailingCall::write, "write"},
                                      {FailingCall::flush, "flush"},
                                      {FailingCall::close, "close"}}) {
        RunDirectory directory;
        const std::string path = (directory.path() / "grid.asc").string();
        const FailingCall failing(which);
        const Written written = writeGrid(directory, AsciiLayout::preview, -9999.0, sampleValue);
        EXPECT_EQ(written.failure, "  Writing " + path + " failed.") << call;
        EXPECT_EQ(written.console,
                  which == FailingCall::close ? "  Writing " + path + " done.\n" : "")
            << call;
        EXPECT_FALSE(directory.exists("grid.asc")) << call;
    }
}

TEST(BinaryGrid, LittleEndianElementsRowMajor) {
    RunDirectory directory;
    const std::string path = (directory.path() / "grid.bin").string();
    std::ostringstream console;
    ASSERT_EQ(writeBinaryGrid(
                  {path.c_str(), "grid.bin cannot open."}, Announcement::writingOnly, 1, 2, console,
                  [](std::int32_t, std::int32_t col) { return col == 0 ? -9999 : 258; }),
              std::nullopt);
    EXPECT_EQ(directory.readFile("grid.bin"), std::string("\xF1\xD8\xFF\xFF\x02\x01\x00\x00", 8));
    EXPECT_EQ(console.str(), "  Writing " + path + "\n");

    ASSERT_EQ(writeBinaryGrid({path.c_str(), "grid.bin cannot open."}, Announcement::writingDone, 1,
                              1, console, [](std::int32_t, std::int32_t) { return -2.0; }),
              std::nullopt);
    EXPECT_EQ(directory.readFile("grid.bin"), std::string("\0\0\0\0\0\0\0\xC0", 8));
}

TEST(BinaryGrid, ManyBufferFillsKeepEveryElement) {
    RunDirectory directory;
    const std::string path = (directory.path() / "grid.bin").string();
    std::ostringstream console;
    const std::int32_t nrows = 700;
    const std::int32_t ncols = 900;  // 5 MB of doubles: several buffer drains
    ASSERT_EQ(
        writeBinaryGrid({path.c_str(), ""}, Announcement::writingDone, nrows, ncols, console,
                        [](std::int32_t row, std::int32_t col) { return row * 1000.0 + col; }),
        std::nullopt);
    const std::string content = directory.readFile("grid.bin");
    ASSERT_EQ(content.size(), std::size_t{nrows} * ncols * 8);
    double last = 0;
    std::memcpy(&last, content.data() + content.size() - 8, 8);
    EXPECT_EQ(last, 699899.0);
}

}  // namespace
}  // namespace drainPrep
