// The KORU machine: runs an assembled Program, as a whole or one instruction at a time.
//
// Registers A, B and SP hold 16-bit words, all three read as two's-complement numbers; SP
// addresses the word on top of the stack, which therefore lives at addresses 0 to $7FFF.
// Memory is 64 KiB of bytes, words are big-endian. PUSH lowers SP by 2 and then stores (so
// PUSH SP stores the lowered SP); POP loads and then raises SP by 2. Two-operand instructions
// name the source first and the destination second. ADD, SUB, MUL and DIV set N and Z from
// the wrapped result and V on signed overflow; MOD sets N and Z and clears V; AND, OR and NOT
// set N and Z and clear V; CMP sets N, Z and V from destination minus source without storing
// it. MOVE, branches, jumps and the library routines leave the flags alone.
//
// The library routines putstring, getdword and putdword are built in (JSR).
//
// Other programs (the koru debugger, a grading tool, a browser playground) drive the machine
// through `step` and `run` and read its state between calls; `run` has two loops so that
// breakpoints and watches cost nothing while none is set.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "io.hpp"
#include "program.hpp"

namespace koru {

enum class Outcome : std::uint8_t {
    running,       // from `step`: the instruction was executed and the program goes on
    halted,        // HALT was executed (outside a trap handler)
    overflowTrap,  // HALT in a compiled program's integer-overflow handler
    divideTrap,    // HALT in a compiled program's divide-by-zero handler
    // Run-time errors: faults of the running program.
    stackOverflow,       // PUSH would take SP below 0
    stackUnderflow,      // POP with SP below 0 or past $7FFD
    missingInput,        // getdword found no number left
    badInput,            // getdword found a token that is not a number in -32768..32767
    zeroDivisor,         // DIV or MOD by zero
    unterminatedString,  // putstring found no zero byte before the end of memory
    ranOffEnd,           // execution went past the last instruction
    // Stops that leave the machine able to go on.
    stepLimit,     // the step budget of this `run` is spent
    breakpoint,    // the next instruction has a breakpoint
    watch,         // a watched word has changed
    outputFailed,  // standard output could not be written
};

inline bool isRuntimeError(Outcome outcome) {
    return outcome >= Outcome::stackOverflow && outcome <= Outcome::ranOffEnd;
}
inline bool isTrap(Outcome outcome) {
    return outcome == Outcome::overflowTrap || outcome == Outcome::divideTrap;
}
// After these the program cannot go on; after the others (`running` and the stops) it can.
inline bool isFinal(Outcome outcome) {
    return outcome != Outcome::running && outcome != Outcome::stepLimit &&
           outcome != Outcome::breakpoint && outcome != Outcome::watch;
}

struct RunResult {
    Outcome outcome = Outcome::halted;
    std::string message;  // what went wrong, for run-time errors and limits
    // The last instruction executed or attempted; at a breakpoint or the step limit, the one
    // about to run.
    std::uint32_t instruction = 0;
    // For a trap: the instruction executed just before the handler, i.e. the branch that
    // entered it (BVS after an overflowing operation, BEQ after a zero divisor test).
    std::uint32_t trapFrom = 0;
    std::uint64_t steps = 0;    // instructions executed since the start (or `reset`)
    std::uint16_t watched = 0;  // for a watch: the address of the word that changed
};

struct StackWord {
    std::uint16_t address;
    std::uint16_t value;
};

class Machine {
  public:
    // `program`, `input` and `output` must outlive the machine; the memory image is copied.
    Machine(const Program& program, Input& input, Output& output);

    // Back to the state before the first instruction: memory as assembled, registers and
    // flags 0. Breakpoints and watches stay. The input is the caller's to renew.
    void reset();

    // Executes one instruction, ignoring breakpoints: `running` if the program can go on,
    // `watch` if it changed a watched word, else how it ended. Once the program has ended,
    // returns that again and does nothing.
    Outcome step();

