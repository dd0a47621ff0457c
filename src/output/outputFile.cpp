#include "output/outputFile.hpp"

namespace drainPrep {

namespace {

constexpr std::size_t bufferBytes = std::size_t{1} << 20;

}  // namespace

OutputCalls outputCalls = {
    [](const void* data, std::size_t size, std::size_t count, std::FILE* file) {
        return std::fwrite(data, size, count, file);
    },
    [](std::FILE* file) { return std::fflush(file); },
    [](std::FILE* file) { return std::fclose(file); }};

bool OutputFile::open(const char* path, const char* mode) {
    file_.reset(std::fopen(path, mode));
    if (!file_) return false;
    // Our buffer is the only one: large writes go straight to the file.
    std::setvbuf(file_.get(), nullptr, _IONBF, 0);
    buffer_.resize(bufferBytes);
    used_ = 0;
    failed_ = false;
    return true;
}

void OutputFile::drain() {
    if (used_ != 0 && outputCalls.write(buffer_.data(), 1, used_, file_.get()) != used_) {
        failed_ = true;
    }
    used_ = 0;
}

bool OutputFile::finish() {
    drain();
    if (outputCalls.flush(file_.get()) != 0) failed_ = true;
    return !failed_;
}

bool OutputFile::close() {
    std::FILE* file = file_.release();
    return file == nullptr || outputCalls.close(file) == 0;
}

}  // namespace drainPrep
