// Flow directions of the model grid that follow the fine network.
//
// Each model cell with flow data gets an outlet cell: at first the cell of
// largest upstream area among those where a river leaves the model cell (or
// ends in it). Its water then reaches, downstream, the outlet of another
// model cell or none, and the direction points there. Where that outlet is
// no neighbour, the connection is wrong. A wrong connection is repaired by
// moving an outlet: that of a neighbour the water passes, along the river to
// the cell where the water leaves that neighbour, or, failing that, the cell's
// own outlet to another river leaving it whose water finds a neighbour's
// outlet. A move that turns other connections wrong is followed by moves
// that repair those, a few deep; the whole is kept only when no connection
// that was right ends wrong. A connection still wrong points to the first
// neighbour its water enters, unless that closes a loop; then the river ends.
#pragma once

#include <cstdint>
#include <vector>

#include "upscale/connections.hpp"

namespace drainPrep::upscale {

struct ModelNetwork {
    Outlets outlets;
    std::vector<std::int32_t> reached;     // first outlet reached, noModelCell for none
    std::vector<std::int32_t> directions;  // 1 N to 8 NW, 0 the river ends, -1 no flow data
    std::int64_t repairs = 0;              // wrong connections made right
};

// The first outlets: where the river of largest upstream area leaves each
// model cell; the first such cell in row-major order on a tie.
Outlets largestRiverOutlets(const FineNetwork& fine, const ModelGrid& grid);

// Moves outlets while that makes wrong connections right and breaks none;
// keeps `reached` up to date. Returns the connections made right.
std::int64_t repairConnections(const FineNetwork& fine, const ModelGrid& grid, Outlets& outlets,
                               std::vector<std::int32_t>& reached);

// The directions of the model cells: to the outlet reached where it is a
// neighbour; never a loop.
std::vector<std::int32_t> modelDirections(const FineNetwork& fine, const ModelGrid& grid,
                                          const Outlets& outlets,
                                          const std::vector<std::int32_t>& reached);

ModelNetwork upscaleNetwork(const FineNetwork& fine, const ModelGrid& grid);

}  // namespace drainPrep::upscale
