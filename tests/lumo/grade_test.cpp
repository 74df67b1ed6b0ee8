// lumo test and lumo grade: the sample assignment, and a class of twenty generated
// submissions that between them get every outcome; the JUnit report is parsed and its
// counts and reasons checked.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/run_program.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::runProgram;
using testing_support::scratchFile;
using testing_support::writeFile;

const std::string assignment = std::string(EXAMPLES_DIR) + "/assignment";

// ---- a small XML reader: enough to take a JUnit report apart, strict about its form --------

struct Element {
    std::string name;
    std::map<std::string, std::string> attributes;
    std::vector<Element> children;
    std::string text;
    const Element* child(const std::string& wanted) const {
        for (const Element& c : children) {
            if (c.name == wanted) return &c;
        }
        return nullptr;
    }
};

class XmlReader {
  public:
    explicit XmlReader(std::string text) : s(std::move(text)) {}

    bool parse(Element& root) {
        if (s.rfind("<?xml", 0) == 0) i = s.find("?>") + 2;
        skipBlanks();
        if (!element(root)) return false;
        skipBlanks();
        return i == s.size();
    }

  private:
    std::string s;
    std::size_t i = 0;

    void skipBlanks() {
        while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    }
    bool decode(std::string_view raw, std::string& out) {
        for (std::size_t k = 0; k < raw.size(); ++k) {
            if (raw[k] == '<') return false;
            if (raw[k] != '&') {
                out += raw[k];
                continue;
            }
            const std::size_t end = raw.find(';', k);
            if (end == std::string_view::npos) return false;
            const std::string_view entity = raw.substr(k + 1, end - k - 1);
            static const std::map<std::string_view, char> named = {
                {"amp", '&'},   {"lt", '<'},   {"gt", '>'},   {"quot", '"'},
                {"apos", '\''}, {"#10", '\n'}, {"#13", '\r'}, {"#9", '\t'}};
            const auto found = named.find(entity);
            if (found == named.end()) return false;
            out += found->second;
            k = end;
        }
        return true;
    }
    bool element(Element& e) {
        if (i >= s.size() || s[i] != '<') return false;
        ++i;
        const std::size_t nameEnd = s.find_first_of(" />", i);
        e.name = s.substr(i, nameEnd - i);
        i = nameEnd;
        for (;;) {
            skipBlanks();
            if (s.compare(i, 2, "/>") == 0) {
                i += 2;
                return true;
            }
            if (i < s.size() && s[i] == '>') {
                ++i;
                break;
            }
            const std::size_t eq = s.find('=', i);
            if (eq == std::string::npos || s[eq + 1] != '"') return false;
            const std::string key = s.substr(i, eq - i);
            const std::size_t close = s.find('"', eq + 2);
            if (close == std::string::npos ||
                !decode(std::string_view(s).substr(eq + 2, close - eq - 2), e.attributes[key]))
                return false;
            i = close + 1;
        }
        for (;;) {
            const std::size_t open = s.find('<', i);
            if (open == std::string::npos ||
                !decode(std::string_view(s).substr(i, open - i), e.text))
                return false;
            i = open;
            if (s.compare(i, 2, "</") == 0) {
                const std::string end = "</" + e.name + ">";
                if (s.compare(i, end.size(), end) != 0) return false;
                i += end.size();
                return true;
            }
            e.children.emplace_back();
            if (!element(e.children.back())) return false;
        }
    }
};

Element parseReport(const std::string& path) {
    Element root;
    XmlReader reader(readFile(path));
    EXPECT_TRUE(reader.parse(root)) << readFile(path);
    return root;
}

// ---- the sample assignment ---------------------------------------------------------------

