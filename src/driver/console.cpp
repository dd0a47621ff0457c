#include "driver/console.hpp"

#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "raster/largeBlock.hpp"

namespace drainPrep {

namespace {

bool writeAll(int descriptor, const char* data, std::size_t size) noexcept {
    while (size > 0) {
        const ssize_t written = write(descriptor, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

std::atomic<ConsoleBuffer*> consoleOfRun{nullptr};

void endRunAfterScratchFileFault() noexcept {
    if (ConsoleBuffer* console = consoleOfRun) console->writeThrough(scratchFileFaultText);
    _exit(1);
}

}  // namespace

const char* const scratchFileFaultText =
    "The scratch file of the cell records under ./output cannot be written or read: its disk "
    "is full or failing.\n";

ConsoleBuffer::ConsoleBuffer(int descriptor, std::size_t bytes)
    : descriptor_(descriptor), buffer_(bytes) {
    setp(buffer_.data(), buffer_.data() + buffer_.size());
}

bool ConsoleBuffer::writeThrough(std::string_view text) noexcept {
    const bool written =
        writeAll(descriptor_, pbase(), static_cast<std::size_t>(pptr() - pbase())) &&
        writeAll(descriptor_, text.data(), text.size());
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    return written;
}

ConsoleBuffer::int_type ConsoleBuffer::overflow(int_type next) {
    if (!writeThrough({})) return traits_type::eof();
    if (!traits_type::eq_int_type(next, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(next);
        pbump(1);
    }
    return traits_type::not_eof(next);
}

int ConsoleBuffer::sync() { return writeThrough({}) ? 0 : -1; }

void endRunOnScratchFileFault(ConsoleBuffer& console) {
    consoleOfRun = &console;
    onScratchFileFault(endRunAfterScratchFileFault);
}

}  // namespace drainPrep
