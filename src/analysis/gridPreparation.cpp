#include "analysis/gridPreparation.hpp"

#include "analysis/directionCodes.hpp"

namespace drainPrep {

namespace {

std::string unknownCodeText(std::int32_t row, std::int32_t col, std::int32_t sourceCode) {
    return std::to_string(row) + "-" + std::to_string(col) + "-" + std::to_string(sourceCode) +
           "cellObject.down is wrong.\n";
}

// Checked before any cell is touched, so that a failing run prints nothing
// of the preparation.
Failure findUnknownDirection(const IntGrid& directions) {
    for (std::int32_t row = 0; row < directions.nrows(); ++row) {
        for (std::int32_t col = 0; col < directions.ncols(); ++col) {
            const std::int32_t sourceCode = directions[row][col];
            if (!decodeDirection(sourceCode)) return unknownCodeText(row, col, sourceCode);
        }
    }
    return std::nullopt;
}

bool onFrameRing(std::int32_t nrows, std::int32_t ncols, std::int32_t row, std::int32_t col) {
    return row == 0 || col == 0 || row == nrows - 1 || col == ncols - 1;
}

bool onOutletRing(std::int32_t nrows, std::int32_t ncols, std::int32_t row, std::int32_t col) {
    return row == 1 || col == 1 || row == nrows - 2 || col == ncols - 2;
}

// The code a cell takes from the rings, given the code it has from its
// source samples. The second ring test also holds on eight frame cells beside
// the corners, which thus end as outlets.
std::int32_t codeOnRings(std::int32_t code, std::int32_t nrows, std::int32_t ncols,
                         std::int32_t row, std::int32_t col) {
    if (onFrameRing(nrows, ncols, row, col)) code = frameRingCode;
    if (onOutletRing(nrows, ncols, row, col)) code = outletCode;
    return code;
}

// Placing, decoding (the rule says which cells have no flow direction), the
// rings, init and links: each writes only the cell itself, so one visit does
// all five. The frame ring has no elevation.
void placeRow(const StudyArea& area, const IntGrid& dem, const IntGrid& directions, CellGrid& cells,
              std::int32_t row, OutletRule rule) {
    cellObject* rowCells = cells[row];
    for (std::int32_t col = 0; col < cells.ncols(); ++col) {
        cellObject& cell = rowCells[col];
        if (col == 0) {
            cell.setLocation(row, col, area, dem[row][col], directions[row][col]);
        } else {
            cell.setLocationInRowOf(rowCells[0], col, area, dem[row][col], directions[row][col]);
        }
        const std::int32_t decoded = *decodeDirection(cell.dir);
        cell.dir = codeOnRings(withoutFlow(rule, decoded, cell.elev) ? noFlowCode : decoded,
                               cells.nrows(), cells.ncols(), row, col);
        const bool frameCell = cells.isFrameRing(row, col);
        if (frameCell) cell.elev = noDataElevation;
        cell.init();
        if (!frameCell) cell.setNeighbors(cells, row, col);
    }
}

// Under the coast rule a marked cell turns its neighbours not yet visited
// into outlets, so they are not marked in turn: the row-major order is part
// of the result.
void markCoastRow(CellGrid& cells, std::int32_t row, OutletRule rule) {
    cellObject* rowCells = cells[row];
    for (std::int32_t col = 0; col < cells.ncols(); ++col) {
        if (rowCells[col].dir == noFlowCode) rowCells[col].markSeaNeighbors(rule);
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
Failure prepareGrid(const StudyArea& area, const IntGrid& dem, const IntGrid& directions,
                    CellGrid& cells, std::ostream& console, const PreparedRowVisit& rowPrepared,
                    OutletRule rule) {
    if (auto failure = findUnknownDirection(directions)) return failure;
    const std::int32_t nrows = cells.nrows();
    for (std::int32_t step = 0; step < nrows + 2; ++step) {
        if (step < nrows) placeRow(area, dem, directions, cells, step, rule);
        if (step >= 1 && step <= nrows) markCoastRow(cells, step - 1, rule);
        if (step >= 2) {
            terrainRow(cells, step - 2, console);
            rowPrepared(step - 2);
        }
    }
    return std::nullopt;
}

// The same rings and marking on the codes alone, in the same row-major order.
void prepareDirectionCodes(OutletRule rule, IntGrid& codes) {
    const std::int32_t nrows = codes.nrows();
    const std::int32_t ncols = codes.ncols();
    for (std::int32_t row = 0; row < nrows; ++row) {
        for (std::int32_t col = 0; col < ncols; ++col) {
            codes[row][col] = codeOnRings(codes[row][col], nrows, ncols, row, col);
        }
    }
    for (std::int32_t row = 0; row < nrows; ++row) {
        for (std::int32_t col = 0; col < ncols; ++col) {
            if (codes[row][col] != noFlowCode) continue;
            markBesideNoFlow(rule, [&codes, row, col](int k) -> std::int32_t& {
                return codes[row + flowDirections[k].rowOffset][col + flowDirections[k].colOffset];
            });
        }
    }
}

}  // namespace drainPrep
