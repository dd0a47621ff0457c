#include "driver/controlGroupMemory.hpp"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>
#include <string>

namespace drainPrep {

namespace {

namespace fs = std::filesystem;

// The files of one version of the memory controller.
struct MemoryFiles {
    const char* limits[2];
    const char* usage;
    const char* givenBackAtOnce;  // a key of memory.stat
};

constexpr MemoryFiles version2Files{
    {"memory.max", "memory.high"}, "memory.current", "inactive_file"};
constexpr MemoryFiles version1Files{
    {"memory.limit_in_bytes", nullptr}, "memory.usage_in_bytes", "total_inactive_file"};

std::optional<std::uint64_t> number(const std::string& text) {
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
    return value;
}

// A file holding one number of bytes; "max", a missing file and anything
// else give none.
std::optional<std::uint64_t> bytesIn(const fs::path& file) {
    std::ifstream in(file);
    std::string text;
    if (!(in >> text)) return std::nullopt;
    return number(text);
}

std::optional<std::uint64_t> statValue(const fs::path& file, const std::string& wanted) {
    std::ifstream in(file);
    std::string key;
    std::string value;
    while (in >> key >> value) {
        if (key == wanted) return number(value);
    }
    return std::nullopt;
}

bool listHolds(const std::string& commaList, const std::string& name) {
    std::istringstream items(commaList);
    for (std::string item; std::getline(items, item, ',');) {
        if (item == name) return true;
    }
    return false;
}

// The paths of the process's v2 group and v1 memory group, as
// proc/self/cgroup gives them ("0::/path", "4:memory:/path").
struct GroupPaths {
    std::optional<std::string> version2;
    std::optional<std::string> version1;
};

GroupPaths groupsOfProcess(const fs::path& root) {
    std::ifstream in(root / "proc/self/cgroup");
    GroupPaths paths;
    for (std::string line; std::getline(in, line);) {
        const std::size_t first = line.find(':');
        const std::size_t second = first == std::string::npos ? first : line.find(':', first + 1);
        if (second == std::string::npos) continue;
        const std::string controllers = line.substr(first + 1, second - first - 1);
        const std::string path = line.substr(second + 1);
        if (line.compare(0, first, "0") == 0 && controllers.empty()) paths.version2 = path;
        if (listHolds(controllers, "memory")) paths.version1 = path;
    }
    return paths;
}

// mountinfo writes blanks and backslashes in paths as octal escapes ("\040").
std::string unescaped(const std::string& field) {
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i) {
        int code = 0;
        const char* digits = field.data() + i + 1;
        if (field[i] == '\\' && i + 3 < field.size() &&
            std::from_chars(digits, digits + 3, code, 8).ptr == digits + 3) {
            text += static_cast<char>(code);
            i += 3;
        } else {
            text += field[i];
        }
    }
    return text;
}

// A mounted hierarchy: the group at its top, and where it is mounted.
struct Mount {
    std::string groupAtTop;
    std::string point;
};

// The mount of the v2 hierarchy (superOption null) or of the v1 hierarchy
// holding the controller `superOption`. A mountinfo line:
// "id parent major:minor root point options [optional fields] - type source superOptions".
std::optional<Mount> mountOf(const fs::path& root, const std::string& type,
                             const char* superOption) {
    std::ifstream in(root / "proc/self/mountinfo");
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string skipped;
        Mount mount;
        fields >> skipped >> skipped >> skipped >> mount.groupAtTop >> mount.point;
        while (fields >> skipped && skipped != "-") {
        }
        std::string mountType;
        std::string source;
        std::string superOptions;
        if (!(fields >> mountType >> source >> superOptions) || mountType != type) continue;
        if (superOption != nullptr && !listHolds(superOptions, superOption)) continue;
        return Mount{unescaped(mount.groupAtTop), unescaped(mount.point)};
    }
    return std::nullopt;
}

// What one group still allows; none without a limit.
std::optional<std::uint64_t> leftInGroup(const fs::path& group, const MemoryFiles& files) {
    std::optional<std::uint64_t> limit;
    for (const char* name : files.limits) {
        if (name == nullptr) continue;
        if (const auto value = bytesIn(group / name))
            limit = std::min(limit.value_or(*value), *value);
    }
    if (!limit) return std::nullopt;
    const std::uint64_t usage = bytesIn(group / files.usage).value_or(0);
    const std::uint64_t givenBack =
        std::min(usage, statValue(group / "memory.stat", files.givenBackAtOnce).value_or(0));
    const std::uint64_t held = usage - givenBack;
    return *limit > held ? *limit - held : 0;
}

std::optional<std::uint64_t> least(std::optional<std::uint64_t> a, std::optional<std::uint64_t> b) {
    if (!a) return b;
    if (!b) return a;
    return std::min(*a, *b);
}

// From the process's group up to the top of the mounted hierarchy.
std::optional<std::uint64_t> leftInHierarchy(const fs::path& root, const Mount& mount,
                                             const std::string& groupPath,
                                             const MemoryFiles& files) {
    const fs::path top = (root / fs::path(mount.point).relative_path()).lexically_normal();
    const fs::path below = fs::path(groupPath).lexically_relative(mount.groupAtTop);
    // A group outside what the mount shows (another namespace's view): its top.
    const bool inside = !below.empty() && below != "." && *below.begin() != "..";
    fs::path group = inside ? (top / below).lexically_normal() : top;
    std::optional<std::uint64_t> left;
    while (true) {
        left = least(left, leftInGroup(group, files));
        if (group == top || group == group.parent_path()) return left;
        group = group.parent_path();
    }
}

}  // namespace

std::optional<std::uint64_t> controlGroupMemoryLeft(const fs::path& root) {
    const GroupPaths groups = groupsOfProcess(root);
    std::optional<std::uint64_t> left;
    if (groups.version2) {
        if (const auto mount = mountOf(root, "cgroup2", nullptr)) {
            left = least(left, leftInHierarchy(root, *mount, *groups.version2, version2Files));
        }
    }
    if (groups.version1) {
        if (const auto mount = mountOf(root, "cgroup", "memory")) {
            left = least(left, leftInHierarchy(root, *mount, *groups.version1, version1Files));
        }
    }
    return left;
}

}  // namespace drainPrep
