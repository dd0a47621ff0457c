// ESRI D8 flow directions of a DEM, one byte a cell:
//
//   32  64 128      NW  N  NE
//   16   .   1       W  .  E        flowDirections[k].sourceCode
//    8   4   2      SW  S  SE
//
//   247  a cell without data
//     0  a sink: a kept sink, or a cell from which no path leads down, the
//        bottom of a depression left unfilled; a filled DEM has none but
//        those kept
#pragma once

#include <cstdint>
#include <vector>

#include "directions/demGrid.hpp"

namespace drainPrep {

inline constexpr std::uint8_t noDataCode = 247;
inline constexpr std::uint8_t sinkCode = 0;

struct DirectionRecord {
    // Cells routed across flats, and the flats they form.
    std::int64_t flatCells = 0;
    std::int64_t flats = 0;
    // Cells left with sinkCode besides the kept sinks: pits, and flats with no
    // lower cell beside them.
    std::int64_t sinkCells = 0;
};

// Fills codes with one code per cell of `filled`, in its order. For a cell
// with data, the first rule that gives a direction decides:
//
//   1. Steepest descent: the drop to each neighbour with data divided by the
//      distance between the centres (lengths); the steepest strictly positive
//      slope wins, ties going to the first in the order N, NE, E, SE, S, SW,
//      W, NW (flowDirections).
//   2. A cell with no lower neighbour on the grid's edge drains out of the
//      grid, by the first direction in that order that leaves it; one beside
//      a cell without data drains into the first such neighbour.
//   3. The rest lie on flats: cells of one elevation joined side by side or
//      corner to corner. A flat beside a cell of its elevation that has a
//      direction (its low edge) is routed over a surface of breadth-first
//      steps, rising away from the low edge and, at half that weight, towards
//      the flat's cells beside higher ground, so that water converges on
//      channels instead of running in parallel lines. Each cell points to the
//      neighbour on the flat or low edge lowest on that surface, ties in the
//      order above. Elevations do not change.
//   4. What remains, a pit or a flat without a low edge, gets sinkCode.
//
// `keptSinks` (sinksOfLargeDepressions) get sinkCode first and gather the
// water of their depressions: a flat beside one has it for its low edge.
//
// On a filled DEM (fillDepressions) every cell with data gets a direction,
// every path ends off the grid's edge or at a cell without data, and no step
// goes uphill. lengths.eastWest holds one length per row. A flat holds fewer
// than 2^30 cells. Time linear in the cells; memory, besides the grid and the
// codes, four bytes for every cell of a grid that has a flat, and the fronts
// of the breadth-first searches across flats. Throws std::bad_alloc.
DirectionRecord d8Codes(const DemGrid& filled, const CellLengths& lengths,
                        std::vector<std::uint8_t>& codes,
                        const std::vector<std::int64_t>& keptSinks = {});

}  // namespace drainPrep
