// One pass over the grids of a run, row by row and all six in step, that
// gathers everything the report shows: cell counts, the measures of the
// largest basins, the reduced map grids and the cells along the edge.
#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "geometry/studyArea.hpp"
#include "report/blockReduction.hpp"
#include "report/edgeInflow.hpp"
#include "report/outletEnd.hpp"
#include "runFiles/outletListReader.hpp"
#include "text/failure.hpp"

namespace drainPrep::report {

// What the basin map shows of a cell: its basin number (1 and up), or one of
// these.
constexpr std::int32_t loopCategory = 0;  // land on or above a loop
constexpr std::int32_t seaCategory = -1;
constexpr std::int32_t noDataCategory = -2;
constexpr std::int32_t frameCategory = -3;
constexpr std::int32_t removedOutletCategory = -4;  // land no cell drains into

// Land, sea and no data count the cells off the frame ring.
struct CellCounts {
    std::int64_t land = 0;
    std::int64_t sea = 0;
    std::int64_t noData = 0;
    std::int64_t frameRing = 0;
    std::int64_t removedOutlets = 0;
    std::int64_t loopCells = 0;
    double landKm2 = 0.0;
};

struct BasinMeasure {
    double km2 = 0.0;
    std::int32_t longestPath = 0;  // the largest distance in the basin, in steps
};

struct MapGrids {
    std::int32_t reduction = 1;    // cells per block side
    std::int32_t enlargement = 1;  // pixels per block side
    ReducedGrid categories;        // most frequent category
    ReducedGrid basinSizes;        // largest basin size (flowAcc.bin)
    ReducedGrid distances;         // largest distance to the outlet
    ReducedGrid elevations;        // highest source elevation
    ReducedGrid riverOrders;       // highest Strahler order of the river cells, 0 where none
};

// Cells off the frame ring below 0 m that have an elevation: sea to the
// coast rule, land (or, without a direction, no data) to the d8 rule.
struct BelowSeaLevel {
    std::int64_t withDirection = 0;
    double withDirectionKm2 = 0.0;
    std::int64_t withoutDirection = 0;
    // One of them drains in flowDir.bin: only a d8 run gives it a direction.
    bool draining = false;

    // The counts of a d8 run from those of the coast rule.
    void countAsLand(CellCounts& counts) const;
};

struct GridScan {
    CellCounts counts;
    BelowSeaLevel belowSeaLevel;
    std::vector<BasinMeasure> measured;  // in the order of the basins asked for
    std::vector<OutletSurroundings> surroundings;  // of their outlets, in the same order
    MapGrids maps;
    EdgeBand sourceDirections;
    EdgeBand sourceElevations;
    EdgeBand riverNums;
};

// Reads cutDem.asc, cutDir.asc, distance.asc, flowDir.bin, flowAcc.bin and
// riverNum.bin once, through every check of a run's grids (runGrids).
// `measured` names the basins to measure and whose outlets to look around. Cells below 0 m count as
// sea, as the coast rule takes them; those a d8 run keeps as land are counted
// apart. Progress goes to the console.
Failure scanGrids(const std::filesystem::path& folder, const StudyArea& area,
                  const std::vector<Outlet>& outlets, const std::vector<Outlet>& measured,
                  std::ostream& console, GridScan& scan);

}  // namespace drainPrep::report
