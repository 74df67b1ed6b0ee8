// End-to-end tests: Lumo programs compiled by lumoc and run on koru, checked by what they
// print. The examples run here too, against the output kept beside each of them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "support/case_name.hpp"
#include "support/run_program.hpp"

namespace {

using testing_support::readFile;
using testing_support::runProgram;
using testing_support::scratchFile;
using testing_support::writeFile;

// Compiles `source`, runs it with `input`, and returns what it printed.
std::string compileAndRun(const std::string& source, const std::string& input = "") {
    auto compiled = runProgram(LUMOC_PATH, {}, source);
    EXPECT_EQ(compiled.status, 0) << compiled.out;
    if (compiled.status != 0) return "<" + compiled.out + ">";
    const std::string assembly = scratchFile("asm");
    writeFile(assembly, compiled.out);
    auto run = runProgram(KORU_PATH, {assembly}, input);
    std::remove(assembly.c_str());
    EXPECT_EQ(run.status, 0) << run.err;
    return run.out;
}

struct Case {
    const char* name;
    std::string source;
    std::string input;
    std::string printed;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class Runs : public testing::TestWithParam<Case> {};

TEST_P(Runs, PrintWhatTheProgramMeans) {
    EXPECT_EQ(compileAndRun(GetParam().source, GetParam().input), GetParam().printed);
}

const std::string nl = "const string nl = \"\\n\"; ";

// Prints each of the six relations of a and b as 1 (true) or 0, in the order
// == != < <= > >=.
std::string relations(const std::string& a, const std::string& b) {
    std::string program = "int a; int b; int one = 1; int zero = 0; bool r; {";
    program += " a = " + a + "; b = " + b + ";";
    for (const char* op : {"==", "!=", "<", "<=", ">", ">="}) {
        program += std::string(" r = a ") + op + " b;";
        program += " if (r) { cout << one; } else { cout << zero; };";
    }
    return program + " }";
}

const Case cases[] = {
    {"chain_grouped_from_the_right", "int x; { x = 8 - 3 - 2; cout << x; }", "", "7"},
    {"parentheses_group_from_the_left", "int x; { x = (8 - 3) - 2; cout << x; }", "", "3"},
    {"division_chain_from_the_right", "int x; { x = 64 / 8 / 2; cout << x; }", "", "16"},
    {"precedence_of_levels", "int x; { x = 2 + 3 * 4 - 10 / 5; cout << x; }", "", "12"},
    {"sum_overflows", "int x; { x = 32767 + 1; cout << x; }", "", "Integer overflow!\n"},
    {"difference_overflows", "int x; { x = (0 - 32767) - 2; cout << x; }", "",
     "Integer overflow!\n"},
    {"product_out_of_range", "int x; { x = 200 * 200; cout << x; }", "", "Integer overflow!\n"},
    {"largest_values_do_not_overflow",
     "int x; { x = (0 - 32767) - 1; cout << x; x = 181 * 181; cout << x; }", "", "-3276832761"},
    {"division_by_zero", "int x; int z = 0; { x = 7 / z; cout << x; }", "", "Divide by zero!\n"},
    {"remainder_by_zero", "int x; int z = 0; { x = 7 % z; cout << x; }", "", "Divide by zero!\n"},
    {"division_truncates_toward_zero",
     nl + "int x; { x = (0 - 7) / 2; cout << x; cout << nl; x = (0 - 7) % 2; cout << x; }", "",
     "-3\n-1"},
    {"relations_when_the_difference_overflows_below", relations("(0 - 32767) - 1", "1"), "",
     "011100"},
    {"relations_when_the_difference_overflows_above", relations("32767", "0 - 1"), "", "010011"},
    {"relations_of_equal_operands", relations("5", "5"), "", "100101"},
    {"relations_of_ordered_operands", relations("3", "9"), "", "011100"},
    {"and_or_not",
     "bool t = true; bool f = false; int one = 1; int zero = 0; bool r; {"
     " r = t && f; if (r) { cout << one; } else { cout << zero; };"
     " r = t || f; if (r) { cout << one; } else { cout << zero; };"
     " r = !f && !!t; if (r) { cout << one; } else { cout << zero; };"
     " r = f || f && t; if (r) { cout << one; } else { cout << zero; }; }",
     "", "0110"},
    {"bools_compare_as_truth_values",
     "bool r; int one = 1; int zero = 0; { r = true > false; if (r) { cout << one; } else { cout "
     "<< zero; }; r = (1 < 2) == true; if (r) { cout << one; } else { cout << zero; }; }",
     "", "01"},
    {"nested_loops",
     nl + "int i = 0; int j; int n = 0; { while (i < 4) { j = 0; while (j < i) { n = n + 1; j = j "
          "+ 1; }; i = i + 1; }; cout << n; cout << nl; }",
     "", "6\n"},
    {"input_and_output",
     nl + "int a; int b; int s; { cin >> a; cin >> b; s = a + b; cout << s; cout << nl; }",
     "  -12\n\t30 ", "18\n"},
    {"string_with_quote_tab_and_backslash_n",
     "const string s = \"it's\ta\tquote\\n\"; { cout << s; }", "", "it's\ta\tquote\n"},
    {"string_with_real_tab_and_newline", "const string s = \"a\tb\nc\"; { cout << s; }", "",
     "a\tb\nc"},
    {"lone_quote_and_empty_string",
     "const string q = \"'\"; const string e = \"\"; { cout << q; cout << e; cout << q; }", "",
     "''"},
    {"constants_are_read_from_storage", "const int k = 41; int x; { x = k + 1; cout << x; }", "",
     "42"},
    {"else_branch_runs",
     "bool b = false; int one = 1; int two = 2; { if (b) { cout << one; } else { cout << two; }; }",
     "", "2"},
    {"loop_runs_zero_times", "int i = 5; { while (i < 5) { cout << i; }; cout << i; }", "", "5"},
};

INSTANTIATE_TEST_SUITE_P(Programs, Runs, testing::ValuesIn(cases), testing_support::caseName);

// Every program in the examples folder, found when the tests are listed, so that an example
// added there is run without being named here.
std::vector<std::string> exampleNames() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(EXAMPLES_DIR)) {
        if (entry.is_regular_file() && entry.path().extension() == ".lumo") {
            names.push_back(entry.path().stem().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

class Examples : public testing::TestWithParam<std::string> {};

TEST_P(Examples, PrintTheirExpectedOutput) {
    const std::string base = std::string(EXAMPLES_DIR) + "/" + GetParam();
    ASSERT_TRUE(std::filesystem::exists(base + ".out")) << GetParam() << " has no .out";
    const std::string input = readFile(base + ".in");
    EXPECT_EQ(compileAndRun(readFile(base + ".lumo"), input), readFile(base + ".out"));
}

INSTANTIATE_TEST_SUITE_P(Shipped, Examples, testing::ValuesIn(exampleNames()),
                         [](const testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             }
                             return name;
                         });

// An input or an expected output whose program was renamed or removed would never be
// used again without anyone noticing.
TEST(ExamplesFolder, EveryInputAndOutputBelongsToAProgram) {
    for (const auto& entry : std::filesystem::directory_iterator(EXAMPLES_DIR)) {
        const auto& path = entry.path();
        if (path.extension() == ".in" || path.extension() == ".out") {
            auto program = path;
            EXPECT_TRUE(std::filesystem::exists(program.replace_extension(".lumo")))
                << path.filename() << " has no program";
        }
    }
}

// The folder's README is where a teacher finds an example by its topic.
TEST(ExamplesFolder, ReadmeIndexesEveryExample) {
    const std::string readme = readFile(std::string(EXAMPLES_DIR) + "/README.md");
    for (const std::string& name : exampleNames()) {
        EXPECT_NE(readme.find("(" + name + ".lumo)"), std::string::npos) << name;
    }
}

}  // namespace
