// demoRasters: writes a synthetic pair of continental rasters for drainPrep demos
// and benchmarks, shaped like the real 30" Asia clip (8400 x 15000 cells, 60N 55E
// north-west corner, 120 cells per degree, int16 little-endian, row-major):
//   as_dem_30s_clipped_55--10-180-60.bin  elevations in metres, -9999 for sea
//   as_dir_30s_clipped_55--10-180-60.bin  D8 codes (1 E .. 128 NE), 0 inland sink, -9999 sea
// The DEM is gradient noise: a large-scale continent field decides land and sea,
// ridged noise adds mountain belts, and low coasts get polders below sea level.
// A few bowls are carved inland to become closed basins. Directions come from a
// priority-flood over a bucket queue seeded from the coast, the grid border and
// the bowl floors: each land cell drains by steepest descent on the filled surface,
// and cells on filled flats drain to the cell the flood reached them from, so no
// loops exist and every path ends in the sea, off the grid or in a sink.
// Usage: demoRasters OUTDIR [SEED]   (same seed -> identical bytes everywhere)

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int rows = 8400;
constexpr int cols = 15000;
constexpr std::size_t cellCount = static_cast<std::size_t>(rows) * cols;
constexpr std::int16_t seaValue = -9999;
constexpr std::int16_t lowestLand = -20;
constexpr std::int16_t highestLand = 8000;

// Per-cell state during the flood: a direction index 0..7 (E, SE, S, SW, W, NW, N, NE)
// optionally marked fixed, or one of the special markers.
constexpr std::uint8_t fixedFlag = 0x10;
constexpr std::uint8_t sinkMark = 0x20;
constexpr std::uint8_t seaMark = 0x40;
constexpr std::uint8_t unvisited = 0xFF;
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

