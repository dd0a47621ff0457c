// A folder of results (the report, a model grid) is written into a fresh
// folder beside its final place and moved there only when complete, so a
// failure leaves nothing half-written and an older folder stays until the new
// one replaces it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "text/failure.hpp"

namespace drainPrep {

class StagingFolder {
public:
    StagingFolder() = default;
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;
    // Removes the folder unless it has been put in place.
    ~StagingFolder();

    // A new empty folder beside finalPath.
    Failure create(const std::filesystem::path& finalPath);
    const std::filesystem::path& path() const { return path_; }

    // Moves the folder to finalPath, replacing what is there.
    Failure putInPlace(const std::filesystem::path& finalPath);

private:
    std::filesystem::path path_;
};

}  // namespace drainPrep
