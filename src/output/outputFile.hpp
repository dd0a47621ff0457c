// An output file written through one large buffer, with every write, the
// final flush and the close checked: a full disk must not leave a file that
// looks complete.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "text/failure.hpp"

namespace drainPrep {

// Where a product goes, and what the run says when it cannot be created.
struct OutputTarget {
    const char* path;
    const char* openFailure;
};

enum class Announcement { writingDone, writingOnly };

// The three calls through which every output file reaches the disk, in one
// place so that tests can make each of them fail; a run keeps the standard ones.
struct OutputCalls {
    std::size_t (*write)(const void* data, std::size_t size, std::size_t count, std::FILE* file);
    int (*flush)(std::FILE* file);
    int (*close)(std::FILE* file);
};
extern OutputCalls outputCalls;

class OutputFile {
public:
    // mode is "w" for text files, "wb" for binary ones.
    bool open(const char* path, const char* mode);

    // A place for up to `size` bytes; hand its end to advance().
    char* room(std::size_t size) {
        if (buffer_.size() - used_ < size) drain();
        return buffer_.data() + used_;
    }
    void advance(const char* end) { used_ = static_cast<std::size_t>(end - buffer_.data()); }

    void write(std::string_view text) {
        char* place = room(text.size());
        advance(std::copy(text.begin(), text.end(), place));
    }

    // Writes what is buffered and flushes it; false if any write failed.
    bool finish();
    bool close();

private:
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    void drain();

    std::unique_ptr<std::FILE, Closer> file_;
    std::vector<char> buffer_;
    std::size_t used_ = 0;
    bool failed_ = false;
};

// Writes columns 0 to ncols - 1 of a row through writeValue(out, col), which
// returns the end of what it wrote, at most maxBytes a value: one room for
// thousands of values rather than one for each.
template <typename WriteValue>
void writeColumns(OutputFile& file, std::int32_t ncols, std::size_t maxBytes,
                  WriteValue writeValue) {
    constexpr std::int32_t valuesPerRoom = 4096;
    for (std::int32_t first = 0; first < ncols; first += valuesPerRoom) {
        const std::int32_t last = std::min(ncols, first + valuesPerRoom);
        char* out = file.room(static_cast<std::size_t>(last - first) * maxBytes);
        for (std::int32_t col = first; col < last; ++col) out = writeValue(out, col);
        file.advance(out);
    }
}

// A file cut short must not pass for a complete one: it is removed.
inline std::string writeFailed(OutputFile& file, const char* path) {
    file.close();
    std::remove(path);
    return std::string("  Writing ") + path + " failed.";
}

// Opens the target, lets writeBody fill it, then flushes, announces and
// closes it. Returns the failure text: the target's own when it cannot be
// opened, "  Writing <path> failed." when a write, the flush or the close
// fails, and then the file is gone.
template <typename WriteBody>
Failure writeOutputFile(const OutputTarget& target, const char* mode, Announcement announcement,
                        std::ostream& console, WriteBody writeBody) {
    OutputFile file;
    if (!file.open(target.path, mode)) return std::string(target.openFailure);
    writeBody(file);
    if (!file.finish()) return writeFailed(file, target.path);
    console << "  Writing " << target.path
            << (announcement == Announcement::writingDone ? " done." : "") << std::endl;
    if (!file.close()) return writeFailed(file, target.path);
    return std::nullopt;
}

}  // namespace drainPrep
