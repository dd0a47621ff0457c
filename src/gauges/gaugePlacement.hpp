// Gauges placed on a network: each snapped onto the river by its published
// catchment area, its sub-basin (the cells whose water meets it first), the
// next gauge downstream, and whether water from across the area's edge
// reaches it. Linear in cells and gauges: the cells are labelled by one walk
// down the network from every cell (each cell passed at most twice) with the
// first candidate of the snapping on their path; the candidates' upstream
// areas are handed down their tree, and a cell's gauge is the first gauge at
// or below its candidate. Nothing walks per gauge.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "gauges/gaugeFile.hpp"
#include "geometry/sourceFrame.hpp"

namespace drainPrep {

// Areas are summed as whole units of 1e-11 km² (a tenth of a square
// centimetre), so that a sum is the same in whatever order its cells come.
using AreaUnits = std::uint64_t;
AreaUnits areaUnitsOf(double km2);
double km2Of(AreaUnits units);

// The network the gauges are placed on: one code a cell, row-major from the
// north-west cell of the frame.
struct GaugeNetwork {
    // Codes besides the internal 1..8 (drains into the neighbour of that code,
    // never off the grid) and 0 (the water ends here).
    static constexpr std::int8_t noBasin = -1;     // in no basin: sea, no data, a loop
    static constexpr std::int8_t frameRing = -9;  // a sub-basin label of -9999 here

    SourceFrame frame;  // where the grid lies, for the gauges' coordinates
    std::vector<std::int8_t> codes;
    std::vector<AreaUnits> rowArea;  // the area of a cell of each row
};

enum class GaugeStatus {
    placed,
    outside,      // its cell lies outside the grid
    noCandidate,  // no basin cell within the snap radius
    sameCell,     // snapped onto the cell of an earlier gauge
};

struct GaugeOnNetwork {
    GaugeStatus status = GaugeStatus::outside;
    SourceCell given;    // the cell of its coordinates (unless outside)
    SourceCell snapped;  // the cell it is placed on (unless outside or without candidate)
    std::int32_t cellsMoved = 0;  // the larger of the row and column steps
    std::int64_t upstreamCells = 0;
    AreaUnits upstreamArea = 0;
    std::int64_t subbasinCells = 0;
    AreaUnits subbasinArea = 0;
    std::int32_t downstreamGauge = -1;  // its index in the list, or -1 at none
    std::int32_t sameCellAs = -1;       // the earlier gauge's index (sameCell)
    bool complete = true;  // no water from across the edge drains into its cell
};

// How far a gauge or a point picked by hand moves onto its river unless
// told: its place is uncertain in metres, not in cells, so 3 cells at 30"
// and 30 at 3" (at least one).
std::int32_t defaultSnapCells(const CellLattice& lattice);

// Sub-basin labels: the gauge's id, or one of these.
constexpr std::int32_t noGaugeLabel = -1;
constexpr std::int32_t frameRingLabel = -9999;

struct GaugePlacement {
    std::vector<GaugeOnNetwork> gauges;  // in the order of the gauge list
    std::vector<std::int32_t> subbasins;  // a label a cell, row-major
};

// entryCells: the cells (row-major indices) where water from across the
// edge enters the network.
GaugePlacement placeGauges(const GaugeNetwork& network, const std::vector<Gauge>& gauges,
                           std::int32_t snapRadius, const std::vector<std::size_t>& entryCells);

}  // namespace drainPrep
