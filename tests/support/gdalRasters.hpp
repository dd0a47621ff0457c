// Source rasters for --dem/--dir runs, written through GDAL's API: small
// GeoTIFFs with any georeference, a VRT description of a raw pair, GeoTIFF
// copies of a window of another raster and VRT mosaics of tiles.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace drainPrep::testing {

// A single-band raster; values row-major from the north-west cell.
struct TestRaster {
    std::int32_t rows = 1;
    std::int32_t cols = 1;
    // GDAL's geotransform: west edge, cell width, row rotation, north edge,
    // column rotation, cell height (negative for north up).
    std::vector<double> transform{0.0, 1.0 / 120, 0.0, 0.0, 0.0, -1.0 / 120};
    std::string coordinateSystem = "EPSG:4326";  // empty: none declared
    std::string type = "Int16";                  // a GDAL data type name
    std::optional<double> noData;
    double scale = 1.0;
    double offset = 0.0;
    std::vector<double> values;  // rows x cols, or empty for all zero
    std::vector<std::uint8_t> mask;  // an internal mask, 0 for no data; empty for none
    std::string format = "GTiff";    // a GDAL driver that creates files: GTiff, EHdr
};

// A north-up 30" raster whose north-west corner lies `northCells` and
// `westCells` 30" cells from the equator and the prime meridian.
TestRaster latticeRaster(std::int32_t rows, std::int32_t cols, std::int64_t northCells,
                         std::int64_t westCells, const std::string& type = "Int16");

// In the raster's format (a GeoTIFF by default).
void writeGeoTiff(const std::string& path, const TestRaster& raster);

// A VRT that reads a headerless little-endian int16 file of rows x cols as a
// raster on the lattice with its north-west corner at the given cells.
void writeRawVrt(const std::string& path, const std::string& rawFile, std::int32_t rows,
                 std::int32_t cols, std::int64_t northCells, std::int64_t westCells);

// A tiled, compressed GeoTIFF of the window [row, row + rows) x [col, col + cols).
void writeTiledCopy(const std::string& source, const std::string& path, std::int32_t row,
                    std::int32_t col, std::int32_t rows, std::int32_t cols);

// A VRT mosaic of the tiles, as gdalbuildvrt makes it; with `extent` ("-te W
// S E N" in words), padded or cut to it.
void writeMosaic(const std::string& path, const std::vector<std::string>& tiles,
                 const std::vector<std::string>& extent = {});

// Band 1 of a raster, row-major from the north-west cell, as GDAL reads it.
std::vector<double> rasterValues(const std::string& path);

// GDAL's geotransform of a raster, as GDAL places it.
std::vector<double> geoTransformOf(const std::string& path);

struct VectorExtent {
    double west, south, east, north;
};

// Of the features of a vector file's first layer, as GDAL reads them.
VectorExtent vectorExtent(const std::string& path);

}  // namespace drainPrep::testing
