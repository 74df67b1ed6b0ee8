// The hints and warnings of `lumo check`, each on a program that should get it and on a
// similar one that should not, and the place of every class of error.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "hints.hpp"
#include "lumo.hpp"
#include "support/case_name.hpp"

namespace {

using lumo::hints::Diagnostic;

struct HintCase {
    const char* name;
    std::string source;
    const char* code;  // the diagnostic's code
    const char* note;  // a part of the one note expected; "" for no note at all
};

void PrintTo(const HintCase& c, std::ostream* os) {
    *os << c.name;
}

class Hints : public testing::TestWithParam<HintCase> {};

TEST_P(Hints, FireOnlyOnTheirMistake) {
    const HintCase& c = GetParam();
    const Diagnostic d = lumo::hints::diagnose(lumo::compile(c.source));
    ASSERT_EQ(d.code, c.code) << d.message;
    const std::vector<std::string> notes = lumo::hints::notes(c.source, d);
    if (*c.note == '\0') {
        EXPECT_TRUE(notes.empty()) << notes.front();
        return;
    }
    ASSERT_FALSE(notes.empty());
    std::string all;
    for (const std::string& note : notes) all += note + "\n";
    EXPECT_NE(all.find(c.note), std::string::npos) << all;
}

const std::string decls = "int a = 1;\nint b = 2;\nint i;\nbool ok;\nbool done = false;\n";

INSTANTIATE_TEST_SUITE_P(
    Mistakes, Hints,
    testing::Values(
        // No unary minus; a - after an operand, and an error before any minus, get nothing.
        HintCase{"unary_minus", decls + "{\n    a = -1;\n}\n", "E206", "write '0 - 1' for '-1'"},
        HintCase{"unary_minus_after_operator", decls + "{\n    a = b * -a;\n}\n", "E210",
                 "'0 - a'"},
        HintCase{"unary_minus_in_condition", decls + "{\n    ok = a > -1;\n}\n", "E206",
                 "no unary minus"},
        HintCase{"unary_minus_initial_value", "int x = -1;\n{\n}\n", "E2", "x = 0 - 1"},
        HintCase{"binary_minus_with_bool", decls + "{\n    a = 0 - 1 + done;\n}\n", "E206", ""},
        HintCase{"name_as_initial_value", "int y = 1;\nint x = y;\n{\n}\n", "E2", "not a name"},
        // Input and output take one name.
        HintCase{"output_expression", decls + "{\n    cout << a * b;\n}\n", "E8",
                 "one name, not an expression"},
        HintCase{"input_two_names", decls + "{\n    cin >> a >> b;\n}\n", "E8",
                 "one statement per name"},
        HintCase{"output_two_names", decls + "{\n    cout << a << b;\n}\n", "E8",
                 "'cout << a; cout << b;'"},
        HintCase{"output_literal", "{\n    cout << \"Hi\";\n}\n", "E12", "const string hello"},
        HintCase{"output_number", "{\n    cout << 5;\n}\n", "E12", "const int n = 5"},
        HintCase{"output_parenthesis", decls + "{\n    cout << (a);\n}\n", "E12", "one name"},
        HintCase{"input_literal", "{\n    cin >> 5;\n}\n", "E11", "reads into a variable"},
        HintCase{"output_then_statement_on_next_line", decls + "{\n    cout << a\n    a = 2;\n}\n",
                 "E8", "';' missing after 'a' at the end of line 7"},
        // && and || bind like * and +.
        HintCase{"and_between_comparisons", decls + "{\n    ok = a < b && b < 3;\n}\n", "E214",
                 "'(a < b) && (b < 3)'"},
        HintCase{"or_between_comparisons", decls + "{\n    if (a > 0 || b > 0) {\n    };\n}\n",
                 "E209", "'(a > 0) || (b > 0)'"},
        HintCase{"comparison_and_bool", decls + "{\n    ok = a == 1 && done;\n}\n", "E210",
                 "'(a == 1) && done'"},
        HintCase{"and_of_ints_without_comparison", decls + "{\n    ok = (a < b) && b;\n}\n", "E210",
                 ""},
        HintCase{"and_of_ints_alone", decls + "{\n    ok = a && b;\n}\n", "E214", ""},
        // Names one edit from a keyword, and statements Lumo lacks.
        HintCase{"misspelt_while", decls + "{\n    whlie (a < 3) {\n    };\n}\n", "E102",
                 "did you mean 'while'?"},
        HintCase{"misspelt_cout", decls + "{\n    cot << a;\n}\n", "E102", "did you mean 'cout'?"},
        HintCase{"capital_if", decls + "{\n    If (ok) {\n    };\n}\n", "E102",
                 "did you mean 'if'?"},
        HintCase{"undeclared_short_name", "{\n    n = 1;\n}\n", "E102", "e.g. 'int n;'"},
        HintCase{"undeclared_name_near_if", "{\n    it = 1;\n}\n", "E102", "e.g. 'int it;'"},
        HintCase{"misspelt_true", decls + "{\n    ok = ture;\n}\n", "E102", "did you mean 'true'?"},
        HintCase{"misspelt_declared_name", "int total;\n{\n    totl = 1;\n}\n", "E102",
                 "did you mean 'total'"},
        HintCase{"for_loop", decls + "{\n    for (i = 0; i < 3; i = i + 1) {\n    };\n}\n", "E102",
                 "no 'for' loop"},
        HintCase{"for_as_a_name", decls + "{\n    for = 1;\n}\n", "E102", "e.g. 'int for;'"},
        HintCase{"break", decls + "{\n    while (ok) {\n        break;\n    };\n}\n", "E102",
                 "no 'break'"},
        HintCase{"break_in_expression", decls + "{\n    a = break;\n}\n", "E102",
                 "e.g. 'int break;'"},
        HintCase{"return", decls + "{\n    return;\n}\n", "E102", "no 'return'"},
        HintCase{"misspelt_type", "Int x;\n{\n}\n", "E18", "did you mean 'int'?"},
        HintCase{"foreign_type", "float x;\n{\n}\n", "E18", "whole numbers only"},
        HintCase{"statement_before_block", "int x;\nx = 1;\n{\n}\n", "E18",
                 "inside the program's block"},
        HintCase{"unknown_word_before_block", "blah;\n{\n}\n", "E18", ""},
        // A byte-order mark, and other bytes that begin no token.
        HintCase{"byte_order_mark", "\xEF\xBB\xBF{\n}\n", "L7", "byte-order mark"},
        HintCase{"hash", "{\n    # comment\n}\n", "L7", ""},
        HintCase{"carriage_return_in_text", "const string s = \"a\r\nb\";\n{\n}\n", "L2",
                 "carriage return"},
        HintCase{"escape_byte_in_text", "const string s = \"a\x1b[1m\";\n{\n}\n", "L2", "byte 1B"},
        HintCase{"letter_beyond_ascii", "int caf\xC3\xA9;\n{\n}\n", "L7", "only ASCII letters"},
        HintCase{"typographic_quote", "const string s = \xE2\x80\x9Chi\xE2\x80\x9D;\n{\n}\n", "L7",
                 "typographic quote"},
        // else if without braces; a body without braces.
        HintCase{"else_if", decls + "{\n    if (ok) {\n    } else if (done) {\n    };\n}\n", "E4",
                 "no 'else if'"},
        HintCase{"else_without_braces", decls + "{\n    if (ok) {\n    } else a = 1;\n}\n", "E4",
                 "always in braces"},
        HintCase{"while_without_braces", decls + "{\n    while (ok) a = 1;\n}\n", "E4",
                 "always in braces"},
        // The ; after the } of if and while.
        HintCase{"no_semicolon_after_if",
                 decls + "{\n    if (ok) {\n        a = 1;\n    }\n    a = 2;\n}\n", "E8",
                 "'if' is a statement too"},
        HintCase{"no_semicolon_after_if_else", decls + "{\n    if (ok) {\n    } else {\n    }\n}\n",
                 "E8", "'if' is a statement too"},
        HintCase{"no_semicolon_after_while", decls + "{\n    while (ok) {\n    }\n}\n", "E8",
                 "'while' is a statement too"},
        HintCase{"semicolon_before_else", decls + "{\n    if (ok) {\n    }; else {\n    };\n}\n",
                 "E19", "no ';' between"},
        HintCase{"two_statements_on_a_line", decls + "{\n    a = 1 b = 2;\n}\n", "E8", ""},
        HintCase{"no_semicolon_after_declaration", "int a\n{\n}\n", "E3", "';' missing after 'a'"},
        // Literals above 32767; a syntax error 4 is not one.
        HintCase{"literal_too_big", "int a = 40000;\n{\n}\n", "L4", "at most 32767"},
        HintCase{"smallest_int", "int a;\n{\n    a = -32768;\n}\n", "L4", "'(0 - 32767) - 1'"},
        // Others.
        HintCase{"compound_assignment", decls + "{\n    a += 1;\n}\n", "E14", "'a = a + 1;'"},
        HintCase{"increment", decls + "{\n    a++;\n}\n", "E14", "no '++'"},
        HintCase{"assignment_as_condition", decls + "{\n    if (a = 1) {\n    };\n}\n", "E202",
                 "write '=='"},
        HintCase{"int_as_condition", decls + "{\n    while (a) {\n    };\n}\n", "E203", "'a != 0'"},
        HintCase{"int_expression_as_condition", decls + "{\n    while (a + 1) {\n    };\n}\n",
                 "E203", ""},
        HintCase{"bool_into_int", decls + "{\n    a = a < b;\n}\n", "E201", "'a' is an int"},
        HintCase{"int_into_bool", decls + "{\n    ok = (a + 1);\n}\n", "E201", "'ok' is a bool"},
        HintCase{"two_comparisons", decls + "{\n    if (0 < a < 10) {\n    };\n}\n", "E7",
                 "at most one comparison"},
        HintCase{"missing_parenthesis", decls + "{\n    if (a < 10 {\n    };\n}\n", "E7", ""},
        HintCase{"unclosed_parenthesis", decls + "{\n    a = (b + 1;\n}\n", "E17",
                 "'(' at 7:9 is not closed"},
        HintCase{"declaration_in_block", "{\n    int x;\n}\n", "E19", "declarations come before"},
        HintCase{"nested_block", "{\n    {\n    };\n}\n", "E19", "cannot stand on its own"},
        HintCase{"empty_statement", decls + "{\n    a = 1;;\n}\n", "E19", "no empty statement"},
        HintCase{"redeclared", "int a;\nbool a;\n{\n}\n", "E101", "on line 1"},
        HintCase{"missing_brace", "{\n    while (true) {\n    };\n", "L1", "'{' on line 1"},
        HintCase{"single_ampersand", decls + "{\n    ok = ok & done;\n}\n", "L5", "'&&'"},
        HintCase{"single_bar", decls + "{\n    ok = ok | done;\n}\n", "L6", "'||'"},
        HintCase{"quote_in_text", "const string s = \"a\\\"b\";\n{\n}\n", "E3",
                 "no escape sequences"},
        HintCase{"expression_as_initial_value", "int a = 1 + 2;\n{\n}\n", "E3",
                 "not an expression"}),
    testing_support::caseName);

struct WarningCase {
    const char* name;
    const char* expression;  // assigned to the int x
    const char* message;     // the warning expected; "" for none
    const char* at = "";     // where it points, when not at the expression's start
};

void PrintTo(const WarningCase& c, std::ostream* os) {
    *os << c.name;
}

class Warnings : public testing::TestWithParam<WarningCase> {};

TEST_P(Warnings, OnlyWhereGroupingChangesTheValue) {
    const WarningCase& c = GetParam();
    const std::string source =
        "int a = 8;\nint b = 3;\nint c = 2;\nint x;\n{\n    x = " + std::string(c.expression) +
        ";\n}\n";
    ASSERT_EQ(lumo::compile(source).status, 0) << source;
    const auto found = lumo::hints::warnings(source);
    if (*c.message == '\0') {
        EXPECT_TRUE(found.empty()) << found.front().message;
        return;
    }
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found.front().message, c.message);
    EXPECT_EQ(found.front().offset, source.find(*c.at != '\0' ? c.at : c.expression));
}

