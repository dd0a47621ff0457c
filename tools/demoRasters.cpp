// demoRasters: writes a synthetic pair of continental rasters for drainPrep demos
// and benchmarks, shaped like the real 30" Asia clip (8400 x 15000 cells, 60N 55E
// north-west corner, 120 cells per degree, int16 little-endian, row-major):
//   as_dem_30s_clipped_55--10-180-60.bin  elevations in metres, -9999 for sea
//   as_dir_30s_clipped_55--10-180-60.bin  D8 codes (1 E .. 128 NE), 0 inland sink, -9999 sea
// Terrain: gradient noise decides land and sea; land rises gently with distance
// from the sea, ridged noise adds mountain belts, hills roughen everything, and
// low coasts get polders below sea level. A few bowls carved inland become closed
// basins. Directions: a priority-flood over a bucket queue, seeded from the coast,
// the grid border and the bowl floors, fills the depressions; each land cell drains
// by steepest descent on the filled surface, and cells on filled flats drain to the
// cell the flood reached them from. So no loops exist and every path ends in the
// sea, off the grid or in a sink.
// Terrains made hard for a run over the whole grid, chosen by a third argument:
//   land        the same generator with sea only on the grid's outer ring: land
//               nearly everywhere, in basins as large as continents
//   winding     one river through every cell inside the two outer rings, row
//               after row, alternately west and east: one basin of the whole
//               grid, whose flow path is as long as the grid can hold
//   tinyBasins  3 x 3 blocks, each draining into the sink in its middle: some
//               14 million basins of nine cells
// The last two rise from north to south by a metre a row, so that every cell has
// a lower neighbour and no run reports pits.
// Usage: demoRasters OUTDIR [SEED [TERRAIN]]   (same seed -> identical bytes everywhere)

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int rows = 8400;
constexpr int cols = 15000;
constexpr std::size_t cellCount = static_cast<std::size_t>(rows) * cols;
constexpr std::int16_t seaValue = -9999;
constexpr std::int16_t lowestLand = -20;
constexpr std::int16_t highestLand = 8000;

// Per-cell state during the flood: a direction index 0..7 (E, SE, S, SW, W, NW, N, NE)
// optionally marked fixed, or one of the markers for sinks, sea and unvisited cells.
constexpr std::uint8_t fixedFlag = 0x10;
constexpr std::uint8_t sinkMark = 0x20;
constexpr std::uint8_t seaMark = 0x40;
constexpr std::uint8_t unvisited = 0xFF;
constexpr double continentWavelength = 2600;
constexpr std::uint32_t continentOctaves = 10;
constexpr int rowStep[8] = {0, 1, 1, 1, 0, -1, -1, -1};
constexpr int colStep[8] = {1, 1, 0, -1, -1, -1, 0, 1};

struct Sink {
    int row;
    int col;
};

using Clock = std::chrono::steady_clock;

void progress(const Clock::time_point& start, const std::string& message) {
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("[%6.1f s] %s\n", seconds, message.c_str());
    std::fflush(stdout);
}

