// The assembler's labels: definition, first uses, and the resolution of every operand that
// names a label once the whole program has been read.
#include <utility>

#include "assembler.hpp"

namespace koru {

bool Assembler::finish(Program& program) {
    if (failed_) return false;
    if (inText_) {
        failAt(textLine_, "quoted DC.B text not closed before the end of the program");
        return false;
    }
    Blame blame = firstSymbolProblem();
    if (blame.line != 0) {
        failAt(blame.line, std::move(blame.message));
        return false;
    }
    for (Instruction& instruction : program_.code) {
        resolve(instruction.srcMode, instruction.src);
        resolve(instruction.dstMode, instruction.dst);
    }
    program_.code.push_back({Op::RunOff, Mode::None, Mode::None, 0, 0});
    program_.lines.push_back(line_);
    program = std::move(program_);
    program_ = Program();
    return true;
}

bool Assembler::defineLabel(std::string_view name, SymbolKind kind, std::uint32_t value) {
    if (!isLabelName(name)) {
        fail("malformed label " + quoted(name));
        return false;
    }
    if (isRegisterName(name)) {
        fail("the register name " + quoted(name) + " cannot be a label");
        return false;
    }
    Symbol& symbol = symbols_[symbolNumber(name)];
    if (symbol.kind != SymbolKind::undefined) {
        fail("duplicate label " + quoted(name) + " (first defined on line " +
             std::to_string(symbol.definedAt) + ")");
        return false;
    }
    symbol.kind = kind;
    symbol.value = value;
    symbol.definedAt = line_;
    return true;
}

std::uint32_t Assembler::symbolNumber(std::string_view name) {
    std::uint32_t number = labels_.number(name);
    if (number == symbols_.size()) symbols_.emplace_back();
    return number;
}

std::uint32_t Assembler::use(std::string_view name, std::uint32_t Symbol::*firstUse) {
    std::uint32_t number = symbolNumber(name);
    Symbol& symbol = symbols_[number];
    if (symbol.*firstUse == 0) symbol.*firstUse = line_;
    return number;
}

// Picks the problem on the earliest line, so that the report does not depend on the order in
// which the labels happened to be seen.
Assembler::Blame Assembler::firstSymbolProblem() const {
    Blame first;
    for (std::uint32_t number = 0; number < symbols_.size(); ++number) {
        Blame blame = problemOf(number);
        if (blame.line != 0 && (first.line == 0 || blame.line < first.line)) first = blame;
    }
    return first;
}

Assembler::Blame Assembler::problemOf(std::uint32_t number) const {
    const Symbol& symbol = symbols_[number];
    const std::string name = quoted(labels_.name(number));
    auto earliest = [](std::uint32_t a, std::uint32_t b) {
        return (a == 0 || (b != 0 && b < a)) ? b : a;
    };
    switch (symbol.kind) {
        case SymbolKind::undefined: {
            std::uint32_t line = earliest(earliest(symbol.firstTargetUse, symbol.firstAddressUse),
                                          symbol.firstWordUse);
            return {line, "undefined label " + name};
        }
        case SymbolKind::code: {
            std::uint32_t line = earliest(symbol.firstAddressUse, symbol.firstWordUse);
            return {line, "code label " + name + " used as data"};
        }
        case SymbolKind::data:
            if (symbol.firstTargetUse != 0) {
                return {symbol.firstTargetUse, "data label " + name + " used as a jump target"};
            }
            if (symbol.firstWordUse != 0 && symbol.value + 1 >= memorySize) {
                return {symbol.firstWordUse, "the word at " + name + " lies past the memory"};
            }
            return {};
    }
    return {};
}

void Assembler::resolve(Mode& mode, std::uint32_t& field) const {
    switch (mode) {
        case Mode::PendingAddress:
            mode = Mode::Immediate;
            break;
        case Mode::PendingWord:
            mode = Mode::Memory;
            break;
        case Mode::PendingTarget:
            mode = Mode::Target;
            break;
        default:
            return;
    }
    field = symbols_[field].value;
}

}  // namespace koru
