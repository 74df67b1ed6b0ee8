// Tests of the benchmark programs and tools: exact sizes, bounded nesting, the same
// program in both languages, acceptance by lumoc and by a C compiler, and the command
// lines of benchgen and benchtime.

#include <sys/stat.h>

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "programgen.hpp"

namespace {

using benchgen::generateProgram;
using benchgen::Language;

// The program's compound statement (Lumo) or main's body (C), from its opening line on.
std::string body(const std::string& program, Language language) {
    const std::string opening = language == Language::lumo ? "\n{\n" : "int main(void) {\n";
    std::size_t at = program.find(opening);
    return at == std::string::npos ? "" : program.substr(at);
}

std::string withoutComments(const std::string& text) {
    std::istringstream lines(text);
    std::string line, result;
    while (std::getline(lines, line)) result += line.substr(0, line.find("//")) + "\n";
    return result;
}

// Names, numbers and operators, minus what only one language spells: braces, parentheses,
// terminators, the assignment sign, and the words of input, output and main's return.
std::vector<std::string> sharedTokens(const std::string& text) {
    static const std::vector<std::string> dropped = {
        "{",  "}",      "(",      ")",      ";",      "=",    "cin",  ">>", "cout",
        "<<", "getint", "putint", "putstr", "return", "main", "void", "int"};
    static const std::vector<std::string> pairs = {"<<", ">>", "<=", ">=", "==", "!=", "&&", "||"};
    std::vector<std::string> tokens;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t start = i;
        if (std::isspace(static_cast<unsigned char>(text[i]))) {
            ++i;
            continue;
        }
        if (std::isalnum(static_cast<unsigned char>(text[i]))) {
            while (i < text.size() && std::isalnum(static_cast<unsigned char>(text[i]))) ++i;
        } else {
            bool pair = false;
            for (const std::string& p : pairs) pair = pair || text.compare(i, 2, p) == 0;
            i += pair ? 2 : 1;
        }
        std::string token = text.substr(start, i - start);
        bool drop = false;
        for (const std::string& d : dropped) drop = drop || token == d;
        if (!drop) tokens.push_back(token);
    }
    if (!tokens.empty() && tokens.back() == "0") tokens.pop_back();  // C's `return 0`
    return tokens;
}

int deepestBrace(const std::string& text) {
    int depth = 0, deepest = 0;
    for (char c : text) {
        if (c == '{') deepest = std::max(deepest, ++depth);
        if (c == '}') --depth;
    }
    return deepest;
}

std::string tempPath(const std::string& name) {
    return testing::TempDir() + "benchgen_" + name;
}

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Runs a shell command line; returns its exit status, or -1 when it did not exit.
int run(const std::string& command) {
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ProgramGen, SameArgumentsGiveTheSameTextAndSeedsDiffer) {
    for (Language language : {Language::lumo, Language::c}) {
        for (long size : {0L, 7L, 3000L}) {
            EXPECT_EQ(generateProgram(size, language, 5), generateProgram(size, language, 5));
        }
        EXPECT_NE(generateProgram(3000, language, 5), generateProgram(3000, language, 6));
    }
}

TEST(ProgramGen, WritesExactlyTheStatementsAsked) {
    for (long size : {0L, 1L, 2L, 3L, 4L, 5L, 9L, 100L, 20000L}) {
        for (std::uint64_t seed : {1u, 2u, 3u}) {
            std::string lumo = body(generateProgram(size, Language::lumo, seed), Language::lumo);
            long terminators = 0;
            for (char c : withoutComments(lumo)) terminators += c == ';';
            EXPECT_EQ(terminators, size) << "size " << size << " seed " << seed;
        }
    }
}

TEST(ProgramGen, NestsUpToTheLimitAndNoDeeper) {
    for (Language language : {Language::lumo, Language::c}) {
        std::string program = body(generateProgram(20000, language), language);
        EXPECT_EQ(deepestBrace(program), benchgen::maxDepth + 1);
    }
}

TEST(ProgramGen, CAndLumoSpellTheSameProgram) {
    for (long size : {1L, 60L, 5000L}) {
        for (std::uint64_t seed : {1u, 9u}) {
            std::string lumo = body(generateProgram(size, Language::lumo, seed), Language::lumo);
            std::string c = body(generateProgram(size, Language::c, seed), Language::c);
            std::vector<std::string> lumoTokens = sharedTokens(withoutComments(lumo));
            ASSERT_GE(lumoTokens.size(), static_cast<std::size_t>(size));
            EXPECT_EQ(lumoTokens, sharedTokens(withoutComments(c)))
                << "size " << size << " seed " << seed;
        }
    }
}

TEST(ProgramGen, UsesEveryConstructOfTheLanguage) {
    const std::string program = generateProgram(3000, Language::lumo);
    const char* const constructs[] = {
        " + ",  " - ",       " * ",        " / ",          " % ",       " && ",      " || ",
        "!",    " == ",      " != ",       " < ",          " > ",       " <= ",      " >= ",
        "if (", "} else {",  "while (",    "cin >> ",      "cout << v", "cout << s", "// note",
        "(v",   "const int", "const bool", "const string", "bool b",    "= true;"};
    for (const char* construct : constructs) {
        EXPECT_NE(program.find(construct), std::string::npos) << construct;
    }
}

TEST(ProgramGen, LumocCompilesThePrograms) {
    for (long size : {0L, 1L, 50L, 5000L}) {
        for (std::uint64_t seed : {1u, 2u}) {
            const std::string source = tempPath("accept.lumo"), output = tempPath("accept.asm");
            writeFile(source, generateProgram(size, Language::lumo, seed));
            int status = run(std::string(LUMOC_PATH) + " < " + source + " > " + output);
            EXPECT_EQ(status, 0) << "size " << size << " seed " << seed << ": "
                                 << readFile(output).substr(0, 300);
            EXPECT_NE(readFile(output).find("\tHALT\n"), std::string::npos);
        }
    }
}

