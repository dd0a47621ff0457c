#include <iostream>
#include <string>
#include <vector>

#include "area/areaCommand.hpp"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return drainPrep::runDrainPrepArea(arguments, std::cout);
}
