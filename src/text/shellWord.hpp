// Commands that the tools suggest are pasted into a shell: every path in
// them is one word, whatever it holds.
#pragma once

#include <string>

namespace drainPrep {

// The text as it stands where it is plain, else in single quotes.
std::string shellWord(const std::string& text);

}  // namespace drainPrep