TEST(Grade, SampleAssignment) {
    const std::string report = scratchFile("junit");
    const auto run = runProgram(
        LUMO_PATH, {"grade", assignment + "/submissions", assignment + "/cases", "--junit", report},
        "");
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.out.find("correct        pass          pass     pass        pass          pass   "
                           "     pass        "
                           "pass      7/7"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("wrong_output   wrong         pass"), std::string::npos) << run.out;
    EXPECT_NE(
        run.out.find(
            "wrong_output / all_negative: wrong output: line 2: expected 'max: -2', got 'max: 0'"),
        std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("compile_error.lumo:17:5: error: Expected terminator after statement. "
                           "Found : COUT [E8]"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("\n13 passed, 8 failed\n"), std::string::npos) << run.out;
    const Element root = parseReport(report);
    EXPECT_EQ(root.name, "testsuites");
    EXPECT_EQ(root.attributes.at("tests"), "21");
    EXPECT_EQ(root.attributes.at("failures"), "8");
    std::remove(report.c_str());
}

TEST(Test, OneSubmission) {
    const auto correct = runProgram(
        LUMO_PATH, {"test", assignment + "/submissions/correct.lumo", assignment + "/cases"}, "");
    EXPECT_EQ(correct.status, 0);
    EXPECT_NE(correct.out.find("pass     missing_zero\n"), std::string::npos) << correct.out;
    EXPECT_NE(correct.out.find("7 passed, 0 failed\n"), std::string::npos);
    const auto wrong = runProgram(
        LUMO_PATH, {"test", assignment + "/submissions/wrong_output.lumo", assignment + "/cases"},
        "");
    EXPECT_EQ(wrong.status, 1);
    EXPECT_NE(wrong.out.find("wrong    all_negative: wrong output: line 2"), std::string::npos)
        << wrong.out;
    // A compile error is shown once, located, and fails every case.
    const auto broken = runProgram(
        LUMO_PATH, {"test", assignment + "/submissions/compile_error.lumo", assignment + "/cases"},
        "");
    EXPECT_EQ(broken.status, 1);
    EXPECT_EQ(broken.out.find("compile_error.lumo:17:5: error:"), 0u) << broken.out;
    EXPECT_EQ(broken.out.find("compile_error.lumo:17:5", 1), std::string::npos) << broken.out;
    EXPECT_NE(broken.out.find("compile  basic\n"), std::string::npos);
    EXPECT_NE(broken.out.find("0 passed, 7 failed\n"), std::string::npos);
    EXPECT_EQ(runProgram(LUMO_PATH,
                         {"test", assignment + "/submissions/correct.lumo", "/nonexistent"}, "")
                  .status,
              66);
    EXPECT_EQ(runProgram(LUMO_PATH, {"test", assignment + "/submissions/correct.lumo"}, "").status,
              64);
}

// ---- a class of twenty ---------------------------------------------------------------------

// The task: read n and print 2n and a line break. Each submission below gets, case by case,
// the verdicts listed beside it.
const char head[] = "int n;\nint r;\nconst string newline = \"\\n\";\n";

struct Student {
    const char* name;
    std::string source;
    const char* verdicts;  // one letter per case, in the cases' order: p w c e l
};

std::vector<Student> classOfTwenty() {
    const std::string h = head;
    auto body = [&](const std::string& statements) { return h + "{\n" + statements + "}\n"; };
    const std::string print = "    cout << r;\n    cout << newline;\n";
    std::string chain = "1";
    for (int k = 0; k < 120; ++k) chain += " + 1";
    // Cases, in name order: double (5), empty (no input, status 4), negative (-3),
    // overflow (20000, "Integer overflow!"), word ("abc", status 82).
    return {
        {"s01_correct", body("    cin >> n;\n    r = n * 2;\n" + print), "ppppp"},
        {"s02_correct_sum", body("    cin >> n;\n    r = n + n;\n" + print), "ppppp"},
        {"s03_correct_loop",
         body("    cin >> n;\n    r = 0;\n    r = r + n;\n    r = r + n;\n" + print), "ppppp"},
        {"s04_triple", body("    cin >> n;\n    r = n * 3;\n" + print), "wpwpp"},
        {"s05_no_newline", body("    cin >> n;\n    r = n * 2;\n    cout << r;\n"), "wpwpp"},
        {"s06_extra_line",
         body("    cin >> n;\n    r = n * 2;\n" + print + "    cout << newline;\n"), "wpwpp"},
        {"s07_unary_minus", body("    cin >> n;\n    r = -n;\n" + print), "ccccc"},
        {"s08_missing_semicolon", body("    cin >> n\n    r = n * 2;\n" + print), "ccccc"},
        {"s09_undeclared", body("    cin >> m;\n" + print), "ccccc"},
        {"s10_reads_two", body("    cin >> n;\n    cin >> r;\n    r = n * 2;\n" + print), "epeep"},
        {"s11_divides", body("    cin >> n;\n    r = n / (n - n);\n" + print), "epeep"},
        {"s12_endless", body("    cin >> n;\n    while (n == n) {\n        r = n;\n    };\n"),
         "lpllp"},
        {"s13_deep_stack", body("    cin >> n;\n    r = " + chain + ";\n" + print), "epeep"},
        {"s14_ignores_input", body("    r = 10;\n" + print), "pwwww"},
        {"s15_correct_ifs",
         body("    cin >> n;\n    if (n < 0) {\n        r = 0 - ((0 - n) * 2);\n    } else {\n     "
              "   r = n * 2;\n    };\n" +
              print),
         "ppppp"},
        {"s16_prints_first", body("    cout << newline;\n    cin >> n;\n    r = n * 2;\n" + print),
         "wwwew"},
        {"s17_overflow_early", body("    cin >> n;\n    r = n * 20000;\n" + print), "epepp"},
        {"s18_loop_bounded",
         body("    cin >> n;\n    r = 0;\n    while (r < 2) {\n        r = r + 1;\n    };\n    r = "
              "n * r;\n" +
              print),
         "ppppp"},
        {"s19_string_var", "string s = \"x\";\n{\n}\n", "ccccc"},
        {"s20_wrong_sign", body("    cin >> n;\n    r = n * 2;\n    r = 0 - r;\n" + print),
         "wpwpp"},
    };
}

TEST(Grade, ClassOfTwentyGetsEveryOutcome) {
    const std::string root = scratchFile("class");
    std::remove(root.c_str());
    fs::create_directories(root + "/submissions");
    fs::create_directories(root + "/cases");
    auto addCase = [&](const std::string& name, const std::string& in, const std::string& out,
                       const char* status) {
        writeFile(root + "/cases/" + name + ".in", in);
        writeFile(root + "/cases/" + name + ".out", out);
        if (status != nullptr) writeFile(root + "/cases/" + name + ".status", status);
    };
    addCase("double", "5\n", "10\n", nullptr);
    addCase("empty", "", "", "4\n");
    addCase("negative", "-3\n", "-6\n", nullptr);
    addCase("overflow", "20000\n", "Integer overflow!\n", nullptr);
    addCase("word", "abc\n", "", "82\n");
    const std::vector<Student> students = classOfTwenty();
    ASSERT_EQ(students.size(), 20u);
    for (const Student& s : students)
        writeFile(root + "/submissions/" + s.name + ".lumo", s.source);
    // A file that is no submission is left alone.
    writeFile(root + "/submissions/notes.txt", "not a program");

    const std::string report = root + "/report.xml";
    const auto run = runProgram(LUMO_PATH,
                                {"grade", root + "/submissions", root + "/cases", "--junit", report,
                                 "--max-steps", "100000", "--jobs", "2"},
                                "");
    EXPECT_EQ(run.status, 1);
    const std::map<char, std::string> verdictNames = {
        {'p', "pass"}, {'w', "wrong"}, {'c', "compile"}, {'e', "error"}, {'l', "limit"}};
    const std::map<char, std::string> failureTypes = {
        {'w', "wrong-output"}, {'c', "compile-error"}, {'e', "runtime-error"}, {'l', "step-limit"}};
    const char* const caseNames[] = {"double", "empty", "negative", "overflow", "word"};
    std::size_t failures = 0;
    std::size_t width = std::string("submission").size();
    for (const Student& s : students) width = std::max(width, std::string(s.name).size());
    for (const Student& s : students) {
        // The table's row for the submission.
        std::string row = s.name;
        row.resize(width, ' ');
        row += "  ";
        const std::size_t at = run.out.find("\n" + row);
        ASSERT_NE(at, std::string::npos) << s.name << "\n" << run.out;
        const std::string line = run.out.substr(at + 1, run.out.find('\n', at + 1) - at - 1);
        std::size_t column = row.size();
        for (int k = 0; k < 5; ++k) {
            const std::string expected = verdictNames.at(s.verdicts[k]);
            EXPECT_EQ(line.compare(column, expected.size(), expected), 0)
                << s.name << " " << caseNames[k] << "\n"
                << line;
            column += std::max<std::size_t>(std::string(caseNames[k]).size(), 7) + 2;
            failures += s.verdicts[k] == 'p' ? 0 : 1;
        }
    }

    const Element xml = parseReport(report);
    EXPECT_EQ(xml.attributes.at("tests"), "100");
    EXPECT_EQ(xml.attributes.at("failures"), std::to_string(failures));
    ASSERT_EQ(xml.children.size(), 20u);
    for (std::size_t k = 0; k < students.size(); ++k) {
        const Student& s = students[k];
        const Element& suite = xml.children[k];
        EXPECT_EQ(suite.name, "testsuite");
        EXPECT_EQ(suite.attributes.at("name"), s.name);
        ASSERT_EQ(suite.children.size(), 5u);
        std::size_t failed = 0;
        for (int c = 0; c < 5; ++c) {
            const Element& test = suite.children[static_cast<std::size_t>(c)];
            EXPECT_EQ(test.attributes.at("name"), caseNames[c]);
            EXPECT_EQ(test.attributes.at("classname"), s.name);
            const Element* failure = test.child("failure");
            if (s.verdicts[c] == 'p') {
                EXPECT_EQ(failure, nullptr) << s.name << " " << caseNames[c];
                continue;
            }
            ++failed;
            ASSERT_NE(failure, nullptr) << s.name << " " << caseNames[c];
            EXPECT_EQ(failure->attributes.at("type"), failureTypes.at(s.verdicts[c]))
                << s.name << " " << caseNames[c];
            EXPECT_FALSE(failure->attributes.at("message").empty());
        }
        EXPECT_EQ(suite.attributes.at("failures"), std::to_string(failed)) << s.name;
    }
    // The reasons name what went wrong and where.
    auto reasonOf = [&](int student, int c) {
        return xml.children[static_cast<std::size_t>(student)]
            .children[static_cast<std::size_t>(c)]
            .child("failure")
            ->attributes.at("message");
    };
    EXPECT_EQ(reasonOf(3, 0), "wrong output: line 1: expected '10', got '15'");
    EXPECT_EQ(reasonOf(4, 0), "wrong output: the last line does not end with a line break");
    EXPECT_EQ(reasonOf(5, 0), "wrong output: line 2 is one too many: ''");
    EXPECT_EQ(reasonOf(6, 0).rfind("does not compile: s07_unary_minus.lumo:6:11: error:", 0), 0u)
        << reasonOf(6, 0);
    EXPECT_EQ(reasonOf(9, 0), "runtime error: missing input at s10_reads_two.lumo:6:5");
    EXPECT_EQ(reasonOf(10, 0).rfind("runtime error: divide by zero at s11_divides.lumo:6:11", 0),
              0u)
        << reasonOf(10, 0);
    EXPECT_EQ(reasonOf(11, 0).rfind("step limit reached at s12_endless.lumo:", 0), 0u)
        << reasonOf(11, 0);
    EXPECT_EQ(reasonOf(12, 0), "runtime error: stack overflow at s13_deep_stack.lumo:6:5");
    EXPECT_EQ(
        reasonOf(16, 0).rfind("runtime error: integer overflow at s17_overflow_early.lumo:6:11", 0),
        0u);
    EXPECT_EQ(reasonOf(13, 1), "exit status 0, expected 4; line 1 is one too many: '10'");
    // What the program printed goes with its failure.
    EXPECT_EQ(xml.children[3].children[0].child("system-out")->text, "15\n");
    fs::remove_all(root);
}

TEST(Grade, ReportIsValidXmlWhateverTheProgramPrints) {
    const std::string root = scratchFile("bytes");
    std::remove(root.c_str());
    fs::create_directories(root + "/submissions");
    fs::create_directories(root + "/cases");
    writeFile(root + "/cases/c.in", "");
    writeFile(root + "/cases/c.out", "<&>\n");
    writeFile(root + "/submissions/odd.lumo",
              "const string s = \"<&]]>\xFF\xC3\";\n{\n    cout << s;\n}\n");
    const auto run = runProgram(
        LUMO_PATH, {"grade", root + "/submissions", root + "/cases", "--junit", root + "/r.xml"},
        "");
    EXPECT_EQ(run.status, 1);
    const Element xml = parseReport(root + "/r.xml");
    const Element* out = xml.children.at(0).children.at(0).child("system-out");
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->text, "<&]]>\\xFF\\xC3");
    fs::remove_all(root);
}

}  // namespace
