// drainPrepArea LAT LON | --gauges FILE [--snap CELLS] [--input DIR | --dem
// PATH --dir PATH] [--outlets coast|d8] [--write] [--force]: the smallest
// study area that holds the whole basin of the river at a point, or the
// catchments of all the gauges of a file, from the same source rasters as
// drainPrep, and the basin a drainPrep run of it under the same outlet rule
// gives the point.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "driver/commandOptions.hpp"
#include "gauges/gaugeFile.hpp"
#include "raster/sourceRasters.hpp"
#include "text/failure.hpp"

namespace drainPrep {

struct AreaRequest {
    double lat = 0.0;             // decimal degrees, north positive
    double lon = 0.0;             // decimal degrees, east positive
    std::int32_t snapRadius = 0;  // the source's default unless given
    bool snapGiven = false;
    std::string inputFolder = sourceRasterFolder;
    bool inputGiven = false;
    SourceOptions sourceOptions;
    std::optional<SourcePaths> sources;    // --dem and --dir, read through GDAL
    std::optional<OutletRule> outlets;     // coast when not given
    std::optional<std::string> gaugeFile;  // --gauges: the area of their catchments
    std::vector<Gauge> gauges;
    bool write = false;
    bool force = false;
};

// The arguments after the program name. Returns the failure text of the
// first that cannot be used.
Failure parseAreaRequest(const std::vector<std::string>& arguments, AreaRequest& request);

// What the printed area is worth to a drainPrep run, each with its exit status.
enum class AreaVerdict {
    usable,         // 0: it holds the basin whole and the run has the memory it needs
    riverCut,       // 2: usable, but the run's outlet rule cuts the river of the
                    //    point or of a gauge (the area is written all the same)
    gaugesLeftOut,  // 3: usable, but gauges are left out (written only with --force)
    unusable,       // 1: the console says why
};

int exitStatus(AreaVerdict verdict);

// The area and its verdict (usable after the help), or the failure that
// found none.
Failure runDrainPrepArea(const std::vector<std::string>& arguments, std::ostream& console,
                         AreaVerdict& verdict);

}  // namespace drainPrep
