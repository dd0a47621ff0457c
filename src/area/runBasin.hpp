// The basin that a drainPrep run of a study area gives a point, worked out by
// the run's own preparation of the direction codes over the area: under the
// coast rule the outlets beside cells without flow depend on the area, and
// may end a river before its flow directions do.
#pragma once

#include <cstdint>
#include <optional>

#include "area/flowGrid.hpp"
#include "cell/outletRule.hpp"
#include "geometry/sourceFrame.hpp"
#include "geometry/studyArea.hpp"

namespace drainPrep {

struct RunBasin {
    // The point's value in the run's flowAcc.bin: -1 for an outlet that no
    // cell drains into, which the run removes.
    std::int32_t cells = 0;
    SourceCell pointInArea;  // row and column of the point in the study area
    // A cell that the run makes an outlet while its flow directions go on:
    // the first on the point's path down, or else the one of the point's
    // basin that cuts off the most.
    std::optional<SourceCell> cut;
    bool cutBelowPoint = false;
};

// `source` holds the flow data of `frame` decoded under `rule`; the point
// has flow data.
RunBasin basinInRun(const FlowGrid& source, const StudyArea& area, const SourceFrame& frame,
                    SourceCell point, OutletRule rule);

}  // namespace drainPrep
