// Micro-benchmarks of the loops that touch every cell: number text and the
// network derivation. Items per second are cells (or values) per second.
//
//   cmake --preset release -DDRAINPREP_BUILD_BENCH=ON && cmake --build --preset release
//   build/release/bench/hotLoops
#include <benchmark/benchmark.h>

#include <sstream>
#include <vector>

#include "analysis/gridPreparation.hpp"
#include "analysis/networkDerivation.hpp"
#include "text/numberText.hpp"

namespace drainPrep {
namespace {

void formatInts(benchmark::State& state) {
    std::vector<char> text(maxNumberChars);
    std::int32_t value = -9999;
    for (auto _ : state) {
        benchmark::DoNotOptimize(writeNumber(text.data(), value));
        value = value * 7 + 13;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(formatInts);

void formatElevations(benchmark::State& state) {
    std::vector<char> text(maxNumberChars);
    double value = 0.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(writeNumber(text.data(), value));
        value = value < 8000.0 ? value + 1.0 : -9999.0;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(formatElevations);

// A plane tilted to the south-east with every cell draining south: long
// parallel rivers, one outlet per column on the southern outlet ring.
CellGrid preparedPlane(std::int32_t size) {
    const StudyArea area{size, size, 40, 100};
    IntGrid dem(size, size);
    IntGrid directions(size, size);
    for (std::int32_t row = 0; row < size; ++row) {
        for (std::int32_t col = 0; col < size; ++col) {
            dem[row][col] = 5000 - row - col;
            directions[row][col] = 4;
        }
    }
    CellGrid cells(size, size);
    buildCells(area, dem, directions, cells);
    std::ostringstream console;
    prepareGrid(cells, console);
    return cells;
}

void deriveNetwork(benchmark::State& state) {
    const auto size = static_cast<std::int32_t>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        CellGrid cells = preparedPlane(size);
        state.ResumeTiming();
        registerUpstream(cells);
        pruneOutlets(cells);
        const DrainageOrder order = assignDistances(cells);
        accumulateBasinSizes(order);
        numberRivers(order);
        benchmark::DoNotOptimize(cells[size / 2][size / 2].riverNum);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(0));
}
BENCHMARK(deriveNetwork)->Arg(500)->Arg(2000)->Unit(benchmark::kMillisecond);

void prepareCells(benchmark::State& state) {
    const auto size = static_cast<std::int32_t>(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(preparedPlane(size));
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(0));
}
BENCHMARK(prepareCells)->Arg(2000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace drainPrep
