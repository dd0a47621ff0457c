#include "report/edgeInflow.hpp"

#include <algorithm>
#include <optional>

#include "analysis/directionCodes.hpp"
#include "cell/directions.hpp"
#include "cell/flowNetwork.hpp"
#include "runFiles/runFiles.hpp"
#include "report/surface.hpp"

namespace drainPrep::report {

namespace {

constexpr std::int32_t bandWidth = 3;

struct Cell {
    std::int32_t row;
    std::int32_t col;
};

// The cell a source code sends water to, if it is a D8 direction.
std::optional<Cell> downstreamOf(Cell cell, std::int32_t sourceCode) {
    const std::optional<std::int32_t> internal = decodeDirection(sourceCode);
    if (!internal || *internal < 1) return std::nullopt;
    const Direction& step = flowDirections[*internal - 1];
    return Cell{cell.row + step.rowOffset, cell.col + step.colOffset};
}

// Cells at least `depth` rows and columns inside the area's edge.
bool isInside(Cell cell, const EdgeBand& band, std::int32_t depth) {
    return cell.row >= depth && cell.row < band.nrows() - depth && cell.col >= depth &&
           cell.col < band.ncols() - depth;
}

// 0 on the frame ring, 1 on the outlet ring, and so on inward.
std::int32_t depthOf(Cell cell, const EdgeBand& band) {
    return std::min({cell.row, band.nrows() - 1 - cell.row, cell.col, band.ncols() - 1 - cell.col});
}

// For a cell of the given depth.
Edge edgeOf(Cell cell, const EdgeBand& band, std::int32_t depth) {
    if (cell.row == depth) return Edge::north;
    if (cell.row == band.nrows() - 1 - depth) return Edge::south;
    return cell.col == depth ? Edge::west : Edge::east;
}

// The water's way over the rings as the run would follow it: over land, and
// within the area.
class RingPaths {
public:
    RingPaths(const EdgeBand& directions, const EdgeBand& elevations, OutletRule rule)
        : directions_(directions), elevations_(elevations), rule_(rule) {}

    // The cells of both rings, at most: a path within them that has not left
    // them after that many steps goes round in a circle.
    std::size_t cellCount() const {
        const std::int64_t sides = std::int64_t{directions_.nrows()} + directions_.ncols();
        return static_cast<std::size_t>(4 * sides * (bandWidth - 1));
    }
    bool drains(Cell cell) const {
        const std::int32_t code = directions_.at(cell.row, cell.col);
        if (surfaceOf(elevations_.at(cell.row, cell.col), code, rule_) != Surface::land) {
            return false;
        }
        const std::optional<Cell> next = downstreamOf(cell, code);
        return next && isInside(*next, directions_, 0);
    }
    Cell downOf(Cell cell) const {
        return *downstreamOf(cell, directions_.at(cell.row, cell.col));
    }

private:
    const EdgeBand& directions_;
    const EdgeBand& elevations_;
    OutletRule rule_;
};

// The first cell off both rings on the water's way in, where it would join
// the network; none when the path leaves the area, meets sea or no data, or
// ends first.
std::optional<Cell> entryOf(Cell start, const EdgeBand& directions, const EdgeBand& elevations,
                            OutletRule rule) {
    const auto offRings = [&directions](Cell cell) {
        return isInside(cell, directions, bandWidth - 1);
    };
    const std::optional<Cell> end =
        traceDown(RingPaths(directions, elevations, rule), start, offRings);
    if (!end || !offRings(*end)) return std::nullopt;
    return end;
}

}  // namespace

EdgeBand::EdgeBand(std::int32_t nrows, std::int32_t ncols)
    : nrows_(nrows), ncols_(ncols), rowStart_(static_cast<std::size_t>(nrows) + 1) {
    std::size_t size = 0;
    for (std::int32_t row = 0; row < nrows; ++row) {
        rowStart_[static_cast<std::size_t>(row)] = size;
        size += static_cast<std::size_t>(keepsWholeRow(row) ? ncols : 2 * bandWidth);
    }
    rowStart_.back() = size;
    values_.resize(size);
}

bool EdgeBand::keepsWholeRow(std::int32_t row) const {
    return row < bandWidth || row >= nrows_ - bandWidth || ncols_ <= 2 * bandWidth;
}

void EdgeBand::keepRow(std::int32_t row, const std::int32_t* values) {
    std::int32_t* kept = values_.data() + rowStart_[static_cast<std::size_t>(row)];
    if (keepsWholeRow(row)) {
        std::copy(values, values + ncols_, kept);
    } else {
        std::copy(values, values + bandWidth, kept);
        std::copy(values + ncols_ - bandWidth, values + ncols_, kept + bandWidth);
    }
}

std::int32_t EdgeBand::at(std::int32_t row, std::int32_t col) const {
    const std::size_t start = rowStart_[static_cast<std::size_t>(row)];
    if (keepsWholeRow(row) || col < bandWidth)
        return values_[start + static_cast<std::size_t>(col)];
    return values_[start + static_cast<std::size_t>(col - (ncols_ - 2 * bandWidth))];
}

const char* ringName(Ring ring) { return ring == Ring::frame ? "frame" : "outlet"; }

const char* edgeName(Edge edge) {
    switch (edge) {
        case Edge::north:
            return "north";
        case Edge::east:
            return "east";
        case Edge::south:
            return "south";
        case Edge::west:
            return "west";
    }
    return "";
}

std::vector<EdgeInflow> findEdgeInflow(const EdgeBand& sourceDirections,
                                       const EdgeBand& sourceElevations, const EdgeBand& riverNums,
                                       OutletRule rule) {
    constexpr std::int32_t ringCount = 2;
    std::vector<EdgeInflow> inflow;
    const std::int32_t nrows = sourceDirections.nrows();
    const std::int32_t ncols = sourceDirections.ncols();
    for (std::int32_t row = 0; row < nrows; ++row) {
        for (std::int32_t col = 0; col < ncols; ++col) {
            const Cell cell{row, col};
            const std::int32_t depth = depthOf(cell, sourceDirections);
            if (depth >= ringCount) {
                col = ncols - ringCount - 1;  // on to the rings of the east edge
                continue;
            }
            // The run makes no outlet of a sea cell: nothing ends there.
            const std::int32_t code = sourceDirections.at(row, col);
            if (depth == 1 && surfaceOf(sourceElevations.at(row, col), code, rule) == Surface::sea) {
                continue;
            }
            // Water that goes deeper into the area than the cell lies.
            const std::optional<Cell> next = downstreamOf(cell, code);
            if (!next || !isInside(*next, sourceDirections, depth + 1)) continue;
            const std::optional<Cell> entry =
                entryOf(cell, sourceDirections, sourceElevations, rule);
            inflow.push_back({edgeOf(cell, sourceDirections, depth),
                              depth == 0 ? Ring::frame : Ring::outlet, row, col,
                              entry ? riverNums.at(entry->row, entry->col) : noBasin,
                              entry ? entry->row : -1, entry ? entry->col : -1});
        }
    }
    return inflow;
}

}  // namespace drainPrep::report
