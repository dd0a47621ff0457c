// A digital elevation model held in memory, the distances between its cell
// centres, and the walk between its cells in the directions of the one
// direction table (cell/directions.hpp): rows grow southwards, columns eastwards.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "cell/directions.hpp"

namespace drainPrep {

// Elevations row-major from the north-west cell, rows * cols of them. NaN
// marks a cell without data (sea or no data): it has no direction, and the
// water that reaches it ends there.
struct DemGrid {
    std::int32_t rows = 0;
    std::int32_t cols = 0;
    std::vector<double> elevations;
};

// Distances between cell centres, metres, all above zero: north-south the
// same for every row, east-west one value per row (it shrinks with latitude).
// A diagonal neighbour lies sqrt(northSouth^2 + eastWest[row]^2) away.
struct CellLengths {
    double northSouth = 0.0;
    std::vector<double> eastWest;  // one per row
};

struct CellPlace {
    std::int32_t row;
    std::int32_t col;
};

// Cells by index, row * cols + col. Callers find a cell's place once and ask
// for its eight neighbours from there, so that a visit divides only once.
class DemCells {
public:
    static constexpr std::int64_t offGrid = -1;

    explicit DemCells(const DemGrid& dem) : dem_(dem) {}

    std::int64_t count() const {
        return static_cast<std::int64_t>(dem_.rows) * static_cast<std::int64_t>(dem_.cols);
    }
    double elevation(std::int64_t cell) const {
        return dem_.elevations[static_cast<std::size_t>(cell)];
    }
    bool hasData(std::int64_t cell) const { return !std::isnan(elevation(cell)); }

    CellPlace placeOf(std::int64_t cell) const {
        const auto row = static_cast<std::int32_t>(cell / dem_.cols);
        return {row, static_cast<std::int32_t>(cell - static_cast<std::int64_t>(row) * dem_.cols)};
    }
    // The neighbour in direction k of flowDirections, or offGrid.
    std::int64_t neighbour(CellPlace place, int k) const {
        const std::int32_t row = place.row + flowDirections[k].rowOffset;
        const std::int32_t col = place.col + flowDirections[k].colOffset;
        if (row < 0 || col < 0 || row >= dem_.rows || col >= dem_.cols) return offGrid;
        return static_cast<std::int64_t>(row) * dem_.cols + col;
    }

    // Where water leaves the data: a cell on the grid's edge or beside a
    // cell without data.
    bool isOutlet(CellPlace place) const {
        for (int k = 0; k < directionCount; ++k) {
            const std::int64_t next = neighbour(place, k);
            if (next == offGrid || !hasData(next)) return true;
        }
        return false;
    }

private:
    const DemGrid& dem_;
};

}  // namespace drainPrep
