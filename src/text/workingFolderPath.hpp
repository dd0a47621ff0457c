// A program opens its own files from its working folder, and names them so
// on the console ("./output/flowDir.bin"); readers of a finished run join the
// same names to the run's folder. The path is made when the program is built,
// so that each name is written once and the path stays a plain constant.
#pragma once

#include <cstddef>

namespace drainPrep {

template <std::size_t NameSize>
struct WorkingFolderPath {
    char text[NameSize + 2] = {};
};

template <std::size_t NameSize>
constexpr WorkingFolderPath<NameSize> fromWorkingFolder(const char (&name)[NameSize]) {
    WorkingFolderPath<NameSize> path{};
    path.text[0] = '.';
    path.text[1] = '/';
    for (std::size_t i = 0; i < NameSize; ++i) path.text[i + 2] = name[i];
    return path;
}

// "./" and the name, as a constant of the program.
template <auto& name>
inline constexpr auto pathFromWorkingFolder = fromWorkingFolder(name);

}  // namespace drainPrep
