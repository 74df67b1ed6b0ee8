// The teaching material beside the examples: every broken program gets exactly the
// diagnostic and status recorded beside it, and the sample assignment's submissions do
// what its task text says of them (one passes every case, one fails some, one does not
// compile). Both folders are listed when the tests are listed, so nothing added there
// goes unchecked.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_program.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::runProgram;
using testing_support::scratchFile;
using testing_support::writeFile;

const std::string brokenDir = std::string(EXAMPLES_DIR) + "/broken";
const std::string assignmentDir = std::string(EXAMPLES_DIR) + "/assignment";

// The stems of the files of `dir` that end in `extension`, sorted.
std::vector<std::string> stems(const std::string& dir, const std::string& extension) {
    std::vector<std::string> names;
    if (!fs::is_directory(dir)) return names;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.is_regular_file() && entry.path().extension() == extension) {
            names.push_back(entry.path().stem().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string testName(const testing::TestParamInfo<std::string>& info) {
    std::string name = info.param;
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    }
    return name;
}

// A recorded exit status: the first number in the file.
int statusIn(const std::string& path) {
    return std::stoi(readFile(path));
}

class BrokenPrograms : public testing::TestWithParam<std::string> {};

TEST_P(BrokenPrograms, GetTheRecordedDiagnostic) {
    const std::string base = brokenDir + "/" + GetParam();
    ASSERT_TRUE(fs::exists(base + ".lumoc")) << GetParam() << " has no .lumoc";
    ASSERT_TRUE(fs::exists(base + ".status")) << GetParam() << " has no .status";
    const auto compiled = runProgram(LUMOC_PATH, {}, readFile(base + ".lumo"));
    EXPECT_EQ(compiled.out, readFile(base + ".lumoc"));
    EXPECT_EQ(compiled.status, statusIn(base + ".status"));
    // A broken program that compiles would teach nothing.
    EXPECT_NE(compiled.status, 0);
}

INSTANTIATE_TEST_SUITE_P(Shipped, BrokenPrograms, testing::ValuesIn(stems(brokenDir, ".lumo")),
                         testName);

// Every program of the folder is named in its README, where its mistake is explained.
TEST(BrokenProgramsFolder, ReadmeNamesEveryProgram) {
    const std::string readme = readFile(brokenDir + "/README.md");
    for (const std::string& name : stems(brokenDir, ".lumo")) {
        EXPECT_NE(readme.find("`" + name + ".lumo`"), std::string::npos) << name;
    }
}

// What lumoc printed for a program that was renamed or removed would never be checked.
TEST(BrokenProgramsFolder, EveryRecordBelongsToAProgram) {
    for (const auto& entry : fs::directory_iterator(brokenDir)) {
        auto path = entry.path();
        if (path.extension() == ".lumoc" || path.extension() == ".status") {
            EXPECT_TRUE(fs::exists(path.replace_extension(".lumo"))) << entry.path().filename();
        }
    }
}

// The mistake of this one is invisible in most editors, so the file must really begin
// with the three bytes of a UTF-8 byte-order mark.
TEST(BrokenProgramsFolder, ByteOrderMarkIsTheFirstThing) {
    EXPECT_EQ(readFile(brokenDir + "/byte_order_mark.lumo").substr(0, 3), "\xEF\xBB\xBF");
}

// What `source` prints when compiled and run without input, or lumoc's diagnostic.
std::string compileAndRun(const std::string& source) {
    const auto compiled = runProgram(LUMOC_PATH, {}, source);
    if (compiled.status != 0) return compiled.out;
    const std::string assembly = scratchFile("asm");
    writeFile(assembly, compiled.out);
    const auto run = runProgram(KORU_PATH, {assembly}, "");
    std::remove(assembly.c_str());
    return run.out;
}

// Compiles a submission once and runs it on one case's input.
class Submission {
  public:
    explicit Submission(const std::string& name) {
        const auto compiled =
            runProgram(LUMOC_PATH, {}, readFile(assignmentDir + "/submissions/" + name));
        compiled_ = compiled.status == 0;
        assembly_ = scratchFile("asm");
        writeFile(assembly_, compiled.out);
    }
    ~Submission() { std::remove(assembly_.c_str()); }
    Submission(const Submission&) = delete;
    Submission& operator=(const Submission&) = delete;

    bool compiled() const { return compiled_; }

    // Whether the run on case `name` prints its .out and ends with its .status (0 when
    // the case has none).
    bool passes(const std::string& name) const {
        const std::string base = assignmentDir + "/cases/" + name;
        const auto run = runProgram(KORU_PATH, {assembly_}, readFile(base + ".in"));
        const int expected = fs::exists(base + ".status") ? statusIn(base + ".status") : 0;
        return run.out == readFile(base + ".out") && run.status == expected;
    }

  private:
    bool compiled_ = false;
    std::string assembly_;
};

std::vector<std::string> caseNames() {
    return stems(assignmentDir + "/cases", ".in");
}

TEST(SampleAssignment, HasEnoughCasesEachWithItsOutput) {
    const auto cases = caseNames();
    EXPECT_GE(cases.size(), 5u);
    for (const std::string& name : cases) {
        EXPECT_TRUE(fs::exists(assignmentDir + "/cases/" + name + ".out")) << name;
    }
}

TEST(SampleAssignment, CorrectSubmissionPassesEveryCase) {
    const Submission correct("correct.lumo");
    ASSERT_TRUE(correct.compiled());
    for (const std::string& name : caseNames()) EXPECT_TRUE(correct.passes(name)) << name;
}

TEST(SampleAssignment, WrongSubmissionFailsSomeCasesAndPassesOthers) {
    const Submission wrong("wrong_output.lumo");
    ASSERT_TRUE(wrong.compiled());
    std::vector<std::string> failed;
    std::size_t passed = 0;
    for (const std::string& name : caseNames()) {
        if (wrong.passes(name)) {
            ++passed;
        } else {
            failed.push_back(name);
        }
    }
    EXPECT_GT(passed, 0u);
    // The task text names the case it fails.
    EXPECT_EQ(failed, std::vector<std::string>{"all_negative"});
}

TEST(SampleAssignment, BrokenSubmissionDoesNotCompile) {
    EXPECT_FALSE(Submission("compile_error.lumo").compiled());
}

// The language reference's table of worked examples of the grouping rule: each expression,
// and the grouping it is said to mean, must compute the result the table gives.
TEST(LanguageReference, GroupingExamplesComputeWhatTheTableSays) {
    const std::string reference = readFile(std::string(EXAMPLES_DIR) + "/../docs/language.md");
    const std::size_t start = reference.find("## The grouping rule");
    ASSERT_NE(start, std::string::npos);
    std::istringstream section(reference.substr(start, reference.find("\n## ", start + 1) - start));
    std::size_t rows = 0;
    for (std::string line; std::getline(section, line);) {
        if (line.rfind("| `", 0) != 0) continue;
        std::vector<std::string> cells;
        for (std::size_t at = 1; at < line.size();) {
            const std::size_t bar = line.find(" |", at);
            if (bar == std::string::npos) break;
            std::string cell = line.substr(at, bar - at);
            cell.erase(0, cell.find_first_not_of(" `"));
            cell.erase(cell.find_last_not_of(" `") + 1);
            cells.push_back(cell);
            at = bar + 2;
        }
        ASSERT_GE(cells.size(), 3u) << line;
        ++rows;
        for (const std::string& expression : {cells[0], cells[1]}) {
            EXPECT_EQ(compileAndRun("int x; { x = " + expression + "; cout << x; }"), cells[2])
                << expression;
        }
    }
    EXPECT_GE(rows, 5u);
}

}  // namespace
