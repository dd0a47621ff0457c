// Fuzzes the grid preparation and the network derivation on small grids.
//
// Input layout: byte 0 gives the rows and byte 1 the columns (1..24 each),
// then two bytes per cell in row-major order, a direction byte and an
// elevation byte; missing bytes read as zero. A direction byte of 255 picks
// an invalid source code (chosen by the elevation byte), any other byte one
// of the eleven valid codes, so most inputs get through the preparation.
// After a derivation the network is checked against the invariants every
// derived network keeps; a violation traps.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/networkDerivation.hpp"
#include "cell/cellObject.hpp"
#include "geometry/studyArea.hpp"
#include "raster/intGrid.hpp"

namespace {

using drainPrep::cellObject;
using drainPrep::CellGrid;
using drainPrep::IntGrid;

constexpr std::int32_t maxSide = 24;

constexpr std::int32_t validCodes[] = {1, 2, 4, 8, 16, 32, 64, 128, 0, -1, -9999};
constexpr std::int32_t invalidCodes[] = {3, 255, -2, 256, 5, 129, 96, -10000, -32768, 32767};
// Source samples are int16: both extremes, no data, sea and land.
constexpr std::int32_t elevations[] = {-9999, -1, 0,   1,    2,    3,      5,     10,
                                       50,    100, 101, 1000, 8848, -32768, 32767, -418};

template <std::size_t N>
std::int32_t pick(const std::int32_t (&table)[N], std::uint8_t byte) {
    return table[byte % N];
}

void require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "fuzzNetwork: violated: %s\n", what);
    std::fflush(stderr);
    __builtin_trap();
}

