// Whole-program tests of lumoc's diagnostics: each case is a source text, the exact
// standard output and the exit status. A failed run must print one diagnostic and no
// assembly.
#include <gtest/gtest.h>

#include <string>

#include "support/case_name.hpp"
#include "support/run_program.hpp"

namespace {

using testing_support::runProgram;

struct Case {
    const char* name;
    std::string source;
    std::string expected;
    int status;
};

std::string syntaxError(int n, const std::string& message, const std::string& token) {
    return "Syntax error " + std::to_string(n) + ".\n" + message + "\nFound : " + token + "\n";
}

std::string staticError(int n, const std::string& message, const std::string& token) {
    return "Static semantic error " + std::to_string(n) + ".\n" + message + "\n" + token + "\n";
}

std::string typeError(int n, const std::string& message, const std::string& token) {
    return "Type error " + std::to_string(n) + ".\n" + message + "\n" + token + "\n";
}

const std::string endOfFile = "Lexer error : Unexpected end of file\n";
const std::string tooBig = "Lexer error : literal is too big for a 16 bit integer.\n";

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class Diagnostics : public testing::TestWithParam<Case> {};

TEST_P(Diagnostics, PrintsExactlyOneDiagnosticAndItsStatus) {
    const Case& c = GetParam();
    auto result = runProgram(LUMOC_PATH, {}, c.source);
    EXPECT_EQ(result.out, c.expected);
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.err, "");
}

const Case lexicalCases[] = {
    {"empty_input", "", endOfFile, 1},
    {"only_white_space_and_comments", "  \n\t// nothing here\n// nor here", endOfFile, 1},
    {"input_ends_before_closing_brace", "int x; { x = 1;", endOfFile, 1},
    {"control_character_in_string", "const string s = \"a\rb\"; {}",
     "Lexer error : non printable character in string literal.\n", 2},
    {"delete_character_in_string", "const string s = \"a\x7f\"; {}",
     "Lexer error : non printable character in string literal.\n", 2},
    {"unclosed_string", "const string s = \"abc", "Lexer error : missing \" on string literal\n",
     3},
    {"lone_opening_quote_at_end", "const string s = \"",
     "Lexer error : missing \" on string literal\n", 3},
    {"literal_32768", "int x = 32768; {}", tooBig, 4},
    {"literal_of_a_hundred_digits", "int x = " + std::string(100, '9') + "; {}", tooBig, 4},
    {"literal_with_leading_zeros_too_big", "int x = 0000099999; {}", tooBig, 4},
    {"single_ampersand", "int a; { a = a & a; }", "Lexer error : expected &.\n\n", 5},
    {"ampersand_at_end_of_input", "int a; { a = a &", "Lexer error : expected &.\n\n", 5},
    {"bar_then_letter", "bool a; { a = a |b; }", "Lexer error : Unexpected character : 'b'\n", 6},
    {"bar_then_space", "bool a; { a = a | a; }", "Lexer error : Unexpected character : ' '\n", 6},
    {"bar_at_end_of_input", "bool a; { a = a |", endOfFile, 1},
    {"hash", "int x; { # }", "Lexer error : Unrecognised character : #\n", 7},
    {"underscore_starts_no_token", "int _x; {}", "Lexer error : Unrecognised character : _\n", 7},
    {"dot", "int x; { x = 1.5; }", "Lexer error : Unrecognised character : .\n", 7},
    {"high_byte", "int x; { \x80 }", "Lexer error : Unrecognised character : \x80\n", 7},
    {"nul_byte_between_tokens", std::string("int x;\0{}", 9),
     std::string("Lexer error : Unrecognised character : \0\n", 41), 7},
    {"slash_at_end_of_input", "int a; { a = a /", endOfFile, 1},
    {"assign_at_end_of_input", "int a; { a =", endOfFile, 1},
    {"less_at_end_of_input", "int a; { a = a <", endOfFile, 1},
};

