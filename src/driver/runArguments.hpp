// drainPrep [--dem PATH --dir PATH] [--outlets coast|d8]: without arguments
// the run reads the fixed pair from ./input; with both source options, the
// two rasters given, through GDAL. --outlets names the rule by which rivers
// end beside cells without flow (coast, the default, or d8). drainPrepArea
// takes the same options.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cell/outletRule.hpp"
#include "raster/gdalSource.hpp"

namespace drainPrep {

inline const char* const runUsageText =
    "Usage: drainPrep [--dem PATH --dir PATH] [--outlets coast|d8]";
inline const char* const runHelpText =
    "Reads ./clipArea.dat (rows, columns and the whole-degree north-west corner of\n"
    "the study area) and the source rasters, links every cell of the study area\n"
    "into a drainage network and writes its grids and outlet list into ./output\n"
    "and ./output/arcgis, which must exist; then waits for a key.\n"
    "--dem PATH --dir PATH: a DEM and a D8 flow-direction grid that GDAL reads,\n"
    "  instead of the fixed pair in ./input.\n"
    "--outlets coast|d8: where rivers end beside sea and no data (default coast).\n";

// "--help" or "-h" as the only argument.
inline bool asksForHelp(const std::vector<std::string>& arguments) {
    return arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h");
}
inline const char* const outletOption = "--outlets";

// --dem and --dir as far as they have been given.
struct SourceOptions {
    std::optional<std::string> dem;
    std::optional<std::string> directions;
};

bool isSourceOption(const std::string& option);

// Takes the value of --dem or --dir; each may be given once.
std::optional<std::string> takeSourceOption(const std::string& option, const std::string& value,
                                            SourceOptions& options);

// Both options or neither: `sources` stays empty for neither.
std::optional<std::string> completeSources(const SourceOptions& options,
                                           std::optional<SourcePaths>& sources);

// Takes the value of --outlets, which may be given once.
std::optional<std::string> takeOutletOption(const std::string& value,
                                            std::optional<OutletRule>& rule);

struct RunOptions {
    std::optional<SourcePaths> sources;
    OutletRule outlets = OutletRule::coast;
};

// The arguments after the program name. Returns the failure text of the
// first that cannot be used.
std::optional<std::string> parseRunArguments(const std::vector<std::string>& arguments,
                                             RunOptions& options);

}  // namespace drainPrep
