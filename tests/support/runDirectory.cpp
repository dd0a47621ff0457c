#include "support/runDirectory.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

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

RunResult RunDirectory::runWithArguments(const std::string& arguments,
                                         const std::string& keyboard) const {
    return runCommand("'" DRAINPREP_EXECUTABLE "' " + arguments, keyboard);
}

RunResult RunDirectory::runReport(const std::string& arguments) const {
    return runCommand("'" DRAINPREP_REPORT_EXECUTABLE "' " + arguments, "");
}

RunResult RunDirectory::runUpscale(const std::string& arguments) const {
    return runCommand("'" DRAINPREP_UPSCALE_EXECUTABLE "' " + arguments, "");
}

RunResult RunDirectory::runDirections(const std::string& arguments) const {
    return runCommand("'" DRAINPREP_DIRECTIONS_EXECUTABLE "' " + arguments, "");
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

KeyboardRun RunDirectory::runAnsweringThePrompt(const std::string& prompt) const {
    int keyboard[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, keyboard) != 0) throw std::runtime_error("no keyboard");
    const std::string rootText = root_.string();
    const std::string consolePath = (root_ / ".console").string();
    const pid_t tool = fork();
    if (tool < 0) throw std::runtime_error("no process for the tool");
    if (tool == 0) {
        const int console = open(consolePath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (dup2(keyboard[1], STDIN_FILENO) >= 0 && dup2(console, STDOUT_FILENO) >= 0 &&
            chdir(rootText.c_str()) == 0) {
            execl(DRAINPREP_EXECUTABLE, DRAINPREP_EXECUTABLE, static_cast<char*>(nullptr));
        }
        _exit(127);
    }
    close(keyboard[1]);
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    auto promptShown = [&] {
        const std::string console = readFile(".console");
        return console.size() >= prompt.size() &&
               console.compare(console.size() - prompt.size(), prompt.size(), prompt) == 0;
    };
    int status = 0;
    bool ended = false;
    while (!promptShown() && std::chrono::steady_clock::now() < giveUp) {
        ended = waitpid(tool, &status, WNOHANG) == tool;
        if (ended) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    KeyboardRun run{readFile(".console"), {}};
    if (!ended) {
        send(keyboard[0], "\n", 1, MSG_NOSIGNAL);
        waitpid(tool, &status, 0);
    }
    close(keyboard[0]);
    run.result = {readFile(".console"), WIFEXITED(status) ? WEXITSTATUS(status) : -1};
    std::filesystem::remove(root_ / ".console");
    return run;
}

StalledRun RunDirectory::startStalledScratchFileRun() const {
    int console[2];
    if (pipe(console) != 0) throw std::runtime_error("no pipe for the console");
    const std::string rootText = root_.string();
    const pid_t tool = fork();
    if (tool < 0) throw std::runtime_error("no process for the tool");
    if (tool == 0) {
        const int keyboard = open("/dev/null", O_RDONLY);
        if (dup2(keyboard, STDIN_FILENO) >= 0 && dup2(console[1], STDOUT_FILENO) >= 0 &&
            chdir(rootText.c_str()) == 0 && setenv("DRAINPREP_RECORDS", "scratchFile", 1) == 0) {
            execl(DRAINPREP_EXECUTABLE, DRAINPREP_EXECUTABLE, static_cast<char*>(nullptr));
        }
        _exit(127);
    }
    close(console[1]);
    return {tool, console[0]};
}

void kill(StalledRun& run) {
    ::kill(run.pid, SIGKILL);
    waitpid(run.pid, nullptr, 0);
    close(run.console);
}

std::vector<std::string> deletedFilesMapped(int pid) {
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    std::vector<std::string> lines;
    for (std::string line; std::getline(maps, line);) {
        if (line.find(" (deleted)") != std::string::npos) lines.push_back(line);
    }
    return lines;
}

std::unique_ptr<RunDirectory> finishedRun(const std::string& clipArea,
                                          void (*writeTerrain)(const RunDirectory&)) {
    auto finished = std::make_unique<RunDirectory>();
    finished->writeFile("clipArea.dat", clipArea);
    finished->createSourceRasters();
    writeTerrain(*finished);
    if (finished->run().exitStatus != 0) return nullptr;
    std::filesystem::remove_all(finished->path() / "input");
    return finished;
}

void copyFinishedRun(const RunDirectory& from, const RunDirectory& to) {
    std::filesystem::copy(from.path() / "clipArea.dat", to.path() / "clipArea.dat");
    std::filesystem::copy(from.path() / "output", to.path() / "output",
                          std::filesystem::copy_options::recursive |
                              std::filesystem::copy_options::overwrite_existing);
}

std::filesystem::perms newFolderPermissions() {
    const mode_t mask = umask(0);
    umask(mask);
    return static_cast<std::filesystem::perms>(0777 & ~mask);
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
