// The down links of a finished run hold its basins together: a cell that
// drains (flowDir.bin codes 1 to 8) drains into a cell of its own basin
// (riverNum.bin), and a basin's cell lies one step nearer the outlet than the
// cell above it (distance.asc); no cell drains into a cell without flow data
// or off the area. Codes that form a loop among basin cells, or send water
// into another basin, break this at some cell; the companions refuse such
// grids rather than draw or upscale rivers that run in circles. Checked row
// by row as the grids stream past, holding two rows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "geometry/studyArea.hpp"
#include "text/failure.hpp"

namespace drainPrep {

// One row of the three grids, ncols values each.
struct FlowLinkRow {
    const std::int32_t* flowDir;
    const std::int32_t* riverNum;
    const std::int32_t* distance;
};

class FlowLinkCheck {
public:
    explicit FlowLinkCheck(const StudyArea& area);

    // Rows in order from 0. Checks every link between this row and the one
    // before, and within this row; returns the failure text.
    Failure addRow(std::int32_t row, const FlowLinkRow& values);

private:
    struct KeptRow {
        std::vector<std::int32_t> flowDir, riverNum, distance;
    };

    Failure checkLink(std::int32_t row, std::int32_t col) const;
    const KeptRow* rowAt(std::int32_t row) const;

    StudyArea area_;
    std::int32_t current_ = -1;
    KeptRow rows_[2];  // by row % 2
};

}  // namespace drainPrep
