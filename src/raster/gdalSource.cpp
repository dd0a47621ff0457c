#include "raster/gdalSource.hpp"

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <ostream>
#include <vector>

#include "raster/gdalLibrary.hpp"
#include "raster/sourceRasters.hpp"
#include "text/numberText.hpp"

namespace drainPrep {

namespace {

using Failure = std::optional<std::string>;

constexpr double cellDeg = 1.0 / cellsPerDegree;
// A cell size and a corner differ from the 30" lattice only by the rounding
// of the file's georeference, never by a part of a cell.
constexpr double cellSizeTolerance = 1e-6;
constexpr double cornerTolerance = 1e-3;
constexpr double degreeInRadians = 0.0174532925199433;
constexpr std::int32_t int16Lowest = -32768;
constexpr std::int32_t int16Highest = 32767;
constexpr std::int32_t noDataSample = -9999;
// Rows are read in blocks that end at every hundredth source row, where the
// progress text stands.
constexpr std::int64_t rowsPerBlock = 100;

// Where the build put the library.
const char* const gdalLibraryBuilt = DRAINPREP_GDAL_LIBRARY;

// The library beside the running executable.
std::string libraryPathNextToExecutable() {
    std::error_code unknown;
    const std::filesystem::path executable =
        std::filesystem::read_symlink("/proc/self/exe", unknown);
    if (unknown) return {};
    return (executable.parent_path() / gdalLibraryFile).string();
}

const GdalLibraryCalls* loadLibrary(std::string& failure) {
    static const GdalLibraryCalls* calls = nullptr;
    if (calls != nullptr) return calls;
    void* library = nullptr;
    for (const std::string& path : {libraryPathNextToExecutable(), std::string(gdalLibraryBuilt)}) {
        if (!path.empty() && (library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) != nullptr) {
            break;
        }
    }
    const auto entry = library == nullptr ? nullptr
                                          : reinterpret_cast<const GdalLibraryCalls* (*)()>(
                                                dlsym(library, "drainPrepGdalLibraryCalls"));
    if (entry == nullptr) {
        const char* cause = dlerror();
        failure = std::string(gdalLibraryFile) +
                  " cannot be loaded, so no raster can be read "
                  "through GDAL: " +
                  (cause != nullptr ? cause : "it is not beside drainPrep") + ".";
        return nullptr;
    }
    calls = entry();
    return calls;
}

Failure checkCoordinateSystem(const GdalRasterFacts& facts, const std::string& path) {
    if (!facts.hasCoordinateSystem) {
        return path +
               " declares no coordinate system: drainPrep needs latitude and longitude. If that is "
               "what it holds, declare it, for example with gdal_translate -a_srs EPSG:4326.";
    }
    if (!facts.geographic) {
        return path +
               " is in a projected coordinate system: drainPrep needs latitude and longitude, in "
               "which its 30\" cells and D8 directions are defined.";
    }
    if (std::fabs(facts.angularUnitInRadians - degreeInRadians) > 1e-12) {
        return path + " gives its coordinates in an angular unit other than degrees.";
    }
    return std::nullopt;
}

bool nearWhole(double value, double tolerance) {
    return std::fabs(value - std::round(value)) <= tolerance;
}

Failure frameOfTransform(const GdalRasterFacts& facts, const std::string& path,
                         SourceFrame& frame) {
    const double* t = facts.transform;
    if (!facts.hasTransform) {
        return path + " has no georeference: drainPrep needs its corner and cell size.";
    }
    if (t[2] != 0.0 || t[4] != 0.0 || t[1] <= 0.0 || t[5] >= 0.0) {
        return path +
               " is rotated or not north up: drainPrep needs rows from north to south and "
               "columns from west to east.";
    }
    if (std::fabs(t[1] - cellDeg) > cellSizeTolerance * cellDeg ||
        std::fabs(-t[5] - cellDeg) > cellSizeTolerance * cellDeg) {
        return path + " has cells of " + numberText(t[1]) + " x " + numberText(-t[5]) +
               " degrees: drainPrep needs 30 arc-seconds (1/120 degree, 0.00833333).";
    }
    const double westCells = t[0] * cellsPerDegree;
    const double northCells = t[3] * cellsPerDegree;
    if (!nearWhole(westCells, cornerTolerance) || !nearWhole(northCells, cornerTolerance)) {
        return path + " has its north-west corner at " + latitudeText(t[3]) + " " +
               longitudeText(t[0]) +
               ", off the 30\" lattice of whole degrees: its cells are not the cells of a "
               "study area.";
    }
    frame.rows = facts.rows;
    frame.cols = facts.cols;
    frame.northEdgeCells = std::llround(northCells);
    frame.westEdgeCells = std::llround(westCells);
    return std::nullopt;
}

Failure checkBand(const GdalRasterFacts& facts, GdalRaster& raster) {
    if (facts.bandCount < 1) return raster.path + " has no raster band.";
    if (!facts.readsAsReal) {
        return raster.path + " holds " + facts.bandType +
               " values: drainPrep reads integers and floating-point numbers.";
    }
    raster.hasNoData = facts.hasNoData;
    raster.noData = facts.noData;
    return std::nullopt;
}

Failure openRaster(const GdalLibraryCalls& gdal, const std::string& path, GdalRaster& raster) {
    raster.path = path;
    raster.gdal = &gdal;
    GdalRasterFacts facts;
    std::string cause;
    void* dataset = gdal.open(path.c_str(), &facts, &cause);
    if (dataset == nullptr) return path + " cannot be opened as a raster: " + cause;
    raster.dataset.reset(dataset, gdal.close);
    if (auto failure = checkCoordinateSystem(facts, path)) return failure;
    if (auto failure = frameOfTransform(facts, path, raster.frame)) return failure;
    return checkBand(facts, raster);
}

std::string frameText(const SourceFrame& frame) {
    return std::to_string(frame.rows) + " x " + std::to_string(frame.cols) + " cells, " +
           extentText(frame);
}

// Blocks of rows [first, first + count) that end at every hundredth source row.
template <typename VisitBlock>
Failure forEachRowBlock(std::int64_t first, std::int64_t count, const VisitBlock& visitBlock) {
    const std::int64_t end = first + count;
    for (std::int64_t row = first; row < end;) {
        const std::int64_t blockEnd = std::min(end, (row / rowsPerBlock + 1) * rowsPerBlock);
        if (auto failure = visitBlock(row, blockEnd - row)) return failure;
        row = blockEnd;
    }
    return std::nullopt;
}

// Rows [firstRow, firstRow + rowCount) and columns [firstCol, firstCol +
// colCount) of one raster as samples, row after row, into `samples`.
Failure readSamples(const GdalRaster& raster, std::int64_t firstRow, std::int64_t rowCount,
                    std::int64_t firstCol, std::int32_t colCount, std::vector<double>& values,
                    std::vector<std::int32_t>& samples) {
    const auto cells = static_cast<std::size_t>(rowCount) * static_cast<std::size_t>(colCount);
    values.resize(cells);
    samples.resize(cells);
    std::string cause;
    if (!raster.gdal->read(raster.dataset.get(), static_cast<std::int32_t>(firstRow),
                           static_cast<std::int32_t>(firstCol), static_cast<std::int32_t>(rowCount),
                           colCount, values.data(), &cause)) {
        return raster.path + " cannot be read: " + cause;
    }
    for (std::size_t i = 0; i < cells; ++i) {
        const std::optional<std::int32_t> sample =
            sampleOfValue(values[i], raster.hasNoData, raster.noData);
        if (!sample) {
            const auto row = firstRow + static_cast<std::int64_t>(i / std::size_t(colCount));
            const auto col = firstCol + static_cast<std::int64_t>(i % std::size_t(colCount));
            return raster.path + " holds the value " + numberText(values[i]) + " at row " +
                   std::to_string(row) + ", column " + std::to_string(col) +
                   " (0-based), which does not fit a signed 16-bit integer.";
        }
        samples[i] = *sample;
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::int32_t> sampleOfValue(double value, bool hasNoData, double noData) {
    if (std::isnan(value) || (hasNoData && value == noData)) return noDataSample;
    const double whole = std::round(value);
    if (!(whole >= int16Lowest && whole <= int16Highest)) return std::nullopt;
    return static_cast<std::int32_t>(whole);
}

std::optional<std::string> openGdalSources(const SourcePaths& paths, GdalSourcePair& pair) {
    std::string notLoaded;
    const GdalLibraryCalls* gdal = loadLibrary(notLoaded);
    if (gdal == nullptr) return notLoaded;
    if (auto failure = openRaster(*gdal, paths.dem, pair.dem)) return failure;
    if (auto failure = openRaster(*gdal, paths.directions, pair.directions)) return failure;
    if (pair.dem.frame != pair.directions.frame) {
        return pair.directions.path + " (" + frameText(pair.directions.frame) +
               ") does not cover the cells of " + pair.dem.path + " (" + frameText(pair.dem.frame) +
               "): the DEM and the flow directions must be of identical size and georeference.";
    }
    return std::nullopt;
}

std::optional<std::string> readGdalSourceWindow(const StudyArea& area, GdalSourcePair& pair,
                                                std::ostream& console, IntGrid& dem,
                                                IntGrid& directions) {
    dem = IntGrid(area.nrows, area.ncols);
    directions = IntGrid(area.nrows, area.ncols);
    const ClipOffsets offsets = offsetsInFrame(area, pair.frame());
    console << "2) Reading topography data." << std::endl;

    std::vector<double> values;
    std::vector<std::int32_t> samples;
    const auto keep = [&](const GdalRaster& raster, std::int64_t firstRow, std::int64_t rowCount,
                          IntGrid& grid) -> Failure {
        if (auto failure = readSamples(raster, firstRow, rowCount, offsets.colOffset, area.ncols,
                                       values, samples)) {
            return failure;
        }
        auto sample = samples.begin();
        for (std::int64_t row = firstRow; row < firstRow + rowCount; ++row, sample += area.ncols) {
            std::copy_n(sample, area.ncols,
                        grid[static_cast<std::int32_t>(row - offsets.rowOffset)]);
        }
        return std::nullopt;
    };
    return forEachRowBlock(offsets.rowOffset, area.nrows,
                           [&](std::int64_t firstRow, std::int64_t rowCount) -> Failure {
                               printSourceProgress(console, static_cast<std::int32_t>(firstRow),
                                                   pair.frame().rows);
                               if (auto failure = keep(pair.dem, firstRow, rowCount, dem))
                                   return failure;
                               return keep(pair.directions, firstRow, rowCount, directions);
                           });
}

std::optional<std::string> streamGdalRows(GdalSourcePair& pair, const GdalRowVisit& visit) {
    const std::int32_t cols = pair.frame().cols;
    std::vector<double> values;
    std::vector<std::int32_t> demSamples;
    std::vector<std::int32_t> directionSamples;
    return forEachRowBlock(
        0, pair.frame().rows, [&](std::int64_t firstRow, std::int64_t rowCount) -> Failure {
            if (auto failure =
                    readSamples(pair.dem, firstRow, rowCount, 0, cols, values, demSamples)) {
                return failure;
            }
            if (auto failure = readSamples(pair.directions, firstRow, rowCount, 0, cols, values,
                                           directionSamples)) {
                return failure;
            }
            for (std::int64_t i = 0; i < rowCount; ++i) {
                const auto start = static_cast<std::size_t>(i) * static_cast<std::size_t>(cols);
                visit(static_cast<std::int32_t>(firstRow + i), &demSamples[start],
                      &directionSamples[start]);
            }
            return std::nullopt;
        });
}

}  // namespace drainPrep
