#include "upscale/fineNetwork.hpp"

#include <utility>

#include "analysis/directionCodes.hpp"
#include "runFiles/outletListReader.hpp"
#include "runFiles/runGrids.hpp"

namespace drainPrep::upscale {

FineNetwork::FineNetwork(const StudyArea& area, IntGrid codes, Loops loops)
    : area_(area),
      codes_(std::move(codes)),
      links_(codes_.begin(), codes_.nrows(), codes_.ncols()),
      upstreamKm2_(codes_.cellCount()) {
    addAreas(loops);
}

// Areas are handed down from the headwaters, as the run hands on its basin
// sizes; a cell whose inflows never all arrive lies on a loop.
void FineNetwork::addAreas(Loops loops) {
    for (std::int32_t row = 0; row < nrows(); ++row) {
        const double km2 = cellAreaKm2(area_, row);
        const std::size_t first = static_cast<std::size_t>(row) * static_cast<std::size_t>(ncols());
        for (std::size_t cell = first; cell < first + static_cast<std::size_t>(ncols()); ++cell) {
            upstreamKm2_[cell] = hasFlow(cell) ? km2 : 0.0;
        }
    }
    const LoopCells<std::uint8_t> loopCells = accumulate(links_, upstreamKm2_.data());
    if (loops == Loops::kept) return;
    for (std::size_t cell = 0; cell < cellCount(); ++cell) {
        if (loopCells.onLoop(cell)) codes_.begin()[cell] = outletCode;
    }
}

Failure readFlowDirections(const std::filesystem::path& folder, const StudyArea& area,
                           IntGrid& codes) {
    std::vector<Outlet> outlets;
    if (auto failure = readOutletList(folder, area, outlets)) return failure;
    return readCheckedFlowDirections(folder, area, outlets, codes);
}

}  // namespace drainPrep::upscale
