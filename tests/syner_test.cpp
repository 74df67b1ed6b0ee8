// Unit tests of the analyser on programs analysed from texts: the trees it builds, and
// where it finds each declaration and statement.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include <memory>

#include "genprog.hpp"

namespace {

using namespace lumo;

// The tree of a program; it lives until the next one is analysed.
AST* analyse(const std::string& program, int& labelCount,
             std::vector<SourceSpan>* spans = nullptr) {
    static std::unique_ptr<Compilation> kept;
    kept = std::make_unique<Compilation>();
    kept->scanner.source.openText(program);
    kept->analyser.spans = spans;
    SymTab* symtab = nullptr;
    AST* ast = nullptr;
    labelCount = 0;
    kept->analyser.synAnal(symtab, ast, labelCount);
    return ast;
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
// they stand alone; each statement reads as written.
TEST(Trees, EveryExpressionReadsAsWritten) {
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

// Names alike in all but a character or their length are each their own, short ones held
// in their text's word and long ones kept in the arena alike.
TEST(Trees, NamesAlikeAreTheirOwn) {
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

// Each declaration and statement spans from its first token to just past its ";", and
// knows the `if` or `while` whose body holds it.
TEST(Spans, CoverEachDeclarationAndStatement) {
    const std::string program =
        "int x = 1;\nbool b;\n{ x = x + 1;\n  if (b) { cin >> x; } else { while (b) { cout << x; "
        "}; };\n}";
    std::vector<SourceSpan> spans;
    int labelCount = 0;
    analyse(program, labelCount, &spans);
    const struct {
        const char* text;
        StatementKind kind;
        int parent;
    } expected[] = {
        {"int x = 1;", NULL_ST, -1},
        {"bool b;", NULL_ST, -1},
        {"x = x + 1;", ASSIGN_ST, -1},
        {"if (b) { cin >> x; } else { while (b) { cout << x; }; };", IF_ST, -1},
        {"cin >> x;", CIN_ST, 3},
        {"while (b) { cout << x; };", WHILE_ST, 3},
        {"cout << x;", COUT_ST, 5},
    };
    ASSERT_EQ(spans.size(), std::size(expected));
    for (std::size_t i = 0; i < spans.size(); ++i) {
        EXPECT_EQ(program.substr(spans[i].begin, spans[i].end - spans[i].begin), expected[i].text);
        EXPECT_EQ(spans[i].kind, expected[i].kind) << expected[i].text;
        EXPECT_EQ(spans[i].parent, expected[i].parent) << expected[i].text;
        EXPECT_EQ(spans[i].entry != nullptr, expected[i].kind == NULL_ST) << expected[i].text;
    }
}

}  // namespace