INSTANTIATE_TEST_SUITE_P(
    Chains, Warnings,
    testing::Values(
        WarningCase{"minus_minus", "a - b - c", "'a - b - c' is evaluated as 'a - (b - c)'"},
        WarningCase{"minus_plus", "a - b + c", "'a - b + c' is evaluated as 'a - (b + c)'"},
        WarningCase{"plus_minus", "a + b - c", ""}, WarningCase{"plus_only", "a + b + c + 1", ""},
        WarningCase{"left_grouped", "(a - b) - c", ""},
        WarningCase{"divide_divide", "64 / a / 2", "'64 / a / 2' is evaluated as '64 / (a / 2)'"},
        WarningCase{"times_divide", "a * b / c", "'a * b / c' is evaluated as 'a * (b / c)'"},
        WarningCase{"times_then_divide_exactly", "a * 4 / 2", ""},
        WarningCase{"literals_that_agree", "8 * 4 / 2", ""},
        WarningCase{"literals_that_differ", "8 - 3 - 2",
                    "'8 - 3 - 2' is evaluated as '8 - (3 - 2)'"},
        WarningCase{"remainder", "a % b * c", "'a % b * c' is evaluated as 'a % (b * c)'"},
        WarningCase{"minus_zero_last", "a - b - 0", ""}, WarningCase{"two_operands", "a - b", ""},
        WarningCase{"inside_parentheses", "1 + (a - b - c)",
                    "'a - b - c' is evaluated as 'a - (b - c)'", "a - b - c"},
        WarningCase{"operands_shown_tidily", "( a+1 ) -b-  ( c )",
                    "'(a + 1) - b - (c)' is evaluated as '(a + 1) - (b - (c))'"},
        WarningCase{"long_operand_cut_short", "(a + b + c + a + b + c + a + b + c + 1) - b - c",
                    "'(...) - b - c' is evaluated as '(...) - (b - c)'"},
        WarningCase{"long_chain", "a - b - c - 1 - 2 - 3",
                    "'a - b - c - ...' is evaluated as 'a - (b - (c - ...))'"}),
    testing_support::caseName);

