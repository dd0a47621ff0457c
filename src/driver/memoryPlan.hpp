// Whether a run over a study area can have the memory it needs, checked
// before the source rasters are read rather than discovered halfway.
#pragma once

#include <cstdint>
#include <string>

#include "geometry/studyArea.hpp"

namespace drainPrep {

// The peak of a run: the two clipped grids and the full cell records, which
// live side by side while the cells are built.
std::uint64_t peakBytesOfRun(const StudyArea& area);

// True when the process may allocate that much (its address-space limit
// allows it) and the machine has that much memory available.
bool memoryAvailableFor(std::uint64_t bytes);

std::string notEnoughMemoryText(const StudyArea& area);

}  // namespace drainPrep
