#include "runFiles/flowLinks.hpp"

#include <algorithm>

#include "cell/directions.hpp"
#include "runFiles/runFiles.hpp"

namespace drainPrep {

namespace {

bool drains(std::int32_t dir) { return dir >= 1 && dir <= directionCount; }

std::string place(std::int32_t row, std::int32_t col) {
    return "row " + std::to_string(row) + ", column " + std::to_string(col);
}

std::string basinText(std::int32_t riverNum) {
    return riverNum >= 1 ? "basin " + std::to_string(riverNum) : std::string("no basin");
}

std::string notOneRun() { return ": the grids are not those of one drainPrep run."; }

}  // namespace

FlowLinkCheck::FlowLinkCheck(const StudyArea& area) : area_(area) {
    for (KeptRow& kept : rows_) {
        for (auto* values : {&kept.flowDir, &kept.riverNum, &kept.distance}) {
            values->resize(static_cast<std::size_t>(area.ncols));
        }
    }
}

const FlowLinkCheck::KeptRow* FlowLinkCheck::rowAt(std::int32_t row) const {
    if (row < 0 || row > current_ || row < current_ - 1) return nullptr;
    return &rows_[row % 2];
}

Failure FlowLinkCheck::addRow(std::int32_t row, const FlowLinkRow& values) {
    current_ = row;
    KeptRow& kept = rows_[row % 2];
    const auto ncols = static_cast<std::size_t>(area_.ncols);
    std::copy(values.flowDir, values.flowDir + ncols, kept.flowDir.begin());
    std::copy(values.riverNum, values.riverNum + ncols, kept.riverNum.begin());
    std::copy(values.distance, values.distance + ncols, kept.distance.begin());
    const bool lastRow = row == area_.nrows - 1;
    for (std::int32_t col = 0; col < area_.ncols; ++col) {
        // Links to the south wait for the next row, but for the last one's.
        const std::int32_t dir = kept.flowDir[static_cast<std::size_t>(col)];
        if (drains(dir) && (flowDirections[dir - 1].rowOffset <= 0 || lastRow)) {
            if (auto failure = checkLink(row, col)) return failure;
        }
    }
    const KeptRow* above = rowAt(row - 1);
    for (std::int32_t col = 0; above != nullptr && col < area_.ncols; ++col) {
        const std::int32_t dir = above->flowDir[static_cast<std::size_t>(col)];
        if (drains(dir) && flowDirections[dir - 1].rowOffset > 0) {
            if (auto failure = checkLink(row - 1, col)) return failure;
        }
    }
    return std::nullopt;
}

Failure FlowLinkCheck::checkLink(std::int32_t row, std::int32_t col) const {
    const KeptRow& from = *rowAt(row);
    const auto i = static_cast<std::size_t>(col);
    const Direction& step = flowDirections[from.flowDir[i] - 1];
    const std::int32_t toRow = row + step.rowOffset;
    const std::int32_t toCol = col + step.colOffset;
    const std::string cell = std::string(flowDirBin) + ": " + place(row, col) + " (" +
                             basinText(from.riverNum[i]) + ") drains ";
    if (toCol < 0 || toCol >= area_.ncols || rowAt(toRow) == nullptr) {
        return cell + "off the study area" + notOneRun();
    }
    const KeptRow& to = *rowAt(toRow);
    const auto j = static_cast<std::size_t>(toCol);
    if (to.riverNum[j] != from.riverNum[i]) {
        return cell + "into " + place(toRow, toCol) + " (" + basinText(to.riverNum[j]) + " in " +
               riverNumBin + ")" + notOneRun();
    }
    if (to.flowDir[j] < outletCode) {
        return cell + "into " + place(toRow, toCol) + ", a cell without flow data" + notOneRun();
    }
    if (from.riverNum[i] >= 1 && to.distance[j] != from.distance[i] - 1) {
        return cell + "into " + place(toRow, toCol) + ", " + std::to_string(to.distance[j]) +
               " steps from the outlet in " + distanceAsc + " where " +
               std::to_string(from.distance[i] - 1) +
               " belong: the flow directions go round in a loop or are not those of this run.";
    }
    return std::nullopt;
}

}  // namespace drainPrep