TEST(Warnings, StackBeyondTheMachine) {
    auto program = [](int operands, bool grouped) {
        std::string e = "1";
        for (int k = 1; k < operands; ++k) e = grouped ? "(" + e + " + 1)" : e + " + 1";
        return "int x;\n{\n    x = " + e + ";\n}\n";
    };
    EXPECT_EQ(lumo::hints::stackNeed(program(111, false), program(111, false).find("1")), 111);
    EXPECT_TRUE(lumo::hints::warnings(program(111, false)).empty());
    const auto over = lumo::hints::warnings(program(112, false));
    ASSERT_EQ(over.size(), 1u);
    EXPECT_EQ(over.front().name, "stack");
    EXPECT_NE(over.front().message.find("needs 112 words"), std::string::npos);
    // Grouped from the left, any length needs two words.
    EXPECT_TRUE(lumo::hints::warnings(program(300, true)).empty());
}

TEST(Warnings, NoneAfterTheError) {
    const std::string source =
        "int a;\n{\n    a = 8 - 3 - 2;\n    a = 1 + true;\n    a = 8 - 3 - 2;\n}\n";
    const Diagnostic d = lumo::hints::diagnose(lumo::compile(source));
    EXPECT_EQ(lumo::hints::warnings(source, d.at.offset).size(), 1u);
}

