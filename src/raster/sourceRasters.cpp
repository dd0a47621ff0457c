#include "raster/sourceRasters.hpp"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <ostream>
#include <vector>

namespace drainPrep {

namespace {

constexpr std::int32_t rowsPerProgressText = 100;
// 120 KB per read call: few calls, and the data read is still in cache when
// the window is taken out of it.
constexpr std::int32_t rowsPerRead = 4;
static_assert(rowsPerProgressText % rowsPerRead == 0 && sourceRows % rowsPerRead == 0,
              "progress texts fall on the first row of a read");
constexpr std::size_t sourceRowBytes = std::size_t{sourceCols} * 2;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using OpenFile = std::unique_ptr<std::FILE, FileCloser>;

// Anything but a regular file (a folder, a pipe that would block) counts as
// not openable.
std::optional<std::string> openChecked(const SourceRaster& raster, OpenFile& file) {
    std::error_code notRegular;
    if (std::filesystem::is_regular_file(raster.path, notRegular)) {
        file.reset(std::fopen(raster.path, "rb"));
    }
    if (!file) return std::string(raster.name) + " cannot open.";
    std::int64_t size = -1;
    if (std::fseek(file.get(), 0, SEEK_END) == 0) size = std::ftell(file.get());
    std::rewind(file.get());
    if (size != sourceRasterBytes) {
        return std::string(raster.name) + " has " + std::to_string(size) + " bytes instead of " +
               std::to_string(sourceRasterBytes) + ".";
    }
    return std::nullopt;
}

// The window's columns of one source row, widened into the grid row.
void keepWindow(const unsigned char* sourceRow, std::int64_t colOffset, std::int32_t ncols,
                std::int32_t* gridRow) {
    const unsigned char* sample = sourceRow + colOffset * 2;
    for (std::int32_t col = 0; col < ncols; ++col, sample += 2) {
        gridRow[col] = sampleFromBytes(sample[0], sample[1]);
    }
}

void printProgress(std::ostream& console, std::int32_t row) {
    console << "  reading " + std::to_string(row) + "/" + std::to_string(sourceRows) +
                   "th row data.\r";
}

}  // namespace

std::optional<std::string> readSourceRasters(const StudyArea& area, std::ostream& console,
                                             IntGrid& dem, IntGrid& directions) {
    dem = IntGrid(area.nrows, area.ncols);
    directions = IntGrid(area.nrows, area.ncols);

    OpenFile demFile;
    OpenFile directionFile;
    if (auto failure = openChecked(demRaster, demFile)) return failure;
    if (auto failure = openChecked(directionRaster, directionFile)) return failure;
    const ClipOffsets offsets = clipOffsets(area);
    console << "2) Reading topography data." << std::endl;

    // Both files are streamed in step, a few rows at a time.
    const std::size_t blockBytes = sourceRowBytes * rowsPerRead;
    std::vector<unsigned char> demBlock(blockBytes);
    std::vector<unsigned char> directionBlock(blockBytes);
    for (std::int32_t blockRow = 0; blockRow < sourceRows; blockRow += rowsPerRead) {
        if (blockRow % rowsPerProgressText == 0) printProgress(console, blockRow);
        if (std::fread(demBlock.data(), 1, blockBytes, demFile.get()) != blockBytes) {
            return std::string(demRaster.name) + " cannot be read.";
        }
        if (std::fread(directionBlock.data(), 1, blockBytes, directionFile.get()) != blockBytes) {
            return std::string(directionRaster.name) + " cannot be read.";
        }
        for (std::int32_t row = blockRow; row < blockRow + rowsPerRead; ++row) {
            const std::int64_t areaRow = row - offsets.rowOffset;
            if (areaRow < 0 || areaRow >= area.nrows) continue;
            const std::size_t rowStart = static_cast<std::size_t>(row - blockRow) * sourceRowBytes;
            const auto gridRow = static_cast<std::int32_t>(areaRow);
            keepWindow(&demBlock[rowStart], offsets.colOffset, area.ncols, dem[gridRow]);
            keepWindow(&directionBlock[rowStart], offsets.colOffset, area.ncols,
                       directions[gridRow]);
        }
    }
    demFile.reset();
    directionFile.reset();
    return std::nullopt;
}

}  // namespace drainPrep
