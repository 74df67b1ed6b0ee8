// `koru --trace` as a student reads it: instructions as written in the source, the registers
// after each, in step with the program's own output; and the options that narrow it.
#include <sstream>
#include <string>
#include <vector>

#include "executable_fixture.hpp"

namespace {

using korutest::Executable;
using korutest::Ran;

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

// Lines 1-15: a countdown from 2 that prints each number.
const char countdown[] =
    "\tMOVE #$DF,SP\n"
    "\tJMP  main\n"
    "sym_n\tDS.W 1\n"
    "sym_nl\tDC.B '\\n',0\n"
    "main\n"
    "\tMOVE #^2,B\n"
    "\tMOVE B,sym_n\n"
    "loop\n"
    "\tMOVE sym_n,A\n"
    "\tJSR  putdword\n"
    "\tMOVE #sym_nl,A\n"
    "\tJSR putstring\n"
    "\tSUB  #^1,sym_n\n"
    "\tBNE    loop\n"
    "\tHALT\n";

TEST_F(Executable, TraceShowsOperandsAsWrittenAndTheStateAfterEach) {
    Ran ran = run("--trace '" + program_ + "'", countdown);
    ASSERT_EQ(ran.status, 0) << ran.err;
    EXPECT_EQ(ran.out, "2\n1\n");
    std::vector<std::string> lines = linesOf(ran.err);
    ASSERT_EQ(lines.size(), 17u) << ran.err;  // 4 before the loop, 6 in each pass, HALT
    const std::string expected[][2] = {
        {"line 1       MOVE #$DF,SP ", "A=0      B=0      SP=$00DF N=0 Z=0 V=0"},
        {"line 2       JMP  main ", "SP=$00DF"},
        {"line 6       MOVE #^2,B ", "B=2 "},
        {"line 7       MOVE B,sym_n ", "B=2 "},
        {"line 9       MOVE sym_n,A ", "A=2 "},
        {"line 10      JSR  putdword ", "A=2 "},
        {"line 11      MOVE #sym_nl,A ", "A=258 "},
        {"line 12      JSR  putstring ", "A=258 "},  // written "JSR putstring"
        {"line 13      SUB  #^1,sym_n ", "N=0 Z=0 V=0"},
        {"line 14      BNE  loop ", "N=0 Z=0 V=0"},  // written "BNE    loop"
    };
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(lines[i].rfind(expected[i][0], 0), 0u) << lines[i];
        EXPECT_NE(lines[i].find(expected[i][1]), std::string::npos) << lines[i];
    }
    EXPECT_NE(lines[14].find("SUB  #^1,sym_n"), std::string::npos);
    EXPECT_NE(lines[14].find("N=0 Z=1 V=0"), std::string::npos) << lines[14];
    EXPECT_EQ(lines[16].rfind("line 15      HALT ", 0), 0u) << lines[16];
    EXPECT_EQ(ran.err.find('@'), std::string::npos);
}

// The end of the code is no instruction: running into it is reported, not traced.
TEST_F(Executable, TraceHasNoLineForTheEndOfTheProgram) {
    Ran ran = run("--trace '" + program_ + "'", "\tMOVE #^2,A\n");
    EXPECT_EQ(ran.status, 4);
    std::vector<std::string> lines = linesOf(ran.err);
    ASSERT_EQ(lines.size(), 2u) << ran.err;
    EXPECT_EQ(lines[0].rfind("line 1       MOVE #^2,A", 0), 0u);
    EXPECT_EQ(lines[1], "koru: " + program_ +
                            ":1: run-time error: ran past the last instruction without HALT");
}

struct Narrowed {
    const char* name;
    const char* options;
    std::vector<std::string> starts;  // the beginnings of the trace lines, in order
};

void PrintTo(const Narrowed& c, std::ostream* os) {
    *os << c.name;
}

class TraceOptions : public Executable, public ::testing::WithParamInterface<Narrowed> {};

TEST_P(TraceOptions, TraceOnlyWhatIsAskedAndRunTheRest) {
    Ran ran = run(std::string(GetParam().options) + " '" + program_ + "'", countdown);
    ASSERT_EQ(ran.status, 0) << ran.err;
    EXPECT_EQ(ran.out, "2\n1\n");
    std::vector<std::string> lines = linesOf(ran.err);
    ASSERT_EQ(lines.size(), GetParam().starts.size()) << ran.err;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].rfind(GetParam().starts[i], 0), 0u) << lines[i];
    }
}

INSTANTIATE_TEST_SUITE_P(
    Options, TraceOptions,
    ::testing::Values(
        Narrowed{"count",
                 "--trace-count 3",
                 {"line 1       MOVE #$DF", "line 2       JMP", "line 6       MOVE #^2"}},
        Narrowed{"count_with_equals", "--trace --trace-count=1", {"line 1       MOVE #$DF"}},
        Narrowed{"from_label",
                 "--trace-from loop --trace-count 2",
                 {"line 9       MOVE sym_n,A", "line 10      JSR  putdword"}},
        Narrowed{"from_first_instruction_label",
                 "--trace-from=main --trace-count 1",
                 {"line 6       MOVE #^2,B"}},
        Narrowed{"count_beyond_the_end",
                 "--trace-count 1000 --trace-from loop",
                 {"line 9 ", "line 10 ", "line 11 ", "line 12 ", "line 13 ", "line 14 ", "line 9 ",
                  "line 10 ", "line 11 ", "line 12 ", "line 13 ", "line 14 ", "line 15 "}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Executable, TraceFromALabelNeverReachedTracesNothing) {
    Ran ran = run("--trace-from never '" + program_ + "'",
                  "\tMOVE #^4,A\n\tJSR  putdword\n\tHALT\nnever\n\tHALT\n");
    EXPECT_EQ(ran.status, 0);
    EXPECT_EQ(ran.out, "4");
    EXPECT_EQ(ran.err, "");
}

TEST_F(Executable, TraceOptionsRejectWhatCannotBeTraced) {
    for (const char* options : {"--trace-from nowhere", "--trace-from sym_n", "--trace-count 0",
                                "--trace-count x", "--trace-from", "--trace --debug"}) {
        Ran ran = run(std::string(options) + " '" + program_ + "'", countdown);
        EXPECT_EQ(ran.status, 2) << options;
        EXPECT_EQ(ran.out, "") << options;
        EXPECT_NE(ran.err.find("koru: "), std::string::npos) << options;
    }
}

// With output and trace in one file, each number stands on its own line just before the
// trace line of the JSR that wrote it, as on a terminal.
TEST_F(Executable, TraceAndOutputInOneFileKeepTheirOrder) {
    write(program_, countdown);
    std::string both = dir_ + "/out";
    std::string command = "'" + korutest::koruPath() + "' --trace '" + program_ + "' > '" + both +
                          "' 2>&1 < /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::string text = read(both);
    std::size_t first = text.find("SP=$00DF N=0 Z=0 V=0\n2\nline 10      JSR  putdword");
    std::size_t second = text.find("SP=$00DF N=0 Z=0 V=0\n1\nline 10      JSR  putdword");
    ASSERT_NE(first, std::string::npos) << text;
    ASSERT_NE(second, std::string::npos) << text;
    EXPECT_LT(first, second);
    EXPECT_NE(text.find("V=0\n\nline 12      JSR  putstring"), std::string::npos) << text;
}

}  // namespace
