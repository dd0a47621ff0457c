// Streams an int32 binary grid of drainPrep row by row: no header,
// little-endian, row-major from the north-west cell.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace drainPrep {

class BinaryGridReader {
public:
    std::optional<std::string> open(const std::filesystem::path& folder, const char* relativePath,
                                    std::int32_t ncols);
    // The next row: ncols values.
    std::optional<std::string> readRow(std::int32_t* values);

private:
    std::string name_;
    std::ifstream file_;
    std::vector<unsigned char> bytes_;
};

}  // namespace drainPrep
