// What every fuzz target needs: a failed check that libFuzzer sees as a
// crash, and a place for scratch files that lives in memory where it can.
#pragma once

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzzing {

inline void require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "violated: %s\n", what);
    std::fflush(stderr);
    __builtin_trap();
}

// Rewriting a disk file forces a flush on every close; /dev/shm does not.
inline std::string scratchDirectory() {
    struct stat info {};
    if (stat("/dev/shm", &info) == 0 && S_ISDIR(info.st_mode)) return "/dev/shm";
    const char* tmp = std::getenv("TMPDIR");
    return tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
}

}  // namespace fuzzing
