#include "support/levelSweeps.hpp"

#include <ostream>

#include "analysis/directionCodes.hpp"

namespace drainPrep::testing {

namespace {

constexpr std::int32_t withoutFlowBasinSize = -9999;

// One row-major visit of every cell: rows north to south, columns west to
// east.
template <typename Visit>
void sweep(CellGrid& cells, Visit visit) {
    for (std::int32_t row = 0; row < cells.nrows(); ++row) {
        for (std::int32_t col = 0; col < cells.ncols(); ++col) visit(cells[row][col], row, col);
    }
}

// Every cell placed with its centre, elevation and raw direction.
void placeEveryCell(const StudyArea& area, const IntGrid& dem, const IntGrid& directions,
                    CellGrid& cells) {
    sweep(cells, [&](cellObject& cell, std::int32_t row, std::int32_t col) {
        cell.setLocation(row, col, area, dem[row][col], directions[row][col]);
    });
}

// Decoded in row-major order up to the first code that is not a D8 code.
std::optional<std::string> decodeEveryCell(CellGrid& cells, OutletRule rule) {
    for (std::int32_t row = 0; row < cells.nrows(); ++row) {
        for (std::int32_t col = 0; col < cells.ncols(); ++col) {
            cellObject& cell = cells[row][col];
            const std::optional<std::int32_t> code = decodeDirection(cell.dir);
            if (!code) {
                return std::to_string(row) + "-" + std::to_string(col) + "-" +
                       std::to_string(cell.dir) + "cellObject.down is wrong.\n";
            }
            cell.dir = withoutFlow(rule, *code, cell.elev) ? noFlowCode : *code;
        }
    }
    return std::nullopt;
}

void setFrameAndOutletRings(CellGrid& cells) {
    sweep(cells, [&cells](cellObject& cell, std::int32_t row, std::int32_t col) {
        if (cells.isFrameRing(row, col)) {
            cell.dir = frameRingCode;
            cell.elev = noDataElevation;
        }
        if (row == 1 || col == 1 || row == cells.nrows() - 2 || col == cells.ncols() - 2) {
            cell.dir = outletCode;
        }
    });
}

void initAndLinkEveryCell(CellGrid& cells) {
    sweep(cells, [&cells](cellObject& cell, std::int32_t row, std::int32_t col) {
        cell.init();
        if (!cells.isFrameRing(row, col)) cell.setNeighbors(cells, row, col);
    });
}

// Each cell is tested as the sweep reaches it, after the marks of the cells
// before it in row-major order.
void markEverySeaCell(CellGrid& cells, OutletRule rule) {
    sweep(cells, [rule](cellObject& cell, std::int32_t, std::int32_t) {
        if (cell.dir == noFlowCode) cell.markSeaNeighbors(rule);
    });
}

void countNoDataOfEveryCell(CellGrid& cells) {
    sweep(cells, [&cells](cellObject& cell, std::int32_t row, std::int32_t col) {
        if (!cells.isFrameRing(row, col) && cell.dir >= outletCode) cell.countNoData();
    });
}

void slopeAndPitOfEveryCell(CellGrid& cells, std::ostream& console) {
    sweep(cells, [&cells, &console](cellObject& cell, std::int32_t row, std::int32_t col) {
        if (cells.isFrameRing(row, col) || cell.dir < outletCode) return;
        cell.calcSlope(cell.neighbourDistances());
        cell.checkPit(console);
    });
}

void setEveryDownLink(CellGrid& cells) {
    sweep(cells, [&cells](cellObject& cell, std::int32_t row, std::int32_t col) {
        if (!cells.isFrameRing(row, col) && cell.dir > outletCode) cell.setDown();
    });
}

// Every cell with a down link off the frame ring enters the up list of its
// down cell; cells without a flow direction get the basin size -9999.
void registerEveryCell(CellGrid& cells) {
    sweep(cells, [&cells](cellObject& cell, std::int32_t row, std::int32_t col) {
        if (cell.dir < outletCode) {
            cell.basinSize = withoutFlowBasinSize;
            return;
        }
        if (cells.isFrameRing(row, col) || cell.down == nullptr) return;
        cell.registerUp();
    });
}

// Outlets that nothing registered with become no-data cells.
void pruneEveryOutlet(CellGrid& cells) {
    sweep(cells, [](cellObject& cell, std::int32_t, std::int32_t) {
        if (cell.dir == outletCode) cell.pruneOutlet();
    });
}

// One full sweep per level: the cells at the level hand it on upstream, all
// others count as misses; the loop stops after a sweep in which every cell
// missed.
void passDistancesLevelByLevel(CellGrid& cells, LevelSweepReport& report) {
    sweep(cells, [](cellObject& cell, std::int32_t, std::int32_t) {
        if (cell.dir == outletCode) cell.distance = 0;
    });
    const std::int32_t cellCount = cells.nrows() * cells.ncols();
    std::int32_t level = 0;
    std::int32_t missCount = 0;
    while (missCount < cellCount) {
        missCount = 0;
        sweep(cells, [level, &missCount](cellObject& cell, std::int32_t, std::int32_t) {
            if (cell.distance == level) {
                cell.passDistance();
            } else {
                ++missCount;
            }
        });
        ++level;
        ++report.distanceSweeps;
    }
    report.finalLevel = level;
}

// One full sweep per level, from the level the distance loop ended with down
// to 0: the cells at the level gather the sizes of their upstream cells.
void addBasinSizesLevelByLevel(CellGrid& cells, LevelSweepReport& report) {
    for (std::int32_t level = report.finalLevel; level > -1; --level) {
        sweep(cells, [level](cellObject& cell, std::int32_t, std::int32_t) {
            if (cell.distance == level) cell.addUpstream();
        });
        ++report.basinSweeps;
    }
}

// Outlets numbered in row-major order, then a walk down from every cell with
// basin size 1.
void numberRiversByWalks(CellGrid& cells) {
    std::int32_t nextRiverNum = 1;
    sweep(cells, [&nextRiverNum](cellObject& cell, std::int32_t, std::int32_t) {
        if (cell.dir == outletCode) cell.riverNum = nextRiverNum++;
    });
    sweep(cells, [](cellObject& cell, std::int32_t, std::int32_t) {
        if (cell.basinSize == 1) cell.propagateRiverNum();
    });
}

}  // namespace

std::optional<std::string> prepareGridSweepBySweep(const StudyArea& area, const IntGrid& dem,
                                                   const IntGrid& directions, CellGrid& cells,
                                                   std::ostream& console, OutletRule rule) {
    placeEveryCell(area, dem, directions, cells);
    if (auto failure = decodeEveryCell(cells, rule)) return failure;
    setFrameAndOutletRings(cells);
    initAndLinkEveryCell(cells);
    markEverySeaCell(cells, rule);
    countNoDataOfEveryCell(cells);
    slopeAndPitOfEveryCell(cells, console);
    setEveryDownLink(cells);
    return std::nullopt;
}

LevelSweepReport deriveNetworkLevelByLevel(CellGrid& cells) {
    LevelSweepReport report;
    registerEveryCell(cells);
    pruneEveryOutlet(cells);
    passDistancesLevelByLevel(cells, report);
    addBasinSizesLevelByLevel(cells, report);
    numberRiversByWalks(cells);
    return report;
}

}  // namespace drainPrep::testing
