#include "analysis/gridPreparation.hpp"

#include "analysis/directionCodes.hpp"
#include "analysis/sweeps.hpp"

namespace drainPrep {

namespace {

constexpr std::int32_t sizeFactorOfRun = 1;

std::string unknownCodeText(std::int32_t row, std::int32_t col, std::int32_t sourceCode) {
    return std::to_string(row) + "-" + std::to_string(col) + "-" + std::to_string(sourceCode) +
           "cellObject.down is wrong.\n";
}

// Land below sea level has no flow direction of its own.
std::optional<std::string> decodeDirections(CellGrid& cells) {
    for (std::int32_t row = 0; row < cells.nrows(); ++row) {
        for (std::int32_t col = 0; col < cells.ncols(); ++col) {
            cellObject& cell = cells[row][col];
            const std::optional<std::int32_t> code = decodeDirection(cell.dir);
            if (!code) return unknownCodeText(row, col, cell.dir);
            cell.dir = cell.elev < 0.0 ? noFlowCode : *code;
        }
    }
    return std::nullopt;
}

bool onOutletRing(const CellGrid& cells, std::int32_t row, std::int32_t col) {
    return row == 1 || col == 1 || row == cells.nrows() - 2 || col == cells.ncols() - 2;
}

// The second test also holds on eight frame cells beside the corners, which
// thus end as outlets without elevation.
void setRings(CellGrid& cells) {
    sweepAll(cells, [&cells](cellObject& cell, std::int32_t row, std::int32_t col) {
        if (cells.isFrameRing(row, col)) {
            cell.dir = frameRingCode;
            cell.elev = noDataElevation;
        }
        if (onOutletRing(cells, row, col)) cell.dir = outletCode;
    });
}

void initAndLink(CellGrid& cells) {
    sweepAll(cells, [&cells](cellObject& cell, std::int32_t row, std::int32_t col) {
        cell.init();
        if (!cells.isFrameRing(row, col)) cell.setNeighbors(cells, row, col);
    });
}

// A marked cell turns its neighbours not yet visited into outlets, so they
// are not marked in turn: the row-major order is part of the result.
void markCoasts(CellGrid& cells) {
    sweepAll(cells, [](cellObject& cell, std::int32_t, std::int32_t) {
        if (cell.dir == noFlowCode) cell.markSeaNeighbors();
    });
}

// No-data count, slopes with the pit report, and down links: each cell reads
// only values that the sweeps before have made final and writes only its own
// fields, so one sweep gives what three in a row would, pit reports in the
// same row-major order.
void computeTerrainAndDownLinks(CellGrid& cells, std::ostream& console) {
    if (cells.ncols() < 3) return;  // no cell off the frame ring
    for (std::int32_t row = 1; row < cells.nrows() - 1; ++row) {
        cellObject* rowCells = cells[row];
        const NeighbourDistances distances = rowCells[1].neighbourDistances();
        for (std::int32_t col = 1; col < cells.ncols() - 1; ++col) {
            cellObject& cell = rowCells[col];
            if (cell.dir < outletCode) continue;
            cell.countNoData();
            cell.calcSlope(distances);
            cell.checkPit(console);
            if (cell.dir > outletCode) cell.setDown();
        }
    }
}

}  // namespace

void buildCells(const StudyArea& area, const IntGrid& dem, const IntGrid& directions,
                CellGrid& cells) {
    sweepAll(cells, [&](cellObject& cell, std::int32_t row, std::int32_t col) {
        cell.setLocation(row, col, area.latNW, area.lonNW, sizeFactorOfRun, dem[row][col],
                         directions[row][col]);
    });
}

std::optional<std::string> prepareGrid(CellGrid& cells, std::ostream& console) {
    if (auto failure = decodeDirections(cells)) return failure;
    setRings(cells);
    initAndLink(cells);
    markCoasts(cells);
    computeTerrainAndDownLinks(cells, console);
    return std::nullopt;
}

}  // namespace drainPrep
