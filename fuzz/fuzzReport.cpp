// Fuzzes what drainPrepReport reads from a run's files: one file of a small
// finished run (12 x 16 cells, fuzz/reportRun) is replaced by the input and
// the report's facts, texts and maps are made from the run.
//
// Built three times, with FUZZED_FILES naming what the input replaces: the
// ESRI ASCII grids, the binary grids or the outlet list. For the grids the
// first byte of the input picks the file. A binary grid keeps the size its
// cells need (the input lies over the run's own bytes), so that the values,
// not the size check, are what is fuzzed.
//
// The report must end with its facts or with one message naming a file,
// never crash, and take no basin number outside the outlet list.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "fuzzSupport.hpp"
#include "report/mapImages.hpp"
#include "report/reportPage.hpp"
#include "report/reportRun.hpp"
#include "runFiles/runFiles.hpp"
#include "report/scriptFiles.hpp"

namespace {

namespace fs = std::filesystem;
using namespace drainPrep::report;
using fuzzing::require;

enum class Fuzzed { asciiGrid, binaryGrid, outletList };
constexpr Fuzzed fuzzed = Fuzzed::FUZZED_FILES;

std::string contentOf(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

void write(const fs::path& path, const std::string& content) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << content;
    file.close();
    require(file.good(), "the fuzzed file can be written");
}

// A copy of the finished run, made once per process, in which one file at a
// time takes the input and gets its own bytes back afterwards.
class RunCopy {
public:
    RunCopy() : folder_(fuzzing::scratchDirectory() + "/fuzzReport." + std::to_string(getpid())) {
        fs::remove_all(folder_);
        fs::copy(DRAINPREP_FUZZ_RUN, folder_, fs::copy_options::recursive);
    }
    ~RunCopy() { fs::remove_all(folder_); }
    RunCopy(const RunCopy&) = delete;
    RunCopy& operator=(const RunCopy&) = delete;

    const fs::path& folder() const { return folder_; }
    std::string original(const char* relativePath) const {
        return contentOf(fs::path(DRAINPREP_FUZZ_RUN) / relativePath);
    }

    // The file and its content for this input.
    void layOut(const std::string& input) {
        if (!restore_.empty()) write(folder_ / restore_, original(restore_.c_str()));
        const std::uint8_t pick = input.empty() ? 0 : static_cast<std::uint8_t>(input[0]);
        const std::string rest = input.empty() ? input : input.substr(1);
        switch (fuzzed) {
            case Fuzzed::asciiGrid:
                restore_ = asciiGridFiles[pick % std::size(asciiGridFiles)];
                write(folder_ / restore_, rest);
                break;
            case Fuzzed::binaryGrid: {
                restore_ = binaryGridFiles[pick % std::size(binaryGridFiles)].path;
                std::string bytes = original(restore_.c_str());
                bytes.replace(0, std::min(rest.size(), bytes.size()), rest, 0, bytes.size());
                write(folder_ / restore_, bytes);
                break;
            }
            case Fuzzed::outletList:
                restore_ = outletListFile;
                write(folder_ / restore_, input);
                break;
        }
    }

private:
    fs::path folder_;
    std::string restore_;
};

void checkFacts(const ReportFacts& facts, const MapGrids& maps) {
    const auto outlets = static_cast<std::int32_t>(facts.outlets.size());
    for (const EdgeInflow& place : facts.edgeInflow) {
        require(place.riverNum == noBasin || (place.riverNum >= 1 && place.riverNum <= outlets),
                "an inflow place names no basin or one of the outlet list");
    }
    // What the report writes, made in memory: every text, and the basin map
    // (the one map that looks values up) at one pixel a cell.
    require(!summaryJson(facts).empty() && !outletsGeoJson(facts.outlets).empty() &&
                !reportPage(facts).empty(),
            "the texts are made");
    MapGrids unenlarged = maps;
    unenlarged.enlargement = 1;
    basinMap(unenlarged, {});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static RunCopy run;
    run.layOut(std::string(reinterpret_cast<const char*>(data), size));
    ReportFacts facts;
    MapGrids maps;
    RiverNetwork network;
    std::ostringstream console;
    if (const auto failure = gatherFacts(run.folder(), {}, console, facts, maps, network)) {
        require(!failure->empty() && failure->find('\n') == std::string::npos,
                "a failure is one line");
        require(failure->rfind("output/", 0) == 0 || failure->rfind("clipArea.dat", 0) == 0,
                "a failure names the file");
        return 0;
    }
    checkFacts(facts, maps);
    return 0;
}
