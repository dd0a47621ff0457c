// Whether a run over a study area can be had, and where its cell records
// live, decided before the source rasters are read rather than discovered
// halfway: in memory, in a scratch file under ./output when memory cannot
// hold them, or nowhere.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "geometry/studyArea.hpp"
#include "output/runFileNames.hpp"

namespace drainPrep {

// The scratch file of the records goes where the user gave the run room.
inline const char* const scratchDirectory = pathFromWorkingFolder<outputFolder>.text;

// What a run over an area inside the source grid allocates: the cell records,
// and besides them, phase by phase, the blocks that live at the same time.
struct RunNeeds {
    std::uint64_t records = 0;
    // From stage 3 on, the copies of the fields the products show and the
    // list of outlets, and besides them:
    std::uint64_t building = 0;  // the two clipped grids
    std::uint64_t deriving = 0;  // a count of inflows a cell
    std::uint64_t writing = 0;   // nothing more
    std::uint64_t fixed = 0;     // buffers, small lists, the runtime's own needs

    // On the disk under ./output: the previews and products, every value at
    // its widest. A scratch file of the records shares that disk with them.
    std::uint64_t files = 0;

    // The most the run holds besides the records.
    std::uint64_t work() const;
};

RunNeeds needsOfRun(const StudyArea& area);

// The bytes a run of the area needs with its records in memory.
std::uint64_t peakBytesOfRun(const StudyArea& area);

// What a machine offers a run.
struct MachineRoom {
    std::uint64_t memory = 0;        // for new allocations, without swapping
    std::uint64_t addressSpace = 0;  // the process may still map
    std::uint64_t scratchDisk = 0;   // free under the scratch directory
};

enum class RecordPlace { memory, scratchFile, nowhere };

// In memory when memory holds the whole run; else in the scratch file when
// the disk takes the records beside the run's files and memory the rest; else
// nowhere. With scratchFileOnly, never in memory.
RecordPlace planRun(const StudyArea& area, const MachineRoom& room, bool scratchFileOnly);

// What this machine offers now: available memory (as the kernel counts it,
// swap left out, and no more than the process's control group allows, read
// below systemRoot), the address-space limit, the free space of the directory.
MachineRoom roomOfThisMachine(const char* directory, const std::filesystem::path& systemRoot = "/");

// The plan for a run here, with `heldBesides` bytes of this machine's memory
// taken by what the run holds besides its own needs (GDAL's block cache while
// a pair given is read). DRAINPREP_RECORDS=scratchFile in the environment
// keeps the records out of memory (for tests of the scratch-file path).
RecordPlace planRunHere(const StudyArea& area, std::uint64_t heldBesides = 0);

// A run with its records in the scratch file keeps their first rows in
// memory, as many as memory holds beside the rest of the run, less a quarter
// of it left to the page cache (the file's pages, the products') and to the
// machine's other work: those rows are never written to the disk.
std::int32_t recordRowsInMemory(const StudyArea& area, const MachineRoom& room);

// The same here; none with DRAINPREP_RECORDS=scratchFile.
std::int32_t recordRowsInMemoryHere(const StudyArea& area, std::uint64_t heldBesides = 0);

std::string notEnoughMemoryText(const StudyArea& area);

}  // namespace drainPrep
