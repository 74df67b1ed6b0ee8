// The fetch-execute loop of the KORU machine and its built-in library routines.
#include "machine.hpp"

#include <cstring>
#include <string_view>
#include <utility>

namespace koru {

namespace {

std::uint16_t wordOf(int value) {
    return static_cast<std::uint16_t>(value & 0xFFFF);
}

std::string hex4(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "$%04X", value & 0xFFFFu);
    return text;
}

}  // namespace

Machine::Machine(const Program& program, Input& input, Output& output)
    : program_(program), input_(input), output_(output), memory_(program.memory) {
    memory_.resize(memorySize, 0);
}

std::uint16_t Machine::word(std::uint32_t address) const {
    return static_cast<std::uint16_t>(memory_[address & 0xFFFF] << 8 |
                                      memory_[(address + 1) & 0xFFFF]);
}

RunResult Machine::run(const RunOptions& options) {
    const std::vector<Instruction>& code = program_.code;
    if (code.empty() || code.back().op != Op::RunOff) {
        return {Outcome::runtimeError, "the program has no end marker", 0, 0};
    }
    RunResult result;
    for (;;) {
        if (options.maxSteps != 0 && result.steps == options.maxSteps) {
            result.outcome = Outcome::stepLimit;
            result.message = "step limit of " + std::to_string(options.maxSteps) + " reached";
            return result;
        }
        result.instruction = pc_++;
        ++result.steps;
        Status status = execute(code[result.instruction]);
        if (options.trace != nullptr) trace(options.trace, result.instruction);
        if (status == Status::running) continue;
        if (status == Status::fault) result.outcome = Outcome::runtimeError;
        if (status == Status::outputFailed) result.outcome = Outcome::outputFailed;
        result.message = std::move(faultMessage_);
        return result;
    }
}

Machine::Status Machine::execute(const Instruction& in) {
    switch (in.op) {
        case Op::Move:
            store(in.dstMode, in.dst, load(in.srcMode, in.src));
            return Status::running;
        case Op::Push:
            return push(load(in.srcMode, in.src));
        case Op::Pop:
            return pop(in);
        case Op::Add:
            arithmetic(in, destination(in) + source(in));
            return Status::running;
        case Op::Sub:
            arithmetic(in, destination(in) - source(in));
            return Status::running;
        case Op::Mul:
            arithmetic(in, destination(in) * source(in));
            return Status::running;
        case Op::Div:
        case Op::Mod:
            return divide(in);
        case Op::And:
            bitwise(in.dstMode, in.dst, load(in.dstMode, in.dst) & load(in.srcMode, in.src));
            return Status::running;
        case Op::Or:
            bitwise(in.dstMode, in.dst, load(in.dstMode, in.dst) | load(in.srcMode, in.src));
            return Status::running;
        case Op::Not:
            bitwise(in.srcMode, in.src, static_cast<std::uint16_t>(~load(in.srcMode, in.src)));
            return Status::running;
        case Op::Cmp: {
            Instruction compare = in;
            compare.dstMode = Mode::None;  // flags only: nothing is stored
            arithmetic(compare, destination(in) - source(in));
            return Status::running;
        }
        case Op::Beq:
        case Op::Bne:
        case Op::Bmi:
        case Op::Bpl:
        case Op::Bvs:
        case Op::Bvc:
        case Op::Jmp:
            if (branchTaken(in.op)) pc_ = in.src;
            return Status::running;
        default:
            return executeRoutine(in.op);
    }
}

bool Machine::branchTaken(Op op) const {
    switch (op) {
        case Op::Beq:
            return zero_;
        case Op::Bne:
            return !zero_;
        case Op::Bmi:
            return negative_;
        case Op::Bpl:
            return !negative_;
        case Op::Bvs:
            return overflow_;
        case Op::Bvc:
            return !overflow_;
        default:
            return true;
    }
}

Machine::Status Machine::executeRoutine(Op op) {
    switch (op) {
        case Op::PutString:
            return putString();
        case Op::GetDword:
            return getDword();
        case Op::PutDword:
            writeNumber(output_, toSigned(registers_[regA]));
            return output_.failed() ? Status::outputFailed : Status::running;
        case Op::Halt:
            return Status::halted;
        default:
            return fault("ran past the last instruction without HALT");
    }
}

