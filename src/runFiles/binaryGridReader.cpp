#include "runFiles/binaryGridReader.hpp"

namespace drainPrep {

namespace {

constexpr std::size_t elementBytes = 4;

std::int32_t littleEndianInt32(const unsigned char* bytes) {
    const std::uint32_t bits = std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 |
                               std::uint32_t{bytes[2]} << 16 | std::uint32_t{bytes[3]} << 24;
    return static_cast<std::int32_t>(bits);
}

}  // namespace

std::optional<std::string> BinaryGridReader::open(const std::filesystem::path& folder,
                                                  const char* relativePath, std::int32_t ncols) {
    name_ = relativePath;
    file_.open(folder / relativePath, std::ios::binary);
    if (!file_.is_open()) return name_ + " cannot be opened.";
    bytes_.resize(static_cast<std::size_t>(ncols) * elementBytes);
    return std::nullopt;
}

std::optional<std::string> BinaryGridReader::readRow(std::int32_t* values) {
    file_.read(reinterpret_cast<char*>(bytes_.data()), static_cast<std::streamsize>(bytes_.size()));
    if (static_cast<std::size_t>(file_.gcount()) != bytes_.size()) {
        return name_ + " ends early: the file was cut short while it was read.";
    }
    for (std::size_t i = 0; i < bytes_.size() / elementBytes; ++i) {
        values[i] = littleEndianInt32(&bytes_[i * elementBytes]);
    }
    return std::nullopt;
}

}  // namespace drainPrep
