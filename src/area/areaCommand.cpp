#include "area/areaCommand.hpp"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <iterator>
#include <new>
#include <ostream>

#include "area/areaChoice.hpp"
#include "area/areaGauges.hpp"
#include "area/basin.hpp"
#include "area/flowGrid.hpp"
#include "driver/clipAreaFile.hpp"
#include "raster/sourceRasters.hpp"
#include "text/decimalNumber.hpp"

namespace drainPrep {

namespace {

using Failure = std::optional<std::string>;

const char* const usageText =
    "Usage: drainPrepArea LAT LON | --gauges FILE [--snap CELLS] [--input DIR | --dem PATH --dir "
    "PATH] [--write] [--force]";
constexpr double bytesPerMegabyte = 1024.0 * 1024.0;

// What the search keeps once the continent's flow data is released.
struct BasinFound {
    Basin basin;
    AreaChoice choice;
    std::int64_t cellsWithoutD8Code = 0;
};

// ---------------------------------------------------------------------------
// Arguments

Failure parseSnapRadius(const std::string& text, AreaRequest& request) {
    const std::optional<std::int32_t> radius = parseWholeNumber(text);
    if (!radius || *radius < 0) {
        return "--snap takes a whole number of cells, 0 or more, not \"" + text + "\".";
    }
    request.snapRadius = *radius;
    return std::nullopt;
}

Failure parseOption(const std::vector<std::string>& arguments, std::size_t& i,
                    AreaRequest& request) {
    const std::string& option = arguments[i];
    if (option == "--write") {
        request.write = true;
    } else if (option == "--force") {
        request.force = true;
    } else if (option != "--snap" && option != "--input" && option != "--gauges" &&
               !isSourceOption(option)) {
        return "Unknown option " + option + ". " + usageText;
    } else if (++i == arguments.size()) {
        return option + " needs a value. " + usageText;
    } else if (option == "--input") {
        request.inputFolder = arguments[i];
        request.inputGiven = true;
    } else if (option == "--gauges") {
        request.gaugeFile = arguments[i];
    } else if (isSourceOption(option)) {
        return takeSourceOption(option, arguments[i], request.sourceOptions);
    } else {
        return parseSnapRadius(arguments[i], request);
    }
    return std::nullopt;
}

Failure parsePoint(const std::vector<std::string>& numbers, AreaRequest& request) {
    if (numbers.size() != 2) return std::string(usageText);
    const std::optional<double> lat = parseDecimal(numbers[0]);
    if (!lat) return "The latitude \"" + numbers[0] + "\" is not a number.";
    const std::optional<double> lon = parseDecimal(numbers[1]);
    if (!lon) return "The longitude \"" + numbers[1] + "\" is not a number.";
    request.lat = *lat;
    request.lon = *lon;
    return std::nullopt;
}

// ---------------------------------------------------------------------------
// Texts

std::string cellsText(std::int64_t count) {
    return std::to_string(count) + (count == 1 ? " cell" : " cells");
}

std::string pointText(double lat, double lon) {
    return latitudeText(lat) + " " + longitudeText(lon);
}

std::string cellText(SourceCell cell) {
    return "source row " + std::to_string(cell.row) + ", column " + std::to_string(cell.col);
}

double northEdgeOfRow(const SourceFrame& frame, std::int32_t row) {
    return northEdgeDeg(frame) - row / static_cast<double>(cellsPerDegree);
}

double westEdgeOfCol(const SourceFrame& frame, std::int32_t col) {
    return westEdgeDeg(frame) + col / static_cast<double>(cellsPerDegree);
}

std::string centreText(const SourceFrame& frame, SourceCell cell) {
    return pointText((northEdgeOfRow(frame, cell.row) + northEdgeOfRow(frame, cell.row + 1)) / 2.0,
                     (westEdgeOfCol(frame, cell.col) + westEdgeOfCol(frame, cell.col + 1)) / 2.0);
}

std::string upstreamText(std::int32_t upstreamCells) {
    if (upstreamCells == 0) return "no flow data (sea, no data or a loop of directions)";
    return "upstream area " + cellsText(upstreamCells);
}

std::string noRiverText(std::int32_t snapRadius) {
    if (snapRadius == 0) return "The point lies on sea, no data or a loop of flow directions.";
    return "The point lies on sea, no data or a loop of flow directions, and so does every cell "
           "within " +
           cellsText(snapRadius) + " of it.";
}

std::string megabytesText(std::uint64_t bytes) {
    return std::to_string(static_cast<std::uint64_t>(
               std::ceil(static_cast<double>(bytes) / bytesPerMegabyte))) +
           " MB";
}

// ---------------------------------------------------------------------------
// Report

void printPoint(std::ostream& console, const AreaRequest& request, SourceCell point,
                std::int32_t upstreamCells) {
    console << "Point " << pointText(request.lat, request.lon) << ": " << cellText(point) << ", "
            << upstreamText(upstreamCells) << ".\n";
}

void printSnap(std::ostream& console, const SourceFrame& frame, SourceCell point, SourceCell river,
               const AreaRequest& request, std::int32_t upstreamCells) {
    if (river == point) {
        console << "No cell within " << cellsText(request.snapRadius)
                << " has a larger upstream area: the point stays.\n";
        return;
    }
    console << "Snapped " << cellsText(cellsApart(point, river)) << " to " << cellText(river)
            << " (" << centreText(frame, river) << "): " << upstreamText(upstreamCells) << ".\n";
}

// what: "Basin" for a point's, "Catchments" for those of the gauges together.
void printBasin(std::ostream& console, const SourceFrame& frame, const Basin& basin,
                const char* what) {
    const CellExtent& extent = basin.extent;
    console << what << ": " << cellsText(basin.cells) << ", " << std::llround(basin.squareKilometres)
            << " km2, from " << latitudeText(northEdgeOfRow(frame, extent.firstRow)) << " to "
            << latitudeText(northEdgeOfRow(frame, extent.lastRow + 1)) << " and from "
            << longitudeText(westEdgeOfCol(frame, extent.firstCol)) << " to "
            << longitudeText(westEdgeOfCol(frame, extent.lastCol + 1)) << ".\n";
    if (basin.cellsBesideNoFlow > 0) {
        console << "Basin cells beside sea or no data, which drainPrep may make outlets of their "
                   "own inside the area: "
                << basin.cellsBesideNoFlow << ".\n";
    }
}

const char* placeOfRecordsText(RecordPlace place) {
    switch (place) {
        case RecordPlace::memory:
            return ".";
        case RecordPlace::scratchFile:
            return ", more than this machine has available: the run will keep its cell records "
                   "in a scratch file under ./output.";
        case RecordPlace::nowhere:
            break;
    }
    return ", more than this machine's memory and the disk under ./output can hold.";
}

void printArea(std::ostream& console, const BasinFound& found, const RunMemory& memory) {
    const StudyArea& area = found.choice.area;
    if (!found.choice.holdsBasin) {
        console << "The basin reaches the edge of the source grid: no study area holds it whole "
                   "inside the frame and outlet rings. The best there is:\n";
    }
    console << "Study area: " << area.nrows << " rows x " << area.ncols
            << " columns, north-west corner " << latitudeText(area.latNW) << " "
            << longitudeText(area.lonNW) << " (" << cellsText(area.cellCount()) << ").\n";
    console << "A drainPrep run of it needs " << megabytesText(memory.bytes) << " of memory"
            << placeOfRecordsText(memory.place) << "\n";
    if (found.cellsWithoutD8Code > 0) {
        console << "Cells of the area whose direction value is not a D8 code, on which drainPrep "
                   "stops: "
                << found.cellsWithoutD8Code << ".\n";
    }
    console << "clipArea.dat: " << area.nrows << " " << area.ncols << " " << area.latNW << " "
            << area.lonNW << std::endl;
}

// ---------------------------------------------------------------------------
// Search

// The source grid of a request: the fixed pair in its folder, or the pair
// given, opened and checked.
struct AreaSource {
    SourceFrame frame;
    std::optional<GdalSourcePair> given;
};

Failure readFlowGrid(const AreaRequest& request, AreaSource& source, FlowGrid& grid) {
    if (source.given) {
        const auto keepRow = [&grid](std::int32_t row, const std::int32_t* demRow,
                                     const std::int32_t* directionRow) {
            for (std::int32_t col = 0; col < grid.ncols(); ++col) {
                grid.setSamples({row, col}, demRow[col], directionRow[col]);
            }
        };
        return streamGdalRows(*source.given, keepRow);
    }
    SourceRasterFiles files;
    if (auto failure = openSourceRasters(request.inputFolder, files)) return failure;
    const auto keepRow = [&grid](std::int32_t row, const unsigned char* demRow,
                                 const unsigned char* directionRow) {
        grid.setRow(row, demRow, directionRow);
    };
    return streamSourceRows(files, keepRow, nullptr);
}

std::int64_t cellsWithoutD8Code(const FlowGrid& grid, const StudyArea& area,
                                const SourceFrame& frame) {
    const ClipOffsets offsets = offsetsInFrame(area, frame);
    std::int64_t count = 0;
    for (std::int32_t row = 0; row < area.nrows; ++row) {
        for (std::int32_t col = 0; col < area.ncols; ++col) {
            const SourceCell cell{row + static_cast<std::int32_t>(offsets.rowOffset),
                                  col + static_cast<std::int32_t>(offsets.colOffset)};
            if (!grid.hasD8Code(cell)) ++count;
        }
    }
    return count;
}

// The flow data of the whole source grid lives only here.
Failure findBasin(const AreaRequest& request, AreaSource& source, std::optional<SourceCell> point,
                  std::ostream& console, BasinFound& found) {
    const SourceFrame& frame = source.frame;
    FlowGrid grid(frame.rows, frame.cols);
    if (auto failure = readFlowGrid(request, source, grid)) return failure;
    grid.countUpstream();
    if (request.gaugeFile) {
        if (auto failure = placeAreaGauges(grid, frame, request.gauges, request.snapRadius,
                                           console, found.basin)) {
            return failure;
        }
        found.choice = smallestAreaHolding(found.basin.extent, frame);
        found.cellsWithoutD8Code = cellsWithoutD8Code(grid, found.choice.area, frame);
        return std::nullopt;
    }
    printPoint(console, request, *point, grid.upstreamCells(*point));
    const std::optional<SourceCell> river = snapToRiver(grid, *point, request.snapRadius);
    if (!river) return noRiverText(request.snapRadius);
    if (request.snapRadius > 0) {
        printSnap(console, frame, *point, *river, request, grid.upstreamCells(*river));
    }
    found.basin = traceBasin(grid, *river, frame);
    found.choice = smallestAreaHolding(found.basin.extent, frame);
    found.cellsWithoutD8Code = cellsWithoutD8Code(grid, found.choice.area, frame);
    return std::nullopt;
}

Failure openSource(const AreaRequest& request, AreaSource& source) {
    if (!request.sources) return std::nullopt;
    source.given.emplace();
    if (auto failure = openGdalSources(*request.sources, *source.given)) return failure;
    source.frame = source.given->frame();
    return std::nullopt;
}

Failure checkRequest(const AreaRequest& request, const AreaSource& source) {
    if (!request.gaugeFile && !sourceCellAt(request.lat, request.lon, source.frame)) {
        const std::string grid =
            source.given ? "the source grid of " + source.given->dem.path : "the source grid";
        return "The point " + pointText(request.lat, request.lon) + " lies outside " + grid + " (" +
               extentText(source.frame) + ").";
    }
    std::error_code unknown;
    if (request.write && !request.force && std::filesystem::exists(clipAreaPath, unknown)) {
        return std::string("clipArea.dat exists already: --force overwrites it.");
    }
    return std::nullopt;
}

// Returns the exit status once the request is known to be usable.
int reportArea(const AreaRequest& request, AreaSource& source, std::ostream& console) {
    const std::optional<SourceCell> point = sourceCellAt(request.lat, request.lon, source.frame);
    BasinFound found;
    try {
        if (auto failure = findBasin(request, source, point, console, found)) {
            console << *failure << std::endl;
            return 1;
        }
    } catch (const std::bad_alloc&) {
        console << "Not enough memory for the flow data of the source grid." << std::endl;
        return 1;
    }
    printBasin(console, source.frame, found.basin, request.gaugeFile ? "Catchments" : "Basin");
    const RunMemory memory = memoryOfRun(found.choice.area);
    printArea(console, found, memory);
    const bool usable = found.choice.holdsBasin && memory.place != RecordPlace::nowhere &&
                        found.cellsWithoutD8Code == 0;
    if (!request.write) return usable ? 0 : 1;
    if (!usable) {
        console << "clipArea.dat not written." << std::endl;
        return 1;
    }
    if (auto failure = writeStudyArea(clipAreaPath, found.choice.area)) {
        console << *failure << std::endl;
        return 1;
    }
    console << "Written to " << clipAreaPath << "." << std::endl;
    return 0;
}

}  // namespace

std::optional<std::string> parseAreaRequest(const std::vector<std::string>& arguments,
                                            AreaRequest& request) {
    std::vector<std::string> numbers;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i].rfind("--", 0) != 0) {
            numbers.push_back(arguments[i]);
        } else if (auto failure = parseOption(arguments, i, request)) {
            return failure;
        }
    }
    if (auto failure = completeSources(request.sourceOptions, request.sources)) return failure;
    if (request.sources && request.inputGiven) {
        return std::string("--input and --dem/--dir are alternatives: give one. ") + usageText;
    }
    if (request.gaugeFile) {
        if (!numbers.empty()) return std::string(usageText);
        return readGaugeFile(*request.gaugeFile, request.gauges);
    }
    return parsePoint(numbers, request);
}

int runDrainPrepArea(const std::vector<std::string>& arguments, std::ostream& console) {
    AreaRequest request;
    AreaSource source;
    Failure failure = parseAreaRequest(arguments, request);
    if (!failure) failure = openSource(request, source);
    if (!failure) failure = checkRequest(request, source);
    if (failure) {
        console << *failure << std::endl;
        return 1;
    }
    return reportArea(request, source, console);
}

}  // namespace drainPrep
