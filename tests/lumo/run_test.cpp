// lumo run and lumo debug from a script: every example prints its .out, run-time errors are
// reported at the Lumo statement that was running with their own status, and the debugger
// stops, steps and prints by Lumo lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/case_name.hpp"
#include "support/run_program.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::runProgram;
using testing_support::scratchFile;
using testing_support::writeFile;

const std::string examples = EXAMPLES_DIR;

// A program in a scratch file, removed with the object.
struct ScratchProgram {
    std::string path;
    explicit ScratchProgram(const std::string& source) : path(scratchFile("prog") + ".lumo") {
        writeFile(path, source);
    }
    ~ScratchProgram() { std::remove(path.c_str()); }
};

TEST(Run, EveryExamplePrintsItsOutput) {
    int ran = 0;
    for (const auto& entry : fs::directory_iterator(examples)) {
        if (entry.path().extension() != ".lumo") continue;
        const std::string base = (entry.path().parent_path() / entry.path().stem()).string();
        const std::string input = fs::exists(base + ".in") ? readFile(base + ".in") : "";
        const auto run = runProgram(LUMO_PATH, {"run", entry.path().string()}, input);
        const std::string expected = readFile(base + ".out");
        EXPECT_EQ(run.out, expected) << base;
        // The examples that end in a trap say so by their last line.
        int status = 0;
        if (expected.size() >= 18 &&
            expected.compare(expected.size() - 18, 18, "Integer overflow!\n") == 0)
            status = 80;
        if (expected.size() >= 16 &&
            expected.compare(expected.size() - 16, 16, "Divide by zero!\n") == 0)
            status = 81;
        EXPECT_EQ(run.status, status) << base << "\n" << run.err;
        ++ran;
    }
    EXPECT_GE(ran, 20);
}

struct RuntimeCase {
    const char* name;
    std::string source;
    std::string input;
    int status;
    std::string firstLine;  // of standard error, without the file name
};

void PrintTo(const RuntimeCase& c, std::ostream* os) {
    *os << c.name;
}

class RuntimeErrors : public testing::TestWithParam<RuntimeCase> {};

TEST_P(RuntimeErrors, AtTheirLumoStatement) {
    const RuntimeCase& c = GetParam();
    const ScratchProgram program(c.source);
    const auto run = runProgram(LUMO_PATH, {"run", program.path, "--max-steps", "200000"}, c.input);
    EXPECT_EQ(run.status, c.status) << run.err;
    // Warnings may come first; the error has a line of its own.
    const std::string line = program.path + c.firstLine + "\n";
    EXPECT_TRUE(run.err.rfind(line, 0) == 0 || run.err.find("\n" + line) != std::string::npos)
        << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, RuntimeErrors,
    testing::Values(
        RuntimeCase{
            "overflow_in_nested_loops",
            "int i = 0;\nint j;\nint p = 1;\n{\n    while (i < 10) {\n        j = 0;\n"
            "        while (j < 10) {\n            p = p * 2;\n            j = j + 1;\n        };\n"
            "        i = i + 1;\n    };\n}\n",
            "", 80, ":8:19: runtime error: integer overflow"},
        RuntimeCase{"overflow_in_condition", "int x = 32767;\n{\n    if (x + 1 > 0) {\n    };\n}\n",
                    "", 80, ":3:11: runtime error: integer overflow"},
        RuntimeCase{"divide_by_zero",
                    "int a = 7;\nint b = 0;\n{\n    a = a + 1;\n    a = a / b;\n}\n", "", 81,
                    ":5:11: runtime error: divide by zero"},
        RuntimeCase{"remainder_by_zero",
                    "int a = 7;\nint b;\n{\n    cin >> b;\n    a = a % b;\n}\n", "0", 81,
                    ":5:11: runtime error: divide by zero"},
        RuntimeCase{"missing_input", "int a;\nint b;\n{\n    cin >> a;\n    cin >> b;\n}\n", "5\n",
                    82, ":5:5: runtime error: missing input"},
        RuntimeCase{"bad_input", "int a;\n{\n    cin >> a;\n}\n", "five\n", 82,
                    ":3:5: runtime error: bad input"},
        RuntimeCase{"input_out_of_range", "int a;\n{\n    cin >> a;\n}\n", "40000\n", 82,
                    ":3:5: runtime error: bad input"},
        RuntimeCase{"stack_overflow",
                    [] {
                        std::string e = "1";
                        for (int k = 0; k < 120; ++k) e += " + 1";
                        return "int x;\n{\n    x = 0;\n    x = " + e + ";\n}\n";
                    }(),
                    "", 83, ":4:5: runtime error: stack overflow"}),
    testing_support::caseName);

