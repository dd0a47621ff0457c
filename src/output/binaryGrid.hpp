// Raw binary grids: no header, row-major from the north-west cell,
// little-endian int32, IEEE float or IEEE double elements.
#pragma once

#include <cstdint>
#include <cstring>

#include "output/gridSidecars.hpp"
#include "output/outputFile.hpp"
#include "text/failure.hpp"

namespace drainPrep {

inline char* writeLittleEndian(char* out, std::uint64_t bits, int byteCount) {
    for (int i = 0; i < byteCount; ++i) *out++ = static_cast<char>((bits >> (8 * i)) & 0xFF);
    return out;
}

inline char* writeElement(char* out, std::int32_t value) {
    return writeLittleEndian(out, static_cast<std::uint32_t>(value), 4);
}

inline char* writeElement(char* out, float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return writeLittleEndian(out, bits, 4);
}

inline char* writeElement(char* out, double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return writeLittleEndian(out, bits, 8);
}

// valueAt(row, col) gives the element of a cell as int32, float or double.
template <typename ValueAt>
Failure writeBinaryGrid(const OutputTarget& target, Announcement announcement, std::int32_t nrows,
                        std::int32_t ncols, std::ostream& console, ValueAt valueAt) {
    if (auto failure = removeSidecars(target.path)) return failure;
    return writeOutputFile(target, "wb", announcement, console, [&](OutputFile& file) {
        for (std::int32_t row = 0; row < nrows; ++row) {
            writeColumns(file, ncols, sizeof(double), [&valueAt, row](char* out, std::int32_t col) {
                return writeElement(out, valueAt(row, col));
            });
        }
    });
}

}  // namespace drainPrep
