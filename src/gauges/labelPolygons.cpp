#include "gauges/labelPolygons.hpp"

#include <algorithm>
#include <limits>
#include <unordered_map>

#include "cell/flowNetwork.hpp"
#include "text/decimalText.hpp"

namespace drainPrep {

namespace {

// Directions along cell edges, in the order of a quarter turn to the right.
enum Step : std::uint8_t { east, south, west, north };
constexpr std::uint8_t leftOf(std::uint8_t step) {
    return static_cast<std::uint8_t>((step + 3) % 4);
}

// Decimals of the coordinates: every vertex to 5e-11 degree, a millionth of
// a 1" cell.
constexpr int coordinateDecimals = 10;

// An edge of a region's boundary: the region's index in the high half, the
// vertex it starts at and its step in the low half, so that sorting groups
// the edges of each region by vertex.
using EdgeKey = std::uint64_t;

struct Vertex {
    std::int64_t row;
    std::int64_t col;
};

class Lattice {
public:
    explicit Lattice(const SourceFrame& frame) : cols_(std::int64_t{frame.cols} + 1) {}

    std::uint64_t index(std::int64_t row, std::int64_t col) const {
        return static_cast<std::uint64_t>(row * cols_ + col);
    }
    Vertex vertex(std::uint64_t index) const {
        return {static_cast<std::int64_t>(index) / cols_, static_cast<std::int64_t>(index) % cols_};
    }
    std::uint64_t next(std::uint64_t index, std::uint8_t step) const {
        const std::int64_t offsets[4] = {1, cols_, -1, -cols_};
        return static_cast<std::uint64_t>(static_cast<std::int64_t>(index) + offsets[step]);
    }

private:
    std::int64_t cols_;
};

EdgeKey keyOf(std::uint32_t region, std::uint64_t vertex, std::uint8_t step) {
    return (EdgeKey{region} << 32) | (vertex << 2) | step;
}
std::uint32_t regionOf(EdgeKey key) { return static_cast<std::uint32_t>(key >> 32); }
std::uint64_t vertexOf(EdgeKey key) { return (key & 0xFFFFFFFFu) >> 2; }
std::uint8_t stepOf(EdgeKey key) { return static_cast<std::uint8_t>(key & 3u); }

// Upstream of: a region's subtree in the tree of downstream links. Each
// region numbers its upstream regions, itself first, in a run of its own
// inside the run of the region it flows into: sizes are handed down from the
// headwaters, runs handed up from the outlets. A region on a loop of links,
// or above one, numbers none and holds none.
class RegionTree {
public:
    explicit RegionTree(const std::vector<std::int32_t>& downstream)
        : enter_(downstream.size(), 0), leave_(downstream.size(), 0) {
        constexpr std::int64_t noRun = -1;
        const ParentLinks<std::int32_t> tree(downstream);
        std::vector<std::int64_t> size(downstream.size(), 1);
        accumulate<std::int32_t>(tree, size.data());
        const std::vector<std::size_t> order = headwatersFirstOrder<std::int32_t>(tree);
        std::vector<std::int64_t> nextInRun(downstream.size(), noRun);
        std::int64_t nextOfRoots = 0;
        for (auto region = order.rbegin(); region != order.rend(); ++region) {
            std::int64_t& next =
                tree.drains(*region) ? nextInRun[tree.downOf(*region)] : nextOfRoots;
            if (next == noRun) continue;
            enter_[*region] = next;
            leave_[*region] = next + size[*region];
            nextInRun[*region] = next + 1;
            next = leave_[*region];
        }
    }