const Case syntaxCases[] = {
    {"e1_no_identifier", "int 5; {}",
     syntaxError(1, "Expected identifier in declaration.", "INTEGER LITERAL : 5"), 1},
    {"e1_reserved_word", "int if; {}", syntaxError(1, "Expected identifier in declaration.", "IF"),
     1},
    {"e1_boolean_literal", "int true; {}",
     syntaxError(1, "Expected identifier in declaration.", "BOOLEAN LITERAL : true"), 1},
    {"e1_const_keyword", "int const; {}",
     syntaxError(1, "Expected identifier in declaration.", "CONST"), 1},
    {"e2_signed_number", "int x = -1; {}",
     syntaxError(2, "Expected literal in declaration initialisation.", "ADDITIONAL OPERATOR : -"),
     2},
    {"e2_identifier", "int a = b; {}",
     syntaxError(2, "Expected literal in declaration initialisation.", "IDENTIFIER : b"), 2},
    {"e3_missing_terminator", "int a int b; {}",
     syntaxError(3, "Expected terminator after declaration.", "INT"), 3},
    {"e4_unbraced_then", "bool b; int x; { if (b) x = 1; }",
     syntaxError(4, "Expected left brace in compound statement.", "IDENTIFIER : x"), 4},
    {"e4_unbraced_else", "bool b; { if (b) { } else }",
     syntaxError(4, "Expected left brace in compound statement.", "RBRACE"), 4},
    {"e6_if_without_parenthesis", "bool b; { if b { }; }",
     syntaxError(6, "Expected left parenthesis in if statement condition.", "IDENTIFIER : b"), 6},
    {"e7_if_unclosed", "bool b; { if (b { }; }",
     syntaxError(7, "Expected right parenthesis in if statement condition.", "LBRACE"), 7},
    {"e8_missing_terminator", "int x; { x = 1 }",
     syntaxError(8, "Expected terminator after statement.", "RBRACE"), 8},
    {"e8_after_if", "bool b; int x; int y; { if (b) { x = 1; } y = 2; }",
     syntaxError(8, "Expected terminator after statement.", "IDENTIFIER : y"), 8},
    {"e8_second_relational_operator", "bool b; int x; { b = x < 1 == b; }",
     syntaxError(8, "Expected terminator after statement.", "RELATIONAL OPERATOR : =="), 8},
    {"e9_wrong_direction_in", "int x; { cin << x; }",
     syntaxError(9, "Expected >> in input statement.", "OUTPUT OPERATOR"), 9},
    {"e9_assign_after_cin", "int x; { cin = x; }",
     syntaxError(9, "Expected >> in input statement.", "ASSIGN"), 9},
    {"e10_wrong_direction_out", "int x; { cout >> x; }",
     syntaxError(10, "Expected << in output statement.", "INPUT OPERATOR"), 10},
    {"e11_literal_input", "int x; { cin >> 5; }",
     syntaxError(11, "Expected identifier in input statement.", "INTEGER LITERAL : 5"), 11},
    {"e12_string_literal_output", "{ cout << \"hi\"; }",
     syntaxError(12, "Expected identifier in output statement.", "STRING LITERAL : \"hi\""), 12},
    {"e12_empty_string_literal", "{ cout << \"\"; }",
     syntaxError(12, "Expected identifier in output statement.", "STRING LITERAL : \"\""), 12},
    {"e12_string_with_newline_and_tab", "{ cout << \"a\n\tb\"; }",
     syntaxError(12, "Expected identifier in output statement.", "STRING LITERAL : \"a\n\tb\""),
     12},
    {"e14_equality_instead_of_assignment", "int x; { x == 1; }",
     syntaxError(14, "Expected assignment symbol in assignment statement.",
                 "RELATIONAL OPERATOR : =="),
     14},
    {"e15_while_without_parenthesis", "bool b; { while b { }; }",
     syntaxError(15, "Expected left parenthesis in while statement.", "IDENTIFIER : b"), 15},
    {"e16_while_unclosed", "int x; { while (x < 1 { }; }",
     syntaxError(16, "Expected right parenthesis in while statement.", "LBRACE"), 16},
    {"e17_unclosed_factor", "int x; { x = (1 + 2; }",
     syntaxError(17, "Expected right parenthesis in factor.", "TERMINATOR"), 17},
    {"e18_statement_before_compound", "x = 1; {}",
     syntaxError(18, "Expected type identifier in declaration.", "IDENTIFIER : x"), 18},
    {"e18_const_without_type", "const x = 1; {}",
     syntaxError(18, "Expected type identifier in declaration.", "IDENTIFIER : x"), 18},
    {"e19_empty_statement", "{ ; }", syntaxError(19, "Unrecognised statement type.", "TERMINATOR"),
     19},
    {"e19_nested_braces", "int x; { { x = 1; }; }",
     syntaxError(19, "Unrecognised statement type.", "LBRACE"), 19},
    {"e19_else_alone", "{ else }", syntaxError(19, "Unrecognised statement type.", "ELSE"), 19},
    {"e19_parenthesis", "{ ( }", syntaxError(19, "Unrecognised statement type.", "LPAREN"), 19},
    {"e19_right_parenthesis", "{ ) }", syntaxError(19, "Unrecognised statement type.", "RPAREN"),
     19},
    {"e19_or", "{ || }",
     syntaxError(19, "Unrecognised statement type.", "ADDITIONAL OPERATOR : ||"), 19},
    {"e19_and", "{ && }",
     syntaxError(19, "Unrecognised statement type.", "MULTIPLICATIVE OPERATOR : &&"), 19},
    {"e19_less_equal", "{ <= }",
     syntaxError(19, "Unrecognised statement type.", "RELATIONAL OPERATOR : <="), 19},
    {"e19_not", "{ ! }", syntaxError(19, "Unrecognised statement type.", "NOT OPERATOR"), 19},
    {"e19_type_keywords", "{ bool }", syntaxError(19, "Unrecognised statement type.", "BOOL"), 19},
    {"e19_string_keyword", "{ string }", syntaxError(19, "Unrecognised statement type.", "STRING"),
     19},
    {"e19_int_keyword", "{ int }", syntaxError(19, "Unrecognised statement type.", "INT"), 19},
    {"e19_const_keyword", "{ const }", syntaxError(19, "Unrecognised statement type.", "CONST"),
     19},
    {"e18_while_keyword", "while",
     syntaxError(18, "Expected type identifier in declaration.", "WHILE"), 18},
    {"e18_cin_keyword", "cin", syntaxError(18, "Expected type identifier in declaration.", "CIN"),
     18},
    {"e18_cout_keyword", "cout",
     syntaxError(18, "Expected type identifier in declaration.", "COUT"), 18},
    {"e18_literal", "7",
     syntaxError(18, "Expected type identifier in declaration.", "INTEGER LITERAL : 7"), 18},
};