// Where the check form puts each class of error: line and byte column of the token.
struct PlaceCase {
    const char* name;
    std::string source;
    int line, column;
};

void PrintTo(const PlaceCase& c, std::ostream* os) {
    *os << c.name;
}

class Places : public testing::TestWithParam<PlaceCase> {};

TEST_P(Places, AreTheReportedToken) {
    const PlaceCase& c = GetParam();
    const auto result = lumo::compile(c.source);
    ASSERT_NE(result.status, 0);
    const lumo::SourcePosition p = lumo::hints::placeOf(c.source, lumo::hints::diagnose(result));
    EXPECT_EQ(p.line, c.line);
    EXPECT_EQ(p.column, c.column);
}

INSTANTIATE_TEST_SUITE_P(
    EveryClass, Places,
    testing::Values(
        PlaceCase{"lexical_stray_byte", "int x;\n{\n  x = $;\n}\n", 3, 7},
        PlaceCase{"lexical_literal", "int x;\n{\n  x = 1 + 99999;\n}\n", 3, 11},
        PlaceCase{"lexical_unclosed_text", "const string s = \"ab\n{\n}\n", 1, 18},
        PlaceCase{"syntax", "int x;\n{\n  x = 1\n  x = 2;\n}\n", 4, 3},
        PlaceCase{"declaration_at_name", "int x;\nbool x;\n{\n}\n", 2, 6},
        PlaceCase{"uninitialised_constant_at_name", "const int  limit;\n{\n}\n", 1, 12},
        PlaceCase{"chain_after_the_chain", "int x;\nbool b;\n{\n  x = 1 + b - 3;\n}\n", 4, 16},
        PlaceCase{"term_after_the_term", "int x;\nbool b;\n{\n  x = 1 + 2 * b - 3;\n}\n", 4, 17},
        PlaceCase{"end_of_input_after_last_token", "{\n  while (true) {\n  };\n\n\n", 3, 5},
        PlaceCase{"byte_order_mark", "\xEF\xBB\xBF{\n}\n", 1, 1},
        PlaceCase{"tabs_count_one_byte", "int x;\n{\n\t\tx = -1;\n}\n", 3, 9}),
    testing_support::caseName);

