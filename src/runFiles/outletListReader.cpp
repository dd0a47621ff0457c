#include "runFiles/outletListReader.hpp"

#include <fstream>
#include <sstream>

#include "runFiles/runFiles.hpp"
#include "text/wholeNumber.hpp"

namespace drainPrep {

namespace {

constexpr int fieldsPerLine = 6;
// Six numbers of eleven characters at the most and their blanks, with room
// to spare; a longer line is no outlet and must not make memory grow.
constexpr std::size_t maxLineChars = 200;

enum class LineRead { line, end, tooLong };

LineRead readLine(std::istream& file, std::string& line) {
    line.clear();
    for (int c = file.get(); c != std::char_traits<char>::eof(); c = file.get()) {
        if (c == '\n') return LineRead::line;
        if (line.size() == maxLineChars) return LineRead::tooLong;
        line += static_cast<char>(c);
    }
    return line.empty() ? LineRead::end : LineRead::line;
}

bool readFields(const std::string& line, std::int32_t (&fields)[fieldsPerLine]) {
    std::istringstream tokens(line);
    std::string token;
    for (std::int32_t& field : fields) {
        if (!(tokens >> token)) return false;
        const std::optional<std::int32_t> value = parseWholeNumber(token);
        if (!value) return false;
        field = *value;
    }
    return !(tokens >> token);
}

// The list counts rows and columns from 1; the smallest int wraps to a value
// the range check rejects.
std::int32_t zeroBased(std::int32_t fromOne) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(fromOne) - 1u);
}

std::int64_t rowMajorIndex(const Outlet& outlet, const StudyArea& area) {
    return std::int64_t{outlet.row} * area.ncols + outlet.col;
}

// What is wrong with an outlet line, or nothing. drainPrep lists the outlets
// in row-major order, so no list is longer than the area has cells.
std::optional<std::string> checkOutlet(const Outlet& outlet, const std::vector<Outlet>& before,
                                       const StudyArea& area) {
    const auto expectedNumber = static_cast<std::int32_t>(before.size()) + 1;
    if (outlet.riverNum != expectedNumber) {
        return "basin number " + std::to_string(outlet.riverNum) + " where " +
               std::to_string(expectedNumber) + " is due.";
    }
    if (outlet.row < 0 || outlet.row >= area.nrows || outlet.col < 0 || outlet.col >= area.ncols) {
        return "row " + std::to_string(outlet.row + 1) + ", column " +
               std::to_string(outlet.col + 1) + " lie outside the " + std::to_string(area.nrows) +
               " x " + std::to_string(area.ncols) + " cells of clipArea.dat.";
    }
    if (outlet.latArcSeconds != roundedCentreLat(area, outlet.row) ||
        outlet.lonArcSeconds != roundedCentreLon(area, outlet.col)) {
        return std::string(
            "the coordinates are not those of the cell's centre in the study area "
            "of clipArea.dat.");
    }
    if (!before.empty() && rowMajorIndex(outlet, area) <= rowMajorIndex(before.back(), area)) {
        return std::string("the outlet does not follow the one before it in row-major order.");
    }
    if (outlet.basinSize < 1) return std::string("a basin size below 1.");
    return std::nullopt;
}

}  // namespace

Failure readOutletList(const std::filesystem::path& folder, const StudyArea& area,
                       std::vector<Outlet>& outlets) {
    std::ifstream file(folder / outletListFile);
    if (!file.is_open()) return std::string(outletListFile) + " cannot be opened.";
    outlets.clear();
    std::string line;
    for (LineRead read = readLine(file, line); read != LineRead::end; read = readLine(file, line)) {
        const std::string where =
            std::string(outletListFile) + ", line " + std::to_string(outlets.size() + 1) + ": ";
        if (read == LineRead::tooLong) {
            return where + "more than " + std::to_string(maxLineChars) + " characters.";
        }
        std::int32_t fields[fieldsPerLine];
        if (!readFields(line, fields)) {
            return where +
                   "six whole numbers belong here (basin, row, column, longitude, "
                   "latitude, basin size).";
        }
        const Outlet outlet{
            fields[0], zeroBased(fields[1]), zeroBased(fields[2]), fields[3], fields[4], fields[5]};
        if (auto wrong = checkOutlet(outlet, outlets, area)) return where + *wrong;
        outlets.push_back(outlet);
    }
    return std::nullopt;
}

}  // namespace drainPrep
