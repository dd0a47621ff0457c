// Water that enters the study area across its edge: a cell of the frame ring
// whose source D8 code (cutDir.asc) points to a cell off the frame ring. The
// run cannot route it, so the basin it would have joined misses that water.
// Likewise a land cell of the outlet ring (the second ring, where drainPrep
// makes every land cell an outlet) whose code points further into the area:
// the run ends that cell's water, and all that flows into it, at the cell
// itself. A sea cell there is no outlet and ends nothing.
#pragma once

#include <cstdint>
#include <vector>

#include "cell/outletRule.hpp"

namespace drainPrep::report {

// The cells within three of the study area's edge (the frame ring, the outlet
// ring and the ring inside it) of one grid: all that the inflow search reads.
// Rows are kept as they stream past.
class EdgeBand {
public:
    EdgeBand() = default;
    EdgeBand(std::int32_t nrows, std::int32_t ncols);

    // values: the whole row, ncols values.
    void keepRow(std::int32_t row, const std::int32_t* values);
    // Only for cells within three of the edge.
    std::int32_t at(std::int32_t row, std::int32_t col) const;

    std::int32_t nrows() const { return nrows_; }
    std::int32_t ncols() const { return ncols_; }

private:
    bool keepsWholeRow(std::int32_t row) const;

    std::int32_t nrows_ = 0;
    std::int32_t ncols_ = 0;
    std::vector<std::int32_t> values_;
    std::vector<std::size_t> rowStart_;
};

enum class Edge { north, east, south, west };

const char* edgeName(Edge edge);

enum class Ring { frame, outlet };

const char* ringName(Ring ring);

struct EdgeInflow {
    Edge edge;  // the corner cells count for the north or the south edge
    Ring ring;
    std::int32_t row;
    std::int32_t col;
    // The basin the water would have joined, or -1 (see findEdgeInflow).
    std::int32_t riverNum;
    // The cell where it would have joined the network, or -1 and -1.
    std::int32_t entryRow;
    std::int32_t entryCol;
};

// Every inflow place, in row-major order. Its basin is found by following the
// source codes from the place inward to the first cell off both rings (its
// entry cell), whose basin number it takes; -1 when the path leaves the area, meets sea or
// no data, or ends (an outlet code, or a circle within the rings) first.
std::vector<EdgeInflow> findEdgeInflow(const EdgeBand& sourceDirections,
                                       const EdgeBand& sourceElevations, const EdgeBand& riverNums,
                                       OutletRule rule = OutletRule::coast);

}  // namespace drainPrep::report
