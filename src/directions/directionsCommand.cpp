#include "directions/directionsCommand.hpp"

#include <cmath>
#include <filesystem>
#include <optional>
#include <ostream>

#include "directions/d8Codes.hpp"
#include "directions/demPreparation.hpp"
#include "directions/depressionBreaching.hpp"
#include "directions/depressionFilling.hpp"
#include "directions/directionsRequest.hpp"
#include "driver/commandOptions.hpp"
#include "geometry/sourceFrame.hpp"
#include "raster/gdalGridCalls.hpp"
#include "raster/gdalSource.hpp"
#include "runFiles/stagingFolder.hpp"
#include "runFiles/textFile.hpp"
#include "text/decimalText.hpp"
#include "text/failure.hpp"
#include "text/numberText.hpp"

namespace drainPrep {

namespace {

const char* const recordName = "conditioning.txt";
constexpr double noDataElevationOut = -9999.0;
constexpr int metreDecimals = 3;

struct Conditioned {
    DemGrid dem;
    PreparationRecord prepared;
    std::vector<std::int64_t> keptSinks;
    std::vector<std::uint8_t> codes;
    FillRecord fill;      // of --condition fill
    BreachRecord breach;  // of --condition breach
    DirectionRecord flats;
};

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
                  const GdalGridCalls& calls, Conditioned& conditioned) {
    if (auto failure = prepareDem(request, raster, calls, conditioned.dem, conditioned.prepared)) {
        return failure;
    }
    const SourceFrame& frame = raster.frame;
    if (request.sinkKm2) {
        conditioned.keptSinks = largeDepressionSinks(conditioned.dem, frame, *request.sinkKm2);
    }
    if (request.condition == Condition::breach) {
        conditioned.breach = breachDepressions(conditioned.dem, conditioned.keptSinks);
    } else {
        conditioned.fill = fillDepressions(conditioned.dem, conditioned.keptSinks);
    }
    conditioned.flats =
        d8Codes(conditioned.dem, lengthsOf(frame), conditioned.codes, conditioned.keptSinks);
    return std::nullopt;
}

std::string optionText(const std::optional<double>& value, const char* unit) {
    return value ? roundTripText(*value) + unit : std::string("none");
}

std::string depressionsText(const DirectionsRequest& request, const Conditioned& conditioned) {
    const std::size_t kept = conditioned.keptSinks.size();
    const std::string keptText = kept == 0 ? "" : " Kept " + std::to_string(kept) + " as sinks.";
    if (request.condition == Condition::breach) {
        const BreachRecord& breach = conditioned.breach;
        return "Breached " + std::to_string(breach.depressions) +
               " depressions: " + std::to_string(breach.cellsLowered) +
               " cells lowered, by at most " + fixed(breach.largestLowering, metreDecimals) +
               " m." + keptText;
    }
    const FillRecord& fill = conditioned.fill;
    return "Filled " + std::to_string(fill.depressions) +
           " depressions: " + std::to_string(fill.cellsRaised) + " cells raised, by at most " +
           fixed(fill.largestRaise, metreDecimals) + " m." + keptText;
}

// The record's lines of what the depressions' conditioning changed.
std::string conditionRecord(const DirectionsRequest& request, const Conditioned& conditioned) {
    if (request.condition == Condition::breach) {
        const BreachRecord& breach = conditioned.breach;
        return "condition breach\nsink km2 " + optionText(request.sinkKm2, " km2") +
               "\ndepressions " + std::to_string(breach.depressions) + "\ncells lowered " +
               std::to_string(breach.cellsLowered) + "\nlargest lowering " +
               fixed(breach.largestLowering, metreDecimals) + " m\n";
    }
    const FillRecord& fill = conditioned.fill;
    return "condition fill\nsink km2 " + optionText(request.sinkKm2, " km2") + "\ndepressions " +
           std::to_string(fill.depressions) + "\ncells raised " + std::to_string(fill.cellsRaised) +
           "\nlargest raise " + fixed(fill.largestRaise, metreDecimals) + " m\n";
}

std::string flatsText(const DirectionRecord& flats) {
    return "Routed " + std::to_string(flats.flats) + " flats of " +
           std::to_string(flats.flatCells) + " cells away from higher and towards lower terrain.";
}

std::string recordText(const DirectionsRequest& request, const SourceFrame& frame,
                       const Conditioned& conditioned) {
    const PreparationRecord& prepared = conditioned.prepared;
    const std::string burned =
        request.burnLines ? *request.burnLines + ", " + std::to_string(prepared.burnedCells) +
                                " cells lowered by " +
                                roundTripText(request.burnDepth.value_or(defaultBurnDepth)) + " m"
                          : std::string("none");
    return "drainPrepDirections\ndem " + request.dem + "\ncells " + std::to_string(frame.rows) +
           " x " + std::to_string(frame.cols) + " of " + cellSizeText(frame.lattice) +
           "\nvoids filled " +
           (request.fillVoids ? std::to_string(prepared.voidCellsFilled) + " cells"
                              : std::string("none")) +
           "\nsea level " + optionText(request.seaLevel, " m") + "\nburned " + burned + "\n" +
           conditionRecord(request, conditioned) + "flats " +
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

Failure writeOutputs(const DirectionsRequest& request, const GdalGridCalls& calls,
                     const Conditioned& conditioned, const std::string& record) {
    StagingFolder staging;
    if (auto cannot = staging.create(request.outFolder)) return cannot;
    const auto write = [&](const char* name, const std::uint8_t* bytes, const float* reals,
                           double noData) -> Failure {
        const std::string path = (staging.path() / name).string();
        if (auto cause =
                calls.writeGeoTiff(path.c_str(), request.dem.c_str(), bytes, reals, noData)) {
            return (request.outFolder / name).string() + " cannot be written: " + *cause;
        }
        return std::nullopt;
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

// What was done before the filling, where the request asked for it.
std::string preparationText(const DirectionsRequest& request, const PreparationRecord& prepared) {
    std::string text;
    if (request.fillVoids) {
        text += "Filled " + std::to_string(prepared.voidCellsFilled) +
                " cells of voids from their edges.\n";
    }
    if (request.seaLevel) {
        text += "Marked " + std::to_string(prepared.seaCells) + " cells at or below " +
                roundTripText(*request.seaLevel) + " m as sea.\n";
    }
    if (request.burnLines) {
        text += "Burned " + *request.burnLines + " into " + std::to_string(prepared.burnedCells) +
                " cells, " + roundTripText(request.burnDepth.value_or(defaultBurnDepth)) +
                " m deep.\n";
    }
    return text;
}

Failure deriveDirections(const DirectionsRequest& request, std::ostream& console) {
    if (auto failure = checkOutFolder(request.outFolder)) return failure;
    GdalRaster raster;
    if (auto failure = openGdalDem(request.dem, raster)) return failure;
    const GdalGridCalls* calls = nullptr;
    if (auto failure = loadGridCalls(calls)) return failure;
    const SourceFrame& frame = raster.frame;
    console << "Read " << request.dem << ": " << frame.rows << " x " << frame.cols << " cells of "
            << cellSizeText(frame.lattice) << "." << std::endl;
    Conditioned conditioned;
    if (auto failure = condition(request, raster, *calls, conditioned)) return failure;
    console << preparationText(request, conditioned.prepared)
            << depressionsText(request, conditioned) << "\n"
            << flatsText(conditioned.flats) << std::endl;
    const std::string record = recordText(request, frame, conditioned);
    if (auto failure = writeOutputs(request, *calls, conditioned, record)) return failure;
    const std::filesystem::path& out = request.outFolder;
    console << "Written " << (out / "dir.tif").string() << ", " << (out / "dem.tif").string()
            << " and " << (out / recordName).string() << "." << std::endl;
    return std::nullopt;
}

}  // namespace

Failure runDrainPrepDirections(const std::vector<std::string>& arguments, std::ostream& console) {
    if (asksForHelp(arguments)) {
        console << directionsHelp();
        return std::nullopt;
    }
    DirectionsRequest request;
    if (auto failure = parseDirectionsRequest(arguments, request)) return failure;
    return deriveDirections(request, console);
}

}  // namespace drainPrep
