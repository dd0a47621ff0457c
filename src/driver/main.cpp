#include <iostream>

#include "driver/runSequence.hpp"

// Takes no arguments: the run reads ./clipArea.dat and ./input, writes ./output.
int main() { return drainPrep::runDrainPrep(std::cout, std::cin); }
