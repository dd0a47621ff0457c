// A plain, literal preparation and derivation of the drainage network used as
// a yardstick for the tool's: every step is made of whole-grid row-major
// sweeps, one sweep per preparation step, one full sweep per distance level
// for the distances and one per level, from the farthest down to 0, for the
// basin sizes.
//
// It is slow on purpose (the work grows with the cell count times the
// longest flow path) and only meant for tests.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

#include "cell/cellObject.hpp"
#include "geometry/studyArea.hpp"
#include "raster/intGrid.hpp"

namespace drainPrep::testing {

// What the level loops did, for tests that check the number of passes.
struct LevelSweepReport {
    std::int32_t distanceSweeps = 0;  // passes of the distance loop
    std::int32_t finalLevel = 0;      // the level the distance loop ended with
    std::int32_t basinSweeps = 0;     // passes of the basin loop
};

// Runs the eight preparation sweeps one after the other: construction,
// decoding, rings, initialisation and links, sea marking, no-data counts,
// slopes with the pit report, down links; the rule decides which cells have
// no flow and which of their neighbours become outlets. Returns the failure text of a
// source code that is not a D8 code; the sweeps after decoding then do not run.
std::optional<std::string> prepareGridSweepBySweep(const StudyArea& area, const IntGrid& dem,
                                                   const IntGrid& directions, CellGrid& cells,
                                                   std::ostream& console,
                                                   OutletRule rule = OutletRule::coast);

// Takes a grid as the preparation leaves it and derives upstream links,
// removed outlets, distances, basin sizes and river numbers.
LevelSweepReport deriveNetworkLevelByLevel(CellGrid& cells);

}  // namespace drainPrep::testing
