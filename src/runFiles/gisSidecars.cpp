#include "runFiles/gisSidecars.hpp"

#include <utility>

#include "runFiles/textFile.hpp"
#include "text/numberText.hpp"

namespace drainPrep {

namespace {

std::string exactNumber(double value) { return significantText(value, 17); }

// ENVI data types: 3 for int32, 4 for float32, 5 for double.
int enviDataType(const BinaryGridFile& grid) {
    if (grid.elementBytes == 8) return 5;
    return grid.floating ? 4 : 3;
}

}  // namespace

const char* const wgs84Prj =
    "GEOGCS[\"GCS_WGS_1984\",DATUM[\"D_WGS_1984\",SPHEROID[\"WGS_1984\",6378137.0,"
    "298.257223563]],PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433],"
    "AUTHORITY[\"EPSG\",4326]]";

std::string enviHeader(const BinaryGridFile& grid, const GridPlace& place) {
    const std::string cellSize = exactNumber(place.cellDeg);
    const std::string name = std::filesystem::path(grid.path).filename().string();
    const std::pair<const char*, std::string> lines[] = {
        {"description", "{drainPrep " + name + "}"},
        {"samples", std::to_string(place.cols)},
        {"lines", std::to_string(place.rows)},
        {"bands", "1"},
        {"header offset", "0"},
        {"file type", "ENVI Standard"},
        {"data type", std::to_string(enviDataType(grid))},
        {"interleave", "bsq"},
        {"byte order", "0"},  // little-endian
        // The north-west corner of the first cell: pixel 1, 1 counts from 1.
        {"map info", "{Geographic Lat/Lon, 1, 1, " + exactNumber(place.westDeg) + ", " +
                         exactNumber(place.northDeg) + ", " + cellSize + ", " + cellSize +
                         ", WGS-84, units=Degrees}"},
        {"coordinate system string", std::string("{") + wgs84Prj + "}"},
        {"data ignore value", std::to_string(binaryFrameRingValue)},
        {"band names", std::string("{") + grid.bandName + "}"},
    };
    std::string header = "ENVI\n";
    for (const auto& [key, value] : lines) header += std::string(key) + " = " + value + "\n";
    return header;
}

Failure writeGisSidecars(const std::filesystem::path& folder, const StudyArea& area) {
    for (const char* grid : asciiGridFiles) {
        const std::string text = std::string(wgs84Prj) + "\n";
        if (auto failure = writeTextFile(sidecarPath(folder / grid, ".prj"), text)) {
            return failure;
        }
    }
    for (const BinaryGridFile& grid : binaryGridFiles) {
        if (auto failure = writeTextFile(sidecarPath(folder / grid.path, ".hdr"),
                                         enviHeader(grid, placeOfStudyArea(area)))) {
            return failure;
        }
    }
    return std::nullopt;
}

}  // namespace drainPrep
