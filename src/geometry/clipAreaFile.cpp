#include "geometry/clipAreaFile.hpp"

#include <filesystem>
#include <fstream>
#include <ostream>

#include "text/wholeNumber.hpp"

namespace drainPrep {

namespace {

struct FieldOfArea {
    std::int32_t StudyArea::*field;
    const char* echoLabel;
};

constexpr FieldOfArea fieldsInFileOrder[] = {
    {&StudyArea::nrows, "  Number of row : "},
    {&StudyArea::ncols, "  Number of column : "},
    {&StudyArea::latNW, "  Latitude (degree) of North West corner : "},
    {&StudyArea::lonNW, "  Longitude (degree) of North West corner : "},
};

}  // namespace

Failure readStudyArea(const char* path, std::ostream& console, StudyArea& area,
                      const SourceFrame& frame, const std::string& outsideText) {
    std::error_code notRegular;
    std::ifstream file;
    if (std::filesystem::is_regular_file(path, notRegular)) file.open(path);
    if (!file.is_open()) return std::string("clipArea.dat cannot open.");
    for (const FieldOfArea& entry : fieldsInFileOrder) {
        std::string token;
        file >> token;
        const std::optional<std::int32_t> value = parseWholeNumber(token);
        if (!value) {
            return std::string(
                "clipArea.dat must hold four whole numbers: rows, columns, latitude and "
                "longitude.");
        }
        area.*entry.field = *value;
        console << entry.echoLabel << *value << std::endl;
    }
    if (area.nrows < 1 || area.ncols < 1) {
        return std::string("The study area needs at least one row and one column.");
    }
    area.lattice = frame.lattice;
    if (!liesInsideFrame(area, frame)) return outsideText;
    if (const char* edge = globeEdgePassedByCells(area)) {
        return std::string("The study area reaches half a cell past ") + edge +
               ": on a lattice of cell centres on whole degrees, the cells on that degree lie "
               "half beyond the globe. Take one row or column less there.";
    }
    return std::nullopt;
}

Failure writeStudyArea(const char* path, const StudyArea& area) {
    std::ofstream file(path);
    const char* separator = "";
    for (const FieldOfArea& entry : fieldsInFileOrder) {
        file << separator << area.*entry.field;
        separator = " ";
    }
    file << '\n';
    file.close();
    if (!file) return std::string("clipArea.dat cannot be written.");
    return std::nullopt;
}

}  // namespace drainPrep