    // Whether region holds other (itself included) in its upstream region.
    bool holds(std::int32_t region, std::int32_t other) const {
        if (other < 0) return false;
        const auto r = static_cast<std::size_t>(region);
        const auto o = static_cast<std::size_t>(other);
        return enter_[r] <= enter_[o] && enter_[o] < leave_[r];
    }

private:
    std::vector<std::int64_t> enter_;
    std::vector<std::int64_t> leave_;
};

// The region index of each cell's label, looked up once per change of label
// along a row.
class RegionOfLabel {
public:
    explicit RegionOfLabel(const std::vector<std::int32_t>& ids) {
        for (std::size_t i = 0; i < ids.size(); ++i) {
            index_.emplace(ids[i], static_cast<std::int32_t>(i));
        }
    }
    std::int32_t operator()(std::int32_t label) {
        if (label < 0) return -1;
        if (label != lastLabel_) {
            const auto found = index_.find(label);
            lastLabel_ = label;
            lastRegion_ = found == index_.end() ? -1 : found->second;
        }
        return lastRegion_;
    }

private:
    std::unordered_map<std::int32_t, std::int32_t> index_;
    std::int32_t lastLabel_ = -1;
    std::int32_t lastRegion_ = -1;
};

// The edges come nearly in the order of their vertices: sorted within each
// region once they are grouped by region, which takes two passes.
std::vector<EdgeKey> byRegionAndVertex(const std::vector<EdgeKey>& edges, std::size_t regionCount) {
    std::vector<std::size_t> start(regionCount + 1, 0);
    for (const EdgeKey edge : edges) ++start[regionOf(edge) + 1];
    for (std::size_t region = 0; region < regionCount; ++region) start[region + 1] += start[region];
    std::vector<EdgeKey> sorted(edges.size());
    std::vector<std::size_t> next(start.begin(), start.end() - 1);
    for (const EdgeKey edge : edges) sorted[next[regionOf(edge)]++] = edge;
    for (std::size_t region = 0; region < regionCount; ++region) {
        std::sort(sorted.begin() + static_cast<std::ptrdiff_t>(start[region]),
                  sorted.begin() + static_cast<std::ptrdiff_t>(start[region + 1]));
    }
    return sorted;
}

// Every boundary edge, oriented with the region's cells on its left, handed
// to the regions it bounds.
std::vector<EdgeKey> boundaryEdges(const LabelRegions& regions, bool upstream) {
    const SourceFrame& frame = regions.frame;
    const Lattice lattice(frame);
    const RegionTree tree(regions.downstream);
    RegionOfLabel regionOf(regions.ids);
    const std::vector<std::int32_t>& labels = *regions.labels;
    std::vector<EdgeKey> edges;
    const auto hand = [&](std::int32_t inside, std::int32_t outside, std::uint64_t from,
                          std::uint8_t step) {
        if (!upstream) {
            if (inside >= 0) edges.push_back(keyOf(static_cast<std::uint32_t>(inside), from, step));
            return;
        }
        if (inside < 0) return;
        const ParentLinks<std::int32_t> downstream(regions.downstream);
        traceDown(downstream, static_cast<std::size_t>(inside), [&](std::size_t region) {
            if (tree.holds(static_cast<std::int32_t>(region), outside)) return true;
            edges.push_back(keyOf(static_cast<std::uint32_t>(region), from, step));
            return false;
        });
    };
    // The regions of the row above and of this row, -1 outside the grid.
    const auto width = static_cast<std::size_t>(frame.cols) + 1;
    std::vector<std::int32_t> above(width, -1), here(width, -1);
    for (std::int64_t row = 0; row <= frame.rows; ++row) {
        for (std::size_t col = 0; col + 1 < width; ++col) {
            here[col] = row < frame.rows
                            ? regionOf(labels[static_cast<std::size_t>(row) * (width - 1) + col])
                            : -1;
        }
        std::int32_t before = -1;
        for (std::size_t c = 0; c < width; ++c) {
            const auto col = static_cast<std::int64_t>(c);
            if (here[c] != above[c]) {
                hand(above[c], here[c], lattice.index(row, col), east);
                hand(here[c], above[c], lattice.index(row, col + 1), west);
            }
            if (row < frame.rows && here[c] != before) {
                hand(here[c], before, lattice.index(row, col), south);
                hand(before, here[c], lattice.index(row + 1, col), north);
            }
            before = here[c];
        }
        std::swap(above, here);
    }
    return byRegionAndVertex(edges, regions.ids.size());
}

using Ring = std::vector<Vertex>;  // corners, not repeating the first

struct RegionRings {
    std::vector<Ring> exteriors;
    std::vector<Ring> holes;
};

// Twice the area in cells, positive for a ring going counterclockwise on the
// map (x east, y north: y is minus the row).
std::int64_t twiceArea(const Ring& ring) {
    std::int64_t sum = 0;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        const Vertex& a = ring[i];
        const Vertex& b = ring[(i + 1) % ring.size()];
        sum += a.col * -b.row - b.col * -a.row;
    }
    return sum;
}

// Links the edges of one region, [first, last) of the sorted edges, into rings.
class RingTracer {
public:
    RingTracer(const std::vector<EdgeKey>& edges, std::size_t first, std::size_t last,
               const Lattice& lattice)
        : edges_(edges),
          first_(first),
          last_(last),
          lattice_(lattice),
          used_(last - first, false) {}

