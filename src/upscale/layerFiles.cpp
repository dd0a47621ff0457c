#include "upscale/layerFiles.hpp"

#include <algorithm>
#include <ostream>

#include "analysis/directionCodes.hpp"
#include "output/binaryGrid.hpp"
#include "raster/gdalSource.hpp"
#include "runFiles/gisSidecars.hpp"
#include "runFiles/textFile.hpp"
#include "text/numberText.hpp"

namespace drainPrep::upscale {

namespace {

constexpr std::uint8_t lddWithoutFlow = 255;
constexpr std::uint8_t lddRiverEnds = 5;

// The model grid's south edge, the double nearest the true one: counted in
// half cells of the run's lattice, where the edges of either lattice are whole.
double southEdgeOf(const StudyArea& area, const ModelGrid& grid) {
    const std::int64_t halfCellsPerDegree = 2 * std::int64_t{area.lattice.perDegree};
    const std::int64_t southLine = std::int64_t{area.latNW} * area.lattice.perDegree -
                                   std::int64_t{grid.rows()} * grid.factor();
    const std::int64_t south = northEdgeHalfCells(southLine, area.lattice);
    return static_cast<double>(south) / static_cast<double>(halfCellsPerDegree);
}

char* writeValue(char* out, std::int32_t value) { return writeNumber(out, value); }
char* writeValue(char* out, float value) { return writeRoundTripNumber(out, value); }

template <typename Value>
Failure writeGrids(const std::filesystem::path& folder, const GridPlace& place,
                   const AsciiGridHeader& asciiHeader, const LayerView& view,
                   const std::vector<Value>& text, const std::vector<Value>& binary) {
    std::ostream quiet(nullptr);  // the companion tells of the folder, not of each file
    const auto at = [&place](std::int32_t row, std::int32_t col) {
        return static_cast<std::size_t>(row) * static_cast<std::size_t>(place.cols) +
               static_cast<std::size_t>(col);
    };
    const std::string binaryPath = (folder / (std::string(view.name) + ".bin")).string();
    const std::string binaryFailure = binaryPath + " cannot be written.";
    if (auto failure = writeBinaryGrid(
            OutputTarget{binaryPath.c_str(), binaryFailure.c_str()}, Announcement::writingDone,
            place.rows, place.cols, quiet,
            [&binary, &at](std::int32_t row, std::int32_t col) { return binary[at(row, col)]; })) {
        return failure;
    }
    const std::string asciiPath = (folder / (std::string(view.name) + ".asc")).string();
    const std::string asciiFailure = asciiPath + " cannot be written.";
    return writeOutputFile(OutputTarget{asciiPath.c_str(), asciiFailure.c_str()}, "w",
                           Announcement::writingDone, quiet, [&](OutputFile& file) {
                               writeAsciiHeader(file, asciiHeader, AsciiLayout::preview);
                               for (std::int32_t row = 0; row < place.rows; ++row) {
                                   writeColumns(file, place.cols, 1 + maxNumberChars,
                                                [&](char* out, std::int32_t col) {
                                                    *out = ' ';
                                                    return writeValue(out + 1, text[at(row, col)]);
                                                });
                                   file.write("\n");
                               }
                           });
}

Failure writeSidecars(const std::filesystem::path& folder, const GridPlace& place,
                      const LayerView& view) {
    const std::filesystem::path grid = folder / view.name;
    if (auto failure = writeTextFile(sidecarPath(grid.string() + ".asc", ".prj"),
                                     std::string(wgs84Prj) + "\n")) {
        return failure;
    }
    const std::string binaryName = std::string(view.name) + ".bin";
    const std::string bandName = std::string(view.longName) + " in " + view.units;
    const BinaryGridFile file{binaryName.c_str(), 4, bandName.c_str(), view.reals != nullptr};
    return writeTextFile(sidecarPath(grid.string() + ".bin", ".hdr"), enviHeader(file, place));
}

}  // namespace

std::vector<std::int32_t> d8Codes(const std::vector<std::int32_t>& internalCodes) {
    std::vector<std::int32_t> codes(internalCodes.size());
    for (std::size_t i = 0; i < codes.size(); ++i) {
        codes[i] = encodeDirection(std::max(internalCodes[i], noFlowCode));
    }
    return codes;
}

std::vector<std::uint8_t> lddCodes(const std::vector<std::int32_t>& internalCodes) {
    std::vector<std::uint8_t> codes(internalCodes.size(), lddWithoutFlow);
    for (std::size_t i = 0; i < codes.size(); ++i) {
        const std::int32_t code = internalCodes[i];
        if (code == outletCode) codes[i] = lddRiverEnds;
        if (code <= outletCode) continue;
        const Direction& step = flowDirections[code - 1];
        codes[i] = static_cast<std::uint8_t>(lddRiverEnds - 3 * step.rowOffset + step.colOffset);
    }
    return codes;
}

std::vector<LayerView> layerViews(const ModelLayers& layers,
                                  const std::vector<std::int32_t>& flowDirD8) {
    const auto ints = [](const char* name, const char* longName, const char* units,
                         const std::vector<std::int32_t>& values) {
        return LayerView{name, longName, units, &values, nullptr, &values};
    };
    const auto reals = [](const char* name, const char* longName, const char* units,
                          const std::vector<float>& values) {
        return LayerView{name, longName, units, nullptr, &values, nullptr};
    };
    return {
        {"flowDir", "flow direction (D8: 1 E 2 SE 4 S 8 SW 16 W 32 NW 64 N 128 NE; 0 river ends)",
         "1", &flowDirD8, nullptr, &layers.flowDir},
        ints("outletRow", "row of the outlet cell in the study area (0-based)", "1",
             layers.outletRow),
        ints("outletCol", "column of the outlet cell in the study area (0-based)", "1",
             layers.outletCol),
        reals("upArea", "upstream area of the outlet cell", "km2", layers.upArea),
        ints("flowAcc", "model cells upstream (itself included)", "1", layers.flowAcc),
        reals("riverLength", "river length to the next model cell's outlet", "km",
              layers.riverLength),
        reals("riverSlope", "river slope over the river length", "m m-1", layers.riverSlope),
        reals("landFraction", "share of the cells with flow data", "1", layers.landFraction),
        ints("streamOrder", "Strahler stream order on the model grid", "1", layers.streamOrder),
        ints("basin", "basin number", "1", layers.basin),
    };
}

GridPlace placeOf(const StudyArea& area, const ModelGrid& grid) {
    GridPlace place = placeOfStudyArea(area);
    place.rows = grid.rows();
    place.cols = grid.cols();
    place.cellDeg = grid.factor() / static_cast<double>(area.lattice.perDegree);
    return place;
}

AsciiGridHeader asciiHeaderOf(const StudyArea& area, const ModelGrid& grid) {
    const GridPlace place = placeOf(area, grid);
    return {place.cols,    place.rows, place.westDeg, southEdgeOf(area, grid),
            place.cellDeg, noValue,    true};
}

Failure writeLayerFiles(const std::filesystem::path& folder, const GridPlace& place,
                        const AsciiGridHeader& asciiHeader, const std::vector<LayerView>& views) {
    for (const LayerView& view : views) {
        Failure failure =
            view.ints != nullptr
                ? writeGrids(folder, place, asciiHeader, view, *view.ints, *view.binaryInts)
                : writeGrids(folder, place, asciiHeader, view, *view.reals, *view.reals);
        if (!failure) failure = writeSidecars(folder, place, view);
        if (failure) return failure;
    }
    return std::nullopt;
}

Failure writeModelFormats(const std::filesystem::path& folder, const GridPlace& place,
                          const std::vector<LayerView>& views,
                          const std::vector<std::int32_t>& flowDir, const std::string& title) {
    const GdalGridCalls* calls = nullptr;
    if (auto failure = loadGridCalls(calls)) {
        return "model.nc and ldd.map cannot be written: " + *failure;
    }
    std::vector<GdalGridLayer> layers;
    for (const LayerView& view : views) {
        layers.push_back({view.name, view.longName, view.units,
                          view.ints != nullptr ? view.ints->data() : nullptr,
                          view.reals != nullptr ? view.reals->data() : nullptr, noValue});
    }
    const std::string netCdf = (folder / "model.nc").string();
    if (auto cause = calls->writeNetCdf(netCdf.c_str(), &place, layers.data(),
                                        static_cast<std::int32_t>(layers.size()), title.c_str())) {
        return "model.nc cannot be written: " + *cause + ".";
    }
    const std::string ldd = (folder / "ldd.map").string();
    const std::vector<std::uint8_t> codes = lddCodes(flowDir);
    if (auto cause = calls->writeLdd(ldd.c_str(), &place, codes.data())) {
        return "ldd.map cannot be written: " + *cause + ".";
    }
    return std::nullopt;
}

}  // namespace drainPrep::upscale
