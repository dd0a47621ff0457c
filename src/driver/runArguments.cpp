#include "driver/runArguments.hpp"

namespace drainPrep {

Failure parseRunArguments(const std::vector<std::string>& arguments, RunOptions& options) {
    SourceOptions sourceOptions;
    std::optional<OutletRule> rule;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        const bool outlets = option == outletOption;
        if (!outlets && !isSourceOption(option)) {
            return "Unknown option " + option + ". " + runUsageText;
        }
        if (++i == arguments.size()) return option + " needs a value. " + runUsageText;
        auto failure = outlets ? takeOutletOption(arguments[i], rule)
                               : takeSourceOption(option, arguments[i], sourceOptions);
        if (failure) return failure;
    }
    options.outlets = rule.value_or(OutletRule::coast);
    return completeSources(sourceOptions, options.sources);
}

}  // namespace drainPrep
