// drainPrepArea --gauges FILE: every gauge of the file snapped onto the
// source grid's own network by the rule the report uses, and the basins
// upstream of all of them, from which the study area is chosen.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "area/basin.hpp"
#include "area/flowGrid.hpp"
#include "gauges/gaugeFile.hpp"

namespace drainPrep {

// Prints one line per gauge and fills catchments with the cells upstream of
// every placed gauge (their count, km² and extent). Fails when no gauge lies
// on a river of the grid.
std::optional<std::string> placeAreaGauges(const FlowGrid& grid, const SourceFrame& frame,
                                           const std::vector<Gauge>& gauges,
                                           std::int32_t snapRadius, std::ostream& console,
                                           Basin& catchments);

}  // namespace drainPrep
