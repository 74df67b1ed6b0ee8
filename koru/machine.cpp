// The fetch-execute loop of the KORU machine and its built-in library routines.
#include "machine.hpp"

#include "syntax.hpp"

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
    : program_(program), input_(input), output_(output) {
    reset();
}

void Machine::reset() {
    memory_ = program_.memory;
    memory_.resize(memorySize, 0);
    for (std::uint16_t& r : registers_) r = 0;
    negative_ = zero_ = overflow_ = false;
    pc_ = 0;
    jumpFrom_ = noJump;
    steps_ = 0;
    last_ = RunResult();
    last_.outcome = Outcome::running;
    for (Watched& watched : watches_) watched.value = word(watched.address);
}

std::uint16_t Machine::word(std::uint32_t address) const {
    return static_cast<std::uint16_t>(memory_[address & 0xFFFF] << 8 |
                                      memory_[(address + 1) & 0xFFFF]);
}

void Machine::setBreakpoint(std::uint32_t index, bool on) {
    if (index >= program_.code.size()) return;
    if (breakpoints_.empty()) {
        if (!on) return;
        breakpoints_.assign(program_.code.size(), 0);
    }
    if ((breakpoints_[index] != 0) == on) return;
    breakpoints_[index] = on ? 1 : 0;
    breakpointCount_ += on ? 1 : -1;
    if (breakpointCount_ == 0) breakpoints_.clear();
}

void Machine::clearBreakpoints() {
    breakpoints_.clear();
    breakpointCount_ = 0;
}

void Machine::addWatch(std::uint16_t address) {
    for (const Watched& watched : watches_) {
        if (watched.address == address) return;
    }
    watches_.push_back({address, word(address)});
}

void Machine::removeWatch(std::uint16_t address) {
    for (std::size_t i = 0; i < watches_.size(); ++i) {
        if (watches_[i].address == address) {
            watches_.erase(watches_.begin() + static_cast<std::ptrdiff_t>(i));
            return;
        }
    }
}

std::vector<StackWord> Machine::stack(std::uint16_t start) const {
    std::vector<StackWord> words;
    for (std::uint32_t address = registers_[regSP]; address + 2 <= start; address += 2) {
        words.push_back({static_cast<std::uint16_t>(address), word(address)});
    }
    return words;
}

Outcome Machine::step() {
    if (ended()) return last_.outcome;
    std::uint32_t index = pc_++;
    Outcome outcome = execute(program_.code[index]);
    finish(outcome, index, 1);
    if (outcome == Outcome::running && !watches_.empty() && watchFired()) {
        last_.outcome = Outcome::watch;
    }
    return last_.outcome;
}

RunResult Machine::run(std::uint64_t maxSteps) {
    if (!ended()) {
        if (breakpointCount_ != 0 || !watches_.empty()) {
            runLoop<true>(maxSteps);
        } else {
            runLoop<false>(maxSteps);
        }
    }
    return last_;
}

// The loop of every run: `checked` adds the breakpoint and watch tests, which a run without
// any does not pay for.
template <bool checked>
void Machine::runLoop(std::uint64_t maxSteps) {
    const Instruction* code = program_.code.data();
    for (std::uint64_t executed = 0;; ++executed) {
        if (executed == maxSteps && maxSteps != 0) {
            steps_ += executed;
            last_ = {Outcome::stepLimit,
                     "step limit of " + std::to_string(maxSteps) + " reached",
                     pc_,
                     0,
                     steps_,
                     0};
            return;
        }
        std::uint32_t index = pc_;
        if constexpr (checked) {
            if (executed != 0 && breakpointAt(index)) {
                steps_ += executed;
                last_ = {Outcome::breakpoint, "", index, 0, steps_, 0};
                return;
            }
        }
        ++pc_;
        Outcome outcome = execute(code[index]);
        if (outcome != Outcome::running) {
            steps_ += executed;
            finish(outcome, index, 1);
            return;
        }
        if constexpr (checked) {
            if (!watches_.empty() && watchFired()) {
                steps_ += executed + 1;
                last_.outcome = Outcome::watch;
                last_.instruction = index;
                last_.trapFrom = 0;
                last_.steps = steps_;
                return;
            }
        }
    }
}

