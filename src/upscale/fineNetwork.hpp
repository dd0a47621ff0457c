// The run's own network as the upscaling reads it: the direction code of
// every cell (flowDir.bin) and the exact upstream area of every cell, from the
// tool's own cell areas.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cell/flowNetwork.hpp"
#include "cell/outletRule.hpp"
#include "geometry/studyArea.hpp"
#include "raster/intGrid.hpp"
#include "text/failure.hpp"

namespace drainPrep::upscale {

// What becomes of a loop of down links, whose cells drainPrep leaves in no
// basin.
enum class Loops {
    ended,  // each cell on it becomes the end of its path, so that every path ends
    kept    // as the run has it: for model cells of one cell, each its own outlet
};

class FineNetwork {
public:
    // Takes the internal codes of flowDir.bin.
    FineNetwork(const StudyArea& area, IntGrid codes, Loops loops = Loops::ended);

    const StudyArea& area() const { return area_; }
    std::int32_t nrows() const { return area_.nrows; }
    std::int32_t ncols() const { return area_.ncols; }
    std::size_t cellCount() const { return codes_.cellCount(); }

    std::int32_t code(std::size_t cell) const { return codes_.begin()[cell]; }
    bool hasFlow(std::size_t cell) const { return code(cell) >= outletCode; }
    bool drains(std::size_t cell) const { return links_.drains(cell); }
    std::size_t downOf(std::size_t cell) const { return links_.downOf(cell); }
    double upstreamKm2(std::size_t cell) const { return upstreamKm2_[cell]; }
    bool onFrameRing(std::int32_t row, std::int32_t col) const {
        return row == 0 || col == 0 || row == nrows() - 1 || col == ncols() - 1;
    }

    // Calls visit(cell) for every cell that drains into `cell`.
    template <typename Visit>
    void forEachInflow(std::size_t cell, Visit visit) const {
        drainPrep::forEachInflow(links_, links_.cellAt(cell),
                                 [&](SourceCell inflow) { visit(links_.indexOf(inflow)); });
    }

private:
    void addAreas(Loops loops);

    StudyArea area_;
    IntGrid codes_;
    DownLinks<std::int32_t> links_;
    std::vector<double> upstreamKm2_;
};

// Reads output/flowDir.bin of the run in folder, once the run's files have
// passed checkRunFiles, through every check a companion makes of a run's
// grids: the same damage is refused with the same message as by the report.
Failure readFlowDirections(const std::filesystem::path& folder, const StudyArea& area,
                           IntGrid& codes);

}  // namespace drainPrep::upscale