TEST(Render, CaretUnderTheTokenPastTabsAndWideCharacters) {
    const std::string source = "{\n\tx\xC3\xA9 = 1;\n}\n";
    const std::string text =
        lumo::hints::render("p.lumo", source, source.find('='), 1, "error", "m", "E1", {}, {});
    EXPECT_EQ(text,
              "p.lumo:2:6: error: m [E1]\n    2 |         x\xC3\xA9 = 1;\n      |            ^\n");
}

TEST(Render, LongLineShownAsAWindow) {
    std::string line = "    x = ";
    for (int k = 0; k < 400; ++k) line += "a + ";
    line += "b;";
    const std::string source = "{\n" + line + "\n}\n";
    const std::size_t at = source.find('b');
    const std::string text = lumo::hints::render("p.lumo", source, at, 1, "error", "m", "", {}, {});
    const std::size_t shown = text.find("| ...");
    ASSERT_NE(shown, std::string::npos) << text;
    const std::string sourceLine = text.substr(shown, text.find('\n', shown) - shown);
    const std::string caretLine = text.substr(text.rfind("| "), text.size());
    EXPECT_LE(sourceLine.size(), 110u);
    // The caret stands under the b.
    EXPECT_EQ(sourceLine[caretLine.find('^')], 'b');
}

