#include <iostream>
#include <string>
#include <vector>

#include "driver/mainGuard.hpp"
#include "directions/directionsCommand.hpp"

int main(int argc, char** argv) {
    return drainPrep::runCatchingFailures(std::cout, [argc, argv] {
        const std::vector<std::string> arguments(argv + 1, argv + argc);
        return drainPrep::exitStatus(std::cout,
                                     drainPrep::runDrainPrepDirections(arguments, std::cout));
    });
}
