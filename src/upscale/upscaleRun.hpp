// drainPrepUpscale's whole job: read a finished run, upscale its network to
// model cells of factor x factor cells and write output/model-N/. Every step
// hands its failure text back here; nothing is written unless all succeeds.
#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>

#include "geometry/studyArea.hpp"
#include "text/failure.hpp"

namespace drainPrep::upscale {

// The factor that the text of --factor gives, a whole number that divides
// the lattice's cells per degree, so that model cells tile whole degrees from
// the study area's corner (1 to 120 for 30" cells, 1 to 1200 for 3" cells);
// else the refusal that lists the factors the run takes.
Failure readFactor(const std::string& text, const CellLattice& lattice, std::int32_t& factor);

// "factor 10 (5 arc-minutes)": the model cell's side on the run's lattice.
std::string factorText(std::int32_t factor, const CellLattice& lattice);

// The cells of the run in folder: those of its source record, the fixed
// pair's where it has none.
Failure readRunLattice(const std::filesystem::path& folder, CellLattice& lattice);

// FOLDER/output/model-N, where the model grid of factor N goes.
std::filesystem::path modelFolder(const std::filesystem::path& folder, std::int32_t factor);

Failure upscaleRun(const std::filesystem::path& folder, std::int32_t factor, std::ostream& console);

}  // namespace drainPrep::upscale
