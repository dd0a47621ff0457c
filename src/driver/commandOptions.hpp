// What the executables' command lines share: the help switch, and the source
// and outlet options that drainPrep and drainPrepArea take alike (--dem PATH
// --dir PATH, --outlets coast|d8).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cell/outletRule.hpp"
#include "raster/gdalSource.hpp"
#include "text/failure.hpp"

namespace drainPrep {

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
Failure takeSourceOption(const std::string& option, const std::string& value,
                         SourceOptions& options);

// Both options or neither: `sources` stays empty for neither.
Failure completeSources(const SourceOptions& options, std::optional<SourcePaths>& sources);

// Takes the value of --outlets, which may be given once.
Failure takeOutletOption(const std::string& value, std::optional<OutletRule>& rule);

}  // namespace drainPrep
