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

// Returns the exit status: 0 when the printed area holds the basin whole and
// a drainPrep run of it has the memory it needs, 2 when it does but the run's
// outlet rule cuts the river of the point or of a gauge (the area is written
// all the same), 3 when gauges are left out (written only with --force), 1
// otherwise.
int runDrainPrepArea(const std::vector<std::string>& arguments, std::ostream& console);

}  // namespace drainPrep
