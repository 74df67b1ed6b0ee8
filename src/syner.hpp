// The analyser: a recursive-descent parser over one current token that builds the symbol
// table and the program tree, hands out label numbers to `if` and `while`, and checks
// declarations and types as it parses. Also the error report and the listings of what it
// built.
#pragma once

#include <cstdint>

#include "lexer.hpp"
#include "string.hpp"

namespace lumo {

// One byte: every operand of the tree holds one, beside a flag and its value.
enum DataType : uint8_t { NO_TYPE = 0, BOOL_TYPE = 1, STRING_TYPE = 2, INT_TYPE = 3 };

enum StatementKind : int32_t {
    NULL_ST = 0,
    ASSIGN_ST = 1,
    IF_ST = 2,
    WHILE_ST = 3,
    CIN_ST = 4,
    COUT_ST = 5,
};

struct Factor;
struct Term;
struct BasicExp;
struct Expression;
struct AST;

// One declared identifier; the table runs from the last declaration to the first.
struct SymTab {
    string name;
    DataType dataType;
    bool isConst;
    Factor* initValue;
    SymTab* next;
};

struct AssignSt {
    SymTab* target;
    Expression* exp;
};

struct IfSt {
    Expression* condition;
    AST* thenPart;
    AST* elsePart;
    int32_t elseLabel;
    int32_t endLabel;
};

struct WhileSt {
    Expression* condition;
    AST* body;
    int32_t startLabel;
    int32_t endLabel;
};

struct CinSt {
    SymTab* target;
};

struct CoutSt {
    SymTab* source;
};

// One statement of a compound statement, in source order.
struct AST {
    StatementKind kind;
    AssignSt* assignSt;
    IfSt* ifSt;
    WhileSt* whileSt;
    CinSt* cinSt;
    CoutSt* coutSt;
    AST* next;
};

// Relational level: `left`, or `left op right`.
struct Expression {
    BasicExp* left;
    string op;
    BasicExp* right;
};

// Additive chain: this node's operand, the operator after it and the rest of the chain.
struct BasicExp {
    Term* term;
    string op;
    BasicExp* next;
};

// Multiplicative chain, shaped like BasicExp.
struct Term {
    Factor* factor;
    string op;
    Term* next;
};

// An operand: a literal, an identifier, `( expression )`, `! factor`, or empty (no
// content, NO_TYPE) where the input held no operand. The value sits beside the flag and
// the type, so that the three share one word.
struct Factor {
    bool isLiteral;
    DataType factorType;
    int32_t intValue;
    string boolValue;
    string strValue;
    SymTab* symbol;
    Expression* subExp;
    Factor* notFactor;
};

// Reports error `number` at `token` and ends the run with that number as its status.
[[noreturn]] void error(int number, const LexToken& token);

// Searches the table from `symtab` for the token's identifier name.
bool lookup(const LexToken& token, SymTab* symtab, SymTab*& entry);

// Analyses a whole program from the scanner; returns only when it is free of errors.
void synAnal(SymTab*& symtab, AST*& ast, int& labelCount);

// Analyses the rest of a program's block from the scanner's position, which must be the
// start of a statement of that block (after a ";" of it): the statements up to the
// block's closing brace, as `synStatements` would read them there. Lets a second thread
// analyse pieces of a long block.
void synRestOfBlock(SymTab* symtab, AST*& list, int& labelCount);

// Adds `delta` to the labels of every `if` and `while` in `list` and in their bodies:
// for a list analysed with its labels numbered from 0, apart from what came before it.
void shiftLabels(AST* list, int delta);
// The same for one statement: its own labels and those of the statements nested in it.
void shiftStatementLabels(AST* node, int delta);

// Watchers of this thread's analysis, when set. `declarationsDone` is called once the
// table is complete. `statementDone` is called after each statement of the program's
// own block has been read and linked into the list, with the number of relational
// operators this thread has read so far (how many comparisons the code up to it holds);
// returning true ends the block there, as if its closing brace came next. Both run
// inside analysis; an error may still follow.
inline thread_local void (*declarationsDone)(SymTab* symtab) = nullptr;
inline thread_local bool (*statementDone)(AST* node, int relationsSoFar) = nullptr;

void synDeclarations(SymTab*& symtab, LexToken& token);
void synDec(SymTab*& symtab, LexToken& token);

void synStatements(SymTab* symtab, AST*& list, int& labelCount, LexToken token);
void synStatement(SymTab* symtab, AST*& node, int& labelCount, LexToken& token);
void synAssignSt(SymTab* symtab, AST*& node, int& labelCount, LexToken& token);
void synIfSt(SymTab* symtab, AST*& node, int& labelCount, LexToken& token);
void synWhileSt(SymTab* symtab, AST*& node, int& labelCount, LexToken& token);
void synCinSt(SymTab* symtab, AST*& node, int& labelCount, LexToken& token);
void synCoutSt(SymTab* symtab, AST*& node, int& labelCount, LexToken& token);

void synExpression(SymTab* symtab, Expression*& exp, LexToken& token, DataType& type);
void synBasicExp(SymTab* symtab, BasicExp*& exp, LexToken& token, DataType& type);
void synTerm(SymTab* symtab, Term*& term, LexToken& token, DataType& type);
void synFactor(SymTab* symtab, Factor*& factor, LexToken& token);

// Listings for inspection, on standard output; never part of a compile run.
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

}  // namespace lumo
