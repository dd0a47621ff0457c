// Micro-benchmarks of the loops that touch every cell: number text, the
// grid preparation and the network derivation. Items per second are cells
// (or values) per second.
//
//   cmake --preset release -DDRAINPREP_BUILD_BENCH=ON && cmake --build --preset release
//   build/release/bench/hotLoops
#include <benchmark/benchmark.h>

#include <algorithm>
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
// parallel rivers, one outlet per column on the southern outlet ring. Its
// records are touched once here, so that the loops time the work on them and
// not the kernel's zeroing of fresh pages.
struct Plane {
    explicit Plane(std::int32_t size)
        : area{size, size, 40, 100}, dem(size, size), directions(size, size), cells(size, size) {
        for (std::int32_t row = 0; row < size; ++row) {
            for (std::int32_t col = 0; col < size; ++col) {
                dem[row][col] = 5000 - row - col;
                directions[row][col] = 4;
            }
        }
        std::fill(cells.begin(), cells.end(), cellObject{});
    }
    StudyArea area;
    IntGrid dem;
    IntGrid directions;
    CellGrid cells;
};

// The preparation with registration, then the basins.
void deriveNetwork(benchmark::State& state) {
    const auto size = static_cast<std::int32_t>(state.range(0));
    Plane plane(size);
    CellFields fields(size, size);
    for (auto _ : state) {
        std::ostringstream console;
        std::vector<cellObject*> outlets;
        prepareAndRegister(plane.area, plane.dem, plane.directions, plane.cells, console, outlets,
                           fields);
        deriveBasins(outlets, plane.cells, fields);
        benchmark::DoNotOptimize(plane.cells[size / 2][size / 2].riverNum);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(0));
}
BENCHMARK(deriveNetwork)->Arg(500)->Arg(2000)->Unit(benchmark::kMillisecond);

void prepareCells(benchmark::State& state) {
    const auto size = static_cast<std::int32_t>(state.range(0));
    Plane plane(size);
    for (auto _ : state) {
        std::ostringstream console;
        prepareGrid(plane.area, plane.dem, plane.directions, plane.cells, console,
                    [](std::int32_t) {});
        benchmark::DoNotOptimize(plane.cells[size / 2][size / 2].down);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(0));
}
BENCHMARK(prepareCells)->Arg(2000)->Unit(benchmark::kMillisecond);

// The preparation and derivation under each outlet rule (0 coast, 1 d8) on
// the plane with square lakes of no data over a fifth of it, so that the
// marking beside cells without flow has work to do.
void deriveNetworkUnderRule(benchmark::State& state) {
    constexpr std::int32_t size = 2000;
    constexpr std::int32_t lakeSide = 40;
    Plane plane(size);
    for (std::int32_t row = 0; row < size; ++row) {
        for (std::int32_t col = 0; col < size; ++col) {
            if ((row / lakeSide + 2 * (col / lakeSide)) % 5 != 0) continue;
            plane.dem[row][col] = -9999;
            plane.directions[row][col] = -9999;
        }
    }
    const OutletRule rule = state.range(0) == 0 ? OutletRule::coast : OutletRule::d8;
    CellFields fields(size, size);
    for (auto _ : state) {
        std::ostringstream console;
        std::vector<cellObject*> outlets;
        prepareAndRegister(plane.area, plane.dem, plane.directions, plane.cells, console, outlets,
                           fields, rule);
        deriveBasins(outlets, plane.cells, fields);
        benchmark::DoNotOptimize(plane.cells[size / 2][size / 2].riverNum);
    }
    state.SetLabel(outletRuleName(rule));
    state.SetItemsProcessed(state.iterations() * size * size);
}
BENCHMARK(deriveNetworkUnderRule)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace drainPrep
