// A scratch working directory for one run of the built tool: clipArea.dat,
// full-size sparse source rasters that hold only the samples a test sets,
// and the output folders.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace drainPrep::testing {

struct RunResult {
    std::string console;
    int exitStatus;
};

// A run answered the way a person at a terminal answers it.
struct KeyboardRun {
    std::string consoleWhenKeyWasDue;  // the console as it stood when the key was sent
    RunResult result;
};

// A run of the tool that waits for its console to be read, until it is killed.
struct StalledRun {
    int pid;
    int console;  // the read end of its console pipe
};

void kill(StalledRun& run);

enum class Raster { dem, directions };

using SampleRows = std::vector<std::vector<std::int16_t>>;

class RunDirectory {
public:
    // With input/ and output/arcgis/ in place; no rasters, no clipArea.dat.
    RunDirectory();
    ~RunDirectory();
    RunDirectory(const RunDirectory&) = delete;
    RunDirectory& operator=(const RunDirectory&) = delete;

    const std::filesystem::path& path() const { return root_; }
    std::filesystem::path rasterPath(Raster raster) const;

    void writeFile(const std::string& relativePath, const std::string& content) const;
    std::string readFile(const std::string& relativePath) const;
    bool exists(const std::string& relativePath) const;

    // Both rasters, 252,000,000 bytes each, all zero (elevation 0, outlet code 0).
    void createSourceRasters() const;
    // Writes a block of samples with its north-west sample at source [row][col].
    void writeSamples(Raster raster, std::int32_t row, std::int32_t col,
                      const SampleRows& samples) const;
    void writeSample(Raster raster, std::int32_t row, std::int32_t col, std::int16_t value) const;

    // Runs the tool here with `keyboard` on its standard input. `shellPrefix`
    // runs first in the same shell, e.g. "ulimit -v 100000; ".
    RunResult run(const std::string& keyboard = "\n", const std::string& shellPrefix = "") const;
    // Runs the tool here with its standard input held open and sends the key
    // once the console ends with `prompt`, or after half a minute; nothing
    // if the tool ends before.
    KeyboardRun runAnsweringThePrompt(const std::string& prompt) const;
    // Runs the tool here with `arguments` (shell words) on its command line.
    RunResult runWithArguments(const std::string& arguments,
                               const std::string& keyboard = "\n") const;
    // Runs drainPrepReport here; `arguments` are shell words.
    RunResult runReport(const std::string& arguments = "") const;
    // Runs drainPrepUpscale here; `arguments` are shell words.
    RunResult runUpscale(const std::string& arguments) const;
    // Runs drainPrepDirections here; `arguments` are shell words.
    RunResult runDirections(const std::string& arguments) const;
    // Runs drainPrepArea here; `arguments` are shell words.
    RunResult runArea(const std::string& arguments, const std::string& shellPrefix = "") const;

    // Starts the tool here with the cell records in a scratch file and its
    // console going into a pipe that nobody reads: once the pipe and the
    // tool's own console buffer are full, the run stands still.
    StalledRun startStalledScratchFileRun() const;

    // Runs a shell command line here, e.g. a copy of the tool.
    RunResult runCommand(const std::string& command, const std::string& keyboard) const;

private:
    std::filesystem::path root_;
};

// The lines of /proc/<pid>/maps naming a file that has no name any more.
std::vector<std::string> deletedFilesMapped(int pid);

// A finished drainPrep run of the area in clipArea (the text of clipArea.dat)
// on the rasters writeTerrain gives, its input removed; and its files copied
// into another directory, for a test that changes them.
std::unique_ptr<RunDirectory> finishedRun(const std::string& clipArea,
                                          void (*writeTerrain)(const RunDirectory&));
void copyFinishedRun(const RunDirectory& from, const RunDirectory& to);

// What mkdir gives a new folder of this process: the permissions of a
// folder that the tools write for everyone who may read the run.
std::filesystem::perms newFolderPermissions();

// The elements of a binary int32 grid file.
std::vector<std::int32_t> int32Elements(const std::string& bytes);

// The console text of a complete stage 2 reading: the stage line and the 84
// progress texts.
std::string readingText();

}  // namespace drainPrep::testing
