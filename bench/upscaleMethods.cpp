// The share of wrong model connections of three ways to upscale a finished
// run's network, by the measure drainPrepUpscale reports:
//   naive: the outlet is the cell of largest upstream area, the direction
//          leads to the model cell its water enters first;
//   outlets only: the same outlets, the direction to the first outlet reached
//          where it is a neighbour (drainPrepUpscale without its repairs);
//   repaired: drainPrepUpscale.
// With --peer, instead, the share of another program's model network on the
// same run: its outlets (the fine cell of each model cell, row-major int64,
// -1 for none) and directions (internal codes, int32, -1 for no flow data)
// as two raw files, judged by the same measure.
//
// Usage: upscaleMethods RUN_FOLDER FACTOR...
//        upscaleMethods RUN_FOLDER --peer FACTOR OUTLETS_FILE DIRECTIONS_FILE
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "runFiles/runFiles.hpp"
#include "upscale/upscaling.hpp"

using namespace drainPrep;
using namespace drainPrep::upscale;

namespace {

std::vector<std::int32_t> naiveDirections(const FineNetwork& fine, const ModelGrid& grid,
                                          const Outlets& outlets) {
    std::vector<std::int32_t> directions(grid.cellCount(), noFlowCode);
    for (std::size_t model = 0; model < grid.cellCount(); ++model) {
        if (outlets[model] == noOutlet) continue;
        const auto outlet = static_cast<std::size_t>(outlets[model]);
        directions[model] = fine.drains(outlet)
                                ? grid.directionCode(static_cast<std::int32_t>(model),
                                                     grid.cellOfFine(fine.downOf(outlet)))
                                : outletCode;
    }
    return directions;
}

void report(const char* method, const ConnectionCount& count, double seconds) {
    std::printf("  %-13s %8lld of %8lld wrong  %6.2f %%  %7.3f s\n", method,
                static_cast<long long>(count.wrong), static_cast<long long>(count.withFlow),
                count.share() * 100.0, seconds);
}

template <typename Value>
std::vector<Value> rawValues(const char* path, std::size_t count) {
    std::vector<Value> values(count);
    std::ifstream file(path, std::ios::binary);
    file.read(reinterpret_cast<char*>(values.data()),
              static_cast<std::streamsize>(count * sizeof(Value)));
    if (!file || file.peek() != std::char_traits<char>::eof()) {
        std::fprintf(stderr, "%s does not hold %zu values of %zu bytes\n", path, count,
                     sizeof(Value));
        std::exit(1);
    }
    return values;
}

int judgePeer(const FineNetwork& fine, const StudyArea& area, char** argv) {
    const ModelGrid grid(area.nrows, area.ncols, std::atoi(argv[3]));
    const Outlets outlets = rawValues<std::int64_t>(argv[4], grid.cellCount());
    const std::vector<std::int32_t> directions =
        rawValues<std::int32_t>(argv[5], grid.cellCount());
    report("peer", countWrongConnections(fine, grid, outlets, directions), 0.0);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "Usage: upscaleMethods RUN_FOLDER FACTOR...\n");
        return 1;
    }
    StudyArea area;
    AsciiGridHeader header;
    std::optional<SourceRecord> sources;
    IntGrid codes;
    if (auto failure = checkRunFiles(argv[1], area, header, sources)) {
        std::fprintf(stderr, "%s\n", failure->c_str());
        return 1;
    }
    if (auto failure = readFlowDirections(argv[1], area, codes)) {
        std::fprintf(stderr, "%s\n", failure->c_str());
        return 1;
    }
    const FineNetwork fine(area, std::move(codes));
    if (argc == 6 && std::string(argv[2]) == "--peer") return judgePeer(fine, area, argv);
    using Clock = std::chrono::steady_clock;
    const auto secondsSince = [](Clock::time_point start) {
        return std::chrono::duration<double>(Clock::now() - start).count();
    };
    for (int i = 2; i < argc; ++i) {
        const int factor = std::atoi(argv[i]);
        const ModelGrid grid(area.nrows, area.ncols, factor);
        std::printf("%d x %d cells, factor %d: %d x %d model cells\n", area.nrows, area.ncols,
                    factor, grid.rows(), grid.cols());
        auto start = Clock::now();
        Outlets outlets = largestRiverOutlets(fine, grid);
        const std::vector<std::int32_t> naive = naiveDirections(fine, grid, outlets);
        report("naive", countWrongConnections(fine, grid, outlets, naive), secondsSince(start));
        start = Clock::now();
        std::vector<std::int32_t> reached = firstOutletsReached(fine, grid, outlets);
        const std::vector<std::int32_t> unrepaired = modelDirections(fine, grid, outlets, reached);
        report("outlets only", countWrongConnections(fine, grid, outlets, unrepaired),
               secondsSince(start));
        start = Clock::now();
        const ModelNetwork network = upscaleNetwork(fine, grid);
        report("repaired", countWrongConnections(fine, grid, network.outlets, network.directions),
               secondsSince(start));
    }
    return 0;
}
