#include "runFiles/stagingFolder.hpp"

#include <sys/stat.h>

#include <cstdlib>

namespace drainPrep {

namespace {

std::optional<std::filesystem::path> uniqueFolder(const std::filesystem::path& parent,
                                                  const char* prefix) {
    std::string pattern = (parent / prefix).string() + "XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) return std::nullopt;
    // mkdtemp keeps the folder to its owner; what is written there is for
    // everyone who may read the run, as a folder made by mkdir would be.
    const mode_t mask = umask(0);
    umask(mask);
    std::error_code ignored;
    std::filesystem::permissions(pattern, static_cast<std::filesystem::perms>(0777 & ~mask),
                                 ignored);
    return std::filesystem::path(pattern);
}

}  // namespace

StagingFolder::~StagingFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

Failure StagingFolder::create(const std::filesystem::path& finalPath) {
    const std::filesystem::path parent = finalPath.parent_path();
    const std::string prefix = "." + finalPath.filename().string() + "-";
    const std::optional<std::filesystem::path> made = uniqueFolder(parent, prefix.c_str());
    if (!made)
        return finalPath.string() + " cannot be written: " + "no new folder can be made in " +
               parent.string() + ".";
    path_ = *made;
    return std::nullopt;
}

Failure StagingFolder::putInPlace(const std::filesystem::path& finalPath) {
    std::error_code failed;
    // An older folder is first moved aside, into an empty folder that a
    // rename may replace, and removed once the new one is in place.
    std::optional<std::filesystem::path> older;
    if (std::filesystem::exists(finalPath, failed)) {
        const std::string prefix = "." + finalPath.filename().string() + "-old-";
        older = uniqueFolder(finalPath.parent_path(), prefix.c_str());
        if (older) std::filesystem::rename(finalPath, *older, failed);
        if (!older || failed) {
            if (older) std::filesystem::remove(*older, failed);
            return finalPath.string() + " cannot be replaced: move it away and try again.";
        }
    }
    std::filesystem::rename(path_, finalPath, failed);
    if (failed) {
        if (older) std::filesystem::rename(*older, finalPath, failed);
        return finalPath.string() + " cannot be written.";
    }
    path_.clear();
    if (older) std::filesystem::remove_all(*older, failed);
    return std::nullopt;
}

}  // namespace drainPrep
