// The driver: one compilation of the program on the scanner's input into assembly on `out`.
#pragma once

#include "gener.hpp"
#include "syner.hpp"

namespace lumo {

// Analyses the whole program, then writes its assembly. Returns only when the program was
// accepted; every error ends the run inside analysis, before anything is written.
inline void compile() {
    SymTab* symtab = nullptr;
    AST* ast = nullptr;
    int labelCount = 0;
    synAnal(symtab, ast, labelCount);
    generate(symtab, ast, labelCount);
}

}  // namespace lumo
