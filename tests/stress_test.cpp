// Stress inputs: very long chains, lists, names, texts and comments, deep nesting and
// stray bytes. Each must end in a complete program or exactly one diagnostic, never a
// crash. Timing is measured by the benchmarks, not here.
#include <gtest/gtest.h>

#include <string>

#include "support/run_program.hpp"

namespace {

using testing_support::runProgram;

const std::string footerEnd = "\tUSE  \"extendedio.lib\"\n";

bool isCompleteProgram(const std::string& text) {
    return text.rfind("* The KORU Lumo cross-compiler", 0) == 0 && text.size() > footerEnd.size() &&
           text.compare(text.size() - footerEnd.size(), footerEnd.size(), footerEnd) == 0;
}

// All the bytes of a literal, NULs included.
template <std::size_t N>
std::string bytes(const char (&text)[N]) {
    return std::string(text, N - 1);
}

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

TEST(Stress, MillionOperandChain) {
    std::string source = "int a; int x; { x = a";
    source.reserve(5000000);
    for (int i = 1; i < 1000000; ++i) source += " - a";
    auto result = runProgram(LUMOC_PATH, {}, source + "; }");
    ASSERT_EQ(result.status, 0);
    EXPECT_TRUE(isCompleteProgram(result.out));
    EXPECT_EQ(count(result.out, "\tSUB  B,A\n"), 999999u);
    EXPECT_EQ(count(result.out, "\tPUSH A\n"), 1000000u + 999999u);
}

TEST(Stress, MillionStatements) {
    std::string source = "int x; {";
    source.reserve(12000000);
    for (int i = 0; i < 1000000; ++i) source += " x = x + 1;";
    auto result = runProgram(LUMOC_PATH, {}, source + " }");
    ASSERT_EQ(result.status, 0);
    EXPECT_TRUE(isCompleteProgram(result.out));
    EXPECT_EQ(count(result.out, "\tMOVE A,sym_x\n"), 1000000u);
}

TEST(Stress, TenMegabyteIdentifier) {
    const std::string name(10 << 20, 'v');
    auto result = runProgram(LUMOC_PATH, {}, "int " + name + "; { " + name + " = 1; }");
    ASSERT_EQ(result.status, 0);
    EXPECT_NE(result.out.find("sym_" + name + "\tDS.W 1\n"), std::string::npos);
    EXPECT_NE(result.out.find("\tMOVE A,sym_" + name + "\n"), std::string::npos);
}

TEST(Stress, TenMegabyteStringConstant) {
    const std::string text(10 << 20, 's');
    auto result = runProgram(LUMOC_PATH, {}, "const string t = \"" + text + "\"; { cout << t; }");
    ASSERT_EQ(result.status, 0);
    EXPECT_NE(result.out.find("sym_t\tDC.B '" + text + "',0\n"), std::string::npos);
}

TEST(Stress, UnterminatedTenMegabyteString) {
    auto result = runProgram(LUMOC_PATH, {}, "const string t = \"" + std::string(10 << 20, 's'));
    EXPECT_EQ(result.status, 3);
    EXPECT_EQ(result.out, "Lexer error : missing \" on string literal\n");
}

TEST(Stress, StrayBytesAmongTokens) {
    struct {
        std::string source;
        int status;
    } cases[] = {
        {std::string("int\xff\xffx;\xff{x\xff=\xff"
                     "1;}"),
         0},  // 0xFF separates tokens
        {bytes("int x; { x = 1;\0 }"), 7},
        {bytes("const string s = \"a\0b\"; {}"), 2},
        {std::string("const string s = \"\xff\xfe\"; { cout << s; }"), 0},
        {bytes("int x; { x = 1; } \0\xff\x01 anything after the program"), 0},
    };
    for (const auto& c : cases) {
        auto result = runProgram(LUMOC_PATH, {}, c.source);
        EXPECT_EQ(result.status, c.status) << result.out;
        EXPECT_EQ(isCompleteProgram(result.out), c.status == 0) << result.out;
    }
}

}  // namespace
