#include "output/productFiles.hpp"

#include "output/asciiGrid.hpp"
#include "output/binaryGrid.hpp"
#include "output/outletList.hpp"

namespace drainPrep {

namespace {

constexpr OutputTarget modDemBin{"./output/modDem.bin", "modDem.bin file cannot open."};
constexpr OutputTarget modDemAsc{"./output/arcgis/modDem.asc", "modDem.asc file can not open\n"};
constexpr OutputTarget distanceAsc{"./output/arcgis/distance.asc",
                                   "dstance.asc file can not open\n"};
constexpr OutputTarget flowDirBin{"./output/flowDir.bin", "flowDir.bin file cannot open."};
constexpr OutputTarget flowDirAsc{"./output/arcgis/flowDir.asc", "file can not open\n"};
constexpr OutputTarget flowAccBin{"./output/flowAcc.bin", "flowAcc.bin file cannot open."};
constexpr OutputTarget flowAccAsc{"./output/arcgis/flowAcc.asc", "flowAcc.asc file can not open\n"};
constexpr OutputTarget riverNumBin{"./output/riverNum.bin", "riverNum.bin file cannot open."};
constexpr OutputTarget riverNumAsc{"./output/arcgis/riverNum.asc",
                                   "ESRIRiverNum.asc riverNumber file can not open\n"};

constexpr std::int32_t frameRingValue = -9999;
constexpr std::int32_t noBasinValue = -1;

using Failure = std::optional<std::string>;

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
    if (auto failure = writeBinary(modDemBin, Announcement::writingOnly, area, console,
                                   valuesOf(fields.elev))) {
        return failure;
    }
    if (auto failure =
            writeProductAscii(modDemAsc, area, -9999.0, console, valuesOf(fields.elev))) {
        return failure;
    }
    if (auto failure = writeProductAscii(distanceAsc, area, noBasinValue, console,
                                         valuesOf(fields.distance))) {
        return failure;
    }
    if (auto failure = writeBinary(flowDirBin, Announcement::writingDone, area, console,
                                   framed(fields.dir, frameRingValue))) {
        return failure;
    }
    const auto sourceCode = [&fields, encode](std::int32_t row, std::int32_t col) {
        return encode(fields.dir[row][col]);
    };
    if (auto failure = writeProductAscii(flowDirAsc, area, -9999.0, console, sourceCode)) {
        return failure;
    }
    const auto basinSize = framed(fields.basinSize, frameRingValue);
    if (auto failure =
            writeBinary(flowAccBin, Announcement::writingDone, area, console, basinSize)) {
        return failure;
    }
    if (auto failure = writeProductAscii(flowAccAsc, area, frameRingValue, console, basinSize)) {
        return failure;
    }
    if (auto failure = writeBinary(riverNumBin, Announcement::writingDone, area, console,
                                   framed(fields.riverNum, frameRingValue))) {
        return failure;
    }
    return writeProductAscii(riverNumAsc, area, noBasinValue, console,
                             framed(fields.riverNum, noBasinValue));
}

}  // namespace

// The records keep their internal direction codes: nothing reads them after
// this, and storing each source code back would take a pass over every
// record for it.
std::optional<std::string> writeProducts(const StudyArea& area, const CellFields& fields,
                                         const CellGrid& cells,
                                         const std::vector<cellObject*>& outlets,
                                         DirectionEncoder encode, std::ostream& console) {
    if (auto failure = writeGrids(area, fields, encode, console)) return failure;
    return writeOutletList(area, fields, cells, outlets, console);
}

}  // namespace drainPrep