class InputBytes {
public:
    InputBytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t next() { return next_ < size_ ? data_[next_++] : 0; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t next_ = 0;
};

bool isValidCode(std::int32_t code) {
    for (const std::int32_t valid : validCodes) {
        if (code == valid) return true;
    }
    return false;
}

// The text the preparation gives for the first invalid code in row-major order.
std::optional<std::string> expectedFailure(const IntGrid& directions) {
    for (std::int32_t row = 0; row < directions.nrows(); ++row) {
        for (std::int32_t col = 0; col < directions.ncols(); ++col) {
            const std::int32_t code = directions[row][col];
            if (!isValidCode(code)) {
                return std::to_string(row) + "-" + std::to_string(col) + "-" +
                       std::to_string(code) + "cellObject.down is wrong.\n";
            }
        }
    }
    return std::nullopt;
}

std::int64_t upstreamSum(const cellObject& cell) {
    std::int64_t sum = 0;
    for (const cellObject* upstream : cell.up) {
        if (upstream != nullptr) sum += upstream->basinSize;
    }
    return sum;
}

bool isUpstreamOf(const cellObject& cell, const cellObject& down) {
    for (const cellObject* upstream : down.up) {
        if (upstream == &cell) return true;
    }
    return false;
}

bool isFlowCode(std::int32_t dir) { return dir >= 1 && dir <= drainPrep::directionCount; }

void checkNetwork(CellGrid& cells) {
    std::int64_t reachedCells = 0;
    std::int64_t outletBasinSum = 0;
    std::int32_t nextOutletNumber = 1;
    for (std::int32_t row = 0; row < cells.nrows(); ++row) {
        for (std::int32_t col = 0; col < cells.ncols(); ++col) {
            const cellObject& cell = cells[row][col];
            for (const cellObject* upstream : cell.up) {
                require(upstream == nullptr || upstream->down == &cell,
                        "an upstream cell drains into the cell that lists it");
            }
            if (isFlowCode(cell.dir)) {
                require(cell.down != nullptr && isUpstreamOf(cell, *cell.down),
                        "a draining cell is listed upstream of its down cell");
            }
            if (cell.distance >= 0) ++reachedCells;

            if (cell.dir == drainPrep::outletCode) {
                require(cell.distance == 0, "an outlet is at distance 0");
                require(cell.riverNum == nextOutletNumber++,
                        "outlets are numbered 1..K in row-major order");
                require(cell.basinSize == 1 + upstreamSum(cell),
                        "an outlet's basin is itself and its upstream basins");
                outletBasinSum += cell.basinSize;
            } else if (cell.distance >= 0) {
                require(isFlowCode(cell.dir), "a reached cell other than an outlet drains");
                require(cell.down != nullptr && cell.distance == cell.down->distance + 1,
                        "a reached cell is one step further than its down cell");
                require(cell.riverNum == cell.down->riverNum,
                        "a reached cell has its down cell's river number");
                require(cell.basinSize == 1 + upstreamSum(cell),
                        "a reached cell's basin is itself and its upstream basins");
            } else {
                require(cell.distance == -1, "an unreached cell has distance -1");
                require(cell.riverNum == -1, "an unreached cell has no river number");
                if (isFlowCode(cell.dir)) {
                    require(cell.basinSize == 1, "an unreached draining cell has basin size 1");
                    require(cell.down->distance == -1,
                            "a cell draining into a reached cell is reached");
                }
            }
        }
    }
    require(outletBasinSum == reachedCells, "the outlets' basins cover every reached cell");
}

// Grids are allocated in 2 MiB blocks, and under AddressSanitizer a fresh
// block costs far more than the whole derivation, so each shape's grids are
// made once and kept. The cells are filled with one byte pattern before
// every use, so that a run never depends on what an earlier input left.
struct Workspace {
    Workspace(std::int32_t nrows, std::int32_t ncols)
        : dem(nrows, ncols), directions(nrows, ncols), cells(nrows, ncols), fields(nrows, ncols) {}
    IntGrid dem;
    IntGrid directions;
    CellGrid cells;
    drainPrep::CellFields fields;
};

// A kept shape holds four blocks, some 8 MiB; beyond this many shapes the
// cache starts afresh, so that a long run stays within libFuzzer's memory
// limit (all 576 shapes would need over 4 GiB).
constexpr std::size_t keptShapes = 64;

Workspace& workspaceFor(std::int32_t nrows, std::int32_t ncols) {
    static std::array<std::unique_ptr<Workspace>, maxSide * maxSide> workspaces;
    static std::size_t kept = 0;
    std::unique_ptr<Workspace>& slot =
        workspaces[static_cast<std::size_t>((nrows - 1) * maxSide + (ncols - 1))];
    if (!slot) {
        if (kept == keptShapes) {
            for (std::unique_ptr<Workspace>& workspace : workspaces) workspace.reset();
            kept = 0;
        }
        slot = std::make_unique<Workspace>(nrows, ncols);
        ++kept;
    }
    constexpr int uninitialisedPattern = 0xbe;
    std::memset(static_cast<void*>(slot->cells.begin()), uninitialisedPattern,
                slot->cells.cellCount() * sizeof(cellObject));
    return *slot;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    InputBytes input(data, size);
    const std::int32_t nrows = 1 + input.next() % maxSide;
    const std::int32_t ncols = 1 + input.next() % maxSide;

    Workspace& workspace = workspaceFor(nrows, ncols);
    IntGrid& dem = workspace.dem;
    IntGrid& directions = workspace.directions;
    for (std::int32_t row = 0; row < nrows; ++row) {
        for (std::int32_t col = 0; col < ncols; ++col) {
            const std::uint8_t dirByte = input.next();
            const std::uint8_t elevByte = input.next();
            directions[row][col] =
                dirByte == 255 ? pick(invalidCodes, elevByte) : pick(validCodes, dirByte);
            dem[row][col] = pick(elevations, elevByte);
        }
    }

    const drainPrep::StudyArea area{nrows, ncols, 40, 130};
    CellGrid& cells = workspace.cells;
    drainPrep::CellFields& fields = workspace.fields;
    std::ostringstream console;  // pit reports
    std::vector<cellObject*> outlets;
    const std::optional<std::string> failure =
        drainPrep::prepareAndRegister(area, dem, directions, cells, console, outlets, fields);
    require(failure == expectedFailure(directions),
            "preparation fails exactly on the first invalid direction code");
    if (failure) return 0;

    drainPrep::deriveBasins(outlets, cells, fields);
    checkNetwork(cells);
    return 0;
}
