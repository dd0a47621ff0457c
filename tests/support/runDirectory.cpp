#include "support/runDirectory.hpp"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace drainPrep::testing {

namespace {

constexpr std::int64_t sourceColsOfRaster = 15000;
constexpr std::int64_t rasterBytes = 8400 * sourceColsOfRaster * 2;

std::filesystem::path uniqueScratchPath() {
    std::string pattern = (std::filesystem::temp_directory_path() / "drainPrepRun.XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no scratch directory");
    return pattern;
}

}  // namespace

RunDirectory::RunDirectory() : root_(uniqueScratchPath()) {
    std::filesystem::create_directories(root_ / "input");
    std::filesystem::create_directories(root_ / "output" / "arcgis");
}

RunDirectory::~RunDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

std::filesystem::path RunDirectory::rasterPath(Raster raster) const {
    return root_ / "input" /
           (raster == Raster::dem ? "as_dem_30s_clipped_55--10-180-60.bin"
                                  : "as_dir_30s_clipped_55--10-180-60.bin");
}

void RunDirectory::writeFile(const std::string& relativePath, const std::string& content) const {
    std::ofstream(root_ / relativePath, std::ios::binary) << content;
}

std::string RunDirectory::readFile(const std::string& relativePath) const {
    std::ifstream file(root_ / relativePath, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

bool RunDirectory::exists(const std::string& relativePath) const {
    return std::filesystem::exists(root_ / relativePath);
}

void RunDirectory::createSourceRasters() const {
    for (Raster raster : {Raster::dem, Raster::directions}) {
        std::ofstream(rasterPath(raster), std::ios::binary).close();
        std::filesystem::resize_file(rasterPath(raster), rasterBytes);
    }
}

void RunDirectory::writeSamples(Raster raster, std::int32_t row, std::int32_t col,
                                const SampleRows& samples) const {
    std::fstream file(rasterPath(raster), std::ios::binary | std::ios::in | std::ios::out);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        std::string bytes;
        for (std::int16_t value : samples[i]) {
            const auto bits = static_cast<std::uint16_t>(value);
            bytes += static_cast<char>(bits & 0xFF);
            bytes += static_cast<char>(bits >> 8);
        }
        const std::int64_t sourceRow = row + static_cast<std::int64_t>(i);
        file.seekp((sourceRow * sourceColsOfRaster + col) * 2);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
}

void RunDirectory::writeSample(Raster raster, std::int32_t row, std::int32_t col,
                               std::int16_t value) const {
    writeSamples(raster, row, col, {{value}});
}

RunResult RunDirectory::run(const std::string& keyboard, const std::string& shellPrefix) const {
    return runCommand(shellPrefix + "'" + DRAINPREP_EXECUTABLE + "'", keyboard);
}

RunResult RunDirectory::runArea(const std::string& arguments,
                                const std::string& shellPrefix) const {
    return runCommand(shellPrefix + "'" DRAINPREP_AREA_EXECUTABLE "' " + arguments, "");
}

RunResult RunDirectory::runCommand(const std::string& command, const std::string& keyboard) const {
    writeFile(".keyboard", keyboard);
    const std::string shellLine =
        "cd '" + root_.string() + "' && " + command + " < .keyboard > .console";
    const int status = std::system(shellLine.c_str());
    RunResult result{readFile(".console"), WIFEXITED(status) ? WEXITSTATUS(status) : -1};
    std::filesystem::remove(root_ / ".keyboard");
    std::filesystem::remove(root_ / ".console");
    return result;
}

std::vector<std::int32_t> int32Elements(const std::string& bytes) {
    std::vector<std::int32_t> values(bytes.size() / 4);
    for (std::size_t i = 0; i < values.size(); ++i) {
        std::uint32_t bits = 0;
        for (int b = 3; b >= 0; --b) {
            bits = (bits << 8) |
                   static_cast<unsigned char>(bytes[4 * i + static_cast<std::size_t>(b)]);
        }
        values[i] = static_cast<std::int32_t>(bits);
    }
    return values;
}

std::string readingText() {
    std::string text = "2) Reading topography data.\n";
    for (int row = 0; row < 8400; row += 100) {
        text += "  reading " + std::to_string(row) + "/8400th row data.\r";
    }
    return text;
}

}  // namespace drainPrep::testing
