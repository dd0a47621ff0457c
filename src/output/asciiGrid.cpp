#include "output/asciiGrid.hpp"

namespace drainPrep {

namespace {

template <typename Number>
void writeHeaderLine(OutputFile& file, std::string_view key, Number value) {
    file.write(key);
    file.advance(writeNumber(file.room(maxNumberChars), value));
}

void writePlaceLine(OutputFile& file, std::string_view key, double value, bool exact) {
    if (!exact) return writeHeaderLine(file, key, value);
    file.write(key);
    file.advance(writeRoundTripNumber(file.room(maxNumberChars), value));
}

}  // namespace

AsciiGridHeader headerFor(const StudyArea& area, double nodataValue) {
    if (area.lattice == thirtySecondLattice) {
        return {area.ncols,         area.nrows,  static_cast<double>(area.lonNW),
                southEdgeLat(area), cellSizeDeg, nodataValue};
    }
    return {
        area.ncols,  area.nrows, westEdgeLon(area), southEdgeLat(area), cellDegrees(area.lattice),
        nodataValue, true};
}

void writeAsciiHeader(OutputFile& file, const AsciiGridHeader& header, AsciiLayout layout) {
    writeHeaderLine(file, "ncols ", header.ncols);
    file.write("\n");
    writeHeaderLine(file, "nrows ", header.nrows);
    file.write("\n");
    writePlaceLine(file, "xllcorner ", header.xllcorner, header.exactPlace);
    file.write("\n");
    writePlaceLine(file, "yllcorner ", header.yllcorner, header.exactPlace);
    file.write("\n");
    writePlaceLine(file, "cellsize ", header.cellsize, header.exactPlace);
    file.write("\n");
    writeHeaderLine(file, "NODATA_value ", header.nodataValue);
    if (layout == AsciiLayout::preview) file.write("\n");
}

}  // namespace drainPrep
