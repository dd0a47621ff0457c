// drainPrep [--dem PATH --dir PATH] [--outlets coast|d8]: without arguments
// the run reads the fixed pair from ./input; with both source options, the
// two rasters given, through GDAL. --outlets names the rule by which rivers
// end beside cells without flow (coast, the default, or d8). drainPrepArea
// takes the same options.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "driver/commandOptions.hpp"
#include "text/failure.hpp"

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

struct RunOptions {
    std::optional<SourcePaths> sources;
    OutletRule outlets = OutletRule::coast;
};

// The arguments after the program name. Returns the failure text of the
// first that cannot be used.
Failure parseRunArguments(const std::vector<std::string>& arguments, RunOptions& options);

}  // namespace drainPrep
