#include "report/riverNetwork.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "report/gridScan.hpp"
#include "report/mapImages.hpp"

namespace drainPrep::report {

namespace {

// The per-cell byte: the internal direction code 0..8 (or none) in the low
// bits, and two flags.
constexpr std::uint8_t directionBits = 0x0f;
constexpr std::uint8_t noDirection = 0x0f;
constexpr std::uint8_t riverBit = 0x10;
constexpr std::uint8_t confluenceBit = 0x20;

constexpr double metresPerKm = 1000.0;

bool isRiver(const FlowCell& cell, std::int32_t threshold) {
    return cell.riverNum >= 1 && cell.basinSize >= threshold;
}

bool drains(std::int32_t dir) { return dir >= 1 && dir <= directionCount; }

// Three rows of the grids at a time: each row is looked at once the rows
// north and south of it are at hand.
class FlowWindow {
public:
    explicit FlowWindow(const StudyArea& area)
        : nrows_(area.nrows),
          ncols_(area.ncols),
          rows_(3, std::vector<FlowCell>(static_cast<std::size_t>(area.ncols))) {}

    template <typename Visit>
    Failure sweep(const FlowRowReader& nextRow, Visit visitRow) {
        for (std::int32_t row = 0; row <= nrows_; ++row) {
            if (row < nrows_) {
                if (auto failure = nextRow(rows_[slot(row)])) return failure;
            }
            if (row >= 1) visitRow(row - 1);
        }
        return std::nullopt;
    }

    // Null outside the grid.
    const FlowCell* at(std::int32_t row, std::int32_t col) const {
        if (row < 0 || row >= nrows_ || col < 0 || col >= ncols_) return nullptr;
        return &rows_[slot(row)][static_cast<std::size_t>(col)];
    }

    // The cell that [row][col] drains into, null where none.
    const FlowCell* down(std::int32_t row, std::int32_t col) const {
        const std::optional<SourceCell> cell = downstream({row, col});
        return cell ? at(cell->row, cell->col) : nullptr;
    }

    // The window's paths, for the network core's inflows.
    bool contains(std::int64_t row, std::int64_t col) const {
        return row >= 0 && row < nrows_ && col >= 0 && col < ncols_;
    }
    std::optional<SourceCell> downstream(SourceCell cell) const {
        const std::int32_t dir = at(cell.row, cell.col)->dir;
        if (!drains(dir)) return std::nullopt;
        const Direction& step = flowDirections[dir - 1];
        const SourceCell down{cell.row + step.rowOffset, cell.col + step.colOffset};
        if (!contains(down.row, down.col)) return std::nullopt;
        return down;
    }

    // Calls inflow(cell, row, col) for every river cell draining into [row][col].
    template <typename Inflow>
    void forEachRiverInflow(std::int32_t row, std::int32_t col, std::int32_t threshold,
                            Inflow inflow) const {
        forEachInflow(*this, SourceCell{row, col}, [&](SourceCell from) {
            const FlowCell& cell = *at(from.row, from.col);
            if (isRiver(cell, threshold)) inflow(cell, from.row, from.col);
        });
    }

    std::int32_t ncols() const { return ncols_; }

private:
    static std::size_t slot(std::int32_t row) { return static_cast<std::size_t>(row % 3); }

