// Benchmark programs: a deterministic generator of Lumo programs with an exact number of
// statements, and of the same programs written in C, so that lumoc and C compilers can be
// timed on the same work.
//
// A program declares a fixed set of a few hundred names and then holds one compound
// statement of the requested size: assignments with arithmetic and comparisons, `if`,
// `if`/`else` and counted `while` loops nested at most `maxDepth` deep, input and output.
// The C text makes the same decisions from the same random sequence and differs only in
// spelling: `int` for both types, calls for input and output, and parentheses that keep
// Lumo's right-to-left grouping of operator chains (a - b - c is a - (b - c)).
#pragma once

#include <cstdint>
#include <string>

namespace benchgen {

enum class Language { lumo, c };

// How deep `if` and `while` bodies may nest inside the program's compound statement.
constexpr int maxDepth = 4;

// The declared names: loop counters i0..i3, int variables v*, bool variables b*, int
// constants k*, bool constants t*, string constants s*.
constexpr int counterCount = maxDepth;
constexpr int intVarCount = 200;
constexpr int boolVarCount = 40;
constexpr int intConstCount = 24;
constexpr int boolConstCount = 8;
constexpr int stringConstCount = 6;
constexpr int declarationCount =
    counterCount + intVarCount + boolVarCount + intConstCount + boolConstCount + stringConstCount;

// Returns the whole program text. `statements` counts every statement, nested ones
// included; the same arguments always give the same text.
std::string generateProgram(long statements, Language language, std::uint64_t seed = 1);

}  // namespace benchgen
