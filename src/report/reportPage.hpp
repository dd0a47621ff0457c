// index.html: the study area, the four maps with their legends, the table of
// the largest basins and the warnings about water entering across the edge.
// Self-contained: it needs nothing but the PNG files beside it.
#pragma once

#include <string>

#include "report/reportFacts.hpp"

namespace drainPrep::report {

// The map files the page shows, beside it.
inline const char* const basinMapFile = "basins.png";
inline const char* const basinSizeMapFile = "flowAccumulation.png";
inline const char* const distanceMapFile = "distance.png";
inline const char* const elevationMapFile = "elevation.png";

inline const char* const reportPageFile = "index.html";

std::string reportPage(const ReportFacts& facts);

// "drainPrepArea LAT LON --snap 0", with the run's --dem and --dir where it
// had them: the command that finds the area holding the whole basin of this
// outlet, and not of a larger river nearby.
std::string areaCommand(const Outlet& outlet, const StudyArea& area,
                        const std::optional<SourceRecord>& sources);

}  // namespace drainPrep::report
