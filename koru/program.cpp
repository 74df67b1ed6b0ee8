// Disassembly of pre-decoded instructions, and the source-level views of a program.
#include "program.hpp"

#include <algorithm>
#include <cstdio>

namespace koru {

namespace {

const char* mnemonic(Op op) {
    static const char* const names[] = {"MOVE", "PUSH", "POP", "ADD", "SUB", "MUL", "DIV",  "MOD",
                                        "AND",  "OR",   "NOT", "CMP", "BEQ", "BNE", "BMI",  "BPL",
                                        "BVS",  "BVC",  "JMP", "JSR", "JSR", "JSR", "HALT", ""};
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

std::string padded(const char* name) {
    std::string text = name;
    text.resize(text.size() < 5 ? 5 : text.size() + 1, ' ');
    return text;
}

}  // namespace

std::string describe(const Instruction& instruction) {
    if (instruction.op == Op::RunOff) return "(end of program)";
    if (const char* routine = routineName(instruction.op)) {
        return padded(mnemonic(instruction.op)) + routine;
    }
    if (instruction.srcMode == Mode::None) return mnemonic(instruction.op);
    std::string text = padded(mnemonic(instruction.op));
    text += operandText(instruction.srcMode, instruction.src);
    if (instruction.dstMode != Mode::None) {
        text += ',';
        text += operandText(instruction.dstMode, instruction.dst);
    }
    return text;
}

std::string Program::instructionText(std::uint32_t index) const {
    if (index >= code.size()) return "";
    const Instruction& instruction = code[index];
    if (instruction.op == Op::RunOff) return "(end of program)";
    std::string_view operand = index < operands.size() ? operandText(index) : std::string_view();
    if (operand.empty()) return instruction.op == Op::Halt ? "HALT" : describe(instruction);
    return padded(mnemonic(instruction.op)).append(operand);
}

const Label* Program::findLabel(std::string_view name) const {
    std::uint32_t number = labelNames.find(name);
    return number < labels.size() ? &labels[number] : nullptr;
}

std::uint32_t Program::instructionAtLine(std::uint32_t line) const {
    if (code.empty()) return 0;
    auto end = lines.begin() + static_cast<std::ptrdiff_t>(code.size() - 1);
    return static_cast<std::uint32_t>(std::lower_bound(lines.begin(), end, line) - lines.begin());
}

const TrapHandler* Program::trapHaltingAt(std::uint32_t index) const {
    for (const TrapHandler& trap : traps) {
        if (trap.halt == index) return &trap;
    }
    return nullptr;
}

}  // namespace koru
