// The memory a control group still allows, read from control-group trees laid
// out as the kernel shows them under Docker, Kubernetes, Slurm and systemd.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "driver/controlGroupMemory.hpp"
#include "driver/memoryPlan.hpp"

namespace drainPrep {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t gibibyte = std::uint64_t{1} << 30;
constexpr std::uint64_t mebibyte = std::uint64_t{1} << 20;

const std::string version2Mount =
    "30 23 0:26 / /sys/fs/cgroup rw,nosuid shared:4 - cgroup2 cgroup2 rw,nsdelegate\n";
const std::string version1Mounts =
    "25 21 0:22 / /sys/fs/cgroup rw - tmpfs tmpfs rw,mode=755\n"
    "32 25 0:29 / /sys/fs/cgroup/cpu,cpuacct rw shared:8 - cgroup cgroup rw,cpu,cpuacct\n"
    "35 25 0:32 / /sys/fs/cgroup/memory rw shared:9 - cgroup cgroup rw,memory\n";
// Docker on cgroup v1 without a group namespace: the container sees its own
// group at the top of the mount.
const std::string version1ContainerMount =
    "35 25 0:32 /docker/f00d /sys/fs/cgroup/memory ro master:9 - cgroup cgroup rw,memory\n";
// cgroup v1 for the controllers, a v2 hierarchy beside it that holds none.
const std::string hybridMounts =
    version1Mounts + "41 25 0:38 / /sys/fs/cgroup/unified rw - cgroup2 cgroup2 rw\n";

const std::string v1Unlimited = "9223372036854771712";

std::string bytes(std::uint64_t value) { return std::to_string(value) + "\n"; }

using Files = std::vector<std::pair<std::string, std::string>>;

struct Case {
    const char* what;
    Files files;  // path below the root, content
    std::optional<std::uint64_t> expected;
};

class FakeSystem {
public:
    FakeSystem() {
        std::string pattern = (fs::temp_directory_path() / "drainPrepGroups.XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) root_ = pattern;
    }
    ~FakeSystem() {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
    FakeSystem(const FakeSystem&) = delete;
    FakeSystem& operator=(const FakeSystem&) = delete;

    void write(const std::string& path, const std::string& content) const {
        fs::create_directories((root_ / path).parent_path());
        std::ofstream(root_ / path) << content;
    }
    const fs::path& root() const { return root_; }

private:
    fs::path root_;
};

TEST(ControlGroupMemory, LeftIsTheLeastLimitLessUsageUpTheHierarchy) {
    const std::string job = "sys/fs/cgroup/system.slice/job.scope/";
    const std::string slice = "sys/fs/cgroup/system.slice/";
    const std::string v1Group = "sys/fs/cgroup/memory/slurm/job_7/";
    const Case cases[] = {
        {"v2: memory.max less memory.current, page cache it can drop counted free",
         {{"proc/self/cgroup", "0::/system.slice/job.scope\n"},
          {"proc/self/mountinfo", version2Mount},
          {job + "memory.max", bytes(8 * gibibyte)},
          {job + "memory.high", "max\n"},
          {job + "memory.current", bytes(3 * gibibyte)},
          {job + "memory.stat",
           "anon 2147483648\nfile 1073741824\ninactive_file " + bytes(512 * mebibyte)}},
         8 * gibibyte - 3 * gibibyte + 512 * mebibyte},
        {"v2: memory.high below memory.max",
         {{"proc/self/cgroup", "0::/system.slice/job.scope\n"},
          {"proc/self/mountinfo", version2Mount},
          {job + "memory.max", bytes(8 * gibibyte)},
          {job + "memory.high", bytes(6 * gibibyte)},
          {job + "memory.current", bytes(1 * gibibyte)}},
         5 * gibibyte},
        {"v2: a parent tighter than the group",
         {{"proc/self/cgroup", "0::/system.slice/job.scope\n"},
          {"proc/self/mountinfo", version2Mount},
          {job + "memory.max", bytes(8 * gibibyte)},
          {job + "memory.current", bytes(1 * gibibyte)},
          {slice + "memory.max", bytes(4 * gibibyte)},
          {slice + "memory.current", bytes(3 * gibibyte)}},
         1 * gibibyte},
        {"v2: a group over its limit",
         {{"proc/self/cgroup", "0::/job\n"},
          {"proc/self/mountinfo", version2Mount},
          {"sys/fs/cgroup/job/memory.max", bytes(1 * gibibyte)},
          {"sys/fs/cgroup/job/memory.current", bytes(2 * gibibyte)}},
         0},
        {"v2 in a container's own group namespace: the limit at the mount's top",
         {{"proc/self/cgroup", "0::/\n"},
          {"proc/self/mountinfo", version2Mount},
          {"sys/fs/cgroup/memory.max", bytes(8 * gibibyte)},
          {"sys/fs/cgroup/memory.current", bytes(2 * gibibyte)}},
         6 * gibibyte},
        {"v2: a group outside the mount's view, whose top is the container's",
         {{"proc/self/cgroup", "0::/docker/beef\n"},
          {"proc/self/mountinfo",
           "30 23 0:26 /docker/f00d /sys/fs/cgroup ro - cgroup2 cgroup2 rw\n"},
          {"sys/fs/cgroup/memory.max", bytes(4 * gibibyte)},
          {"sys/fs/cgroup/memory.current", bytes(1 * gibibyte)}},
         3 * gibibyte},
        {"v2: max everywhere",
         {{"proc/self/cgroup", "0::/system.slice/job.scope\n"},
          {"proc/self/mountinfo", version2Mount},
          {job + "memory.max", "max\n"},
          {job + "memory.high", "max\n"},
          {job + "memory.current", bytes(3 * gibibyte)},
          {slice + "memory.max", "max\n"}},
         std::nullopt},
        {"v2: the root group has no limit files",
         {{"proc/self/cgroup", "0::/\n"}, {"proc/self/mountinfo", version2Mount}},
         std::nullopt},
        {"v1: memory.limit_in_bytes less memory.usage_in_bytes, a tighter parent",
         {{"proc/self/cgroup", "4:memory:/slurm/job_7\n3:cpu,cpuacct:/slurm/job_7\n0::/\n"},
          {"proc/self/mountinfo", version1Mounts},
          {v1Group + "memory.limit_in_bytes", bytes(16 * gibibyte)},
          {v1Group + "memory.usage_in_bytes", bytes(2 * gibibyte)},
          {v1Group + "memory.stat",
           "cache 1073741824\ntotal_inactive_file " + bytes(256 * mebibyte)},
          {"sys/fs/cgroup/memory/slurm/memory.limit_in_bytes", bytes(12 * gibibyte)},
          {"sys/fs/cgroup/memory/slurm/memory.usage_in_bytes", bytes(10 * gibibyte)},
          {"sys/fs/cgroup/memory/memory.limit_in_bytes", v1Unlimited}},
         2 * gibibyte},
        {"v1 in a Docker container: its group at the top of the mount",
         {{"proc/self/cgroup", "9:memory:/docker/f00d\n"},
          {"proc/self/mountinfo", version1ContainerMount},
          {"sys/fs/cgroup/memory/memory.limit_in_bytes", bytes(8 * gibibyte)},
          {"sys/fs/cgroup/memory/memory.usage_in_bytes", bytes(1 * gibibyte)}},
         7 * gibibyte},
        {"v1 beside a v2 hierarchy without the memory controller",
         {{"proc/self/cgroup", "4:memory:/batch\n0::/\n"},
          {"proc/self/mountinfo", hybridMounts},
          {"sys/fs/cgroup/memory/batch/memory.limit_in_bytes", bytes(4 * gibibyte)},
          {"sys/fs/cgroup/memory/batch/memory.usage_in_bytes", bytes(1 * gibibyte)}},
         3 * gibibyte},
        {"v1 unlimited: the kernel's largest value, no less usage",
         {{"proc/self/cgroup", "4:memory:/\n"},
          {"proc/self/mountinfo", version1Mounts},
          {"sys/fs/cgroup/memory/memory.limit_in_bytes", v1Unlimited},
          {"sys/fs/cgroup/memory/memory.usage_in_bytes", bytes(1 * gibibyte)}},
         std::stoull(v1Unlimited) - gibibyte},
        {"a mount point with a blank in it",
         {{"proc/self/cgroup", "0::/job\n"},
          {"proc/self/mountinfo", "30 23 0:26 / /run/my\\040groups rw - cgroup2 cgroup2 rw\n"},
          {"run/my groups/job/memory.max", bytes(2 * gibibyte)},
          {"run/my groups/job/memory.current", bytes(1 * gibibyte)}},
         1 * gibibyte},
        {"unreadable: no proc/self/cgroup",
         {{"proc/self/mountinfo", version2Mount},
          {"sys/fs/cgroup/memory.max", bytes(1 * gibibyte)}},
         std::nullopt},
        {"unreadable: no mountinfo",
         {{"proc/self/cgroup", "0::/\n"}, {"sys/fs/cgroup/memory.max", bytes(1 * gibibyte)}},
         std::nullopt},
        {"unreadable: limits that are no number, the parent's holds",
         {{"proc/self/cgroup", "0::/a/b\n"},
          {"proc/self/mountinfo", version2Mount},
          {"sys/fs/cgroup/a/b/memory.max", "lots\n"},
          {"sys/fs/cgroup/a/b/memory.high", "-5\n"},
          {"sys/fs/cgroup/a/memory.max", bytes(3 * gibibyte)},
          {"sys/fs/cgroup/a/memory.current", "garbage"}},
         3 * gibibyte},
        {"unreadable: a folder where the limit should be",
         {{"proc/self/cgroup", "0::/a\n"},
          {"proc/self/mountinfo", version2Mount},
          {"sys/fs/cgroup/a/memory.max/x", ""}},
         std::nullopt},
    };
    for (const Case& c : cases) {
        const FakeSystem system;
        for (const auto& [path, content] : c.files) system.write(path, content);
        EXPECT_EQ(controlGroupMemoryLeft(system.root()), c.expected) << c.what;
    }
}

// Inside `docker run -m 8g` on a larger host, 2 GB of it in use, a run of
// 4000 x 6000 cells (some 7.3 GB) must not plan its records in memory: the
// kernel would kill it without a word, where the scratch file works.
TEST(ControlGroupMemory, ARunOverTheGroupsLimitKeepsItsRecordsOutOfMemory) {
    const FakeSystem system;
    system.write("proc/self/cgroup", "0::/\n");
    system.write("proc/self/mountinfo", version2Mount);
    system.write("sys/fs/cgroup/memory.max", bytes(8 * gibibyte));
    system.write("sys/fs/cgroup/memory.current", bytes(2 * gibibyte));
    const MachineRoom room = roomOfThisMachine(system.root().c_str(), system.root());
    EXPECT_LE(room.memory, 6 * gibibyte);
    const StudyArea area{4000, 6000, 60, 55};
    EXPECT_NE(planRun(area, {room.memory, UINT64_MAX, UINT64_MAX}, false), RecordPlace::memory);
}

}  // namespace
}  // namespace drainPrep
