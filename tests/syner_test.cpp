// Unit tests of the analyser on programs analysed from texts: label shifting, and the
// operands shared between expressions.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "lexer.hpp"
#include "syner.hpp"

namespace {

using namespace lumo;

AST* analyse(const std::string& program, int& labelCount) {
    static std::string text;  // the scanner reads it in place
    text = program;
    readFromText(text.data(), text.size());
    SymTab* symtab = nullptr;
    AST* ast = nullptr;
    labelCount = 0;
    synAnal(symtab, ast, labelCount);
    return ast;
}

// Every label of the list, nested ones included, in the order of the text.
void collectLabels(AST* list, std::vector<int>& labels) {
    for (AST* node = list; node != nullptr; node = node->next) {
        if (node->kind == IF_ST) {
            labels.push_back(node->ifSt->elseLabel);
            labels.push_back(node->ifSt->endLabel);
            collectLabels(node->ifSt->thenPart, labels);
            collectLabels(node->ifSt->elsePart, labels);
        } else if (node->kind == WHILE_ST) {
            labels.push_back(node->whileSt->startLabel);
            labels.push_back(node->whileSt->endLabel);
            collectLabels(node->whileSt->body, labels);
        }
    }
}

TEST(ShiftLabels, MovesEveryLabelOfTheListAndItsBodies) {
    int labelCount = 0;
    AST* ast = analyse(
        "int x; { x = 1; if (x < 2) { while (x > 0) { x = x - 1; }; } else { if (x == 3) { }; };"
        " while (x != 4) { x = 4; }; }",
        labelCount);
    std::vector<int> before;
    collectLabels(ast, before);
    ASSERT_EQ(before, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    ASSERT_EQ(labelCount, 8);
    shiftLabels(ast, 7);
    std::vector<int> after;
    collectLabels(ast, after);
    EXPECT_EQ(after, (std::vector<int>{7, 8, 9, 10, 11, 12, 13, 14}));
    shiftLabels(ast, -7);
    after.clear();
    collectLabels(ast, after);
    EXPECT_EQ(after, before);
    shiftLabels(nullptr, 3);  // an empty list has nothing to move
}

TEST(ShiftLabels, OneStatementMovesAloneWithWhatItHolds) {
    int labelCount = 0;
    AST* ast = analyse(
        "int x; { while (x > 0) { if (x == 1) { x = 0; }; }; x = 2; if (x < 2) { }; }", labelCount);
    shiftStatementLabels(ast, 10);        // the loop and the `if` inside it
    shiftStatementLabels(ast->next, 10);  // an assignment has no label
    std::vector<int> after;
    collectLabels(ast, after);
    EXPECT_EQ(after, (std::vector<int>{10, 11, 12, 13, 4, 5}));
}

// An expression written back as text, operators between single blanks. Checks on the
// way that every chain node has an operator exactly when the chain goes on.
std::string textOf(Expression* exp);

std::string textOf(Factor* factor) {
    if (factor->isLiteral && factor->factorType == INT_TYPE)
        return std::to_string(factor->intValue);
    if (factor->isLiteral && factor->factorType == BOOL_TYPE) return factor->boolValue.c_str();
    if (factor->symbol != nullptr) return factor->symbol->name.c_str();
    if (factor->subExp != nullptr) return "(" + textOf(factor->subExp) + ")";
    if (factor->notFactor != nullptr) return "!" + textOf(factor->notFactor);
    return "?";
}

template <typename Node, typename Operand>
std::string textOfChain(Node* chain, Operand operandText) {
    std::string text;
    for (Node* node = chain; node != nullptr; node = node->next) {
        text += operandText(node);
        EXPECT_EQ(node->op.length() == 0, node->next == nullptr) << text;
        if (node->next != nullptr) text += std::string(" ") + node->op.c_str() + " ";
    }
    return text;
}

std::string textOf(BasicExp* exp) {
    return textOfChain(exp, [](BasicExp* node) {
        return textOfChain(node->term, [](Term* term) { return textOf(term->factor); });
    });
}

std::string textOf(Expression* exp) {
    std::string text = textOf(exp->left);
    EXPECT_EQ(exp->op.length() == 0, exp->right == nullptr) << text;
    if (exp->right != nullptr)
        text += std::string(" ") + exp->op.c_str() + " " + textOf(exp->right);
    return text;
}

// Names, small numbers and truths recur in all positions of a chain, before and after
// they stand alone; each statement still reads as written.
TEST(SharedOperands, EveryExpressionReadsAsWritten) {
    const std::vector<std::string> expressions = {
        "b",   "b * 2",     "2 * b",         "b",
        "(b)", "b * b + b", "b + b * b",     "255 + 256 + 255 - 256",
        "2",   "b / 2 % b", "(b + 2) * (b)", "b",
        "255", "256",
    };
    const std::vector<std::string> conditions = {
        "t", "!t && true || t", "true", "b < 2", "2 == b", "!(b > 255)", "t", "true || true",
    };
    std::string program = "int a; int b; bool t; {";
    for (const std::string& exp : expressions) program += " a = " + exp + ";";
    for (const std::string& exp : conditions) program += " t = " + exp + ";";
    program += " }";
    int labelCount = 0;
    AST* node = analyse(program, labelCount);
    for (const auto* list : {&expressions, &conditions}) {
        for (const std::string& exp : *list) {
            ASSERT_NE(node, nullptr);
            ASSERT_EQ(node->kind, ASSIGN_ST);
            EXPECT_EQ(textOf(node->assignSt->exp), exp);
            node = node->next;
        }
    }
    EXPECT_EQ(node, nullptr);
}

// Short names are found by their text alone, long ones through the symbol table; names
// alike in all but a character or their length are each their own.
TEST(SharedOperands, NamesAlikeAreTheirOwn) {
    const std::vector<std::string> names = {"a",      "b",       "ab",      "ba",     "abcdef",
                                            "abcdeg", "abcdefg", "abcdefh", "abcdeff"};
    const std::vector<std::string> expressions = {
        "b",       "ab",      "ba",
        "abcdef",  "abcdeg",  "abcdefg",
        "abcdefh", "abcdeff", "ab + ba * abcdefg - abcdefh / abcdef % abcdeg",
        "a"};
    std::string program;
    for (const std::string& name : names) program += "int " + name + "; ";
    program += "{";
    for (const std::string& exp : expressions) program += " a = " + exp + ";";
    program += " }";
    int labelCount = 0;
    AST* node = analyse(program, labelCount);
    for (const std::string& exp : expressions) {
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(textOf(node->assignSt->exp), exp);
        node = node->next;
    }
}

}  // namespace
