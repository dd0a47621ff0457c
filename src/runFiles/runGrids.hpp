// The grids of a finished run that hold its network, streamed row by row and
// in step, each row checked before anyone reads it: values drainPrep writes
// and nothing else, down links that hold the basins together (flowLinks),
// and files that are of one run: the clip previews (written first) agree
// with modDem.bin (the first product) and flowDir.bin, and the outlet list
// (written last) with the grids at every outlet. A run that failed after its previews, or in stage 4, leaves
// files that break these, and every companion refuses them alike.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "geometry/studyArea.hpp"
#include "raster/intGrid.hpp"
#include "runFiles/asciiGridReader.hpp"
#include "runFiles/binaryGridReader.hpp"
#include "runFiles/flowLinks.hpp"
#include "runFiles/outletListReader.hpp"
#include "text/failure.hpp"

namespace drainPrep {

// One row of every grid, ncols values each.
struct RunGridRow {
    explicit RunGridRow(std::int32_t ncols);

    std::vector<std::int32_t> elevation;  // cutDem.asc
    std::vector<double> modDem;           // modDem.bin
    std::vector<std::int32_t> direction;  // cutDir.asc, source D8 codes
    std::vector<std::int32_t> distance;   // distance.asc
    std::vector<std::int32_t> flowDir;    // flowDir.bin, internal codes
    std::vector<std::int32_t> basinSize;  // flowAcc.bin
    std::vector<std::int32_t> riverNum;   // riverNum.bin
};

class RunGridReader {
public:
    // The outlets as readOutletList gives them.
    RunGridReader(const StudyArea& area, const std::vector<Outlet>& outlets);

    Failure open(const std::filesystem::path& folder);

    // The next row, from row 0, checked; returns the failure text.
    Failure readRow(RunGridRow& row);

private:
    Failure checkCell(std::int32_t col, const RunGridRow& row) const;
    Failure checkOutlets(const RunGridRow& row);
    bool isOnFrameRing(std::int32_t col) const;

    StudyArea area_;
    const std::vector<Outlet>& outlets_;
    std::size_t nextOutlet_ = 0;
    std::int32_t row_ = 0;
    FlowLinkCheck links_;
    AsciiGridReader elevation_, direction_, distance_;
    BinaryGridReader modDem_, flowDir_, basinSize_, riverNum_;
};

// Streams the grids of the run in folder through every check, for a
// companion that keeps only flowDir.bin's codes.
Failure readCheckedFlowDirections(const std::filesystem::path& folder, const StudyArea& area,
                                  const std::vector<Outlet>& outlets, IntGrid& codes);

}  // namespace drainPrep
