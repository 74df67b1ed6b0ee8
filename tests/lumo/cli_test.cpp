// The lumo command as a student or a script uses it: the check form of every broken
// example, build byte for byte as lumoc, the explain texts against what lumoc really says,
// help, version, colour and statuses.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "explain.hpp"
#include "support/run_program.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::runProgram;
using testing_support::scratchFile;
using testing_support::writeFile;

const std::string examples = EXAMPLES_DIR;
const std::string sourceDir = SOURCE_DIR;

std::vector<std::string> filesOf(const std::string& dir, const std::string& extension) {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() == extension) found.push_back(entry.path().string());
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::string stemOf(const std::string& path) {
    return fs::path(path).stem().string();
}

std::string withoutPrefix(std::string text, const std::string& prefix) {
    for (std::size_t at; (at = text.find(prefix)) != std::string::npos;)
        text.erase(at, prefix.size());
    return text;
}

class BrokenCheck : public testing::TestWithParam<std::string> {};

TEST_P(BrokenCheck, PrintsTheRecordedCheckOutput) {
    const std::string base = examples + "/broken/" + GetParam();
    const auto run = runProgram(LUMO_PATH, {"check", base + ".lumo"}, "");
    EXPECT_EQ(withoutPrefix(run.out, examples + "/broken/"), readFile(base + ".check"));
    EXPECT_EQ(run.status, std::stoi(readFile(base + ".status")));
    EXPECT_EQ(run.err, "");
}

std::vector<std::string> brokenStems() {
    std::vector<std::string> stems;
    for (const std::string& f : filesOf(examples + "/broken", ".lumo")) stems.push_back(stemOf(f));
    return stems;
}

INSTANTIATE_TEST_SUITE_P(Examples, BrokenCheck, testing::ValuesIn(brokenStems()),
                         [](const auto& info) { return info.param; });

// Every program the tests have at hand, broken or not.
std::vector<std::string> allPrograms() {
    std::vector<std::string> all;
    for (const char* dir : {"", "/broken", "/assignment/submissions"}) {
        for (const std::string& f : filesOf(examples + dir, ".lumo")) all.push_back(f);
    }
    for (const std::string& f : filesOf(sourceDir + "/docs/constructs", ".lumo")) all.push_back(f);
    return all;
}

TEST(Build, ByteIdenticalWithLumoc) {
    const std::string out = scratchFile("build") + ".asm";
    int compared = 0;
    for (const std::string& program : allPrograms()) {
        const std::string source = readFile(program);
        const auto lumoc = runProgram(LUMOC_PATH, {}, source);
        std::remove(out.c_str());
        const auto built = runProgram(LUMO_PATH, {"build", program, "-o", out}, "");
        EXPECT_EQ(built.status, lumoc.status) << program;
        if (lumoc.status == 0) {
            EXPECT_EQ(readFile(out), lumoc.out) << program;
            EXPECT_EQ(built.err.find("error:"), std::string::npos) << program;
        } else {
            EXPECT_FALSE(fs::exists(out)) << program;
            EXPECT_NE(built.err.find(": error: "), std::string::npos) << program;
        }
        // From standard input to standard output, the same bytes.
        const auto piped = runProgram(LUMO_PATH, {"build", "-"}, source);
        if (lumoc.status == 0) {
            EXPECT_EQ(piped.out, lumoc.out) << program;
        }
        ++compared;
    }
    EXPECT_GT(compared, 60);
}

TEST(Build, DefaultOutputBesideTheSource) {
    const std::string dir = scratchFile("dir");
    std::remove(dir.c_str());
    fs::create_directory(dir);
    writeFile(dir + "/hello.lumo", readFile(examples + "/greeting.lumo"));
    const auto built = runProgram(LUMO_PATH, {"build", dir + "/hello.lumo"}, "");
    EXPECT_EQ(built.status, 0);
    EXPECT_EQ(readFile(dir + "/hello.asm"),
              runProgram(LUMOC_PATH, {}, readFile(dir + "/hello.lumo")).out);
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);
    fs::remove_all(dir);
}

TEST(Build, AnErrorLeavesAnExistingOutputAlone) {
    const std::string out = scratchFile("keep");
    writeFile(out, "old text\n");
    const auto built = runProgram(LUMO_PATH, {"build", "-", "-o", out}, "int x = -1;\n{\n}\n");
    EXPECT_EQ(built.status, 2);
    EXPECT_EQ(readFile(out), "old text\n");
    EXPECT_NE(built.err.find("<stdin>:1:9: error: Expected literal in declaration initialisation."),
              std::string::npos)
        << built.err;
    std::remove(out.c_str());
}

