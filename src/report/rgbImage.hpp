// An 8-bit RGB picture, row 0 at the top (north), and its PNG file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace drainPrep::report {

struct Rgb {
    std::uint8_t r;
    std::uint8_t g;
    std::uint8_t b;
};

inline bool operator==(Rgb a, Rgb b) { return a.r == b.r && a.g == b.g && a.b == b.b; }
inline bool operator!=(Rgb a, Rgb b) { return !(a == b); }

class RgbImage {
public:
    RgbImage(std::int32_t width, std::int32_t height)
        : width_(width), height_(height), bytes_(3 * index(0, height)) {}

    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }
    bool contains(std::int32_t x, std::int32_t y) const {
        return x >= 0 && y >= 0 && x < width_ && y < height_;
    }
    void set(std::int32_t x, std::int32_t y, Rgb colour) {
        const std::size_t at = 3 * index(x, y);
        bytes_[at] = colour.r;
        bytes_[at + 1] = colour.g;
        bytes_[at + 2] = colour.b;
    }
    Rgb at(std::int32_t x, std::int32_t y) const {
        const std::size_t i = 3 * index(x, y);
        return {bytes_[i], bytes_[i + 1], bytes_[i + 2]};
    }
    const std::uint8_t* bytes() const { return bytes_.data(); }

private:
    std::size_t index(std::int32_t x, std::int32_t y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
               static_cast<std::size_t>(x);
    }

    std::int32_t width_;
    std::int32_t height_;
    std::vector<std::uint8_t> bytes_;
};

std::optional<std::string> writePng(const std::filesystem::path& path, const RgbImage& image);

}  // namespace drainPrep::report
