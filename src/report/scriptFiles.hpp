// The report's facts for scripts and GIS: summary.json and outlets.geojson.
#pragma once

#include <string>

#include "report/reportFacts.hpp"

namespace drainPrep::report {

// Rows and columns 0-based, as in the grids; coordinates in degrees.
std::string summaryJson(const ReportFacts& facts);

// One point feature per outlet, in the order of riverNumList.dat.
std::string outletsGeoJson(const std::vector<Outlet>& outlets, const StudyArea& area);

}  // namespace drainPrep::report