TEST(Render, ColourOnlyWhenAsked) {
    const std::string source = "int x = -1;\n{\n}\n";
    lumo::hints::RenderOptions colour;
    colour.colour = true;
    const auto result = lumo::compile(source);
    EXPECT_EQ(lumo::hints::report("p", source, result, {}).find('\x1b'), std::string::npos);
    EXPECT_NE(lumo::hints::report("p", source, result, colour).find("\x1b[1;31merror:"),
              std::string::npos);
}

TEST(Diagnose, MessageOnOneLineWithItsCode) {
    const auto syntax = lumo::hints::diagnose(lumo::compile("int x\n{\n}\n"));
    EXPECT_EQ(syntax.message, "Expected terminator after declaration. Found : LBRACE");
    EXPECT_EQ(syntax.code, "E3");
    const auto lexical = lumo::hints::diagnose(lumo::compile("bool a;\n{\n  a = a & a;\n}\n"));
    EXPECT_EQ(lexical.message, "expected &.");
    EXPECT_EQ(lexical.code, "L5");
    const auto stray = lumo::hints::diagnose(lumo::compile("{\n  \xC3\xA9\n}\n"));
    EXPECT_EQ(stray.message, "Unrecognised character : \\xC3");
    std::string deep = "int x;\n{\n  x = ";
    for (int k = 0; k < 1001; ++k) deep += "(";
    const auto limit = lumo::hints::diagnose(lumo::compile(deep));
    EXPECT_EQ(limit.code, "E30");
    EXPECT_EQ(limit.status, 30);
}

}  // namespace

namespace {

// Whatever the text, the check form is made without a fault (the sanitizer builds run this
// too) and holds exactly one error line for a program that does not compile.
TEST(Robustness, MangledExamplesGetOneLocatedError) {
    std::vector<std::string> sources;
    for (const auto& entry : std::filesystem::directory_iterator(EXAMPLES_DIR)) {
        if (entry.path().extension() != ".lumo") continue;
        std::ifstream in(entry.path(), std::ios::binary);
        sources.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    ASSERT_FALSE(sources.empty());
    std::uint32_t seed = 7;
    auto next = [&seed](std::uint32_t bound) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % bound;
    };
    const std::string bytes =
        "-+*/%&|!<>=;(){}\"\\ \t\n\r\xEF\xBB\xBF\xC3\xFF"
        "0a_#";
    int mangled = 0;
    for (const std::string& original : sources) {
        for (int round = 0; round < 40; ++round) {
            std::string text = original;
            const std::size_t at = next(static_cast<std::uint32_t>(text.size() + 1));
            switch (round % 4) {
                case 0:
                    text.erase(at, 1 + next(8));
                    break;
                case 1:
                    text.insert(at, 1, bytes[next(static_cast<std::uint32_t>(bytes.size()))]);
                    break;
                case 2:
                    text.resize(at);
                    break;
                default:
                    text.insert(at,
                                text.substr(next(static_cast<std::uint32_t>(text.size() + 1)), 12));
            }
            const auto result = lumo::compile(text);
            const std::string report = lumo::hints::report("m.lumo", text, result, {});
            if (result.status == 0) continue;
            ++mangled;
            std::size_t errors = 0;
            for (std::size_t k = report.find(": error: "); k != std::string::npos;
                 k = report.find(": error: ", k + 1))
                ++errors;
            EXPECT_EQ(errors, 1u) << report;
            const std::size_t error = report.find(": error: ");
            const std::size_t lineStart =
                report.rfind('\n', error) == std::string::npos ? 0 : report.rfind('\n', error) + 1;
            const int line = lumo::hints::placeOf(text, lumo::hints::diagnose(result)).line;
            EXPECT_EQ(report.compare(lineStart, 8 + std::to_string(line).size(),
                                     "m.lumo:" + std::to_string(line) + ":"),
                      0)
                << report;
        }
    }
    EXPECT_GT(mangled, 300);
}

}  // namespace
