#include "output/sourceRecord.hpp"

#include <fstream>

#include "output/runFileNames.hpp"

namespace drainPrep {

namespace {

std::string absolutePath(const std::string& path) {
    return std::filesystem::absolute(path).lexically_normal().string();
}

// "dem PATH": the rest of the line after the key and one blank.
bool readPathLine(std::istream& file, const std::string& key, std::string& path) {
    std::string line;
    if (!std::getline(file, line) || line.rfind(key + " ", 0) != 0) return false;
    path = line.substr(key.size() + 1);
    return !path.empty();
}

bool readFrameLine(std::istream& file, SourceFrame& frame) {
    std::string key;
    file >> key >> frame.rows >> frame.cols >> frame.northEdgeCells >> frame.westEdgeCells;
    return file && key == "frame" && frame.rows > 0 && frame.cols > 0;
}

// Absent from the records of runs before the rules: coast.
bool readOutletLine(std::istream& file, OutletRule& rule) {
    std::string key;
    std::string name;
    if (!(file >> key)) return true;
    file >> name;
    const std::optional<OutletRule> named = outletRuleNamed(name);
    if (key != "outlets" || !named) return false;
    rule = *named;
    return true;
}

const char* const originNames[] = {"edges", "centres"};

// Absent from the records of 30" sources on whole-degree edges.
bool readLatticeLine(std::istream& file, CellLattice& lattice) {
    std::string key;
    std::string origin;
    if (!(file >> key)) return true;
    file >> lattice.perDegree >> origin;
    if (!file || key != "lattice" || lattice.perDegree < fewestCellsPerDegree ||
        lattice.perDegree > mostCellsPerDegree) {
        return false;
    }
    if (origin == originNames[1]) lattice.origin = LatticeOrigin::centresOnDegrees;
    return origin == originNames[0] || origin == originNames[1];
}

std::string latticeLine(const CellLattice& lattice) {
    if (lattice == thirtySecondLattice) return "";
    return "lattice " + std::to_string(lattice.perDegree) + " " +
           originNames[lattice.origin == LatticeOrigin::centresOnDegrees ? 1 : 0] + "\n";
}

}  // namespace

Failure writeSourceRecord(const SourceRecord& record) {
    const std::string path = pathFromWorkingFolder<sourceRecordFile>.text;
    std::ofstream file(path);
    file << "dem " << absolutePath(record.dem) << "\ndir " << absolutePath(record.directions)
         << "\nframe " << record.frame.rows << " " << record.frame.cols << " "
         << record.frame.northEdgeCells << " " << record.frame.westEdgeCells << "\noutlets "
         << outletRuleName(record.outlets) << "\n"
         << latticeLine(record.frame.lattice);
    file.close();
    if (!file) return path + " cannot be written.";
    return std::nullopt;
}

Failure readSourceRecord(const std::filesystem::path& folder, std::optional<SourceRecord>& record) {
    record.reset();
    const std::filesystem::path path = folder / sourceRecordFile;
    std::error_code unknown;
    if (!std::filesystem::is_regular_file(path, unknown)) return std::nullopt;
    const auto recorded = std::filesystem::last_write_time(path, unknown);
    const auto outletList = std::filesystem::last_write_time(folder / outletListFile, unknown);
    if (!unknown && outletList > recorded) return std::nullopt;
    std::ifstream file(path);
    SourceRecord read;
    if (!readPathLine(file, "dem", read.dem) || !readPathLine(file, "dir", read.directions) ||
        !readFrameLine(file, read.frame) || !readOutletLine(file, read.outlets) ||
        !readLatticeLine(file, read.frame.lattice)) {
        return std::string(sourceRecordFile) +
               " is not the record of a drainPrep run: run drainPrep in this folder again.";
    }
    record = read;
    return std::nullopt;
}

}  // namespace drainPrep