TEST(ProgramGen, CCompilerAcceptsTheProgramsWithoutWarnings) {
    if (run("cc --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "no C compiler";
    for (long size : {1L, 5000L}) {
        const std::string source = tempPath("accept.c");
        writeFile(source, generateProgram(size, Language::c, 4));
        EXPECT_EQ(run("cc -std=c99 -Wall -Wextra -pedantic -Werror -fsyntax-only " + source), 0)
            << "size " << size;
    }
}

TEST(BenchTools, CommandLinesAreCheckedAndFailuresReported) {
    struct Case {
        std::string command;
        int status;
    };
    const std::string gen = BENCHGEN_PATH, time = BENCHTIME_PATH;
    const Case cases[] = {
        {gen + " --statements 5 --lang lumo", 0},
        {gen + " --lang c", 2},
        {gen + " --statements 5", 2},
        {gen + " --statements -1 --lang c", 2},
        {gen + " --statements 5x --lang c", 2},
        {gen + " --statements 5 --lang pascal", 2},
        {gen + " --statements 5 --lang c --verbose 1", 2},
        {gen + " --statements 5 --lang c --seed", 2},
        {time + " -- true", 0},
        {time + " --runs 3 -- false", 1},
        {time + " -- /nonexistent/command", 1},
        {time + " --runs 0 -- true", 2},
        {time + " --stdin /nonexistent/file -- cat", 1},
        {time + " --runs 2", 2},
        {time + " --color red -- true", 2},
        {time + " --limit x -- true", 2},
        {time + " --limit 1 -- sh -c 'sleep 20; true'", 3},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run(c.command + " > /dev/null 2>&1"), c.status) << c.command;
    }
}

TEST(BenchTools, BenchtimeRedirectsAndReportsTimeAndPeakMemory) {
    const std::string input = tempPath("time.in"), copy = tempPath("time.out");
    const std::string report = tempPath("time.report");
    const std::string text = generateProgram(2000, Language::c);
    writeFile(input, text);
    ASSERT_EQ(run(std::string(BENCHTIME_PATH) + " --runs 2 --stdin " + input + " --stdout " + copy +
                  " -- cat > " + report),
              0);
    EXPECT_EQ(readFile(copy), text);
    double seconds = -1;
    long peak = -1;
    ASSERT_EQ(std::sscanf(readFile(report).c_str(), "%lf %ld", &seconds, &peak), 2);
    EXPECT_GE(seconds, 0.0);
    EXPECT_LT(seconds, 60.0);
    EXPECT_GT(peak, 0);
}

// Each run starts with the output file of the run before removed (outside the timing):
// the file then holds the last run's output alone, and a device given as output, which
// must never be removed, is left in place.
TEST(BenchTools, BenchtimeStartsEachRunWithoutTheLastOutput) {
    const std::string output = tempPath("time.fresh");
    writeFile(output, std::string(10000, 'x'));
    ASSERT_EQ(run(std::string(BENCHTIME_PATH) + " --runs 2 --stdout " + output +
                  " -- printf short > /dev/null"),
              0);
    EXPECT_EQ(readFile(output), "short");
    ASSERT_EQ(run(std::string(BENCHTIME_PATH) + " --runs 2 --stdout /dev/null -- true > /dev/null"),
              0);
    struct stat device {};
    ASSERT_EQ(::stat("/dev/null", &device), 0);
    EXPECT_TRUE(S_ISCHR(device.st_mode));
}

TEST(BenchTools, BenchgenWritesTheGeneratedProgram) {
    const std::string output = tempPath("gen.out");
    for (Language language : {Language::lumo, Language::c}) {
        const std::string name = language == Language::lumo ? "lumo" : "c";
        ASSERT_EQ(run(std::string(BENCHGEN_PATH) + " --statements 300 --lang " + name +
                      " --seed 7 > " + output),
                  0);
        EXPECT_EQ(readFile(output), generateProgram(300, language, 7)) << name;
    }
}

// Every phase runs to its end: a scan that read past the program's closing brace, or a
// phase that failed, would end the process early.
TEST(BenchTools, LumobenchRunsEveryPhase) {
#ifdef LUMOBENCH_PATH
    const std::string output = tempPath("phases.out");
    ASSERT_EQ(run(std::string(LUMOBENCH_PATH) +
                  " --lumo_sizes=150,400 --benchmark_min_time=0.001 > " + output),
              0);
    const std::string report = readFile(output);
    for (const char* phase : {"scan", "analyse", "rpe", "generate", "compile"}) {
        for (const char* size : {"/150", "/400"}) {
            EXPECT_NE(report.find(std::string(phase) + size), std::string::npos) << phase << size;
        }
    }
    EXPECT_NE(run(std::string(LUMOBENCH_PATH) + " --lumo_sizes=0 > /dev/null 2>&1"), 0);
#else
    GTEST_SKIP() << "lumobench is not built without Google Benchmark";
#endif
}

// A run that reaches --enough seconds is not repeated.
TEST(BenchTools, BenchtimeStopsRepeatingLongRuns) {
    const std::string log = tempPath("time.log");
    writeFile(log, "");
    ASSERT_EQ(run(std::string(BENCHTIME_PATH) + " --runs 4 --enough 1 -- sh -c 'sleep 1; echo >> " +
                  log + "' > /dev/null"),
              0);
    EXPECT_EQ(readFile(log), "\n");
}

}  // namespace
