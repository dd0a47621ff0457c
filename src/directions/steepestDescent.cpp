#include "directions/steepestDescent.hpp"

#include <array>
#include <cmath>
#include <cstddef>
#include <optional>

namespace drainPrep {
namespace {

using NeighbourDistances = std::array<double, directionCount>;

NeighbourDistances distancesInRow(const CellLengths& lengths, std::int32_t row) {
    const double eastWest = lengths.eastWest[static_cast<std::size_t>(row)];
    const double diagonal =
        std::sqrt(lengths.northSouth * lengths.northSouth + eastWest * eastWest);
    NeighbourDistances distances{};
    for (int k = 0; k < directionCount; ++k) {
        const Direction& direction = flowDirections[k];
        distances[static_cast<std::size_t>(k)] = direction.rowOffset == 0   ? eastWest
                                                 : direction.colOffset == 0 ? lengths.northSouth
                                                                            : diagonal;
    }
    return distances;
}

// Only a strictly steeper slope replaces the one found first, which keeps
// ties in table order.
std::optional<int> steepestDownhill(const DemCells& cells, std::int64_t cell, CellPlace place,
                                    const NeighbourDistances& distances) {
    std::optional<int> steepest;
    double steepestSlope = 0.0;
    for (int k = 0; k < directionCount; ++k) {
        const std::int64_t next = cells.neighbour(place, k);
        if (next == DemCells::offGrid || !cells.hasData(next)) continue;
        const double slope = (cells.elevation(cell) - cells.elevation(next)) /
                             distances[static_cast<std::size_t>(k)];
        if (slope > steepestSlope) {
            steepest = k;
            steepestSlope = slope;
        }
    }
    return steepest;
}

std::optional<int> firstDirectionOffGrid(const DemCells& cells, CellPlace place) {
    for (int k = 0; k < directionCount; ++k) {
        if (cells.neighbour(place, k) == DemCells::offGrid) return k;
    }
    return std::nullopt;
}

std::optional<int> firstDirectionToNoData(const DemCells& cells, CellPlace place) {
    for (int k = 0; k < directionCount; ++k) {
        const std::int64_t next = cells.neighbour(place, k);
        if (next != DemCells::offGrid && !cells.hasData(next)) return k;
    }
    return std::nullopt;
}

std::uint8_t codeOf(std::optional<int> direction) {
    if (!direction) return undecidedCode;
    return static_cast<std::uint8_t>(flowDirections[*direction].sourceCode);
}

}  // namespace

void assignDownhillAndOutlets(const DemGrid& dem, const CellLengths& lengths,
                              std::vector<std::uint8_t>& codes) {
    const DemCells cells(dem);
    for (std::int32_t row = 0; row < dem.rows; ++row) {
        const NeighbourDistances distances = distancesInRow(lengths, row);
        for (std::int32_t col = 0; col < dem.cols; ++col) {
            const std::int64_t cell = static_cast<std::int64_t>(row) * dem.cols + col;
            if (!cells.hasData(cell)) continue;
            const CellPlace place{row, col};
            std::optional<int> direction = steepestDownhill(cells, cell, place, distances);
            if (!direction) direction = firstDirectionOffGrid(cells, place);
            if (!direction) direction = firstDirectionToNoData(cells, place);
            codes[static_cast<std::size_t>(cell)] = codeOf(direction);
        }
    }
}

}  // namespace drainPrep
