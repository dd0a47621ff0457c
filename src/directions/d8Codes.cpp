#include "directions/d8Codes.hpp"

#include "directions/flatRouting.hpp"
#include "directions/steepestDescent.hpp"

namespace drainPrep {

// A kept sink has no lower neighbour and is no outlet, so that steepest
// descent left it undecided: marking it after does not undo a direction.
DirectionRecord d8Codes(const DemGrid& filled, const CellLengths& lengths,
                        std::vector<std::uint8_t>& codes,
                        const std::vector<std::int64_t>& keptSinks) {
    codes.assign(filled.elevations.size(), noDataCode);
    assignDownhillAndOutlets(filled, lengths, codes);
    for (const std::int64_t sink : keptSinks) codes[static_cast<std::size_t>(sink)] = sinkCode;
    return routeFlats(filled, codes);
}

}  // namespace drainPrep
