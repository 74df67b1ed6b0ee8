// The KORU assembler: turns assembly text, line by line, into a Program.
//
// Line forms: a label in the first column (alone, naming the next instruction, or followed
// by blanks and DC.B or DS.W, naming that data); an instruction or directive after leading
// blanks; a comment starting with "*"; an empty line. A quoted DC.B text may run over line
// ends, each of which then stands for a newline byte.
//
// Work is linear in the text: every line is decoded once, labels are hashed, and operands
// that name a label hold the label's number until `finish` resolves them in one pass.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "labels.hpp"
#include "program.hpp"
#include "syntax.hpp"

namespace koru {

struct AssemblyError {
    // A program that cannot be read is the caller's fault (a bad path), not the text's; an
    // empty one is reported without a line, since none is to blame.
    enum class Kind : std::uint8_t { text, unreadable, noInstructions };
    std::uint32_t line = 0;  // 1-based; 0 when no line is to blame
    std::string message;
    Kind kind = Kind::text;
};

// Assembles a whole text. On failure `error` holds the first error and `program` is untouched.
bool assembleText(std::string_view text, Program& program, AssemblyError& error);

// Assembles everything a file yields, reading it in blocks.
bool assembleFile(std::FILE* file, Program& program, AssemblyError& error);

struct Mnemonic;

class Assembler {
  public:
    Assembler();

    // Prepares for a source of about this many bytes, so that the stores need not grow.
    void reserve(std::size_t sourceBytes);

    // Takes the next source line, without its line end. Once an error is found the remaining
    // lines are ignored: only the first error is reported.
    void addLine(std::string_view line);

    // Resolves the labels. On success moves the finished program into `program`.
    bool finish(Program& program);

    bool failed() const { return failed_; }
    const AssemblyError& error() const { return error_; }

  private:
    enum class SymbolKind : std::uint8_t { undefined, code, text, words };

    // Uses are remembered by their first line only, which is enough to blame the right line
    // for an undefined or misused label without keeping a line per operand.
    struct Symbol {
        SymbolKind kind = SymbolKind::undefined;
        std::uint32_t value = 0;  // instruction index or byte address
        std::uint32_t definedAt = 0;
        std::uint32_t firstTargetUse = 0;
        std::uint32_t firstAddressUse = 0;
        std::uint32_t firstWordUse = 0;
    };

    struct Blame {
        std::uint32_t line = 0;
        std::string message;
    };

    // Line structure and instructions (assembler.cpp).
    void statement(std::string_view label, std::string_view text);
    void instruction(const Mnemonic& mnemonic, std::string_view operands);
    bool encodeOperand(std::string_view text, bool destination, Mode& mode, std::uint32_t& field);
    void encodeJump(const Mnemonic& mnemonic, std::string_view operand);
    void emit(const Instruction& instruction, std::string_view operands);
    void emitJump(const Instruction& instruction);
    void findTrapHandlers();

    // Labels (symbols.cpp).
    bool defineLabel(std::string_view name, SymbolKind kind, std::uint32_t value);
    std::uint32_t symbolNumber(std::string_view name);
    std::uint32_t use(std::string_view name, std::uint32_t Symbol::*firstUse);
    Blame firstSymbolProblem() const;
    Blame problemOf(std::uint32_t number) const;
    void resolve(Mode& mode, std::uint32_t& field) const;

    // Directives and data (directives.cpp).
    bool isDirective(std::string_view mnemonic) const;
    void directive(std::string_view label, std::string_view mnemonic, std::string_view operands);
    void defineBytes(std::string_view items, std::size_t position, bool afterItem);
    std::size_t quotedText(std::string_view items, std::size_t position);
    void reserveWords(std::string_view count);
    bool placeByte(std::uint8_t byte);

    void fail(std::string message);
    void failAt(std::uint32_t line, std::string message);

    Program program_;
    LabelTable labels_;
    std::vector<Symbol> symbols_;  // indexed by label number
    std::uint32_t line_ = 0;
    std::uint32_t dataLocation_ = 0x0100;
    bool inText_ = false;  // a quoted DC.B text is still open at the end of the last line
    std::uint32_t textLine_ = 0;
    std::uint64_t bytesSeen_ = 0;  // to tell an empty file from one without instructions
    bool failed_ = false;
    AssemblyError error_;
};

}  // namespace koru
