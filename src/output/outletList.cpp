#include "output/outletList.hpp"

#include "output/outputFile.hpp"
#include "text/numberText.hpp"

namespace drainPrep {

namespace {

constexpr OutputTarget riverNumList{"./output/riverNumList.dat",
                                    "riverNumList.dat file can not open\n"};

constexpr int fieldsPerLine = 6;

void writeOutletLine(OutputFile& file, const ProductFields& fields, const cellObject& outlet,
                     std::int32_t row, std::int32_t col) {
    const std::int32_t lineFields[fieldsPerLine] = {
        fields.riverNum[row][col], row + 1, col + 1, outlet.lon, outlet.lat,
        fields.basinSize[row][col]};
    char* text = file.room(fieldsPerLine * (maxNumberChars + 1));
    for (int i = 0; i < fieldsPerLine; ++i) {
        text = writeNumber(text, lineFields[i]);
        *text++ = i + 1 < fieldsPerLine ? ' ' : '\n';
    }
    file.advance(text);
}

}  // namespace

std::optional<std::string> writeOutletList(const ProductFields& fields, const CellGrid& cells,
                                           std::ostream& console) {
    return writeOutputFile(riverNumList, "w", Announcement::writingDone, console,
                           [&](OutputFile& file) {
                               for (std::int32_t row = 0; row < cells.nrows(); ++row) {
                                   for (std::int32_t col = 0; col < cells.ncols(); ++col) {
                                       if (fields.dir[row][col] == outletCode) {
                                           writeOutletLine(file, fields, cells[row][col], row, col);
                                       }
                                   }
                               }
                           });
}

}  // namespace drainPrep
