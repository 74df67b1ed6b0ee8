// The outcome checker must accept every run that lumoc may legitimately make and reject
// each way a run can go wrong: assembly beside a failure status, two diagnostics, a
// diagnostic with status 0, cut-off assembly, a heading that disagrees with the status, a
// token that the input never held.
#include <gtest/gtest.h>

#include <string>

#include "outcome.hpp"

namespace {

using lumofuzz::checkOutcome;
using lumofuzz::cLiteral;

const std::string header =
    "* The KORU Lumo cross-compiler (02-Jul-2003)\n"
    "* first credit line\n"
    "* second credit line\n"
    "*\n"
    "* what follows\n"
    "*\n"
    "\tMCO  \"extended.mco\"\n"
    "\tORG  $0100\n"
    "\tLPC  $0100\n"
    "\tMOVE #$DF,SP\n"
    "\tJMP  main\n"
    "_Eintegeroverflow DC.B 'Integer overflow!\\n',0\n\n"
    "_Edividebyzero    DC.B 'Divide by zero!\\n',0\n\n";

std::string footer(const std::string& label) {
    return "\tHALT\nL" + label +
           "\n\tMOVE #_Eintegeroverflow,A\n\tJSR  putstring\n\tHALT\n\n"
           "Ldividebyzero\n\tMOVE #_Edividebyzero,A\n\tJSR  putstring\n\tHALT\n\n"
           "\tUSE  \"extendedio.lib\"\n";
}

const std::string emptyProgram = header + "\nmain\n" + footer("0");
const std::string oneLoop = header + "sym_b\tDS.W 1\n\nmain\nL0\n\tMOVE sym_b,A\n" + footer("2");

const std::string endOfFile = "Lexer error : Unexpected end of file\n";
const std::string missingTerminator =
    "Syntax error 8.\nExpected terminator after statement.\nFound : RBRACE\n";
const std::string undeclared =
    "Static semantic error 102.\nAttempt to use undeclared variable or constant "
    "identifier.\nIDENTIFIER : y\n";

struct Case {
    const char* name;
    std::string input;
    std::string output;
    int status;
    bool accepted;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class Outcome : public testing::TestWithParam<Case> {};

TEST_P(Outcome, IsJudgedRightly) {
    const Case& c = GetParam();
    const lumofuzz::Verdict verdict = checkOutcome(c.input, c.output, c.status);
    EXPECT_EQ(verdict.ok, c.accepted) << verdict.reason;
    EXPECT_EQ(verdict.reason.empty(), c.accepted) << verdict.reason;
}

const Case accepted[] = {
    {"empty_program", "{}", emptyProgram, 0, true},
    {"loop_with_even_overflow_label", "bool b; { while (b) { }; }", oneLoop, 0, true},
    {"end_of_file", "int x; {", endOfFile, 1, true},
    {"control_character_in_string", "const string s = \"\r\";",
     "Lexer error : non printable character in string literal.\n", 2, true},
    {"missing_quote", "{ \"abc", "Lexer error : missing \" on string literal\n", 3, true},
    {"literal_too_big", "int x = 32768;",
     "Lexer error : literal is too big for a 16 bit integer.\n", 4, true},
    {"single_ampersand", "{ a & b", "Lexer error : expected &.\n\n", 5, true},
    {"bar_then_space", "{ a | b", "Lexer error : Unexpected character : ' '\n", 6, true},
    {"bar_then_newline", "{ a |\n", "Lexer error : Unexpected character : '\n'\n", 6, true},
    {"nul_byte", std::string("int x;\0{}", 9),
     std::string("Lexer error : Unrecognised character : \0\n", 41), 7, true},
    {"high_byte", "{ \x80 }", "Lexer error : Unrecognised character : \x80\n", 7, true},
    {"syntax_error", "int x; { x = 1 }", missingTerminator, 8, true},
    {"string_literal_spanning_lines", "{ cout << \"a\n\tb\"; }",
     "Syntax error 12.\nExpected identifier in output statement.\n"
     "Found : STRING LITERAL : \"a\n\tb\"\n",
     12, true},
    {"empty_string_literal", "{ cout << \"\"; }",
     "Syntax error 12.\nExpected identifier in output statement.\nFound : STRING LITERAL : \"\"\n",
     12, true},
    {"static_semantic_error", "int x; { x = y + 1; }", undeclared, 102, true},
    {"type_error", "int x; { x = 1 && 2; }",
     "Type error 214.\nAttempt to use && operator with non-bool operands.\nTERMINATOR\n", 214,
     true},
    {"integer_with_leading_zeros", "int 007;",
     "Syntax error 1.\nExpected identifier in declaration.\nFound : INTEGER LITERAL : 7\n", 1,
     true},
    {"nesting_limit", "int x; { x = ((((",
     "Limit error : nesting deeper than 1000 levels.\nFound : LPAREN\n", 30, true},
};

const Case rejected[] = {
    {"assembly_with_failure_status", "{}", emptyProgram, 1, false},
    {"assembly_after_a_diagnostic", "int x; { x = 1 }", missingTerminator + emptyProgram, 8, false},
    {"two_diagnostics", "int x; { x = 1 }", missingTerminator + missingTerminator, 8, false},
    {"diagnostic_then_end_of_file", "int x; { x = 1 }", missingTerminator + endOfFile, 8, false},
    {"two_lexical_diagnostics", "", endOfFile + endOfFile, 1, false},
    {"diagnostic_with_status_0", "int x; { x = 1 }", missingTerminator, 0, false},
    {"nothing_with_status_0", "{}", "", 0, false},
    {"nothing_with_failure_status", "{", "", 1, false},
    {"killed_by_a_signal", "{}", "", 134, false},
    {"output_not_written", "{}", emptyProgram, 74, false},
    {"assembly_without_library_line", "{}", emptyProgram.substr(0, emptyProgram.rfind("\tUSE")), 0,
     false},
    {"assembly_cut_mid_line", "{}", emptyProgram.substr(0, emptyProgram.size() - 5), 0, false},
    {"assembly_cut_in_header", "{}", header.substr(0, 60), 0, false},
    {"assembly_then_diagnostic", "{}", emptyProgram + missingTerminator, 0, false},
    {"assembly_without_main", "{}", header + footer("0"), 0, false},
    {"odd_overflow_label", "{}", header + "\nmain\n" + footer("1"), 0, false},
    {"assembly_for_input_without_braces", "", emptyProgram, 0, false},
    {"syntax_heading_disagrees", "int x; { x = 1 }", missingTerminator, 9, false},
    {"static_heading_disagrees", "int x; { x = y + 1; }", undeclared, 101, false},
    {"lexical_message_disagrees", "{ \"abc", "Lexer error : missing \" on string literal\n", 2,
     false},
    {"limit_heading_disagrees", "{ ((",
     "Limit error : nesting deeper than 1000 levels.\n"
     "Found : LPAREN\n",
     1, false},
    {"number_outside_its_class", "{ ; }",
     "Syntax error 21.\nUnrecognised statement type.\nFound : TERMINATOR\n", 21, false},
    {"wrong_message_for_number", "{ ; }",
     "Syntax error 19.\nExpected terminator after statement.\nFound : TERMINATOR\n", 19, false},
    {"syntax_error_without_found", "{ ; }",
     "Syntax error 19.\nUnrecognised statement type.\n"
     "TERMINATOR\n",
     19, false},
    {"static_error_with_found", "int x; { x = y + 1; }",
     "Static semantic error 102.\nAttempt to use undeclared variable or constant "
     "identifier.\nFound : IDENTIFIER : y\n",
     102, false},
    {"description_without_newline", "int x; { x = 1 }",
     missingTerminator.substr(0, missingTerminator.size() - 1), 8, false},
    {"unknown_token_kind", "{ ; }",
     "Syntax error 19.\nUnrecognised statement type.\nFound : SEMICOLON\n", 19, false},
    {"token_not_in_input", "int x; { x = z + 1; }", undeclared, 102, false},
    {"identifier_that_is_a_reserved_word", "{ while = 1; }",
     "Static semantic error 102.\nAttempt to use undeclared variable or constant "
     "identifier.\nIDENTIFIER : while\n",
     102, false},
    {"integer_beyond_16_bits", "int 40000;",
     "Syntax error 1.\nExpected identifier in declaration.\nFound : INTEGER LITERAL : 40000\n", 1,
     false},
    {"integer_with_leading_zero", "int 07;",
     "Syntax error 1.\nExpected identifier in declaration.\nFound : INTEGER LITERAL : 07\n", 1,
     false},
    {"string_literal_with_control_character", "{ cout << \"a\rb\"; }",
     "Syntax error 12.\nExpected identifier in output statement.\n"
     "Found : STRING LITERAL : \"a\rb\"\n",
     12, false},
    {"unrecognised_byte_that_begins_a_token", "{ a }", "Lexer error : Unrecognised character : a\n",
     7, false},
    {"unexpected_byte_not_after_a_bar", "{ a | b", "Lexer error : Unexpected character : 'x'\n", 6,
     false},
    {"literal_too_big_without_five_digits", "int x = 3276;",
     "Lexer error : literal is too big for a 16 bit integer.\n", 4, false},
    {"garbage_with_failure_status", "{", "Segmentation fault\n", 1, false},
};

INSTANTIATE_TEST_SUITE_P(Accepted, Outcome, testing::ValuesIn(accepted),
                         [](const auto& info) { return std::string(info.param.name); });
INSTANTIATE_TEST_SUITE_P(Rejected, Outcome, testing::ValuesIn(rejected),
                         [](const auto& info) { return std::string(info.param.name); });

struct Literal {
    const char* name;
    std::string bytes;
    std::string shown;
};

void PrintTo(const Literal& l, std::ostream* os) {
    *os << l.name;
}

class CLiteral : public testing::TestWithParam<Literal> {};

TEST_P(CLiteral, ShowsEveryByteUnambiguously) {
    EXPECT_EQ(cLiteral(GetParam().bytes), GetParam().shown);
}

const Literal literals[] = {
    {"printable", "int x;", "\"int x;\""},
    {"quote_and_backslash", "a\"b\\c", "\"a\\\"b\\\\c\""},
    {"newline_and_tab", "\n\t", "\"\\n\\t\""},
    {"nul_before_a_digit", std::string(1, '\0') + "1", "\"\\0001\""},
    {"control_and_high_bytes", "\r\x7f\xff", "\"\\015\\177\\377\""},
    {"empty", "", "\"\""},
};

INSTANTIATE_TEST_SUITE_P(Bytes, CLiteral, testing::ValuesIn(literals),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
