// The compiler as a library: compilations in one process agree with lumoc run on its own,
// a diagnostic says where its token begins, the statement map covers the code of every
// statement, and compilations run side by side in threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "lumo.hpp"
#include "support/case_name.hpp"
#include "support/run_program.hpp"

namespace {

using testing_support::runProgram;

const std::string loops =
    "int i = 0; int j; bool b = true; const string s = \"x\";\n"
    "{\n"
    "  while (i < 3) {\n"
    "    j = 0;\n"
    "    while (j < i) { if (b) { cout << s; } else { j = j - 1; }; j = j + 1; };\n"
    "    i = i + 1;\n"
    "  };\n"
    "  if (!b) { cout << i; };\n"
    "}\n";

const std::string failing = "int x;\n{ x = 1 + 2 + true; }";

// Two programs, one with an error, compiled by turns in one process: each time the bytes
// and status lumoc gives on its own.
TEST(Api, CompilationsInOneProcessAgreeWithLumoc) {
    const testing_support::RunResult alone[] = {runProgram(LUMOC_PATH, {}, loops),
                                                runProgram(LUMOC_PATH, {}, failing)};
    ASSERT_EQ(alone[0].status, 0);
    ASSERT_EQ(alone[1].status, 206);
    for (int round = 0; round < 20; ++round) {
        const std::string& source = round % 2 == 0 ? loops : failing;
        const lumo::CompileResult result = lumo::compile(source);
        EXPECT_EQ(result.status, alone[round % 2].status) << "round " << round;
        EXPECT_EQ(result.output, alone[round % 2].out) << "round " << round;
        EXPECT_EQ(result.diagnosed, round % 2 == 1);
    }
}

struct PositionCase {
    const char* name;
    std::string source;
    int status;
    int line;
    int column;
};

void PrintTo(const PositionCase& c, std::ostream* os) {
    *os << c.name;
}

class Positions : public testing::TestWithParam<PositionCase> {};

TEST_P(Positions, OfTheReportedToken) {
    const PositionCase& c = GetParam();
    const lumo::CompileResult result = lumo::compile(c.source);
    EXPECT_EQ(result.status, c.status) << result.output;
    ASSERT_TRUE(result.diagnosed);
    EXPECT_EQ(result.errorAt.line, c.line);
    EXPECT_EQ(result.errorAt.column, c.column);
    // The offset names the same place as the line and column.
    std::size_t lineStart = 0;
    for (int line = 1; line < c.line; ++line) lineStart = c.source.find('\n', lineStart) + 1;
    EXPECT_EQ(result.errorAt.offset, lineStart + static_cast<std::size_t>(c.column - 1));
}

INSTANTIATE_TEST_SUITE_P(
    Api, Positions,
    testing::Values(
        PositionCase{"unrecognised_character", "int x;\n{ x = 1 # 2; }", 7, 2, 9},
        PositionCase{"control_character_in_text", "const string s = \"ab\x01\";\n{ }", 2, 1, 21},
        PositionCase{"unclosed_text", "int x;\n{\n  x = \"abc", 3, 3, 7},
        PositionCase{"literal_too_big", "int x;\n{ x =  40000; }", 4, 2, 8},
        PositionCase{"byte_order_mark", "\xEF\xBB\xBFint x;\n{ }", 7, 1, 1},
        PositionCase{"end_of_input_in_the_block", "int x;\n{ x = 1;\n", 1, 3, 1},
        PositionCase{"end_of_input_after_a_token", "int x;\n{ x = 1;", 1, 2, 9},
        PositionCase{"missing_terminator", "int x;\n{ x = 1\n}", 8, 3, 1},
        PositionCase{"tabs_before_the_token", "int x;\n{\n\t\tx = y; }", 102, 3, 7},
        PositionCase{"redeclared_identifier", "int a;\nbool  a;\n{}", 101, 2, 7},
        PositionCase{"uninitialised_constant", "const int k;\n{}", 103, 1, 11},
        PositionCase{"string_variable", "int a;\n   string s = \"x\";\n{}", 104, 2, 11},
        PositionCase{"declaration_type_mismatch", "bool f = 0;\n{}", 224, 1, 6},
        PositionCase{"chain_error_after_the_chain", failing, 206, 2, 19},
        PositionCase{"assignment_type_after_the_expression", "int x;\n{ x = true ; }", 201, 2, 12},
        PositionCase{
            "nesting_too_deep",
            "int x; { x = " + std::string(1001, '(') + "1" + std::string(1001, ')') + "; }", 30, 1,
            1014}),
    testing_support::caseName);

// Every line of the code between "main" and the footer belongs to exactly one statement or
// declaration; each statement's own lines lie within its span in the source.
TEST(Api, StatementMapCoversTheCodeOnce) {
    lumo::CompileOptions options;
    options.statementMap = true;
    const lumo::CompileResult result = lumo::compile(loops, options);
    ASSERT_EQ(result.status, 0);
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < result.output.size();) {
        const std::size_t end = result.output.find('\n', at);
        lines.push_back(result.output.substr(at, end - at));
        at = end + 1;
    }
    const int mainLine =
        static_cast<int>(std::find(lines.begin(), lines.end(), "main") - lines.begin()) + 1;
    int footerLine = 0;  // the first line of the footer: the HALT before the overflow handler
    for (int i = static_cast<int>(lines.size()) - 1; i > 0; --i) {
        if (lines[static_cast<std::size_t>(i)] == "\tHALT" &&
            lines[static_cast<std::size_t>(i) + 2] == "\tMOVE #_Eintegeroverflow,A") {
            footerLine = i + 1;
            break;
        }
    }
    ASSERT_GT(footerLine, mainLine);
    const lumo::StatementMap& map = result.map;
    ASSERT_EQ(map.statements.size(), 14u);  // 4 declarations, 10 statements
    std::vector<int> owners(lines.size() + 1, -1);
    int next = mainLine + 1;
    for (const lumo::CodeRange& range : map.code) {
        EXPECT_EQ(range.firstLine, next) << "a gap or an overlap before line " << range.firstLine;
        ASSERT_LE(range.firstLine, range.lastLine);
        for (int line = range.firstLine; line <= range.lastLine; ++line) {
            owners[static_cast<std::size_t>(line)] = range.statement;
            EXPECT_EQ(map.statementAt(line), range.statement);
        }
        next = range.lastLine + 1;
    }
    EXPECT_EQ(next, footerLine);
    EXPECT_EQ(map.statementAt(mainLine), -1);
    EXPECT_EQ(map.statementAt(footerLine), -1);
    // What each line's owner is, by a word of its code and of its source.
    const auto ownerText = [&](int line) {
        const lumo::MappedStatement& st = map.statements[static_cast<std::size_t>(owners[line])];
        return loops.substr(st.begin.offset, st.end.offset - st.begin.offset);
    };
    for (int line = mainLine + 1; line < footerLine; ++line) {
        const std::string& code = lines[static_cast<std::size_t>(line) - 1];
        const std::string source = ownerText(line);
        if (code == "\tJSR  putstring") {
            EXPECT_EQ(source, "cout << s;");
        } else if (code == "\tMOVE A,sym_j") {
            EXPECT_EQ(source.substr(0, 4), "j = ");
        } else if (code == "\tNOT  A") {
            EXPECT_EQ(source.substr(0, 3), "if ");
        } else if (code == "\tMOVE B,sym_i") {
            EXPECT_EQ(source, "int i = 0;");
        }
    }
    // Nesting: the innermost `if` lies in the inner loop, which lies in the outer one.
    const lumo::MappedStatement& inner = map.statements[7];
    EXPECT_EQ(inner.kind, lumo::CodeKind::ifStatement);
    EXPECT_EQ(map.statements[static_cast<std::size_t>(inner.parent)].kind,
              lumo::CodeKind::whileStatement);
    EXPECT_EQ(inner.begin.line, 5);
    EXPECT_EQ(inner.begin.column, 21);
    EXPECT_EQ(map.statements[0].kind, lumo::CodeKind::declaration);
    EXPECT_EQ(map.statements[0].end.column, 11);
}

