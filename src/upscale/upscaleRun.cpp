#include "upscale/upscaleRun.hpp"

#include <charconv>
#include <ostream>

#include "output/runFileNames.hpp"
#include "runFiles/runFiles.hpp"
#include "runFiles/stagingFolder.hpp"
#include "text/decimalText.hpp"
#include "upscale/layerFiles.hpp"

namespace drainPrep::upscale {

namespace {

bool factorDividesDegree(std::int32_t factor, const CellLattice& lattice) {
    return factor >= 1 && factor <= lattice.perDegree && lattice.perDegree % factor == 0;
}

// "1, 2, 3, 4, 5, 6, 8, 10, 12, 15, 20, 24, 30, 40, 60, 120" for 120.
std::string divisorsText(std::int32_t number) {
    std::string text;
    for (std::int32_t divisor = 1; divisor <= number; ++divisor) {
        if (number % divisor != 0) continue;
        text += (text.empty() ? "" : ", ") + std::to_string(divisor);
    }
    return text;
}

std::string percentText(double share) { return fixed(share * 100.0, 2) + " %"; }

Failure readNetwork(const std::filesystem::path& folder, std::ostream& console, StudyArea& area,
                    IntGrid& codes) {
    AsciiGridHeader header;
    std::optional<SourceRecord> sources;
    if (auto failure = checkRunFiles(folder, area, header, sources)) return failure;
    console << "  Reading the run's " << area.nrows << " x " << area.ncols << " cells." << std::endl;
    return readFlowDirections(folder, area, codes);
}

}  // namespace

std::filesystem::path modelFolder(const std::filesystem::path& folder, std::int32_t factor) {
    return folder / outputFolder / ("model-" + std::to_string(factor));
}

Failure readFactor(const std::string& text, const CellLattice& lattice, std::int32_t& factor) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, factor);
    if (error == std::errc() && stop == end && factorDividesDegree(factor, lattice)) {
        return std::nullopt;
    }
    // Runs of the fixed pair's cells keep the words they always had.
    const std::string whoseCells = lattice == thirtySecondLattice
                                       ? ""
                                       : ", the run's cells per degree of " + cellSizeText(lattice);
    return "--factor takes a whole number that divides " + std::to_string(lattice.perDegree) +
           whoseCells + " (" + divisorsText(lattice.perDegree) + "), not \"" + text + "\".\n";
}

std::string factorText(std::int32_t factor, const CellLattice& lattice) {
    const CellLattice modelCells{lattice.perDegree / factor, lattice.origin};
    return "factor " + std::to_string(factor) + " (" + cellSizeText(modelCells) + ")";
}

Failure readRunLattice(const std::filesystem::path& folder, CellLattice& lattice) {
    std::optional<SourceRecord> record;
    if (auto failure = readSourceRecord(folder, record)) return failure;
    lattice = record ? record->frame.lattice : thirtySecondLattice;
    return std::nullopt;
}

Failure upscaleRun(const std::filesystem::path& folder, std::int32_t factor,
                   std::ostream& console) {
    StudyArea area;
    IntGrid codes;
    if (auto failure = readNetwork(folder, console, area, codes)) return failure;
    // Model cells of one cell are the run's own: its loops stay loops.
    const FineNetwork fine(area, std::move(codes), factor == 1 ? Loops::kept : Loops::ended);
    const ModelGrid grid(area.nrows, area.ncols, factor);
    console << "  Choosing outlet cells and directions of " << grid.rows() << " x "
            << grid.cols() << " model cells." << std::endl;
    const ModelNetwork network = upscaleNetwork(fine, grid);
    const ConnectionCount count =
        countWrongConnections(fine, grid, network.outlets, network.directions);
    console << "  " << count.withFlow << " model cells with flow data; " << network.repairs
            << " connections repaired; " << count.wrong << " connections wrong ("
            << percentText(count.share()) << ")." << std::endl;
    const std::vector<RiverPath> paths = riverPaths(fine, grid, network.outlets);
    ModelLayers layers = modelLayers(fine, grid, network, paths);
    if (auto failure = addRiverSlopes(folder, fine, network, paths, layers)) return failure;

    const std::filesystem::path finalPath = modelFolder(folder, factor);
    console << "  Writing the layers, model.nc and ldd.map." << std::endl;
    StagingFolder staging;
    if (auto failure = staging.create(finalPath)) return failure;
    const std::vector<std::int32_t> flowDirD8 = d8Codes(layers.flowDir);
    const std::vector<LayerView> views = layerViews(layers, flowDirD8);
    const GridPlace place = placeOf(area, grid);
    if (auto failure = writeLayerFiles(staging.path(), place, asciiHeaderOf(area, grid), views)) {
        return failure;
    }
    const std::string title = "drainPrep model grid, " + factorText(factor, area.lattice);
    if (auto failure = writeModelFormats(staging.path(), place, views, layers.flowDir, title)) {
        return failure;
    }
    return staging.putInPlace(finalPath);
}

}  // namespace drainPrep::upscale
