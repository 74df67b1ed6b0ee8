// Constants and message tables shared by the scanner, the analyser, the code generator
// and the driver, and how a run ends.
#pragma once

#include <cstdint>

#include "string.hpp"

namespace lumo {

// Truth values on the target: all bits set for true, so AND, OR and NOT work as logic.
constexpr int trueval = -1;
constexpr int falseval = 0;

constexpr int INT_MAX_16_BIT = 32767;
constexpr int INT_MIN_16_BIT = -32768;

// Error classes: a number N belongs to a class when base < N < base + size.
constexpr int minSyntaxError = 0;
constexpr int maxSyntaxError = 21;
constexpr int minStaticError = 100;
constexpr int maxStaticError = 8;
constexpr int minTypeError = 200;
constexpr int maxTypeError = 26;

// How deep parentheses, `!` and the braces of `if`/`while` may nest. Deeper input ends
// the run with its own diagnostic and `nestingErrorStatus` instead of exhausting the stack.
constexpr int maxNesting = 1000;
constexpr int nestingErrorStatus = 30;

// Exit status of a run whose output could not be written (full disk, closed pipe).
constexpr int outputErrorStatus = 74;

inline const string syntax[maxSyntaxError] = {
    "Not a syntax error.\n",
    "Expected identifier in declaration.\n",
    "Expected literal in declaration initialisation.\n",
    "Expected terminator after declaration.\n",
    "Expected left brace in compound statement.\n",
    "Expected right brace in compound statement.\n",
    "Expected left parenthesis in if statement condition.\n",
    "Expected right parenthesis in if statement condition.\n",
    "Expected terminator after statement.\n",
    "Expected >> in input statement.\n",
    "Expected << in output statement.\n",
    "Expected identifier in input statement.\n",
    "Expected identifier in output statement.\n",
    "Expected identifier in assignment statement.\n",
    "Expected assignment symbol in assignment statement.\n",
    "Expected left parenthesis in while statement.\n",
    "Expected right parenthesis in while statement.\n",
    "Expected right parenthesis in factor.\n",
    "Expected type identifier in declaration.\n",
    "Unrecognised statement type.\n",
    "Unknown syntax error.\n",
};

inline const string statics[maxStaticError] = {
    "Not a static semantic error.\n",
    "Attempt to re-declare variable or constant.\n",
    "Attempt to use undeclared variable or constant identifier.\n",
    "Attempt to declare an uninitialised constant.\n",
    "Attempt to declare a variable of type string.\n",
    "Attempt to input to a constant.\n",
    "Attempt to assign to a constant.\n",
    "Unknown static semantic error.\n",
};

inline const string type[maxTypeError] = {
    "Not a type error.\n",
    "Mismatch between types of identifier and expression in assignment.\n",
    "Attempt to use a non-bool expression as if condition.\n",
    "Attempt to use a non-bool expression as while condition.\n",
    "Mismatch between types in an expression.\n",
    "Attempt to give a sign to a non-int term.\n",
    "Mismatch between types in a basic expression.\n",
    "Attempt to use + operator with non-int operands.\n",
    "Attempt to use - operator with non-int operands.\n",
    "Attempt to use || operator with non-bool operands.\n",
    "Mismatch between types in a term.\n",
    "Attempt to use * operator with non-int operands.\n",
    "Attempt to use / operator with non-int operands.\n",
    "Attempt to use % operator with non-int operands.\n",
    "Attempt to use && operator with non-bool operands.\n",
    "Attempt to use ! operator with non-bool operand.\n",
    "Attempt to input to a non-integer variable.\n",
    "Attempt to output a non-integer or non-string value.\n",
    "Attempt to use == operator with a string value.\n",
    "Attempt to use != operator with a string value.\n",
    "Attempt to use > operator with a string value.\n",
    "Attempt to use < operator with a string value.\n",
    "Attempt to use >= operator with a string value.\n",
    "Attempt to use <= operator with a string value.\n",
    "Mismatch between types in a declaration.\n",
    "Unknown type error.\n",
};

// How a run ends.
//
// Where the language says that an error ends the process (a lexical error, a numbered
// error, the nesting limit), the core writes the diagnostic to its compilation's output
// and throws `RunEnded` with the exit status and the byte offset in the source of the
// token the diagnostic reports. The driver (genprog.cpp) is the one place that catches
// it: the compilation ends there and returns its result, and lumoc exits with the status.
// Nothing else in the core throws, catches or returns early on an error: every routine
// reads as if the error ended the process, which, for lumoc, it does.
struct RunEnded {
    int status;
    std::uint64_t offset;
};

[[noreturn]] inline void endRun(int status, std::uint64_t offset) {
    throw RunEnded{status, offset};
}

}  // namespace lumo
