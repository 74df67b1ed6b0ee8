// The analyser: a recursive-descent parser over one current token that builds the symbol
// table and the program tree, hands out label numbers to `if` and `while`, and checks
// declarations and types as it parses. Also the error report.
#pragma once

#include <cstdint>
#include <vector>

#include "arena.hpp"
#include "lexer.hpp"
#include "output.hpp"
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

// One statement of a compound statement, in source order. Only the record that matches
// `kind` is ever set or read, so the five record pointers share one place: a program
// holds a node per statement, and a node of three words instead of seven takes a million
// statements' tree 32 MB lighter.
struct AST {
    StatementKind kind;
    union {
        AssignSt* assignSt;
        IfSt* ifSt;
        WhileSt* whileSt;
        CinSt* cinSt;
        CoutSt* coutSt;
    };
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

// A declared name, a small number or a truth is the same operand wherever it stands: its
// factor, and the chain ends of one operand around it (a term, a basic expression and an
// expression that hold just that factor), are made once per analyser and shared wherever
// the operand recurs. Sharing is safe because the tree's readers only read it; it halves
// the tree, and the operands a program uses most stay in the cache.
struct SharedOperand {
    Factor factor;
    Term term;
    BasicExp basic;
    Expression exp;
};

// A statement list being built: its first and last nodes.
struct StatementList {
    AST* head = nullptr;
    AST* last = nullptr;
    void append(AST* node) {
        (last == nullptr ? head : last->next) = node;
        last = node;
    }
};

// Where a declaration or a statement lies in the source, for tools that show code beside
// its source: from its first token to just past the ";" after it, in bytes. Recorded only
// when asked for, in the order the analyser reads them (a statement before the statements
// nested in it).
struct SourceSpan {
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
    int parent = -1;               // the span of the `if` or `while` around it, or -1
    StatementKind kind = NULL_ST;  // NULL_ST for a declaration
    SymTab* entry = nullptr;       // a declaration's entry
};

class Analyser {
  public:
    // Reads its tokens from `scanner`, makes its records in `arena` and writes its
    // diagnostic to `diagnostics`.
    Analyser(Scanner& scanner, Arena& arena, Output& diagnostics)
        : scanner(scanner), arena(arena), out(diagnostics) {}

    // When set, each declaration and statement read is recorded here.
    std::vector<SourceSpan>* spans = nullptr;

    // Analyses a whole program; returns only when it is free of errors.
    void synAnal(SymTab*& symtab, AST*& ast, int& labelCount);

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

    // Reports error `number` at `token` and ends the run with that number as its status.
    [[noreturn]] void error(int number, const LexToken& token);

    // Searches the table from `symtab` for the token's identifier name.
    bool lookup(const LexToken& token, SymTab* symtab, SymTab*& entry);

    // The steps of `synAnal` and `synStatements`, for a driver that reads a program's
    // block a statement at a time (the fast path for long programs). `synProgramStart`
    // reads the declarations, up to the block's "{"; `synBlockStart` reads the "{";
    // `synBlockStatement` reads one statement of a block and the ";" after it, and
    // appends it to `list`. The token after the ";" is the caller's to read.
    void synProgramStart(SymTab*& symtab, LexToken& token);
    void synBlockStart(LexToken& token);
    void synBlockStatement(SymTab* symtab, StatementList& list, int& labelCount, LexToken& token);
    // Takes a finished table made by another analyser, for reading a later part of the
    // same program's block.
    void useSymbolTable(SymTab* symtab);
    // Relational operators read so far: how many comparisons the code of what was read
    // holds.
    int comparisonsRead() const { return relations; }

  private:
    // Name -> entry of the table being built, and the entry's shared operand once made,
    // so that each search takes constant time: open addressing over a power-of-two array
    // of slots, kept at most half full.
    class SymIndex {
      public:
        struct Slot {
            SymTab* entry = nullptr;
            SharedOperand* operand = nullptr;
        };
        SymTab* head = nullptr;  // the table the index describes
        // The slot of `name`, or null when it is not declared.
        Slot* find(const string& name);
        void add(SymTab* entry);

      private:
        std::vector<Slot> slots;
        std::size_t used = 0;
        void place(Slot slot);
    };

    Scanner& scanner;
    Arena& arena;
    Output& out;
    SymIndex index;
    int nesting = 0;    // levels of parentheses, `!` and braces around the current token
    int relations = 0;  // relational operators read
    int openSpan = -1;  // the span of the statement being read
    SharedOperand* numbers[256] = {};     // the shared operands of the numbers 0 to 255
    SharedOperand* truths[2] = {};        // of false and true
    SharedOperand* lastShared = nullptr;  // the shared operand read last

    class NestingLevel;

    void advance(LexToken& token) { scanner.lexAnal(token); }
    void expect(TokenKind kind, int errorNumber, const LexToken& token) {
        if (token.kind != kind) error(errorNumber, token);
    }
    SymTab* declared(const LexToken& token, SymTab* symtab);
    DataType declaredType(const LexToken& token);
    Factor* initialiser(DataType declared, const LexToken& token, const LexToken& identifier);
    Expression* condition(SymTab* symtab, LexToken& token, int noLeft, int notBool, int noRight);
    AST* block(SymTab* symtab, int& labelCount, LexToken& token);
    SharedOperand* sharedOperand(SymTab* symtab, const LexToken& token);
    SharedOperand* newShared(SharedOperand*& place);
    int beginSpan(const LexToken& token);
    void endSpan(int span, const LexToken& terminator, StatementKind kind, SymTab* entry);
};

}  // namespace lumo