class Random {
public:
    explicit Random(std::uint64_t seed) : state(seed) {}
    std::uint64_t next() {
        state += 0x9E3779B97F4A7C15ull;
        std::uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int below(int bound) { return static_cast<int>(next() % static_cast<std::uint64_t>(bound)); }

private:
    std::uint64_t state;
};

// Gradient noise with eight hashed gradient directions; result roughly in [-0.7, 0.7].
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

double fractalNoise(double x, double y, int octaves, std::uint32_t salt) {
    double sum = 0;
    double amplitude = 1;
    for (int o = 0; o < octaves; ++o) {
        sum += amplitude * gradientNoise(x, y, salt + static_cast<std::uint32_t>(o));
        x *= 2.03;
        y *= 2.03;
        amplitude *= 0.5;
    }
    return sum;
}

// Sharp crests where the noise crosses zero make mountain ridges; normalised to [0, 1].
double ridgedNoise(double x, double y, int octaves, std::uint32_t salt) {
    double sum = 0;
    double weightSum = 0;
    double amplitude = 1;
    for (int o = 0; o < octaves; ++o) {
        double ridge = 1 - std::fabs(gradientNoise(x, y, salt + static_cast<std::uint32_t>(o))) * 1.5;
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
    double t = (x - edge0) / (edge1 - edge0);
    t = t < 0 ? 0 : (t > 1 ? 1 : t);
    return t * t * (3 - 2 * t);
}

// Favours land over the central study region so demo cut-outs are mostly land.
double landBias(double x, double y) {
    const double ex = (x - 5400) / 7000;
    const double ey = (y - 3200) / 4200;
    const double d = 1 - (ex * ex + ey * ey);
    return d > 0 ? 0.5 * d * d : 0;
}

// Positive on land, negative at sea; its size above zero grows inland.
double continentField(double x, double y, std::uint32_t seed) {
    return fractalNoise(x / 2600, y / 2600, 10, seed * 101u) + landBias(x, y) - 0.18;
}

double landElevation(double x, double y, double inland, std::uint32_t seed) {
    const double coastFade = smoothStep(0, 0.06, inland);
    const double plains = 1400 * inland * inland;
    const double belt = smoothStep(0.02, 0.3, fractalNoise(x / 1900, y / 1900, 3, seed * 101u + 20));
    double mountains = 0;
    if (belt > 0) {
        const double ridges = ridgedNoise(x / 520, y / 520, 8, seed * 101u + 30);
        mountains = belt * coastFade * ridges * ridges * 5200;
    }
    const double hills = fractalNoise(x / 260, y / 260, 6, seed * 101u + 50) * (30 + 500 * inland) * coastFade;
    double height = plains + mountains + hills;
    // Low coasts sink below sea level in patches, like polders and deltas.
    if (inland < 0.04) {
        const double polder = gradientNoise(x / 90, y / 90, seed * 101u + 60) - 0.2;
        if (polder > 0) height -= polder * 60 * (1 - inland / 0.04);
    }
    return height;
}

std::int16_t clampLand(double height) {
    const double rounded = std::floor(height + 0.5);
    if (rounded < lowestLand) return lowestLand;
    if (rounded > highestLand) return highestLand;
    return static_cast<std::int16_t>(rounded);
}

void generateTerrain(std::vector<std::int16_t>& dem, std::uint32_t seed) {
    for (int r = 0; r < rows; ++r) {
        const double y = r;
        std::int16_t* row = dem.data() + static_cast<std::size_t>(r) * cols;
        for (int c = 0; c < cols; ++c) {
            const double x = c;
            const double inland = continentField(x, y, seed);
            row[c] = inland < 0 ? seaValue : clampLand(landElevation(x, y, inland, seed));
        }
    }
}

std::size_t cellIndex(int r, int c) { return static_cast<std::size_t>(r) * cols + static_cast<std::size_t>(c); }

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
    Random random(seed * 0x2545F4914F6CDD1Dull + 7);
    for (int attempt = 0; attempt < 20000 && sinks.size() < 14; ++attempt) {
        const bool central = sinks.size() < 10;
        const int row = central ? 1200 + random.below(4000) : random.below(rows);
        const int col = central ? 2400 + random.below(6000) : random.below(cols);
        const int radius = 6 + random.below(20);
        const int depth = 40 + random.below(160);
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

void seedFlood(const std::vector<std::int16_t>& dem, const std::vector<Sink>& sinks,
               std::vector<std::uint8_t>& state, BucketQueue& queue) {
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
    for (const Sink& s : sinks) {
        const std::size_t i = cellIndex(s.row, s.col);
        state[i] = sinkMark;
        queue.push(static_cast<std::uint32_t>(i), dem[i]);
    }
}

// Compares drop/length slopes exactly: lengths squared are 1 straight, 2 diagonal.
bool steeper(int drop, int direction, int bestDrop, int bestDirection) {
    const std::int64_t lengthSquared = (direction & 1) + 1;
    const std::int64_t bestLengthSquared = (bestDirection & 1) + 1;
    return static_cast<std::int64_t>(drop) * drop * bestLengthSquared >
           static_cast<std::int64_t>(bestDrop) * bestDrop * lengthSquared;
}

// Visits one popped cell: claims its unvisited neighbours (raising those below its
// level onto the flat), and picks its steepest descent among already final lower cells.
void expandCell(std::uint32_t cell, std::vector<std::int16_t>& filled, std::vector<std::uint8_t>& state,
                BucketQueue& queue) {
    const int r = static_cast<int>(cell / cols);
    const int c = static_cast<int>(cell % cols);
    const int level = filled[cell];
    const std::uint8_t own = state[cell];
    int bestDirection = -1;
    int bestDrop = 0;
    for (int k = 0; k < 8; ++k) {
        const int nr = r + rowStep[k];
        const int nc = c + colStep[k];
        if (!insideGrid(nr, nc)) continue;
        const std::size_t n = cellIndex(nr, nc);
        if (state[n] == unvisited) {
            // Neighbours of a sink must all drain into it.
            const std::uint8_t towardsCell = static_cast<std::uint8_t>((k + 4) & 7);
            state[n] = own == sinkMark ? (towardsCell | fixedFlag) : towardsCell;
            if (filled[n] < level) filled[n] = static_cast<std::int16_t>(level);
            queue.push(static_cast<std::uint32_t>(n), filled[n]);
        } else if (state[n] != seaMark && filled[n] < level) {
            const int drop = level - filled[n];
            if (bestDirection < 0 || steeper(drop, k, bestDrop, bestDirection)) {
                bestDirection = k;
                bestDrop = drop;
            }
        }
    }
    const bool free = own < fixedFlag;
    if (free && bestDirection >= 0) state[cell] = static_cast<std::uint8_t>(bestDirection);
}

// Turns the DEM into the filled surface and leaves a final state for every cell.
void floodAndDirect(std::vector<std::int16_t>& dem, const std::vector<Sink>& sinks, std::vector<std::uint8_t>& state) {
    BucketQueue queue(lowestLand, highestLand);
    seedFlood(dem, sinks, state, queue);
    std::uint32_t cell = 0;
    while (queue.pop(cell)) expandCell(cell, dem, state, queue);
}

std::int16_t directionCode(std::uint8_t state) {
    if (state == seaMark) return seaValue;
    if (state == sinkMark) return 0;
    return static_cast<std::int16_t>(1 << (state & 7));
}

// Writes rows in blocks, converting each value through `valueAt` to little-endian bytes.
template <typename ValueAt>
void writeRaster(const std::filesystem::path& path, ValueAt valueAt) {
    std::FILE* file = std::fopen(path.string().c_str(), "wb");
    if (file == nullptr) throw std::runtime_error("cannot create " + path.string());
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
        if (std::fwrite(buffer.data(), 1, bytes, file) != bytes) {
            std::fclose(file);
            throw std::runtime_error("short write to " + path.string());
        }
    }
    if (std::fclose(file) != 0) throw std::runtime_error("cannot finish writing " + path.string());
}

std::uint32_t parseSeed(const char* text) {
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (*text == '\0' || *end != '\0' || text[0] == '-' || value > 0xFFFFFFFFull)
        throw std::runtime_error(std::string("seed must be an integer from 0 to 4294967295, got '") + text + "'");
    return static_cast<std::uint32_t>(value);
}

double landShare(const std::vector<std::int16_t>& dem) {
    std::size_t land = 0;
    for (std::int16_t value : dem) land += value != seaValue;
    return 100.0 * static_cast<double>(land) / static_cast<double>(cellCount);
}

void run(const std::filesystem::path& outDir, std::uint32_t seed) {
    const Clock::time_point start = Clock::now();
    std::filesystem::create_directories(outDir);
    const std::filesystem::path demPath = outDir / "as_dem_30s_clipped_55--10-180-60.bin";
    const std::filesystem::path dirPath = outDir / "as_dir_30s_clipped_55--10-180-60.bin";

    progress(start, "generating terrain (" + std::to_string(rows) + " x " + std::to_string(cols) +
                        " cells, seed " + std::to_string(seed) + ")");
    std::vector<std::int16_t> dem(cellCount);
    generateTerrain(dem, seed);
    const std::vector<Sink> sinks = carveSinks(dem, seed);
    progress(start, "land " + std::to_string(landShare(dem)).substr(0, 4) + " %, " + std::to_string(sinks.size()) +
                        " inland sinks carved; writing " + demPath.string());
    writeRaster(demPath, [&](std::size_t i) { return dem[i]; });

    progress(start, "filling depressions and deriving flow directions");
    std::vector<std::uint8_t> state(cellCount, unvisited);
    floodAndDirect(dem, sinks, state);

    progress(start, "writing " + dirPath.string());
    writeRaster(dirPath, [&](std::size_t i) { return directionCode(state[i]); });
    progress(start, "done");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: demoRasters OUTDIR [SEED]\n");
        return 1;
    }
    try {
        run(argv[1], argc == 3 ? parseSeed(argv[2]) : 1u);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "demoRasters: error: %s\n", error.what());
        return 1;
    }
    return 0;
}
