// The run in four stages, each announced on the console:
//   1) the study area from clipArea.dat
//   2) the source rasters, clipped, and the two clip previews
//   3) the cell grid and its drainage network
//   4) the product files and the outlet list
// Every stage hands its failure text back here, which prints it where it
// stands in the run's dialogue: a refused clipArea.dat comes before the
// closing prompt.
#include "driver/runSequence.hpp"

#include <istream>
#include <new>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "analysis/directionCodes.hpp"
#include "analysis/networkDerivation.hpp"
#include "cell/cellFields.hpp"
#include "driver/mainGuard.hpp"
#include "driver/memoryPlan.hpp"
#include "geometry/clipAreaFile.hpp"
#include "output/clipPreviews.hpp"
#include "output/productFiles.hpp"
#include "output/sourceRecord.hpp"
#include "raster/gdalSource.hpp"
#include "raster/sourceRasters.hpp"
#include "text/failure.hpp"

namespace drainPrep {

namespace {

RunEnd failedWith(std::ostream& console, const std::string& failure) {
    printFailure(console, failure);
    return RunEnd::failed;
}

void closingPrompt(std::ostream& console, std::istream& keyboard) {
    console << std::endl;
    console << "Program ends. Hit any key!" << std::endl;
    keyboard.get();
}

// What stage 3 hands to stage 4 besides the records.
struct DerivedNetwork {
    CellFields fields;
    std::vector<cellObject*> outlets;
};

// Registration and pruning run row by row with the preparation, and the
// distances, basin sizes and river numbers one basin at a time: their texts
// carry their own "\n" and no flush, so they stand where the steps would.
Failure buildNetwork(const StudyArea& area, IntGrid& dem, IntGrid& directions, CellGrid& cells,
                     OutletRule rule, DerivedNetwork& network, std::ostream& console) {
    console << "3) Processing topography data." << std::endl;
    console << "  Memory allocation." << std::endl;
    network.fields = CellFields(area.nrows, area.ncols);
    console << "  Assigning elevation data." << std::endl;
    if (auto failure = prepareAndRegister(area, dem, directions, cells, console, network.outlets,
                                          network.fields, rule)) {
        return failure;
    }
    // Nothing reads the clipped grids once the cells hold their values.
    dem = IntGrid();
    directions = IntGrid();
    console << "  Setting upper grid number.\n";
    console << "  Setting the outlet.\n";
    console << "  Calculating the distance from the outlet.\n";
    console << "  Calculating basin size.\n";
    console << "  Setting river number.\n";
    deriveBasins(network.outlets, cells, network.fields);
    return std::nullopt;
}

Failure writeAllProducts(const StudyArea& area, const CellGrid& cells,
                         const DerivedNetwork& network, std::ostream& console) {
    console << "4) Writing output files" << std::endl;
    return writeProducts(area, network.fields, cells, network.outlets, encodeDirection, console);
}

// The fixed pair, streamed whole, or only the window of the pair given,
// which is then closed: GDAL's cached blocks are not kept through stage 3.
Failure readSources(const StudyArea& area, GdalSourcePair* given, std::ostream& console,
                    IntGrid& dem, IntGrid& directions) {
    if (given == nullptr) return readSourceRasters(area, console, dem, directions);
    Failure failure = readGdalSourceWindow(area, *given, console, dem, directions);
    closeGdalSources(*given);
    return failure;
}

// Stages 2 to 4. The cell records' block is had before anything is read, so
// that a disk too small for their scratch file shows at once. Any allocation
// that fails ends the run with the same text as a failed plan. The previews
// of an earlier run come back when this run fails.
Failure runStages(const StudyArea& area, GdalSourcePair* given, OutletRule rule,
                  std::ostream& console) {
    // GDAL's block cache fills beside the records, which are had first.
    const std::uint64_t readerCache = given == nullptr ? 0 : blockCacheBytes(*given);
    const RecordPlace place = planRunHere(area, readerCache);
    if (place == RecordPlace::nowhere) return notEnoughMemoryText(area);
    try {
        const bool inScratchFile = place == RecordPlace::scratchFile;
        CellGrid cells(area.nrows, area.ncols, inScratchFile ? scratchDirectory : nullptr,
                       inScratchFile ? recordRowsInMemoryHere(area, readerCache) : 0);
        IntGrid dem;
        IntGrid directions;
        if (auto failure = readSources(area, given, console, dem, directions)) return failure;
        EarlierPreviews earlier;
        if (auto failure = writeClipPreviews(area, dem, directions, console)) return failure;
        DerivedNetwork network;
        if (auto failure = buildNetwork(area, dem, directions, cells, rule, network, console)) {
            return failure;
        }
        if (auto failure = writeAllProducts(area, cells, network, console)) return failure;
        if (given != nullptr) {
            if (auto failure = writeSourceRecord(
                    {given->dem.path, given->directions.path, given->frame(), rule})) {
                return failure;
            }
        }
        earlier.drop();
        return std::nullopt;
    } catch (const std::bad_alloc&) {
        return notEnoughMemoryText(area);
    }
}

std::string outsideGivenText(const GdalSourcePair& given) {
    return "The study area lies outside the source grid of " + given.dem.path + " (" +
           extentText(given.frame()) + ").";
}

}  // namespace

// Rasters given are opened and checked first: their frame is the grid the
// study area must lie in.
RunEnd runDrainPrep(std::ostream& console, std::istream& keyboard, const RunOptions& options) {
    const std::optional<SourcePaths>& sources = options.sources;
    GdalSourcePair given;
    if (sources) {
        if (auto failure = openGdalSources(*sources, given)) return failedWith(console, *failure);
    }
    console << "1) Reading location of study area." << std::endl;
    StudyArea area;
    const Failure stageOneFailure =
        sources ? readStudyArea(clipAreaPath, console, area, given.frame(), outsideGivenText(given))
                : readStudyArea(clipAreaPath, console, area);
    if (stageOneFailure) {
        printFailure(console, *stageOneFailure);
        closingPrompt(console, keyboard);
        return RunEnd::failed;
    }
    if (auto failure = runStages(area, sources ? &given : nullptr, options.outlets, console)) {
        return failedWith(console, *failure);
    }
    closingPrompt(console, keyboard);
    return RunEnd::complete;
}

}  // namespace drainPrep
