#include "upscale/fineNetwork.hpp"

#include <utility>

#include "analysis/directionCodes.hpp"
#include "runFiles/outletListReader.hpp"
#include "runFiles/runGrids.hpp"

namespace drainPrep::upscale {

namespace {

constexpr std::uint8_t inflowsDone = 0xFF;

}  // namespace

FineNetwork::FineNetwork(const StudyArea& area, IntGrid codes, Loops loops)
    : area_(area),
      codes_(std::move(codes)),
      links_(codes_.begin(), codes_.ncols()),
      upstreamKm2_(codes_.cellCount()) {
    addAreas(loops);
}

// Areas are handed down from the headwaters as far as the cells they
// complete, as the run hands on its basin sizes; a cell whose inflows never
// all arrive lies on a loop.
void FineNetwork::addAreas(Loops loops) {
    const std::size_t cells = cellCount();
    for (std::int32_t row = 0; row < nrows(); ++row) {
        const double km2 = cellAreaKm2(area_, row);
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
    if (loops == Loops::kept) return;
    for (std::size_t cell = 0; cell < cells; ++cell) {
        if (drains(cell) && pending[cell] != inflowsDone) codes_.begin()[cell] = outletCode;
    }
}

std::optional<std::string> readFlowDirections(const std::filesystem::path& folder,
                                              const StudyArea& area, IntGrid& codes) {
    std::vector<Outlet> outlets;
    if (auto failure = readOutletList(folder, area, outlets)) return failure;
    return readCheckedFlowDirections(folder, area, outlets, codes);
}

}  // namespace drainPrep::upscale
