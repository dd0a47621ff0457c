#include "output/productFiles.hpp"

#include "output/asciiGrid.hpp"
#include "output/binaryGrid.hpp"
#include "raster/intGrid.hpp"

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

// Reading a field from the large cell records costs far more than reading it
// again from a compact grid of its own: the binary grid of a field keeps the
// values as it reads them, and the ASCII grid of the field is written from
// those.
template <typename Value, typename Field>
auto keepingInto(Grid<Value>& kept, const CellGrid& cells, Field field) {
    return [&kept, &cells, field](std::int32_t row, std::int32_t col) {
        return kept[row][col] = field(cells[row][col]);
    };
}

template <typename Value>
auto readingFrom(const Grid<Value>& kept) {
    return [&kept](std::int32_t row, std::int32_t col) { return kept[row][col]; };
}

// The value, replaced on the frame ring; it is still taken there, so that a
// kept grid is complete.
template <typename ValueAt>
auto framed(const CellGrid& cells, std::int32_t frameValue, ValueAt valueAt) {
    return [&cells, frameValue, valueAt](std::int32_t row, std::int32_t col) {
        const std::int32_t value = valueAt(row, col);
        return cells.isFrameRing(row, col) ? frameValue : value;
    };
}

using Failure = std::optional<std::string>;

Failure writeElevations(const StudyArea& area, const CellGrid& cells, std::ostream& console) {
    Grid<double> kept(area.nrows, area.ncols);
    const auto elev = [](const cellObject& cell) { return cell.elev; };
    if (auto failure = writeBinaryGrid(modDemBin, Announcement::writingOnly, area.nrows, area.ncols,
                                       console, keepingInto(kept, cells, elev))) {
        return failure;
    }
    return writeAsciiGrid(modDemAsc, headerFor(area, -9999.0), AsciiLayout::product, console,
                          readingFrom(kept));
}

Failure writeDistances(const StudyArea& area, const CellGrid& cells, std::ostream& console) {
    return writeAsciiGrid(
        distanceAsc, headerFor(area, noBasinValue), AsciiLayout::product, console,
        [&cells](std::int32_t row, std::int32_t col) { return cells[row][col].distance; });
}

// flowDir.asc stores each cell's source D8 code back into its dir.
Failure writeDirections(const StudyArea& area, CellGrid& cells, IntGrid& kept,
                        DirectionEncoder encode, std::ostream& console) {
    const auto dir = [](const cellObject& cell) { return cell.dir; };
    if (auto failure =
            writeBinaryGrid(flowDirBin, Announcement::writingDone, area.nrows, area.ncols, console,
                            framed(cells, frameRingValue, keepingInto(kept, cells, dir)))) {
        return failure;
    }
    return writeAsciiGrid(flowDirAsc, headerFor(area, -9999.0), AsciiLayout::product, console,
                          [&cells, &kept, encode](std::int32_t row, std::int32_t col) {
                              return cells[row][col].dir = encode(kept[row][col]);
                          });
}

// A field whose binary grid holds -9999 on the frame ring and whose ASCII
// grid holds asciiFrameValue there, also its NODATA value.
template <typename Field>
Failure writeFramedField(const OutputTarget& binary, const OutputTarget& ascii,
                         std::int32_t asciiFrameValue, const StudyArea& area, const CellGrid& cells,
                         IntGrid& kept, std::ostream& console, Field field) {
    if (auto failure =
            writeBinaryGrid(binary, Announcement::writingDone, area.nrows, area.ncols, console,
                            framed(cells, frameRingValue, keepingInto(kept, cells, field)))) {
        return failure;
    }
    return writeAsciiGrid(ascii, headerFor(area, asciiFrameValue), AsciiLayout::product, console,
                          framed(cells, asciiFrameValue, readingFrom(kept)));
}

}  // namespace

std::optional<std::string> writeProducts(const StudyArea& area, CellGrid& cells,
                                         DirectionEncoder encode, std::ostream& console) {
    if (auto failure = writeElevations(area, cells, console)) return failure;
    if (auto failure = writeDistances(area, cells, console)) return failure;
    IntGrid kept(area.nrows, area.ncols);
    if (auto failure = writeDirections(area, cells, kept, encode, console)) return failure;
    if (auto failure =
            writeFramedField(flowAccBin, flowAccAsc, frameRingValue, area, cells, kept, console,
                             [](const cellObject& cell) { return cell.basinSize; })) {
        return failure;
    }
    return writeFramedField(riverNumBin, riverNumAsc, noBasinValue, area, cells, kept, console,
                            [](const cellObject& cell) { return cell.riverNum; });
}

}  // namespace drainPrep
