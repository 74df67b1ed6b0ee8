// Disassembly of pre-decoded instructions, for traces and run-time messages.
#include "program.hpp"

#include <cstdio>

namespace koru {

namespace {

const char* mnemonic(Op op) {
    static const char* const names[] = {"MOVE", "PUSH", "POP", "ADD", "SUB",  "MUL",
                                        "DIV",  "MOD",  "AND", "OR",  "NOT",  "CMP",
                                        "BEQ",  "BNE",  "BMI", "BPL", "BVS",  "BVC",
                                        "JMP",  "JSR",  "JSR", "JSR", "HALT", "(end of program)"};
    return names[static_cast<int>(op)];
}

const char* routineName(Op op) {
    switch (op) {
        case Op::PutString:
            return "putstring";
        case Op::GetDword:
            return "getdword";
        case Op::PutDword:
            return "putdword";
        default:
            return nullptr;
    }
}

std::string operandText(Mode mode, std::uint32_t field) {
    static const char* const registers[] = {"A", "B", "SP"};
    char text[32];
    switch (mode) {
        case Mode::Immediate:
            std::snprintf(text, sizeof text, "#^%d", toSigned(static_cast<std::uint16_t>(field)));
            return text;
        case Mode::Register:
            return field <= regSP ? registers[field] : "?";
        case Mode::Memory:
            std::snprintf(text, sizeof text, "$%04X", static_cast<unsigned>(field));
            return text;
        case Mode::Target:
            std::snprintf(text, sizeof text, "@%u", static_cast<unsigned>(field));
            return text;
        default:
            return "";
    }
}

}  // namespace

std::string describe(const Instruction& instruction) {
    std::string text = mnemonic(instruction.op);
    if (const char* routine = routineName(instruction.op)) return text + "  " + routine;
    if (instruction.srcMode == Mode::None) return text;
    text.resize(text.size() < 5 ? 5 : text.size(), ' ');
    text += operandText(instruction.srcMode, instruction.src);
    if (instruction.dstMode != Mode::None) {
        text += ',';
        text += operandText(instruction.dstMode, instruction.dst);
    }
    return text;
}

}  // namespace koru
