// One line of text per executed instruction, for `koru --trace` and the debugger: where it
// is in the source, what it is as written there, and the registers and flags after it.
#pragma once

#include <cstdint>
#include <string>

#include "machine.hpp"
#include "program.hpp"

namespace koru {

// "line 23     MOVE B,sym_a           A=5      B=-2     SP=$00DD N=0 Z=0 V=0"
std::string traceLine(const Program& program, const Machine& machine, std::uint32_t index);

// "A=5 ($0005)  B=-2 ($FFFE)  SP=$00DD  N=0 Z=0 V=0", for the debugger's `regs`.
std::string registerLine(const Machine& machine);

std::string hexWord(std::uint16_t word);  // "$00DD"

}  // namespace koru
