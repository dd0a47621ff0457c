// The run in this process, on streams that show what the console has flushed
// at the moment the keyboard is read.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <istream>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>

#include "driver/runSequence.hpp"
#include "support/runDirectory.hpp"

namespace drainPrep {
namespace {

// A console whose flushed text is what a person sees.
class Screen : public std::stringbuf {
public:
    std::string shown;

protected:
    int sync() override {
        shown = str();
        return 0;
    }
};

// A keyboard that notes what the screen shows when its one key is read.
class KeyAfterLooking : public std::streambuf {
public:
    explicit KeyAfterLooking(const Screen& screen) : screen_(screen) {}
    std::string shownAtRead;

protected:
    int_type underflow() override {
        if (pressed_) return traits_type::eof();
        pressed_ = true;
        shownAtRead = screen_.shown;
        setg(&key_, &key_, &key_ + 1);
        return traits_type::to_int_type(key_);
    }

private:
    const Screen& screen_;
    char key_ = '\n';
    bool pressed_ = false;
};

class InDirectory {
public:
    explicit InDirectory(const std::filesystem::path& path)
        : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(path);
    }
    ~InDirectory() { std::filesystem::current_path(previous_); }

private:
    std::filesystem::path previous_;
};

// Whatever the run printed before it waits for the key has been flushed:
// above all the prompt, after a failed clipArea.dat and after a whole run.
TEST(RunSequence, EverythingBeforeTheKeyIsFlushed) {
    const std::string prompt = "\nProgram ends. Hit any key!\n";
    for (const char* clipArea : {"", "3 4 60 55"}) {
        testing::RunDirectory run;
        if (*clipArea != '\0') {
            run.writeFile("clipArea.dat", clipArea);
            run.createSourceRasters();
        }
        const InDirectory here(run.path());
        Screen screen;
        std::ostream console(&screen);
        KeyAfterLooking key(screen);
        std::istream keyboard(&key);
        runDrainPrep(console, keyboard);
        const std::string& shown = key.shownAtRead;
        EXPECT_EQ(shown, screen.str()) << clipArea;
        EXPECT_EQ(shown.substr(shown.size() - std::min(shown.size(), prompt.size())), prompt)
            << clipArea;
    }
}

}  // namespace
}  // namespace drainPrep
