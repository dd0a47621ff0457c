// Streams the whole-number values of an ESRI ASCII grid row by row, through
// one buffer, so that a grid of tens of millions of cells costs a few
// kilobytes. Both layouts drainPrep writes read the same way: values are
// separated by any white space.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "runFiles/runFiles.hpp"
#include "text/failure.hpp"

namespace drainPrep {

class AsciiGridReader {
public:
    // Opens folder/relativePath and reads its six header lines. Failures name
    // the file by relativePath.
    Failure open(const std::filesystem::path& folder, const char* relativePath);
    const AsciiGridHeader& header() const { return header_; }

    // The next row: header().ncols values.
    Failure readRow(std::int32_t* values);

private:
    std::string_view nextToken();
    std::string_view take(std::size_t tokenEnd);
    bool refill();
    std::string failure(const std::string& what) const;
    std::string tooLongFailure(const std::string& where) const;
    Failure readHeader();

    std::string name_;
    std::ifstream file_;
    std::unique_ptr<char[]> buffer_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    std::int32_t rowsRead_ = 0;
    AsciiGridHeader header_;
};

}  // namespace drainPrep
