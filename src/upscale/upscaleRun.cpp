#include "upscale/upscaleRun.hpp"

#include <cstdio>
#include <ostream>

#include "runFiles/runFiles.hpp"
#include "runFiles/stagingFolder.hpp"
#include "text/numberText.hpp"
#include "upscale/layerFiles.hpp"

namespace drainPrep::upscale {

namespace {

using Failure = std::optional<std::string>;

std::string percentText(double share) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f %%", share * 100.0);
    return text;
}

Failure readNetwork(const std::filesystem::path& folder, std::ostream& console, StudyArea& area,
                    IntGrid& codes) {
    AsciiHeader header;
    std::optional<SourceRecord> sources;
    if (auto failure = checkRunFiles(folder, area, header, sources)) return failure;
    console << "  Reading the run's " << area.nrows << " x " << area.ncols << " cells." << std::endl;
    return readFlowDirections(folder, area, codes);
}

}  // namespace

bool factorDividesDegree(std::int32_t factor) {
    return factor >= 1 && factor <= cellsPerDegree && cellsPerDegree % factor == 0;
}

std::string factorText(std::int32_t factor) {
    const std::int32_t arcSeconds = factor * arcSecondsPerCell;
    const double minutes = arcSeconds / 60.0;
    const std::string size = arcSeconds < 60            ? std::to_string(arcSeconds) + " arc-seconds"
                             : arcSeconds == arcSecondsPerDegree ? std::string("1 degree")
                             : minutes == 1.0 ? std::string("1 arc-minute")
                                              : numberText(minutes) + " arc-minutes";
    return "factor " + std::to_string(factor) + " (" + size + ")";
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

    const std::filesystem::path finalPath =
        folder / "output" / ("model-" + std::to_string(factor));
    console << "  Writing the layers, model.nc and ldd.map." << std::endl;
    StagingFolder staging;
    if (auto failure = staging.create(finalPath)) return failure;
    const std::vector<std::int32_t> flowDirD8 = d8Codes(layers.flowDir);
    const std::vector<LayerView> views = layerViews(layers, flowDirD8);
    const GridPlace place = placeOf(area, grid);
    if (auto failure = writeLayerFiles(staging.path(), place, views)) return failure;
    const std::string title = "drainPrep model grid, " + factorText(factor);
    if (auto failure = writeModelFormats(staging.path(), place, views, layers.flowDir, title)) {
        return failure;
    }
    return staging.putInPlace(finalPath);
}

}  // namespace drainPrep::upscale