// Integer hashing keeps the output identical across compilers and libraries.
std::uint32_t mix(std::uint32_t h) {
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

std::uint32_t latticeHash(int x, int y, std::uint32_t salt) {
    return mix(static_cast<std::uint32_t>(x) * 0x85EBCA6Bu ^ static_cast<std::uint32_t>(y) * 0xC2B2AE35u ^
               mix(salt));
}

// SplitMix64: a small portable generator for placing the sinks.
std::uint64_t nextRandom(std::uint64_t& state) {
    state += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

int randomBelow(std::uint64_t& state, int bound) {
    return static_cast<int>(nextRandom(state) % static_cast<std::uint64_t>(bound));
}

// Gradient noise with eight hashed unit gradients; its size never exceeds sqrt(2) / 2.
double gradientNoise(double x, double y, std::uint32_t salt) {
    static constexpr double gx[8] = {1, 0.70710678, 0, -0.70710678, -1, -0.70710678, 0, 0.70710678};
    static constexpr double gy[8] = {0, 0.70710678, 1, 0.70710678, 0, -0.70710678, -1, -0.70710678};
    const double fx0 = std::floor(x);
    const double fy0 = std::floor(y);
    const int x0 = static_cast<int>(fx0);
    const int y0 = static_cast<int>(fy0);
    const double dx = x - fx0;
    const double dy = y - fy0;
    auto corner = [&](int cx, int cy) {
        const std::uint32_t g = latticeHash(x0 + cx, y0 + cy, salt) & 7u;
        return gx[g] * (dx - cx) + gy[g] * (dy - cy);
    };
    const double u = dx * dx * dx * (dx * (dx * 6 - 15) + 10);
    const double v = dy * dy * dy * (dy * (dy * 6 - 15) + 10);
    const double bottom = corner(0, 0) + u * (corner(1, 0) - corner(0, 0));
    const double top = corner(0, 1) + u * (corner(1, 1) - corner(0, 1));
    return bottom + v * (top - bottom);
}

double fractalNoise(double x, double y, std::uint32_t octaves, std::uint32_t salt) {
    double sum = 0;
    double amplitude = 1;
    for (std::uint32_t o = 0; o < octaves; ++o) {
        sum += amplitude * gradientNoise(x, y, salt + o);
        x *= 2.03;
        y *= 2.03;
        amplitude *= 0.5;
    }
    return sum;
}

// Sharp crests where the noise crosses zero make mountain ridges; normalised to [0, 1].
double ridgedNoise(double x, double y, std::uint32_t octaves, std::uint32_t salt) {
    double sum = 0;
    double weightSum = 0;
    double amplitude = 1;
    for (std::uint32_t o = 0; o < octaves; ++o) {
        double ridge = 1 - std::fabs(gradientNoise(x, y, salt + o)) * 1.5;
        ridge = ridge < 0 ? 0 : ridge;
        sum += amplitude * ridge * ridge;
        weightSum += amplitude;
        x *= 2.03;
        y *= 2.03;
        amplitude *= 0.5;
    }
    return sum / weightSum;
}

double smoothStep(double edge0, double edge1, double x) {
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// Added to the continent noise: favours land over the central study region so that
// demo cut-outs are mostly land, and sets how much of the rest is sea.
double landBias(double x, double y) {
    const double ex = (x - 5400) / 7000;
    const double ey = (y - 3200) / 4200;
    const double d = 1 - (ex * ex + ey * ey);
    return (d > 0 ? 0.5 * d * d : 0) - 0.13;
}

std::size_t cellIndex(int r, int c) { return static_cast<std::size_t>(r) * cols + static_cast<std::size_t>(c); }

// The continent noise: its first octaves shape the continents, all of them the coast.
double continentField(double x, double y, std::uint32_t octaves, std::uint32_t seed) {
    return fractalNoise(x / continentWavelength, y / continentWavelength, octaves, seed * 101u) + landBias(x, y);
}

// Land where the full continent field is positive. This sums the same octaves but
// stops as soon as the octaves left cannot change the sign (each is smaller than
// 0.75 times its amplitude), which spares most fine octaves away from the coast.
bool isLand(double x, double y, std::uint32_t seed) {
    double sum = landBias(x, y);
    double amplitude = 1;
    x /= continentWavelength;
    y /= continentWavelength;
    for (std::uint32_t o = 0; o < continentOctaves; ++o) {
        const double restBound = 0.75 * 2 * amplitude;
        if (sum > restBound || sum < -restBound) break;
        sum += amplitude * gradientNoise(x, y, seed * 101u + o);
        x *= 2.03;
        y *= 2.03;
        amplitude *= 0.5;
    }
    return sum >= 0;
}

enum class Terrain { demo, land, winding, tinyBasins };

bool onOuterRing(int r, int c) { return r == 0 || c == 0 || r == rows - 1 || c == cols - 1; }

// Land cells hold 0 until their elevation is known.
void markLandAndSea(std::vector<std::int16_t>& dem, std::uint32_t seed, Terrain terrain) {
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            const bool land = terrain == Terrain::land ? !onOuterRing(r, c) : isLand(c, r, seed);
            dem[cellIndex(r, c)] = land ? 0 : seaValue;
        }
}

// One raster-order pass of the chamfer transform, from the north-west (forward) or
// from the south-east, relaxing each cell over its four already swept neighbours.
void chamferSweep(std::vector<std::uint16_t>& distance, bool forward) {
    const int step = forward ? 1 : -1;
    for (int n = 0; n < rows; ++n) {
        const int r = forward ? n : rows - 1 - n;
        const bool hasSweptRow = forward ? r > 0 : r < rows - 1;
        for (int m = 0; m < cols; ++m) {
            const int c = forward ? m : cols - 1 - m;
            const bool hasBehind = forward ? c > 0 : c < cols - 1;
            const bool hasAhead = forward ? c < cols - 1 : c > 0;
            int best = distance[cellIndex(r, c)];
            auto take = [&](int nr, int nc, int cost) { best = std::min(best, distance[cellIndex(nr, nc)] + cost); };
            if (hasBehind) take(r, c - step, 2);
            if (hasSweptRow) {
                take(r - step, c, 2);
                if (hasBehind) take(r - step, c - step, 3);
                if (hasAhead) take(r - step, c + step, 3);
            }
            distance[cellIndex(r, c)] = static_cast<std::uint16_t>(best);
        }
    }
}

// Chamfer distance to the nearest sea cell in half cells (2 straight, 3 diagonal).
// Land rising with it has no continent-sized closed basins, whose filled flats
// would drain in unnaturally straight lines.
std::vector<std::uint16_t> seaDistance(const std::vector<std::int16_t>& dem) {
    std::vector<std::uint16_t> distance(cellCount);
    for (std::size_t i = 0; i < cellCount; ++i) distance[i] = dem[i] == seaValue ? 0 : 60000;
    chamferSweep(distance, true);
    chamferSweep(distance, false);
    return distance;
}

// Mountain belts of ridged noise. They fade out towards the continents' smooth
// outline rather than by sea distance, whose straight wavefronts would show as
// streaks on the slopes.
double mountainHeight(double x, double y, std::uint32_t seed) {
    double belt = smoothStep(0.02, 0.3, fractalNoise(x / 1900, y / 1900, 3, seed * 101u + 20));
    if (belt <= 0) return 0;
    belt *= smoothStep(-0.02, 0.12, continentField(x, y, 4, seed));
    const double ridges = ridgedNoise(x / 520, y / 520, 8, seed * 101u + 30);
    return belt * ridges * ridges * 5200;
}

// Elevation of a land cell `inland` cells from the sea: a plain rising inland,
// mountains, hills, and polders below sea level on low coasts.
double landElevation(double x, double y, double inland, std::uint32_t seed) {
    const double plains = 0.3 * inland;
    const double mountains = mountainHeight(x, y, seed);
    // Hills also roughen the foothills, where a smooth ramp would drain in parallel lines.
    const double hillHeight = std::min(15 + 0.1 * inland, 120.0) * smoothStep(0, 12, inland) + 0.15 * mountains;
    const double hills = fractalNoise(x / 150, y / 150, 6, seed * 101u + 50) * hillHeight;
    double height = plains + mountains + hills;
    if (inland < 25) {
        const double polder = gradientNoise(x / 70, y / 70, seed * 101u + 60) - 0.3;
        if (polder > 0) height -= polder * 80 * (1 - inland / 25);
    }
    return height;
}

std::int16_t clampLand(double height) {
    return static_cast<std::int16_t>(std::clamp(std::floor(height + 0.5), double{lowestLand}, double{highestLand}));
}

void generateTerrain(std::vector<std::int16_t>& dem, std::uint32_t seed, Terrain terrain) {
    markLandAndSea(dem, seed, terrain);
    const std::vector<std::uint16_t> distance = seaDistance(dem);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            const std::size_t i = cellIndex(r, c);
            if (dem[i] != seaValue) dem[i] = clampLand(landElevation(c, r, distance[i] / 2.0, seed));
        }
}

// A bowl needs dry, fairly high ground all around it so it stays closed and positive.
bool bowlSiteFits(const std::vector<std::int16_t>& dem, int row, int col, int radius, int depth) {
    const int reach = radius + 4;
    if (row < reach || col < reach || row >= rows - reach || col >= cols - reach) return false;
    for (int r = row - reach; r <= row + reach; ++r)
        for (int c = col - reach; c <= col + reach; ++c)
            if (dem[cellIndex(r, c)] < depth + 50) return false;
    return true;
}

bool farFromSinks(const std::vector<Sink>& sinks, int row, int col) {
    for (const Sink& s : sinks)
        if (std::abs(s.row - row) < 300 && std::abs(s.col - col) < 300) return false;
    return true;
}

// Lowers terrain inside the disc to a paraboloid whose floor, at the centre, lies
// strictly below every other disc cell.
void carveBowl(std::vector<std::int16_t>& dem, int row, int col, int radius, int depth) {
    int rimLow = highestLand;
    int rimHigh = lowestLand;
    for (int r = row - radius; r <= row + radius; ++r)
        for (int c = col - radius; c <= col + radius; ++c) {
            rimLow = std::min<int>(rimLow, dem[cellIndex(r, c)]);
            rimHigh = std::max<int>(rimHigh, dem[cellIndex(r, c)]);
        }
    const int floorLevel = rimLow - depth;
    for (int r = row - radius; r <= row + radius; ++r)
        for (int c = col - radius; c <= col + radius; ++c) {
            const int d2 = (r - row) * (r - row) + (c - col) * (c - col);
            if (d2 > radius * radius) continue;
            const double share = static_cast<double>(d2) / (radius * radius);
            int bowl = floorLevel + static_cast<int>(std::floor((rimHigh - floorLevel) * share));
            if (d2 > 0) bowl = std::max(bowl, floorLevel + 1);
            std::int16_t& cell = dem[cellIndex(r, c)];
            cell = static_cast<std::int16_t>(std::min<int>(cell, bowl));
        }
}

// Most sinks go into the region where study areas are cut, a few anywhere.
std::vector<Sink> carveSinks(std::vector<std::int16_t>& dem, std::uint32_t seed) {
    std::vector<Sink> sinks;
    std::uint64_t random = seed * 0x2545F4914F6CDD1Dull + 7;
    for (int attempt = 0; attempt < 20000 && sinks.size() < 14; ++attempt) {
        const bool central = sinks.size() < 10;
        const int row = central ? 1200 + randomBelow(random, 4000) : randomBelow(random, rows);
        const int col = central ? 2400 + randomBelow(random, 6000) : randomBelow(random, cols);
        const int radius = 6 + randomBelow(random, 20);
        const int depth = 40 + randomBelow(random, 160);
        if (!farFromSinks(sinks, row, col) || !bowlSiteFits(dem, row, col, radius, depth)) continue;
        carveBowl(dem, row, col, radius, depth);
        sinks.push_back({row, col});
    }
    return sinks;
}

// Lowest level first; within a level first in, first out, so flats drain along
// the shortest route to where the flood entered them.
class BucketQueue {
public:
    BucketQueue(int lowest, int highest) : lowestLevel(lowest), buckets(static_cast<std::size_t>(highest - lowest + 1)) {}
    void push(std::uint32_t cell, int level) { buckets[static_cast<std::size_t>(level - lowestLevel)].push_back(cell); }
    bool pop(std::uint32_t& cell) {
        while (current < buckets.size()) {
            std::vector<std::uint32_t>& bucket = buckets[current];
            if (head < bucket.size()) {
                cell = bucket[head++];
                return true;
            }
            std::vector<std::uint32_t>().swap(bucket);
            ++current;
            head = 0;
        }
        return false;
    }

private:
    int lowestLevel;
    std::vector<std::vector<std::uint32_t>> buckets;
    std::size_t current = 0;
    std::size_t head = 0;
};

bool insideGrid(int r, int c) { return r >= 0 && c >= 0 && r < rows && c < cols; }

// Coastal cells drain into the sea (straight before diagonal), border cells off the grid.
int seedDirection(const std::vector<std::int16_t>& dem, int r, int c) {
    static constexpr int preference[8] = {0, 2, 4, 6, 1, 3, 5, 7};
    for (int k : preference) {
        const int nr = r + rowStep[k];
        const int nc = c + colStep[k];
        if (insideGrid(nr, nc) && dem[cellIndex(nr, nc)] == seaValue) return k;
    }
    if (r == 0) return 6;
    if (r == rows - 1) return 2;
    if (c == 0) return 4;
    if (c == cols - 1) return 0;
    return -1;
}

// Compares drop/length slopes exactly: lengths squared are 1 straight, 2 diagonal.
bool steeper(int drop, int direction, int bestDrop, int bestDirection) {
    const std::int64_t lengthSquared = (direction & 1) + 1;
    const std::int64_t bestLengthSquared = (bestDirection & 1) + 1;
    return static_cast<std::int64_t>(drop) * drop * bestLengthSquared >
           static_cast<std::int64_t>(bestDrop) * bestDrop * lengthSquared;
}

// Floods the terrain from the coast, the grid border and the sink floors at once,
// lowest level first, and settles each cell's flow direction when it is taken out.
// Every cell belongs to the basin of the seed whose flood claimed it: 0 for sea and
// border, k + 1 for sink k; flow never crosses between basins, so each sink's basin
// is closed.
class FlowRouter {
public:
    FlowRouter(std::vector<std::int16_t>& terrain, const std::vector<Sink>& sinks)
        : dem(terrain), filled(terrain), state(cellCount, unvisited), basin(cellCount, 0),
          queue(lowestLand, highestLand) {
        seedCoastAndBorder();
        seedSinks(sinks);
    }

    // Leaves `state` final for every cell.
    std::vector<std::uint8_t> route() {
        std::uint32_t cell = 0;
        while (queue.pop(cell)) expand(cell);
        std::vector<std::int16_t>().swap(filled);
        return std::move(state);
    }

private:
    void seedCoastAndBorder() {
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < cols; ++c) {
                const std::size_t i = cellIndex(r, c);
                if (dem[i] == seaValue) {
                    state[i] = seaMark;
                    continue;
                }
                const int direction = seedDirection(dem, r, c);
                if (direction < 0) continue;
                state[i] = static_cast<std::uint8_t>(direction) | fixedFlag;
                queue.push(static_cast<std::uint32_t>(i), dem[i]);
            }
    }

    void seedSinks(const std::vector<Sink>& sinks) {
        sinkFloor.push_back(lowestLand);
        for (const Sink& s : sinks) {
            const std::size_t i = cellIndex(s.row, s.col);
            state[i] = sinkMark;
            basin[i] = static_cast<std::uint8_t>(sinkFloor.size());
            sinkFloor.push_back(dem[i]);
            queue.push(static_cast<std::uint32_t>(i), dem[i]);
        }
    }

    // Claims one unvisited neighbour for the flood of `from`. A pit it raises inside a
    // closed basin is filled in the DEM too, so that the sink stays the basin's lowest cell.
    void claim(std::size_t cell, int towardsFrom, std::uint32_t from) {
        const bool besideSink = state[from] == sinkMark;
        state[cell] = static_cast<std::uint8_t>(towardsFrom) | (besideSink ? fixedFlag : 0);
        basin[cell] = basin[from];
        const std::int16_t level = filled[from];
        if (filled[cell] < level) {
            if (basin[cell] > 0 && dem[cell] < sinkFloor[basin[cell]]) dem[cell] = level;
            filled[cell] = level;
        }
        queue.push(static_cast<std::uint32_t>(cell), filled[cell]);
    }

    // Claims the unvisited neighbours and picks the steepest descent among neighbours
    // already final and lower in the same basin; a cell without one keeps the flat
    // route back along its flood.
    void expand(std::uint32_t cell) {
        const int r = static_cast<int>(cell / cols);
        const int c = static_cast<int>(cell % cols);
        int bestDirection = -1;
        int bestDrop = 0;
        for (int k = 0; k < 8; ++k) {
            const int nr = r + rowStep[k];
            const int nc = c + colStep[k];
            if (!insideGrid(nr, nc)) continue;
            const std::size_t n = cellIndex(nr, nc);
            if (state[n] == unvisited) {
                claim(n, (k + 4) & 7, cell);
            } else if (state[n] != seaMark && basin[n] == basin[cell] && filled[n] < filled[cell]) {
                const int drop = filled[cell] - filled[n];
                if (bestDirection < 0 || steeper(drop, k, bestDrop, bestDirection)) {
                    bestDirection = k;
                    bestDrop = drop;
                }
            }
        }
        if (state[cell] < fixedFlag && bestDirection >= 0) state[cell] = static_cast<std::uint8_t>(bestDirection);
    }

    std::vector<std::int16_t>& dem;
    std::vector<std::int16_t> filled;
    std::vector<std::uint8_t> state;
    std::vector<std::uint8_t> basin;
    std::vector<std::int16_t> sinkFloor;
    BucketQueue queue;
};

