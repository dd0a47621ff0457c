// drainPrepReport [FOLDER]: the report of a finished drainPrep run, in
// FOLDER/output/report/ (FOLDER defaults to the current one).
#include <filesystem>
#include <iostream>
#include <string>

#include "report/reportRun.hpp"

namespace {

const char* const usage =
    "Usage: drainPrepReport [FOLDER]\n"
    "Reads the finished drainPrep run in FOLDER (default: the current folder):\n"
    "clipArea.dat, output/ and output/arcgis/. Writes output/report/ (index.html with\n"
    "maps, the basin table and edge warnings; summary.json; outlets.geojson) and a\n"
    ".prj or .hdr file beside every grid, so that a GIS opens it in place.\n"
    "drainPrep's own files are not changed.\n";

}  // namespace

int main(int argc, char** argv) {
    const std::string argument = argc > 1 ? argv[1] : ".";
    if (argument == "--help" || argument == "-h") {
        std::cout << usage;
        return 0;
    }
    if (argc > 2 || (!argument.empty() && argument[0] == '-')) {
        std::cout << usage;
        return 1;
    }
    std::cout << "drainPrepReport: the run in " << argument << std::endl;
    if (auto failure = drainPrep::report::writeReport(argument, std::cout)) {
        std::cout << *failure << std::endl;
        return 1;
    }
    const std::filesystem::path page = std::filesystem::path(argument) / "output/report/index.html";
    std::cout << "  Report: " << page.string() << std::endl;
    return 0;
}
