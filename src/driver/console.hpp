// drainPrep's console: standard output through one large buffer, so that
// millions of pit-report lines cost few writes while every console line still
// flushes; and the end of a run whose scratch file fails under it.
#pragma once

#include <cstddef>
#include <streambuf>
#include <string_view>
#include <vector>

namespace drainPrep {

class ConsoleBuffer : public std::streambuf {
public:
    explicit ConsoleBuffer(int descriptor, std::size_t bytes = std::size_t{1} << 20);
    ConsoleBuffer(const ConsoleBuffer&) = delete;
    ConsoleBuffer& operator=(const ConsoleBuffer&) = delete;

    // Writes what is buffered, then `text`, with nothing but write(2): a
    // signal handler may call it when the signal came from code that does not
    // use this buffer. False when a write fails.
    bool writeThrough(std::string_view text) noexcept;

protected:
    int_type overflow(int_type next) override;
    int sync() override;

private:
    int descriptor_;
    std::vector<char> buffer_;
};

extern const char* const scratchFileFaultText;

// From here on a fault on the run's scratch file (a copy-on-write disk out of
// room, a failing disk) ends the run: the console gets what it holds, then
// scratchFileFaultText, and the process ends with status 1. The fault comes
// from inside a sweep over the records, from which no stage can return its
// failure; the records are plain data and the console is never busy there,
// so the handler's writes find it whole.
void endRunOnScratchFileFault(ConsoleBuffer& console);

}  // namespace drainPrep