std::int16_t directionCode(std::uint8_t state) {
    if (state == seaMark) return seaValue;
    if (state == sinkMark) return 0;
    return static_cast<std::int16_t>(1 << (state & 7));
}

// An output raster, opened before the long computation so that a bad path fails at once.
class RasterFile {
public:
    explicit RasterFile(std::filesystem::path where) : path(std::move(where)), file(std::fopen(path.string().c_str(), "wb")) {
        if (file == nullptr) throw std::runtime_error("cannot create " + path.string() + ": " + std::strerror(errno));
    }
    RasterFile(const RasterFile&) = delete;
    RasterFile& operator=(const RasterFile&) = delete;
    // A raster not written to the end is removed rather than left truncated.
    ~RasterFile() {
        if (file == nullptr) return;
        std::fclose(file);
        std::remove(path.string().c_str());
    }
    std::string name() const { return path.string(); }

    // Writes rows in blocks, converting each value through `valueAt` to little-endian bytes.
    template <typename ValueAt>
    void write(ValueAt valueAt) {
        constexpr int blockRows = 64;
        std::vector<unsigned char> buffer(static_cast<std::size_t>(blockRows) * cols * 2);
        for (int first = 0; first < rows; first += blockRows) {
            const std::size_t begin = cellIndex(first, 0);
            const std::size_t end = cellIndex(std::min(first + blockRows, rows), 0);
            for (std::size_t i = begin; i < end; ++i) {
                const auto bits = static_cast<std::uint16_t>(valueAt(i));
                buffer[2 * (i - begin)] = static_cast<unsigned char>(bits & 0xFFu);
                buffer[2 * (i - begin) + 1] = static_cast<unsigned char>(bits >> 8);
            }
            const std::size_t bytes = 2 * (end - begin);
            if (std::fwrite(buffer.data(), 1, bytes, file) != bytes)
                throw std::runtime_error("short write to " + path.string() + ": " + std::strerror(errno));
        }
        const int closed = std::fclose(file);
        file = nullptr;
        if (closed != 0) {
            const std::string reason = std::strerror(errno);
            std::remove(path.string().c_str());
            throw std::runtime_error("cannot finish writing " + path.string() + ": " + reason);
        }
    }

private:
    std::filesystem::path path;
    std::FILE* file;
};

