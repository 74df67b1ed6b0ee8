// The reference evaluator on hand-written programs whose outputs and diagnostics are known:
// grouping from the right, the order of run-time errors, 16-bit limits, truth values, string
// output, and the analysis order of the compiler's checks.
#include <gtest/gtest.h>

#include <string>

#include "eval_program.hpp"
#include "eval_run.hpp"

namespace {

struct RunCase {
    const char* name;
    const char* program;
    const char* input;
    const char* output;
};

std::string runProgram(const std::string& source, const std::string& input) {
    lumoeval::Analysis a = lumoeval::analyse(source);
    if (!a.ok) return "analysis failed: " + a.failure.text;
    lumoeval::RunResult r = lumoeval::run(a.program, input);
    if (!lumoeval::isProgramBehaviour(r.end)) return r.output + "[unjudgeable: " + r.detail + "]";
    return r.output;
}

void PrintTo(const RunCase& c, std::ostream* os) {
    *os << c.name;
}

class Runs : public testing::TestWithParam<RunCase> {};

TEST_P(Runs, PrintWhatTheLanguageSays) {
    const RunCase& c = GetParam();
    EXPECT_EQ(runProgram(c.program, c.input), c.output) << c.program;
}

const RunCase kRuns[] = {
    {"SubtractionGroupsFromTheRight", "int x; { x = 8 - 3 - 2; cout << x; }", "", "7"},
    {"MixedAdditiveChain", "int x; { x = 10 - 4 + 3; cout << x; }", "", "3"},
    {"DivisionGroupsFromTheRight", "int x; { x = 100 / 5 * 2; cout << x; }", "", "10"},
    {"ParenthesesRegroup", "int x; { x = (8 - 3) - 2; cout << x; }", "", "3"},
    {"ProductBindsTighter", "int x; { x = 2 + 3 * 4; cout << x; }", "", "14"},
    {"TruncatingDivision", "int x; { x = (0 - 7) / 2; cout << x; }", "", "-3"},
    {"RemainderTakesDividendSign",
     "int x; { x = (0 - 7) % 2; cout << x; x = 7 % (0 - 2); "
     "cout << x; }",
     "", "-11"},
    {"SmallestDividedByMinusOne",
     "int x; { x = ((0 - 32767) - 1) / (0 - 1); cout << x; x = ((0 - 32767) - 1) % (0 - 1);"
     " cout << x; }",
     "", "-327680"},
    {"AdditionOverflow", "int x; { x = 32767 + 1; cout << x; }", "", "Integer overflow!\n"},
    {"UnsetVariableIsFlagged", "int x; int y; { y = x; }", "", "[unjudgeable: read of unset x]"},
    {"OverflowKeepsEarlierOutput",
     "const string s = \"a\"; int x = 1; { cout << s; x = 32767 + x; cout << s; }", "",
     "aInteger overflow!\n"},
    {"SubtractionOverflow", "int x; { x = (0 - 32767) - 2; }", "", "Integer overflow!\n"},
    {"NoOverflowWhenGroupedRight", "int x; { x = 0 - 32767 - 2; cout << x; }", "", "-32765"},
    {"SmallestIntWithoutOverflow", "int x; { x = (0 - 32767) - 1; cout << x; }", "", "-32768"},
    {"MultiplicationOverflow", "int x; { x = 200 * 200; }", "", "Integer overflow!\n"},
    {"DivideByZero", "int x; { x = 7 / 0; }", "", "Divide by zero!\n"},
    {"RemainderByZero", "int x; { x = 7 % (3 - 3); }", "", "Divide by zero!\n"},
    {"OperandsBeforeOperators", "int x; { x = 1 + 32767 + 1 / 0; }", "", "Divide by zero!\n"},
    {"LeftOperandFirst", "int x; { x = 32767 * 2 + 1 / 0; }", "", "Integer overflow!\n"},
    {"LastOperatorFirst", "int x; { x = 1 / 0 * (32767 + 1); }", "", "Integer overflow!\n"},
    {"SignedComparisonAcrossOverflow",
     "bool b; const string t = \"T\"; const string f = \"F\"; int m; int p; "
     "{ m = (0 - 32767) - 1; p = 1; b = m < p; if (b) { cout << t; } else { cout << f; }; "
     "p = 32767; m = 0 - 1; if (p > m) { cout << t; }; if (m >= p) { cout << f; }; }",
     "", "TT"},
    {"TruthValuesAreMinusOneAndZero",
     "bool b = true; const string y = \"y\"; "
     "{ if (b == !false && (true || false) && !(true && false)) { cout << y; }; "
     "if (true < false) { cout << y; }; }",
     "", "yy"},
    {"BothOperandsAlwaysEvaluated", "bool b; { b = false && (1 / 0 > 0); }", "",
     "Divide by zero!\n"},
    {"NestedLoops",
     "int i; int j; int n = 0; { i = 0; while (i < 3) { j = 0; while (j <= i) { n = n + 1; "
     "j = j + 1; }; i = i + 1; }; cout << n; }",
     "", "6"},
    {"InputIsReadInOrder", "int a; int b; { cin >> a; cin >> b; a = a - b; cout << a; }",
     " 5\n\t-12 ", "17"},
    {"InputRunsOut", "int a; { cin >> a; cin >> a; }", "3", "[unjudgeable: no number left]"},
    {"StringBytesAndLineBreakPairs", "const string s = \"it's\ta\\nb\\\\nc\nd\"; { cout << s; }",
     "", "it's\ta\nb\\\nc\nd"},
    {"ElseBranch", "int x = 4; { if (x > 5) { x = 1; } else { x = 2; }; cout << x; }", "", "2"},
    {"LiteralsWithLeadingZeros", "int x = 007; { x = x + 0010; cout << x; }", "", "17"},
    {"ConstantsAreRead", "const int k = 32767; int x; { x = k - k - 1; cout << x; }", "", "1"},
};

INSTANTIATE_TEST_SUITE_P(RandomEvaluator, Runs, testing::ValuesIn(kRuns),
                         [](const testing::TestParamInfo<RunCase>& i) { return i.param.name; });

struct AnalysisCase {
    const char* name;
    std::string program;
    int status;
    std::string diagnostic;
};

void PrintTo(const AnalysisCase& c, std::ostream* os) {
    *os << c.name;
}

class Analysis : public testing::TestWithParam<AnalysisCase> {};

TEST_P(Analysis, FirstErrorAsTheCompilerReportsIt) {
    const AnalysisCase& c = GetParam();
    lumoeval::Analysis a = lumoeval::analyse(c.program);
    ASSERT_FALSE(a.ok) << c.program;
    EXPECT_FALSE(a.failure.undefined);
    EXPECT_EQ(a.failure.status, c.status) << c.program;
    EXPECT_EQ(a.failure.text, c.diagnostic) << c.program;
}

const std::string kComment1024 = "//" + std::string(1024, 'c');

const AnalysisCase kAnalyses[] = {
    {"EmptyInput", " // nothing\n", 1, "Lexer error : Unexpected end of file\n"},
    {"ControlCharacterInString", "const string s = \"a\rb\";", 2,
     "Lexer error : non printable character in string literal.\n"},
    {"UnclosedString", "const string s = \"ab\n", 3,
     "Lexer error : missing \" on string literal\n"},
    {"LiteralTooBig", "int x = 32768;", 4,
     "Lexer error : literal is too big for a 16 bit integer.\n"},
    {"HugeLiteral", "int x = 99999999999999999999999;", 4,
     "Lexer error : literal is too big for a 16 bit integer.\n"},
    {"SingleAmpersand", "bool b; { b = b & b; }", 5, "Lexer error : expected &.\n\n"},
    {"SingleBar", "bool b; { b = b |b; }", 6, "Lexer error : Unexpected character : 'b'\n"},
    {"StrayCharacter", "int x; { x = 1 # 2; }", 7, "Lexer error : Unrecognised character : #\n"},
    {"UnderscoreStartsNoToken", "int _x;", 7, "Lexer error : Unrecognised character : _\n"},
    {"LongCommentHidesTheRestOfItsLine", "int x; {" + kComment1024 + "/x = 1; }", 1,
     "Lexer error : Unexpected end of file\n"},
    {"MissingIdentifier", "int = 5;", 1,
     "Syntax error 1.\nExpected identifier in declaration.\nFound : ASSIGN\n"},
    {"SignedInitialiser", "int x = -1;", 2,
     "Syntax error 2.\nExpected literal in declaration initialisation.\nFound : "
     "ADDITIONAL OPERATOR : -\n"},
    {"MissingDeclarationTerminator", "int a int b;", 3,
     "Syntax error 3.\nExpected terminator after declaration.\nFound : INT\n"},
    {"StatementBeforeBody", "x = 1; { }", 18,
     "Syntax error 18.\nExpected type identifier in declaration.\nFound : IDENTIFIER : x\n"},
    {"NestedCompound", "int x; { { x = 1; }; }", 19,
     "Syntax error 19.\nUnrecognised statement type.\nFound : LBRACE\n"},
    {"MissingStatementTerminator", "int x; { x = 1 }", 8,
     "Syntax error 8.\nExpected terminator after statement.\nFound : RBRACE\n"},
    {"ConditionTypeBeforeParenthesis", "int x; { if (x { }; }", 202,
     "Type error 202.\nAttempt to use a non-bool expression as if condition.\nLBRACE\n"},
    {"WhileWithoutRightParenthesis", "int x; { while (x < 1 { }; }", 16,
     "Syntax error 16.\nExpected right parenthesis in while statement.\nFound : LBRACE\n"},
    {"EqualsForAssignment", "int x; { x == 1; }", 14,
     "Syntax error 14.\nExpected assignment symbol in assignment statement.\nFound : "
     "RELATIONAL OPERATOR : ==\n"},
    {"OutputOfLiteral", "{ cout << \"hi\"; }", 12,
     "Syntax error 12.\nExpected identifier in output statement.\nFound : STRING LITERAL : "
     "\"hi\"\n"},
    {"UnclosedFactor", "int x; { x = (1 + 2; }", 17,
     "Syntax error 17.\nExpected right parenthesis in factor.\nFound : TERMINATOR\n"},
    {"Redeclaration", "int a; bool a;", 101,
     "Static semantic error 101.\nAttempt to re-declare variable or constant.\nIDENTIFIER : a\n"},
    {"Undeclared", "int x; { x = y + 1; }", 102,
     "Static semantic error 102.\nAttempt to use undeclared variable or constant identifier.\n"
     "IDENTIFIER : y\n"},
    {"UninitialisedStringConstant", "const string s;", 103,
     "Static semantic error 103.\nAttempt to declare an uninitialised constant.\nIDENTIFIER : s\n"},
    {"StringVariable", "string s = \"a\";", 104,
     "Static semantic error 104.\nAttempt to declare a variable of type string.\nIDENTIFIER : s\n"},
    {"InputTypeBeforeConstness", "const bool t = true; { cin >> t; }", 216,
     "Type error 216.\nAttempt to input to a non-integer variable.\nIDENTIFIER : t\n"},
    {"InputToConstant", "const int k = 1; { cin >> k; }", 105,
     "Static semantic error 105.\nAttempt to input to a constant.\nIDENTIFIER : k\n"},
    {"AssignToConstant", "const int k = 1; { k = true; }", 106,
     "Static semantic error 106.\nAttempt to assign to a constant.\nIDENTIFIER : k\n"},
    {"AssignmentMismatch", "int x; { x = true; }", 201,
     "Type error 201.\nMismatch between types of identifier and expression in assignment.\n"
     "TERMINATOR\n"},
    {"UnarySign", "int x; { x = -5; }", 206,
     "Type error 206.\nMismatch between types in a basic expression.\nTERMINATOR\n"},
    {"SignAfterProductOperator", "int x; { x = 2 * -5; }", 210,
     "Type error 210.\nMismatch between types in a term.\nADDITIONAL OPERATOR : -\n"},
    {"ChainCheckedFromItsEnd", "int x; { x = 1 + 2 * 3 + true; }", 206,
     "Type error 206.\nMismatch between types in a basic expression.\nTERMINATOR\n"},
    {"OperatorOnWrongType", "bool b; { b = true + false; }", 207,
     "Type error 207.\nAttempt to use + operator with non-int operands.\nTERMINATOR\n"},
    {"AndOnInts", "int x; { x = 1 && 2; }", 214,
     "Type error 214.\nAttempt to use && operator with non-bool operands.\nTERMINATOR\n"},
    {"NotOnInt", "bool b; { b = !5 == true; }", 215,
     "Type error 215.\nAttempt to use ! operator with non-bool operand.\n"
     "RELATIONAL OPERATOR : ==\n"},
    {"StringComparison", "const string s = \"a\"; bool b; { b = s <= s; }", 223,
     "Type error 223.\nAttempt to use <= operator with a string value.\nTERMINATOR\n"},
    {"DeclarationMismatch", "string s = 5;", 224,
     "Type error 224.\nMismatch between types in a declaration.\nIDENTIFIER : s\n"},
};

INSTANTIATE_TEST_SUITE_P(RandomEvaluator, Analysis, testing::ValuesIn(kAnalyses),
                         [](const testing::TestParamInfo<AnalysisCase>& i) {
                             return i.param.name;
                         });

TEST(RandomEvaluator, CommentsRunToTheEndOfTheirLine) {
    const std::string whole = "int x = 1; {" + kComment1024 + "\nx = 2; cout << x; }";
    EXPECT_EQ(runProgram(whole, ""), "2");
    const std::string tail = "int x = 1; {//" + std::string(1023, 'c') + "/x = 2;\ncout << x; }";
    EXPECT_EQ(runProgram(tail, ""), "1");
}

TEST(RandomEvaluator, TextAfterTheProgramIsNeverRead) {
    EXPECT_EQ(runProgram("int x = 3; { cout << x; } # \"unclosed & |", ""), "3");
}

TEST(RandomEvaluator, RelationOfTwoMissingOperandsIsLeftOpen) {
    lumoeval::Analysis a = lumoeval::analyse("bool b; { b = ( == ); }");
    ASSERT_FALSE(a.ok);
    EXPECT_TRUE(a.failure.undefined);
}

TEST(RandomEvaluator, DeepNestingIsRefusedNotFollowed) {
    const std::string deep =
        "int x; { x = " + std::string(100000, '(') + "1" + std::string(100000, ')') + "; }";
    lumoeval::Analysis a = lumoeval::analyse(deep);
    ASSERT_FALSE(a.ok);
    EXPECT_TRUE(a.failure.undefined);
    const std::string fine =
        "int x; { x = " + std::string(500, '(') + "1" + std::string(500, ')') + "; cout << x; }";
    EXPECT_EQ(runProgram(fine, ""), "1");
}

TEST(RandomEvaluator, RunawayLoopHitsTheStepLimit) {
    lumoeval::Analysis a = lumoeval::analyse("int x = 1; { while (true) { x = 0 - x; }; }");
    ASSERT_TRUE(a.ok);
    lumoeval::RunOptions options;
    options.maxSteps = 1000;
    const lumoeval::RunResult r = lumoeval::run(a.program, "", options);
    EXPECT_EQ(r.end, lumoeval::RunResult::End::StepLimit);
    EXPECT_FALSE(lumoeval::isProgramBehaviour(r.end));
}

TEST(RandomEvaluator, LaxRunsReadUnsetVariablesAsZero) {
    lumoeval::Analysis a = lumoeval::analyse("int x; int y; { y = x + 2; cout << y; }");
    ASSERT_TRUE(a.ok);
    lumoeval::RunOptions lax;
    lax.strict = false;
    EXPECT_EQ(lumoeval::run(a.program, "", lax).output, "2");
    EXPECT_EQ(lumoeval::run(a.program, "").end, lumoeval::RunResult::End::UnsetRead);
}

TEST(RandomEvaluator, UnreadableInputStopsTheRun) {
    lumoeval::Analysis a = lumoeval::analyse("int x; { cin >> x; cin >> x; }");
    ASSERT_TRUE(a.ok);
    for (const char* input : {"1 x", "1 32768", "1 -32769", "1 --2", "1 4-"}) {
        EXPECT_EQ(lumoeval::run(a.program, input).end, lumoeval::RunResult::End::BadInput) << input;
    }
    EXPECT_EQ(lumoeval::run(a.program, "-32768\n32767").end, lumoeval::RunResult::End::Halt);
}

TEST(RandomEvaluator, StackDepthCountsPendingOperands) {
    lumoeval::Analysis a = lumoeval::analyse(
        "int x; { x = 1 + 2 + 3 + 4; x = 1 * 2 + 3; x = (1 + (2 + (3 + 4))) + 5; }");
    ASSERT_TRUE(a.ok);
    EXPECT_EQ(lumoeval::stackDepth(a.program.body[0].expr), 4);
    EXPECT_EQ(lumoeval::stackDepth(a.program.body[1].expr), 2);
    EXPECT_EQ(lumoeval::stackDepth(a.program.body[2].expr), 4);
}

}  // namespace
