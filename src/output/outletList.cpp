#include "output/outletList.hpp"

#include "output/outputFile.hpp"
#include "text/numberText.hpp"

namespace drainPrep {

namespace {

constexpr OutputTarget riverNumList{"./output/riverNumList.dat",
                                    "riverNumList.dat file can not open\n"};

constexpr int fieldsPerLine = 6;

void writeOutletLine(OutputFile& file, const cellObject& outlet, std::int32_t row,
                     std::int32_t col) {
    const std::int32_t fields[fieldsPerLine] = {outlet.riverNum, row + 1,    col + 1,
                                                outlet.lon,      outlet.lat, outlet.basinSize};
    char* text = file.room(fieldsPerLine * (maxNumberChars + 1));
    for (int i = 0; i < fieldsPerLine; ++i) {
        text = writeNumber(text, fields[i]);
        *text++ = i + 1 < fieldsPerLine ? ' ' : '\n';
    }
    file.advance(text);
}

}  // namespace

std::optional<std::string> writeOutletList(const CellGrid& cells,
                                           const std::vector<cellObject*>& outlets,
                                           std::ostream& console) {
    return writeOutputFile(
        riverNumList, "w", Announcement::writingDone, console, [&](OutputFile& file) {
            for (const cellObject* outlet : outlets) {
                const auto index = static_cast<std::int32_t>(outlet - cells.begin());
                writeOutletLine(file, *outlet, index / cells.ncols(), index % cells.ncols());
            }
        });
}

}  // namespace drainPrep
