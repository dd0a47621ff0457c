#include <csignal>
#include <iostream>
#include <vector>

#include "driver/runSequence.hpp"

// Takes no arguments: the run reads ./clipArea.dat and ./input, writes ./output.
int main() {
    // A file-size limit then makes a write or the reservation of the scratch
    // file fail, which the run reports, instead of killing the process.
    std::signal(SIGXFSZ, SIG_IGN);
    // A DEM with wide flats makes millions of pit-report lines; they go out
    // through one large buffer, while every console line still flushes.
    std::ios::sync_with_stdio(false);
    std::vector<char> consoleBuffer(std::size_t{1} << 20);
    std::cout.rdbuf()->pubsetbuf(consoleBuffer.data(),
                                 static_cast<std::streamsize>(consoleBuffer.size()));
    const int status = drainPrep::runDrainPrep(std::cout, std::cin);
    std::cout.flush();
    return status;
}
