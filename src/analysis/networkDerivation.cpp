#include "analysis/networkDerivation.hpp"

#include <cstddef>

#include "analysis/sweeps.hpp"

namespace drainPrep {

namespace {

constexpr std::int32_t withoutFlowBasinSize = -9999;

// The visits below jump between cells far apart in memory. Asking for the
// record lines that a visit reads, some visits ahead of it, hides most of the
// wait for them; the results do not depend on it.
constexpr std::size_t prefetchDistance = 16;

void prefetchRecord(const cellObject* cell) {
#if defined(__GNUC__)
    const char* record = reinterpret_cast<const char*>(cell);
    __builtin_prefetch(record);
    __builtin_prefetch(record + 64);
    __builtin_prefetch(record + 128);
    __builtin_prefetch(&cell->down);
#else
    (void)cell;
#endif
}

void handDistanceUpstream(const cellObject* cell, std::vector<cellObject*>& pending) {
    for (cellObject* upstream : cell->up) {
        if (upstream == nullptr) continue;
        prefetchRecord(upstream);
        pending.push_back(upstream);
    }
    cell->passDistance();
}

}  // namespace

void registerUpstream(CellGrid& cells) {
    sweepAll(cells, [&cells](cellObject& cell, std::int32_t row, std::int32_t col) {
        if (cell.dir < outletCode) {
            cell.basinSize = withoutFlowBasinSize;
        } else if (!cells.isFrameRing(row, col) && cell.down != nullptr) {
            cell.registerUp();
        }
    });
}

void pruneOutlets(CellGrid& cells) {
    sweepAll(cells, [](cellObject& cell, std::int32_t, std::int32_t) {
        if (cell.dir == outletCode) cell.pruneOutlet();
    });
}

// Depth first from each outlet in turn: the cells of one basin are visited
// together, close to each other in memory.
DrainageOrder assignDistances(CellGrid& cells) {
    DrainageOrder order;
    order.cells.reserve(cells.cellCount());
    sweepAll(cells, [&order](cellObject& cell, std::int32_t, std::int32_t) {
        if (cell.dir != outletCode) return;
        cell.distance = 0;
        order.cells.push_back(&cell);
    });
    order.outletCount = order.cells.size();
    std::vector<cellObject*> pending;
    for (std::size_t outlet = 0; outlet < order.outletCount; ++outlet) {
        handDistanceUpstream(order.cells[outlet], pending);
        while (!pending.empty()) {
            cellObject* cell = pending.back();
            pending.pop_back();
            order.cells.push_back(cell);
            handDistanceUpstream(cell, pending);
        }
    }
    return order;
}

// Every upstream cell comes later in the order, so its size is final when
// its down cell adds it.
void accumulateBasinSizes(const DrainageOrder& order) {
    for (std::size_t i = order.cells.size(); i-- > 0;) {
        if (i >= prefetchDistance) prefetchRecord(order.cells[i - prefetchDistance]);
        order.cells[i]->addUpstream();
    }
}

// Each cell after the outlets finds its down cell numbered already, so every
// walk is a single step.
void numberRivers(const DrainageOrder& order) {
    std::int32_t nextRiverNum = 1;
    for (std::size_t i = 0; i < order.outletCount; ++i) order.cells[i]->riverNum = nextRiverNum++;
    for (std::size_t i = order.outletCount; i < order.cells.size(); ++i) {
        if (i + prefetchDistance < order.cells.size()) {
            prefetchRecord(order.cells[i + prefetchDistance]);
        }
        order.cells[i]->propagateRiverNum();
    }
}

}  // namespace drainPrep
