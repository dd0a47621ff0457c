// The flow data of a grid in five bytes a cell, for upstream areas: a byte of
// decoded direction and an upstream cell count.
//
// Paths follow the source D8 codes as drainPrep decodes them. A path ends at
// a sink (code 0), at the edge of the grid, and before a cell without flow
// data: one that the outlet rule finds without flow (a no-data code; an
// elevation below zero, or under d8 only the no-data elevation), or a value
// that is not a D8 code.
#pragma once

#include <cstdint>
#include <optional>

#include "cell/outletRule.hpp"
#include "geometry/sourceFrame.hpp"
#include "raster/grid.hpp"
#include "raster/intGrid.hpp"

namespace drainPrep {

class FlowGrid {
public:
    // Throws std::bad_alloc.
    FlowGrid(std::int32_t nrows, std::int32_t ncols, OutletRule rule = OutletRule::coast);

    std::int32_t nrows() const { return codes_.nrows(); }
    std::int32_t ncols() const { return codes_.ncols(); }
    bool contains(std::int64_t row, std::int64_t col) const {
        return row >= 0 && col >= 0 && row < nrows() && col < ncols();
    }

    // One cell's two source samples; every cell is set once before counting.
    void setSamples(SourceCell cell, std::int32_t elevation, std::int32_t sourceDirection);
    // Another grid's cell as its samples set it, before either is counted.
    void copyCell(SourceCell to, const FlowGrid& from, SourceCell cell);
    // Instead of the samples, a code as drainPrep's preparation leaves it:
    // 0..8, or negative for a cell without flow.
    void setPreparedCode(SourceCell cell, std::int32_t code);

    // Counts, for every cell, the cells whose path passes through it.
    void countUpstream();

    bool hasFlowData(SourceCell cell) const;
    bool hasD8Code(SourceCell cell) const;
    // The internal code, -1 for a cell without flow data.
    std::int32_t internalCode(SourceCell cell) const;
    std::optional<SourceCell> downstream(SourceCell cell) const;

    // The cell itself included; 0 for a cell without flow data or on a loop of
    // directions, which belongs to no basin.
    std::int32_t upstreamCells(SourceCell cell) const {
        return hasD8Code(cell) ? upstream_[cell.row][cell.col] : 0;
    }

    // The direction value of a cell that has no D8 code, as read.
    std::optional<std::int32_t> valueWithoutD8Code(SourceCell cell) const;

private:
    std::size_t indexOf(SourceCell cell) const;
    std::uint8_t code(SourceCell cell) const;
    void setCode(SourceCell cell, std::uint8_t code, std::int32_t sourceDirection);

    // The decoded direction code.
    Grid<std::uint8_t> codes_;
    // The upstream count; for a cell without a D8 code, which no path
    // passes, its direction value, so that a message can name it.
    IntGrid upstream_;
    OutletRule rule_;
};

// A grid's paths as a network of cell indices, row-major from the
// north-west, for the walks of the network core.
class FlowGridLinks {
public:
    explicit FlowGridLinks(const FlowGrid& grid) : grid_(grid) {}
    std::size_t cellCount() const {
        return static_cast<std::size_t>(grid_.nrows()) * static_cast<std::size_t>(grid_.ncols());
    }
    bool drains(std::size_t cell) const { return grid_.downstream(cellAt(cell)).has_value(); }
    std::size_t downOf(std::size_t cell) const { return indexOf(*grid_.downstream(cellAt(cell))); }
    std::size_t indexOf(SourceCell cell) const {
        return static_cast<std::size_t>(cell.row) * width() + static_cast<std::size_t>(cell.col);
    }
    SourceCell cellAt(std::size_t cell) const {
        return {static_cast<std::int32_t>(cell / width()),
                static_cast<std::int32_t>(cell % width())};
    }

private:
    std::size_t width() const { return static_cast<std::size_t>(grid_.ncols()); }

    const FlowGrid& grid_;
};

}  // namespace drainPrep
