#include "directions/directionsCommand.hpp"

#include <cmath>
#include <filesystem>
#include <limits>
#include <optional>
#include <ostream>

#include "cell/directions.hpp"
#include "directions/d8Codes.hpp"
#include "directions/depressionFilling.hpp"
#include "driver/runArguments.hpp"
#include "geometry/sourceFrame.hpp"
#include "raster/gdalModelFiles.hpp"
#include "raster/gdalSource.hpp"
#include "runFiles/stagingFolder.hpp"
#include "runFiles/textFile.hpp"
#include "text/decimalNumber.hpp"
#include "text/decimalText.hpp"
#include "text/numberText.hpp"

namespace drainPrep {

namespace {

using Failure = std::optional<std::string>;

const char* const usageText = "Usage: drainPrepDirections DEM OUTDIR [--sea-level H]";
const char* const helpText =
    "Derives D8 flow directions from the DEM alone, a raster that GDAL reads on\n"
    "the grids drainPrep takes: fills every depression to its spill level, routes\n"
    "flats away from higher and towards lower terrain, and gives every cell the\n"
    "direction of steepest descent. Writes OUTDIR/dir.tif (ESRI D8 codes, 247 for\n"
    "sea and no data), OUTDIR/dem.tif (the filled elevations, -9999 for sea and no\n"
    "data) and OUTDIR/conditioning.txt, for drainPrep --dem OUTDIR/dem.tif --dir\n"
    "OUTDIR/dir.tif. OUTDIR is replaced whole, and only when it is new, empty or\n"
    "written by this tool before.\n"
    "--sea-level H: cells at or below H metres are sea (SRTM and Copernicus tiles\n"
    "  give the sea 0 m).\n";
const char* const recordName = "conditioning.txt";
constexpr double noDataElevationOut = -9999.0;
constexpr int metreDecimals = 3;

struct DirectionsRequest {
    std::string dem;
    std::filesystem::path outFolder;
    std::optional<double> seaLevel;
};

struct Conditioned {
    DemGrid dem;
    std::vector<std::uint8_t> codes;
    FillRecord fill;
    DirectionRecord flats;
};

Failure parseSeaLevel(const std::string& text, DirectionsRequest& request) {
    const std::optional<double> level = parseDecimal(text);
    if (!level) return "--sea-level takes a height in metres, not \"" + text + "\".";
    request.seaLevel = *level;
    return std::nullopt;
}

Failure parseRequest(const std::vector<std::string>& arguments, DirectionsRequest& request) {
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument.rfind("--", 0) != 0) {
            paths.push_back(argument);
        } else if (argument != "--sea-level") {
            return "Unknown option " + argument + ". " + usageText;
        } else if (request.seaLevel) {
            return argument + " is given twice.";
        } else if (++i == arguments.size()) {
            return argument + " needs a value. " + usageText;
        } else if (auto failure = parseSeaLevel(arguments[i], request)) {
            return failure;
        }
    }
    if (paths.size() != 2) return std::string(usageText);
    request.dem = paths[0];
    request.outFolder = paths[1];
    return std::nullopt;
}

// A folder this tool did not write may be the DEM's own, or the working
// folder: replacing it would lose what it holds.
Failure checkOutFolder(const std::filesystem::path& folder) {
    std::error_code unknown;
    if (!std::filesystem::exists(folder, unknown)) return std::nullopt;
    if (!std::filesystem::is_directory(folder, unknown)) {
        return folder.string() +
               " is not a folder: OUTDIR must be a folder, new or written by "
               "drainPrepDirections.";
    }
    if (std::filesystem::is_empty(folder, unknown) ||
        std::filesystem::exists(folder / recordName, unknown)) {
        return std::nullopt;
    }
    return folder.string() + " holds files and no " + recordName +
           ": drainPrepDirections replaces only a folder it wrote. Give a new or empty folder.";
}

CellLengths lengthsOf(const SourceFrame& frame) {
    CellLengths lengths;
    lengths.northSouth = cellLengthNorthSouthOf(frame.lattice);
    for (std::int32_t row = 0; row < frame.rows; ++row) {
        lengths.eastWest.push_back(cellLengthEastWest(rowCentreLat(frame, row), frame.lattice));
    }
    return lengths;
}

// -9999 m is drainPrep's own mark of no data, declared or not: filled as
// land, a sea of it would be raised by ten kilometres. Sea and no data alike
// end the water that reaches them.
void markSeaAndNoData(const DirectionsRequest& request, DemGrid& dem) {
    for (double& elevation : dem.elevations) {
        if (elevation == noDataElevation || (request.seaLevel && elevation <= *request.seaLevel)) {
            elevation = std::numeric_limits<double>::quiet_NaN();
        }
    }
}