    RegionRings trace() {
        RegionRings rings;
        for (std::size_t start = first_; start < last_; ++start) {
            if (!used_[start - first_]) traceFrom(start, rings);
        }
        return rings;
    }

private:
    // The edges leaving a vertex: where two do, the region's cells touch
    // there only at a corner. The search gallops out from near, the edge
    // just walked: the next vertex lies beside it or a row away.
    std::pair<std::size_t, std::size_t> leaving(std::uint64_t vertex, std::size_t near) const {
        const EdgeKey low = (edges_[first_] & ~EdgeKey{0xFFFFFFFFu}) | (vertex << 2);
        std::size_t from = near, to = near + 1;
        for (std::size_t step = 1; from > first_ && edges_[from] >= low; step *= 2) {
            to = from;
            from = from > first_ + step ? from - step : first_;
        }
        for (std::size_t step = 1; to < last_ && edges_[to - 1] < low; step *= 2) {
            from = to - 1;
            to = std::min(last_, to + step);
        }
        const auto begin = std::lower_bound(edges_.begin() + static_cast<std::ptrdiff_t>(from),
                                            edges_.begin() + static_cast<std::ptrdiff_t>(to), low);
        auto end = begin;
        while (end != edges_.begin() + static_cast<std::ptrdiff_t>(last_) &&
               vertexOf(*end) == vertex)
            ++end;
        return {static_cast<std::size_t>(begin - edges_.begin()),
                static_cast<std::size_t>(end - edges_.begin())};
    }

    void traceFrom(std::size_t start, RegionRings& rings) {
        Ring stack;
        std::unordered_map<std::uint64_t, std::size_t> cornerAt;  // touching points on the stack
        std::vector<std::uint64_t> touchingPoints;
        const auto arrive = [&](std::uint64_t vertex, bool touching) {
            if (touching) {
                const auto found = cornerAt.find(vertex);
                if (found != cornerAt.end()) {
                    // The ring has come round to a corner it passed: the loop
                    // since then is a ring of its own.
                    const std::size_t from = found->second;
                    keep(Ring(stack.begin() + static_cast<std::ptrdiff_t>(from), stack.end()),
                         rings);
                    stack.resize(from + 1);
                    while (!touchingPoints.empty() && cornerAt[touchingPoints.back()] > from) {
                        cornerAt.erase(touchingPoints.back());
                        touchingPoints.pop_back();
                    }
                    return;
                }
                cornerAt[vertex] = stack.size();
                touchingPoints.push_back(vertex);
            }
            stack.push_back(lattice_.vertex(vertex));
        };
        std::size_t edge = start;
        {
            const auto [begin, end] = leaving(vertexOf(edges_[start]), start);
            arrive(vertexOf(edges_[start]), end - begin == 2);
        }
        for (;;) {
            used_[edge - first_] = true;
            const std::uint8_t step = stepOf(edges_[edge]);
            const std::uint64_t to = lattice_.next(vertexOf(edges_[edge]), step);
            const auto [begin, end] = leaving(to, edge);
            std::size_t next = begin;
            if (end - begin == 2) {
                next = stepOf(edges_[begin]) == leftOf(step) ? begin : begin + 1;
            }
            if (next == start) break;
            if (stepOf(edges_[next]) != step) arrive(to, end - begin == 2);
            edge = next;
        }
        keep(std::move(stack), rings);
    }

    static void keep(Ring ring, RegionRings& rings) {
        (twiceArea(ring) > 0 ? rings.exteriors : rings.holes).push_back(std::move(ring));
    }

    const std::vector<EdgeKey>& edges_;
    std::size_t first_;
    std::size_t last_;
    const Lattice& lattice_;
    std::vector<bool> used_;
};

struct Point {
    double x;
    double y;
};

// A point inside a region cell beside the hole's first edge (the region lies
// left of every edge), never on a line of the lattice.
Point besideHole(const Ring& hole) {
    const Vertex& a = hole[0];
    const Vertex& b = hole[1];
    const double dx = static_cast<double>(b.col - a.col);
    const double dy = static_cast<double>(a.row - b.row);
    const double length = std::max(std::abs(dx), std::abs(dy));
    constexpr double quarter = 0.25;
    return {static_cast<double>(a.col) + dx / 2.0 - dy / length * quarter,
            -static_cast<double>(a.row) + dy / 2.0 + dx / length * quarter};
}

bool encloses(const Ring& ring, Point point) {
    bool inside = false;
    for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
        const double xi = static_cast<double>(ring[i].col), yi = -static_cast<double>(ring[i].row);
        const double xj = static_cast<double>(ring[j].col), yj = -static_cast<double>(ring[j].row);
        if ((yi > point.y) != (yj > point.y) &&
            point.x < (xj - xi) * (point.y - yi) / (yj - yi) + xi) {
            inside = !inside;
        }
    }
    return inside;
}

