// The assembled form of a KORU program: a pre-decoded instruction store and the initial
// 64 KiB data memory. The assembler produces it, the machine runs it, and `describe`
// turns one instruction back into assembly text for traces and run-time messages.
//
// Instructions live apart from the data memory because compiled programs can hold tens of
// millions of instructions, far more than 64 KiB; code labels therefore name positions in
// the instruction store, data labels name byte addresses in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace koru {

constexpr std::size_t memorySize = 65536;

// One operation per mnemonic, except that JSR is split into one operation per library
// routine so that a call costs no lookup at run time.
enum class Op : std::uint8_t {
    Move,
    Push,
    Pop,
    Add,
    Sub,
    Mul,
    Div,
    Mod,
    And,
    Or,
    Not,
    Cmp,
    Beq,
    Bne,
    Bmi,
    Bpl,
    Bvs,
    Bvc,
    Jmp,
    PutString,
    GetDword,
    PutDword,
    Halt,
    RunOff,  // the sentinel after the last instruction: reaching it is a run-time error
};

// How an operand field is to be read. The Pending modes exist only inside the assembler,
// until the labels are resolved; a finished program holds none of them.
enum class Mode : std::uint8_t {
    None,
    Immediate,       // the field is the 16-bit value
    Register,        // the field is a Register
    Memory,          // the field is the address of a big-endian word
    Target,          // the field is an instruction index
    PendingAddress,  // "#label": the field is a symbol number
    PendingWord,     // "label" as a data operand: the field is a symbol number
    PendingTarget,   // "label" as a jump target: the field is a symbol number
};

enum Register : std::uint32_t { regA = 0, regB = 1, regSP = 2 };

struct Instruction {
    Op op = Op::Halt;
    Mode srcMode = Mode::None;  // one-operand instructions use the source fields
    Mode dstMode = Mode::None;
    std::uint32_t src = 0;
    std::uint32_t dst = 0;
};

struct Program {
    std::vector<Instruction> code;     // always ends with a RunOff sentinel
    std::vector<std::uint32_t> lines;  // the source line of each entry of `code`
    std::vector<std::uint8_t> memory = std::vector<std::uint8_t>(memorySize, 0);
};

// The signed value of a 16-bit word, spelled out so that no conversion is
// implementation-defined.
inline int toSigned(std::uint16_t word) {
    return word < 0x8000 ? static_cast<int>(word) : static_cast<int>(word) - 0x10000;
}

// The instruction as assembly text, e.g. "MOVE #^5,A", "BNE  @12" (an instruction index)
// or "MOVE $0104,A" (a memory word). Labels are gone after assembly, so numbers stand in.
std::string describe(const Instruction& instruction);

}  // namespace koru
