// Streaming the two continental source rasters and keeping the study area.
//
// Both rasters are headerless 8400 x 15000 grids of signed 16-bit
// little-endian samples, row-major from the north-west corner. Every run reads
// both files whole, from the first byte to the last.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

#include "geometry/studyArea.hpp"
#include "raster/intGrid.hpp"

namespace drainPrep {

struct SourceRaster {
    const char* path;
    const char* name;  // as the failure messages call it
};

inline constexpr SourceRaster demRaster{"./input/as_dem_30s_clipped_55--10-180-60.bin",
                                        "Hydroshed DEM"};
inline constexpr SourceRaster directionRaster{"./input/as_dir_30s_clipped_55--10-180-60.bin",
                                              "Hydroshed Flow direction file"};

constexpr std::int64_t sourceRasterBytes = std::int64_t{sourceRows} * sourceCols * 2;

inline std::int32_t sampleFromBytes(unsigned char low, unsigned char high) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(low | (high << 8)));
}

// Allocates both grids, opens and checks both rasters, prints the stage line
// and reads the study-area window into the grids, with a progress text every
// hundredth source row. The area must lie inside the source grid.
// Returns the failure text of the first thing that went wrong.
std::optional<std::string> readSourceRasters(const StudyArea& area, std::ostream& console,
                                             IntGrid& dem, IntGrid& directions);

}  // namespace drainPrep
