#include "directions/d8Codes.hpp"

#include "directions/flatRouting.hpp"
#include "directions/steepestDescent.hpp"

namespace drainPrep {

DirectionRecord d8Codes(const DemGrid& filled, const CellLengths& lengths,
                        std::vector<std::uint8_t>& codes) {
    codes.assign(filled.elevations.size(), noDataCode);
    assignDownhillAndOutlets(filled, lengths, codes);
    return routeFlats(filled, codes);
}

}  // namespace drainPrep
