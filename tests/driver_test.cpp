// The driver's two ways of running: with a regular input file and a regular output file
// the code is generated while the program is analysed and written straight into the
// file; through pipes the whole program is analysed first. Both must write the same
// bytes, and an error found late must leave nothing but the diagnostic in the file.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "support/case_name.hpp"
#include "support/run_program.hpp"

namespace {

using testing_support::readFile;
using testing_support::runProgram;
using testing_support::RunResult;
using testing_support::scratchFile;
using testing_support::writeFile;

// Input through a pipe: the analyse-then-generate order.
RunResult compileThroughPipe(const std::string& source) {
    const std::string in = scratchFile("pipe-in");
    writeFile(in, source);
    RunResult result = runProgram("/bin/sh", {"-c", "cat \"$1\" | \"$0\"", LUMOC_PATH, in}, "");
    std::remove(in.c_str());
    return result;
}

// Input and output in regular files: the generate-while-analysing order.
RunResult compileBetweenFiles(const std::string& source) {
    return runProgram(LUMOC_PATH, {}, source);
}

// A program of `count` assignments with arithmetic and comparisons, `if` and `while`
// among them, enough to fill the output buffer many times over.
std::string longBody(int count) {
    std::string body;
    for (int i = 0; i < count; ++i) {
        switch (i % 4) {
            case 0:
                body += " x = x + " + std::to_string(i % 100) + " * y;";
                break;
            case 1:
                body += " b = !b && (x < y);";
                break;
            case 2:
                body += " if (x >= 7) { y = y - 1; } else { y = 2; };";
                break;
            default:
                body += " while (y != 0) { y = y / 2; };";
                break;
        }
    }
    return body;
}

const std::string longDeclarations = "int x; int y = 3; bool b;\n";

struct SameOutputCase {
    const char* name;
    std::string source;
};

void PrintTo(const SameOutputCase& c, std::ostream* os) {
    *os << c.name;
}

class SameOutput : public testing::TestWithParam<SameOutputCase> {};

TEST_P(SameOutput, FilesAndPipesGiveTheSameBytes) {
    const RunResult piped = compileThroughPipe(GetParam().source);
    const RunResult filed = compileBetweenFiles(GetParam().source);
    ASSERT_EQ(piped.status, 0) << piped.out;
    EXPECT_EQ(filed.status, 0);
    EXPECT_EQ(filed.out, piped.out);
    EXPECT_EQ(filed.err, "");
}

// The code's labels depend on how many `if` and `while` statements the program has, which
// the file mode counts before the analyser is done: words that only look like them must
// not count, and real ones must.
INSTANTIATE_TEST_SUITE_P(
    Driver, SameOutput,
    testing::Values(
        SameOutputCase{"empty_block", "{}"},
        SameOutputCase{"declarations_only", "int x = 4; bool b = true; const string s = \"t\"; {}"},
        SameOutputCase{"keywords_in_comments",
                       "int x; // if while\n{ // while (x) {\n if (x < 1) { x = 2; }; }"},
        SameOutputCase{"keywords_in_strings",
                       "const string s = \"if while { }\"; int x;\n"
                       "{ while (x < 3) { cout << s; x = x + 1; }; }"},
        SameOutputCase{"names_containing_keywords",
                       "int iff; int whilex; int xif; int IF; int While; int if_1;\n"
                       "{ if (iff == whilex) { xif = IF + While + if_1; }; }"},
        SameOutputCase{"braces_in_strings_and_comments",
                       "const string s = \"}}}\"; int x; // }\n{ if (x == 0) { cout << s; }; }"},
        SameOutputCase{"text_after_the_block", "int x; { while (x > 0) { x = x - 1; }; } if while"},
        SameOutputCase{"comment_ends_the_input", "int x; { if (x < 2) { x = 1; }; } // while"},
        SameOutputCase{"division_then_comment",
                       "int x = 8; { x = x / 2 //if\n ; if (x % 3 > 0) { x = 1; }; }"},
        SameOutputCase{"keyword_after_a_number_in_a_comment", "int x; { x = 12; // 12if\n }"},
        SameOutputCase{"blank_bytes_between_tokens",
                       std::string("int x; {\xff if\xff(x < 1) { x = 1; }; }")},
        SameOutputCase{"deep_nesting", "int x; {" + std::string(200, ' ') +
                                           [] {
                                               std::string s;
                                               for (int i = 0; i < 300; ++i)
                                                   s += " while (x < 5) {";
                                               s += " x = x + 1;";
                                               for (int i = 0; i < 300; ++i) s += " };";
                                               return s;
                                           }() +
                                           " }"},
        SameOutputCase{"long_program", longDeclarations + "{" + longBody(40000) + " }"}),
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

// By the time these errors are found, megabytes of code have gone into the file.
TEST_P(LateError, LeavesOnlyTheDiagnostic) {
    const std::string source = longDeclarations + "{" + longBody(40000) + GetParam().tail;
    for (const RunResult& run : {compileBetweenFiles(source), compileThroughPipe(source)}) {
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

// What the file held before the run stays, whether the run succeeds or fails.
TEST(Driver, WritesAfterWhatTheFileHeld) {
    const std::string good = longDeclarations + "{" + longBody(20000) + " }";
    const std::string bad = longDeclarations + "{" + longBody(20000) + " z = 1; }";
    const std::string expected = compileThroughPipe(good).out;
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

}  // namespace
