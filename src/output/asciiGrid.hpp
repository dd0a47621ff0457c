// ESRI ASCII grids: a six-line header, then the values row by row from the
// north, each preceded by one blank.
//
// preview layout: every header line and every row ends with "\n".
// product layout: the NODATA line has no end of its own; each row starts with
// "\n", and the file ends right after its last value.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "geometry/studyArea.hpp"
#include "output/gridSidecars.hpp"
#include "output/outputFile.hpp"
#include "text/failure.hpp"
#include "text/numberText.hpp"

namespace drainPrep {

enum class AsciiLayout { preview, product };

// The georeference that an ESRI ASCII grid carries in its header, as the
// run writes it and as the companions read it back. Whole-number header
// values print the same held as int or double, so they are all held as
// double.
struct AsciiGridHeader {
    std::int32_t ncols = 0;
    std::int32_t nrows = 0;
    double xllcorner = 0.0;
    double yllcorner = 0.0;
    double cellsize = 0.0;
    double nodataValue = 0.0;
    // The corner and cell size to the last digit that reads back: six digits
    // place a grid of other than 30" cells a part of a cell off its lattice.
    bool exactPlace = false;
};

// A 30" area on whole-degree edges keeps the six-digit header that models
// read; any other lattice gets its exact corner and cell size.
AsciiGridHeader headerFor(const StudyArea& area, double nodataValue);

void writeAsciiHeader(OutputFile& file, const AsciiGridHeader& header, AsciiLayout layout);

// valueAt(row, col) gives the value of a cell as int32 or double.
template <typename ValueAt>
Failure writeAsciiGrid(const OutputTarget& target, const AsciiGridHeader& header,
                       AsciiLayout layout, std::ostream& console, ValueAt valueAt) {
    if (auto failure = removeSidecars(target.path)) return failure;
    return writeOutputFile(target, "w", Announcement::writingDone, console, [&](OutputFile& file) {
        writeAsciiHeader(file, header, layout);
        for (std::int32_t row = 0; row < header.nrows; ++row) {
            if (layout == AsciiLayout::product) file.write("\n");
            writeColumns(file, header.ncols, 1 + maxNumberChars,
                         [&valueAt, row](char* out, std::int32_t col) {
                             *out = ' ';
                             return writeNumber(out + 1, valueAt(row, col));
                         });
            if (layout == AsciiLayout::preview) file.write("\n");
        }
    });
}

}  // namespace drainPrep
