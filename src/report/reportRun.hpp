// drainPrepReport's whole job: read a finished run, write output/report/ and
// the GIS sidecars. Every step hands its failure text back here.
#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>

#include "report/reportFacts.hpp"
#include "text/failure.hpp"

namespace drainPrep::report {

struct ReportOptions {
    std::optional<std::int32_t> riverCells;  // --river-cells: the river network's threshold
    std::optional<std::filesystem::path> gaugeFile;  // --gauges
    std::optional<std::int32_t> gaugeSnapCells;  // --gauge-snap; else the run's cells' default
};

// What the report tells of the run in folder, read and checked; nothing is
// written. Progress goes to console.
Failure gatherFacts(const std::filesystem::path& folder, const ReportOptions& options,
                    std::ostream& console, ReportFacts& facts, MapGrids& maps,
                    RiverNetwork& network);

// FOLDER/output/report, where the report goes.
std::filesystem::path reportFolder(const std::filesystem::path& folder);

// The page of the report of the run in folder.
std::filesystem::path reportPagePath(const std::filesystem::path& folder);

// The report of the run in folder; progress goes to console.
Failure writeReport(const std::filesystem::path& folder, std::ostream& console,
                    const ReportOptions& options = {});

}  // namespace drainPrep::report
