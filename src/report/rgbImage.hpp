// An 8-bit RGB picture, row 0 at the top (north), and its PNG file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "text/failure.hpp"

namespace drainPrep::report {

struct Rgb {
    std::uint8_t r;
    std::uint8_t g;
    std::uint8_t b;
};

inline bool operator==(Rgb a, Rgb b) { return a.r == b.r && a.g == b.g && a.b == b.b; }
inline bool operator!=(Rgb a, Rgb b) { return !(a == b); }

// One value a pixel, row 0 at the top: a picture's colours, or what a
// drawing has taken of it.
template <typename Pixel>
class PixelGrid {
public:
    PixelGrid(std::int32_t width, std::int32_t height)
        : width_(width), height_(height), pixels_(index(0, height)) {}

    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }
    bool contains(std::int32_t x, std::int32_t y) const {
        return x >= 0 && y >= 0 && x < width_ && y < height_;
    }
    void set(std::int32_t x, std::int32_t y, Pixel value) { pixels_[index(x, y)] = value; }
    Pixel at(std::int32_t x, std::int32_t y) const { return pixels_[index(x, y)]; }

protected:
    const std::vector<Pixel>& pixels() const { return pixels_; }

private:
    std::size_t index(std::int32_t x, std::int32_t y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
               static_cast<std::size_t>(x);
    }

    std::int32_t width_;
    std::int32_t height_;
    std::vector<Pixel> pixels_;
};

// libpng takes the pixels as they lie: red, green and blue bytes, row by row.
static_assert(sizeof(Rgb) == 3, "an Rgb is its three bytes");

class RgbImage : public PixelGrid<Rgb> {
public:
    using PixelGrid::PixelGrid;

    const std::uint8_t* bytes() const {
        return reinterpret_cast<const std::uint8_t*>(pixels().data());
    }
};

Failure writePng(const std::filesystem::path& path, const RgbImage& image);

}  // namespace drainPrep::report
