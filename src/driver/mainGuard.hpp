// Every stage hands its failures to its main as messages, which the main
// prints and turns into status 1. What can still escape (memory that cannot
// be had, a library's own exception) ends the process the same way: one line
// and status 1, never an abort, and only after the unwinding has run every
// clean-up on the way, such as the removal of a staging folder.
#pragma once

#include <exception>
#include <new>
#include <ostream>
#include <string>

#include "text/failure.hpp"

namespace drainPrep {

// Texts that carry their own "\n" (a usage, a refusal of the arguments) are
// written as they stand, the others as lines; either is flushed, since
// nothing the process does after it may come before it on the console.
inline void printFailure(std::ostream& console, const std::string& text) {
    console << text;
    if (text.empty() || text.back() != '\n') console << '\n';
    console << std::flush;
}

// 0 after a stage's end without failure, else 1 with the failure printed.
inline int exitStatus(std::ostream& console, const Failure& failure) {
    if (!failure) return 0;
    printFailure(console, *failure);
    return 1;
}

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