TEST(Run, StepLimitInsideTheEndlessLoop) {
    const ScratchProgram program(
        "int x = 0;\n{\n    x = 2;\n    while (true) {\n        x = 1;\n    };\n}\n");
    const auto run = runProgram(LUMO_PATH, {"run", program.path, "--max-steps", "1000"}, "");
    EXPECT_EQ(run.status, 84);
    const bool inLoop =
        run.err.find(":4:5: runtime error: step limit reached") != std::string::npos ||
        run.err.find(":5:9: runtime error: step limit reached") != std::string::npos;
    EXPECT_TRUE(inLoop) << run.err;
}

TEST(Run, ReportShowsTheStatementAndANote) {
    const ScratchProgram program("int a = 7;\nint b = 0;\n{\n    a = a / b;\n}\n");
    const auto run = runProgram(LUMO_PATH, {"run", program.path}, "");
    EXPECT_EQ(run.out, "Divide by zero!\n");
    EXPECT_NE(
        run.err.find("    4 |     a = a / b;\n      |           ^\nnote: this '/' divided by 0"),
        std::string::npos)
        << run.err;
}

TEST(Run, InputFromAFileAndCompileErrors) {
    const auto fromFile =
        runProgram(LUMO_PATH, {"run", examples + "/gcd.lumo", "--input", examples + "/gcd.in"}, "");
    EXPECT_EQ(fromFile.out, readFile(examples + "/gcd.out"));
    EXPECT_EQ(fromFile.status, 0);
    const auto broken = runProgram(LUMO_PATH, {"run", examples + "/broken/unary_minus.lumo"}, "");
    EXPECT_EQ(broken.status, 206);
    EXPECT_EQ(broken.out, "");
    EXPECT_NE(broken.err.find("unary_minus.lumo:5:11: error:"), std::string::npos);
    EXPECT_EQ(runProgram(LUMO_PATH, {"run", examples + "/gcd.lumo", "--input", "/nonexistent"}, "")
                  .status,
              66);
    EXPECT_EQ(
        runProgram(LUMO_PATH, {"run", examples + "/gcd.lumo", "--max-steps", "many"}, "").status,
        64);
    EXPECT_EQ(runProgram(LUMO_PATH, {"run", examples + "/greeting.lumo"}, "", "/dev/full").status,
              74);
}

// ---- the debugger, from a script ------------------------------------------------------

const char countdown[] =
    "int n = 3;\n"                   // 1
    "int total = 0;\n"               // 2
    "const string space = \" \";\n"  // 3
    "bool done = false;\n"           // 4
    "{\n"                            // 5
    "    while (n > 0) {\n"          // 6
    "        total = total + n;\n"   // 7
    "        n = n - 1;\n"           // 8
    "    };\n"                       // 9
    "    done = true;\n"             // 10
    "    cout << total;\n"           // 11
    "}\n";                           // 12

std::string debugSession(const std::string& source, const std::string& commands,
                         int* status = nullptr) {
    const ScratchProgram program(source);
    const auto run = runProgram(LUMO_PATH, {"debug", program.path}, commands);
    if (status != nullptr) *status = run.status;
    return run.out;
}

TEST(Debug, StartsAtTheFirstStatementAndStepsByLines) {
    const std::string out =
        debugSession(countdown, "step\nstep\nprint total\nstep\nprint n\nstep\nquit\n");
    EXPECT_NE(out.find("Debugging "), std::string::npos);
    // Start, then each step: the while, its body, and back to the while.
    const std::vector<std::string> stops = {
        "6\t    while (n > 0) {",       "7\t        total = total + n;",
        "8\t        n = n - 1;",        "total = 3",
        "6\t    while (n > 0) {",       "n = 2",
        "7\t        total = total + n;"};
    std::size_t at = 0;
    for (const std::string& stop : stops) {
        const std::size_t found = out.find(stop, at);
        ASSERT_NE(found, std::string::npos) << stop << "\n" << out;
        at = found + stop.size();
    }
}

