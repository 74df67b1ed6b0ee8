// Listings of what the analyser built, for inspection: the symbol table as a table, and
// the program tree as numbered, indented source-like lines with the label numbers of
// `if` and `while` in comments. Not part of a compile run; lumolist prints them.
#pragma once

#include "output.hpp"
#include "syner.hpp"

namespace lumo {

class Lister {
  public:
    explicit Lister(Output& output) : out(output) {}

    void printST(SymTab* symtab);
    void printAST(AST* list, int& lineNumber, int indent);
    void printLineStart(int lineNumber, int indent);
    void printAssignSt(AST* node, int& lineNumber, int indent);
    void printIfSt(AST* node, int& lineNumber, int indent);
    void printWhileSt(AST* node, int& lineNumber, int indent);
    void printCinSt(AST* node, int& lineNumber, int indent);
    void printCoutSt(AST* node, int& lineNumber, int indent);
    void printExpression(Expression* exp);
    void printBasicExp(BasicExp* exp);
    void printTerm(Term* term);
    void printFactor(Factor* factor);

  private:
    Output& out;
};

}  // namespace lumo
