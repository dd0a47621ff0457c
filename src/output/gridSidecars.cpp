#include "output/gridSidecars.hpp"

#include <system_error>

namespace drainPrep {

std::filesystem::path sidecarPath(const std::filesystem::path& gridPath, const char* extension) {
    std::filesystem::path path = gridPath;
    return path.replace_extension(extension);
}

Failure removeSidecars(const char* gridPath) {
    const std::filesystem::path grid = gridPath;
    const std::filesystem::path sidecars[] = {sidecarPath(grid, ".hdr"), sidecarPath(grid, ".prj"),
                                              grid.string() + ".aux.xml"};
    for (const std::filesystem::path& sidecar : sidecars) {
        std::error_code error;
        // A folder that is not there holds no sidecar: the grid's own open reports it.
        if (!std::filesystem::exists(std::filesystem::symlink_status(sidecar, error))) continue;
        if (!std::filesystem::remove(sidecar, error) || error) {
            return "  Removing " + sidecar.string() + " failed: it describes the " + gridPath +
                   " of an earlier run.";
        }
    }
    return std::nullopt;
}

}  // namespace drainPrep
