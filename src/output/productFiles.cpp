#include "output/productFiles.hpp"

#include "output/asciiGrid.hpp"
#include "output/binaryGrid.hpp"

namespace drainPrep {

namespace {

constexpr OutputTarget modDemBin{"./output/modDem.bin", "modDem.bin file cannot open."};
constexpr OutputTarget modDemAsc{"./output/arcgis/modDem.asc", "modDem.asc file can not open\n"};
constexpr OutputTarget distanceAsc{"./output/arcgis/distance.asc",
                                   "dstance.asc file can not open\n"};
constexpr OutputTarget flowDirBin{"./output/flowDir.bin", "flowDir.bin file cannot open."};
constexpr OutputTarget flowDirAsc{"./output/arcgis/flowDir.asc", "file can not open\n"};
constexpr OutputTarget flowAccBin{"./output/flowAcc.bin", "flowAcc.bin file cannot open."};
constexpr OutputTarget flowAccAsc{"./output/arcgis/flowAcc.asc",
                                  "flowAcc.asc file can not open\n"};
constexpr OutputTarget riverNumBin{"./output/riverNum.bin", "riverNum.bin file cannot open."};
constexpr OutputTarget riverNumAsc{"./output/arcgis/riverNum.asc",
                                   "ESRIRiverNum.asc riverNumber file can not open\n"};

constexpr std::int32_t frameRingValue = -9999;
constexpr std::int32_t noBasinValue = -1;

// A cell's field, replaced on the frame ring.
template <typename Field>
auto framed(const CellGrid& cells, std::int32_t frameValue, Field field) {
    return [&cells, frameValue, field](std::int32_t row, std::int32_t col) {
        return cells.isFrameRing(row, col) ? frameValue : field(cells[row][col]);
    };
}

template <typename Field>
auto asIs(const CellGrid& cells, Field field) {
    return [&cells, field](std::int32_t row, std::int32_t col) { return field(cells[row][col]); };
}

}  // namespace

std::optional<std::string> writeProducts(const StudyArea& area, CellGrid& cells,
                                         DirectionEncoder encode, std::ostream& console) {
    const auto elev = [](const cellObject& cell) { return cell.elev; };
    const auto distance = [](const cellObject& cell) { return cell.distance; };
    const auto dir = [](const cellObject& cell) { return cell.dir; };
    const auto basinSize = [](const cellObject& cell) { return cell.basinSize; };
    const auto riverNum = [](const cellObject& cell) { return cell.riverNum; };
    const auto encodeAndStore = [&cells, encode](std::int32_t row, std::int32_t col) {
        cellObject& cell = cells[row][col];
        cell.dir = encode(cell.dir);
        return cell.dir;
    };
    const std::int32_t nrows = area.nrows;
    const std::int32_t ncols = area.ncols;

    if (auto failure = writeBinaryGrid(modDemBin, Announcement::writingOnly, nrows, ncols, console,
                                       asIs(cells, elev))) {
        return failure;
    }
    const AsciiGridHeader floatNoData = headerFor(area, -9999.0);
    const AsciiGridHeader intNoData = headerFor(area, noBasinValue);
    const AsciiLayout layout = AsciiLayout::product;
    if (auto failure = writeAsciiGrid(modDemAsc, floatNoData, layout, console, asIs(cells, elev))) {
        return failure;
    }
    if (auto failure =
            writeAsciiGrid(distanceAsc, intNoData, layout, console, asIs(cells, distance))) {
        return failure;
    }
    if (auto failure = writeBinaryGrid(flowDirBin, Announcement::writingDone, nrows, ncols,
                                       console, framed(cells, frameRingValue, dir))) {
        return failure;
    }
    if (auto failure = writeAsciiGrid(flowDirAsc, floatNoData, layout, console, encodeAndStore)) {
        return failure;
    }
    if (auto failure = writeBinaryGrid(flowAccBin, Announcement::writingDone, nrows, ncols,
                                       console, framed(cells, frameRingValue, basinSize))) {
        return failure;
    }
    if (auto failure = writeAsciiGrid(flowAccAsc, floatNoData, layout, console,
                                      framed(cells, frameRingValue, basinSize))) {
        return failure;
    }
    if (auto failure = writeBinaryGrid(riverNumBin, Announcement::writingDone, nrows, ncols,
                                       console, framed(cells, frameRingValue, riverNum))) {
        return failure;
    }
    return writeAsciiGrid(riverNumAsc, intNoData, layout, console,
                          framed(cells, noBasinValue, riverNum));
}

}  // namespace drainPrep
