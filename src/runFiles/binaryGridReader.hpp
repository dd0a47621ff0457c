// Streams an int32 or double binary grid of drainPrep row by row: no header,
// little-endian, row-major from the north-west cell.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "text/failure.hpp"

namespace drainPrep {

class BinaryGridReader {
public:
    // elementBytes: 4 for int32, 8 for IEEE double.
    Failure open(const std::filesystem::path& folder, const char* relativePath, std::int32_t ncols,
                 std::size_t elementBytes = 4);
    // The next row: ncols values, of an int32 grid or of a double one.
    Failure readRow(std::int32_t* values);
    Failure readRow(double* values);

private:
    Failure readBytes();

    std::string name_;
    std::ifstream file_;
    std::size_t elementBytes_ = 4;
    std::vector<unsigned char> bytes_;
};

}  // namespace drainPrep