TEST(Debug, PrintAfterEachStepFollowsTheValues) {
    std::string commands;
    for (int k = 0; k < 10; ++k) commands += "step\nprint total\n";
    const std::string out = debugSession(countdown, commands + "quit\n");
    // total grows 0, 3, 5, 6 as the loop runs.
    std::size_t at = 0;
    for (const char* value : {"total = 3", "total = 5", "total = 6"}) {
        at = out.find(value, at);
        ASSERT_NE(at, std::string::npos) << value << "\n" << out;
    }
}

TEST(Debug, BreakContinueNextAndLocals) {
    const std::string out =
        debugSession(countdown, "break 10\ncontinue\ninfo locals\nnext\nnext\ncontinue\nquit\n");
    EXPECT_NE(out.find("Breakpoint at line 10: done = true;"), std::string::npos) << out;
    EXPECT_NE(out.find("Breakpoint at line 10\n10\t    done = true;"), std::string::npos) << out;
    EXPECT_NE(out.find("int n = 0\nint total = 6\nconst string space = \" \"\nbool done = false\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("11\t    cout << total;"), std::string::npos) << out;
    // The program's output comes before the debugger's next words, on a line of its own.
    EXPECT_NE(out.find("6\nThe program ended normally."), std::string::npos) << out;
}

TEST(Debug, NextRunsAWholeLoop) {
    const std::string out = debugSession(countdown, "next\nprint n\nquit\n");
    EXPECT_NE(out.find("(lumo) next\n10\t    done = true;\n(lumo) print n\nn = 0\n"),
              std::string::npos)
        << out;
}

TEST(Debug, StepiAsmAndList) {
    const std::string out = debugSession(countdown, "step\nasm\nstepi\nasm\nlist\nquit\n");
    // asm marks the next instruction: after one stepi the mark has moved one line on.
    auto lineWith = [&](const std::string& text, std::size_t from) {
        const std::size_t at = out.find(text, from);
        if (at == std::string::npos) return std::string();
        const std::size_t begin = out.rfind('\n', at) + 1;
        return out.substr(begin, out.find('\n', at) - begin);
    };
    const std::size_t first = out.find("The code of line 7");
    const std::size_t second = out.find("The code of line 7", first + 1);
    ASSERT_NE(second, std::string::npos) << out;
    EXPECT_EQ(lineWith("\tMOVE sym_total,A", first).rfind("=>", 0), 0u) << out;
    EXPECT_EQ(lineWith("\tPUSH A", first).rfind("  ", 0), 0u) << out;
    EXPECT_EQ(lineWith("\tMOVE sym_total,A", second).rfind("  ", 0), 0u) << out;
    EXPECT_EQ(lineWith("\tPUSH A", second).rfind("=>", 0), 0u) << out;
    EXPECT_NE(out.find("line 7, next instruction: PUSH A"), std::string::npos) << out;
    EXPECT_NE(out.find("=>   7          total = total + n;"), std::string::npos) << out;
}

TEST(Debug, RuntimeErrorAtItsLineAndStatus) {
    int status = 0;
    const std::string out = debugSession("int a = 7;\nint b = 0;\n{\n    a = a / b;\n}\n",
                                         "continue\nstep\nprint a\nquit\n", &status);
    EXPECT_NE(out.find(":4:11: runtime error: divide by zero"), std::string::npos) << out;
    EXPECT_NE(out.find("The program stopped: divide by zero."), std::string::npos);
    EXPECT_NE(out.find("not running any more"), std::string::npos);
    EXPECT_NE(out.find("a = 7"), std::string::npos);
    EXPECT_EQ(status, 81);
}

TEST(Debug, InputFromTheSameStreamAndUnknownCommands) {
    const std::string out = debugSession("int a;\n{\n    cin >> a;\n    a = a + 1;\n}\n",
                                         "step\n41\nprint a\nprnt a\nfrobnicate\nprint zz\nquit\n");
    EXPECT_NE(out.find("a = 41"), std::string::npos) << out;
    EXPECT_NE(out.find("Unknown command 'frobnicate'"), std::string::npos);
    EXPECT_NE(out.find("No name 'zz' is declared."), std::string::npos);
}

}  // namespace
