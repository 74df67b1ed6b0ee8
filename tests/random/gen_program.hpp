// Random correct Lumo programs with the input they read. Every program terminates (each
// loop runs a counter that its body cannot touch against a limit of known range), reads
// no variable before giving it a value, and keeps every int value in a range fixed for its
// variable, so that overflow and division by zero only happen where a risky expression was
// planted on purpose.
#pragma once

#include <string>
#include <vector>

#include "gen_model.hpp"
#include "gen_rng.hpp"

namespace lumogen {

struct VarInfo {
    std::string name;
    Ty ty = Ty::Int;
    bool isConst = false;
    long bound = 0;  // ints: the value always lies in [-bound, bound]
    long value = 0;  // constants: the value
};

struct GeneratedProgram {
    Program program;
    std::string input;
    std::vector<VarInfo> vars;  // in declaration order, one per declaration
};

// `size` is the number of statements to write (nested ones included). A program `toRun`
// (rather than to receive a fault) may carry one risky expression, and when it has no
// statements it may have no declarations either.
GeneratedProgram generateProgram(Rng& rng, int size, bool toRun, const Avoid& avoid);

// A name that is no keyword and not in `taken`.
std::string freshName(Rng& rng, const std::vector<std::string>& taken);

// The text of a string constant, between its quotes.
std::string stringContent(Rng& rng, bool highBytes, const Avoid& avoid);

}  // namespace lumogen
