#include "area/flowGrid.hpp"

#include <array>
#include <limits>

#include "analysis/directionCodes.hpp"
#include "cell/directions.hpp"
#include "cell/flowNetwork.hpp"

namespace drainPrep {

namespace {

// Codes 0 (sink) and 1..8 (drains into flowDirections[code - 1]) are
// drainPrep's internal codes; the two above them have no flow.
constexpr std::uint8_t withoutFlowCode = directionCount + 1;
constexpr std::uint8_t notD8Code = directionCount + 2;

constexpr std::int32_t lowestSample = std::numeric_limits<std::int16_t>::min();
constexpr std::int32_t highestSample = std::numeric_limits<std::int16_t>::max();
using DecodingTable = std::array<std::uint8_t, highestSample - lowestSample + 1>;

// decodeDirection once for every 16-bit value: the continent has 126 million
// samples.
DecodingTable makeDecodingTable() {
    DecodingTable table{};
    for (std::int32_t value = lowestSample; value <= highestSample; ++value) {
        const std::optional<std::int32_t> code = decodeDirection(value);
        std::uint8_t& entry = table[static_cast<std::size_t>(value - lowestSample)];
        if (!code) {
            entry = notD8Code;
        } else {
            entry = *code == noFlowCode ? withoutFlowCode : static_cast<std::uint8_t>(*code);
        }
    }
    return table;
}

const DecodingTable decodingTable = makeDecodingTable();

// As drainPrep decodes: an unknown code first, then the rule's test of flow.
std::uint8_t decoded(OutletRule rule, std::int32_t elevation, std::int32_t sourceDirection) {
    if (sourceDirection < lowestSample || sourceDirection > highestSample) return notD8Code;
    const std::uint8_t code =
        decodingTable[static_cast<std::size_t>(sourceDirection - lowestSample)];
    if (code > directionCount) return code;
    return withoutFlow(rule, code, elevation) ? withoutFlowCode : code;
}

}  // namespace

FlowGrid::FlowGrid(std::int32_t nrows, std::int32_t ncols, OutletRule rule)
    : codes_(nrows, ncols), upstream_(nrows, ncols), rule_(rule) {}

// A cell without a D8 code keeps its source value where its upstream count
// would be, so that the refusal can name the most frequent value.
void FlowGrid::setCode(SourceCell cell, std::uint8_t code, std::int32_t sourceDirection) {
    codes_[cell.row][cell.col] = code;
    upstream_[cell.row][cell.col] =
        code == notD8Code ? sourceDirection : (code <= directionCount ? 1 : 0);
}

void FlowGrid::setSamples(SourceCell cell, std::int32_t elevation, std::int32_t sourceDirection) {
    setCode(cell, decoded(rule_, elevation, sourceDirection), sourceDirection);
}

void FlowGrid::setPreparedCode(SourceCell cell, std::int32_t code) {
    setCode(cell, code < outletCode ? withoutFlowCode : static_cast<std::uint8_t>(code), 0);
}

void FlowGrid::copyCell(SourceCell to, const FlowGrid& from, SourceCell cell) {
    codes_[to.row][to.col] = from.code(cell);
    upstream_[to.row][to.col] = from.upstream_[cell.row][cell.col];
}

std::size_t FlowGrid::indexOf(SourceCell cell) const {
    return static_cast<std::size_t>(cell.row) * static_cast<std::size_t>(ncols()) +
           static_cast<std::size_t>(cell.col);
}

std::uint8_t FlowGrid::code(SourceCell cell) const { return codes_.begin()[indexOf(cell)]; }

bool FlowGrid::hasFlowData(SourceCell cell) const { return code(cell) <= directionCount; }

bool FlowGrid::hasD8Code(SourceCell cell) const { return code(cell) != notD8Code; }

std::optional<std::int32_t> FlowGrid::valueWithoutD8Code(SourceCell cell) const {
    if (hasD8Code(cell)) return std::nullopt;
    return upstream_[cell.row][cell.col];
}

std::int32_t FlowGrid::internalCode(SourceCell cell) const {
    return hasFlowData(cell) ? code(cell) : noFlowCode;
}

std::optional<SourceCell> FlowGrid::downstream(SourceCell cell) const {
    const std::uint8_t own = code(cell);
    if (own == outletCode || own > directionCount) return std::nullopt;
    const Direction& direction = flowDirections[own - 1];
    const SourceCell down{cell.row + direction.rowOffset, cell.col + direction.colOffset};
    if (!contains(down.row, down.col) || !hasFlowData(down)) return std::nullopt;
    return down;
}

// Cells on a loop belong to no basin: they count 0.
void FlowGrid::countUpstream() {
    const FlowGridLinks links(*this);
    std::int32_t* upstream = upstream_.begin();
    const LoopCells<std::uint8_t> loopCells = accumulate(links, upstream);
    for (std::size_t cell = 0; cell < links.cellCount(); ++cell) {
        if (loopCells.onLoop(cell)) upstream[cell] = 0;
    }
}

}  // namespace drainPrep
