// drainPrepUpscale [FOLDER] --factor N: the network of a finished drainPrep
// run on model cells of N x N cells, in FOLDER/output/model-N/.
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "driver/commandOptions.hpp"
#include "driver/mainGuard.hpp"
#include "text/failure.hpp"
#include "upscale/upscaleRun.hpp"

namespace {

const char* const usage =
    "Usage: drainPrepUpscale [FOLDER] --factor N\n"
    "Reads the finished drainPrep run in FOLDER (default: the current folder) and\n"
    "writes output/model-N/: the flow directions of model cells of N x N cells\n"
    "(N divides the run's cells per degree; for 30\" cells 120: 1, 2, 3, 4, 5, 6, 8,\n"
    "10, 12, 15, 20, 24, 30, 40, 60, 120) that follow the run's network, with each\n"
    "cell's outlet, upstream area, river length and slope, land fraction, stream\n"
    "order and basin, as binary and ESRI ASCII grids, in model.nc (NetCDF-CF) and as\n"
    "a PCRaster ldd.map.\n";

// The arguments in any order: FOLDER at most once, --factor N once. Which
// factors a run takes depends on its cells, read after.
drainPrep::Failure parseArguments(const std::vector<std::string>& arguments, std::string& folder,
                                  std::optional<std::string>& factor) {
    bool folderGiven = false;
    for (auto argument = arguments.begin(); argument != arguments.end(); ++argument) {
        if (*argument != "--factor") {
            if (folderGiven || argument->rfind('-', 0) == 0) return std::string(usage);
            folder = *argument;
            folderGiven = true;
            continue;
        }
        if (factor) return std::string("--factor is given twice.\n");
        factor = std::next(argument) != arguments.end() ? *++argument : "";
    }
    if (!factor) return std::string(usage);
    return std::nullopt;
}

drainPrep::Failure runDrainPrepUpscale(const std::vector<std::string>& arguments) {
    if (drainPrep::asksForHelp(arguments)) {
        std::cout << usage;
        return std::nullopt;
    }
    std::string folder = ".";
    std::optional<std::string> factorWord;
    if (auto refusal = parseArguments(arguments, folder, factorWord)) return refusal;
    drainPrep::CellLattice lattice;
    if (auto failure = drainPrep::upscale::readRunLattice(folder, lattice)) return failure;
    std::int32_t factor = 0;
    if (auto refusal = drainPrep::upscale::readFactor(*factorWord, lattice, factor)) {
        return refusal;
    }
    std::cout << "drainPrepUpscale: the run in " << folder << ", "
              << drainPrep::upscale::factorText(factor, lattice) << std::endl;
    if (auto failure = drainPrep::upscale::upscaleRun(folder, factor, std::cout)) return failure;
    const std::filesystem::path result = drainPrep::upscale::modelFolder(folder, factor);
    std::cout << "  Model grid: " << result.string() << std::endl;
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    return drainPrep::runCatchingFailures(std::cout, [argc, argv] {
        const std::vector<std::string> arguments(argv + 1, argv + argc);
        return drainPrep::exitStatus(std::cout, runDrainPrepUpscale(arguments));
    });
}
