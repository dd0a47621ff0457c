// The river network of a run: the cells whose basin size reaches a threshold,
// cut into reaches that run from a source or a confluence to the next
// confluence or to an outlet, with Strahler order, lengths and upstream
// areas. It follows the run's own down links (flowDir.bin), basin sizes
// (flowAcc.bin) and basin numbers (riverNum.bin): cells in no basin, such as
// those on or above a loop, carry no river. Built in passes over the rows that
// hold three rows at a time, keeping one byte a cell (its direction, whether
// it is a river cell and a confluence) besides the reaches.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "cell/directions.hpp"
#include "cell/flowNetwork.hpp"
#include "geometry/studyArea.hpp"
#include "report/blockReduction.hpp"
#include "runFiles/binaryGridReader.hpp"
#include "runFiles/runFiles.hpp"
#include "text/failure.hpp"

namespace drainPrep::report {

// One cell of the three grids the network is built from.
struct FlowCell {
    std::int32_t dir = noFlowCode;  // internal code: 1..8 drains, 0 outlet, below 0 none
    std::int32_t basinSize = 0;
    std::int32_t riverNum = noBasin;
};

// Fills the next row of the grid, the northern one first; returns the
// failure text.
using FlowRowReader = std::function<Failure(std::vector<FlowCell>& row)>;

// More reaches than this are more than a browser or a GIS draws comfortably;
// a threshold that gives more is raised.
constexpr std::int64_t mostReaches = 50000;

// The threshold asked for, by --river-cells or by the basin map, and the one
// taken.
struct RiverThreshold {
    std::int32_t asked = 1;
    std::int64_t reachesAsked = 0;  // the reaches the asked threshold would give
    std::int32_t cells = 1;         // taken: a river cell's basin size reaches it

    bool raised() const { return cells != asked; }
};

// The threshold asked for, then the round numbers above it (1, 2, 5, 10, ...).
std::vector<std::int32_t> thresholdLadder(std::int32_t asked);

// The number of reaches at each threshold of an ascending list, in one pass.
Failure countReaches(const StudyArea& area, const std::vector<std::int32_t>& thresholds,
                     const FlowRowReader& nextRow, std::vector<std::int64_t>& reaches);

// The asked threshold, or the first of the ladder that gives no more than
// mostReaches.
RiverThreshold chooseThreshold(const std::vector<std::int32_t>& ladder,
                               const std::vector<std::int64_t>& reaches);

// Cells are numbered row-major: row * ncols + col.
struct Reach {
    std::int64_t firstCell = 0;
    std::int64_t lastCell = 0;    // the reach's last own cell
    std::int64_t joinCell = -1;   // the first cell of the reach downstream, or -1
    std::int32_t downstream = 0;  // its number, or 0 where the reach ends at an outlet
    std::int32_t riverNum = noBasin;
    std::int32_t order = 0;          // Strahler
    std::int32_t cells = 0;          // own cells
    std::int32_t upstreamCells = 0;  // basin size at the last own cell
    double upstreamKm2 = 0.0;        // of every cell draining through the last own cell
    double lengthKm = 0.0;   // centre to centre, over own cells and the step into the next reach
    double longestKm = 0.0;  // the longest way from a source to the end of the line
    bool outlet = false;     // ends at its basin's outlet
};

// What the basin table shows of a basin's rivers.
struct BasinRivers {
    std::int32_t highestOrder = 0;
    double mainStemKm = 0.0;  // the longest way from a source to the outlet
};

class RiverNetwork {
public:
    // Reaches are numbered 1, 2, ... by their first cell in row-major order.
    Failure build(const StudyArea& area, std::int32_t threshold, const FlowRowReader& nextRow);

    const std::vector<Reach>& reaches() const { return reaches_; }
    std::int64_t riverCells() const { return riverCells_; }
    // No river: highest order 0.
    BasinRivers basin(std::int32_t riverNum) const;

    // Calls visit(cell) for each point of the reach's line: its own cells
    // from upstream down, then the first cell of the reach it flows into.
    template <typename Visit>
    void forEachPoint(const Reach& reach, Visit visit) const {
        walk(reach.firstCell, visit);
        if (reach.joinCell >= 0) visit(reach.joinCell);
    }

    // The highest order of the river cells of each block, 0 where none.
    ReducedGrid orderMap(std::int32_t reduction) const;

private:
    // A reach's own cells: each leads to the next river cell down, unless
    // that starts a reach of its own at a confluence.
    class OwnCells {
    public:
        explicit OwnCells(const RiverNetwork& network) : network_(network) {}
        std::size_t cellCount() const { return network_.links_.size(); }
        bool drains(std::int64_t cell) const {
            const std::int64_t next = network_.downRiverCell(cell);
            return next >= 0 && !network_.isConfluence(next);
        }
        std::int64_t downOf(std::int64_t cell) const { return network_.downRiverCell(cell); }

    private:
        const RiverNetwork& network_;
    };

    // Walks from a reach's first cell down its own cells; returns the last.
    template <typename Visit>
    std::int64_t walk(std::int64_t cell, Visit visit) const {
        const std::optional<std::int64_t> last =
            traceDown(OwnCells(*this), cell, [&visit](std::int64_t own) {
                visit(own);
                return false;
            });
        return last.value_or(cell);
    }

    // The basin size and number at a reach's last own cell.
    struct EndValues {
        std::int64_t cell;
        std::int32_t basinSize;
        std::int32_t riverNum;
    };

    std::int64_t downRiverCell(std::int64_t cell) const;
    bool isConfluence(std::int64_t cell) const;
    void traceReaches(const std::vector<std::int64_t>& starts, std::vector<EndValues>& ends);
    void orderReaches();
    // The river cell's own area and that of the cells draining into it
    // without passing another river cell.
    struct CellPlace {
        std::int32_t row;
        std::int32_t col;
    };
    double ownAndTributaryKm2(std::int64_t riverCell, std::vector<CellPlace>& pending) const;

    StudyArea area_;
    std::vector<std::uint8_t> links_;  // per cell: direction, river and confluence bits
    std::vector<double> rowKm2_;       // the area of a cell of each row
    std::vector<Reach> reaches_;
    std::unordered_map<std::int32_t, BasinRivers> basins_;
    std::int64_t riverCells_ = 0;
};

// The rows of flowDir.bin, flowAcc.bin and riverNum.bin, read in step.
class FlowGridFiles {
public:
    Failure open(const std::filesystem::path& folder, std::int32_t ncols);
    Failure readRow(std::vector<FlowCell>& row);

private:
    BinaryGridReader flowDir_, basinSize_, riverNum_;
    std::vector<std::int32_t> dirs_, basinSizes_, riverNums_;
};

// Both passes over the run's grids: counts the reaches, takes the threshold,
// builds the network.
Failure buildRiverNetwork(const std::filesystem::path& folder, const StudyArea& area,
                          std::int32_t askedThreshold, RiverThreshold& threshold,
                          RiverNetwork& network);

}  // namespace drainPrep::report
