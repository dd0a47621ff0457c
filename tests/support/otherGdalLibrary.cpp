// libdrainPrepGdal.so as another build would make it: a version that this
// build's executables refuse before they take a call.
#include <cstdint>

extern "C" std::uint32_t drainPrepGdalLibraryVersion() { return 1; }
extern "C" const void* drainPrepGdalLibraryCalls() { return nullptr; }
