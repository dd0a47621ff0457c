#include "directions/directionsRequest.hpp"

#include "text/decimalNumber.hpp"

namespace drainPrep {

namespace {

const char* const usageText =
    "Usage: drainPrepDirections DEM OUTDIR [--condition fill|breach] [--sea-level H] "
    "[--sink-km2 A] [--fill-voids] [--burn LINES [--burn-depth M]]";

// Each option with a number, the number's meaning for a message, and
// whether a negative one makes sense.
struct NumberOption {
    const char* name;
    std::optional<double> DirectionsRequest::*value;
    const char* meaning;
    bool negativeAllowed;
};

const NumberOption numberOptions[] = {
    {"--sea-level", &DirectionsRequest::seaLevel, "a height in metres", true},
    {"--sink-km2", &DirectionsRequest::sinkKm2, "an area in km2, 0 or more", false},
    {"--burn-depth", &DirectionsRequest::burnDepth, "a depth in metres, 0 or more", false},
};

Failure takeNumber(const NumberOption& option, const std::string& text,
                   DirectionsRequest& request) {
    std::optional<double>& value = request.*option.value;
    value = parseDecimal(text);
    if (value && (option.negativeAllowed || *value >= 0.0)) return std::nullopt;
    return std::string(option.name) + " takes " + option.meaning + ", not \"" + text + "\".";
}

Failure takeCondition(const std::string& text, DirectionsRequest& request) {
    if (text == "fill") {
        request.condition = Condition::fill;
    } else if (text == "breach") {
        request.condition = Condition::breach;
    } else {
        return "--condition takes fill or breach, not \"" + text + "\".";
    }
    return std::nullopt;
}

Failure parseOption(const std::vector<std::string>& arguments, std::size_t& i,
                    DirectionsRequest& request) {
    const std::string& name = arguments[i];
    if (name == "--fill-voids") {
        request.fillVoids = true;
        return std::nullopt;
    }
    const NumberOption* number = nullptr;
    for (const NumberOption& option : numberOptions) {
        if (name == option.name) number = &option;
    }
    if (number == nullptr && name != "--burn" && name != "--condition") {
        return "Unknown option " + name + ". " + usageText;
    }
    if (++i == arguments.size()) return name + " needs a value. " + usageText;
    if (number != nullptr) return takeNumber(*number, arguments[i], request);
    if (name == "--condition") return takeCondition(arguments[i], request);
    request.burnLines = arguments[i];
    return std::nullopt;
}

const char* const descriptionText =
    "Derives D8 flow directions from the DEM alone, a raster that GDAL reads on\n"
    "the grids drainPrep takes: fills every depression to its spill level, routes\n"
    "flats away from higher and towards lower terrain, and gives every cell the\n"
    "direction of steepest descent. Writes OUTDIR/dir.tif (ESRI D8 codes, 247 for\n"
    "sea and no data), OUTDIR/dem.tif (the filled elevations, -9999 for sea and no\n"
    "data) and OUTDIR/conditioning.txt, for drainPrep --dem OUTDIR/dem.tif --dir\n"
    "OUTDIR/dir.tif. OUTDIR is replaced whole, and only when it is new, empty or\n"
    "written by this tool before.\n"
    "--condition breach: instead of raising a depression, lowers the cells of the\n"
    "  priority flood's path from each of its pits through the rim, so that the\n"
    "  path descends: fewer cells change, and ridges stay.\n"
    "--sea-level H: cells at or below H metres are sea (SRTM and Copernicus tiles\n"
    "  give the sea 0 m).\n"
    "--sink-km2 A: a closed depression of A km2 or more below its spill level (an\n"
    "  endorheic basin) keeps its lowest cell as a sink, code 0, and drains into it\n"
    "  instead of being filled.\n"
    "--fill-voids: holes of no data enclosed by land are interpolated from their\n"
    "  edges (GDAL's fill-nodata, within 100 cells) before anything else.\n"
    "--burn LINES: the cells that the lines of a vector file (a river network)\n"
    "  pass through are lowered by --burn-depth M metres (default 10), so that the\n"
    "  rivers stay where the map has them.\n";

}  // namespace

std::string directionsHelp() { return std::string(usageText) + "\n" + descriptionText; }

Failure parseDirectionsRequest(const std::vector<std::string>& arguments,
                               DirectionsRequest& request) {
    std::vector<std::string> paths;
    std::vector<std::string> given;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument.rfind("--", 0) != 0) {
            paths.push_back(argument);
            continue;
        }
        // The last of two values would win unseen.
        for (const std::string& earlier : given) {
            if (earlier == argument) return argument + " is given twice.";
        }
        given.push_back(argument);
        if (auto failure = parseOption(arguments, i, request)) return failure;
    }
    if (paths.size() != 2) return std::string(usageText);
    if (request.burnDepth && !request.burnLines) {
        return std::string("--burn-depth goes with --burn LINES. ") + usageText;
    }
    request.dem = paths[0];
    request.outFolder = paths[1];
    return std::nullopt;
}

}  // namespace drainPrep
