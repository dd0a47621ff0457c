#include <iostream>
#include <string>
#include <vector>

#include "area/areaCommand.hpp"
#include "driver/mainGuard.hpp"

int main(int argc, char** argv) {
    return drainPrep::runCatchingFailures(std::cout, [argc, argv] {
        const std::vector<std::string> arguments(argv + 1, argv + argc);
        drainPrep::AreaVerdict verdict = drainPrep::AreaVerdict::usable;
        if (auto failure = drainPrep::runDrainPrepArea(arguments, std::cout, verdict)) {
            return drainPrep::exitStatus(std::cout, failure);
        }
        return drainPrep::exitStatus(verdict);
    });
}