// Records how the instruction at `index` ended: `counted` is how many steps it adds, none
// for the sentinel, which is no instruction.
Outcome Machine::finish(Outcome outcome, std::uint32_t index, std::uint64_t counted) {
    last_.outcome = outcome;
    last_.instruction = index;
    last_.trapFrom = 0;
    last_.message.clear();
    if (outcome == Outcome::ranOffEnd) {
        pc_ = index;
        // Blame the instruction that led there: the jump to the end, or the last one.
        last_.instruction = jumpFrom_ != noJump && program_.code[jumpFrom_].src == index
                                ? jumpFrom_
                                : (index == 0 ? 0 : index - 1);
    } else {
        steps_ += counted;
    }
    last_.steps = steps_;
    if (outcome == Outcome::halted) {
        if (const TrapHandler* trap = program_.trapHaltingAt(index)) {
            last_.outcome =
                trap->kind == TrapKind::overflow ? Outcome::overflowTrap : Outcome::divideTrap;
            bool jumpedIn = jumpFrom_ != noJump && program_.code[jumpFrom_].src == trap->entry;
            last_.trapFrom = jumpedIn ? jumpFrom_ : (trap->entry == 0 ? 0 : trap->entry - 1);
        }
    } else if (outcome != Outcome::running) {
        last_.message = std::move(faultMessage_);
        faultMessage_.clear();
    }
    return last_.outcome;
}

bool Machine::watchFired() {
    bool fired = false;
    for (Watched& watched : watches_) {
        std::uint16_t now = word(watched.address);
        if (now == watched.value) continue;
        if (!fired) {
            last_.watched = watched.address;
            last_.message = "the word at " + hex4(watched.address) + " changed from " +
                            std::to_string(toSigned(watched.value)) + " to " +
                            std::to_string(toSigned(now));
        }
        watched.value = now;
        fired = true;
    }
    return fired;
}

