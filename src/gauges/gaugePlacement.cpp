#include "gauges/gaugePlacement.hpp"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "cell/flowNetwork.hpp"

namespace drainPrep {

namespace {

// Small enough that a row's rounding stays below 1e-6 km² over a continent's
// rows, large enough that the 126 million cells of the whole source grid fit.
constexpr double areaUnitsPerKm2 = 1e11;

// Working labels while the walks run: a basin cell not yet labelled, and a
// cell on the walk in hand.
constexpr std::int32_t unlabelled = -2;
constexpr std::int32_t onWalk = -3;

using Links = DownLinks<std::int8_t>;

// Paints the path down from start over unlabelled cells with the label of
// the first labelled cell below: the first seed below it, or none where the
// path ends or closes a loop first.
void labelDown(std::size_t start, const Links& links, std::vector<std::int32_t>& labels) {
    const std::size_t end =
        paintPath(links, start, labels.data(), unlabelled, onWalk,
                  [&labels](std::size_t cell, std::size_t pathEnd, std::size_t) {
                      labels[cell] = std::max(labels[pathEnd], noGaugeLabel);
                  });
    if (labels[end] == unlabelled) labels[end] = noGaugeLabel;  // an end without a seed
}

// Every basin cell takes the label of the first seed on its path (itself
// included); seeds hold their label already.
void labelBySeeds(const GaugeNetwork& network, std::vector<std::int32_t>& labels) {
    const Links links(network.codes.data(), network.frame.rows, network.frame.cols);
    for (std::size_t cell = 0; cell < labels.size(); ++cell) {
        if (labels[cell] == unlabelled) labelDown(cell, links, labels);
    }
}

// In place: over a continent the labels take half a gigabyte.
void clearLabels(const GaugeNetwork& network, std::vector<std::int32_t>& labels) {
    labels.resize(network.codes.size());
    for (std::size_t cell = 0; cell < labels.size(); ++cell) {
        const std::int8_t code = network.codes[cell];
        labels[cell] = code == GaugeNetwork::frameRing ? frameRingLabel
                       : code < outletCode             ? noGaugeLabel
                                                       : unlabelled;
    }
}

std::size_t indexOf(const GaugeNetwork& network, SourceCell cell) {
    return static_cast<std::size_t>(cell.row) * static_cast<std::size_t>(network.frame.cols) +
           static_cast<std::size_t>(cell.col);
}

// The cells and area of each seed's own cells, the seed's parent (the next
// seed downstream) and, once handed down, of everything upstream.
struct SeedTree {
    std::vector<std::int64_t> cells;
    std::vector<AreaUnits> area;
    std::vector<std::int32_t> parent;
    std::vector<std::int64_t> upstreamCells;
    std::vector<AreaUnits> upstreamArea;
};

SeedTree seedTree(const GaugeNetwork& network, const std::vector<std::int32_t>& labels,
                  const std::vector<std::size_t>& seedCells) {
    SeedTree tree;
    const std::size_t count = seedCells.size();
    tree.cells.assign(count, 0);
    tree.area.assign(count, 0);
    const auto ncols = static_cast<std::size_t>(network.frame.cols);
    for (std::size_t cell = 0; cell < labels.size(); ++cell) {
        if (labels[cell] < 0) continue;
        const auto seed = static_cast<std::size_t>(labels[cell]);
        ++tree.cells[seed];
        tree.area[seed] += network.rowArea[cell / ncols];
    }
    const Links links(network.codes.data(), network.frame.rows, network.frame.cols);
    tree.parent.assign(count, -1);
    for (std::size_t seed = 0; seed < count; ++seed) {
        if (links.drains(seedCells[seed])) {
            tree.parent[seed] = std::max(labels[links.downOf(seedCells[seed])], -1);
        }
    }
    return tree;
}

// Calls handOn(child, parent) for every seed with a parent, each after all of
// its own children.
template <typename HandOn>
void upstreamFirst(const std::vector<std::int32_t>& parent, HandOn handOn) {
    const ParentLinks<std::int32_t> tree(parent);
    forEachHeadwatersFirst<std::int32_t>(tree, [&](std::size_t seed) {
        if (tree.drains(seed)) handOn(seed, tree.downOf(seed));
    });
}

void sumUpstream(SeedTree& tree) {
    tree.upstreamCells = tree.cells;
    tree.upstreamArea = tree.area;
    upstreamFirst(tree.parent, [&tree](std::size_t seed, std::size_t up) {
        tree.upstreamCells[up] += tree.upstreamCells[seed];
        tree.upstreamArea[up] += tree.upstreamArea[seed];
    });
}

// For each seed of a tree, the first of the marked seeds (mark >= 0) at or
// below it, following parents; -1 where none is.
std::vector<std::int32_t> firstGaugeBelow(const std::vector<std::int32_t>& parent,
                                          const std::vector<std::int32_t>& mark) {
    constexpr std::int32_t unknown = -2;
    constexpr std::int32_t onChain = -3;
    std::vector<std::int32_t> below(parent.size(), unknown);
    for (std::size_t seed = 0; seed < parent.size(); ++seed) {
        if (mark[seed] >= 0) below[seed] = mark[seed];
    }
    const ParentLinks<std::int32_t> tree(parent);
    for (std::size_t seed = 0; seed < parent.size(); ++seed) {
        if (below[seed] != unknown) continue;
        const std::size_t end =
            paintPath(tree, seed, below.data(), unknown, onChain,
                      [&below](std::size_t passed, std::size_t chainEnd, std::size_t) {
                          below[passed] = std::max(below[chainEnd], -1);
                      });
        if (below[end] == unknown) below[end] = -1;
    }
    return below;
}

// Calls visit(cell) for the basin cells within radius rows and columns, in
// row-major order.
template <typename Visit>
void forEachCandidate(const GaugeNetwork& network, SourceCell centre, std::int32_t radius,
                      Visit visit) {
    const Span rows = spanAround(centre.row, radius, network.frame.rows);
    const Span cols = spanAround(centre.col, radius, network.frame.cols);
    for (SourceCell cell{rows.first, 0}; cell.row <= rows.last; ++cell.row) {
        for (cell.col = cols.first; cell.col <= cols.last; ++cell.col) {
            if (network.codes[indexOf(network, cell)] >= outletCode) visit(cell);
        }
    }
}

// With a published area the candidate of upstream area nearest it wins,
// without one the largest; then fewer cells moved, then the first in
// row-major order.
struct Snapping {
    const Gauge& gauge;
    SourceCell given;

