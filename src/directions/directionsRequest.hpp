// drainPrepDirections' command line: the DEM, OUTDIR and the options that
// prepare the DEM before its depressions are filled.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "text/failure.hpp"

namespace drainPrep {

// The lines lowered into the DEM unless told otherwise, metres: deeper than
// the errors of a radar DEM along a valley floor, so that the mapped river
// stays the lowest way down.
inline constexpr double defaultBurnDepth = 10.0;

// What becomes of a depression: raised to its spill level, or drained by a
// channel carved through its rim.
enum class Condition { fill, breach };

struct DirectionsRequest {
    std::string dem;
    std::filesystem::path outFolder;
    Condition condition = Condition::fill;  // --condition fill|breach
    std::optional<double> seaLevel;         // --sea-level H
    std::optional<double> sinkKm2;          // --sink-km2 A
    bool fillVoids = false;                 // --fill-voids
    std::optional<std::string> burnLines;   // --burn LINES
    std::optional<double> burnDepth;        // --burn-depth M, with --burn
};

// The usage line, what the tool does and its options.
std::string directionsHelp();

// The arguments after the program name. Returns the failure text of the
// first that cannot be used.
Failure parseDirectionsRequest(const std::vector<std::string>& arguments,
                               DirectionsRequest& request);

}  // namespace drainPrep
