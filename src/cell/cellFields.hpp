// Copies of the cell fields that the products show, in compact grids of
// their own, each value copied once it is final. The products are written
// from these without reading a record again: over gigabytes of records, or
// records in a scratch file, that pass would cost more than all the files.
#pragma once

#include <cstddef>
#include <cstdint>

#include "cell/cellObject.hpp"
#include "raster/intGrid.hpp"

namespace drainPrep {

struct CellFields {
    CellFields() = default;
    CellFields(std::int32_t nrows, std::int32_t ncols)
        : elev(nrows, ncols),
          distance(nrows, ncols),
          dir(nrows, ncols),
          basinSize(nrows, ncols),
          riverNum(nrows, ncols) {}

    // All five fields of the cell at `index`, row-major from the north-west.
    void copyAll(const cellObject& cell, std::size_t index) {
        elev.begin()[index] = cell.elev;
        dir.begin()[index] = cell.dir;
        copyNetworkValues(cell, index);
    }
    // The three that the derivation of a basin changes.
    void copyNetworkValues(const cellObject& cell, std::size_t index) {
        distance.begin()[index] = cell.distance;
        basinSize.begin()[index] = cell.basinSize;
        riverNum.begin()[index] = cell.riverNum;
    }

    Grid<double> elev;
    IntGrid distance;
    IntGrid dir;  // the internal code
    IntGrid basinSize;
    IntGrid riverNum;
};

}  // namespace drainPrep
