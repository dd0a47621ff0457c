#include "upscale/fineNetwork.hpp"

#include <utility>

#include "analysis/directionCodes.hpp"
#include "runFiles/binaryGridReader.hpp"
#include "runFiles/runFiles.hpp"

namespace drainPrep::upscale {

namespace {

constexpr std::uint8_t inflowsDone = 0xFF;

bool knownCode(std::int32_t code) {
    return code == binaryFrameRingValue || (code >= noFlowCode && code <= directionCount);
}

std::string cellText(std::int32_t row, std::int32_t col) {
    return "the cell at row " + std::to_string(row) + ", column " + std::to_string(col) +
           " (0-based)";
}

std::optional<std::string> checkCode(const IntGrid& codes, std::int32_t row, std::int32_t col) {
    const std::int32_t code = codes[row][col];
    if (!knownCode(code)) {
        return std::string(flowDirBin) + " holds the code " + std::to_string(code) + " at " +
               cellText(row, col) + ": the run's files are damaged; run drainPrep again.";
    }
    if (code <= outletCode) return std::nullopt;
    const Direction& step = flowDirections[code - 1];
    const std::int32_t downRow = row + step.rowOffset;
    const std::int32_t downCol = col + step.colOffset;
    const bool inside =
        downRow >= 0 && downCol >= 0 && downRow < codes.nrows() && downCol < codes.ncols();
    if (inside && codes[downRow][downCol] >= outletCode) return std::nullopt;
    return std::string(flowDirBin) + ": " + cellText(row, col) + " drains " +
           (inside ? "into a cell without flow data" : "off the study area") +
           ": the run's files do not fit together; run drainPrep again.";
}

}  // namespace

FineNetwork::FineNetwork(const StudyArea& area, IntGrid codes)
    : area_(area), codes_(std::move(codes)), links_(codes_.begin(), codes_.ncols()), upstreamKm2_(codes_.cellCount()) {
    endLoopsAndAddAreas();
}

// Areas are handed down from the headwaters as far as the cells they
// complete, as the run hands on its basin sizes; a cell whose inflows never
// all arrive lies on a loop.
void FineNetwork::endLoopsAndAddAreas() {
    const std::size_t cells = cellCount();
    for (std::int32_t row = 0; row < nrows(); ++row) {
        const double km2 = cellAreaKm2(area_.latNW, row);
        const std::size_t first = static_cast<std::size_t>(row) * static_cast<std::size_t>(ncols());
        for (std::size_t cell = first; cell < first + static_cast<std::size_t>(ncols()); ++cell) {
            upstreamKm2_[cell] = hasFlow(cell) ? km2 : 0.0;
        }
    }
    Grid<std::uint8_t> inflows = countInflows(links_, cells, nrows(), ncols());
    std::uint8_t* pending = inflows.begin();
    for (std::size_t start = 0; start < cells; ++start) {
        if (!drains(start) || pending[start] != 0) continue;
        for (std::size_t cell = start;;) {
            const std::size_t down = downOf(cell);
            upstreamKm2_[down] += upstreamKm2_[cell];
            pending[cell] = inflowsDone;
            if (--pending[down] != 0 || !drains(down)) break;
            cell = down;
        }
    }
    for (std::size_t cell = 0; cell < cells; ++cell) {
        if (drains(cell) && pending[cell] != inflowsDone) codes_.begin()[cell] = outletCode;
    }
}

std::optional<std::string> readFlowDirections(const std::filesystem::path& folder,
                                              const StudyArea& area, IntGrid& codes) {
    codes = IntGrid(area.nrows, area.ncols);
    BinaryGridReader reader;
    if (auto failure = reader.open(folder, flowDirBin, area.ncols)) return failure;
    for (std::int32_t row = 0; row < area.nrows; ++row) {
        if (auto failure = reader.readRow(codes[row])) return failure;
    }
    for (std::int32_t row = 0; row < area.nrows; ++row) {
        for (std::int32_t col = 0; col < area.ncols; ++col) {
            if (auto failure = checkCode(codes, row, col)) return failure;
        }
    }
    return std::nullopt;
}

}  // namespace drainPrep::upscale