const Case staticCases[] = {
    {"e101_redeclaration", "int a; bool a; {}",
     staticError(101, "Attempt to re-declare variable or constant.", "IDENTIFIER : a"), 101},
    {"e102_undeclared_target", "int x; { y = 1; }",
     staticError(102, "Attempt to use undeclared variable or constant identifier.",
                 "IDENTIFIER : y"),
     102},
    {"e102_undeclared_factor", "int x; { x = y + 1; }",
     staticError(102, "Attempt to use undeclared variable or constant identifier.",
                 "IDENTIFIER : y"),
     102},
    {"e102_names_are_case_sensitive", "int a; { A = 1; }",
     staticError(102, "Attempt to use undeclared variable or constant identifier.",
                 "IDENTIFIER : A"),
     102},
    {"e102_undeclared_input", "{ cin >> n; }",
     staticError(102, "Attempt to use undeclared variable or constant identifier.",
                 "IDENTIFIER : n"),
     102},
    {"e102_undeclared_output", "{ cout << n; }",
     staticError(102, "Attempt to use undeclared variable or constant identifier.",
                 "IDENTIFIER : n"),
     102},
    {"e103_uninitialised_constant", "const int k; {}",
     staticError(103, "Attempt to declare an uninitialised constant.", "IDENTIFIER : k"), 103},
    {"e103_before_e104", "const string s; {}",
     staticError(103, "Attempt to declare an uninitialised constant.", "IDENTIFIER : s"), 103},
    {"e104_string_variable", "string s; {}",
     staticError(104, "Attempt to declare a variable of type string.", "IDENTIFIER : s"), 104},
    {"e104_initialised_string_variable", "string s = \"a\"; {}",
     staticError(104, "Attempt to declare a variable of type string.", "IDENTIFIER : s"), 104},
    {"e105_input_to_constant", "const int k = 1; { cin >> k; }",
     staticError(105, "Attempt to input to a constant.", "IDENTIFIER : k"), 105},
    {"e106_assign_to_constant", "const int k = 1; { k = 2; }",
     staticError(106, "Attempt to assign to a constant.", "IDENTIFIER : k"), 106},
};

