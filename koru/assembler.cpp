// The assembler's line structure and instruction encoding. Labels and their resolution are in
// symbols.cpp, directives and data definitions in directives.cpp.
#include "assembler.hpp"

#include <utility>

namespace koru {

// How many operands a mnemonic takes and which forms they may have.
enum class Shape : std::uint8_t {
    none,         // HALT
    source,       // PUSH: any readable operand
    destination,  // POP, NOT: a register or a memory word
    transfer,     // MOVE and arithmetic: any source, a writable destination
    compare,      // CMP: two readable operands
    jump,         // branches and JMP: a code label
    call,         // JSR: a library routine
};

struct Mnemonic {
    std::string_view name;
    Op op;
    Shape shape;
};

namespace {

const Mnemonic* findMnemonic(std::string_view name);

Op findRoutine(std::string_view name) {
    if (name == "putstring") return Op::PutString;
    if (name == "getdword") return Op::GetDword;
    if (name == "putdword") return Op::PutDword;
    return Op::RunOff;
}

std::size_t operandCount(Shape shape) {
    switch (shape) {
        case Shape::none:
            return 0;
        case Shape::transfer:
        case Shape::compare:
            return 2;
        default:
            return 1;
    }
}

// Splits "src,dst" at its commas; returns false when there are more parts than `wanted`.
bool splitOperands(std::string_view text, std::size_t wanted, std::string_view parts[2],
                   std::size_t& count) {
    count = 0;
    if (text.empty()) return true;
    while (count < wanted) {
        std::size_t comma = text.find(',');
        parts[count++] = trimBlanks(text.substr(0, comma));
        if (comma == std::string_view::npos) return true;
        text.remove_prefix(comma + 1);
    }
    return false;
}

}  // namespace

bool assembleText(std::string_view text, Program& program, AssemblyError& error) {
    Assembler assembler;
    assembler.reserve(text.size());
    while (!text.empty() && !assembler.failed()) {
        std::size_t end = text.find('\n');
        assembler.addLine(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    if (assembler.finish(program)) return true;
    error = assembler.error();
    return false;
}

bool assembleFile(std::FILE* file, Program& program, AssemblyError& error) {
    Assembler assembler;
    // Only a plausible size is worth reserving for: some files (directories on some systems,
    // devices) report sizes that no program has.
    // Compared as a 64-bit number: where a long has 32 bits, as in WebAssembly, every size
    // ftell can give is below the bound.
    constexpr unsigned long long largestReserved = 1ULL << 32;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        const long size = std::ftell(file);
        if (size > 0 && static_cast<unsigned long long>(size) <= largestReserved)
            assembler.reserve(static_cast<std::size_t>(size));
        std::rewind(file);
    }
    std::vector<char> block(1 << 20);
    std::string partial;  // the start of a line that continues in the next block
    while (!assembler.failed()) {
        std::size_t size = std::fread(block.data(), 1, block.size(), file);
        if (size == 0) break;
        std::string_view rest(block.data(), size);
        for (std::size_t end; (end = rest.find('\n')) != std::string_view::npos;) {
            if (partial.empty()) {
                assembler.addLine(rest.substr(0, end));
            } else {
                assembler.addLine(partial.append(rest.substr(0, end)));
                partial.clear();
            }
            rest.remove_prefix(end + 1);
        }
        partial.append(rest);
    }
    if (std::ferror(file)) {
        error = {0, "cannot read the program", AssemblyError::Kind::unreadable};
        return false;
    }
    if (!partial.empty()) assembler.addLine(partial);
    if (assembler.finish(program)) return true;
    error = assembler.error();
    return false;
}

Assembler::Assembler() = default;

// Growing the instruction store by doubling would copy it and touch every page twice; a
// reservation from the source size avoids that, and pages never used cost nothing.
void Assembler::reserve(std::size_t sourceBytes) {
    program_.code.reserve(sourceBytes / 8 + 1);
    program_.lines.reserve(sourceBytes / 8 + 1);
    program_.operands.reserve(sourceBytes / 8 + 1);
    labels_.reserve(sourceBytes / 128);
}

void Assembler::addLine(std::string_view line) {
    ++line_;
    bytesSeen_ += line.size() + 1;
    if (failed_) return;
    if (inText_) {
        inText_ = false;
        std::size_t position = quotedText(line, 0);
        if (position != std::string_view::npos) defineBytes(line, position, true);
        return;
    }
    if (line.empty() || line.front() == '*') return;
    if (isBlank(line.front())) {
        statement({}, line);
        return;
    }
    std::size_t end = 0;
    while (end < line.size() && !isBlank(line[end])) ++end;
    statement(line.substr(0, end), line.substr(end));
}

// `text` starts with blanks or is empty. Data text must stay untrimmed, since a quoted text
// may end in blanks that belong to it.
void Assembler::statement(std::string_view label, std::string_view text) {
    std::size_t start = 0;
    while (start < text.size() && isBlank(text[start])) ++start;
    text.remove_prefix(start);
    if (text.empty()) {
        if (!label.empty()) defineLabel(label, SymbolKind::code, program_.code.size());
        return;
    }
    std::size_t end = 0;
    while (end < text.size() && !isBlank(text[end])) ++end;
    std::string_view name = text.substr(0, end);
    std::string_view operands = text.substr(end);
    if (isDirective(name)) return directive(label, name, operands);
    const Mnemonic* mnemonic = findMnemonic(name);
    if (mnemonic == nullptr) return fail("unknown mnemonic " + quoted(name));
    if (!label.empty() && !defineLabel(label, SymbolKind::code, program_.code.size())) return;
    instruction(*mnemonic, trimBlanks(operands));
}

void Assembler::instruction(const Mnemonic& mnemonic, std::string_view operands) {
    std::string_view parts[2];
    std::size_t count = 0;
    std::size_t wanted = operandCount(mnemonic.shape);
    if (!splitOperands(operands, wanted, parts, count) || count != wanted) {
        const char* plural = wanted == 1 ? " operand" : " operands";
        return fail(std::string(mnemonic.name) + " takes " + std::to_string(wanted) + plural);
    }
    if (mnemonic.shape == Shape::jump || mnemonic.shape == Shape::call) {
        return encodeJump(mnemonic, parts[0]);
    }
    Instruction instruction;
    instruction.op = mnemonic.op;
    std::string_view written = operands;
    bool sourceOnly = mnemonic.shape != Shape::destination;
    if (count >= 1 && !encodeOperand(parts[0], !sourceOnly, instruction.srcMode, instruction.src)) {
        return;
    }
    if (count == 2 && !encodeOperand(parts[1], mnemonic.shape == Shape::transfer,
                                     instruction.dstMode, instruction.dst)) {
        return;
    }
    emit(instruction, written);
}

bool Assembler::encodeOperand(std::string_view text, bool destination, Mode& mode,
                              std::uint32_t& field) {
    Operand operand = parseOperand(text);
    switch (operand.kind) {
        case OperandKind::Register:
            mode = Mode::Register;
            field = operand.value;
            return true;
        case OperandKind::LabelName:
            mode = Mode::PendingWord;
            field = use(operand.label, &Symbol::firstWordUse);
            return true;
        case OperandKind::Immediate:
        case OperandKind::LabelAddress:
            if (destination) break;
            mode = operand.kind == OperandKind::Immediate ? Mode::Immediate : Mode::PendingAddress;
            field = operand.kind == OperandKind::Immediate
                        ? operand.value
                        : use(operand.label, &Symbol::firstAddressUse);
            return true;
        case OperandKind::Invalid:
            fail("malformed operand " + quoted(text));
            return false;
    }
    fail("an immediate operand cannot be a destination: " + quoted(text));
    return false;
}

void Assembler::encodeJump(const Mnemonic& mnemonic, std::string_view operand) {
    if (mnemonic.shape == Shape::call) {
        Op routine = findRoutine(operand);
        if (routine == Op::RunOff) return fail("unknown library routine " + quoted(operand));
        return emit({routine, Mode::None, Mode::None, 0, 0}, operand);
    }
    if (!isLabelName(operand) || isRegisterName(operand)) {
        return fail("malformed jump target " + quoted(operand));
    }
    emitJump(
        {mnemonic.op, Mode::PendingTarget, Mode::None, use(operand, &Symbol::firstTargetUse), 0});
}

void Assembler::emit(const Instruction& instruction, std::string_view operands) {
    program_.code.push_back(instruction);
    program_.lines.push_back(line_);
    program_.operands.push_back(program_.operandTexts.number(operands));
}

// Before resolution the field is the label's number, which names the operand's text.
void Assembler::emitJump(const Instruction& instruction) {
    program_.code.push_back(instruction);
    program_.lines.push_back(line_);
    program_.operands.push_back(instruction.src | Program::labelOperand);
}

void Assembler::fail(std::string message) {
    failAt(line_, std::move(message));
}

void Assembler::failAt(std::uint32_t line, std::string message) {
    if (failed_) return;
    failed_ = true;
    error_ = {line, std::move(message)};
}

namespace {

const Mnemonic mnemonics[] = {
    {"MOVE", Op::Move, Shape::transfer},  {"PUSH", Op::Push, Shape::source},
    {"POP", Op::Pop, Shape::destination}, {"ADD", Op::Add, Shape::transfer},
    {"SUB", Op::Sub, Shape::transfer},    {"MUL", Op::Mul, Shape::transfer},
    {"DIV", Op::Div, Shape::transfer},    {"MOD", Op::Mod, Shape::transfer},
    {"AND", Op::And, Shape::transfer},    {"OR", Op::Or, Shape::transfer},
    {"NOT", Op::Not, Shape::destination}, {"CMP", Op::Cmp, Shape::compare},
    {"BEQ", Op::Beq, Shape::jump},        {"BNE", Op::Bne, Shape::jump},
    {"BMI", Op::Bmi, Shape::jump},        {"BPL", Op::Bpl, Shape::jump},
    {"BVS", Op::Bvs, Shape::jump},        {"BVC", Op::Bvc, Shape::jump},
    {"JMP", Op::Jmp, Shape::jump},        {"JSR", Op::Halt, Shape::call},
    {"HALT", Op::Halt, Shape::none},
};

// Every line goes through here. Mnemonics are at most four bytes, so each packs into one
// integer and the search compares integers rather than texts.
std::uint32_t packed(std::string_view name) {
    std::uint32_t key = 0;
    for (char c : name) key = key << 8 | static_cast<unsigned char>(c);
    return key;
}

const Mnemonic* findMnemonic(std::string_view name) {
    static const auto keys = [] {
        std::vector<std::uint32_t> built;
        for (const Mnemonic& mnemonic : mnemonics) built.push_back(packed(mnemonic.name));
        return built;
    }();
    if (name.size() > 4) return nullptr;
    std::uint32_t key = packed(name);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (keys[i] == key) return &mnemonics[i];
    }
    return nullptr;
}

}  // namespace

}  // namespace koru
