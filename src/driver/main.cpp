#include <unistd.h>

#include <csignal>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "driver/mainGuard.hpp"
#include "driver/console.hpp"
#include "driver/runArguments.hpp"
#include "driver/runSequence.hpp"

namespace {

// A DEM with wide flats makes millions of pit-report lines; they go out
// through one large buffer, while every console line still flushes.
int runThroughConsoleBuffer(int argc, char** argv) {
    drainPrep::ConsoleBuffer consoleBuffer(STDOUT_FILENO);
    std::streambuf* const standardBuffer = std::cout.rdbuf(&consoleBuffer);
    drainPrep::endRunOnScratchFileFault(consoleBuffer);
    const int status = drainPrep::runCatchingFailures(std::cout, [argc, argv] {
        const std::vector<std::string> arguments(argv + 1, argv + argc);
        if (drainPrep::asksForHelp(arguments)) {
            std::cout << drainPrep::runUsageText << "\n" << drainPrep::runHelpText;
            return 0;
        }
        drainPrep::RunOptions options;
        if (auto failure = drainPrep::parseRunArguments(arguments, options)) {
            return drainPrep::exitStatus(std::cout, failure);
        }
        return drainPrep::runDrainPrep(std::cout, std::cin, options) == drainPrep::RunEnd::complete
                   ? 0
                   : 1;
    });
    std::cout.flush();
    std::cout.rdbuf(standardBuffer);
    return status;
}

}  // namespace

// Reads ./clipArea.dat and the source rasters (./input, or --dem and --dir),
// writes ./output; --outlets names the outlet rule.
int main(int argc, char** argv) {
    // A file-size limit then makes a write or the reservation of the scratch
    // file fail, which the run reports, instead of killing the process.
    std::signal(SIGXFSZ, SIG_IGN);
    std::ios::sync_with_stdio(false);
    // The console buffer is memory too, had before the run's own guard.
    return drainPrep::runCatchingFailures(
        std::cout, [argc, argv] { return runThroughConsoleBuffer(argc, argv); });
}
