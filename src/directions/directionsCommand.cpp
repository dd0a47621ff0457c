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

const char* const usageText =
    "Usage: drainPrepDirections DEM OUTDIR [--sea-level H] [--sink-km2 A]";
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
    "  give the sea 0 m).\n"
    "--sink-km2 A: a closed depression of A km2 or more below its spill level (an\n"
    "  endorheic basin) keeps its lowest cell as a sink, code 0, and drains into it\n"
    "  instead of being filled.\n";
const char* const recordName = "conditioning.txt";
constexpr double noDataElevationOut = -9999.0;
constexpr int metreDecimals = 3;

struct DirectionsRequest {
    std::string dem;
    std::filesystem::path outFolder;
    std::optional<double> seaLevel;
    std::optional<double> sinkKm2;
};

struct Conditioned {
    DemGrid dem;
    std::vector<std::int64_t> keptSinks;
    std::vector<std::uint8_t> codes;
    FillRecord fill;
    DirectionRecord flats;
};

// Each option with its value, the value's meaning for a message, and
// whether a negative value makes sense.
struct NumberOption {
    const char* name;
    std::optional<double> DirectionsRequest::*value;
    const char* meaning;
    bool negativeAllowed;
};

const NumberOption numberOptions[] = {
    {"--sea-level", &DirectionsRequest::seaLevel, "a height in metres", true},
    {"--sink-km2", &DirectionsRequest::sinkKm2, "an area in km2, 0 or more", false},
};

Failure parseOption(const std::vector<std::string>& arguments, std::size_t& i,
                    DirectionsRequest& request) {
    const std::string& name = arguments[i];
    for (const NumberOption& option : numberOptions) {
        if (name != option.name) continue;
        std::optional<double>& value = request.*option.value;
        if (value) return name + " is given twice.";
        if (++i == arguments.size()) return name + " needs a value. " + usageText;
        value = parseDecimal(arguments[i]);
        if (!value || (!option.negativeAllowed && *value < 0.0)) {
            return name + " takes " + option.meaning + ", not \"" + arguments[i] + "\".";
        }
        return std::nullopt;
    }
    return "Unknown option " + name + ". " + usageText;
}

Failure parseRequest(const std::vector<std::string>& arguments, DirectionsRequest& request) {
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i].rfind("--", 0) != 0) {
            paths.push_back(arguments[i]);
        } else if (auto failure = parseOption(arguments, i, request)) {
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

// The depressions are found by filling a copy: their own areas are the
// cells it raises.
std::vector<std::int64_t> largeDepressionSinks(const DemGrid& dem, const SourceFrame& frame,
                                               double minimumKm2) {
    DemGrid filled = dem;
    fillDepressions(filled);
    std::vector<double> rowKm2;
    for (std::int32_t row = 0; row < frame.rows; ++row) {
        rowKm2.push_back(cellAreaKm2AtLat(rowCentreLat(frame, row), frame.lattice));
    }
    return sinksOfLargeDepressions(dem, filled, rowKm2, minimumKm2);
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
    if (request.sinkKm2) {
        conditioned.keptSinks = largeDepressionSinks(conditioned.dem, frame, *request.sinkKm2);
    }
    conditioned.fill = fillDepressions(conditioned.dem, conditioned.keptSinks);
    conditioned.flats =
        d8Codes(conditioned.dem, lengthsOf(frame), conditioned.codes, conditioned.keptSinks);
    return std::nullopt;
}

std::string fillText(const Conditioned& conditioned) {
    const FillRecord& fill = conditioned.fill;
    const std::size_t kept = conditioned.keptSinks.size();
    return "Filled " + std::to_string(fill.depressions) +
           " depressions: " + std::to_string(fill.cellsRaised) + " cells raised, by at most " +
           fixed(fill.largestRaise, metreDecimals) + " m." +
           (kept == 0 ? "" : " Kept " + std::to_string(kept) + " as sinks.");
}

std::string flatsText(const DirectionRecord& flats) {
    return "Routed " + std::to_string(flats.flats) + " flats of " +
           std::to_string(flats.flatCells) + " cells away from higher and towards lower terrain.";
}

std::string optionText(const std::optional<double>& value, const char* unit) {
    return value ? roundTripText(*value) + unit : std::string("none");
}

std::string recordText(const DirectionsRequest& request, const SourceFrame& frame,
                       const Conditioned& conditioned) {
    return "drainPrepDirections\n"
           "dem " +
           request.dem + "\ncells " + std::to_string(frame.rows) + " x " +
           std::to_string(frame.cols) + " of " + cellSizeText(frame.lattice) +
           "\ncondition fill\nsea level " + optionText(request.seaLevel, " m") + "\nsink km2 " +
           optionText(request.sinkKm2, " km2") + "\ndepressions " +
           std::to_string(conditioned.fill.depressions) + "\ncells raised " +
           std::to_string(conditioned.fill.cellsRaised) + "\nlargest raise " +
           fixed(conditioned.fill.largestRaise, metreDecimals) + " m\nflats " +
           std::to_string(conditioned.flats.flats) + "\nflat cells " +
           std::to_string(conditioned.flats.flatCells) + "\nsinks kept " +
           std::to_string(conditioned.keptSinks.size()) + "\n";
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
    console << fillText(conditioned) << "\n" << flatsText(conditioned.flats) << std::endl;
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