// `result` is the exact value of the operation on the signed operands; it is stored wrapped.
void Machine::arithmetic(const Instruction& in, int result) {
    std::uint16_t wrapped = wordOf(result);
    negative_ = (wrapped & 0x8000) != 0;
    zero_ = wrapped == 0;
    overflow_ = result != toSigned(wrapped);
    if (in.dstMode != Mode::None) store(in.dstMode, in.dst, wrapped);
}

void Machine::bitwise(Mode mode, std::uint32_t field, std::uint16_t result) {
    negative_ = (result & 0x8000) != 0;
    zero_ = result == 0;
    overflow_ = false;
    store(mode, field, result);
}

// Truncates toward zero, with the remainder taking the dividend's sign. Only -32768 / -1
// overflows; its remainder is 0 and does not.
Machine::Status Machine::divide(const Instruction& in) {
    int divisor = source(in);
    if (divisor == 0) {
        return fault(std::string(in.op == Op::Div ? "DIV" : "MOD") + " by zero");
    }
    int dividend = destination(in);
    arithmetic(in, in.op == Op::Div ? dividend / divisor : dividend % divisor);
    return Status::running;
}

Machine::Status Machine::push(std::uint16_t value) {
    std::uint16_t sp = registers_[regSP];
    if (sp < 2) return fault("stack overflow: PUSH with SP at " + hex4(sp) + " goes below 0");
    sp = static_cast<std::uint16_t>(sp - 2);
    registers_[regSP] = sp;
    store(Mode::Memory, sp, value);
    return Status::running;
}

Machine::Status Machine::pop(const Instruction& in) {
    std::uint16_t sp = registers_[regSP];
    if (sp > 0xFFFD) return fault("POP with SP at " + hex4(sp) + " goes past the memory");
    std::uint16_t value = word(sp);
    registers_[regSP] = static_cast<std::uint16_t>(sp + 2);
    store(in.srcMode, in.src, value);
    return Status::running;
}

// The terminator is looked for first, so that a string without one writes nothing.
Machine::Status Machine::putString() {
    std::size_t start = registers_[regA];
    const void* end = std::memchr(memory_.data() + start, 0, memorySize - start);
    if (end == nullptr) {
        return fault("putstring: the string at " + hex4(registers_[regA]) +
                     " has no zero byte before the end of memory");
    }
    const char* text = reinterpret_cast<const char*>(memory_.data() + start);
    output_.write(std::string_view(text, static_cast<const char*>(end) - text));
    return output_.failed() ? Status::outputFailed : Status::running;
}

Machine::Status Machine::getDword() {
    std::int16_t value = 0;
    std::string token;
    switch (readNumber(input_, value, token)) {
        case ReadStatus::ok:
            registers_[regA] = static_cast<std::uint16_t>(value);
            return Status::running;
        case ReadStatus::endOfInput:
            return fault("getdword: no number left in the input");
        case ReadStatus::notANumber:
            return fault("getdword: '" + token + "' is not a number");
        case ReadStatus::outOfRange:
            break;
    }
    return fault("getdword: " + token + " lies outside -32768..32767");
}

Machine::Status Machine::fault(std::string message) {
    faultMessage_ = std::move(message);
    return Status::fault;
}

void Machine::trace(std::FILE* file, std::uint32_t index) const {
    std::string text = describe(program_.code[index]);
    unsigned line = index < program_.lines.size() ? program_.lines[index] : 0;
    std::fprintf(file, "line %-7u %-22s A=%-6d B=%-6d SP=%s N=%d Z=%d V=%d\n", line, text.c_str(),
                 toSigned(registers_[regA]), toSigned(registers_[regB]),
                 hex4(registers_[regSP]).c_str(), negative_, zero_, overflow_);
}

std::uint16_t Machine::load(Mode mode, std::uint32_t field) const {
    switch (mode) {
        case Mode::Immediate:
            return static_cast<std::uint16_t>(field);
        case Mode::Register:
            return registers_[field & 3];
        default:
            return word(field);
    }
}

void Machine::store(Mode mode, std::uint32_t field, std::uint16_t value) {
    if (mode == Mode::Register) {
        registers_[field & 3] = value;
    } else {
        memory_[field & 0xFFFF] = static_cast<std::uint8_t>(value >> 8);
        memory_[(field + 1) & 0xFFFF] = static_cast<std::uint8_t>(value & 0xFF);
    }
}

}  // namespace koru
