// koru with programs compiled by lumoc, as a grading script runs them, and the version and
// help texts of the tools.
#include <string>

#include "koru_testing.hpp"
#include "support/run_program.hpp"

namespace {

using testing_support::runProgram;
using testing_support::RunResult;

// Compiles `lumo` with lumoc into a scratch file and returns its path.
std::string compiled(const std::string& lumo) {
    RunResult compiledRun = runProgram(LUMOC_EXECUTABLE, {}, lumo);
    EXPECT_EQ(compiledRun.status, 0) << compiledRun.out;
    std::string path = testing_support::scratchFile("asm");
    testing_support::writeFile(path, compiledRun.out);
    return path;
}

struct Graded {
    const char* name;
    std::string lumo;
    const char* input;
    int status;           // with --traps
    const char* output;   // the end of standard output, the same with or without --traps
    const char* message;  // standard error with --traps, after "koru: FILE:"
};

void PrintTo(const Graded& graded, std::ostream* os) {
    *os << graded.name;
}

class GradedRuns : public ::testing::TestWithParam<Graded> {};

TEST_P(GradedRuns, EndWithTheirOwnStatusOnlyWhenAskedFor) {
    const Graded& g = GetParam();
    std::string program = compiled(g.lumo);
    RunResult plain = runProgram(korutest::koruPath(), {program}, g.input);
    RunResult graded = runProgram(korutest::koruPath(), {"--traps", program}, g.input);
    EXPECT_EQ(plain.status, 0);
    EXPECT_EQ(plain.err, "");
    EXPECT_EQ(graded.status, g.status);
    EXPECT_EQ(graded.out, plain.out);
    ASSERT_GE(plain.out.size(), std::string(g.output).size());
    EXPECT_EQ(plain.out.substr(plain.out.size() - std::string(g.output).size()), g.output);
    if (g.message[0] == '\0') {
        EXPECT_EQ(graded.err, "");
    } else {
        EXPECT_EQ(graded.err.rfind("koru: " + program + ":", 0), 0u) << graded.err;
        EXPECT_NE(graded.err.find(g.message), std::string::npos) << graded.err;
    }
    std::remove(program.c_str());
}

INSTANTIATE_TEST_SUITE_P(
    Compiled, GradedRuns,
    ::testing::Values(
        Graded{"factorial_overflows", testing_support::readFile(EXAMPLES_DIR "/factorial.lumo"), "",
               8, "7! = 5040\nInteger overflow!\n",
               ": integer overflow: the program stopped in its integer-overflow handler "
               "(entered by BVS  L2)\n"},
        Graded{"divide_by_zero",
               "int a;\nint b;\n{\n    cin >> a;\n    cin >> b;\n    a = a / b;\n"
               "    cout << a;\n}\n",
               "7 0", 9, "Divide by zero!\n",
               ": divide by zero: the program stopped in its divide-by-zero handler "
               "(entered by BEQ  Ldividebyzero)\n"},
        Graded{"remainder_by_zero", "int a;\n{\n    a = 5 % a;\n}\n", "", 9, "Divide by zero!\n",
               "divide-by-zero handler"},
        Graded{"no_trap", "int a;\n{\n    cin >> a;\n    a = a / 2;\n    cout << a;\n}\n", "9", 0,
               "4", ""}),
    [](const auto& info) { return std::string(info.param.name); });

// The grader can tell which Lumo statement trapped: the line given is the branch's.
TEST(GradedRun, NamesTheLineOfTheBranchIntoTheHandler) {
    std::string program = compiled("int a;\n{\n    a = 32767;\n    a = a + 1;\n}\n");
    RunResult graded = runProgram(korutest::koruPath(), {"--traps", program}, "");
    std::string assembly = testing_support::readFile(program);
    std::size_t branch = assembly.find("\tBVS  L0\n");
    ASSERT_NE(branch, std::string::npos);
    std::size_t line = 1;
    for (std::size_t i = 0; i < branch; ++i) line += assembly[i] == '\n';
    EXPECT_EQ(graded.err.rfind("koru: " + program + ":" + std::to_string(line) + ": ", 0), 0u)
        << graded.err;
    std::remove(program.c_str());
}

struct Version {
    const char* program;
    const char* name;
};

TEST(Tools, TellTheirVersion) {
    const std::string koru = korutest::koruPath();
    for (const Version& v :
         {Version{koru.c_str(), "koru"}, Version{LUMOLIST_EXECUTABLE, "lumolist"}}) {
        RunResult ran = runProgram(v.program, {"--version"}, "");
        EXPECT_EQ(ran.status, 0) << v.name;
        EXPECT_EQ(ran.out, std::string(v.name) + " (Lumo toolchain) " LUMO_VERSION "\n");
        EXPECT_EQ(ran.err, "");
    }
}

TEST(Tools, LumolistExplainsItselfAndStillListsWithoutArguments) {
    RunResult help = runProgram(LUMOLIST_EXECUTABLE, {"--help"}, "");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: lumolist < PROGRAM.lumo\n", 0), 0u) << help.out;
    EXPECT_NE(help.out.find("--version"), std::string::npos);
    const char* program = "int a;\n{\n    a = 1;\n}\n";
    RunResult plain = runProgram(LUMOLIST_EXECUTABLE, {}, program);
    EXPECT_EQ(plain.status, 0);
    EXPECT_NE(plain.out.find("a"), std::string::npos);
    // Other arguments are ignored, as before.
    EXPECT_EQ(runProgram(LUMOLIST_EXECUTABLE, {"whatever"}, program).out, plain.out);
}

}  // namespace
