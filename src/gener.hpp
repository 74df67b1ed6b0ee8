// The code generator: writes the KORU assembly program for an analysed Lumo program in
// one forward pass: header, data, initialisation, statements, handlers and footer.
// Expressions go through a reverse Polish list evaluated on the machine stack.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "output.hpp"
#include "string.hpp"
#include "syner.hpp"

namespace lumo {

// One element of a reverse Polish list: an operator, a literal or an identifier operand.
struct RPolish {
    bool isOperator;
    bool isSymbol;
    string oper;
    string symName;
    int32_t value;
    RPolish* next;
};

// A reverse Polish list with its last element as well as its first, so that appending
// one list to another takes a step, not a walk: the whole conversion stays linear in the
// size of the expression. Lists are built fresh for one expression and used once, so
// appending links the second list in rather than copying the first.
struct RPList {
    RPolish* head = nullptr;
    RPolish* tail = nullptr;
    void append(RPList other) {
        if (other.head == nullptr) return;
        (head == nullptr ? head : tail->next) = other.head;
        tail = other.tail;
    }
    // Puts the one element of `single` in front.
    void prepend(RPList single) {
        single.head->next = head;
        head = single.head;
        if (tail == nullptr) tail = single.head;
    }
};

// The operands of a list: its elements that are not operators.
int nmrOperands(RPolish* list);

// Where the code of a declaration or statement begins or ends in the output, for tools
// that show code beside its source. Recorded only when asked for, in the order the code is
// written: the statements of the program as the analyser read them, a statement before
// the statements nested in it.
struct CodeMark {
    std::uint64_t offset;  // bytes written before the mark
    bool begins;           // the code begins here (or else ends)
    SymTab* entry;         // the declaration whose initialisation this is, or null
};

class Generator {
  public:
    explicit Generator(Output& output) : out(output) {}

    // When set, the beginning and end of each declaration's and statement's code are
    // recorded here.
    std::vector<CodeMark>* marks = nullptr;

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
    // one level are grouped from the right (a - b - c computes a - (b - c)). The elements
    // come from a pool that each expression's conversion in genExpression starts afresh.
    RPList toRPE(Expression* exp);
    RPList toRPBE(BasicExp* exp);
    RPList toRPT(Term* term);
    RPList toRPF(Factor* factor);

  private:
    Output& out;
    std::vector<std::unique_ptr<RPolish>> elements;  // the pool
    std::size_t elementsUsed = 0;
    int overflowFormatted = -1;  // the label `overflowText` holds
    Number overflowText{0};

    RPolish* newElement();
    RPList operatorElement(const string& op);
    void mark(bool begins, SymTab* entry = nullptr);
    void genCondition(SymTab* symtab, Expression* condition, int otherwise, int& labelCount,
                      int overflowLabel);
    void genLabel(int number);
    void genOverflowBranch(int overflowLabel);
    void genTextItems(const string& text);
};

}  // namespace lumo