TEST(Build, UnwritableOutputAndMissingInput) {
    EXPECT_EQ(runProgram(LUMO_PATH,
                         {"build", examples + "/greeting.lumo", "-o", "/nonexistent/x.asm"}, "")
                  .status,
              73);
    const auto missing = runProgram(LUMO_PATH, {"build", "/nonexistent.lumo"}, "");
    EXPECT_EQ(missing.status, 66);
    EXPECT_NE(missing.err.find("cannot read '/nonexistent.lumo'"), std::string::npos);
    EXPECT_EQ(
        runProgram(LUMO_PATH, {"build", examples + "/greeting.lumo", "-o", "-"}, "", "/dev/full")
            .status,
        74);
}

TEST(Check, StatusOfTheFirstFileWithAnError) {
    const std::string good = examples + "/gcd.lumo";
    const auto run = runProgram(
        LUMO_PATH,
        {"check", good, examples + "/broken/for_loop.lumo", examples + "/broken/else_if.lumo"}, "");
    EXPECT_EQ(run.status, 102);
    EXPECT_NE(run.out.find("for_loop.lumo:5:5: error:"), std::string::npos);
    EXPECT_NE(run.out.find("else_if.lumo:9:12: error:"), std::string::npos);
    EXPECT_EQ(runProgram(LUMO_PATH, {"check", good}, "").status, 0);
    EXPECT_EQ(runProgram(LUMO_PATH, {"check", good, "/nonexistent.lumo"}, "").status, 66);
    EXPECT_EQ(runProgram(LUMO_PATH, {"check"}, "").status, 64);
    EXPECT_EQ(runProgram(LUMO_PATH, {"check", "--color=sometimes", good}, "").status, 64);
}

TEST(Check, WarningsKeepTheStatus) {
    const auto run = runProgram(LUMO_PATH, {"check", "-"}, "int x;\n{\n    x = 8 - 3 - 2;\n}\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
              "<stdin>:3:9: warning: '8 - 3 - 2' is evaluated as '8 - (3 - 2)' [grouping]\n"
              "    3 |     x = 8 - 3 - 2;\n"
              "      |         ^~~~~~~~~\n"
              "note: Lumo groups a chain from the right; to compute from left to right, write '(8 "
              "- 3) - 2'\n");
}

// Colour only on a terminal, or when asked, and never with NO_COLOR; a terminal itself is
// tried in the pseudo-terminal test.
TEST(Check, ColourOffUnlessAskedWhenNotOnATerminal) {
    const std::string broken = examples + "/broken/unary_minus.lumo";
    EXPECT_EQ(runProgram(LUMO_PATH, {"check", broken}, "").out.find('\x1b'), std::string::npos);
    EXPECT_NE(
        runProgram(LUMO_PATH, {"check", "--color=always", broken}, "").out.find("\x1b[1;31merror:"),
        std::string::npos);
    ::setenv("NO_COLOR", "1", 1);
    const auto noColour = runProgram(LUMO_PATH, {"check", "--color=always", broken}, "");
    ::unsetenv("NO_COLOR");
    EXPECT_EQ(noColour.out.find('\x1b'), std::string::npos);
}

// Each explained example raises exactly its entry's error, with its entry's words.
TEST(Explain, EveryExampleRaisesItsError) {
    for (const lumo::explain::Entry& e : lumo::explain::entries()) {
        if (*e.example == '\0') {
            if (e.status != 30) {
                EXPECT_NE(std::string(e.meaning).find("no program makes lumoc report it"),
                          std::string::npos)
                    << e.code;
            }
            continue;
        }
        const auto lumoc = runProgram(LUMOC_PATH, {}, e.example);
        EXPECT_EQ(lumoc.status, e.status) << e.code << "\n" << lumoc.out;
        std::string heading = e.heading;
        if (e.code[0] == 'L') {
            heading = "Lexer error : " + heading.substr(0, heading.find(" : ") == std::string::npos
                                                               ? heading.size()
                                                               : heading.find(" : "));
            EXPECT_EQ(lumoc.out.rfind(heading, 0), 0u) << e.code << "\n" << lumoc.out;
        } else {
            EXPECT_EQ(lumoc.out.substr(lumoc.out.find('\n') + 1, heading.size()), heading)
                << e.code;
        }
    }
    std::string deep = "int x;\n{\n    x = ";
    for (int k = 0; k < 1001; ++k) deep += "(";
    const auto lumoc = runProgram(LUMOC_PATH, {}, deep);
    EXPECT_EQ(lumoc.status, 30);
    EXPECT_EQ(lumoc.out.rfind(lumo::explain::find("E30")->heading, 0), 0u);
}