const std::string mismatchInExpression = "Mismatch between types in an expression.";

const Case typeCases[] = {
    {"e201_assignment_mismatch", "int x; { x = true; }",
     typeError(201, "Mismatch between types of identifier and expression in assignment.",
               "TERMINATOR"),
     201},
    {"e201_empty_expression", "int x; { x = ; }",
     typeError(201, "Mismatch between types of identifier and expression in assignment.",
               "TERMINATOR"),
     201},
    {"e202_int_condition", "int x; { if (x) { }; }",
     typeError(202, "Attempt to use a non-bool expression as if condition.", "RPAREN"), 202},
    {"e202_checked_before_e7", "int x; { if (x { }; }",
     typeError(202, "Attempt to use a non-bool expression as if condition.", "LBRACE"), 202},
    {"e203_int_condition", "int x; { while (x) { }; }",
     typeError(203, "Attempt to use a non-bool expression as while condition.", "RPAREN"), 203},
    {"e204_relation_mismatch", "int x; bool b; { b = x == b; }",
     typeError(204, mismatchInExpression, "TERMINATOR"), 204},
    {"e204_relation_of_two_missing_operands", "bool b; { b = ( == ); }",
     typeError(204, mismatchInExpression, "RPAREN"), 204},
    {"e204_relation_of_two_empty_parentheses", "bool b; { b = () < (); }",
     typeError(204, mismatchInExpression, "TERMINATOR"), 204},
    {"e204_condition_of_two_missing_operands", "{ while (==) { }; }",
     typeError(204, mismatchInExpression, "RPAREN"), 204},
    {"e206_unary_minus", "int x; { x = -5; }",
     typeError(206, "Mismatch between types in a basic expression.", "TERMINATOR"), 206},
    {"e206_rest_of_chain_checked_first", "int x; { x = 1 + 2 + true; }",
     typeError(206, "Mismatch between types in a basic expression.", "TERMINATOR"), 206},
    {"e206_found_from_the_end", "int x; { x = true + true - 1; }",
     typeError(206, "Mismatch between types in a basic expression.", "TERMINATOR"), 206},
    {"e207_strings_added", "int x; { x = \"a\" + \"b\"; }",
     typeError(207, "Attempt to use + operator with non-int operands.", "TERMINATOR"), 207},
    {"e207_kept_past_a_later_operator_that_holds", "bool b; { b = true + true || false; }",
     typeError(207, "Attempt to use + operator with non-int operands.", "TERMINATOR"), 207},
    {"e208_bools_subtracted", "bool b; { b = true - false; }",
     typeError(208, "Attempt to use - operator with non-int operands.", "TERMINATOR"), 208},
    {"e208_two_missing_operands", "int x; { x = ( - ); }",
     typeError(208, "Attempt to use - operator with non-int operands.", "RPAREN"), 208},
    {"e209_ints_ored", "int x; { x = 1 || 2; }",
     typeError(209, "Attempt to use || operator with non-bool operands.", "TERMINATOR"), 209},
    {"e210_term_mismatch", "int x; { x = 1 * true; }",
     typeError(210, "Mismatch between types in a term.", "TERMINATOR"), 210},
    {"e210_found_from_the_end", "int x; { x = true * true * 1; }",
     typeError(210, "Mismatch between types in a term.", "TERMINATOR"), 210},
    {"e210_term_checked_before_rest_of_sum", "int x; { x = 1 * true + true * 1; }",
     typeError(210, "Mismatch between types in a term.", "ADDITIONAL OPERATOR : +"), 210},
    {"e211_bools_multiplied", "bool b; { b = true * false; }",
     typeError(211, "Attempt to use * operator with non-int operands.", "TERMINATOR"), 211},
    {"e211_kept_past_a_later_operator_that_holds", "bool b; { b = true * true && false; }",
     typeError(211, "Attempt to use * operator with non-int operands.", "TERMINATOR"), 211},
    {"e212_bools_divided", "bool b; { b = true / false; }",
     typeError(212, "Attempt to use / operator with non-int operands.", "TERMINATOR"), 212},
    {"e213_bools_remainder", "bool b; { b = true % false; }",
     typeError(213, "Attempt to use % operator with non-int operands.", "TERMINATOR"), 213},
    {"e214_ints_anded", "int x; { x = 1 && 2; }",
     typeError(214, "Attempt to use && operator with non-bool operands.", "TERMINATOR"), 214},
    {"e215_not_of_int", "bool b; { b = !5; }",
     typeError(215, "Attempt to use ! operator with non-bool operand.", "TERMINATOR"), 215},
    {"e215_not_of_nothing", "bool b; { b = !; }",
     typeError(215, "Attempt to use ! operator with non-bool operand.", "TERMINATOR"), 215},
    {"e216_input_to_bool", "bool b; { cin >> b; }",
     typeError(216, "Attempt to input to a non-integer variable.", "IDENTIFIER : b"), 216},
    {"e216_checked_before_e105", "const bool t = true; { cin >> t; }",
     typeError(216, "Attempt to input to a non-integer variable.", "IDENTIFIER : t"), 216},
    {"e217_output_of_bool", "bool b; { cout << b; }",
     typeError(217, "Attempt to output a non-integer or non-string value.", "IDENTIFIER : b"), 217},
    {"e218_string_equality", "const string s = \"a\"; bool b; { b = s == s; }",
     typeError(218, "Attempt to use == operator with a string value.", "TERMINATOR"), 218},
    {"e219_string_inequality", "bool b; { b = \"a\" != \"b\"; }",
     typeError(219, "Attempt to use != operator with a string value.", "TERMINATOR"), 219},
    {"e220_string_greater", "bool b; { b = \"a\" > \"b\"; }",
     typeError(220, "Attempt to use > operator with a string value.", "TERMINATOR"), 220},
    {"e221_string_less", "bool b; { b = \"a\" < \"b\"; }",
     typeError(221, "Attempt to use < operator with a string value.", "TERMINATOR"), 221},
    {"e222_string_greater_equal", "bool b; { b = \"a\" >= \"b\"; }",
     typeError(222, "Attempt to use >= operator with a string value.", "TERMINATOR"), 222},
    {"e223_string_less_equal", "bool b; { b = \"a\" <= \"b\"; }",
     typeError(223, "Attempt to use <= operator with a string value.", "TERMINATOR"), 223},
    {"e224_bool_from_int", "bool f = 0; {}",
     typeError(224, "Mismatch between types in a declaration.", "IDENTIFIER : f"), 224},
    {"e224_int_from_bool", "int n = true; {}",
     typeError(224, "Mismatch between types in a declaration.", "IDENTIFIER : n"), 224},
    {"e224_checked_before_e104", "string s = 5; {}",
     typeError(224, "Mismatch between types in a declaration.", "IDENTIFIER : s"), 224},
    {"e224_string_into_int", "const int k = \"7\"; {}",
     typeError(224, "Mismatch between types in a declaration.", "IDENTIFIER : k"), 224},
};

