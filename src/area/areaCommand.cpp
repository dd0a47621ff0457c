#include "area/areaCommand.hpp"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <iterator>
#include <new>
#include <ostream>

#include "area/areaChoice.hpp"
#include "area/basin.hpp"
#include "area/flowGrid.hpp"
#include "driver/clipAreaFile.hpp"
#include "raster/sourceRasters.hpp"
#include "text/decimalNumber.hpp"

namespace drainPrep {

namespace {

using Failure = std::optional<std::string>;

const char* const usageText =
    "Usage: drainPrepArea LAT LON [--snap CELLS] [--input DIR] [--write] [--force]";
constexpr double bytesPerMegabyte = 1024.0 * 1024.0;
// Seven digits keep a tenth of a cell at 180 degrees.
constexpr int degreeDigits = 7;

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
    } else if (option != "--snap" && option != "--input") {
        return "Unknown option " + option + ". " + usageText;
    } else if (++i == arguments.size()) {
        return option + " needs a value. " + usageText;
    } else if (option == "--input") {
        request.inputFolder = arguments[i];
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

std::string degreesText(double value, const char* positive, const char* negative) {
    char digits[32];
    char* const end = std::to_chars(std::begin(digits), std::end(digits), std::fabs(value),
                                    std::chars_format::general, degreeDigits)
                          .ptr;
    return std::string(std::begin(digits), end) + (value < 0 ? negative : positive);
}

std::string pointText(double lat, double lon) {
    return degreesText(lat, " N", " S") + " " + degreesText(lon, " E", " W");
}

std::string cellText(SourceCell cell) {
    return "source row " + std::to_string(cell.row) + ", column " + std::to_string(cell.col);
}

double northEdgeOfRow(std::int32_t row) {
    return sourceNorthEdge - row / static_cast<double>(cellsPerDegree);
}

double westEdgeOfCol(std::int32_t col) {
    return sourceWestEdge + col / static_cast<double>(cellsPerDegree);
}

std::string centreText(SourceCell cell) {
    return pointText((northEdgeOfRow(cell.row) + northEdgeOfRow(cell.row + 1)) / 2.0,
                     (westEdgeOfCol(cell.col) + westEdgeOfCol(cell.col + 1)) / 2.0);
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

void printSnap(std::ostream& console, SourceCell point, SourceCell river,
               const AreaRequest& request, std::int32_t upstreamCells) {
    if (river == point) {
        console << "No cell within " << cellsText(request.snapRadius)
                << " has a larger upstream area: the point stays.\n";
        return;
    }
    console << "Snapped " << cellsText(cellsApart(point, river)) << " to " << cellText(river)
            << " (" << centreText(river) << "): " << upstreamText(upstreamCells) << ".\n";
}

void printBasin(std::ostream& console, const Basin& basin) {
    const CellExtent& extent = basin.extent;
    console << "Basin: " << cellsText(basin.cells) << ", " << std::llround(basin.squareKilometres)
            << " km2, from " << degreesText(northEdgeOfRow(extent.firstRow), " N", " S") << " to "
            << degreesText(northEdgeOfRow(extent.lastRow + 1), " N", " S") << " and from "
            << degreesText(westEdgeOfCol(extent.firstCol), " E", " W") << " to "
            << degreesText(westEdgeOfCol(extent.lastCol + 1), " E", " W") << ".\n";
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
            << " columns, north-west corner " << area.latNW << " N " << area.lonNW << " E ("
            << cellsText(area.cellCount()) << ").\n";
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

Failure readFlowGrid(const std::string& folder, FlowGrid& grid) {
    SourceRasterFiles files;
    if (auto failure = openSourceRasters(folder, files)) return failure;
    const auto keepRow = [&grid](std::int32_t row, const unsigned char* demRow,
                                 const unsigned char* directionRow) {
        grid.setRow(row, demRow, directionRow);
    };
    return streamSourceRows(files, keepRow, nullptr);
}

std::int64_t cellsWithoutD8Code(const FlowGrid& grid, const StudyArea& area) {
    const ClipOffsets offsets = clipOffsets(area);
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
Failure findBasin(const AreaRequest& request, SourceCell point, std::ostream& console,
                  BasinFound& found) {
    FlowGrid grid(sourceRows, sourceCols);
    if (auto failure = readFlowGrid(request.inputFolder, grid)) return failure;
    grid.countUpstream();
    printPoint(console, request, point, grid.upstreamCells(point));
    const std::optional<SourceCell> river = snapToRiver(grid, point, request.snapRadius);
    if (!river) return noRiverText(request.snapRadius);
    if (request.snapRadius > 0) {
        printSnap(console, point, *river, request, grid.upstreamCells(*river));
    }
    found.basin = traceBasin(grid, *river);
    found.choice = smallestAreaHolding(found.basin.extent);
    found.cellsWithoutD8Code = cellsWithoutD8Code(grid, found.choice.area);
    return std::nullopt;
}

Failure checkRequest(const AreaRequest& request) {
    if (!sourceCellAt(request.lat, request.lon)) {
        return "The point " + pointText(request.lat, request.lon) +
               " lies outside the source grid (60 N to 10 S, 55 E to 180 E).";
    }
    std::error_code unknown;
    if (request.write && !request.force && std::filesystem::exists(clipAreaPath, unknown)) {
        return std::string("clipArea.dat exists already: --force overwrites it.");
    }
    return std::nullopt;
}

// Returns the exit status once the request is known to be usable.
int reportArea(const AreaRequest& request, std::ostream& console) {
    const SourceCell point = *sourceCellAt(request.lat, request.lon);
    BasinFound found;
    try {
        if (auto failure = findBasin(request, point, console, found)) {
            console << *failure << std::endl;
            return 1;
        }
    } catch (const std::bad_alloc&) {
        console << "Not enough memory for the flow data of the source grid." << std::endl;
        return 1;
    }
    printBasin(console, found.basin);
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
    return parsePoint(numbers, request);
}

int runDrainPrepArea(const std::vector<std::string>& arguments, std::ostream& console) {
    AreaRequest request;
    Failure failure = parseAreaRequest(arguments, request);
    if (!failure) failure = checkRequest(request);
    if (failure) {
        console << *failure << std::endl;
        return 1;
    }
    return reportArea(request, console);
}

}  // namespace drainPrep
