#include "output/clipPreviews.hpp"

#include <filesystem>

#include "output/asciiGrid.hpp"
#include "output/runFileNames.hpp"

namespace drainPrep {

namespace {

constexpr OutputTarget cutDem{pathFromWorkingFolder<cutDemAsc>.text,
                              "cutdem.asc file cannot open \n"};
constexpr OutputTarget cutDir{pathFromWorkingFolder<cutDirAsc>.text,
                              "cutDir.asc file cannot open \n"};
constexpr const char* previewPaths[] = {cutDem.path, cutDir.path};

// An earlier run's preview waits beside its place, under a hidden name.
std::filesystem::path setAsidePath(const char* preview) {
    const std::filesystem::path path = preview;
    return path.parent_path() / ("." + path.filename().string() + ".earlier");
}

Failure writePreview(const OutputTarget& target, const AsciiGridHeader& header, const IntGrid& grid,
                     std::ostream& console) {
    return writeAsciiGrid(target, header, AsciiLayout::preview, console,
                          [&grid](std::int32_t row, std::int32_t col) { return grid[row][col]; });
}

}  // namespace

Failure writeClipPreviews(const StudyArea& area, const IntGrid& dem, const IntGrid& directions,
                          std::ostream& console) {
    const AsciiGridHeader header = headerFor(area, -9999.0);
    if (auto failure = writePreview(cutDem, header, dem, console)) return failure;
    return writePreview(cutDir, header, directions, console);
}

EarlierPreviews::EarlierPreviews() {
    for (int i = 0; i < 2; ++i) {
        std::error_code failed;
        if (!std::filesystem::is_regular_file(
                std::filesystem::symlink_status(previewPaths[i], failed))) {
            continue;
        }
        std::filesystem::rename(previewPaths[i], setAsidePath(previewPaths[i]), failed);
        setAside_[i] = !failed;
    }
}

EarlierPreviews::~EarlierPreviews() {
    if (dropped_) return;
    for (int i = 0; i < 2; ++i) {
        std::error_code failed;
        if (setAside_[i]) {
            std::filesystem::rename(setAsidePath(previewPaths[i]), previewPaths[i], failed);
        }
    }
}

void EarlierPreviews::drop() {
    dropped_ = true;
    for (int i = 0; i < 2; ++i) {
        std::error_code failed;
        if (setAside_[i]) std::filesystem::remove(setAsidePath(previewPaths[i]), failed);
    }
}

}  // namespace drainPrep
