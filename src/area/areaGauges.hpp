// drainPrepArea --gauges FILE: every gauge of the file snapped onto the
// source grid's own network by the rule the report uses, the basins upstream
// of all of them, from which the study area is chosen, and the catchment a
// drainPrep run of that area gives each.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "area/basin.hpp"
#include "area/flowGrid.hpp"
#include "area/runBasin.hpp"
#include "area/sourceBlocks.hpp"
#include "gauges/gaugeFile.hpp"
#include "gauges/gaugePlacement.hpp"
#include "text/failure.hpp"

namespace drainPrep {

struct AreaGauges {
    GaugePlacement onSource;
    Basin catchments;  // the cells upstream of every placed gauge together
};

// Fails when no gauge lies on a river of the grid. Only the cells upstream
// of the gauges' snapping windows are read and counted.
Failure placeAreaGauges(SourceBlocks& grid, const SourceFrame& frame,
                        const std::vector<Gauge>& gauges, std::int32_t snapRadius,
                        AreaGauges& placed);

// Each gauge's catchment in a drainPrep run of the area, on the cell it was
// snapped to on the source grid, placed by the report's own rule on the
// run's network; outside or without candidate where the gauge is.
std::vector<GaugeOnNetwork> gaugesInRun(const AreaRun& run, const StudyArea& area,
                                        const SourceFrame& frame, const std::vector<Gauge>& gauges,
                                        const GaugePlacement& onSource);

// A gauge's line: its cell, where it was snapped and its catchment.
std::string gaugeLine(const std::vector<Gauge>& gauges, std::size_t i, const GaugeOnNetwork& placed,
                      std::int32_t snapRadius);

bool isLeftOut(const GaugeOnNetwork& placed);

// A catchment's cells and km² as the lines give them: "160 cells, 88.715 km2".
std::string catchmentText(const GaugeOnNetwork& placed);

}  // namespace drainPrep
