// The sources of a run given --dem and --dir, kept beside its products so
// that drainPrepReport can name them: ./output/sourceRasters.txt, written
// after the outlet list and only by such runs (a run of the fixed pair keeps
// its set of files as it is).
//
//   dem /absolute/path/of/the/dem.tif
//   dir /absolute/path/of/the/directions.tif
//   frame ROWS COLS NORTH_CELLS WEST_CELLS
//   outlets coast|d8
//   lattice CELLS_PER_DEGREE edges|centres
//
// The frame counts the source's cells. The lattice line is written only for
// sources other than 30" cells with edges on whole degrees, whose records
// stay as they were. Records of runs from before the outlet rules end after
// the frame: coast.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "cell/outletRule.hpp"
#include "geometry/sourceFrame.hpp"
#include "text/failure.hpp"

namespace drainPrep {

struct SourceRecord {
    std::string dem;
    std::string directions;
    SourceFrame frame;
    OutletRule outlets = OutletRule::coast;
};

// Into ./output, the paths made absolute. Returns the failure text.
Failure writeSourceRecord(const SourceRecord& record);

// The record of the run in `folder` into `record`. Nothing when there is
// none, or when the outlet list is newer: a later run of the fixed pair wrote
// the products. Returns the failure text for a record that cannot be read.
Failure readSourceRecord(const std::filesystem::path& folder, std::optional<SourceRecord>& record);

}  // namespace drainPrep
