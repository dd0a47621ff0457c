#include "output/clipPreviews.hpp"

#include "output/asciiGrid.hpp"

namespace drainPrep {

namespace {

constexpr OutputTarget cutDem{"./output/arcgis/cutDem.asc", "cutdem.asc file cannot open \n"};
constexpr OutputTarget cutDir{"./output/arcgis/cutDir.asc", "cutDir.asc file cannot open \n"};

std::optional<std::string> writePreview(const OutputTarget& target, const AsciiGridHeader& header,
                                        const IntGrid& grid, std::ostream& console) {
    return writeAsciiGrid(target, header, AsciiLayout::preview, console,
                          [&grid](std::int32_t row, std::int32_t col) { return grid[row][col]; });
}

}  // namespace

std::optional<std::string> writeClipPreviews(const StudyArea& area, const IntGrid& dem,
                                             const IntGrid& directions, std::ostream& console) {
    const AsciiGridHeader header = headerFor(area, -9999.0);
    if (auto failure = writePreview(cutDem, header, dem, console)) return failure;
    return writePreview(cutDir, header, directions, console);
}

}  // namespace drainPrep
