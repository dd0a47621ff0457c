#include "text/shellWord.hpp"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace drainPrep {

std::string shellWord(const std::string& text) {
    const bool plain = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0 ||
               (c != '\0' && std::strchr("/._-+,:=@", c) != nullptr);
    });
    if (plain) return text;
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

}  // namespace drainPrep
