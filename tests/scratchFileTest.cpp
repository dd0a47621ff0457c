// The scratch file under a grid's records: nothing of it left in its
// directory, and a fault on it ending the run with its message instead of a
// crash.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>

#include "driver/console.hpp"
#include "raster/intGrid.hpp"
#include "raster/largeBlock.hpp"

namespace drainPrep {
namespace {

namespace fs = std::filesystem;

const ScratchFileCalls standardCalls = scratchFileCalls;

class ScratchFile : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "drainPrepScratch.XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        directory_ = pattern;
    }
    void TearDown() override {
        scratchFileCalls = standardCalls;
        std::error_code ignored;
        fs::remove_all(directory_, ignored);
    }

    std::size_t entriesInDirectory() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(directory_), {}));
    }

    fs::path directory_;
};

int noNamelessFiles(const char*) {
    errno = EOPNOTSUPP;
    return -1;
}

// The way of file systems without nameless files: the file gets a name, and
// loses it before the grid is handed out.
TEST_F(ScratchFile, WithoutNamelessFilesNothingIsLeftInTheDirectory) {
    scratchFileCalls.openNameless = noNamelessFiles;
    IntGrid grid(3, 5, directory_.c_str());
    grid[2][4] = 7;
    EXPECT_EQ(grid[2][4], 7);
    EXPECT_EQ(entriesInDirectory(), 0u);
}

int keptScratchFile = -1;

int reserveAndKeep(int file, std::int64_t bytes) {
    keptScratchFile = dup(file);
    return standardCalls.reserve(file, bytes);
}

struct ChildEnd {
    std::string console;
    int status;
};

// Runs `body` in a child process whose standard output is a pipe read here.
template <typename Body>
ChildEnd inChild(Body body) {
    int console[2];
    if (pipe(console) != 0) return {"", -1};
    const pid_t child = fork();
    if (child == 0) {
        const rlimit noCore{0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        dup2(console[1], STDOUT_FILENO);
        close(console[0]);
        body();
        _exit(0);
    }
    close(console[1]);
    ChildEnd end{"", -1};
    char chunk[4096];
    for (ssize_t got; (got = read(console[0], chunk, sizeof chunk)) > 0;) {
        end.console.append(chunk, static_cast<std::size_t>(got));
    }
    close(console[0]);
    waitpid(child, &end.status, 0);
    return end;
}

// The file under the records cut short stands for a disk that cannot give a
// page (a copy-on-write disk out of room, a failing disk): the console keeps
// what it held, then the message, and the run ends with status 1.
TEST_F(ScratchFile, AFaultUnderTheRecordsEndsTheRunWithItsMessage) {
    const std::string held = "3) Processing topography data.\n  Setting upper grid number.\n";
    const ChildEnd end = inChild([&] {
        scratchFileCalls.reserve = reserveAndKeep;
        ConsoleBuffer buffer(STDOUT_FILENO);
        std::ostream console(&buffer);
        endRunOnScratchFileFault(buffer);
        IntGrid grid(600, 900, directory_.c_str());
        console << held;
        if (ftruncate(keptScratchFile, 0) != 0) return;
        grid[599][899] = 1;
    });
    EXPECT_EQ(end.console, held + scratchFileFaultText);
    EXPECT_TRUE(WIFEXITED(end.status) && WEXITSTATUS(end.status) == 1) << end.status;
    EXPECT_EQ(entriesInDirectory(), 0u);
}

// A bus error elsewhere, from another mapped file cut short or sent by
// another process, is no failing scratch file: it stays the crash it was.
TEST_F(ScratchFile, OtherBusErrorsAreNoScratchFileFault) {
    const std::string otherFile = (directory_ / "other").string();
    const auto faultOnAnotherMapping = [&] {
        const int file = open(otherFile.c_str(), O_RDWR | O_CREAT, 0600);
        if (file < 0 || ftruncate(file, 4096) != 0) return;
        auto* page = static_cast<volatile char*>(
            mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED, file, 0));
        if (ftruncate(file, 0) == 0) page[0] = 1;
    };
    const auto sent = [] { raise(SIGBUS); };
    for (const std::function<void()>& busError :
         {std::function<void()>(faultOnAnotherMapping), std::function<void()>(sent)}) {
        const ChildEnd end = inChild([&] {
            ConsoleBuffer buffer(STDOUT_FILENO);
            endRunOnScratchFileFault(buffer);
            const IntGrid grid(3, 5, directory_.c_str());
            busError();
        });
        EXPECT_EQ(end.console.find(scratchFileFaultText), std::string::npos);
        EXPECT_FALSE(WIFEXITED(end.status) && WEXITSTATUS(end.status) == 0) << end.status;
    }
}

}  // namespace
}  // namespace drainPrep
