#include "output/outletList.hpp"

#include <cstddef>

#include "output/outputFile.hpp"
#include "output/runFileNames.hpp"
#include "text/numberText.hpp"

namespace drainPrep {

namespace {

constexpr OutputTarget riverNumList{pathFromWorkingFolder<outletListFile>.text,
                                    "riverNumList.dat file can not open\n"};

constexpr int fieldsPerLine = 6;

// The outlet's values as its record holds them, taken from the copies and
// the geometry: the records of outlets all over the grid would cost a pass
// over a scratch file.
void writeOutletLine(OutputFile& file, const StudyArea& area, const CellFields& copies,
                     std::int32_t row, std::int32_t col) {
    const std::int32_t fields[fieldsPerLine] = {copies.riverNum[row][col],
                                                row + 1,
                                                col + 1,
                                                roundedCentreLon(area, col),
                                                roundedCentreLat(area, row),
                                                copies.basinSize[row][col]};
    char* text = file.room(fieldsPerLine * (maxNumberChars + 1));
    for (int i = 0; i < fieldsPerLine; ++i) {
        text = writeNumber(text, fields[i]);
        *text++ = i + 1 < fieldsPerLine ? ' ' : '\n';
    }
    file.advance(text);
}

}  // namespace

Failure writeOutletList(const StudyArea& area, const CellFields& copies, const CellGrid& cells,
                        const std::vector<cellObject*>& outlets, std::ostream& console) {
    return writeOutputFile(
        riverNumList, "w", Announcement::writingDone, console, [&](OutputFile& file) {
            for (const cellObject* outlet : outlets) {
                const std::ptrdiff_t index = outlet - cells.begin();
                writeOutletLine(file, area, copies,
                                static_cast<std::int32_t>(index / cells.ncols()),
                                static_cast<std::int32_t>(index % cells.ncols()));
            }
        });
}

}  // namespace drainPrep
