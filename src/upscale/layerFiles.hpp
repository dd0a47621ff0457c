// The files of the model grid: for each layer a binary grid (.bin, int32 or
// float32, with its ENVI .hdr) and an ESRI ASCII grid (.asc, with its .prj);
// model.nc with every layer and ldd.map, through the GDAL module.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "geometry/studyArea.hpp"
#include "output/asciiGrid.hpp"
#include "raster/gdalGridCalls.hpp"
#include "text/failure.hpp"
#include "upscale/modelLayers.hpp"

namespace drainPrep::upscale {

struct LayerView {
    const char* name;  // of the files and of the variable in model.nc
    const char* longName;
    const char* units;
    const std::vector<std::int32_t>* ints;  // one of the two is null
    const std::vector<float>* reals;
    // flowDir's binary grid keeps the run's internal codes; its ASCII grid
    // and variable take the D8 codes of the run's flowDir.asc.
    const std::vector<std::int32_t>* binaryInts;
};

// The D8 codes of flowDir.asc: powers of two, 0 where the river ends,
// -9999 without flow data.
std::vector<std::int32_t> d8Codes(const std::vector<std::int32_t>& internalCodes);

// PCRaster's keypad codes: 8 N, 9 NE, 6 E, ... 5 where the river ends, 255
// without flow data.
std::vector<std::uint8_t> lddCodes(const std::vector<std::int32_t>& internalCodes);

std::vector<LayerView> layerViews(const ModelLayers& layers,
                                  const std::vector<std::int32_t>& flowDirD8);

// The model grid's corner and cell size: it starts at the study area's first
// cell (on the centre lattice half a cell north and west of the whole
// degree), with cells of factor/n degree on a lattice of n cells a degree;
// its south edge may lie south of the study area's.
GridPlace placeOf(const StudyArea& area, const ModelGrid& grid);

// The header of an ESRI ASCII grid of the model grid, with the shortest
// decimals that give the exact doubles back.
AsciiGridHeader asciiHeaderOf(const StudyArea& area, const ModelGrid& grid);

Failure writeLayerFiles(const std::filesystem::path& folder, const GridPlace& place,
                        const AsciiGridHeader& asciiHeader, const std::vector<LayerView>& views);

// model.nc and ldd.map.
Failure writeModelFormats(const std::filesystem::path& folder, const GridPlace& place,
                          const std::vector<LayerView>& views,
                          const std::vector<std::int32_t>& flowDir, const std::string& title);

}  // namespace drainPrep::upscale
