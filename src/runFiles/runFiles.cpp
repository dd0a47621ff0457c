#include "runFiles/runFiles.hpp"

#include <cmath>
#include <sstream>

#include "geometry/clipAreaFile.hpp"
#include "runFiles/asciiGridReader.hpp"
#include "text/numberText.hpp"

namespace drainPrep {

namespace {

std::string missingText(const char* path) {
    return std::string(path) + " is missing: run drainPrep in this folder first, to its end.";
}

std::string cellsText(std::int64_t nrows, std::int64_t ncols) {
    return std::to_string(nrows) + " x " + std::to_string(ncols) + " cells";
}

// The area must lie in the run's own source grid: the fixed pair's, or that
// of the rasters the run was given.
Failure readArea(const std::filesystem::path& folder, const std::optional<SourceRecord>& sources,
                 StudyArea& area) {
    const std::filesystem::path path = folder / clipAreaFile;
    std::error_code notThere;
    if (!std::filesystem::is_regular_file(path, notThere)) {
        return std::string("clipArea.dat is missing: this folder holds no drainPrep run.");
    }
    std::ostringstream echo;  // drainPrep's echo of the values, not shown here
    Failure failure =
        sources ? readStudyArea(path.c_str(), echo, area, sources->frame,
                                "The study area lies outside the source grid of " + sources->dem +
                                    " (" + extentText(sources->frame) + ").")
                : readStudyArea(path.c_str(), echo, area);
    if (failure && !sources && *failure == outsideFixedSourceText &&
        std::filesystem::is_regular_file(folder / sourceRecordFile, notThere)) {
        // The products are newer than the record of a --dem/--dir run, which
        // a later run of the fixed pair leaves behind; so may a copy or a touch.
        *failure += std::string(" ") + sourceRecordFile +
                    ", the record of a run given --dem and --dir, is older than " + outletListFile +
                    ", so the files are taken for a run of the default sources: run drainPrep in "
                    "this folder again.";
    }
    if (failure && failure->rfind(clipAreaFile, 0) != 0) *failure = "clipArea.dat: " + *failure;
    return failure;
}

Failure checkPresence(const std::filesystem::path& folder) {
    std::error_code notThere;
    if (!std::filesystem::is_directory(folder / outputFolder, notThere)) {
        return std::string("output/ is missing: run drainPrep in this folder first.");
    }
    for (const char* path : asciiGridFiles) {
        if (!std::filesystem::is_regular_file(folder / path, notThere)) return missingText(path);
    }
    for (const BinaryGridFile& grid : binaryGridFiles) {
        if (!std::filesystem::is_regular_file(folder / grid.path, notThere)) {
            return missingText(grid.path);
        }
    }
    if (!std::filesystem::is_regular_file(folder / outletListFile, notThere)) {
        return missingText(outletListFile);
    }
    return std::nullopt;
}

Failure checkBinarySize(const std::filesystem::path& folder, const BinaryGridFile& grid,
                        const StudyArea& area) {
    std::error_code unreadable;
    const std::uintmax_t bytes = std::filesystem::file_size(folder / grid.path, unreadable);
    const auto expected = static_cast<std::uintmax_t>(area.cellCount() * grid.elementBytes);
    if (unreadable) return std::string(grid.path) + " cannot be read.";
    if (bytes == expected) return std::nullopt;
    return std::string(grid.path) + " has " + std::to_string(bytes) + " bytes where the " +
           cellsText(area.nrows, area.ncols) + " of clipArea.dat need " + std::to_string(expected) +
           (bytes < expected ? ": the file is cut short." : ": the file is too long.");
}

bool near(double value, double expected, double tolerance) {
    return std::fabs(value - expected) <= tolerance;
}

Failure checkHeader(const std::filesystem::path& folder, const char* path, const StudyArea& area,
                    AsciiGridHeader& header) {
    AsciiGridReader reader;
    if (auto failure = reader.open(folder, path)) return failure;
    header = reader.header();
    if (header.nrows != area.nrows || header.ncols != area.ncols) {
        return std::string(path) + " holds " + cellsText(header.nrows, header.ncols) +
               ", but clipArea.dat describes " + cellsText(area.nrows, area.ncols) + ".";
    }
    // The 30" headers print the six-digit cell size; others the exact one.
    const double cellSize =
        area.lattice == thirtySecondLattice ? cellSizeDeg : cellDegrees(area.lattice);
    const double halfCell = cellSize / 2.0;
    if (!near(header.xllcorner, westEdgeLon(area), halfCell) ||
        !near(header.yllcorner, southEdgeLat(area), halfCell) ||
        !near(header.cellsize, cellSize, cellSize * 1e-7)) {
        // Digits that name a cell of the lattice.
        const int digits = area.lattice == thirtySecondLattice ? 6 : 10;
        const auto degrees = [digits](double value) { return significantText(value, digits); };
        return std::string(path) + " places its south-west corner at " + degrees(header.yllcorner) +
               " N " + degrees(header.xllcorner) + " E with cells of " + degrees(header.cellsize) +
               " degrees, but clipArea.dat gives " + degrees(southEdgeLat(area)) + " N " +
               degrees(westEdgeLon(area)) + " E with cells of " + degrees(cellSize) + " degrees.";
    }
    return std::nullopt;
}

}  // namespace

Failure checkRunFiles(const std::filesystem::path& folder, StudyArea& area, AsciiGridHeader& header,
                      std::optional<SourceRecord>& sources) {
    if (auto failure = readSourceRecord(folder, sources)) return failure;
    if (auto failure = readArea(folder, sources, area)) return failure;
    if (auto failure = checkPresence(folder)) return failure;
    for (const char* path : asciiGridFiles) {
        if (auto failure = checkHeader(folder, path, area, header)) return failure;
    }
    for (const BinaryGridFile& grid : binaryGridFiles) {
        if (auto failure = checkBinarySize(folder, grid, area)) return failure;
    }
    return std::nullopt;
}

}  // namespace drainPrep