    std::int32_t nrows_;
    std::int32_t ncols_;
    std::vector<std::vector<FlowCell>> rows_;
};

// Adds one to counts[from] .. counts[to - 1] as a difference.
void addOver(std::vector<std::int64_t>& differences, std::size_t from, std::size_t to) {
    if (from >= to) return;
    ++differences[from];
    --differences[to];
}

// How many thresholds of the ascending list a basin size reaches.
std::size_t thresholdsReached(const std::vector<std::int32_t>& thresholds, std::int32_t size) {
    return static_cast<std::size_t>(std::upper_bound(thresholds.begin(), thresholds.end(), size) -
                                    thresholds.begin());
}

double stepKm(std::int64_t from, std::int64_t to, const StudyArea& area) {
    const std::int64_t row = from / area.ncols;
    const bool northSouth = to / area.ncols != row;
    const bool eastWest = to % area.ncols != from % area.ncols;
    // The tool's own convention: the east-west length of the cell stepped from.
    const double eastWestMetres =
        eastWest ? rowLengthEastWest(area, static_cast<std::int32_t>(row)) : 0.0;
    const double northSouthMetres = northSouth ? cellLengthNorthSouthOf(area.lattice) : 0.0;
    return std::sqrt(eastWestMetres * eastWestMetres + northSouthMetres * northSouthMetres) /
           metresPerKm;
}

}  // namespace

std::vector<std::int32_t> thresholdLadder(std::int32_t asked) {
    std::vector<std::int32_t> ladder{asked};
    while (ladder.back() < std::numeric_limits<std::int32_t>::max()) {
        ladder.push_back(roundNumberAbove(ladder.back() + 1));
    }
    return ladder;
}

Failure countReaches(const StudyArea& area, const std::vector<std::int32_t>& thresholds,
                     const FlowRowReader& nextRow, std::vector<std::int64_t>& reaches) {
    std::vector<std::int64_t> differences(thresholds.size() + 1, 0);
    FlowWindow window(area);
    const std::int32_t lowest = thresholds.front();
    Failure failure = window.sweep(nextRow, [&](std::int32_t row) {
        for (std::int32_t col = 0; col < window.ncols(); ++col) {
            const FlowCell& cell = *window.at(row, col);
            if (!isRiver(cell, lowest)) continue;
            std::int32_t largest = 0, second = 0;
            window.forEachRiverInflow(row, col, lowest, [&](const FlowCell& from, auto, auto) {
                second = std::max(second, std::min(largest, from.basinSize));
                largest = std::max(largest, from.basinSize);
            });
            // A reach starts here where no river cell drains in (a source) or
            // two or more do (a confluence).
            const std::size_t river = thresholdsReached(thresholds, cell.basinSize);
            addOver(differences, thresholdsReached(thresholds, largest), river);
            addOver(differences, 0, std::min(thresholdsReached(thresholds, second), river));
        }
    });
    reaches.assign(thresholds.size(), 0);
    std::int64_t running = 0;
    for (std::size_t i = 0; i < thresholds.size(); ++i) reaches[i] = running += differences[i];
    return failure;
}

RiverThreshold chooseThreshold(const std::vector<std::int32_t>& ladder,
                               const std::vector<std::int64_t>& reaches) {
    RiverThreshold threshold;
    threshold.asked = ladder.front();
    threshold.reachesAsked = reaches.front();
    std::size_t taken = 0;
    while (reaches[taken] > mostReaches && taken + 1 < ladder.size()) ++taken;
    threshold.cells = ladder[taken];
    return threshold;
}

Failure RiverNetwork::build(const StudyArea& area, std::int32_t threshold,
                            const FlowRowReader& nextRow) {
    area_ = area;
    rowKm2_.resize(static_cast<std::size_t>(area.nrows));
    for (std::int32_t row = 0; row < area.nrows; ++row) {
        rowKm2_[static_cast<std::size_t>(row)] = cellAreaKm2(area, row);
    }
    links_.assign(static_cast<std::size_t>(area.cellCount()), 0);
    reaches_.clear();
    basins_.clear();
    riverCells_ = 0;
    std::vector<std::int64_t> starts;
    std::vector<EndValues> ends;
    FlowWindow window(area);
    const auto index = [&area](std::int32_t row, std::int32_t col) {
        return std::int64_t{row} * area.ncols + col;
    };
    Failure failure = window.sweep(nextRow, [&](std::int32_t row) {
        for (std::int32_t col = 0; col < area.ncols; ++col) {
            const FlowCell& cell = *window.at(row, col);
            std::uint8_t& link = links_[static_cast<std::size_t>(index(row, col))];
            link = cell.dir >= outletCode && cell.dir <= directionCount
                       ? static_cast<std::uint8_t>(cell.dir)
                       : noDirection;
            if (!isRiver(cell, threshold)) continue;
            ++riverCells_;
            link |= riverBit;
            std::int32_t inflows = 0;
            window.forEachRiverInflow(row, col, threshold, [&](auto&, auto, auto) { ++inflows; });
            if (inflows != 1) starts.push_back(index(row, col));
            if (inflows >= 2) {
                link |= confluenceBit;
                window.forEachRiverInflow(
                    row, col, threshold, [&](const FlowCell& from, std::int32_t r, std::int32_t c) {
                        ends.push_back({index(r, c), from.basinSize, from.riverNum});
                    });
            }
            const FlowCell* down = window.down(row, col);
            if (down == nullptr || !isRiver(*down, threshold)) {
                ends.push_back({index(row, col), cell.basinSize, cell.riverNum});
            }
        }
    });
    if (failure) return failure;
    traceReaches(starts, ends);
    orderReaches();
    return std::nullopt;
}

std::int64_t RiverNetwork::downRiverCell(std::int64_t cell) const {
    const std::int32_t dir = links_[static_cast<std::size_t>(cell)] & directionBits;
    if (!drains(dir)) return -1;
    const Direction& step = flowDirections[dir - 1];
    const std::int64_t row = cell / area_.ncols + step.rowOffset;
    const std::int64_t col = cell % area_.ncols + step.colOffset;
    if (row < 0 || row >= area_.nrows || col < 0 || col >= area_.ncols) return -1;
    const std::int64_t next = row * area_.ncols + col;
    return (links_[static_cast<std::size_t>(next)] & riverBit) != 0 ? next : -1;
}

bool RiverNetwork::isConfluence(std::int64_t cell) const {
    return (links_[static_cast<std::size_t>(cell)] & confluenceBit) != 0;
}

void RiverNetwork::traceReaches(const std::vector<std::int64_t>& starts,
                                std::vector<EndValues>& ends) {
    std::sort(ends.begin(), ends.end(),
              [](const EndValues& a, const EndValues& b) { return a.cell < b.cell; });
    const auto reachStartingAt = [&starts](std::int64_t cell) {
        return static_cast<std::int32_t>(std::lower_bound(starts.begin(), starts.end(), cell) -
                                         starts.begin() + 1);
    };
    for (const std::int64_t start : starts) {
        Reach reach;
        reach.firstCell = start;
        std::int64_t previous = -1;
        reach.lastCell = walk(start, [&](std::int64_t cell) {
            if (previous >= 0) reach.lengthKm += stepKm(previous, cell, area_);
            previous = cell;
            ++reach.cells;
        });
        const std::int64_t next = downRiverCell(reach.lastCell);
        if (next >= 0) {
            reach.joinCell = next;
            reach.downstream = reachStartingAt(next);
            reach.lengthKm += stepKm(reach.lastCell, next, area_);
        }
        const auto end = std::lower_bound(
            ends.begin(), ends.end(), reach.lastCell,
            [](const EndValues& values, std::int64_t cell) { return values.cell < cell; });
        if (end != ends.end() && end->cell == reach.lastCell) {
            reach.upstreamCells = end->basinSize;
            reach.riverNum = end->riverNum;
        }
        reach.outlet = (links_[static_cast<std::size_t>(reach.lastCell)] & directionBits) ==
                       static_cast<std::uint8_t>(outletCode);
        reaches_.push_back(reach);
    }
}

// Upstream reaches before downstream ones: a reach is ordered once every
// reach flowing into it is. Its upstream area is theirs plus, cell by cell
// down the reach, each cell's own and that of the land draining into it
// without passing a river cell.
void RiverNetwork::orderReaches() {
    const std::size_t count = reaches_.size();
    std::vector<std::int32_t> waitingFor(count, 0);
    std::vector<std::int32_t> highestIn(count, 0);
    std::vector<std::int32_t> highestInCount(count, 0);
    std::vector<double> longestIn(count, 0.0);
    std::vector<double> km2In(count, 0.0);
    std::vector<CellPlace> pending;
    for (const Reach& reach : reaches_) {
        if (reach.downstream > 0) ++waitingFor[static_cast<std::size_t>(reach.downstream - 1)];
    }
    std::vector<std::size_t> ready;
    for (std::size_t i = 0; i < count; ++i) {
        if (waitingFor[i] == 0) ready.push_back(i);
    }
    while (!ready.empty()) {
        const std::size_t i = ready.back();
        ready.pop_back();
        Reach& reach = reaches_[i];
        reach.order = highestIn[i] == 0 ? 1 : highestIn[i] + (highestInCount[i] >= 2 ? 1 : 0);
        reach.longestKm = longestIn[i] + reach.lengthKm;
        reach.upstreamKm2 = km2In[i];
        walk(reach.firstCell,
             [&](std::int64_t cell) { reach.upstreamKm2 += ownAndTributaryKm2(cell, pending); });
        BasinRivers& basin = basins_[reach.riverNum];
        basin.highestOrder = std::max(basin.highestOrder, reach.order);
        if (reach.outlet) basin.mainStemKm = std::max(basin.mainStemKm, reach.longestKm);
        if (reach.downstream <= 0) continue;
        const auto down = static_cast<std::size_t>(reach.downstream - 1);
        if (reach.order > highestIn[down]) {
            highestIn[down] = reach.order;
            highestInCount[down] = 0;
        }
        if (reach.order == highestIn[down]) ++highestInCount[down];
        longestIn[down] = std::max(longestIn[down], reach.longestKm);
        km2In[down] += reach.upstreamKm2;
        if (--waitingFor[down] == 0) ready.push_back(down);
    }
}

double RiverNetwork::ownAndTributaryKm2(std::int64_t riverCell,
                                        std::vector<CellPlace>& pending) const {
    const std::int64_t ncols = area_.ncols;
    double km2 = 0.0;
    pending.assign(1, {static_cast<std::int32_t>(riverCell / ncols),
                       static_cast<std::int32_t>(riverCell % ncols)});
    while (!pending.empty()) {
        const CellPlace cell = pending.back();
        pending.pop_back();
        km2 += rowKm2_[static_cast<std::size_t>(cell.row)];
        const bool inner = cell.row > 0 && cell.row < area_.nrows - 1 && cell.col > 0 &&
                           cell.col < area_.ncols - 1;
        for (std::int32_t k = 0; k < directionCount; ++k) {
            const CellPlace from{cell.row - flowDirections[k].rowOffset,
                                 cell.col - flowDirections[k].colOffset};
            if (!inner && (from.row < 0 || from.row >= area_.nrows || from.col < 0 ||
                           from.col >= area_.ncols)) {
                continue;
            }
            // Drains into the cell and is no river cell.
            const std::uint8_t link = links_[static_cast<std::size_t>(from.row * ncols + from.col)];
            if ((link & (directionBits | riverBit)) == k + 1) pending.push_back(from);
        }
    }
    return km2;
}

BasinRivers RiverNetwork::basin(std::int32_t riverNum) const {
    const auto found = basins_.find(riverNum);
    return found == basins_.end() ? BasinRivers{} : found->second;
}

ReducedGrid RiverNetwork::orderMap(std::int32_t reduction) const {
    ReducedGrid orders;
    orders.nrows = (area_.nrows + reduction - 1) / reduction;
    orders.ncols = (area_.ncols + reduction - 1) / reduction;
    orders.values.assign(
        static_cast<std::size_t>(orders.nrows) * static_cast<std::size_t>(orders.ncols), 0);
    for (const Reach& reach : reaches_) {
        walk(reach.firstCell, [&](std::int64_t cell) {
            const auto row = static_cast<std::size_t>(cell / area_.ncols / reduction);
            const auto col = static_cast<std::size_t>(cell % area_.ncols / reduction);
            std::int32_t& order = orders.values[row * static_cast<std::size_t>(orders.ncols) + col];
            order = std::max(order, reach.order);
        });
    }
    return orders;
}

Failure FlowGridFiles::open(const std::filesystem::path& folder, std::int32_t ncols) {
    const auto width = static_cast<std::size_t>(ncols);
    dirs_.resize(width);
    basinSizes_.resize(width);
    riverNums_.resize(width);
    if (auto failure = flowDir_.open(folder, flowDirBin, ncols)) return failure;
    if (auto failure = basinSize_.open(folder, flowAccBin, ncols)) return failure;
    return riverNum_.open(folder, riverNumBin, ncols);
}

Failure FlowGridFiles::readRow(std::vector<FlowCell>& row) {
    if (auto failure = flowDir_.readRow(dirs_.data())) return failure;
    if (auto failure = basinSize_.readRow(basinSizes_.data())) return failure;
    if (auto failure = riverNum_.readRow(riverNums_.data())) return failure;
    for (std::size_t i = 0; i < row.size(); ++i) {
        row[i] = {dirs_[i], basinSizes_[i], riverNums_[i]};
    }
    return std::nullopt;
}

Failure buildRiverNetwork(const std::filesystem::path& folder, const StudyArea& area,
                          std::int32_t askedThreshold, RiverThreshold& threshold,
                          RiverNetwork& network) {
    const auto pass = [&folder, &area](auto work) -> Failure {
        FlowGridFiles files;
        if (auto failure = files.open(folder, area.ncols)) return failure;
        return work([&files](std::vector<FlowCell>& row) { return files.readRow(row); });
    };
    const std::vector<std::int32_t> ladder = thresholdLadder(askedThreshold);
    std::vector<std::int64_t> reaches;
    if (auto failure = pass(
            [&](const FlowRowReader& rows) { return countReaches(area, ladder, rows, reaches); })) {
        return failure;
    }
    threshold = chooseThreshold(ladder, reaches);
    return pass(
        [&](const FlowRowReader& rows) { return network.build(area, threshold.cells, rows); });
}

}  // namespace drainPrep::report
