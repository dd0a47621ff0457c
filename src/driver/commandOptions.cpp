#include "driver/commandOptions.hpp"

namespace drainPrep {

namespace {

const char* const demOption = "--dem";
const char* const directionOption = "--dir";

}  // namespace

bool isSourceOption(const std::string& option) {
    return option == demOption || option == directionOption;
}

Failure takeSourceOption(const std::string& option, const std::string& value,
                         SourceOptions& options) {
    std::optional<std::string>& path = option == demOption ? options.dem : options.directions;
    if (path) return option + " is given twice.";
    if (value.empty()) return option + " needs a path, not an empty text.";
    path = value;
    return std::nullopt;
}

Failure completeSources(const SourceOptions& options, std::optional<SourcePaths>& sources) {
    if (!options.dem && !options.directions) return std::nullopt;
    if (!options.dem || !options.directions) {
        return std::string(
                   "--dem and --dir go together: the DEM and the flow directions of the "
                   "same cells. ") +
               (options.dem ? directionOption : demOption) + " is missing.";
    }
    sources = SourcePaths{*options.dem, *options.directions};
    return std::nullopt;
}

Failure takeOutletOption(const std::string& value, std::optional<OutletRule>& rule) {
    if (rule) return std::string(outletOption) + " is given twice.";
    rule = outletRuleNamed(value);
    if (!rule) return std::string(outletOption) + " takes coast or d8, not \"" + value + "\".";
    return std::nullopt;
}

}  // namespace drainPrep
