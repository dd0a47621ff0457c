#include "runFiles/textFile.hpp"

#include <fstream>

namespace drainPrep {

Failure writeTextFile(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::path partial = path;
    partial += ".partial";
    std::ofstream file(partial, std::ios::binary);
    file << text;
    file.close();
    const bool written = !file.fail();
    std::error_code renameFailed;
    if (written) std::filesystem::rename(partial, path, renameFailed);
    if (!written || renameFailed) {
        std::error_code ignored;
        std::filesystem::remove(partial, ignored);
        return path.string() + " cannot be written.";
    }
    return std::nullopt;
}

}  // namespace drainPrep
