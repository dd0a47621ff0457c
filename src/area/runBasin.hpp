// The basins that a drainPrep run of a study area gives points of it, worked
// out by the run's own preparation of the direction codes over the area:
// under the coast rule the outlets beside cells without flow depend on the
// area, and may end a river before its flow directions do.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "area/flowGrid.hpp"
#include "area/sourceBlocks.hpp"
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

class AreaRun {
public:
    // `source` holds the flow data of `frame` decoded under `rule`; only the
    // area's window of it is read, and the upstream counts it has.
    AreaRun(const SourceBlocks& source, const StudyArea& area, const SourceFrame& frame,
            OutletRule rule);

    // The point lies in the source grid, has flow data and was counted.
    RunBasin basinOf(SourceCell point) const;

    // The run's network, row 0 the area's first row.
    const FlowGrid& network() const { return run_; }
    // The source's own flow data over the area.
    const FlowGrid& sourceInArea() const { return window_; }

private:
    SourceCell inArea(SourceCell cell) const;
    SourceCell inSource(std::int32_t row, std::int32_t col) const;
    std::size_t indexInArea(SourceCell at) const;
    bool insideRings(SourceCell cell) const;
    bool isCut(SourceCell cell) const;
    std::optional<SourceCell> firstCutBelow(SourceCell point) const;
    void paintLargestCutsAbove();

    const SourceBlocks& source_;
    const StudyArea& area_;
    ClipOffsets offsets_;
    FlowGrid window_;
    FlowGrid run_;
    // The cuts of the area, and for each area cell the one of most source
    // cells upstream at or above it (an index into cuts_, -1 for none).
    std::vector<SourceCell> cuts_;
    std::vector<std::int32_t> largestCutAbove_;
};

}  // namespace drainPrep