std::uint32_t parseSeed(const char* text) {
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (*text == '\0' || *end != '\0' || text[0] == '-' || value > 0xFFFFFFFFull)
        throw std::runtime_error(std::string("seed must be an integer from 0 to 4294967295, got '") + text + "'");
    return static_cast<std::uint32_t>(value);
}

int landPercent(const std::vector<std::int16_t>& dem) {
    std::size_t land = 0;
    for (std::int16_t value : dem) land += value != seaValue;
    return static_cast<int>((100 * land + cellCount / 2) / cellCount);
}

Terrain parseTerrain(const std::string& name) {
    const std::pair<const char*, Terrain> names[] = {
        {"demo", Terrain::demo}, {"land", Terrain::land}, {"winding", Terrain::winding}, {"tinyBasins", Terrain::tinyBasins}};
    for (const auto& [text, terrain] : names)
        if (name == text) return terrain;
    throw std::runtime_error("terrain must be demo, land, winding or tinyBasins, got '" + name + "'");
}

constexpr std::int16_t east = 1;
constexpr std::int16_t west = 16;
constexpr std::int16_t north = 64;
constexpr std::int16_t sink = 0;

// The river of the winding terrain ends in row 2, draining north at its west
// end onto the outlet ring; each row below flows the other way and turns north
// at its end into the start of the row above.
std::int16_t windingCode(int r, int c) {
    if (r < 2 || r > rows - 3 || c < 2 || c > cols - 3) return north;
    const bool westward = (r - 2) % 2 == 0;
    const bool turn = westward ? c == 2 : c == cols - 3;
    return turn ? north : (westward ? west : east);
}

