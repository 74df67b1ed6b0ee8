// Text forms of the machine's state.
#include "trace.hpp"

#include <cstdio>

namespace koru {

std::string hexWord(std::uint16_t word) {
    char text[8];
    std::snprintf(text, sizeof text, "$%04X", static_cast<unsigned>(word));
    return text;
}

std::string traceLine(const Program& program, const Machine& machine, std::uint32_t index) {
    std::string text = program.instructionText(index);
    unsigned line = index < program.lines.size() ? program.lines[index] : 0;
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "A=%-6d B=%-6d SP=$%04X N=%d Z=%d V=%d",
                  toSigned(machine.a()), toSigned(machine.b()), static_cast<unsigned>(machine.sp()),
                  machine.negative(), machine.zero(), machine.overflow());
    char head[32];
    std::snprintf(head, sizeof head, "line %-7u ", line);
    // Long operands (labels can be long) push the registers right rather than being cut.
    if (text.size() < 22) text.resize(22, ' ');
    return head + text + ' ' + buffer;
}

std::string registerLine(const Machine& machine) {
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "A=%d ($%04X)  B=%d ($%04X)  SP=$%04X  N=%d Z=%d V=%d",
                  toSigned(machine.a()), static_cast<unsigned>(machine.a()), toSigned(machine.b()),
                  static_cast<unsigned>(machine.b()), static_cast<unsigned>(machine.sp()),
                  machine.negative(), machine.zero(), machine.overflow());
    return buffer;
}

}  // namespace koru
