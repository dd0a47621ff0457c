#pragma once

#include <optional>
#include <string>

namespace drainPrep {

// A failure is the exact message the console shows, so every room can hand
// it up unchanged to the one place that prints it; nothing means done.
using Failure = std::optional<std::string>;

}  // namespace drainPrep
