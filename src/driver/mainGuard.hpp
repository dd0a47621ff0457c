// Every stage hands its failures to its main as messages. What can still
// escape (memory that cannot be had, a library's own exception) ends the
// process the same way: one line and status 1, never an abort, and only
// after the unwinding has run every clean-up on the way, such as the removal
// of a staging folder.
#pragma once

#include <exception>
#include <new>
#include <ostream>

namespace drainPrep {

template <typename Main>
int runCatchingFailures(std::ostream& console, Main main) {
    try {
        return main();
    } catch (const std::bad_alloc&) {
        console << "Not enough memory: this machine cannot hold what the work needs." << std::endl;
    } catch (const std::exception& failure) {
        console << "Stopped by an unexpected failure: " << failure.what() << "." << std::endl;
    } catch (...) {
        console << "Stopped by an unexpected failure." << std::endl;
    }
    return 1;
}

}  // namespace drainPrep
