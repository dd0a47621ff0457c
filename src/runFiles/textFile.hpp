// Small text files written beside a run, each complete or not there at all.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "text/failure.hpp"

namespace drainPrep {

// Writes text through a temporary file beside path, renamed over path once
// it is complete and closed. Returns the failure text.
Failure writeTextFile(const std::filesystem::path& path, const std::string& text);

}  // namespace drainPrep
