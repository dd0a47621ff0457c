// drainPrepUpscale [FOLDER] --factor N: the network of a finished drainPrep
// run on model cells of N x N cells, in FOLDER/output/model-N/.
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "driver/mainGuard.hpp"
#include "driver/runArguments.hpp"
#include "upscale/upscaleRun.hpp"

namespace {

const char* const usage =
    "Usage: drainPrepUpscale [FOLDER] --factor N\n"
    "Reads the finished drainPrep run in FOLDER (default: the current folder) and\n"
    "writes output/model-N/: the flow directions of model cells of N x N cells\n"
    "(N divides 120: 1, 2, 3, 4, 5, 6, 8, 10, 12, 15, 20, 24, 30, 40, 60, 120) that\n"
    "follow the run's network, with each cell's outlet, upstream area, river\n"
    "length and slope, land fraction, stream order and basin, as binary and ESRI\n"
    "ASCII grids, in model.nc (NetCDF-CF) and as a PCRaster ldd.map.\n";

// The arguments in any order: FOLDER at most once, --factor N once.
std::optional<std::string> parseArguments(const std::vector<std::string>& arguments,
                                          std::string& folder, std::int32_t& factor) {
    bool folderGiven = false;
    factor = 0;
    for (auto argument = arguments.begin(); argument != arguments.end(); ++argument) {
        if (*argument != "--factor") {
            if (folderGiven || argument->rfind('-', 0) == 0) return std::string(usage);
            folder = *argument;
            folderGiven = true;
            continue;
        }
        if (factor != 0) return std::string("--factor is given twice.\n");
        const std::string text = std::next(argument) != arguments.end() ? *++argument : "";
        const char* end = text.data() + text.size();
        const auto [stop, error] = std::from_chars(text.data(), end, factor);
        if (error != std::errc() || stop != end ||
            !drainPrep::upscale::factorDividesDegree(factor)) {
            return "--factor takes a whole number that divides 120 (1, 2, 3, 4, 5, 6, 8, 10, 12, "
                   "15, 20, 24, 30, 40, 60, 120), not \"" +
                   text + "\".\n";
        }
    }
    if (factor == 0) return std::string(usage);
    return std::nullopt;
}

int upscaleMain(const std::vector<std::string>& arguments) {
    if (drainPrep::asksForHelp(arguments)) {
        std::cout << usage;
        return 0;
    }
    std::string folder = ".";
    std::int32_t factor = 0;
    if (auto refusal = parseArguments(arguments, folder, factor)) {
        std::cout << *refusal << std::flush;
        return 1;
    }
    std::cout << "drainPrepUpscale: the run in " << folder << ", "
              << drainPrep::upscale::factorText(factor) << std::endl;
    if (auto failure = drainPrep::upscale::upscaleRun(folder, factor, std::cout)) {
        std::cout << *failure << std::endl;
        return 1;
    }
    const std::filesystem::path result =
        std::filesystem::path(folder) / "output" / ("model-" + std::to_string(factor));
    std::cout << "  Model grid: " << result.string() << std::endl;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return drainPrep::runCatchingFailures(std::cout,
                                          [&arguments] { return upscaleMain(arguments); });
}
