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

// Every field a product shows lies in the first line of the record: one read
// of each record serves all ten files, and the source D8 code that
// flowDir.asc shows goes back into dir on the way.
void takeFields(CellGrid& cells, DirectionEncoder encode, ProductFields& fields) {
    for (std::int32_t row = 0; row < cells.nrows(); ++row) {
        cellObject* rowCells = cells[row];
        for (std::int32_t col = 0; col < cells.ncols(); ++col) {
            cellObject& cell = rowCells[col];
            const bool onFrameRing = cells.isFrameRing(row, col);
            fields.elev[row][col] = cell.elev;
            fields.distance[row][col] = cell.distance;
            fields.dir[row][col] = onFrameRing ? frameRingValue : cell.dir;
            fields.basinSize[row][col] = onFrameRing ? frameRingValue : cell.basinSize;
            fields.riverNum[row][col] = onFrameRing ? frameRingValue : cell.riverNum;
            cell.dir = encode(cell.dir);
        }
    }
}

template <typename Value>
auto valuesOf(const Grid<Value>& grid) {
    return [&grid](std::int32_t row, std::int32_t col) { return grid[row][col]; };
}

template <typename Value>
Failure writeBinary(const OutputTarget& target, Announcement announcement, const Grid<Value>& grid,
                    std::ostream& console) {
    return writeBinaryGrid(target, announcement, grid.nrows(), grid.ncols(), console,
                           valuesOf(grid));
}

template <typename ValueAt>
Failure writeProductAscii(const OutputTarget& target, const StudyArea& area, double nodataValue,
                          std::ostream& console, ValueAt valueAt) {
    return writeAsciiGrid(target, headerFor(area, nodataValue), AsciiLayout::product, console,
                          valueAt);
}

Failure writeGrids(const StudyArea& area, const ProductFields& fields, DirectionEncoder encode,
                   std::ostream& console) {
    if (auto failure = writeBinary(modDemBin, Announcement::writingOnly, fields.elev, console)) {
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
    if (auto failure = writeBinary(flowDirBin, Announcement::writingDone, fields.dir, console)) {
        return failure;
    }
    // -9999 on the frame ring encodes to -9999, as the ring's own codes do.
    const auto sourceCode = [&fields, encode](std::int32_t row, std::int32_t col) {
        return encode(fields.dir[row][col]);
    };
    if (auto failure = writeProductAscii(flowDirAsc, area, -9999.0, console, sourceCode)) {
        return failure;
    }
    if (auto failure =
            writeBinary(flowAccBin, Announcement::writingDone, fields.basinSize, console)) {
        return failure;
    }
    if (auto failure = writeProductAscii(flowAccAsc, area, frameRingValue, console,
                                         valuesOf(fields.basinSize))) {
        return failure;
    }
    if (auto failure =
            writeBinary(riverNumBin, Announcement::writingDone, fields.riverNum, console)) {
        return failure;
    }
    const auto riverNumOrNone = [&fields](std::int32_t row, std::int32_t col) {
        return fields.riverNum.isFrameRing(row, col) ? noBasinValue : fields.riverNum[row][col];
    };
    return writeProductAscii(riverNumAsc, area, noBasinValue, console, riverNumOrNone);
}

}  // namespace

ProductFields::ProductFields(const StudyArea& area)
    : elev(area.nrows, area.ncols),
      distance(area.nrows, area.ncols),
      dir(area.nrows, area.ncols),
      basinSize(area.nrows, area.ncols),
      riverNum(area.nrows, area.ncols) {}

std::optional<std::string> writeProducts(const StudyArea& area, CellGrid& cells,
                                         DirectionEncoder encode, std::ostream& console) {
    ProductFields fields(area);
    takeFields(cells, encode, fields);
    if (auto failure = writeGrids(area, fields, encode, console)) return failure;
    return writeOutletList(fields, cells, console);
}

}  // namespace drainPrep
