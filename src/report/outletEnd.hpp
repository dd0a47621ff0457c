// Where the water of a basin goes at its outlet, worked out from the run's
// own files: the source direction of the outlet in cutDir.asc, and the cell
// it points into.
#pragma once

#include <cstdint>
#include <optional>

#include "cell/directions.hpp"
#include "cell/outletRule.hpp"
#include "geometry/studyArea.hpp"
#include "runFiles/outletListReader.hpp"

namespace drainPrep::report {

enum class OutletKind {
    edge,   // an outlet of the outlet ring: the river leaves the area
    sink,   // a source code 0
    coast,  // into a cell without flow data, or no source direction of its own
    cut,    // into a cell with flow data: the water goes on, the outlet rule ended it
};

const char* outletKindName(OutletKind kind);

// The outlet's cell and its eight neighbours as the scan read them: the
// source samples of cutDem.asc and cutDir.asc and the basin numbers of
// riverNum.bin. Index 0..7 the neighbours in the order of the direction
// table, 8 the outlet.
struct OutletSurroundings {
    static constexpr int outletIndex = directionCount;
    std::int32_t elevation[directionCount + 1] = {};
    std::int32_t direction[directionCount + 1] = {};
    std::int32_t riverNum[directionCount + 1] = {};
};

struct OutletEnd {
    OutletKind kind = OutletKind::edge;
    // For a cut: the cell the water goes on into, and its basin, if any.
    std::int32_t intoRow = 0;
    std::int32_t intoCol = 0;
    std::optional<std::int32_t> continuesInto;
};

// `rule` is the run's: it says which elevations are land.
OutletEnd outletEnd(const StudyArea& area, const Outlet& outlet,
                    const OutletSurroundings& surroundings, OutletRule rule);

}  // namespace drainPrep::report
