#include <unistd.h>

#include <csignal>
#include <iostream>

#include "driver/console.hpp"
#include "driver/runSequence.hpp"

// Takes no arguments: the run reads ./clipArea.dat and ./input, writes ./output.
int main() {
    // A file-size limit then makes a write or the reservation of the scratch
    // file fail, which the run reports, instead of killing the process.
    std::signal(SIGXFSZ, SIG_IGN);
    // A DEM with wide flats makes millions of pit-report lines; they go out
    // through one large buffer, while every console line still flushes.
    std::ios::sync_with_stdio(false);
    drainPrep::ConsoleBuffer consoleBuffer(STDOUT_FILENO);
    std::streambuf* const standardBuffer = std::cout.rdbuf(&consoleBuffer);
    drainPrep::endRunOnScratchFileFault(consoleBuffer);
    const int status = drainPrep::runDrainPrep(std::cout, std::cin);
    std::cout.flush();
    std::cout.rdbuf(standardBuffer);
    return status;
}