const Case nestingCases[] = {
    {"parentheses_beyond_the_limit",
     "int x; { x = " + std::string(100000, '(') + "1" + std::string(100000, ')') + "; }",
     "Limit error : nesting deeper than 1000 levels.\nFound : LPAREN\n", 30},
    {"not_operators_beyond_the_limit", "bool b; { b = " + std::string(100000, '!') + "true; }",
     "Limit error : nesting deeper than 1000 levels.\nFound : NOT OPERATOR\n", 30},
    {"one_level_too_many",
     "int x; { x = " + std::string(1001, '(') + "1" + std::string(1001, ')') + "; }",
     "Limit error : nesting deeper than 1000 levels.\nFound : LPAREN\n", 30},
};

std::string nestedWhiles(int depth) {
    std::string text = "bool b; {";
    for (int i = 0; i < depth; ++i) text += " while (b) {";
    for (int i = 0; i < depth; ++i) text += " };";
    return text + " }";
}

const Case nestedStatementCases[] = {
    {"while_bodies_beyond_the_limit", nestedWhiles(100000),
     "Limit error : nesting deeper than 1000 levels.\nFound : LBRACE\n", 30},
};

INSTANTIATE_TEST_SUITE_P(Lexical, Diagnostics, testing::ValuesIn(lexicalCases),
                         testing_support::caseName);