// Blocks of 3 x 3 cells from the north-west corner; the 8400 x 15000 grid holds whole blocks.
std::int16_t tinyBasinCode(int r, int c) {
    constexpr std::int16_t towardsMiddle[3][3] = {{2, 4, 8}, {1, sink, 16}, {128, 64, 32}};
    return towardsMiddle[r % 3][c % 3];
}

// A plane rising a metre a row southwards, with the codes of one of the designed terrains.
void writeDesigned(Terrain terrain, RasterFile& demFile, RasterFile& dirFile, const Clock::time_point& start) {
    progress(start, "writing " + demFile.name());
    demFile.write([](std::size_t i) { return static_cast<std::int16_t>(1 + i / cols); });
    progress(start, "writing " + dirFile.name());
    dirFile.write([terrain](std::size_t i) {
        const int r = static_cast<int>(i / cols);
        const int c = static_cast<int>(i % cols);
        return terrain == Terrain::winding ? windingCode(r, c) : tinyBasinCode(r, c);
    });
    progress(start, "done");
}

void run(const std::filesystem::path& outDir, std::uint32_t seed, Terrain terrain) {
    const Clock::time_point start = Clock::now();
    std::filesystem::create_directories(outDir);
    RasterFile demFile(outDir / "as_dem_30s_clipped_55--10-180-60.bin");
    RasterFile dirFile(outDir / "as_dir_30s_clipped_55--10-180-60.bin");
    if (terrain == Terrain::winding || terrain == Terrain::tinyBasins)
        return writeDesigned(terrain, demFile, dirFile, start);

    progress(start, "generating terrain: " + std::to_string(rows) + " x " + std::to_string(cols) + " cells, seed " +
                        std::to_string(seed));
    std::vector<std::int16_t> dem(cellCount);
    generateTerrain(dem, seed, terrain);
    const std::vector<Sink> sinks = carveSinks(dem, seed);
    progress(start, "land " + std::to_string(landPercent(dem)) + " %, " + std::to_string(sinks.size()) +
                        " inland sinks; filling depressions and deriving flow directions");
    const std::vector<std::uint8_t> state = FlowRouter(dem, sinks).route();

    progress(start, "writing " + demFile.name());
    demFile.write([&](std::size_t i) { return dem[i]; });
    progress(start, "writing " + dirFile.name());
    dirFile.write([&](std::size_t i) { return directionCode(state[i]); });
    progress(start, "done");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 4) {
        std::fprintf(stderr, "usage: demoRasters OUTDIR [SEED [demo|land|winding|tinyBasins]]\n");
        return 1;
    }
    try {
        run(argv[1], argc >= 3 ? parseSeed(argv[2]) : 1u, argc == 4 ? parseTerrain(argv[3]) : Terrain::demo);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "demoRasters: error: %s\n", error.what());
        return 1;
    }
    return 0;
}
