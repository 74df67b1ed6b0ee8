// The assembled form of a KORU program: a pre-decoded instruction store, the initial
// 64 KiB data memory, and what a person needs to follow a run in terms of the source: each
// instruction's line and operand text as written, and the labels.
//
// Instructions live apart from the data memory because compiled programs can hold tens of
// millions of instructions, far more than 64 KiB; code labels therefore name positions in
// the instruction store, data labels name byte addresses in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "labels.hpp"

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

// `text` labels name DC.B data, `words` labels DS.W data: a debugger shows the one as a
// string and the other as a number.
enum class LabelKind : std::uint8_t { code, text, words };

struct Label {
    LabelKind kind = LabelKind::code;
    std::uint32_t value = 0;  // instruction index (code) or byte address (data)
    std::uint32_t line = 0;   // where it is defined
};

// The run-time error handlers of compiled programs: `MOVE #_Eintegeroverflow,A` (or
// `#_Edividebyzero`), `JSR putstring`, `HALT`. Halting in one is how such a program stops on
// a trap, and a grading tool must be able to tell that from a normal end.
enum class TrapKind : std::uint8_t { overflow, divideByZero };

struct TrapHandler {
    TrapKind kind = TrapKind::overflow;
    std::uint32_t entry = 0;  // the index of the MOVE
    std::uint32_t halt = 0;   // the index of the HALT
};

struct Program {
    std::vector<Instruction> code;     // always ends with a RunOff sentinel
    std::vector<std::uint32_t> lines;  // the source line of each entry of `code`
    std::vector<std::uint8_t> memory = std::vector<std::uint8_t>(memorySize, 0);

    // Compiled programs repeat a few thousand distinct operand texts over millions of
    // instructions, so each instruction keeps the number of its text in a table of
    // distinct texts: four bytes an instruction instead of a string. A jump's operand is
    // a label name, already numbered in `labelNames`: it is kept as that number with
    // `labelOperand` set, which keeps the table of texts small enough to stay in cache.
    static constexpr std::uint32_t labelOperand = 0x80000000u;
    std::vector<std::uint32_t> operands;  // per entry of `code`
    LabelTable operandTexts;

    LabelTable labelNames;      // label number -> name
    std::vector<Label> labels;  // indexed by label number
    std::vector<TrapHandler> traps;

    // The operands of instruction `index` as written in the source, blanks trimmed.
    std::string_view operandText(std::uint32_t index) const {
        std::uint32_t text = operands[index];
        return (text & labelOperand) != 0 ? labelNames.name(text & ~labelOperand)
                                          : operandTexts.name(text);
    }
    // The instruction as written, with the mnemonic padded to five columns, as the compiler
    // writes it: "JMP  main", "MOVE B,sym_a", "JSR  putstring", "HALT".
    std::string instructionText(std::uint32_t index) const;

    // The label of that name, or nullptr.
    const Label* findLabel(std::string_view name) const;

    // The first instruction on `line` or after it (code.size() - 1, the sentinel, if none),
    // for breakpoints given by line.
    std::uint32_t instructionAtLine(std::uint32_t line) const;

    // The handler that halts at `index`, or nullptr.
    const TrapHandler* trapHaltingAt(std::uint32_t index) const;
};

// The signed value of a 16-bit word, spelled out so that no conversion is
// implementation-defined.
inline int toSigned(std::uint16_t word) {
    return word < 0x8000 ? static_cast<int>(word) : static_cast<int>(word) - 0x10000;
}

// The instruction rebuilt from its decoded form, e.g. "MOVE #^5,A", "BNE  @12" (an
// instruction index) or "MOVE $0104,A" (a memory word), for when no source text is at hand.
std::string describe(const Instruction& instruction);

}  // namespace koru
