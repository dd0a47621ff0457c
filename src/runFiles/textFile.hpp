// Small text files written beside a run, each complete or not there at all.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace drainPrep {

// Writes text through a temporary file beside path, renamed over path once
// it is complete and closed. Returns the failure text.
std::optional<std::string> writeTextFile(const std::filesystem::path& path,
                                         const std::string& text);

}  // namespace drainPrep