    bool better(AreaUnits area, SourceCell cell, AreaUnits bestArea, SourceCell best) const {
        if (area != bestArea) {
            if (!gauge.publishedKm2) return area > bestArea;
            const double miss = std::fabs(km2Of(area) - *gauge.publishedKm2);
            const double bestMiss = std::fabs(km2Of(bestArea) - *gauge.publishedKm2);
            if (miss != bestMiss) return miss < bestMiss;
        }
        return cellsApart(cell, given) < cellsApart(best, given);
    }
};

class Placer {
public:
    Placer(const GaugeNetwork& network, const std::vector<Gauge>& gauges, std::int32_t radius)
        : network_(network), gauges_(gauges), radius_(radius) {
        clearLabels(network, labels_);
    }

    GaugePlacement place(const std::vector<std::size_t>& entryCells) {
        GaugePlacement placement;
        placement.gauges.resize(gauges_.size());
        locate(placement.gauges);
        snap(placement.gauges);
        labelSubbasins(placement, entryCells);
        return placement;
    }

private:
    void locate(std::vector<GaugeOnNetwork>& placed) {
        std::vector<std::size_t> candidates;
        for (std::size_t i = 0; i < gauges_.size(); ++i) {
            const std::optional<SourceCell> cell =
                sourceCellAt(gauges_[i].lat, gauges_[i].lon, network_.frame);
            if (!cell) continue;
            placed[i].given = *cell;
            forEachCandidate(network_, *cell, radius_, [&](SourceCell candidate) {
                std::int32_t& label = labels_[indexOf(network_, candidate)];
                if (label != unlabelled) return;
                label = static_cast<std::int32_t>(candidates.size());
                candidates.push_back(indexOf(network_, candidate));
            });
        }
        labelBySeeds(network_, labels_);
        candidates_ = seedTree(network_, labels_, candidates);
        sumUpstream(candidates_);
    }

