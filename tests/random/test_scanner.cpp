// The evaluator's scanner on inputs where reading goes wrong most easily: operators whose
// first character could begin a longer one, comments, literals, unusual white space, and
// every lexical error with its exact message.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "eval_lexer.hpp"

namespace {

// Every token's description, then the failure that ends the input ("status: text").
std::vector<std::string> scanAll(const std::string& input) {
    lumoeval::Scanner scanner(input);
    scanner.start();
    std::vector<std::string> out;
    lumoeval::Token token;
    lumoeval::Failure failure;
    while (scanner.next(token, failure)) out.push_back(lumoeval::describe(token));
    out.push_back((failure.undefined ? "open " : "") + std::to_string(failure.status) + ": " +
                  failure.text);
    return out;
}

const std::string kEnd = "1: Lexer error : Unexpected end of file\n";

struct ScanCase {
    const char* name;
    std::string input;
    std::vector<std::string> tokens;
};

void PrintTo(const ScanCase& c, std::ostream* os) {
    *os << c.name;
}

class Scanning : public testing::TestWithParam<ScanCase> {};

TEST_P(Scanning, YieldsTheTokens) {
    EXPECT_EQ(scanAll(GetParam().input), GetParam().tokens);
}

const ScanCase kScans[] = {
    {"LessOrEqual", "a<=b", {"IDENTIFIER : a", "RELATIONAL OPERATOR : <=", "IDENTIFIER : b", kEnd}},
    {"OutputThenAssign", "<<= ", {"OUTPUT OPERATOR", "ASSIGN", kEnd}},
    {"EqualsThenAssign", "=== ", {"RELATIONAL OPERATOR : ==", "ASSIGN", kEnd}},
    {"LessThenMinus", "<-", {"RELATIONAL OPERATOR : <", "ADDITIONAL OPERATOR : -", kEnd}},
    {"Input", ">>>=", {"INPUT OPERATOR", "RELATIONAL OPERATOR : >=", kEnd}},
    {"NotAndNotEqual",
     "!x!=y",
     {"NOT OPERATOR", "IDENTIFIER : x", "RELATIONAL OPERATOR : !=", "IDENTIFIER : y", kEnd}},
    {"LogicalOperators",
     "&&||",
     {"MULTIPLICATIVE OPERATOR : &&", "ADDITIONAL OPERATOR : ||", kEnd}},
    {"LiteralThenName",
     "007 12ab",
     {"INTEGER LITERAL : 7", "INTEGER LITERAL : 12", "IDENTIFIER : ab", kEnd}},
    {"LargestLiteral", "32767", {"INTEGER LITERAL : 32767", kEnd}},
    {"WordsAndLookalikes",
     "True true IF if if_x cout",
     {"IDENTIFIER : True", "BOOLEAN LITERAL : true", "IDENTIFIER : IF", "IF", "IDENTIFIER : if_x",
      "COUT", kEnd}},
    {"DivisionBetweenNames",
     "a/b",
     {"IDENTIFIER : a", "MULTIPLICATIVE OPERATOR : /", "IDENTIFIER : b", kEnd}},
    {"TwoDivisions",
     "a / / b",
     {"IDENTIFIER : a", "MULTIPLICATIVE OPERATOR : /", "MULTIPLICATIVE OPERATOR : /",
      "IDENTIFIER : b", kEnd}},
    {"CommentAfterName", "a//c \" & #\nb", {"IDENTIFIER : a", "IDENTIFIER : b", kEnd}},
    {"DivisionSignTakenByComment", "a ///c\nb", {"IDENTIFIER : a", "IDENTIFIER : b", kEnd}},
    {"EmptyString", "\"\"", {"STRING LITERAL : \"\"", kEnd}},
    {"StringKeepsBackslashesAndLines",
     "\"a\\qb\tc\nd\"",
     {"STRING LITERAL : \"a\\qb\tc\nd\"", kEnd}},
    {"UnusualWhiteSpace",
     "x\xFFy\r\v\fz",
     {"IDENTIFIER : x", "IDENTIFIER : y", "IDENTIFIER : z", kEnd}},
    {"Punctuation",
     "{(;)}= ",
     {"LBRACE", "LPAREN", "TERMINATOR", "RPAREN", "RBRACE", "ASSIGN", kEnd}},
    {"Keywords",
     "const bool string int else while cin",
     {"CONST", "BOOL", "STRING", "INT", "ELSE", "WHILE", "CIN", kEnd}},
    {"LoneAmpersand", "x &y", {"IDENTIFIER : x", "5: Lexer error : expected &.\n\n"}},
    {"BarThenSpace", "| |", {"6: Lexer error : Unexpected character : ' '\n"}},
    {"StrayMark", "x # y", {"IDENTIFIER : x", "7: Lexer error : Unrecognised character : #\n"}},
    {"HighByte", "\x80", {"7: Lexer error : Unrecognised character : \x80\n"}},
    {"ControlByteOutsideString", "\x01", {"7: Lexer error : Unrecognised character : \x01\n"}},
    {"ControlByteInString",
     "\"a\x7F\"",
     {"2: Lexer error : non printable character in string literal.\n"}},
    {"CarriageReturnInString",
     "\"a\r\"",
     {"2: Lexer error : non printable character in string literal.\n"}},
    {"UnclosedString", "\"abc\n", {"3: Lexer error : missing \" on string literal\n"}},
    {"LiteralTooBig", "32768", {"4: Lexer error : literal is too big for a 16 bit integer.\n"}},
    {"LiteralFarTooBig",
     "123456789012345678901234567890",
     {"4: Lexer error : literal is too big for a 16 bit integer.\n"}},
    {"OperatorCutByTheEnd",
     "a <",
     {"IDENTIFIER : a",
      "open 1: input ends inside a "
      "two-character operator"}},
    {"SlashCutByTheEnd",
     "a /",
     {"IDENTIFIER : a",
      "open 1: input ends inside a "
      "two-character operator"}},
    {"QuoteCutByTheEnd", "\"", {"open 3: input ends right after an opening quote"}},
    {"OnlyComments", "// one\n//two", {kEnd}},
};

INSTANTIATE_TEST_SUITE_P(RandomScanner, Scanning, testing::ValuesIn(kScans),
                         [](const testing::TestParamInfo<ScanCase>& i) { return i.param.name; });

TEST(RandomScanner, CommentsRunToTheEndOfTheirLine) {
    const std::string filler(1024, '-');
    EXPECT_EQ(scanAll("//" + filler + "\nx"), (std::vector<std::string>{"IDENTIFIER : x", kEnd}));
    EXPECT_EQ(scanAll("//" + filler + "x"), (std::vector<std::string>{kEnd}));
    EXPECT_EQ(scanAll("//" + filler + filler + "xy\nz"),
              (std::vector<std::string>{"IDENTIFIER : z", kEnd}));
}

}  // namespace
