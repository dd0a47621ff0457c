// Literal networks for the tests, drawn one way: each cell is the keypad
// digit pointing where it drains,
//
//     7 8 9
//     4 5 6        5: the path ends there (an outlet or a sink)
//     1 2 3        '.': no flow data    '#': the frame ring
//
// read through the one direction table.
#pragma once

#include <cstdint>

#include "cell/directions.hpp"

namespace drainPrep::testing {

constexpr std::int32_t drawnCode(char symbol) {
    if (symbol == '.') return noFlowCode;
    if (symbol == '#') return frameRingCode;
    return codeOfStep(1 - (symbol - '1') / 3, (symbol - '1') % 3 - 1);
}

}  // namespace drainPrep::testing
