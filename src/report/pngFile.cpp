#include <png.h>

#include <cstring>

#include "report/rgbImage.hpp"
#include "text/failure.hpp"

namespace drainPrep::report {

Failure writePng(const std::filesystem::path& path, const RgbImage& image) {
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width());
    png.height = static_cast<png_uint_32>(image.height());
    png.format = PNG_FORMAT_RGB;
    png.flags = PNG_IMAGE_FLAG_FAST;
    if (png_image_write_to_file(&png, path.c_str(), 0, image.bytes(), 0, nullptr) == 0) {
        std::string failure = path.filename().string() + " cannot be written: " + png.message;
        png_image_free(&png);
        return failure;
    }
    return std::nullopt;
}

}  // namespace drainPrep::report
