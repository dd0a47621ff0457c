// Streaming the two continental source rasters and keeping the study area.
//
// Both rasters are headerless 8400 x 15000 grids of signed 16-bit
// little-endian samples, row-major from the north-west corner. Every run reads
// both files whole, from the first byte to the last; drainPrepArea reads
// only the windows its basin reaches.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "geometry/sourceFrame.hpp"
#include "geometry/studyArea.hpp"
#include "raster/intGrid.hpp"
#include "text/failure.hpp"

namespace drainPrep {

struct SourceRaster {
    const char* fileName;
    const char* name;  // as the failure messages call it
};

inline constexpr SourceRaster demRaster{"as_dem_30s_clipped_55--10-180-60.bin", "Hydroshed DEM"};
inline constexpr SourceRaster directionRaster{"as_dir_30s_clipped_55--10-180-60.bin",
                                              "Hydroshed Flow direction file"};
inline const char* const sourceRasterFolder = "./input";

constexpr std::int64_t sourceRasterBytes = std::int64_t{sourceRows} * sourceCols * 2;
constexpr std::size_t sourceRowBytes = std::size_t{sourceCols} * 2;

inline std::int32_t sampleFromBytes(unsigned char low, unsigned char high) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(low | (high << 8)));
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using OpenFile = std::unique_ptr<std::FILE, FileCloser>;

struct SourceRasterFiles {
    OpenFile dem;
    OpenFile directions;
};

// Opens the DEM, then the direction raster, from `folder`, each checked to be
// a regular file of the full size. Returns the failure text of the first that
// is not; the direction raster is then not tried.
Failure openSourceRasters(const std::string& folder, SourceRasterFiles& files);

// "  reading ROW/ROWSth row data.\r": a text that the next one overwrites.
void printSourceProgress(std::ostream& console, std::int32_t row, std::int32_t sourceRowCount);

// The samples of one source row of both rasters, two bytes each.
using SourceRowVisit = std::function<void(std::int32_t row, const unsigned char* demRow,
                                          const unsigned char* directionRow)>;

// Reads both opened rasters in step from the first row to the last and hands
// every row to `visit`. With a console, writes the progress text before every
// hundredth row is read. Returns the failure text of a read that fails.
Failure streamSourceRows(SourceRasterFiles& files, const SourceRowVisit& visit,
                         std::ostream* progressConsole);

// One window of both opened rasters as samples, row after row. Returns the
// failure text of a read that fails.
Failure readSourceBlock(SourceRasterFiles& files, const CellWindow& window,
                        std::vector<std::int32_t>& dem, std::vector<std::int32_t>& directions);

// Allocates both grids, opens and checks both rasters, prints the stage line
// and reads the study-area window into the grids, with a progress text every
// hundredth source row. The area must lie inside the source grid.
// Returns the failure text of the first thing that went wrong.
Failure readSourceRasters(const StudyArea& area, std::ostream& console, IntGrid& dem,
                          IntGrid& directions);

}  // namespace drainPrep
