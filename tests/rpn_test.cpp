// Unit tests of the reverse Polish conversion, on expressions analysed from texts.
#include <gtest/gtest.h>

#include <string>

#include <memory>

#include "genprog.hpp"

namespace {

using namespace lumo;

// The expression assigned by the program's first statement.
// It lives until the next one is analysed, and so does the generator that converts it.
std::unique_ptr<Compilation> kept;

Expression* firstExpression(const std::string& program) {
    kept = std::make_unique<Compilation>();
    kept->scanner.source.openText(program);
    SymTab* symtab = nullptr;
    AST* ast = nullptr;
    int labelCount = 0;
    kept->analyser.synAnal(symtab, ast, labelCount);
    return ast->assignSt->exp;
}

// Elements as words: names, values, operators.
std::string spell(RPolish* list) {
    std::string words;
    for (RPolish* e = list; e != nullptr; e = e->next) {
        if (!words.empty()) words += ' ';
        if (e->isOperator) {
            EXPECT_FALSE(e->isSymbol);
            EXPECT_EQ(e->value, 0);
            words += e->oper.c_str();
        } else if (e->isSymbol) {
            EXPECT_EQ(e->oper.length(), 0);
            words += e->symName.c_str();
        } else {
            EXPECT_EQ(e->symName.length(), 0);
            words += std::to_string(e->value);
        }
    }
    return words;
}

const std::string declarations = "int a; int b; int c; int x; bool p; bool q; bool r; bool z; ";

TEST(ReversePolish, OperandsBeforeOperatorsChainsFromTheRight) {
    struct {
        const char* assignment;
        const char* list;
        int operands;
    } cases[] = {
        {"x = a;", "a", 1},
        {"z = true;", "-1", 1},
        {"z = false;", "0", 1},
        {"x = 7;", "7", 1},
        {"z = a < b;", "a b <", 2},
        {"z = a == b;", "a b ==", 2},
        {"x = a + b * c;", "a b c * +", 3},
        {"x = a * b + c;", "a b * c +", 3},
        {"x = a - b - c;", "a b c - -", 3},
        {"x = (a - b) - c;", "a b - c -", 3},
        {"x = a / b * c;", "a b c * /", 3},
        {"z = a < b + 1;", "a b 1 + <", 3},
        {"z = p && q || r;", "p q && r ||", 3},
        {"z = p || q && r;", "p q r && ||", 3},
        {"z = !(a == b);", "a b == !", 2},
        {"z = !!p;", "p ! !", 1},
        {"x = a - b + c - 1;", "a b c 1 - + -", 4},
    };
    for (const auto& c : cases) {
        Expression* exp = firstExpression(declarations + "{ " + c.assignment + " }");
        RPolish* list = kept->generator.toRPE(exp).head;
        EXPECT_EQ(spell(list), c.list) << c.assignment;
        EXPECT_EQ(nmrOperands(list), c.operands) << c.assignment;
    }
    EXPECT_EQ(nmrOperands(nullptr), 0);
}

TEST(ReversePolish, EachLevelConvertsOnItsOwn) {
    Expression* exp = firstExpression(declarations + "{ z = a * b - c < x; }");
    Generator& g = kept->generator;
    EXPECT_EQ(spell(g.toRPBE(exp->left).head), "a b * c -");
    EXPECT_EQ(spell(g.toRPT(exp->left->term).head), "a b *");
    EXPECT_EQ(spell(g.toRPF(exp->left->term->factor).head), "a");
    EXPECT_EQ(spell(g.toRPBE(exp->right).head), "x");
}

TEST(ReversePolish, LongChainConvertsInOnePass) {
    std::string chain = "x = a";
    for (int i = 0; i < 200000; ++i) chain += " - a";
    Expression* exp = firstExpression(declarations + "{ " + chain + "; }");
    const RPList list = kept->generator.toRPE(exp);
    EXPECT_EQ(nmrOperands(list.head), 200001);
    EXPECT_EQ(list.tail->next, nullptr);
    EXPECT_EQ(list.tail->oper, string("-"));
}

}  // namespace