INSTANTIATE_TEST_SUITE_P(Syntax, Diagnostics, testing::ValuesIn(syntaxCases),
                         testing_support::caseName);
INSTANTIATE_TEST_SUITE_P(StaticSemantic, Diagnostics, testing::ValuesIn(staticCases),
                         testing_support::caseName);
INSTANTIATE_TEST_SUITE_P(Type, Diagnostics, testing::ValuesIn(typeCases),
                         testing_support::caseName);
INSTANTIATE_TEST_SUITE_P(Nesting, Diagnostics, testing::ValuesIn(nestingCases),
                         testing_support::caseName);
INSTANTIATE_TEST_SUITE_P(NestedStatements, Diagnostics, testing::ValuesIn(nestedStatementCases),
                         testing_support::caseName);

// Programs the analyser must accept: the run succeeds and writes assembly only.
using Accepted = testing_support::NamedProgram;

class AcceptedPrograms : public testing::TestWithParam<Accepted> {};

TEST_P(AcceptedPrograms, CompileToAssembly) {
    auto result = runProgram(LUMOC_PATH, {}, GetParam().source);
    EXPECT_EQ(result.status, 0) << result.out;
    EXPECT_EQ(result.out.rfind("* The KORU Lumo cross-compiler", 0), 0u) << result.out;
    EXPECT_EQ(result.out.substr(result.out.size() - 23), "\tUSE  \"extendedio.lib\"\n");
}

const Accepted acceptedCases[] = {
    {"empty_program", "{}"},
    {"text_after_closing_brace_is_never_read", "{ } # $ \"unterminated & | 99999999"},
    {"comment_far_longer_than_1024_characters",
     "// " + std::string(100000, 'x') + " int x = 99999;\n{}"},
    {"comment_directly_after_identifier", "int x// comment\n; { x = 1; }"},
    {"byte_ff_skipped_between_tokens", "int\xffx;\xff{\xff}"},
    {"literal_32767_and_leading_zeros", "int x = 32767; int y = 007; { x = 0; }"},
    {"digits_then_letters_are_two_tokens", "int x; { x = 1; }"},
    {"slash_between_identifiers_divides", "int a; int b; { a = a/b; }"},
    {"output_operator_then_assign", "int x; { cout <<x; }"},
    {"constants_readable_and_writable",
     "const int k = 1; const string s = \"hi\"; { cout << k; cout << s; }"},
    {"bool_ordering_comparison", "bool b; { b = true > false; }"},
    {"parenthesised_relation_compared", "int a; int b; bool c; { c = (a < b) == true; }"},
    {"double_negation", "bool b; { b = !!true; }"},
    {"empty_branches_and_body", "bool a; { if (a) { } else { }; while (a) { }; }"},
    {"nesting_at_the_limit",
     "int x; { x = " + std::string(1000, '(') + "1" + std::string(1000, ')') + "; }"},
    {"not_at_the_limit", "bool b; { b = " + std::string(1000, '!') + "true; }"},
    {"while_bodies_at_the_limit", nestedWhiles(1000)},
};

INSTANTIATE_TEST_SUITE_P(Accepted, AcceptedPrograms, testing::ValuesIn(acceptedCases),
                         testing_support::caseName);

TEST(Driver, IgnoresItsArguments) {
    auto plain = runProgram(LUMOC_PATH, {}, "int x; { x = 1; }");
    auto withArgs =
        runProgram(LUMOC_PATH, {"-o", "out.s", "--help", "x.lumo"}, "int x; { x = 1; }");
    EXPECT_EQ(plain.status, 0);
    EXPECT_EQ(withArgs.status, 0);
    EXPECT_EQ(plain.out, withArgs.out);
}

TEST(Driver, ErrorInLastStatementWritesNoAssembly) {
    auto result = runProgram(LUMOC_PATH, {}, "int x; { x = 1; x = 2; x = 3; x = true; }");
    EXPECT_EQ(result.status, 201);
    EXPECT_EQ(result.out.find("KORU"), std::string::npos);
}

TEST(Driver, FailedWriteOfStandardOutputIsReported) {
    auto result = runProgram(LUMOC_PATH, {}, "int x; { x = 1; }", "/dev/full");
    EXPECT_EQ(result.status, 74);
    EXPECT_EQ(result.err, "lumo: cannot write standard output\n");
}

}  // namespace
