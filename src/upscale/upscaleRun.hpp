// drainPrepUpscale's whole job: read a finished run, upscale its network to
// model cells of factor x factor cells and write output/model-N/. Every step
// hands its failure text back here; nothing is written unless all succeeds.
#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>

namespace drainPrep::upscale {

// Whole numbers that divide 120, so that model cells lie on the lattice of
// whole minutes and degrees.
bool factorDividesDegree(std::int32_t factor);

// "factor 10 (5 arc-minutes)".
std::string factorText(std::int32_t factor);

std::optional<std::string> upscaleRun(const std::filesystem::path& folder, std::int32_t factor,
                                      std::ostream& console);

}  // namespace drainPrep::upscale
