#include "output/asciiGrid.hpp"

namespace drainPrep {

namespace {

template <typename Number>
void writeHeaderLine(OutputFile& file, std::string_view key, Number value) {
    file.write(key);
    file.advance(writeNumber(file.room(maxNumberChars), value));
}

}  // namespace

AsciiGridHeader headerFor(const StudyArea& area, double nodataValue) {
    return {area.ncols, area.nrows, static_cast<double>(area.lonNW), southEdgeLat(area),
            cellSizeDeg, nodataValue};
}

void writeAsciiHeader(OutputFile& file, const AsciiGridHeader& header, AsciiLayout layout) {
    writeHeaderLine(file, "ncols ", header.ncols);
    file.write("\n");
    writeHeaderLine(file, "nrows ", header.nrows);
    file.write("\n");
    writeHeaderLine(file, "xllcorner ", header.xllcorner);
    file.write("\n");
    writeHeaderLine(file, "yllcorner ", header.yllcorner);
    file.write("\n");
    writeHeaderLine(file, "cellsize ", header.cellsize);
    file.write("\n");
    writeHeaderLine(file, "NODATA_value ", header.nodataValue);
    if (layout == AsciiLayout::preview) file.write("\n");
}

}  // namespace drainPrep
