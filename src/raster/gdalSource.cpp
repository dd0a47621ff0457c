#include "raster/gdalSource.hpp"

#include <dlfcn.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <limits>
#include <ostream>
#include <vector>

#include "raster/gdalLibrary.hpp"
#include "raster/gdalGridCalls.hpp"
#include "raster/sourceRasters.hpp"
#include "text/numberText.hpp"

namespace drainPrep {

namespace {

// A cell size and a corner differ from a lattice only by the rounding of the
// file's georeference, never by a part of a cell.
constexpr double cellSizeTolerance = 1e-6;
constexpr double cornerTolerance = 1e-3;
constexpr double degreeInRadians = 0.0174532925199433;
constexpr std::int32_t int16Lowest = -32768;
constexpr std::int32_t int16Highest = 32767;
constexpr std::int32_t noDataSample = -9999;
// Rows are read in blocks that end at every hundredth source row, where the
// progress text stands.
constexpr std::int64_t rowsPerBlock = 100;

// The running executable; empty where the system does not tell.
std::filesystem::path runningExecutable() {
    std::error_code unknown;
    return std::filesystem::read_symlink("/proc/self/exe", unknown);
}

// The one library ever taken: any other place (the build's folder, one that
// anyone may write to) could hold anyone's library.
std::string libraryBeside(const std::filesystem::path& executable) {
    return (executable.parent_path() / gdalLibraryFile).string();
}

std::string notLoadedText(const std::string& path, const std::string& cause) {
    return path + " cannot be loaded, so no raster can be read through GDAL: " + cause + ".";
}

std::string errnoText() { return std::strerror(errno); }

// Loading runs the library's constructors with the user's rights, before its
// version can be checked: it is taken only when none but root or the
// executable's owner could have put it there or changed it.
std::optional<std::string> distrustText(const struct stat& library, const struct stat& executable) {
    if (library.st_uid != 0 && library.st_uid != executable.st_uid) {
        return "it belongs to user " + std::to_string(library.st_uid) +
               ", neither root nor the owner of the executable (user " +
               std::to_string(executable.st_uid) + "), so anyone might have put it there";
    }
    if ((library.st_mode & S_IWOTH) != 0) {
        return std::string(
            "every user may write to it, so anyone might have changed it; let only its owner "
            "write to it (chmod o-w)");
    }
    return std::nullopt;
}

Failure trustFailure(const std::string& library, const std::string& executable) {
    struct stat libraryStatus {};
    struct stat executableStatus {};
    if (::stat(library.c_str(), &libraryStatus) != 0) {
        return notLoadedText(library, errno == ENOENT
                                          ? "there is no such file; only the library beside the "
                                            "executable is taken, so copy or install the two "
                                            "together"
                                          : errnoText());
    }
    if (::stat(executable.c_str(), &executableStatus) != 0) {
        return notLoadedText(library, executable + ": " + errnoText());
    }
    if (auto distrust = distrustText(libraryStatus, executableStatus)) {
        return notLoadedText(library, *distrust);
    }
    return std::nullopt;
}

std::string dlerrorText() {
    const char* cause = dlerror();
    return cause != nullptr ? cause : "the system gives no reason";
}

// A library of another build is refused by name rather than called.
Failure versionFailure(void* library, const std::string& path) {
    const auto version =
        reinterpret_cast<std::uint32_t (*)()>(dlsym(library, "drainPrepGdalLibraryVersion"));
    if (version != nullptr && version() == gdalLibraryVersion) return std::nullopt;
    return notLoadedText(
        path, "it is of another version (" +
                  (version == nullptr ? std::string("none") : std::to_string(version())) +
                  ") than drainPrep's (" + std::to_string(gdalLibraryVersion) +
                  "); install the two from the same build");
}

Failure loadLibrary(const GdalLibraryCalls*& calls) {
    static const GdalLibraryCalls* loaded = nullptr;
    if (loaded == nullptr) {
        void* library = nullptr;
        if (auto failure = loadGdalModule(library)) return failure;
        const auto entry = reinterpret_cast<const GdalLibraryCalls* (*)()>(
            dlsym(library, "drainPrepGdalLibraryCalls"));
        if (entry == nullptr) {
            return notLoadedText(libraryBeside(runningExecutable()), dlerrorText());
        }
        loaded = entry();
    }
    calls = loaded;
    return std::nullopt;
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
    if (facts.primeMeridianDegrees != 0.0) {
        return path + " counts its longitudes from the prime meridian of " + facts.primeMeridian +
               ", " + longitudeText(facts.primeMeridianDegrees) +
               " of Greenwich: drainPrep needs longitudes from Greenwich.";
    }
    return std::nullopt;
}

// WGS 84, which the products' sidecars declare, and the two datums within a
// few metres of it, far less than a 30" cell: their ensembles and each of
// their realizations, by the start of the name GDAL gives them in lower-case
// letters and digits.
const char* const datumsTakenAsWgs84[] = {"wgs1984",
                                          "worldgeodeticsystem1984",
                                          "northamericandatum1983",
                                          "northamericandatumof1983",
                                          "nad83",
                                          "europeanterrestrialreferencesystem1989",
                                          "europeanterrestrialreferenceframe",
                                          "etrf"};

std::string lettersAndDigits(const std::string& name) {
    std::string kept;
    for (const char c : name) {
        const auto letter = static_cast<unsigned char>(c);
        if (std::isalnum(letter) != 0) kept += static_cast<char>(std::tolower(letter));
    }
    return kept;
}

bool takenAsWgs84(const std::string& datum) {
    const std::string name = lettersAndDigits(datum);
    return std::any_of(std::begin(datumsTakenAsWgs84), std::end(datumsTakenAsWgs84),
                       [&name](const char* start) { return name.rfind(start, 0) == 0; });
}

// Another datum puts the same latitude and longitude up to hundreds of
// metres elsewhere, and the products would call its cells WGS 84.
Failure checkDatum(const GdalRasterFacts& facts, const std::string& path) {
    if (takenAsWgs84(facts.datum)) return std::nullopt;
    std::string name = facts.datum;
    std::replace(name.begin(), name.end(), '_', ' ');
    return path + " is on the datum " + name +
           ": drainPrep needs latitude and longitude on WGS 84, which its products declare "
           "(NAD83 and ETRS89, within a few metres of it, are taken as it). Warp it to WGS 84 "
           "on 30\" cells, for example with gdalwarp -t_srs EPSG:4326 -tr 0.0083333333333333332 "
           "0.0083333333333333332 -tap.";
}

bool nearWhole(double value, double tolerance) {
    return std::fabs(value - std::round(value)) <= tolerance;
}

// Cells per degree of a cell side, when 1/n degree for a whole n.
std::optional<std::int32_t> wholeCellsPerDegree(double side) {
    const double perDegree = std::round(1.0 / side);
    if (!(perDegree >= 1 && perDegree <= 1e9)) return std::nullopt;
    if (std::fabs(side * perDegree - 1.0) > cellSizeTolerance) return std::nullopt;
    return static_cast<std::int32_t>(perDegree);
}

Failure latticeOfCells(const double* t, const std::string& path, CellLattice& lattice) {
    const std::string cells =
        path + " has cells of " + numberText(t[1]) + " x " + numberText(-t[5]) + " degrees";
    const std::optional<std::int32_t> across = wholeCellsPerDegree(t[1]);
    if (!across || across != wholeCellsPerDegree(-t[5])) {
        return cells +
               ": drainPrep needs square cells that divide a degree, 1/n degree for a whole n "
               "from 12 (5 arc-minutes) to 3600 (1 arc-second), such as 3, 15 or 30 "
               "arc-seconds.";
    }
    if (*across < fewestCellsPerDegree || *across > mostCellsPerDegree) {
        return cells + " (1/" + std::to_string(*across) +
               " degree): drainPrep takes cells from 5 arc-minutes (1/12 degree) down to 1 "
               "arc-second (1/3600 degree).";
    }
    lattice.perDegree = *across;
    return std::nullopt;
}

// Whole degrees on cell edges, or on cell centres (the grid then begins half
// a cell north and west of a whole cell line).
std::optional<LatticeOrigin> originOfCorner(double westCells, double northCells) {
    if (nearWhole(westCells, cornerTolerance) && nearWhole(northCells, cornerTolerance)) {
        return LatticeOrigin::edgesOnDegrees;
    }
    if (nearWhole(westCells + 0.5, cornerTolerance) &&
        nearWhole(northCells - 0.5, cornerTolerance)) {
        return LatticeOrigin::centresOnDegrees;
    }
    return std::nullopt;
}

// On the centre lattice the outer cells may reach half a cell past the
// globe; their centres may not.
bool liesOnTheGlobe(const SourceFrame& frame) {
    const std::int64_t perDegree = frame.lattice.perDegree;
    const std::int64_t halfCellPast =
        frame.lattice.origin == LatticeOrigin::centresOnDegrees ? 1 : 0;
    return frame.northEdgeCells <= 90 * perDegree &&
           frame.northEdgeCells - frame.rows + halfCellPast >= -90 * perDegree &&
           frame.westEdgeCells >= -180 * perDegree &&
           frame.westEdgeCells + frame.cols - halfCellPast <= 180 * perDegree;
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
    if (auto failure = latticeOfCells(t, path, frame.lattice)) return failure;
    const double westCells = t[0] * frame.lattice.perDegree;
    const double northCells = t[3] * frame.lattice.perDegree;
    const std::optional<LatticeOrigin> origin = originOfCorner(westCells, northCells);
    if (!origin) {
        return path + " has its north-west corner at " + latitudeText(t[3], frame.lattice) + " " +
               longitudeText(t[0], frame.lattice) + ", off both lattices of cells of " +
               cellSizeText(frame.lattice) +
               " (cell edges or cell centres on whole degrees): its cells are not the cells of a "
               "study area.";
    }
    frame.lattice.origin = *origin;
    const double shift = originShiftCells(frame.lattice);
    frame.rows = facts.rows;
    frame.cols = facts.cols;
    frame.northEdgeCells = std::llround(northCells - shift);
    frame.westEdgeCells = std::llround(westCells + shift);
    if (!liesOnTheGlobe(frame)) {
        return path + " covers " + extentText(frame) +
               ", past the globe's 90 N, 90 S, 180 W or 180 E: drainPrep places no cell beyond "
               "them. Cut it to the globe, for example with gdal_translate -projwin.";
    }
    return std::nullopt;
}

enum class Role { dem, directions };

Failure checkBand(const GdalRasterFacts& facts, Role role, GdalRaster& raster) {
    if (facts.bandCount < 1) return raster.path + " has no raster band.";
    if (!facts.readsAsReal) {
        return raster.path + " holds " + facts.bandType +
               " values: drainPrep reads integers and floating-point numbers.";
    }
    if (role == Role::directions && (facts.scale != 1.0 || facts.offset != 0.0)) {
        return raster.path + " declares a scale of " + numberText(facts.scale) +
               " and an offset of " + numberText(facts.offset) +
               " for its values: the codes of a D8 flow-direction grid are taken as stored, "
               "which these would change.";
    }
    if (role == Role::dem && facts.scale == 0.0) {
        return raster.path + " declares a scale of 0 for its values: every elevation would be " +
               numberText(facts.offset) +
               " m, whatever the band holds. Declare the scale its values are stored in, for "
               "example with gdal_translate -a_scale 1.";
    }
    raster.rule = {facts.hasNoData, noDataAsStored(facts.noData, facts.bandType), facts.scale,
                   facts.offset, role == Role::directions};
    return std::nullopt;
}

Failure openRaster(const GdalLibraryCalls& gdal, const std::string& path, Role role,
                   GdalRaster& raster) {
    raster.path = path;
    raster.gdal = &gdal;
    GdalRasterFacts facts;
    void* dataset = nullptr;
    if (auto cause = gdal.open(path.c_str(), &dataset, &facts)) {
        return path + " cannot be opened as a raster: " + *cause;
    }
    raster.dataset.reset(dataset, gdal.close);
    if (auto failure = checkCoordinateSystem(facts, path)) return failure;
    if (auto failure = checkDatum(facts, path)) return failure;
    if (auto failure = frameOfTransform(facts, path, raster.frame)) return failure;
    return checkBand(facts, role, raster);
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

std::string valueFailureText(const GdalRaster& raster, double stored, std::int64_t row,
                             std::int64_t col) {
    const std::string place = raster.path + " holds the value " +
                              numberText(stored * raster.rule.scale + raster.rule.offset) +
                              " at row " + std::to_string(row) + ", column " + std::to_string(col) +
                              " (0-based)";
    if (raster.rule.wholeNumbers && stored != std::round(stored)) {
        return place +
               ": a D8 flow-direction grid holds whole numbers (1, 2, 4, 8, 16, 32, 64, 128, 0). "
               "Are --dem and --dir swapped? --dem takes the elevations, --dir the directions.";
    }
    return place + ", which does not fit a signed 16-bit integer.";
}

// What one block of rows needs: the values as read, which cells hold data,
// and the samples.
struct ReadBuffers {
    std::vector<double> values;
    std::vector<unsigned char> hasData;
};

// A window of one raster: its values as stored and its cells that hold data.
Failure readValues(const GdalRaster& raster, const CellWindow& window, double* values,
                   unsigned char* hasData) {
    const SourceCell& first = window.first;
    Failure cause = raster.gdal->read(raster.dataset.get(), first.row, first.col, window.rows,
                                      window.cols, values);
    if (!cause) {
        cause = raster.gdal->readCoverage(raster.dataset.get(), first.row, first.col, window.rows,
                                          window.cols, hasData);
    }
    if (cause) return raster.path + " cannot be read: " + *cause;
    return std::nullopt;
}

// Rows [firstRow, firstRow + rowCount) and columns [firstCol, firstCol +
// colCount) of one raster as samples, row after row, into `samples`.
Failure readSamples(const GdalRaster& raster, std::int64_t firstRow, std::int64_t rowCount,
                    std::int64_t firstCol, std::int32_t colCount, ReadBuffers& buffers,
                    std::vector<std::int32_t>& samples) {
    const auto cells = static_cast<std::size_t>(rowCount) * static_cast<std::size_t>(colCount);
    buffers.values.resize(cells);
    buffers.hasData.resize(cells);
    samples.resize(cells);
    const auto row = static_cast<std::int32_t>(firstRow);
    const auto col = static_cast<std::int32_t>(firstCol);
    const auto rows = static_cast<std::int32_t>(rowCount);
    if (auto failure = readValues(raster, {{row, col}, rows, colCount}, buffers.values.data(),
                                  buffers.hasData.data())) {
        return failure;
    }
    for (std::size_t i = 0; i < cells; ++i) {
        const std::optional<std::int32_t> sample =
            buffers.hasData[i] != 0 ? sampleOfValue(buffers.values[i], raster.rule) : noDataSample;
        if (!sample) {
            return valueFailureText(
                raster, buffers.values[i],
                firstRow + static_cast<std::int64_t>(i / std::size_t(colCount)),
                firstCol + static_cast<std::int64_t>(i % std::size_t(colCount)));
        }
        samples[i] = *sample;
    }
    return std::nullopt;
}

}  // namespace

// The one library tried: a library beside the executable that fails is
// reported with its own error, never replaced by another; dlopen keeps one
// copy of it however often it is asked.
Failure loadGdalModule(void*& module) {
    const std::filesystem::path executable = runningExecutable();
    if (executable.empty()) {
        return notLoadedText(gdalLibraryFile,
                             "the folder of the running executable, where it must lie, is "
                             "unknown");
    }
    const std::string path = libraryBeside(executable);
    if (auto distrusted = trustFailure(path, executable.string())) return distrusted;
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return notLoadedText(path, dlerrorText());
    if (auto wrongVersion = versionFailure(library, path)) return wrongVersion;
    module = library;
    return std::nullopt;
}

Failure loadGridCalls(const GdalGridCalls*& calls) {
    void* library = nullptr;
    if (auto failure = loadGdalModule(library)) return failure;
    const auto entry = reinterpret_cast<const GdalGridCalls* (*)()>(
        dlsym(library, "drainPrepGdalGridCalls"));
    if (entry == nullptr) return std::string(gdalLibraryFile) + " has no calls that write grids.";
    calls = entry();
    return std::nullopt;
}

double noDataAsStored(double noData, const std::string& bandType) {
    if (bandType != "Float32" || !(std::fabs(noData) <= std::numeric_limits<float>::max())) {
        return noData;
    }
    return static_cast<double>(static_cast<float>(noData));
}

std::optional<std::int32_t> sampleOfValue(double stored, const ValueRule& rule) {
    if (std::isnan(stored) || (rule.hasNoData && stored == rule.noData)) return noDataSample;
    if (rule.wholeNumbers && stored != std::round(stored)) return std::nullopt;
    const double whole = std::round(stored * rule.scale + rule.offset);
    if (!(whole >= int16Lowest && whole <= int16Highest)) return std::nullopt;
    return static_cast<std::int32_t>(whole);
}

std::uint64_t blockCacheBytes(const GdalSourcePair& pair) {
    return static_cast<std::uint64_t>(std::max<std::int64_t>(pair.dem.gdal->blockCacheBytes(), 0));
}

void closeGdalSources(GdalSourcePair& pair) {
    pair.dem.dataset.reset();
    pair.directions.dataset.reset();
}

Failure openGdalDem(const std::string& path, GdalRaster& dem) {
    const GdalLibraryCalls* gdal = nullptr;
    if (auto failure = loadLibrary(gdal)) return failure;
    return openRaster(*gdal, path, Role::dem, dem);
}

Failure readGdalElevations(const GdalRaster& dem, const CellWindow& window,
                           std::vector<double>& elevations) {
    const auto cells = static_cast<std::size_t>(window.rows) * static_cast<std::size_t>(window.cols);
    std::vector<unsigned char> hasData(cells);
    elevations.resize(cells);
    if (auto failure = readValues(dem, window, elevations.data(), hasData.data())) return failure;
    const ValueRule& rule = dem.rule;
    for (std::size_t i = 0; i < cells; ++i) {
        double& value = elevations[i];
        const bool noData = hasData[i] == 0 || (rule.hasNoData && value == rule.noData);
        value = noData ? std::numeric_limits<double>::quiet_NaN() : value * rule.scale + rule.offset;
    }
    return std::nullopt;
}

Failure openGdalSources(const SourcePaths& paths, GdalSourcePair& pair) {
    const GdalLibraryCalls* gdal = nullptr;
    if (auto failure = loadLibrary(gdal)) return failure;
    if (auto failure = openRaster(*gdal, paths.dem, Role::dem, pair.dem)) return failure;
    if (auto failure = openRaster(*gdal, paths.directions, Role::directions, pair.directions)) {
        return failure;
    }
    const CellLattice& demCells = pair.dem.frame.lattice;
    const CellLattice& directionCells = pair.directions.frame.lattice;
    if (demCells.perDegree != directionCells.perDegree) {
        return pair.directions.path + " has cells of " + cellSizeText(directionCells) + ", " +
               pair.dem.path + " cells of " + cellSizeText(demCells) +
               ": the DEM and the flow directions must have cells of one size.";
    }
    if (pair.dem.frame != pair.directions.frame) {
        return pair.directions.path + " (" + frameText(pair.directions.frame) +
               ") does not cover the cells of " + pair.dem.path + " (" + frameText(pair.dem.frame) +
               "): the DEM and the flow directions must be of identical size and georeference.";
    }
    return std::nullopt;
}

Failure readGdalSourceWindow(const StudyArea& area, GdalSourcePair& pair, std::ostream& console,
                             IntGrid& dem, IntGrid& directions) {
    dem = IntGrid(area.nrows, area.ncols);
    directions = IntGrid(area.nrows, area.ncols);
    const ClipOffsets offsets = offsetsInFrame(area, pair.frame());
    console << "2) Reading topography data." << std::endl;

    ReadBuffers buffers;
    std::vector<std::int32_t> samples;
    const auto keep = [&](const GdalRaster& raster, std::int64_t firstRow, std::int64_t rowCount,
                          IntGrid& grid) -> Failure {
        if (auto failure = readSamples(raster, firstRow, rowCount, offsets.colOffset, area.ncols,
                                       buffers, samples)) {
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

Failure readGdalBlock(const GdalSourcePair& pair, const CellWindow& window,
                      std::vector<std::int32_t>& dem, std::vector<std::int32_t>& directions) {
    ReadBuffers buffers;
    if (auto failure = readSamples(pair.dem, window.first.row, window.rows, window.first.col,
                                   window.cols, buffers, dem)) {
        return failure;
    }
    return readSamples(pair.directions, window.first.row, window.rows, window.first.col,
                       window.cols, buffers, directions);
}

}  // namespace drainPrep
