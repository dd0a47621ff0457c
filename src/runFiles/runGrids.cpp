#include "runFiles/runGrids.hpp"

#include <algorithm>

#include "analysis/directionCodes.hpp"
#include "cell/directions.hpp"
#include "text/numberText.hpp"
#include "runFiles/runFiles.hpp"

namespace drainPrep {

namespace {

std::string place(std::int32_t row, std::int32_t col) {
    return "row " + std::to_string(row) + ", column " + std::to_string(col);
}

std::string notOneRun() {
    return ": the files are not those of one drainPrep run; run drainPrep in this folder again.";
}

bool isBasinNumber(std::int32_t riverNum, std::size_t outletCount) {
    return riverNum >= 1 && static_cast<std::size_t>(riverNum) <= outletCount;
}

bool drains(std::int32_t code) { return code > outletCode && code <= directionCount; }

// drainPrep stops in stage 3 on a code it cannot decode, after its previews.
Failure checkSourceCode(std::int32_t code, std::int32_t row, std::int32_t col) {
    if (decodeDirection(code)) return std::nullopt;
    return std::string(cutDirAsc) + " holds " + std::to_string(code) + " at " + place(row, col) +
           ", a code drainPrep cannot decode: it is the preview of a run that failed; run "
           "drainPrep in this folder again.";
}

// A binary grid's value where drainPrep writes no such value: on the frame
// ring, or inside the area (named there as `what`, and what belongs there).
std::string wrongValueText(const char* grid, const char* what, std::int32_t value, std::int32_t row,
                           std::int32_t col, bool frameRing, const std::string& belongs) {
    const std::string where = std::string(grid) + " holds " + (frameRing ? "" : what) +
                              std::to_string(value) + " at " + place(row, col);
    if (frameRing) {
        return where + ", on the frame ring, where drainPrep writes " +
               std::to_string(binaryFrameRingValue) + ".";
    }
    return where + belongs;
}

Failure checkFlowDir(std::int32_t code, std::int32_t row, std::int32_t col, bool frameRing) {
    if (frameRing ? code == binaryFrameRingValue : code >= noFlowCode && code <= directionCount) {
        return std::nullopt;
    }
    return wrongValueText(flowDirBin, "the code ", code, row, col, frameRing,
                          ", where drainPrep writes -1 to " + std::to_string(directionCount) + ".");
}

// Values beyond those drainPrep writes would index outside the outlet table.
Failure checkRiverNum(std::int32_t riverNum, std::int32_t row, std::int32_t col, bool frameRing,
                      std::size_t outletCount) {
    if (frameRing ? riverNum == binaryFrameRingValue
                  : riverNum == noBasin || isBasinNumber(riverNum, outletCount)) {
        return std::nullopt;
    }
    return wrongValueText(riverNumBin, "basin number ", riverNum, row, col, frameRing,
                          std::string(", but ") + outletListFile + " lists basins 1 to " +
                              std::to_string(outletCount) + ".");
}

// A cell that drains goes the way of its source code: the run decodes it and
// only ever ends a river there or takes its flow away.
Failure checkAgainstPreview(std::int32_t code, std::int32_t sourceCode, std::int32_t row,
                            std::int32_t col) {
    if (!drains(code) || decodeDirection(sourceCode) == code) return std::nullopt;
    return std::string(flowDirBin) + " holds the code " + std::to_string(code) + " at " +
           place(row, col) + ", but " + cutDirAsc + " holds the source code " +
           std::to_string(sourceCode) + " there" + notOneRun();
}

// modDem.bin holds each cell's elevation as the preview has it, but where
// the run found no data, sea or a removed outlet.
Failure checkModDem(double modDem, std::int32_t elevation, std::int32_t row, std::int32_t col) {
    if (modDem == noDataElevation || modDem == elevation) return std::nullopt;
    return std::string(modDemBin) + " holds " + numberText(modDem) + " at " + place(row, col) +
           ", but " + cutDemAsc + " holds " + std::to_string(elevation) + " there" + notOneRun();
}

}  // namespace

RunGridRow::RunGridRow(std::int32_t ncols) {
    const auto size = static_cast<std::size_t>(ncols);
    for (auto* values : {&elevation, &direction, &distance, &flowDir, &basinSize, &riverNum}) {
        values->resize(size);
    }
    modDem.resize(size);
}

RunGridReader::RunGridReader(const StudyArea& area, const std::vector<Outlet>& outlets)
    : area_(area), outlets_(outlets), links_(area) {}

Failure RunGridReader::open(const std::filesystem::path& folder) {
    if (auto failure = elevation_.open(folder, cutDemAsc)) return failure;
    if (auto failure = direction_.open(folder, cutDirAsc)) return failure;
    if (auto failure = distance_.open(folder, distanceAsc)) return failure;
    constexpr std::size_t bytesPerElevation = 8;
    if (auto failure = modDem_.open(folder, modDemBin, area_.ncols, bytesPerElevation)) {
        return failure;
    }
    if (auto failure = flowDir_.open(folder, flowDirBin, area_.ncols)) return failure;
    if (auto failure = basinSize_.open(folder, flowAccBin, area_.ncols)) return failure;
    return riverNum_.open(folder, riverNumBin, area_.ncols);
}

Failure RunGridReader::readRow(RunGridRow& row) {
    if (auto failure = elevation_.readRow(row.elevation.data())) return failure;
    if (auto failure = direction_.readRow(row.direction.data())) return failure;
    if (auto failure = distance_.readRow(row.distance.data())) return failure;
    if (auto failure = modDem_.readRow(row.modDem.data())) return failure;
    if (auto failure = flowDir_.readRow(row.flowDir.data())) return failure;
    if (auto failure = basinSize_.readRow(row.basinSize.data())) return failure;
    if (auto failure = riverNum_.readRow(row.riverNum.data())) return failure;
    for (std::int32_t col = 0; col < area_.ncols; ++col) {
        if (auto failure = checkCell(col, row)) return failure;
    }
    if (auto failure =
            links_.addRow(row_, {row.flowDir.data(), row.riverNum.data(), row.distance.data()})) {
        return failure;
    }
    for (std::int32_t col = 0; col < area_.ncols; ++col) {
        const auto i = static_cast<std::size_t>(col);
        if (auto failure = checkAgainstPreview(row.flowDir[i], row.direction[i], row_, col)) {
            return failure;
        }
        if (auto failure = checkModDem(row.modDem[i], row.elevation[i], row_, col)) {
            return failure;
        }
    }
    if (auto failure = checkOutlets(row)) return failure;
    ++row_;
    return std::nullopt;
}

Failure RunGridReader::checkCell(std::int32_t col, const RunGridRow& row) const {
    const auto i = static_cast<std::size_t>(col);
    const bool frameRing = isOnFrameRing(col);
    if (auto failure = checkSourceCode(row.direction[i], row_, col)) return failure;
    if (auto failure = checkFlowDir(row.flowDir[i], row_, col, frameRing)) return failure;
    return checkRiverNum(row.riverNum[i], row_, col, frameRing, outlets_.size());
}

// The outlet list, written last, names each outlet with its basin and size.
Failure RunGridReader::checkOutlets(const RunGridRow& row) {
    for (; nextOutlet_ < outlets_.size() && outlets_[nextOutlet_].row == row_; ++nextOutlet_) {
        const Outlet& outlet = outlets_[nextOutlet_];
        const auto i = static_cast<std::size_t>(outlet.col);
        if (row.flowDir[i] == outletCode && row.riverNum[i] == outlet.riverNum &&
            row.basinSize[i] == outlet.basinSize) {
            continue;
        }
        return std::string(outletListFile) + ", line " + std::to_string(nextOutlet_ + 1) + ": " +
               place(outlet.row, outlet.col) + " is no outlet of basin " +
               std::to_string(outlet.riverNum) + " with " + std::to_string(outlet.basinSize) +
               " cells in " + flowDirBin + ", " + riverNumBin + " and " + flowAccBin + notOneRun();
    }
    return std::nullopt;
}

bool RunGridReader::isOnFrameRing(std::int32_t col) const {
    return row_ == 0 || row_ == area_.nrows - 1 || col == 0 || col == area_.ncols - 1;
}

Failure readCheckedFlowDirections(const std::filesystem::path& folder, const StudyArea& area,
                                  const std::vector<Outlet>& outlets, IntGrid& codes) {
    RunGridReader reader(area, outlets);
    if (auto failure = reader.open(folder)) return failure;
    codes = IntGrid(area.nrows, area.ncols);
    RunGridRow row(area.ncols);
    for (std::int32_t r = 0; r < area.nrows; ++r) {
        if (auto failure = reader.readRow(row)) return failure;
        std::copy(row.flowDir.begin(), row.flowDir.end(), codes[r]);
    }
    return std::nullopt;
}

}  // namespace drainPrep
