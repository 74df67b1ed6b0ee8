// The scanner: turns the bytes of the input into tokens, one per request, skipping white
// space and `//` comments, and reports lexical errors itself. `writeToken` describes a
// token in words for diagnostics.
#pragma once

#include <cstddef>
#include <cstdint>

#include "string.hpp"

namespace lumo {

enum TokenKind : int32_t {
    IDENTIFIER = 0,
    BOOLEAN_LITERAL = 1,
    STRING_LITERAL = 2,
    INTEGER_LITERAL = 3,
    ASSIGN = 4,
    TERMINATOR = 5,
    LPAREN = 6,
    RPAREN = 7,
    LBRACE = 8,
    RBRACE = 9,
    ADDITIONAL_OPERATOR = 10,
    RELATIONAL_OPERATOR = 11,
    MULTIPLICATIVE_OPERATOR = 12,
    NOT_OPERATOR = 13,
    INPUT_OPERATOR = 14,
    OUTPUT_OPERATOR = 15,
    CONST = 16,
    BOOL = 17,
    STRING = 18,
    INT = 19,
    IF = 20,
    ELSE = 21,
    WHILE = 22,
    CIN = 23,
    COUT = 24,
};

// One token. A scan sets `kind` and only the payload field of that kind; the other fields
// keep what earlier tokens left, and readers look only at the field of the current kind.
struct LexToken {
    TokenKind kind = IDENTIFIER;
    string idName;
    string boolValue;
    string strValue;
    int32_t intValue = 0;
    string addOp;
    string relOp;
    string mulOp;
};

// Consumes white space and comments up to the first byte of the next token.
void skipWhiteComments();

// Reads the next token into `token`, then skips what follows it up to the next token.
// Ends the run with a lexical error (status 1 to 7) where no token can be read.
void lexAnal(LexToken& token);

void lexIdResWdBool(LexToken& token);
void lexStringLit(LexToken& token);
void lexIntLit(LexToken& token);

// Writes the description of a token ("IDENTIFIER : x", "TERMINATOR", ...) without a newline.
void writeToken(const LexToken& token);

// Where the scanner reads from: standard input by default. Tests and benchmarks scan a
// text in memory instead; the text must outlive the scan.
void readFromFd(int fd);
void readFromText(const char* text, std::size_t size);
// Reads the file `fd` from `offset` on without moving its position (with pread), so that
// another thread can scan a later part of the same file.
void readFromFdAt(int fd, std::uint64_t offset);

// Where the last ";" read ended, in bytes from where this thread's reading began. Each
// thread scans a source of its own.
std::uint64_t terminatorEnd();

}  // namespace lumo
