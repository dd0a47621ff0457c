// A plain, literal derivation of the drainage network used as a yardstick
// for the tool's linear-time derivation: every step is made of whole-grid
// row-major sweeps, with one full sweep per distance level for the distances
// and one per level, from the farthest down to 0, for the basin sizes.
//
// It is slow on purpose (the work grows with the cell count times the
// longest flow path) and only meant for tests.
#pragma once

#include <cstdint>

#include "cell/cellObject.hpp"

namespace drainPrep::testing {

// What the level loops did, for tests that check the number of passes.
struct LevelSweepReport {
    std::int32_t distanceSweeps = 0;  // passes of the distance loop
    std::int32_t finalLevel = 0;      // the level the distance loop ended with
    std::int32_t basinSweeps = 0;     // passes of the basin loop
};

// Takes a grid as the preparation leaves it and derives upstream links,
// removed outlets, distances, basin sizes and river numbers.
LevelSweepReport deriveNetworkLevelByLevel(CellGrid& cells);

}  // namespace drainPrep::testing