// For each hole, the exterior ring it lies in: the innermost around it.
std::vector<std::size_t> holeOwners(const RegionRings& rings) {
    std::vector<std::size_t> owners(rings.holes.size(), 0);
    if (rings.exteriors.size() <= 1) return owners;
    std::vector<std::int64_t> areas;
    for (const Ring& ring : rings.exteriors) areas.push_back(twiceArea(ring));
    for (std::size_t h = 0; h < rings.holes.size(); ++h) {
        const Point point = besideHole(rings.holes[h]);
        std::int64_t smallest = std::numeric_limits<std::int64_t>::max();
        for (std::size_t e = 0; e < rings.exteriors.size(); ++e) {
            if (areas[e] < smallest && encloses(rings.exteriors[e], point)) {
                smallest = areas[e];
                owners[h] = e;
            }
        }
    }
    return owners;
}

// Vertices are counted in half cells from the equator and the prime
// meridian, where the edges of both lattices fall on whole numbers: the
// centre lattice's edges lie half a cell north and west of its lines.
class GeoJsonText {
public:
    GeoJsonText(std::string& text, const SourceFrame& frame)
        : text_(text),
          frame_(frame),
          halfCellsPerDegree_(2 * std::int64_t{frame.lattice.perDegree}),
          fractions_(fractionTexts(halfCellsPerDegree_)) {}

    void ring(const Ring& ring) {
        text_ += '[';
        for (const Vertex& vertex : ring) {
            point(vertex);
            text_ += ',';
        }
        point(ring.front());
        text_ += ']';
    }

private:
    void point(const Vertex& vertex) {
        text_ += '[';
        degrees(westEdgeHalfCells(frame_.westEdgeCells + vertex.col, frame_.lattice));
        text_ += ',';
        degrees(northEdgeHalfCells(frame_.northEdgeCells - vertex.row, frame_.lattice));
        text_ += ']';
    }
    // Whole degrees and one of the fractions, whose digits are worked out once.
    void degrees(std::int64_t halfCells) {
        if (halfCells < 0) text_ += '-';
        const auto magnitude = static_cast<std::uint64_t>(halfCells < 0 ? -halfCells : halfCells);
        const auto perDegree = static_cast<std::uint64_t>(halfCellsPerDegree_);
        text_ += std::to_string(magnitude / perDegree);
        text_ += fractions_[magnitude % perDegree];
    }

    static std::vector<std::string> fractionTexts(std::int64_t perDegree) {
        std::vector<std::string> texts;
        for (std::int64_t part = 0; part < perDegree; ++part) {
            const double degrees = static_cast<double>(part) / static_cast<double>(perDegree);
            const std::string fraction = fixed(degrees, coordinateDecimals);
            texts.push_back(fraction.substr(1));  // ".0041666667", without the 0
        }
        return texts;
    }

    std::string& text_;
    const SourceFrame& frame_;
    std::int64_t halfCellsPerDegree_;
    std::vector<std::string> fractions_;
};

void writeGeometry(const RegionRings& rings, GeoJsonText& json, std::string& text) {
    const std::vector<std::size_t> owners = holeOwners(rings);
    const bool multi = rings.exteriors.size() > 1;
    text += multi ? "{\"type\": \"MultiPolygon\", \"coordinates\": ["
                  : "{\"type\": \"Polygon\", \"coordinates\": ";
    for (std::size_t e = 0; e < rings.exteriors.size(); ++e) {
        text += e == 0 ? "[" : ",[";
        json.ring(rings.exteriors[e]);
        for (std::size_t h = 0; h < rings.holes.size(); ++h) {
            if (owners[h] != e) continue;
            text += ',';
            json.ring(rings.holes[h]);
        }
        text += ']';
    }
    text += multi ? "]}" : "}";
}

}  // namespace

std::string regionsGeoJson(const LabelRegions& regions, bool upstream,
                           const std::vector<std::string>& properties) {
    const std::vector<EdgeKey> edges = boundaryEdges(regions, upstream);
    const Lattice lattice(regions.frame);
    std::string text = "{\"type\": \"FeatureCollection\", \"features\": [";
    // About one corner to two edges, some thirty characters a corner.
    constexpr std::size_t charactersPerEdge = 16;
    text.reserve(edges.size() * charactersPerEdge);
    GeoJsonText json(text, regions.frame);
    std::size_t first = 0;
    for (std::size_t region = 0; region < regions.ids.size(); ++region) {
        std::size_t last = first;
        while (last < edges.size() && regionOf(edges[last]) == region) ++last;
        text += region == 0 ? "\n" : ",\n";
        text +=
            "{\"type\": \"Feature\", \"properties\": {" + properties[region] + "}, \"geometry\": ";
        if (first == last) {
            text += "null}";
            continue;
        }
        writeGeometry(RingTracer(edges, first, last, lattice).trace(), json, text);
        text += '}';
        first = last;
    }
    return text + "\n]}\n";
}

}  // namespace drainPrep