    void snap(std::vector<GaugeOnNetwork>& placed) {
        std::unordered_map<std::size_t, std::int32_t> gaugeOnCell;
        for (std::size_t i = 0; i < gauges_.size(); ++i) {
            GaugeOnNetwork& gauge = placed[i];
            if (!sourceCellAt(gauges_[i].lat, gauges_[i].lon, network_.frame)) continue;
            const Snapping rule{gauges_[i], gauge.given};
            std::optional<std::size_t> best;
            forEachCandidate(network_, gauge.given, radius_, [&](SourceCell cell) {
                const auto candidate = static_cast<std::size_t>(labels_[indexOf(network_, cell)]);
                if (!best || rule.better(candidates_.upstreamArea[candidate], cell,
                                         candidates_.upstreamArea[*best], gauge.snapped)) {
                    best = candidate;
                    gauge.snapped = cell;
                }
            });
            if (!best) {
                gauge.status = GaugeStatus::noCandidate;
                continue;
            }
            gauge.cellsMoved = cellsApart(gauge.snapped, gauge.given);
            gauge.upstreamCells = candidates_.upstreamCells[*best];
            gauge.upstreamArea = candidates_.upstreamArea[*best];
            const auto [earlier, first] = gaugeOnCell.emplace(
                indexOf(network_, gauge.snapped), static_cast<std::int32_t>(i));
            gauge.status = first ? GaugeStatus::placed : GaugeStatus::sameCell;
            if (!first) gauge.sameCellAs = earlier->second;
        }
    }

    void labelSubbasins(GaugePlacement& placement, const std::vector<std::size_t>& entryCells) {
        std::vector<std::size_t> gaugeCells;
        std::vector<std::size_t> gaugeOfSeed;
        std::vector<std::int32_t> gaugeAtCandidate(candidates_.parent.size(), -1);
        for (std::size_t i = 0; i < placement.gauges.size(); ++i) {
            if (placement.gauges[i].status != GaugeStatus::placed) continue;
            const std::size_t cell = indexOf(network_, placement.gauges[i].snapped);
            gaugeAtCandidate[static_cast<std::size_t>(labels_[cell])] =
                static_cast<std::int32_t>(gaugeCells.size());
            gaugeCells.push_back(cell);
            gaugeOfSeed.push_back(i);
        }
        // Every gauge cell is a candidate: a cell's first gauge is the first
        // at or below its first candidate.
        const std::vector<std::int32_t> gaugeBelow =
            firstGaugeBelow(candidates_.parent, gaugeAtCandidate);
        for (std::int32_t& label : labels_) {
            if (label >= 0) label = gaugeBelow[static_cast<std::size_t>(label)];
        }
        const SeedTree tree = seedTree(network_, labels_, gaugeCells);
        std::vector<bool> complete(gaugeCells.size(), true);
        for (const std::size_t entry : entryCells) {
            if (labels_[entry] >= 0) complete[static_cast<std::size_t>(labels_[entry])] = false;
        }
        upstreamFirst(tree.parent, [&complete](std::size_t seed, std::size_t up) {
            if (!complete[seed]) complete[up] = false;
        });
        for (std::size_t seed = 0; seed < gaugeCells.size(); ++seed) {
            GaugeOnNetwork& gauge = placement.gauges[gaugeOfSeed[seed]];
            gauge.subbasinCells = tree.cells[seed];
            gauge.subbasinArea = tree.area[seed];
            const std::int32_t down = tree.parent[seed];
            gauge.downstreamGauge =
                down < 0 ? -1 : static_cast<std::int32_t>(gaugeOfSeed[static_cast<std::size_t>(down)]);
            gauge.complete = complete[seed];
        }
        for (GaugeOnNetwork& gauge : placement.gauges) {
            if (gauge.status == GaugeStatus::sameCell) {
                gauge.complete = placement.gauges[static_cast<std::size_t>(gauge.sameCellAs)].complete;
            }
        }
        for (std::int32_t& label : labels_) {
            if (label >= 0) label = gauges_[gaugeOfSeed[static_cast<std::size_t>(label)]].gridNumber;
        }
        placement.subbasins = std::move(labels_);
    }

    const GaugeNetwork& network_;
    const std::vector<Gauge>& gauges_;
    std::int32_t radius_;
    std::vector<std::int32_t> labels_;
    SeedTree candidates_;
};

}  // namespace

std::int32_t defaultSnapCells(const CellLattice& lattice) {
    constexpr double cellsAtThirtySeconds = 3.0;
    const auto cells = std::lround(cellsAtThirtySeconds * lattice.perDegree / cellsPerDegree);
    return static_cast<std::int32_t>(std::max(1L, cells));
}

AreaUnits areaUnitsOf(double km2) { return static_cast<AreaUnits>(std::llround(km2 * areaUnitsPerKm2)); }

double km2Of(AreaUnits units) { return static_cast<double>(units) / areaUnitsPerKm2; }

GaugePlacement placeGauges(const GaugeNetwork& network, const std::vector<Gauge>& gauges,
                           std::int32_t snapRadius, const std::vector<std::size_t>& entryCells) {
    return Placer(network, gauges, snapRadius).place(entryCells);
}

}  // namespace drainPrep
