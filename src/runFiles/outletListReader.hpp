// The outlets of a run, read back from riverNumList.dat.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "geometry/studyArea.hpp"
#include "text/failure.hpp"

namespace drainPrep {

// One line of riverNumList.dat, with row and column 0-based as in the grids.
struct Outlet {
    std::int32_t riverNum;
    std::int32_t row;
    std::int32_t col;
    std::int32_t lonArcSeconds;
    std::int32_t latArcSeconds;
    std::int32_t basinSize;
};

// Checks every line against the study area: six whole numbers, basin numbers
// 1, 2, 3, ... in order, the cell inside the area and its centre where the
// study area puts it.
Failure readOutletList(const std::filesystem::path& folder, const StudyArea& area,
                       std::vector<Outlet>& outlets);

}  // namespace drainPrep
