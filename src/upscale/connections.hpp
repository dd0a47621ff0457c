// Where the water of a model cell goes on the fine network, and whether a
// model direction says the same.
//
// The connection of a model cell is correct when the first outlet cell of
// another model cell that its outlet's water reaches downstream lies in the
// model cell its direction points to; "the river ends here" (code 0) is
// correct only when no such outlet is reached.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "upscale/fineNetwork.hpp"
#include "upscale/modelGrid.hpp"

namespace drainPrep::upscale {

// The fine cell of each model cell's outlet, noOutlet where it has no flow data.
using Outlets = std::vector<std::int64_t>;

inline bool isOutlet(const ModelGrid& grid, const Outlets& outlets, std::size_t fineCell) {
    return outlets[static_cast<std::size_t>(grid.cellOfFine(fineCell))] ==
           static_cast<std::int64_t>(fineCell);
}

// The model cell whose outlet the water of `cell`'s outlet reaches first,
// noModelCell where it reaches none; walks the path.
std::int32_t traceFirstOutlet(const FineNetwork& fine, const ModelGrid& grid,
                              const Outlets& outlets, std::int32_t cell);

// The same for every model cell, in time linear in the cells: each fine cell
// is walked at most twice, whatever the paths share.
std::vector<std::int32_t> firstOutletsReached(const FineNetwork& fine, const ModelGrid& grid,
                                              const Outlets& outlets);

// A model cell's direction is right for the first outlet its water reaches.
inline bool connectionRight(const ModelGrid& grid, std::int32_t cell, std::int32_t code,
                            std::int32_t reached) {
    if (reached == noModelCell) return code == outletCode;
    return code > outletCode && grid.downOf(cell, code) == reached;
}

struct ConnectionCount {
    std::int64_t withFlow = 0;  // model cells with flow data
    std::int64_t wrong = 0;

    double share() const {
        return withFlow == 0 ? 0.0 : static_cast<double>(wrong) / static_cast<double>(withFlow);
    }
};

// The wrong connections of model directions (internal codes, below 0 where
// a model cell has no flow data) with their outlets.
ConnectionCount countWrongConnections(const FineNetwork& fine, const ModelGrid& grid,
                                      const Outlets& outlets,
                                      const std::vector<std::int32_t>& directions);

}  // namespace drainPrep::upscale
