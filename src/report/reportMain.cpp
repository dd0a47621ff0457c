// drainPrepReport [--river-cells N] [FOLDER]: the report of a finished
// drainPrep run, in FOLDER/output/report/ (FOLDER defaults to the current one).
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <limits>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "driver/commandOptions.hpp"
#include "driver/mainGuard.hpp"
#include "report/reportRun.hpp"
#include "text/failure.hpp"
#include "text/wholeNumber.hpp"

namespace {

const char* const usage =
    "Usage: drainPrepReport [--river-cells N] [--gauges FILE [--gauge-snap CELLS]] [FOLDER]\n"
    "Reads the finished drainPrep run in FOLDER (default: the current folder):\n"
    "clipArea.dat, output/ and output/arcgis/. Writes output/report/ (index.html with\n"
    "maps, the basin table and edge warnings; summary.json; outlets.geojson;\n"
    "rivers.geojson) and a .prj or .hdr file beside every grid, so that a GIS opens\n"
    "it in place. drainPrep's own files are not changed.\n"
    "--river-cells N: a cell is a river cell from a basin size of N cells (default:\n"
    "the threshold of the basin map, which adapts to the area).\n"
    "--gauges FILE: gauges (CSV with columns id, lat, lon and optionally name and\n"
    "area_km2), each placed on the river cell within CELLS rows and columns (default\n"
    "3) whose upstream area is nearest its published area_km2 (without one: the\n"
    "largest), with sub-basins, which gauge drains into which, gauges.csv,\n"
    "gauges.geojson and the grids gaugeCells and subbasins.\n";

// A whole number of cells, 1 or more.
std::optional<std::int32_t> riverCellsOf(const std::string& text) {
    std::int32_t cells = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, cells);
    if (error != std::errc() || stop != end || cells < 1) return std::nullopt;
    return cells;
}

// The options and the folder, or the text that refuses them.
drainPrep::Failure parseArguments(const std::vector<std::string>& arguments,
                                  drainPrep::report::ReportOptions& options, std::string& folder) {
    bool folderGiven = false;
    std::set<std::string> given;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        // The last of two values would win unseen.
        if (arguments[i].rfind("--", 0) == 0 && !given.insert(arguments[i]).second) {
            return arguments[i] + " is given twice.\n";
        }
        if (arguments[i] == "--river-cells") {
            const std::string cells = i + 1 < arguments.size() ? arguments[++i] : "";
            options.riverCells = riverCellsOf(cells);
            if (!options.riverCells) {
                return "--river-cells takes a whole number of cells, 1 or more (at most " +
                       std::to_string(std::numeric_limits<std::int32_t>::max()) + "), not \"" +
                       cells + "\".\n";
            }
        } else if (arguments[i] == "--gauges" && i + 1 < arguments.size()) {
            options.gaugeFile = arguments[++i];
        } else if (arguments[i] == "--gauge-snap") {
            const std::string cells = i + 1 < arguments.size() ? arguments[++i] : "";
            const std::optional<std::int32_t> snap = drainPrep::parseWholeNumber(cells);
            if (!snap || *snap < 0) {
                return "--gauge-snap takes a whole number of cells, 0 or more, not \"" + cells +
                       "\".\n";
            }
            options.gaugeSnapCells = *snap;
        } else if (folderGiven || (!arguments[i].empty() && arguments[i][0] == '-')) {
            return std::string(usage);
        } else {
            folder = arguments[i];
            folderGiven = true;
        }
    }
    if (given.count("--gauge-snap") > 0 && !options.gaugeFile) {
        return std::string("--gauge-snap places the gauges of --gauges FILE: give both.\n");
    }
    return std::nullopt;
}

drainPrep::Failure runDrainPrepReport(const std::vector<std::string>& arguments) {
    if (drainPrep::asksForHelp(arguments)) {
        std::cout << usage;
        return std::nullopt;
    }
    drainPrep::report::ReportOptions options;
    std::string folder = ".";
    if (auto refusal = parseArguments(arguments, options, folder)) return refusal;
    std::cout << "drainPrepReport: the run in " << folder << std::endl;
    if (auto failure = drainPrep::report::writeReport(folder, std::cout, options)) return failure;
    const std::filesystem::path page = drainPrep::report::reportPagePath(folder);
    std::cout << "  Report: " << page.string() << std::endl;
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    return drainPrep::runCatchingFailures(std::cout, [argc, argv] {
        const std::vector<std::string> arguments(argv + 1, argv + argc);
        return drainPrep::exitStatus(std::cout, runDrainPrepReport(arguments));
    });
}
