#include "raster/sourceRasters.hpp"

#include <filesystem>
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

// Anything but a regular file (a folder, a pipe that would block) counts as
// not openable.
Failure openChecked(const std::string& folder, const SourceRaster& raster, OpenFile& file) {
    const std::string path = folder + "/" + raster.fileName;
    std::error_code notRegular;
    if (std::filesystem::is_regular_file(path, notRegular)) {
        file.reset(std::fopen(path.c_str(), "rb"));
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

bool readBlock(std::vector<unsigned char>& block, std::FILE* file) {
    return std::fread(block.data(), 1, block.size(), file) == block.size();
}

// The window's columns of one source row, widened into the grid row.
void keepWindow(const unsigned char* sourceRow, std::int64_t colOffset, std::int32_t ncols,
                std::int32_t* gridRow) {
    const unsigned char* sample = sourceRow + colOffset * 2;
    for (std::int32_t col = 0; col < ncols; ++col, sample += 2) {
        gridRow[col] = sampleFromBytes(sample[0], sample[1]);
    }
}

}  // namespace

void printSourceProgress(std::ostream& console, std::int32_t row, std::int32_t sourceRowCount) {
    console << "  reading " + std::to_string(row) + "/" + std::to_string(sourceRowCount) +
                   "th row data.\r";
}

Failure openSourceRasters(const std::string& folder, SourceRasterFiles& files) {
    if (auto failure = openChecked(folder, demRaster, files.dem)) return failure;
    return openChecked(folder, directionRaster, files.directions);
}

// Both files are streamed in step, a few rows at a time.
Failure streamSourceRows(SourceRasterFiles& files, const SourceRowVisit& visit,
                         std::ostream* progressConsole) {
    std::vector<unsigned char> demBlock(sourceRowBytes * rowsPerRead);
    std::vector<unsigned char> directionBlock(sourceRowBytes * rowsPerRead);
    for (std::int32_t blockRow = 0; blockRow < sourceRows; blockRow += rowsPerRead) {
        if (progressConsole != nullptr && blockRow % rowsPerProgressText == 0) {
            printSourceProgress(*progressConsole, blockRow, sourceRows);
        }
        if (!readBlock(demBlock, files.dem.get())) {
            return std::string(demRaster.name) + " cannot be read.";
        }
        if (!readBlock(directionBlock, files.directions.get())) {
            return std::string(directionRaster.name) + " cannot be read.";
        }
        for (std::int32_t row = 0; row < rowsPerRead; ++row) {
            const std::size_t rowStart = static_cast<std::size_t>(row) * sourceRowBytes;
            visit(blockRow + row, &demBlock[rowStart], &directionBlock[rowStart]);
        }
    }
    return std::nullopt;
}

Failure readSourceBlock(SourceRasterFiles& files, const CellWindow& window,
                        std::vector<std::int32_t>& dem, std::vector<std::int32_t>& directions) {
    std::vector<unsigned char> row(static_cast<std::size_t>(window.cols) * 2);
    const auto readRaster = [&](std::FILE* file, const SourceRaster& raster,
                                std::vector<std::int32_t>& samples) -> Failure {
        samples.resize(static_cast<std::size_t>(window.rows) * row.size() / 2);
        for (std::int32_t r = 0; r < window.rows; ++r) {
            const std::int64_t offset =
                (std::int64_t{window.first.row + r} * sourceCols + window.first.col) * 2;
            if (std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0 ||
                !readBlock(row, file)) {
                return std::string(raster.name) + " cannot be read.";
            }
            keepWindow(
                row.data(), 0, window.cols,
                &samples[static_cast<std::size_t>(r) * static_cast<std::size_t>(window.cols)]);
        }
        return std::nullopt;
    };
    if (auto failure = readRaster(files.dem.get(), demRaster, dem)) return failure;
    return readRaster(files.directions.get(), directionRaster, directions);
}

Failure readSourceRasters(const StudyArea& area, std::ostream& console, IntGrid& dem,
                          IntGrid& directions) {
    dem = IntGrid(area.nrows, area.ncols);
    directions = IntGrid(area.nrows, area.ncols);

    SourceRasterFiles files;
    if (auto failure = openSourceRasters(sourceRasterFolder, files)) return failure;
    const ClipOffsets offsets = clipOffsets(area);
    console << "2) Reading topography data." << std::endl;

    const auto keepAreaRows = [&](std::int32_t row, const unsigned char* demRow,
                                  const unsigned char* directionRow) {
        const std::int64_t areaRow = row - offsets.rowOffset;
        if (areaRow < 0 || areaRow >= area.nrows) return;
        const auto gridRow = static_cast<std::int32_t>(areaRow);
        keepWindow(demRow, offsets.colOffset, area.ncols, dem[gridRow]);
        keepWindow(directionRow, offsets.colOffset, area.ncols, directions[gridRow]);
    };
    return streamSourceRows(files, keepAreaRows, &console);
}

}  // namespace drainPrep
