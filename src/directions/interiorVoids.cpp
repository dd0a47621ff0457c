#include "directions/interiorVoids.hpp"

namespace drainPrep {

// Every void starts enclosed; a search from the edge's cells without data
// frees those it reaches.
std::vector<std::uint8_t> interiorVoids(const DemGrid& dem) {
    const DemCells cells(dem);
    std::vector<std::uint8_t> enclosed(static_cast<std::size_t>(cells.count()), 0);
    std::vector<std::int64_t> reached;
    for (std::int64_t cell = 0; cell < cells.count(); ++cell) {
        if (cells.hasData(cell)) continue;
        const CellPlace place = cells.placeOf(cell);
        const bool onEdge = place.row == 0 || place.col == 0 || place.row == dem.rows - 1 ||
                            place.col == dem.cols - 1;
        if (onEdge) {
            reached.push_back(cell);
        } else {
            enclosed[static_cast<std::size_t>(cell)] = 1;
        }
    }
    while (!reached.empty()) {
        const CellPlace place = cells.placeOf(reached.back());
        reached.pop_back();
        for (int k = 0; k < directionCount; ++k) {
            const std::int64_t next = cells.neighbour(place, k);
            if (next == DemCells::offGrid || enclosed[static_cast<std::size_t>(next)] == 0)
                continue;
            enclosed[static_cast<std::size_t>(next)] = 0;
            reached.push_back(next);
        }
    }
    return enclosed;
}

}  // namespace drainPrep
