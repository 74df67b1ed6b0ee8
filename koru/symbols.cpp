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
    if (program_.code.empty()) {
        failed_ = true;
        error_ = {0, bytesSeen_ == 0 ? "the file is empty" : "the program has no instructions",
                  AssemblyError::Kind::noInstructions};
        return false;
    }
    findTrapHandlers();
    for (Instruction& instruction : program_.code) {
        resolve(instruction.srcMode, instruction.src);
        resolve(instruction.dstMode, instruction.dst);
    }
    // The sentinel is blamed on the last instruction's line: running into it is a fault of
    // how the code ends, and the file may go on with data or comments after it.
    std::uint32_t lastLine = program_.lines.back();
    program_.code.push_back({Op::RunOff, Mode::None, Mode::None, 0, 0});
    program_.lines.push_back(lastLine);
    program_.operands.push_back(program_.operandTexts.number(""));
    program_.labels.reserve(symbols_.size());
    for (const Symbol& symbol : symbols_) {
        LabelKind kind = symbol.kind == SymbolKind::text    ? LabelKind::text
                         : symbol.kind == SymbolKind::words ? LabelKind::words
                                                            : LabelKind::code;
        program_.labels.push_back({kind, symbol.value, symbol.definedAt});
    }
    program_.labelNames = std::move(labels_);
    labels_ = LabelTable();
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
        case SymbolKind::text:
        case SymbolKind::words:
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

// Before resolution, so that "#_Edividebyzero" is still a label and not just an address.
void Assembler::findTrapHandlers() {
    static constexpr struct {
        std::string_view message;
        TrapKind kind;
    } handlers[] = {{"_Eintegeroverflow", TrapKind::overflow},
                    {"_Edividebyzero", TrapKind::divideByZero}};
    const std::vector<Instruction>& code = program_.code;
    for (const auto& handler : handlers) {
        std::uint32_t number = labels_.find(handler.message);
        if (number == LabelTable::absent) continue;
        for (std::uint32_t i = 0; i + 2 < code.size(); ++i) {
            const Instruction& load = code[i];
            if (load.op == Op::Move && load.srcMode == Mode::PendingAddress && load.src == number &&
                load.dstMode == Mode::Register && load.dst == regA &&
                code[i + 1].op == Op::PutString && code[i + 2].op == Op::Halt) {
                program_.traps.push_back({handler.kind, i, i + 2});
            }
        }
    }
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
