// The code generator: writes the KORU assembly program for an analysed Lumo program in
// one forward pass: header, data, initialisation, statements, handlers and footer.
// Expressions go through a reverse Polish list evaluated on the machine stack.
#pragma once

#include <cstdint>

#include "string.hpp"
#include "syner.hpp"

namespace lumo {

class Output;

// One element of a reverse Polish list: an operator, a literal or an identifier operand.
struct RPolish {
    bool isOperator;
    bool isSymbol;
    string oper;
    string symName;
    int32_t value;
    RPolish* next;
};

// Sends the generated code to `output` instead of `out` from now on.
void genOutputTo(Output& output);

// Writes the whole program; `labelCount` is the counter as analysis left it.
void generate(SymTab* symtab, AST* ast, int labelCount);
void genHeader();
void genDeclarations(SymTab* symtab);
void genDec(SymTab* entry);
void genFooter(int overflowLabel);

void genStatements(SymTab* symtab, AST* list, int& labelCount, int overflowLabel);
void genStatement(SymTab* symtab, AST* node, int& labelCount, int overflowLabel);
void genAssignSt(SymTab* symtab, AST* node, int& labelCount, int overflowLabel);
void genIfSt(SymTab* symtab, AST* node, int& labelCount, int overflowLabel);
void genWhileSt(SymTab* symtab, AST* node, int& labelCount, int overflowLabel);
void genCinSt(SymTab* symtab, AST* node, int& labelCount, int overflowLabel);
void genCoutSt(SymTab* symtab, AST* node, int& labelCount, int overflowLabel);

void genExpression(SymTab* symtab, Expression* exp, int& labelCount, int overflowLabel);
void genSubExpression(RPolish* list, int& labelCount, int overflowLabel);
void genPushOperand(RPolish* operand);
void genNotOperator();
void genBinOperator(RPolish* op, int& labelCount, int overflowLabel);
void genBoolOperator(RPolish* op);
void genPlusOperator(RPolish* op, int overflowLabel);
void genMinusOperator(RPolish* op, int overflowLabel);
void genMultiplyOperator(RPolish* op, int overflowLabel);
void genDivideOperator(RPolish* op);
void genRemainderOperator(RPolish* op);
void genCompOperator(RPolish* op, int& labelCount);

// Reverse Polish conversion: operands before the operator that combines them; chains of
// one level are grouped from the right (a - b - c computes a - (b - c)).
RPolish* toRPE(Expression* exp);
RPolish* toRPBE(BasicExp* exp);
RPolish* toRPT(Term* term);
RPolish* toRPF(Factor* factor);
int nmrOperands(RPolish* list);

}  // namespace lumo
