// lumoc on long programs, which (unless built without its fast path) it analyses and
// writes with two threads. The bytes must be those of the one-thread order, whatever
// standard input and output are, and an error must leave nothing but the diagnostic,
// the first in the text.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lumo.hpp"
#include "support/case_name.hpp"
#include "support/run_program.hpp"

namespace {

using testing_support::readFile;
using testing_support::runProgram;
using testing_support::RunResult;
using testing_support::scratchFile;
using testing_support::writeFile;

// The one-thread order, in this process: analysis, then generation in one pass.
std::string compileInOnePass(const std::string& source) {
    return lumo::compile(source).output;
}

// lumoc with its output through a pipe.
RunResult compileThroughPipe(const std::string& source) {
    const std::string in = scratchFile("pipe-in");
    writeFile(in, source);
    RunResult result = runProgram(
        "/bin/bash", {"-c", "set -o pipefail; \"$0\" < \"$1\" | cat", LUMOC_PATH, in}, "");
    std::remove(in.c_str());
    return result;
}

// A block of `count` statements mixing every kind, with comparisons in assignments,
// conditions, parentheses and nested bodies, so that the label numbers of the second
// half depend on everything before it.
std::string longBody(int count) {
    std::string body;
    for (int i = 0; i < count; ++i) {
        switch (i % 6) {
            case 0:
                body += " x = x + " + std::to_string(i % 100) + " * y;";
                break;
            case 1:
                body += " b = !b && (x < y);";
                break;
            case 2:
                body += " if (x >= 7) { y = y - 1; } else { b = (y <= 2) == b; };";
                break;
            case 3:
                body += " while (y != 0) { y = y / 2; if (y > 1) { cout << y; }; };";
                break;
            case 4:
                body += " cin >> x;";
                break;
            default:
                body += " cout << s;";
                break;
        }
    }
    return body;
}

const std::string longDeclarations = "int x; int y = 3; bool b; const string s = \"it's\";\n";

std::string longProgram(int statements) {
    return longDeclarations + "{" + longBody(statements) + " }";
}

// A long block whose comments hold what could be taken for braces, ends of statements,
// texts and keywords, in a program whose string constant does too.
std::string trickyProgram(int statements) {
    std::string body;
    for (int i = 0; i < statements; ++i) {
        body += longBody(1 + i % 6).substr(0);
        if (i % 7 == 0) body += " // ; } { \" if while ;\n";
        if (i % 11 == 0) body += "\n//}}}\n";
    }
    return "const string t = \"; } { // \"; int x; int y = 3; bool b; const string s = \"s\";\n"
           "{" +
           body + " }";
}

using SameCodeCase = testing_support::NamedProgram;

class SameCode : public testing::TestWithParam<SameCodeCase> {};

TEST_P(SameCode, AsInOnePass) {
    const std::string expected = compileInOnePass(GetParam().source);
    const RunResult toFile = runProgram(LUMOC_PATH, {}, GetParam().source);
    EXPECT_EQ(toFile.status, 0);
    EXPECT_EQ(toFile.err, "");
    EXPECT_TRUE(toFile.out == expected) << "output to a file differs";
    const RunResult toPipe = compileThroughPipe(GetParam().source);
    EXPECT_EQ(toPipe.status, 0);
    EXPECT_TRUE(toPipe.out == expected) << "output to a pipe differs";
}

// Short blocks are written by one thread, blocks of 16353 statements or more (sixteen
// chunks) by two; chunks begin at statements of the program's block, never inside a body.
INSTANTIATE_TEST_SUITE_P(
    Driver, SameCode,
    testing::Values(SameCodeCase{"empty_block", "{}"}, SameCodeCase{"short_block", longProgram(40)},
                    SameCodeCase{"just_too_short_to_share", longProgram(16352)},
                    SameCodeCase{"just_long_enough_to_share", longProgram(16353)},
                    SameCodeCase{"odd_number_of_chunks", longProgram(17 * 1024 + 5)},
                    SameCodeCase{"long_block", longProgram(60001)},
                    SameCodeCase{"one_long_loop", longDeclarations + "{ while (x < 9) {" +
                                                      longBody(30000) + " }; }"},
                    SameCodeCase{"tricky_comments_and_texts", trickyProgram(12000)},
                    // Long enough in bytes to be analysed in two parts, too short in
                    // statements for two threads to write it.
                    SameCodeCase{"split_but_written_by_one_thread",
                                 longDeclarations + "{" + longBody(6000) + " //" +
                                     std::string(700000, 'c') + "\n" + longBody(6000) + " }"},
                    SameCodeCase{"text_after_the_block_holding_a_block",
                                 longProgram(30000) + " { x = 1; " + longBody(30000) + " }"},
                    // The block ends among its pieces, at about 57% of the file; pieces
                    // are also sought in what follows, which holds an error further on.
                    // Nothing after the block is read.
                    SameCodeCase{"text_with_an_error_after_a_block_ending_among_pieces",
                                 longProgram(28000) + " { x = 1; " + longBody(10000) +
                                     " x = 1 # 2; " + longBody(11000) + " }"},
                    SameCodeCase{"long_loops_among_short_statements",
                                 longDeclarations + "{" + longBody(3000) + " while (b) {" +
                                     longBody(20000) + " };" + longBody(3000) + " }"}),
    testing_support::caseName);

struct LateErrorCase {
    const char* name;
    std::string tail;  // what follows a long correct start of the block
    int status;
    std::string diagnostic;
};

void PrintTo(const LateErrorCase& c, std::ostream* os) {
    *os << c.name;
}

class LateError : public testing::TestWithParam<LateErrorCase> {};

// Errors after a long correct start: nothing of the code is written.
TEST_P(LateError, LeavesOnlyTheDiagnostic) {
    const std::string source = longDeclarations + "{" + longBody(40000) + GetParam().tail;
    for (const RunResult& run : {runProgram(LUMOC_PATH, {}, source), compileThroughPipe(source)}) {
        EXPECT_EQ(run.status, GetParam().status);
        EXPECT_EQ(run.out, GetParam().diagnostic);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Driver, LateError,
    testing::Values(LateErrorCase{"undeclared_identifier", " z = 1; }", 102,
                                  "Static semantic error 102.\nAttempt to use undeclared variable "
                                  "or constant identifier.\nIDENTIFIER : z\n"},
                    LateErrorCase{"type_mismatch", " x = b; }", 201,
                                  "Type error 201.\nMismatch between types of identifier and "
                                  "expression in assignment.\nTERMINATOR\n"},
                    LateErrorCase{"unrecognised_character", " x = 1 # 2; }", 7,
                                  "Lexer error : Unrecognised character : #\n"},
                    LateErrorCase{"end_of_input_inside_the_block", " x = 1;", 1,
                                  "Lexer error : Unexpected end of file\n"},
                    LateErrorCase{
                        "nesting_too_deep",
                        " x = " + std::string(1001, '(') + "1" + std::string(1001, ')') + "; }", 30,
                        "Limit error : nesting deeper than 1000 levels.\nFound : LPAREN\n"}),
    testing_support::caseName);

const char* const faults[] = {" z = 1;",    " x = b;",      " x = 1 # 2;",    " x = ((1;",
                              " cout << ;", " if (x) { };", " x = 99999999;", " b = 1 < ;"};

// A long block from a file is analysed by two threads, in pieces from about a third of it
// on. Wherever errors are planted, the run reports what the one-thread order (input
// through a pipe) reports: the first error in the text.
TEST(Driver, SplitAnalysisReportsTheFirstError) {
    const int statements = 30000;
    int planted = 0;
    for (int percent : {5, 34, 38, 42, 46, 50, 54, 57, 59, 60, 61, 62, 64, 70, 95}) {
        const int at = statements * percent / 100;
        const std::string late = percent < 90 ? faults[(planted + 3) % 8] : "";
        for (const std::string& second : {std::string(), late}) {
            const std::string source = longDeclarations + "{" + longBody(at) + faults[planted % 8] +
                                       longBody(statements / 10) + second +
                                       longBody(statements - at) + " }";
            const RunResult sequential = compileThroughPipe(source);
            EXPECT_NE(sequential.status, 0);
            for (int run = 0; run < 3; ++run) {  // the two threads meet elsewhere each time
                const RunResult split = runProgram(LUMOC_PATH, {}, source);
                EXPECT_EQ(split.status, sequential.status) << "fault at " << percent << "%";
                EXPECT_EQ(split.out, sequential.out) << "fault at " << percent << "%";
            }
        }
        ++planted;
    }
}

// Errors in many pieces at once: the second thread meets the later ones first, yet the
// run reports the first in the text.
TEST(Driver, ErrorsInManyPiecesReportTheFirst) {
    const int statements = 30000;
    const std::vector<std::vector<int>> plantings = {
        {40, 45, 50, 55, 60}, {55, 60}, {61, 64, 90}, {37}, {20, 58}, {49, 50, 51, 52, 53, 54}};
    for (const std::vector<int>& percents : plantings) {
        std::string source = longDeclarations + "{";
        int done = 0, planted = 0;
        for (int percent : percents) {
            const int at = statements * percent / 100;
            source += longBody(at - done) + faults[(percent + planted++) % 8];
            done = at;
        }
        source += longBody(statements - done) + " }";
        const RunResult sequential = compileThroughPipe(source);
        const RunResult split = runProgram(LUMOC_PATH, {}, source);
        EXPECT_NE(sequential.status, 0);
        EXPECT_EQ(split.status, sequential.status) << "first fault at " << percents[0] << "%";
        EXPECT_EQ(split.out, sequential.out) << "first fault at " << percents[0] << "%";
    }
}

// Programs compiled one after another in one process each name their own overflow label
// (the generator keeps the operators' code for the label it was made for).
TEST(Driver, ProgramsInOneProcessKeepTheirOwnLabels) {
    const std::string programs[] = {
        "int x; { x = x + 1 * x; }",
        "int x; bool b; { if (x < 1) { b = x >= 2; }; while (b) { x = x - 1 / x % 2;"
        " b = b && (x > 0) || !b; }; }",
        "int x; { x = x + 1 * x; }"};
    for (const std::string& program : programs) {
        const RunResult run = runProgram(LUMOC_PATH, {}, program);
        ASSERT_EQ(run.status, 0);
        EXPECT_EQ(compileInOnePass(program), run.out);
    }
}

// An error in the declarations of a long program is found before the block is split.
TEST(Driver, ErrorInTheDeclarationsOfALongProgram) {
    const RunResult run = runProgram(LUMOC_PATH, {}, "int x; int x;\n" + longProgram(40000));
    EXPECT_EQ(run.status, 101);
    EXPECT_EQ(run.out,
              "Static semantic error 101.\nAttempt to re-declare variable or constant.\n"
              "IDENTIFIER : x\n");
}

// Standard input may be a file already read in part: lumoc, and the thread analysing the
// pieces of the block, read from where it stands.
TEST(Driver, InputFileReadInPartBefore) {
    const std::string program = longProgram(40000);
    const std::string in = scratchFile("offset-in");
    writeFile(in, "// a line read before lumoc starts\n" + program);
    const RunResult run =
        runProgram("/bin/bash", {"-c", "{ read -r line; \"$0\"; } < \"$1\"", LUMOC_PATH, in}, "");
    std::remove(in.c_str());
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.out == compileInOnePass(program)) << "differs from one pass";
}

// Runs lumoc with standard output on `path`, opened for writing without truncation and
// positioned at its end, or opened for appending.
RunResult compileOnto(const std::string& path, const std::string& source, bool append) {
    const std::string in = scratchFile("onto-in"), err = scratchFile("onto-err");
    writeFile(in, source);
    const int fd = ::open(path.c_str(), append ? O_WRONLY | O_APPEND : O_WRONLY);
    ::lseek(fd, 0, SEEK_END);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fd, 1);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_TRUNC, 0);
    char* argv[] = {const_cast<char*>(LUMOC_PATH), nullptr};
    RunResult result;
    pid_t pid;
    if (posix_spawn(&pid, LUMOC_PATH, &actions, nullptr, argv, environ) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(fd);
    result.out = readFile(path);
    result.err = readFile(err);
    std::remove(in.c_str());
    std::remove(err.c_str());
    return result;
}