Outcome Machine::execute(const Instruction& in) {
    switch (in.op) {
        case Op::Move:
            store(in.dstMode, in.dst, load(in.srcMode, in.src));
            return Outcome::running;
        case Op::Push:
            return push(in);
        case Op::Pop:
            return pop(in);
        case Op::Add:
            arithmetic(in, destination(in) + source(in));
            return Outcome::running;
        case Op::Sub:
            arithmetic(in, destination(in) - source(in));
            return Outcome::running;
        case Op::Mul:
            arithmetic(in, destination(in) * source(in));
            return Outcome::running;
        case Op::Div:
        case Op::Mod:
            return divide(in);
        case Op::And:
            bitwise(in.dstMode, in.dst, load(in.dstMode, in.dst) & load(in.srcMode, in.src));
            return Outcome::running;
        case Op::Or:
            bitwise(in.dstMode, in.dst, load(in.dstMode, in.dst) | load(in.srcMode, in.src));
            return Outcome::running;
        case Op::Not:
            bitwise(in.srcMode, in.src, static_cast<std::uint16_t>(~load(in.srcMode, in.src)));
            return Outcome::running;
        case Op::Cmp: {
            Instruction compare = in;
            compare.dstMode = Mode::None;  // flags only: nothing is stored
            arithmetic(compare, destination(in) - source(in));
            return Outcome::running;
        }
        case Op::Beq:
        case Op::Bne:
        case Op::Bmi:
        case Op::Bpl:
        case Op::Bvs:
        case Op::Bvc:
        case Op::Jmp:
            if (branchTaken(in.op)) {
                jumpFrom_ = pc_ - 1;
                pc_ = in.src;
            }
            return Outcome::running;
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

Outcome Machine::executeRoutine(Op op) {
    switch (op) {
        case Op::PutString:
            return putString();
        case Op::GetDword:
            return getDword();
        case Op::PutDword:
            writeNumber(output_, toSigned(registers_[regA]));
            return output_.failed() ? Outcome::outputFailed : Outcome::running;
        case Op::Halt:
            return Outcome::halted;
        default:
            return fault(Outcome::ranOffEnd, "ran past the last instruction without HALT");
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
Outcome Machine::divide(const Instruction& in) {
    int divisor = source(in);
    if (divisor == 0) {
        return fault(Outcome::zeroDivisor,
                     std::string(in.op == Op::Div ? "DIV" : "MOD") + " by zero");
    }
    int dividend = destination(in);
    arithmetic(in, in.op == Op::Div ? dividend / divisor : dividend % divisor);
    return Outcome::running;
}

// SP is a signed word like A and B, so that a stack pointer "below 0" means one thing
// whichever way SP got there; the stack thus lies in addresses 0 to $7FFF.
Outcome Machine::push(const Instruction& in) {
    std::uint16_t sp = registers_[regSP];
    if (toSigned(sp) < 0) {
        return fault(Outcome::stackOverflow,
                     "PUSH with SP at " + hex4(sp) + ": the stack pointer is below 0");
    }
    if (sp < 2) {
        return fault(Outcome::stackOverflow,
                     "stack overflow: PUSH with SP at " + hex4(sp) + " goes below 0");
    }
    sp = static_cast<std::uint16_t>(sp - 2);
    registers_[regSP] = sp;
    // Read after lowering SP: PUSH SP stores the SP that now addresses the pushed word.
    store(Mode::Memory, sp, load(in.srcMode, in.src));
    return Outcome::running;
}

Outcome Machine::pop(const Instruction& in) {
    std::uint16_t sp = registers_[regSP];
    if (toSigned(sp) < 0) {
        return fault(Outcome::stackUnderflow,
                     "POP with SP at " + hex4(sp) + ": the stack pointer is below 0");
    }
    if (sp > 0x7FFD) {
        return fault(Outcome::stackUnderflow,
                     "POP with SP at " + hex4(sp) + " goes past $7FFF, the top of the stack");
    }
    std::uint16_t value = word(sp);
    registers_[regSP] = static_cast<std::uint16_t>(sp + 2);
    store(in.srcMode, in.src, value);
    return Outcome::running;
}

// The terminator is looked for first, so that a string without one writes nothing.
Outcome Machine::putString() {
    std::size_t start = registers_[regA];
    const void* end = std::memchr(memory_.data() + start, 0, memorySize - start);
    if (end == nullptr) {
        return fault(Outcome::unterminatedString, "putstring: the string at " +
                                                      hex4(registers_[regA]) +
                                                      " has no zero byte before the end of memory");
    }
    const char* text = reinterpret_cast<const char*>(memory_.data() + start);
    output_.write(std::string_view(text, static_cast<const char*>(end) - text));
    return output_.failed() ? Outcome::outputFailed : Outcome::running;
}

Outcome Machine::getDword() {
    std::int16_t value = 0;
    std::string token;
    switch (readNumber(input_, value, token)) {
        case ReadStatus::ok:
            registers_[regA] = static_cast<std::uint16_t>(value);
            return Outcome::running;
        case ReadStatus::endOfInput:
            return fault(Outcome::missingInput, "getdword: no number left in the input");
        case ReadStatus::notANumber:
            return fault(Outcome::badInput, "getdword: " + quoted(token) + " is not a number");
        case ReadStatus::outOfRange:
            break;
    }
    return fault(Outcome::badInput,
                 "getdword: " + printable(token) + " lies outside -32768..32767");
}

Outcome Machine::fault(Outcome kind, std::string message) {
    faultMessage_ = std::move(message);
    return kind;
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
