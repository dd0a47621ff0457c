#include "area/runBasin.hpp"

#include <algorithm>
#include <numeric>

#include "analysis/gridPreparation.hpp"
#include "cell/flowNetwork.hpp"
#include "raster/intGrid.hpp"

namespace drainPrep {

namespace {

constexpr std::int32_t removedOutletSize = -1;
constexpr std::int32_t noCut = -1;

}  // namespace

AreaRun::AreaRun(const SourceBlocks& source, const StudyArea& area, const SourceFrame& frame,
                 OutletRule rule)
    : source_(source),
      area_(area),
      offsets_(offsetsInFrame(area, frame)),
      window_(source.window({inSource(0, 0), area.nrows, area.ncols})),
      run_(area.nrows, area.ncols),
      largestCutAbove_(static_cast<std::size_t>(area.cellCount()), noCut) {
    // Decoded as the run decodes (a value that is not a D8 code stops the
    // run and is reported apart), then the rings and the marking of the run.
    IntGrid codes(area.nrows, area.ncols);
    for (SourceCell at; at.row < codes.nrows(); ++at.row) {
        for (at.col = 0; at.col < codes.ncols(); ++at.col) {
            codes[at.row][at.col] = window_.internalCode(at);
        }
    }
    prepareDirectionCodes(rule, codes);
    for (SourceCell cell; cell.row < codes.nrows(); ++cell.row) {
        for (cell.col = 0; cell.col < codes.ncols(); ++cell.col) {
            run_.setPreparedCode(cell, codes[cell.row][cell.col]);
        }
    }
    run_.countUpstream();
    paintLargestCutsAbove();
}

SourceCell AreaRun::inArea(SourceCell cell) const {
    return {cell.row - static_cast<std::int32_t>(offsets_.rowOffset),
            cell.col - static_cast<std::int32_t>(offsets_.colOffset)};
}

SourceCell AreaRun::inSource(std::int32_t row, std::int32_t col) const {
    return {row + static_cast<std::int32_t>(offsets_.rowOffset),
            col + static_cast<std::int32_t>(offsets_.colOffset)};
}

std::size_t AreaRun::indexInArea(SourceCell at) const {
    return static_cast<std::size_t>(at.row) * static_cast<std::size_t>(area_.ncols) +
           static_cast<std::size_t>(at.col);
}

// Off both rings, where a run has a cell's own code or a marking's.
bool AreaRun::insideRings(SourceCell cell) const {
    const SourceCell at = inArea(cell);
    return at.row >= 2 && at.col >= 2 && at.row < area_.nrows - 2 && at.col < area_.ncols - 2;
}

// An outlet of the run where the flow directions go on.
bool AreaRun::isCut(SourceCell cell) const {
    return insideRings(cell) && window_.downstream(inArea(cell)) &&
           run_.internalCode(inArea(cell)) == outletCode;
}

std::optional<SourceCell> AreaRun::firstCutBelow(SourceCell point) const {
    if (!insideRings(point)) return std::nullopt;
    const FlowGridLinks links(window_);
    const auto inSourceAt = [&](std::size_t index) {
        const SourceCell at = links.cellAt(index);
        return inSource(at.row, at.col);
    };
    const std::optional<std::size_t> end =
        traceDown(links, links.indexOf(inArea(point)), [&](std::size_t index) {
            const SourceCell cell = inSourceAt(index);
            return !insideRings(cell) || isCut(cell);
        });
    if (!end || !isCut(inSourceAt(*end))) return std::nullopt;
    return inSourceAt(*end);
}

// The cuts are taken largest first (the first in row-major order among
// equals), each painted down its path within the area as far as a cell
// painted before: that cell and every cell below it already have a larger
// cut above. Each cell is painted once, so the whole area takes one pass and
// a sort of the cuts, however many points are asked about. Only the cuts of
// basins asked about need their source counts: the paint of any other never
// reaches a cell of those basins.
void AreaRun::paintLargestCutsAbove() {
    for (SourceCell at; at.row < area_.nrows; ++at.row) {
        for (at.col = 0; at.col < area_.ncols; ++at.col) {
            const SourceCell cell = inSource(at.row, at.col);
            if (isCut(cell)) cuts_.push_back(cell);
        }
    }
    std::vector<std::int32_t> order(cuts_.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [this](std::int32_t a, std::int32_t b) {
        return source_.upstreamCells(cuts_[static_cast<std::size_t>(a)]) >
               source_.upstreamCells(cuts_[static_cast<std::size_t>(b)]);
    });
    constexpr std::int32_t onPath = -2;
    const FlowGridLinks links(window_);
    for (const std::int32_t cut : order) {
        const SourceCell at = inArea(cuts_[static_cast<std::size_t>(cut)]);
        const std::size_t end = paintPath(
            links, links.indexOf(at), largestCutAbove_.data(), noCut, onPath,
            [&](std::size_t cell, std::size_t, std::size_t) { largestCutAbove_[cell] = cut; });
        if (largestCutAbove_[end] == noCut) largestCutAbove_[end] = cut;
    }
}

RunBasin AreaRun::basinOf(SourceCell point) const {
    RunBasin basin;
    const SourceCell at = inArea(point);
    basin.pointInArea = at;
    if (run_.contains(at.row, at.col)) {
        basin.cells = run_.upstreamCells(at);
        if (basin.cells == 1 && run_.internalCode(at) == outletCode)
            basin.cells = removedOutletSize;
    }
    basin.cut = firstCutBelow(point);
    basin.cutBelowPoint = basin.cut.has_value();
    if (!basin.cut && run_.contains(at.row, at.col)) {
        const std::int32_t above = largestCutAbove_[indexInArea(at)];
        if (above != noCut) basin.cut = cuts_[static_cast<std::size_t>(above)];
    }
    return basin;
}

}  // namespace drainPrep
