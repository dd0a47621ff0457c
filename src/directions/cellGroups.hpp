// Groups of cells joined side by side or corner to corner: the depressions
// that filling and breaching count, and the large ones whose sinks are kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "directions/demGrid.hpp"

namespace drainPrep {

// For each group of cells for which inGroup(cell) holds, calls visit(cell)
// on each of its cells, then close() once. Groups come in the row-major
// order of their first cells; memory one bit a cell and the cells pending.
template <typename InGroup, typename Visit, typename Close>
void forEachGroup(const DemCells& cells, InGroup inGroup, Visit visit, Close close) {
    std::vector<bool> visited(static_cast<std::size_t>(cells.count()), false);
    const auto join = [&](std::int64_t cell, std::vector<std::int64_t>& pending) {
        if (visited[static_cast<std::size_t>(cell)] || !inGroup(cell)) return;
        visited[static_cast<std::size_t>(cell)] = true;
        pending.push_back(cell);
    };
    std::vector<std::int64_t> pending;
    for (std::int64_t first = 0; first < cells.count(); ++first) {
        join(first, pending);
        if (pending.empty()) continue;
        while (!pending.empty()) {
            const std::int64_t cell = pending.back();
            pending.pop_back();
            visit(cell);
            const CellPlace place = cells.placeOf(cell);
            for (int k = 0; k < directionCount; ++k) {
                const std::int64_t next = cells.neighbour(place, k);
                if (next != DemCells::offGrid) join(next, pending);
            }
        }
        close();
    }
}

}  // namespace drainPrep