// The numbers lumoc can report, as its message tables and scanner have them, each have an
// entry.
TEST(Explain, CoversEveryNumber) {
    std::vector<std::string> codes;
    for (int n = 1; n <= 7; ++n) codes.push_back("L" + std::to_string(n));
    for (int n = 1; n <= 20; ++n) codes.push_back("E" + std::to_string(n));
    for (int n = 101; n <= 107; ++n) codes.push_back("E" + std::to_string(n));
    for (int n = 201; n <= 225; ++n) codes.push_back("E" + std::to_string(n));
    codes.push_back("E30");
    for (const std::string& code : codes) EXPECT_NE(lumo::explain::find(code), nullptr) << code;
    EXPECT_EQ(lumo::explain::entries().size(), codes.size());
}

TEST(Explain, TakesTheCodeInEveryForm) {
    const auto e206 = runProgram(LUMO_PATH, {"explain", "E206"}, "");
    EXPECT_EQ(e206.status, 0);
    EXPECT_EQ(e206.out.rfind("E206: Mismatch between types in a basic expression.", 0), 0u);
    EXPECT_NE(e206.out.find("example.lumo:3:11: error:"), std::string::npos);
    EXPECT_EQ(runProgram(LUMO_PATH, {"explain", "206"}, "").out, e206.out);
    EXPECT_EQ(runProgram(LUMO_PATH, {"explain", "e206"}, "").out, e206.out);
    const auto four = runProgram(LUMO_PATH, {"explain", "4"}, "");
    EXPECT_EQ(four.out.rfind("E4:", 0), 0u);
    EXPECT_NE(four.out.find("lumo explain L4"), std::string::npos);
    EXPECT_EQ(runProgram(LUMO_PATH, {"explain", "L4"}, "").out.rfind("L4: literal is too big", 0),
              0u);
    EXPECT_EQ(runProgram(LUMO_PATH, {"explain", "E999"}, "").status, 64);
    EXPECT_EQ(runProgram(LUMO_PATH, {"explain"}, "").status, 64);
}

TEST(Explain, CommittedPageIsWhatTheBuildWrites) {
    EXPECT_EQ(readFile(sourceDir + "/docs/diagnostics.md"), readFile(GENERATED_DIAGNOSTICS))
        << "run the build and copy build/docs/diagnostics.md to docs/diagnostics.md";
}

TEST(Help, EveryCommandAndTheVersion) {
    const auto version = runProgram(LUMO_PATH, {"--version"}, "");
    EXPECT_EQ(version.out, "lumo (Lumo toolchain) " LUMO_VERSION "\n");
    const auto overview = runProgram(LUMO_PATH, {"--help"}, "");
    EXPECT_EQ(overview.status, 0);
    for (const char* command : {"check", "build", "run", "debug", "explain", "test", "grade"}) {
        EXPECT_NE(overview.out.find(std::string("  ") + command), std::string::npos) << command;
        const auto help = runProgram(LUMO_PATH, {"help", command}, "");
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_EQ(help.out.rfind(std::string("usage: lumo ") + command, 0), 0u) << command;
        EXPECT_EQ(runProgram(LUMO_PATH, {command, "--help"}, "").out, help.out) << command;
    }
    EXPECT_EQ(runProgram(LUMO_PATH, {"frobnicate"}, "").status, 64);
    EXPECT_EQ(runProgram(LUMO_PATH, {"help", "frobnicate"}, "").status, 64);
    EXPECT_EQ(runProgram(LUMO_PATH, {}, "").status, 64);
}

}  // namespace

#ifdef LUMOGEN_PATH
namespace {

// Seeded random programs, some with a planted fault: laid out every which way, with long
// names and stray 0xFF blanks. lumo build gives lumoc's bytes and status; lumo check the
// status and exactly one located error.
TEST(Build, RandomProgramsAsLumoc) {
    const char* faults[] = {nullptr, "lexical", "syntax", "static", "type"};
    for (int seed = 1; seed <= 60; ++seed) {
        std::vector<std::string> args = {"--seed", std::to_string(seed)};
        if (const char* fault = faults[seed % 5]) {
            args.push_back("--fault");
            args.push_back(fault);
        }
        const std::string source = runProgram(LUMOGEN_PATH, args, "").out;
        ASSERT_FALSE(source.empty()) << seed;
        const auto lumoc = runProgram(LUMOC_PATH, {}, source);
        const auto built = runProgram(LUMO_PATH, {"build", "-"}, source);
        EXPECT_EQ(built.status, lumoc.status) << seed;
        if (lumoc.status == 0) {
            EXPECT_EQ(built.out, lumoc.out) << seed;
        }
        const auto checked = runProgram(LUMO_PATH, {"check", "-"}, source);
        EXPECT_EQ(checked.status, lumoc.status) << seed;
        std::size_t errors = 0;
        for (std::size_t k = checked.out.find(": error: "); k != std::string::npos;
             k = checked.out.find(": error: ", k + 1))
            ++errors;
        EXPECT_EQ(errors, lumoc.status == 0 ? 0u : 1u) << seed << "\n" << checked.out;
    }
}

}  // namespace
#endif
