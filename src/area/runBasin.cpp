#include "area/runBasin.hpp"

#include "analysis/gridPreparation.hpp"
#include "area/basin.hpp"
#include "raster/intGrid.hpp"

namespace drainPrep {

namespace {

constexpr std::int32_t removedOutletSize = -1;

// The area placed in the source grid.
struct Window {
    const StudyArea& area;
    ClipOffsets offsets;

    SourceCell inArea(SourceCell cell) const {
        return {cell.row - static_cast<std::int32_t>(offsets.rowOffset),
                cell.col - static_cast<std::int32_t>(offsets.colOffset)};
    }
    SourceCell inSource(std::int32_t row, std::int32_t col) const {
        return {row + static_cast<std::int32_t>(offsets.rowOffset),
                col + static_cast<std::int32_t>(offsets.colOffset)};
    }
    // Off both rings, where a run has a cell's own code or a marking's.
    bool insideRings(SourceCell cell) const {
        const SourceCell at = inArea(cell);
        return at.row >= 2 && at.col >= 2 && at.row < area.nrows - 2 && at.col < area.ncols - 2;
    }
};

// Decoded as the run decodes (a value that is not a D8 code stops the run
// and is reported apart), then the rings and the marking of the run.
IntGrid preparedCodes(const FlowGrid& source, const Window& window, OutletRule rule) {
    IntGrid codes(window.area.nrows, window.area.ncols);
    for (std::int32_t row = 0; row < codes.nrows(); ++row) {
        for (std::int32_t col = 0; col < codes.ncols(); ++col) {
            const SourceCell cell = window.inSource(row, col);
            codes[row][col] =
                source.contains(cell.row, cell.col) ? source.internalCode(cell) : noFlowCode;
        }
    }
    prepareDirectionCodes(rule, codes);
    return codes;
}

FlowGrid runGridOf(const IntGrid& codes) {
    FlowGrid grid(codes.nrows(), codes.ncols());
    for (SourceCell cell; cell.row < codes.nrows(); ++cell.row) {
        for (cell.col = 0; cell.col < codes.ncols(); ++cell.col) {
            grid.setPreparedCode(cell, codes[cell.row][cell.col]);
        }
    }
    return grid;
}

// An outlet of the run where the flow directions go on.
bool isCut(const FlowGrid& source, const IntGrid& codes, const Window& window, SourceCell cell) {
    if (!window.insideRings(cell) || !source.downstream(cell)) return false;
    const SourceCell at = window.inArea(cell);
    return codes[at.row][at.col] == outletCode;
}

std::optional<SourceCell> firstCutBelow(const FlowGrid& source, const IntGrid& codes,
                                        const Window& window, SourceCell point) {
    std::optional<SourceCell> cell = point;
    while (cell && window.insideRings(*cell)) {
        if (isCut(source, codes, window, *cell)) return cell;
        cell = source.downstream(*cell);
    }
    return std::nullopt;
}

std::optional<SourceCell> largestCutAbove(const FlowGrid& source, const IntGrid& codes,
                                          const Window& window, SourceCell point) {
    std::optional<SourceCell> largest;
    forEachBasinCell(source, point, [&](SourceCell cell) {
        if (!isCut(source, codes, window, cell)) return;
        if (!largest || source.upstreamCells(cell) > source.upstreamCells(*largest)) {
            largest = cell;
        }
    });
    return largest;
}

}  // namespace

RunBasin basinInRun(const FlowGrid& source, const StudyArea& area, const SourceFrame& frame,
                    SourceCell point, OutletRule rule) {
    const Window window{area, offsetsInFrame(area, frame)};
    const IntGrid codes = preparedCodes(source, window, rule);
    RunBasin basin;
    basin.pointInArea = window.inArea(point);
    const FlowGrid run = runGridOf(codes);
    if (run.contains(basin.pointInArea.row, basin.pointInArea.col)) {
        forEachBasinCell(run, basin.pointInArea, [&basin](SourceCell) { ++basin.cells; });
        const SourceCell at = basin.pointInArea;
        if (basin.cells == 1 && codes[at.row][at.col] == outletCode) {
            basin.cells = removedOutletSize;
        }
    }
    basin.cut = firstCutBelow(source, codes, window, point);
    basin.cutBelowPoint = basin.cut.has_value();
    if (!basin.cut) basin.cut = largestCutAbove(source, codes, window, point);
    return basin;
}

}  // namespace drainPrep
