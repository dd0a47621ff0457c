#include <csignal>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "driver/runArguments.hpp"
#include "driver/runSequence.hpp"

// Reads ./clipArea.dat and the source rasters (./input, or --dem and --dir),
// writes ./output.
int main(int argc, char** argv) {
    // A file-size limit then makes a write or the reservation of the scratch
    // file fail, which the run reports, instead of killing the process.
    std::signal(SIGXFSZ, SIG_IGN);
    // A DEM with wide flats makes millions of pit-report lines; they go out
    // through one large buffer, while every console line still flushes.
    std::ios::sync_with_stdio(false);
    std::vector<char> consoleBuffer(std::size_t{1} << 20);
    std::cout.rdbuf()->pubsetbuf(consoleBuffer.data(),
                                 static_cast<std::streamsize>(consoleBuffer.size()));
    std::optional<drainPrep::SourcePaths> sources;
    if (auto failure = drainPrep::parseRunArguments({argv + 1, argv + argc}, sources)) {
        std::cout << *failure << std::endl;
        return 1;
    }
    const int status = drainPrep::runDrainPrep(std::cout, std::cin, sources);
    std::cout.flush();
    return status;
}
