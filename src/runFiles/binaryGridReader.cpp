#include "runFiles/binaryGridReader.hpp"

#include <algorithm>

namespace drainPrep {

namespace {

std::int32_t littleEndianInt32(const unsigned char* bytes) {
    const std::uint32_t bits = std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 |
                               std::uint32_t{bytes[2]} << 16 | std::uint32_t{bytes[3]} << 24;
    return static_cast<std::int32_t>(bits);
}

double littleEndianDouble(const unsigned char* bytes) {
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) bits = bits << 8 | bytes[i];
    double value = 0.0;
    static_assert(sizeof value == sizeof bits);
    std::copy_n(reinterpret_cast<const unsigned char*>(&bits), sizeof bits,
                reinterpret_cast<unsigned char*>(&value));
    return value;
}

}  // namespace

Failure BinaryGridReader::open(const std::filesystem::path& folder, const char* relativePath,
                               std::int32_t ncols, std::size_t elementBytes) {
    name_ = relativePath;
    elementBytes_ = elementBytes;
    file_.open(folder / relativePath, std::ios::binary);
    if (!file_.is_open()) return name_ + " cannot be opened.";
    bytes_.resize(static_cast<std::size_t>(ncols) * elementBytes_);
    return std::nullopt;
}

Failure BinaryGridReader::readBytes() {
    file_.read(reinterpret_cast<char*>(bytes_.data()), static_cast<std::streamsize>(bytes_.size()));
    if (static_cast<std::size_t>(file_.gcount()) != bytes_.size()) {
        return name_ + " ends early: the file was cut short while it was read.";
    }
    return std::nullopt;
}

Failure BinaryGridReader::readRow(std::int32_t* values) {
    if (auto failure = readBytes()) return failure;
    for (std::size_t i = 0; i < bytes_.size() / elementBytes_; ++i) {
        values[i] = littleEndianInt32(&bytes_[i * elementBytes_]);
    }
    return std::nullopt;
}

Failure BinaryGridReader::readRow(double* values) {
    if (auto failure = readBytes()) return failure;
    for (std::size_t i = 0; i < bytes_.size() / elementBytes_; ++i) {
        values[i] = littleEndianDouble(&bytes_[i * elementBytes_]);
    }
    return std::nullopt;
}

}  // namespace drainPrep
