#include "area/areaCommand.hpp"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <iterator>
#include <map>
#include <new>
#include <ostream>
#include <set>

#include "area/areaChoice.hpp"
#include "area/areaGauges.hpp"
#include "area/basin.hpp"
#include "area/flowGrid.hpp"
#include "area/runBasin.hpp"
#include "area/sourceBlocks.hpp"
#include "geometry/clipAreaFile.hpp"
#include "output/runFileNames.hpp"
#include "raster/sourceRasters.hpp"
#include "text/decimalNumber.hpp"
#include "text/decimalText.hpp"
#include "text/numberText.hpp"
#include "text/shellWord.hpp"
#include "text/wholeNumber.hpp"

namespace drainPrep {

namespace {

const char* const usageText =
    "Usage: drainPrepArea LAT LON | --gauges FILE [--snap CELLS] [--input DIR | --dem PATH --dir "
    "PATH] [--outlets coast|d8] [--write] [--force]";
const char* const helpText =
    "Finds the smallest study area that holds the whole basin of the river at the\n"
    "point LAT LON (decimal degrees, north and east positive), or the catchments of\n"
    "all the gauges of FILE, in the source rasters, and prints it as clipArea.dat\n"
    "takes it, with the basin a drainPrep run of it gives the point.\n"
    "--snap CELLS: the point moves to the cell of largest upstream area within\n"
    "  CELLS rows and columns (default: as far as 3 cells of 30\", 30 of 3\").\n"
    "--input DIR: the folder of the fixed pair (default ./input); --dem PATH --dir\n"
    "  PATH: any pair that GDAL reads.\n"
    "--outlets coast|d8: the outlet rule of the drainPrep run to come.\n"
    "--write: writes ./clipArea.dat; --force overwrites one, or writes an area that\n"
    "  leaves gauges out.\n"
    "Exit status: 0 usable, 2 the outlet rule cuts a river, 3 gauges left out, 1\n"
    "otherwise.\n";
constexpr double bytesPerMegabyte = 1024.0 * 1024.0;

// The cells of an area whose direction value is no D8 code.
struct ValuesWithoutD8Code {
    std::int64_t cells = 0;
    std::int32_t mostFrequent = 0;  // the least of equals
};

// What the search keeps once the source's flow data is released.
struct BasinFound {
    Basin basin;
    AreaChoice choice;
    ValuesWithoutD8Code withoutD8Code;
    RunBasin inRun;
    bool riverCut = false;  // the point's or a gauge's
    bool gaugesLeftOut = false;
};

// The ids a line names before it says how many more there are.
constexpr std::size_t idsNamed = 10;

// ---------------------------------------------------------------------------
// Arguments

Failure parseSnapRadius(const std::string& text, AreaRequest& request) {
    const std::optional<std::int32_t> radius = parseWholeNumber(text);
    if (!radius || *radius < 0) {
        return "--snap takes a whole number of cells, 0 or more, not \"" + text + "\".";
    }
    request.snapRadius = *radius;
    request.snapGiven = true;
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
               option != outletOption && !isSourceOption(option)) {
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
    } else if (option == outletOption) {
        return takeOutletOption(arguments[i], request.outlets);
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

std::string pointText(double lat, double lon, const CellLattice& lattice) {
    return latitudeText(lat, lattice) + " " + longitudeText(lon, lattice);
}

std::string cellText(SourceCell cell) {
    return "source row " + std::to_string(cell.row) + ", column " + std::to_string(cell.col);
}

double northEdgeOfRow(const SourceFrame& frame, std::int32_t row) {
    return northEdgeDeg(frame) - row / static_cast<double>(frame.lattice.perDegree);
}

double westEdgeOfCol(const SourceFrame& frame, std::int32_t col) {
    return westEdgeDeg(frame) + col / static_cast<double>(frame.lattice.perDegree);
}

std::string centreText(const SourceFrame& frame, SourceCell cell) {
    return pointText((northEdgeOfRow(frame, cell.row) + northEdgeOfRow(frame, cell.row + 1)) / 2.0,
                     (westEdgeOfCol(frame, cell.col) + westEdgeOfCol(frame, cell.col + 1)) / 2.0,
                     frame.lattice);
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

void printPoint(std::ostream& console, const AreaRequest& request, const SourceFrame& frame,
                SourceCell point, std::int32_t upstreamCells) {
    console << "Point " << pointText(request.lat, request.lon, frame.lattice) << ": "
            << cellText(point) << ", " << upstreamText(upstreamCells) << ".\n";
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

// Whole km² at 30", as always; the same share of a smaller cell, so that a
// small basin of 3" cells is not "0 km2".
std::string basinKm2Text(double km2, const CellLattice& lattice) {
    const int decimals = finerKm2Decimals(lattice);
    return decimals == 0 ? std::to_string(std::llround(km2)) : fixed(km2, decimals);
}

// what: "Basin" for a point's, "Catchments" for those of the gauges together.
void printBasin(std::ostream& console, const SourceFrame& frame, const Basin& basin,
                const char* what) {
    const CellExtent& extent = basin.extent;
    console << what << ": " << cellsText(basin.cells) << ", "
            << basinKm2Text(basin.squareKilometres, frame.lattice) << " km2, from "
            << latitudeText(northEdgeOfRow(frame, extent.firstRow), frame.lattice) << " to "
            << latitudeText(northEdgeOfRow(frame, extent.lastRow + 1), frame.lattice)
            << " and from " << longitudeText(westEdgeOfCol(frame, extent.firstCol), frame.lattice)
            << " to " << longitudeText(westEdgeOfCol(frame, extent.lastCol + 1), frame.lattice)
            << ".\n";
}

OutletRule ruleOf(const AreaRequest& request) {
    return request.outlets.value_or(OutletRule::coast);
}

// The drainPrep command that keeps the river whole.
std::string wholeRiverCommand(const AreaRequest& request) {
    std::string command = "drainPrep";
    if (request.sources) {
        command += " --dem " + shellWord(request.sources->dem) + " --dir " +
                   shellWord(request.sources->directions);
    }
    return command + " --outlets d8";
}

// where: "point" or "gauge"; holds: what the run gives it instead.
std::string cutRiverText(const SourceFrame& frame, const AreaRequest& request,
                         const RunBasin& inRun, const char* where, const std::string& holds) {
    return "CUT RIVER: --outlets " + std::string(outletRuleName(ruleOf(request))) +
           " makes an outlet at " + centreText(frame, *inRun.cut) + " (" + cellText(*inRun.cut) +
           "), a river cell beside sea or no data, " +
           (inRun.cutBelowPoint ? "before the " + std::string(where) +
                                      "'s water reaches the end of its flow directions"
                                : "upstream of the " + std::string(where)) +
           ": " + holds + ". " + wholeRiverCommand(request) + " keeps the river whole.";
}

void printRunBasin(std::ostream& console, const SourceFrame& frame, const AreaRequest& request,
                   const BasinFound& found) {
    const RunBasin& inRun = found.inRun;
    console << "A drainPrep run of it with --outlets " << outletRuleName(ruleOf(request))
            << " gives the point, row " << inRun.pointInArea.row << ", column "
            << inRun.pointInArea.col << " of the study area, "
            << (inRun.cells > 0 ? "a basin of " + cellsText(inRun.cells)
                                : std::string("no basin: an outlet that no cell drains into, "
                                              "which the run removes (flowAcc.bin -1)"))
            << ".\n";
    if (!inRun.cut) return;
    console << cutRiverText(
                   frame, request, inRun, "point",
                   "the run's basin at the point holds " +
                       (inRun.cells > 0 ? std::to_string(inRun.cells) : std::string("none")) +
                       " of the " + cellsText(found.basin.cells) + " of its flow directions")
            << "\n";
}

// The gauges whose catchments the area leaves out.
void printLeftOut(std::ostream& console, const std::vector<Gauge>& gauges,
                  const std::vector<std::size_t>& leftOut, std::int32_t snapRadius) {
    std::string ids;
    for (std::size_t i = 0; i < std::min(leftOut.size(), idsNamed); ++i) {
        ids += (i == 0 ? "" : ", ") + gauges[leftOut[i]].id;
    }
    if (leftOut.size() > idsNamed)
        ids += " and " + std::to_string(leftOut.size() - idsNamed) + " more";
    console << "Left out: "
            << (leftOut.size() == 1 ? "1 gauge" : std::to_string(leftOut.size()) + " gauges")
            << " (" << ids << ") outside the source grid or without a basin cell within "
            << cellsText(snapRadius)
            << ": the area holds the catchments of the others. --write --force writes it all the "
               "same.\n";
}

// Each gauge's line, with the cut where a run of the area cuts its river.
void printGauges(std::ostream& console, const AreaRequest& request,
                 const std::optional<AreaRun>& run, const SourceFrame& frame,
                 const AreaGauges& placed, BasinFound& found) {
    std::vector<GaugeOnNetwork> inRun;
    if (run) inRun = gaugesInRun(*run, found.choice.area, frame, request.gauges, placed.onSource);
    std::vector<std::size_t> leftOut;
    for (std::size_t i = 0; i < request.gauges.size(); ++i) {
        const GaugeOnNetwork& onSource = placed.onSource.gauges[i];
        console << gaugeLine(request.gauges, i, onSource, request.snapRadius);
        if (isLeftOut(onSource)) leftOut.push_back(i);
        const RunBasin basin =
            isLeftOut(onSource) || !run ? RunBasin{} : run->basinOf(onSource.snapped);
        if (basin.cut) {
            found.riverCut = true;
            console << " "
                    << cutRiverText(frame, request, basin, "gauge",
                                    "a drainPrep run of the area gives the gauge " +
                                        catchmentText(inRun[i]));
        }
        console << "\n";
    }
    found.gaugesLeftOut = !leftOut.empty();
    if (found.gaugesLeftOut) printLeftOut(console, request.gauges, leftOut, request.snapRadius);
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

// The source grid of a request: the fixed pair in its folder, or the pair
// given, opened and checked.
struct AreaSource {
    SourceFrame frame;
    std::optional<GdalSourcePair> given;
};

// A file beside `path` named after it: "dir.tif" and "_nodata.tif" give "dir_nodata.tif".
std::string besideText(const std::string& path, const std::string& ending) {
    const std::filesystem::path file(path);
    return (file.parent_path() / (file.stem().string() + ending)).string();
}

// The HydroSHEDS grids of 8 bits mark no data so, often undeclared.
bool usualNoDataOfD8Grids(std::int32_t value) { return value == 247 || value == 255; }

void printValuesWithoutD8Code(std::ostream& console, const ValuesWithoutD8Code& values,
                              const AreaSource& source) {
    console << "Cells of the area whose direction value is not a D8 code, on which drainPrep "
               "stops: "
            << values.cells << " (most often " << values.mostFrequent << ").\n";
    if (!source.given || !usualNoDataOfD8Grids(values.mostFrequent)) return;
    const std::string& directions = source.given->directions.path;
    console << values.mostFrequent
            << " is the usual no-data value of 8-bit D8 grids. Where it marks no data, declare "
               "it once and give the new file with --dir:\n  gdal_translate -a_nodata "
            << values.mostFrequent << " " << shellWord(directions) << " "
            << shellWord(besideText(
                   directions, "_nodata" + std::filesystem::path(directions).extension().string()))
            << "\n";
}

// gdalbuildvrt's -te: the box's edges, or on the centre lattice the edges
// of the cells centred on them, so that the padding keeps the lattice.
std::string degreesText(const DegreeBox& box, const CellLattice& lattice) {
    const double half = originShiftCells(lattice) / lattice.perDegree;
    return roundTripText(box.west - half) + " " + roundTripText(box.south - half) + " " +
           roundTripText(box.east + half) + " " + roundTripText(box.north + half);
}

// Only a larger source gives an area that holds the basin.
void printLargerSource(std::ostream& console, const BasinFound& found, const AreaSource& source) {
    if (const char* edge = globeEdgeCrossed(found.basin.extent, source.frame)) {
        console << "The basin and its rings reach across " << edge
                << ", where the globe's coordinates end: a study area cannot reach across it, so "
                   "no source holds this basin whole.\n";
        return;
    }
    const DegreeBox box = paddedSourceExtent(found.basin.extent, source.frame);
    const std::string extent = latitudeText(box.north) + " to " + latitudeText(box.south) + ", " +
                               longitudeText(box.west) + " to " + longitudeText(box.east);
    const std::string padding = degreesText(box, source.frame.lattice);
    if (!source.given) {
        console << "The source must be larger: the default sources cover 60 N to 10 S and 55 E "
                   "to 180 E. A pair that covers "
                << extent
                << " is read with --dem PATH --dir PATH, for example a mosaic of tiles:\n"
                   "  gdalbuildvrt -te "
                << padding << " dem.vrt tiles/*_dem_30s.tif\n";
        return;
    }
    const std::string& dem = source.given->dem.path;
    const std::string& directions = source.given->directions.path;
    console << "The source must be larger: padded with no data to " << extent
            << ", it gives an area that holds the basin. Pad both and give the new files with "
               "--dem and --dir (gdalwarp -te does the same into GeoTIFFs):\n  gdalbuildvrt -te "
            << padding << " " << shellWord(besideText(dem, "_padded.vrt")) << " " << shellWord(dem)
            << "\n  gdalbuildvrt -te " << padding << " "
            << shellWord(besideText(directions, "_padded.vrt")) << " " << shellWord(directions)
            << "\n";
}

void printArea(std::ostream& console, const BasinFound& found, const RunMemory& memory,
               const AreaSource& source) {
    const StudyArea& area = found.choice.area;
    if (!found.choice.holdsBasin) {
        console << "The basin reaches the edge of the source grid: no study area holds it whole "
                   "inside the frame and outlet rings. The best there is:\n";
    }
    if (area.cellCount() == 0) {
        console << "No study area with its corner on whole degrees inside the source grid reaches "
                   "the basin.\n";
    } else {
        console << "Study area: " << area.nrows << " rows x " << area.ncols
                << " columns, north-west corner " << latitudeText(area.latNW) << " "
                << longitudeText(area.lonNW) << " (" << cellsText(area.cellCount()) << ").\n";
        console << "A drainPrep run of it needs " << megabytesText(memory.bytes) << " of memory"
                << placeOfRecordsText(memory.place) << "\n";
    }
    if (!found.choice.holdsBasin) printLargerSource(console, found, source);
    if (found.withoutD8Code.cells > 0)
        printValuesWithoutD8Code(console, found.withoutD8Code, source);
}

// ---------------------------------------------------------------------------
// Search

// Where the blocks of the request's source are read from.
WindowReader readerOf(const AreaSource& source, SourceRasterFiles& files) {
    if (source.given) {
        const GdalSourcePair& pair = *source.given;
        return [&pair](const CellWindow& window, std::vector<std::int32_t>& dem,
                       std::vector<std::int32_t>& directions) {
            return readGdalBlock(pair, window, dem, directions);
        };
    }
    return [&files](const CellWindow& window, std::vector<std::int32_t>& dem,
                    std::vector<std::int32_t>& directions) {
        return readSourceBlock(files, window, dem, directions);
    };
}

ValuesWithoutD8Code valuesWithoutD8Code(const FlowGrid& sourceInArea) {
    std::map<std::int32_t, std::int64_t> cellsOfValue;
    for (SourceCell cell; cell.row < sourceInArea.nrows(); ++cell.row) {
        for (cell.col = 0; cell.col < sourceInArea.ncols(); ++cell.col) {
            if (const auto value = sourceInArea.valueWithoutD8Code(cell)) ++cellsOfValue[*value];
        }
    }
    ValuesWithoutD8Code values;
    std::int64_t mostCells = 0;
    for (const auto& [value, cells] : cellsOfValue) {
        values.cells += cells;
        if (cells > mostCells) {
            mostCells = cells;
            values.mostFrequent = value;
        }
    }
    return values;
}

Failure findCatchments(const AreaRequest& request, SourceBlocks& grid, const SourceFrame& frame,
                       std::ostream& console, BasinFound& found) {
    AreaGauges placed;
    if (auto failure = placeAreaGauges(grid, frame, request.gauges, request.snapRadius, placed)) {
        for (std::size_t i = 0; i < request.gauges.size(); ++i) {
            console << gaugeLine(request.gauges, i, placed.onSource.gauges[i], request.snapRadius)
                    << "\n";
        }
        return failure;
    }
    found.basin = placed.catchments;
    found.choice = smallestAreaHolding(found.basin.extent, frame);
    std::optional<AreaRun> run;
    if (found.choice.area.cellCount() > 0) {
        run.emplace(grid, found.choice.area, frame, ruleOf(request));
        found.withoutD8Code = valuesWithoutD8Code(run->sourceInArea());
    }
    printGauges(console, request, run, frame, placed, found);
    return std::nullopt;
}

// Only the blocks that the point's basin, its snapping and its area reach
// are read.
Failure findBasin(const AreaRequest& request, const AreaSource& source,
                  std::optional<SourceCell> point, std::ostream& console, BasinFound& found) {
    const SourceFrame& frame = source.frame;
    SourceRasterFiles files;
    if (!source.given) {
        if (auto failure = openSourceRasters(request.inputFolder, files)) return failure;
    }
    SourceBlocks grid(frame.rows, frame.cols, ruleOf(request), readerOf(source, files));
    if (request.gaugeFile) return findCatchments(request, grid, frame, console, found);
    grid.countUpstreamOf({*point});
    printPoint(console, request, frame, *point, grid.upstreamCells(*point));
    const std::optional<SourceCell> river = snapToRiver(grid, *point, request.snapRadius);
    if (!river) return noRiverText(request.snapRadius);
    if (request.snapRadius > 0) {
        printSnap(console, frame, *point, *river, request, grid.upstreamCells(*river));
    }
    found.basin = traceBasin(grid, *river, frame);
    found.choice = smallestAreaHolding(extentWithMouth(grid, found.basin, *river), frame);
    if (found.choice.area.cellCount() == 0) return std::nullopt;
    const AreaRun run(grid, found.choice.area, frame, ruleOf(request));
    found.withoutD8Code = valuesWithoutD8Code(run.sourceInArea());
    found.inRun = run.basinOf(*river);
    found.riverCut = found.inRun.cut.has_value();
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
        const std::string point =
            "The point " + pointText(request.lat, request.lon, source.frame.lattice);
        if (!source.given) {
            return point + " lies outside the default sources, which cover " +
                   extentText(source.frame) +
                   ": --dem PATH --dir PATH reads any other pair of rasters.";
        }
        return point + " lies outside the source grid of " + source.given->dem.path + " (" +
               extentText(source.frame) + ").";
    }
    std::error_code unknown;
    if (request.write && !request.force && std::filesystem::exists(clipAreaPath, unknown)) {
        return std::string("clipArea.dat exists already: --force overwrites it.");
    }
    return std::nullopt;
}

// The folders a drainPrep run writes into, so that the run prepared does not
// stop on them.
Failure createRunFolders(std::ostream& console) {
    const std::filesystem::path folder = pathFromWorkingFolder<asciiGridFolder>.text;
    std::error_code failure;
    if (std::filesystem::is_directory(folder, failure)) return std::nullopt;
    std::filesystem::create_directories(folder, failure);
    if (failure) return folder.string() + " cannot be created: " + failure.message() + ".";
    console << "Created " << folder.string() << " for the run." << std::endl;
    return std::nullopt;
}

// The search holds the source's flow data, which may not fit, and reads its
// blocks deep inside a trace, whose failures it throws.
Failure searchBasin(const AreaRequest& request, const AreaSource& source,
                    std::optional<SourceCell> point, std::ostream& console, BasinFound& found) {
    try {
        return findBasin(request, source, point, console, found);
    } catch (const std::bad_alloc&) {
        return std::string("Not enough memory for the flow data of the source grid.");
    } catch (const SourceReadFailure& failure) {
        return std::string(failure.what());
    }
}

AreaVerdict usableVerdict(const BasinFound& found) {
    // Gauges left out outrank the cut river.
    if (found.gaugesLeftOut) return AreaVerdict::gaugesLeftOut;
    return found.riverCut ? AreaVerdict::riverCut : AreaVerdict::usable;
}

// Once the request is known to be usable.
Failure reportArea(const AreaRequest& request, AreaSource& source, std::ostream& console,
                   AreaVerdict& verdict) {
    const std::optional<SourceCell> point = sourceCellAt(request.lat, request.lon, source.frame);
    BasinFound found;
    if (auto failure = searchBasin(request, source, point, console, found)) return failure;
    printBasin(console, source.frame, found.basin, request.gaugeFile ? "Catchments" : "Basin");
    const RunMemory memory =
        memoryOfRun(found.choice.area, source.given ? blockCacheBytes(*source.given) : 0);
    printArea(console, found, memory, source);
    const StudyArea& area = found.choice.area;
    verdict = AreaVerdict::unusable;
    if (area.cellCount() == 0) {
        if (request.write) console << "clipArea.dat not written." << std::endl;
        return std::nullopt;
    }
    if (!request.gaugeFile) printRunBasin(console, source.frame, request, found);
    console << "clipArea.dat: " << area.nrows << " " << area.ncols << " " << area.latNW << " "
            << area.lonNW << std::endl;
    const bool usable = found.choice.holdsBasin && memory.place != RecordPlace::nowhere &&
                        found.withoutD8Code.cells == 0;
    if (usable) verdict = usableVerdict(found);
    if (!request.write) return std::nullopt;
    if (!usable || (found.gaugesLeftOut && !request.force)) {
        console << "clipArea.dat not written." << std::endl;
        return std::nullopt;
    }
    if (auto failure = writeStudyArea(clipAreaPath, found.choice.area)) return failure;
    console << "Written to " << clipAreaPath << "." << std::endl;
    return createRunFolders(console);
}

}  // namespace

Failure parseAreaRequest(const std::vector<std::string>& arguments, AreaRequest& request) {
    std::vector<std::string> numbers;
    std::set<std::string> given;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i].rfind("--", 0) != 0) {
            numbers.push_back(arguments[i]);
            continue;
        }
        // The last of two values would win unseen.
        if (!given.insert(arguments[i]).second && arguments[i] != "--write" &&
            arguments[i] != "--force") {
            return arguments[i] + " is given twice.";
        }
        if (auto failure = parseOption(arguments, i, request)) return failure;
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

int exitStatus(AreaVerdict verdict) {
    switch (verdict) {
        case AreaVerdict::usable:
            return 0;
        case AreaVerdict::riverCut:
            return 2;
        case AreaVerdict::gaugesLeftOut:
            return 3;
        case AreaVerdict::unusable:
            break;
    }
    return 1;
}

Failure runDrainPrepArea(const std::vector<std::string>& arguments, std::ostream& console,
                         AreaVerdict& verdict) {
    verdict = AreaVerdict::usable;
    if (asksForHelp(arguments)) {
        console << usageText << "\n" << helpText;
        return std::nullopt;
    }
    AreaRequest request;
    AreaSource source;
    Failure failure = parseAreaRequest(arguments, request);
    if (!failure) failure = openSource(request, source);
    if (!request.snapGiven) request.snapRadius = defaultSnapCells(source.frame.lattice);
    if (!failure) failure = checkRequest(request, source);
    if (failure) return failure;
    return reportArea(request, source, console, verdict);
}

}  // namespace drainPrep
