// rivers.geojson: every reach of the river network as one LineString through
// the centres of its cells, WGS 84 longitude and latitude in degrees, with its
// order, lengths and upstream area.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "geometry/studyArea.hpp"
#include "report/riverNetwork.hpp"
#include "text/failure.hpp"

namespace drainPrep::report {

inline const char* const riversFile = "rivers.geojson";

// Written reach by reach; returns the failure text.
Failure writeRiversGeoJson(const std::filesystem::path& path, const StudyArea& area,
                           const RiverNetwork& network);

}  // namespace drainPrep::report
