// The files of a finished drainPrep run that the companions read, relative to
// the run's working folder, and the checks made before any value is read:
// clipArea.dat, every file present, the binary grids of the study area's
// size, the ASCII headers in agreement with clipArea.dat.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "geometry/studyArea.hpp"
#include "output/asciiGrid.hpp"
#include "output/runFileNames.hpp"
#include "output/sourceRecord.hpp"
#include "text/failure.hpp"

namespace drainPrep {

inline const char* const asciiGridFiles[] = {
    cutDemAsc, cutDirAsc, modDemAsc, distanceAsc, flowDirAsc, flowAccAsc, riverNumAsc,
};

struct BinaryGridFile {
    const char* path;
    std::int32_t elementBytes;  // 8: IEEE double, 4: int32
    const char* bandName;       // no commas: ENVI separates band names by them
    bool floating = false;      // with 4 bytes: float32, not int32
};

inline const BinaryGridFile binaryGridFiles[] = {
    {modDemBin, 8, "elevation in metres"},
    {flowDirBin, 4, "direction code 1 N to 8 NW and 0 outlet"},
    {flowAccBin, 4, "basin size in cells"},
    {riverNumBin, 4, "basin number"},
};

// Values the products hold: -9999 on the frame ring of the binary grids, -1
// as the basin number of a cell in no basin.
constexpr std::int32_t binaryFrameRingValue = -9999;
constexpr std::int32_t noBasin = -1;

// Reads the record of the run's sources, if it has one, and the study area,
// and checks every file of the run against them. The header is that of the
// ASCII grids, which all agree. Returns the failure text, naming the file.
Failure checkRunFiles(const std::filesystem::path& folder, StudyArea& area, AsciiGridHeader& header,
                      std::optional<SourceRecord>& sources);

}  // namespace drainPrep
