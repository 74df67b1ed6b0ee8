// Whole-program tests of lumolist: the symbol table and the program tree it prints, and
// the diagnostics it shares with lumoc.
#include <gtest/gtest.h>

#include <string>

#include "support/case_name.hpp"
#include "support/run_program.hpp"

namespace {

using testing_support::runProgram;

const std::string heading = "\n\nName\tType\tConstant\tInitial Value\n";

struct Case {
    const char* name;
    std::string source;
    std::string listing;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class Listing : public testing::TestWithParam<Case> {};

TEST_P(Listing, PrintsTableThenTree) {
    auto result = runProgram(LUMOLIST_PATH, {}, GetParam().source);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, GetParam().listing + "\n");
}

const Case cases[] = {
    {"counting_loop", "int n; int i = 0; { cin >> n; while (i < n) { cout << i; i = i + 1; }; }",
     heading + "i\tint\tFalse\t\t0\n" + "n\tint\tFalse\t\tNone\n" + "  1 -- {\n" +
         "  2 --   cin >> n ;\n" + "  3 --   while (i < n)\t\t/* Start Label : 0 */\n" +
         "  4 --   {\n" + "  5 --     cout << i ;\n" + "  6 --     i = i + 1 ;\n" +
         "  7 --   }\t\t/* End Label : 1 */  ;\n" + "  8 -- }"},
    {"empty_program", "{}", heading + "  1 -- {\n  2 -- }"},
    {"constants_of_each_type",
     "const int n = 5; const bool t = true; const string s = \"hi there\"; {}",
     heading + "s\tstring\tTrue\t\thi there\n" + "t\tbool\tTrue\t\ttrue\n" + "n\tint\tTrue\t\t5\n" +
         "  1 -- {\n  2 -- }"},
    {"if_else_and_expressions",
     "bool b; int x; { if (b) { x = 1; } else { if (!b) { }; }; x = (x - 1) * 2 + 3 % x; }",
     heading + "x\tint\tFalse\t\tNone\n" + "b\tbool\tFalse\t\tNone\n" + "  1 -- {\n" +
         "  2 --   if (b)\n" + "  3 --   {\n" + "  4 --     x = 1 ;\n" + "  5 --   }\n" +
         "  6 --   else\t\t/* Else Label : 0 */\n" + "  7 --   {\n" + "  8 --     if (!(b))\n" +
         "  9 --     {\n" + " 10 --     }\t\t/* End Label : 3 */  ;\n" +
         " 11 --   }\t\t/* End Label : 1 */  ;\n" + " 12 --   x = (x - 1) * 2 + 3 % x ;\n" +
         " 13 -- }"},
    {"empty_else_prints_no_else", "bool b; { if (b) { } else { }; }",
     heading + "b\tbool\tFalse\t\tNone\n" + "  1 -- {\n" + "  2 --   if (b)\n" + "  3 --   {\n" +
         "  4 --   }\t\t/* End Label : 1 */  ;\n" + "  5 -- }"},
};

INSTANTIATE_TEST_SUITE_P(Programs, Listing, testing::ValuesIn(cases), testing_support::caseName);

TEST(Listing, LineNumbersPastThreeDigitsArePrintedInFull) {
    std::string source = "int x; {";
    for (int i = 0; i < 1000; ++i) source += " x = 1;";
    auto result = runProgram(LUMOLIST_PATH, {}, source + " }");
    EXPECT_NE(
        result.out.find("\n999 --   x = 1 ;\n1000 --   x = 1 ;\n1001 --   x = 1 ;\n1002 -- }"),
        std::string::npos);
}

TEST(Listing, SharesTheCompilersDiagnostics) {
    for (const char* source : {"int x; { x = true; }", "{ # }", "int a; bool a; {}", ""}) {
        auto listed = runProgram(LUMOLIST_PATH, {}, source);
        auto compiled = runProgram(LUMOC_PATH, {}, source);
        EXPECT_EQ(listed.out, compiled.out) << source;
        EXPECT_EQ(listed.status, compiled.status) << source;
        EXPECT_NE(listed.status, 0) << source;
    }
}

}  // namespace