// Analysing only gives a correct program no output and an incorrect one its diagnostic.
TEST(Api, AnalysingOnlyWritesTheDiagnosticAlone) {
    lumo::CompileOptions options;
    options.analyseOnly = true;
    const lumo::CompileResult good = lumo::compile(loops, options);
    EXPECT_EQ(good.status, 0);
    EXPECT_EQ(good.output, "");
    const lumo::CompileResult bad = lumo::compile(failing, options);
    const lumo::CompileResult whole = lumo::compile(failing);
    EXPECT_EQ(bad.status, whole.status);
    EXPECT_EQ(bad.output, whole.output);
    EXPECT_EQ(bad.errorAt.offset, whole.errorAt.offset);
}

TEST(Api, ListingIsLumolists) {
    lumo::CompileOptions options;
    options.listing = true;
    const lumo::CompileResult result = lumo::compile(loops, options);
    const testing_support::RunResult alone = runProgram(LUMOLIST_PATH, {}, loops);
    EXPECT_EQ(result.status, alone.status);
    EXPECT_EQ(result.output, alone.out);
}

// Compilations in several threads at once, each its own: the same bytes as one at a time.
TEST(Api, CompilationsInThreadsAtOnce) {
    std::string big = "int x; bool b; {";
    for (int i = 0; i < 3000; ++i) big += " x = x + " + std::to_string(i) + " * 2; b = x < 7;";
    big += " }";
    const std::vector<std::string> sources = {loops, failing, big};
    std::vector<std::string> expected;
    for (const std::string& source : sources) expected.push_back(lumo::compile(source).output);
    std::vector<std::thread> threads;
    std::vector<int> mismatches(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 30; ++round) {
                const std::size_t which = static_cast<std::size_t>(t + round) % sources.size();
                if (lumo::compile(sources[which]).output != expected[which]) ++mismatches[t];
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

}  // namespace