Failure condition(const DirectionsRequest& request, const GdalRaster& raster,
                  Conditioned& conditioned) {
    const SourceFrame& frame = raster.frame;
    conditioned.dem.rows = frame.rows;
    conditioned.dem.cols = frame.cols;
    if (auto failure = readGdalElevations(raster, {{0, 0}, frame.rows, frame.cols},
                                          conditioned.dem.elevations)) {
        return failure;
    }
    markSeaAndNoData(request, conditioned.dem);
    conditioned.fill = fillDepressions(conditioned.dem);
    conditioned.flats = d8Codes(conditioned.dem, lengthsOf(frame), conditioned.codes);
    return std::nullopt;
}

std::string fillText(const FillRecord& fill) {
    return "Filled " + std::to_string(fill.depressions) +
           " depressions: " + std::to_string(fill.cellsRaised) + " cells raised, by at most " +
           fixed(fill.largestRaise, metreDecimals) + " m.";
}

std::string flatsText(const DirectionRecord& flats) {
    return "Routed " + std::to_string(flats.flats) + " flats of " +
           std::to_string(flats.flatCells) + " cells away from higher and towards lower terrain.";
}

std::string recordText(const DirectionsRequest& request, const SourceFrame& frame,
                       const Conditioned& conditioned) {
    return "drainPrepDirections\n"
           "dem " +
           request.dem + "\ncells " + std::to_string(frame.rows) + " x " +
           std::to_string(frame.cols) + " of " + cellSizeText(frame.lattice) +
           "\ncondition fill\nsea level " +
           (request.seaLevel ? roundTripText(*request.seaLevel) + " m" : std::string("none")) +
           "\ndepressions " + std::to_string(conditioned.fill.depressions) + "\ncells raised " +
           std::to_string(conditioned.fill.cellsRaised) + "\nlargest raise " +
           fixed(conditioned.fill.largestRaise, metreDecimals) + " m\nflats " +
           std::to_string(conditioned.flats.flats) + "\nflat cells " +
           std::to_string(conditioned.flats.flatCells) + "\nsinks kept " +
           std::to_string(conditioned.flats.sinkCells) + "\n";
}

std::vector<float> elevationsOut(const DemGrid& dem) {
    std::vector<float> elevations(dem.elevations.size());
    for (std::size_t i = 0; i < elevations.size(); ++i) {
        const double value = dem.elevations[i];
        elevations[i] = static_cast<float>(std::isnan(value) ? noDataElevationOut : value);
    }
    return elevations;
}

Failure writeOutputs(const DirectionsRequest& request, const Conditioned& conditioned,
                     const std::string& record) {
    std::string failure;
    const GdalModelFileCalls* calls = loadModelFileCalls(failure);
    if (calls == nullptr) return failure;
    StagingFolder staging;
    if (auto cannot = staging.create(request.outFolder)) return cannot;
    const auto write = [&](const char* name, const std::uint8_t* bytes, const float* reals,
                           double noData) -> Failure {
        const std::string path = (staging.path() / name).string();
        std::string cause;
        if (calls->writeGeoTiff(path.c_str(), request.dem.c_str(), bytes, reals, noData, &cause)) {
            return std::nullopt;
        }
        return (request.outFolder / name).string() + " cannot be written: " + cause;
    };
    if (auto cannot = write("dir.tif", conditioned.codes.data(), nullptr, noDataCode)) {
        return cannot;
    }
    const std::vector<float> elevations = elevationsOut(conditioned.dem);
    if (auto cannot = write("dem.tif", nullptr, elevations.data(), noDataElevationOut)) {
        return cannot;
    }
    if (auto cannot = writeTextFile(staging.path() / recordName, record)) return cannot;
    return staging.putInPlace(request.outFolder);
}

Failure deriveDirections(const DirectionsRequest& request, std::ostream& console) {
    if (auto failure = checkOutFolder(request.outFolder)) return failure;
    GdalRaster raster;
    if (auto failure = openGdalDem(request.dem, raster)) return failure;
    const SourceFrame& frame = raster.frame;
    console << "Read " << request.dem << ": " << frame.rows << " x " << frame.cols << " cells of "
            << cellSizeText(frame.lattice) << "." << std::endl;
    Conditioned conditioned;
    if (auto failure = condition(request, raster, conditioned)) return failure;
    console << fillText(conditioned.fill) << "\n" << flatsText(conditioned.flats) << std::endl;
    if (auto failure = writeOutputs(request, conditioned, recordText(request, frame, conditioned)))
        return failure;
    const std::filesystem::path& out = request.outFolder;
    console << "Written " << (out / "dir.tif").string() << ", " << (out / "dem.tif").string()
            << " and " << (out / recordName).string() << "." << std::endl;
    return std::nullopt;
}

}  // namespace

int runDrainPrepDirections(const std::vector<std::string>& arguments, std::ostream& console) {
    if (asksForHelp(arguments)) {
        console << usageText << "\n" << helpText;
        return 0;
    }
    DirectionsRequest request;
    Failure failure = parseRequest(arguments, request);
    if (!failure) failure = deriveDirections(request, console);
    if (failure) {
        console << *failure << std::endl;
        return 1;
    }
    return 0;
}

}  // namespace drainPrep