    // Runs until the program ends, `maxSteps` instructions have run in this call (0: no
    // limit), or a breakpoint or watch stops it. A breakpoint on the first instruction of the
    // call does not stop it, so that a run can go on from the breakpoint it stopped at.
    RunResult run(std::uint64_t maxSteps);

    // The state of the last `step` or `run`.
    const RunResult& last() const { return last_; }
    bool ended() const { return isFinal(last_.outcome); }

    void setBreakpoint(std::uint32_t index, bool on);
    bool breakpointAt(std::uint32_t index) const {
        return index < breakpoints_.size() && breakpoints_[index] != 0;
    }
    void clearBreakpoints();

    // Stops a run after any instruction that changes the word at `address`.
    void addWatch(std::uint16_t address);
    void removeWatch(std::uint16_t address);
    void clearWatches() { watches_.clear(); }

    // The registers, flags, program counter and memory.
    std::uint16_t registerValue(Register r) const { return registers_[r]; }
    std::uint16_t a() const { return registers_[regA]; }
    std::uint16_t b() const { return registers_[regB]; }
    std::uint16_t sp() const { return registers_[regSP]; }
    bool negative() const { return negative_; }
    bool zero() const { return zero_; }
    bool overflow() const { return overflow_; }
    std::uint32_t pc() const { return pc_; }  // the index of the next instruction
    std::uint64_t steps() const { return steps_; }
    std::uint16_t word(std::uint32_t address) const;
    std::uint8_t byte(std::uint32_t address) const { return memory_[address & 0xFFFF]; }

    // The words from SP up to `start` (exclusive), top of the stack first: what PUSH has put
    // on a stack that began with SP at `start`. Compiled programs start it at $DF.
    std::vector<StackWord> stack(std::uint16_t start = 0xDF) const;

  private:
    template <bool checked>
    void runLoop(std::uint64_t maxSteps);
    Outcome finish(Outcome outcome, std::uint32_t index, std::uint64_t counted);
    bool watchFired();

    Outcome execute(const Instruction& instruction);
    Outcome executeRoutine(Op op);
    void arithmetic(const Instruction& instruction, int result);
    void bitwise(Mode mode, std::uint32_t field, std::uint16_t result);
    Outcome divide(const Instruction& instruction);
    bool branchTaken(Op op) const;
    Outcome push(const Instruction& instruction);
    Outcome pop(const Instruction& instruction);
    Outcome putString();
    Outcome getDword();
    Outcome fault(Outcome kind, std::string message);

    std::uint16_t load(Mode mode, std::uint32_t field) const;
    void store(Mode mode, std::uint32_t field, std::uint16_t value);
    int source(const Instruction& instruction) const {
        return toSigned(load(instruction.srcMode, instruction.src));
    }
    int destination(const Instruction& instruction) const {
        return toSigned(load(instruction.dstMode, instruction.dst));
    }

    const Program& program_;
    Input& input_;
    Output& output_;
    std::vector<std::uint8_t> memory_;
    std::uint16_t registers_[4] = {0, 0, 0, 0};  // A, B, SP; the fourth absorbs stray indices
    bool negative_ = false;
    bool zero_ = false;
    bool overflow_ = false;
    std::uint32_t pc_ = 0;
    // The last taken branch: whoever asks how a trap handler or the end of the code was
    // reached gets it from here, and the run loop need not remember every instruction.
    static constexpr std::uint32_t noJump = 0xFFFFFFFFu;
    std::uint32_t jumpFrom_ = noJump;
    std::uint64_t steps_ = 0;
    std::string faultMessage_;
    RunResult last_;
    std::vector<std::uint8_t> breakpoints_;  // per instruction; empty while none was set
    std::size_t breakpointCount_ = 0;
    struct Watched {
        std::uint16_t address;
        std::uint16_t value;
    };
    std::vector<Watched> watches_;
};

}  // namespace koru
