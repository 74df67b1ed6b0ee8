// The KORU machine: runs an assembled Program.
//
// Registers A, B and SP hold 16-bit words; A and B are read as two's-complement numbers, SP as
// an address. Memory is 64 KiB of bytes, words are big-endian. PUSH lowers SP by 2 and then
// stores; POP loads and then raises SP by 2. Two-operand instructions name the source first
// and the destination second. ADD, SUB, MUL and DIV set N and Z from the wrapped result and V
// on signed overflow; MOD sets N and Z and clears V; AND, OR and NOT set N and Z and clear V;
// CMP sets N, Z and V from destination minus source without storing it. MOVE, branches,
// jumps and the library routines leave the flags alone.
//
// The library routines putstring, getdword and putdword are built in (JSR).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "io.hpp"
#include "program.hpp"

namespace koru {

enum class Outcome {
    halted,        // HALT was executed
    runtimeError,  // a fault of the running program
    stepLimit,     // the step limit was reached before HALT
    outputFailed,  // standard output could not be written
};

struct RunResult {
    Outcome outcome = Outcome::halted;
    std::string message;            // empty after HALT
    std::uint32_t instruction = 0;  // the index of the last instruction executed or attempted
    std::uint64_t steps = 0;        // instructions executed
};

struct RunOptions {
    std::uint64_t maxSteps = 100000000;  // 0: no limit
    std::FILE* trace = nullptr;          // receives one line per executed instruction
};

class Machine {
  public:
    // `program` must stay alive while the machine runs it; its memory image is copied.
    Machine(const Program& program, Input& input, Output& output);

    RunResult run(const RunOptions& options);

    std::uint16_t registerValue(Register r) const { return registers_[r]; }
    bool negative() const { return negative_; }
    bool zero() const { return zero_; }
    bool overflow() const { return overflow_; }
    std::uint16_t word(std::uint32_t address) const;

  private:
    enum class Status { running, halted, fault, outputFailed };

    Status execute(const Instruction& instruction);
    Status executeRoutine(Op op);
    void arithmetic(const Instruction& instruction, int result);
    void bitwise(Mode mode, std::uint32_t field, std::uint16_t result);
    Status divide(const Instruction& instruction);
    bool branchTaken(Op op) const;
    Status push(std::uint16_t value);
    Status pop(const Instruction& instruction);
    Status putString();
    Status getDword();
    Status fault(std::string message);
    void trace(std::FILE* file, std::uint32_t index) const;

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
    std::string faultMessage_;
};

}  // namespace koru
