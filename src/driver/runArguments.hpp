// drainPrep [--dem PATH --dir PATH]: without arguments the run reads the
// fixed pair from ./input; with both options, the two rasters given, through
// GDAL. drainPrepArea takes the same two options.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "raster/gdalSource.hpp"

namespace drainPrep {

inline const char* const runUsageText = "Usage: drainPrep [--dem PATH --dir PATH]";

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

// The arguments after the program name. Returns the failure text of the
// first that cannot be used.
std::optional<std::string> parseRunArguments(const std::vector<std::string>& arguments,
                                             std::optional<SourcePaths>& sources);

}  // namespace drainPrep