// What the file held before the run stays, whether the run succeeds or fails; a file
// opened for appending takes the copied half too.
TEST(Driver, WritesAfterWhatTheFileHeld) {
    const std::string good = longProgram(20000);
    const std::string bad = longDeclarations + "{" + longBody(20000) + " z = 1; }";
    const std::string expected = compileInOnePass(good);
    const std::string before = "kept line\n";
    for (bool append : {false, true}) {
        const std::string path = scratchFile("onto");
        writeFile(path, before);
        RunResult ok = compileOnto(path, good, append);
        EXPECT_EQ(ok.status, 0);
        EXPECT_EQ(ok.out, before + expected) << "append " << append;
        writeFile(path, before);
        RunResult failed = compileOnto(path, bad, append);
        EXPECT_EQ(failed.status, 102);
        EXPECT_EQ(failed.out, before +
                                  "Static semantic error 102.\nAttempt to use undeclared variable "
                                  "or constant identifier.\nIDENTIFIER : z\n")
            << "append " << append;
        std::remove(path.c_str());
    }
}

// Both threads write a long block's code; a failed write by either ends the run with the
// one report, whether the output is a full device or a pipe its reader closed early.
TEST(Driver, FailedWriteWhileBothThreadsWrite) {
    const std::string in = scratchFile("full-in");
    writeFile(in, longProgram(60000));
    const RunResult full = runProgram(LUMOC_PATH, {}, readFile(in), "/dev/full");
    EXPECT_EQ(full.status, 74);
    EXPECT_EQ(full.err, "lumo: cannot write standard output\n");
    const RunResult closed = runProgram(
        "/bin/bash",
        {"-c", "\"$0\" < \"$1\" | head -c 100 > /dev/null; exit ${PIPESTATUS[0]}", LUMOC_PATH, in},
        "");
    EXPECT_EQ(closed.status, 74);
    EXPECT_EQ(closed.err, "lumo: cannot write standard output\n");
    std::remove(in.c_str());
}

// The run may end while the second thread is still analysing, or is just reporting an
// error of its own: ending must not tear down what that thread uses (ending through the C
// library's exit did, and a throw on that thread then aborted the process, now and then).
// One error lies past the middle; another is moved along the rest of the block from run
// to run, so that the two threads meet theirs at many different moments. A race, so this
// exercises the ending more than it proves it.
TEST(Driver, EndsCleanlyWhileTheSecondThreadStillRuns) {
    const int statements = 40000;
    const std::string firstPart = longDeclarations + "{" + longBody(statements * 52 / 100) +
                                  " x = b;" + longBody(statements * 4 / 100);
    const RunResult sequential = compileThroughPipe(firstPart + " }");
    ASSERT_EQ(sequential.status, 201);
    for (int run = 0; run < 44; ++run) {  // along the rest of the block
        const int before = statements * run / 100;
        const std::string source = firstPart + longBody(before) + " x = 1 # 2;" +
                                   longBody(statements * 44 / 100 - before) + " }";
        const RunResult split = runProgram(LUMOC_PATH, {}, source);
        ASSERT_EQ(split.status, 201) << "run " << run;
        ASSERT_EQ(split.out, sequential.out) << "run " << run;
    }
}

}  // namespace
