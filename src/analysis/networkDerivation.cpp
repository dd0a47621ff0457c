#include "analysis/networkDerivation.hpp"

#include "analysis/sweeps.hpp"

namespace drainPrep {

namespace {

constexpr std::int32_t withoutFlowBasinSize = -9999;

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

DrainageOrder assignDistances(CellGrid& cells) {
    DrainageOrder order;
    order.cells.reserve(cells.cellCount());
    sweepAll(cells, [&order](cellObject& cell, std::int32_t, std::int32_t) {
        if (cell.dir != outletCode) return;
        cell.distance = 0;
        order.cells.push_back(&cell);
    });
    order.outletCount = order.cells.size();
    for (std::size_t next = 0; next < order.cells.size(); ++next) {
        const cellObject* cell = order.cells[next];
        cell->passDistance();
        for (cellObject* upstream : cell->up) {
            if (upstream != nullptr) order.cells.push_back(upstream);
        }
    }
    return order;
}

// Every upstream cell comes later in the order, so its size is final when
// its down cell adds it.
void accumulateBasinSizes(const DrainageOrder& order) {
    for (auto cell = order.cells.rbegin(); cell != order.cells.rend(); ++cell) {
        (*cell)->addUpstream();
    }
}

// Each cell after the outlets finds its down cell numbered already, so every
// walk is a single step.
void numberRivers(const DrainageOrder& order) {
    std::int32_t nextRiverNum = 1;
    for (std::size_t i = 0; i < order.outletCount; ++i) order.cells[i]->riverNum = nextRiverNum++;
    for (std::size_t i = order.outletCount; i < order.cells.size(); ++i) {
        order.cells[i]->propagateRiverNum();
    }
}

}  // namespace drainPrep
