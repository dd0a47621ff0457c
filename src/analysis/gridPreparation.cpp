#include "analysis/gridPreparation.hpp"

#include "analysis/directionCodes.hpp"

namespace drainPrep {

namespace {

constexpr std::int32_t sizeFactorOfRun = 1;

std::string unknownCodeText(std::int32_t row, std::int32_t col, std::int32_t sourceCode) {
    return std::to_string(row) + "-" + std::to_string(col) + "-" + std::to_string(sourceCode) +
           "cellObject.down is wrong.\n";
}

// Checked before any cell is touched, so that a failing run prints nothing
// of the preparation.
std::optional<std::string> findUnknownDirection(const IntGrid& directions) {
    for (std::int32_t row = 0; row < directions.nrows(); ++row) {
        for (std::int32_t col = 0; col < directions.ncols(); ++col) {
            const std::int32_t sourceCode = directions[row][col];
            if (!decodeDirection(sourceCode)) return unknownCodeText(row, col, sourceCode);
        }
    }
    return std::nullopt;
}

bool onOutletRing(const CellGrid& cells, std::int32_t row, std::int32_t col) {
    return row == 1 || col == 1 || row == cells.nrows() - 2 || col == cells.ncols() - 2;
}

// Placing, decoding (land below sea level has no flow direction of its own),
// the rings, init and links: each writes only the cell itself, so one visit
// does all five. The second ring test also holds on eight frame cells beside
// the corners, which thus end as outlets without elevation.
void placeRow(const StudyArea& area, const IntGrid& dem, const IntGrid& directions, CellGrid& cells,
              std::int32_t row) {
    cellObject* rowCells = cells[row];
    for (std::int32_t col = 0; col < cells.ncols(); ++col) {
        cellObject& cell = rowCells[col];
        if (col == 0) {
            cell.setLocation(row, col, area.latNW, area.lonNW, sizeFactorOfRun, dem[row][col],
                             directions[row][col]);
        } else {
            cell.setLocationInRowOf(rowCells[0], col, area.lonNW, sizeFactorOfRun, dem[row][col],
                                    directions[row][col]);
        }
        const std::optional<std::int32_t> code = decodeDirection(cell.dir);
        cell.dir = cell.elev < 0.0 ? noFlowCode : *code;
        const bool onFrameRing = cells.isFrameRing(row, col);
        if (onFrameRing) {
            cell.dir = frameRingCode;
            cell.elev = noDataElevation;
        }
        if (onOutletRing(cells, row, col)) cell.dir = outletCode;
        cell.init();
        if (!onFrameRing) cell.setNeighbors(cells, row, col);
    }
}

// A marked cell turns its neighbours not yet visited into outlets, so they
// are not marked in turn: the row-major order is part of the result.
void markCoastRow(CellGrid& cells, std::int32_t row) {
    cellObject* rowCells = cells[row];
    for (std::int32_t col = 0; col < cells.ncols(); ++col) {
        if (rowCells[col].dir == noFlowCode) rowCells[col].markSeaNeighbors();
    }
}

// No-data count, slopes with the pit report, and down links: each cell reads
// only values that the sweeps before have made final and writes only its own
// fields, so one visit gives what three sweeps in a row would, pit reports in
// the same row-major order.
void terrainRow(CellGrid& cells, std::int32_t row, std::ostream& console) {
    if (row == 0 || row == cells.nrows() - 1 || cells.ncols() < 3) return;  // all frame ring
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

}  // namespace

// Each sweep takes a row once every value it reads there is final: the sea
// marking of a row sets codes in the row below, which must be placed by then;
// the slopes of a row read elevations and codes that the marking of the row
// below may still change. So the placing runs a row ahead of the marking and
// two ahead of the slopes, and every sweep still visits its cells in
// row-major order: the values are those of eight sweeps one after another,
// while the rows in hand stay in cache.
std::optional<std::string> prepareGrid(const StudyArea& area, const IntGrid& dem,
                                       const IntGrid& directions, CellGrid& cells,
                                       std::ostream& console, const PreparedRowVisit& rowPrepared) {
    if (auto failure = findUnknownDirection(directions)) return failure;
    const std::int32_t nrows = cells.nrows();
    for (std::int32_t step = 0; step < nrows + 2; ++step) {
        if (step < nrows) placeRow(area, dem, directions, cells, step);
        if (step >= 1 && step <= nrows) markCoastRow(cells, step - 1);
        if (step >= 2) {
            terrainRow(cells, step - 2, console);
            rowPrepared(step - 2);
        }
    }
    return std::nullopt;
}

}  // namespace drainPrep
