// Planting one fault into an otherwise correct program, together with the exit status the
// compiler must end with. Static and type faults change the program model (an operand of
// the wrong type, an undeclared name, ...); syntax and lexical faults change the token list
// or the text (a missing parenthesis, a stray character, input that ends early, ...). Each
// fault is placed where the compiler's order of checks leaves exactly one possible error.
#pragma once

#include <string>
#include <vector>

#include "gen_print.hpp"
#include "gen_program.hpp"
#include "gen_rng.hpp"

namespace lumogen {

enum class FaultKind { None, Lexical, Syntax, Static, Type };

struct Planted {
    int status = 0;    // the compiler's exit status: the error number, or 1 to 7 for lexical
    std::string what;  // a short description for reports
};

// Plants one fault of `kind` (not None) and returns the program's source text.
std::string plantFault(FaultKind kind, GeneratedProgram& gen, Rng& rng, const Avoid& avoid,
                       Planted& planted);

// The two halves, for the kinds they handle.
bool plantModelFault(FaultKind kind, GeneratedProgram& gen, Rng& rng, const Avoid& avoid,
                     Planted& planted);
bool plantTokenFault(FaultKind kind, std::vector<Tok>& tokens, std::string& text,
                     const Layout& layout, Rng& rng, const Avoid& avoid, Planted& planted);

}  // namespace lumogen
