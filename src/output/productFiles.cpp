#include "output/productFiles.hpp"

#include "output/asciiGrid.hpp"
#include "output/binaryGrid.hpp"
#include "output/outletList.hpp"
#include "output/runFileNames.hpp"

namespace drainPrep {

namespace {

constexpr OutputTarget modDemBinTarget{pathFromWorkingFolder<modDemBin>.text,
                                       "modDem.bin file cannot open."};
constexpr OutputTarget modDemAscTarget{pathFromWorkingFolder<modDemAsc>.text,
                                       "modDem.asc file can not open\n"};
constexpr OutputTarget distanceAscTarget{pathFromWorkingFolder<distanceAsc>.text,
                                         "dstance.asc file can not open\n"};
constexpr OutputTarget flowDirBinTarget{pathFromWorkingFolder<flowDirBin>.text,
                                        "flowDir.bin file cannot open."};
constexpr OutputTarget flowDirAscTarget{pathFromWorkingFolder<flowDirAsc>.text,
                                        "file can not open\n"};
constexpr OutputTarget flowAccBinTarget{pathFromWorkingFolder<flowAccBin>.text,
                                        "flowAcc.bin file cannot open."};
constexpr OutputTarget flowAccAscTarget{pathFromWorkingFolder<flowAccAsc>.text,
                                        "flowAcc.asc file can not open\n"};
constexpr OutputTarget riverNumBinTarget{pathFromWorkingFolder<riverNumBin>.text,
                                         "riverNum.bin file cannot open."};
constexpr OutputTarget riverNumAscTarget{pathFromWorkingFolder<riverNumAsc>.text,
                                         "ESRIRiverNum.asc riverNumber file can not open\n"};

constexpr std::int32_t frameRingValue = -9999;
constexpr std::int32_t noBasinValue = -1;

template <typename Value>
auto valuesOf(const Grid<Value>& grid) {
    return [&grid](std::int32_t row, std::int32_t col) { return grid[row][col]; };
}

// The value, replaced on the frame ring.
auto framed(const IntGrid& grid, std::int32_t frameValue) {
    return [&grid, frameValue](std::int32_t row, std::int32_t col) {
        return grid.isFrameRing(row, col) ? frameValue : grid[row][col];
    };
}

template <typename ValueAt>
Failure writeBinary(const OutputTarget& target, Announcement announcement, const StudyArea& area,
                    std::ostream& console, ValueAt valueAt) {
    return writeBinaryGrid(target, announcement, area.nrows, area.ncols, console, valueAt);
}

template <typename ValueAt>
Failure writeProductAscii(const OutputTarget& target, const StudyArea& area, double nodataValue,
                          std::ostream& console, ValueAt valueAt) {
    return writeAsciiGrid(target, headerFor(area, nodataValue), AsciiLayout::product, console,
                          valueAt);
}

Failure writeGrids(const StudyArea& area, const CellFields& fields, DirectionEncoder encode,
                   std::ostream& console) {
    if (auto failure = writeBinary(modDemBinTarget, Announcement::writingOnly, area, console,
                                   valuesOf(fields.elev))) {
        return failure;
    }
    if (auto failure =
            writeProductAscii(modDemAscTarget, area, -9999.0, console, valuesOf(fields.elev))) {
        return failure;
    }
    if (auto failure = writeProductAscii(distanceAscTarget, area, noBasinValue, console,
                                         valuesOf(fields.distance))) {
        return failure;
    }
    if (auto failure = writeBinary(flowDirBinTarget, Announcement::writingDone, area, console,
                                   framed(fields.dir, frameRingValue))) {
        return failure;
    }
    const auto sourceCode = [&fields, encode](std::int32_t row, std::int32_t col) {
        return encode(fields.dir[row][col]);
    };
    if (auto failure = writeProductAscii(flowDirAscTarget, area, -9999.0, console, sourceCode)) {
        return failure;
    }
    const auto basinSize = framed(fields.basinSize, frameRingValue);
    if (auto failure =
            writeBinary(flowAccBinTarget, Announcement::writingDone, area, console, basinSize)) {
        return failure;
    }
    if (auto failure =
            writeProductAscii(flowAccAscTarget, area, frameRingValue, console, basinSize)) {
        return failure;
    }
    if (auto failure = writeBinary(riverNumBinTarget, Announcement::writingDone, area, console,
                                   framed(fields.riverNum, frameRingValue))) {
        return failure;
    }
    return writeProductAscii(riverNumAscTarget, area, noBasinValue, console,
                             framed(fields.riverNum, noBasinValue));
}

}  // namespace

// The records keep their internal direction codes: nothing reads them after
// this, and storing each source code back would take a pass over every
// record for it.
Failure writeProducts(const StudyArea& area, const CellFields& fields, const CellGrid& cells,
                      const std::vector<cellObject*>& outlets, DirectionEncoder encode,
                      std::ostream& console) {
    if (auto failure = writeGrids(area, fields, encode, console)) return failure;
    return writeOutletList(area, fields, cells, outlets, console);
}

}  // namespace drainPrep
