// The two clip previews: the study-area window exactly as it was cut out of
// the source rasters, for a first look in a GIS.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "geometry/studyArea.hpp"
#include "raster/intGrid.hpp"

namespace drainPrep {

std::optional<std::string> writeClipPreviews(const StudyArea& area, const IntGrid& dem,
                                             const IntGrid& directions, std::ostream& console);

}  // namespace drainPrep
