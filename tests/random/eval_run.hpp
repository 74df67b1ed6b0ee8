// Runs an analysed Lumo program with the language's meaning, independently of how the
// compiler translates it: 16-bit integers, chains grouped from the right, every operand of a
// chain evaluated before its operators, run-time errors that print their message and halt.
#pragma once

#include <string>
#include <string_view>

#include "eval_program.hpp"

namespace lumoeval {

struct RunOptions {
    long maxSteps = 50'000'000;  // statements and loop tests; guards against runaway programs
    bool strict = true;          // reading a variable that was never given a value is an error
};

struct RunResult {
    enum class End {
        Halt,            // the program ran to its end
        Overflow,        // "Integer overflow!" was printed
        DivideByZero,    // "Divide by zero!" was printed
        InputExhausted,  // a cin found no further number
        BadInput,        // a cin found a word that is no 16-bit decimal
        UnsetRead,       // strict mode: a variable was read before any value was given to it
        StepLimit,
    };
    End end = End::Halt;
    std::string output;  // what the program printed, run-time messages included
    std::string detail;  // for the ends that are not the program's own behaviour
    long steps = 0;
    int inputsRead = 0;
};

// True for the ends that are part of the program's meaning (and so of what a compiled run
// must reproduce); false for the ones that mean the program or its input is unusable.
bool isProgramBehaviour(RunResult::End end);

RunResult run(const Program& program, std::string_view input, const RunOptions& options = {});

// The bytes `cout` writes for a string constant: each backslash directly followed by n
// becomes one newline, every other byte stands as it is.
std::string stringOutput(std::string_view text);

}  // namespace lumoeval
