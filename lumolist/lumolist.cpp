// lumolist: analyses a Lumo program on standard input exactly as lumoc does (same
// diagnostics and statuses) and lists what the analyser built: the symbol table, then the
// program tree as numbered, indented lines with the label numbers of `if` and `while`.
#include <csignal>

#include "common.hpp"
#include "syner.hpp"

int main() {
    std::signal(SIGPIPE, SIG_IGN);
    lumo::SymTab* symtab = nullptr;
    lumo::AST* ast = nullptr;
    int labelCount = 0;
    lumo::synAnal(symtab, ast, labelCount);
    lumo::printST(symtab);
    int lineNumber = 1;
    lumo::printAST(ast, lineNumber, 0);
    lumo::out << "\n";  // the tree ends at its closing brace; end the last line for the terminal
    lumo::endRun(0);
}
