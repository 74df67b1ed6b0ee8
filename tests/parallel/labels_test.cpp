// Moving the labels of statements analysed apart from what came before them.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "genprog.hpp"
#include "parallel/labels.hpp"

namespace {

using namespace lumo;
using lumo::parallel::shiftLabels;
using lumo::parallel::shiftStatementLabels;

// The tree of a program; it lives until the next one is analysed.
AST* analyse(const std::string& program, int& labelCount) {
    static std::unique_ptr<Compilation> kept;
    kept = std::make_unique<Compilation>();
    kept->scanner.source.openText(program);
    SymTab* symtab = nullptr;
    AST* ast = nullptr;
    labelCount = 0;
    kept->analyser.synAnal(symtab, ast, labelCount);
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
}  // namespace
