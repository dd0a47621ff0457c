// The report is written into a fresh folder beside its final place and moved
// there only when complete, so a failed report leaves nothing half-written
// and an older report stays until the new one replaces it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace drainPrep::report {

class StagingFolder {
public:
    StagingFolder() = default;
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;
    // Removes the folder unless it has been put in place.
    ~StagingFolder();

    // A new empty folder inside parent.
    std::optional<std::string> create(const std::filesystem::path& parent);
    const std::filesystem::path& path() const { return path_; }

    // Moves the folder to finalPath, replacing what is there.
    std::optional<std::string> putInPlace(const std::filesystem::path& finalPath);

private:
    std::filesystem::path path_;
};

}  // namespace drainPrep::report
