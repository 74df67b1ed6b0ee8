// `lumo test` and `lumo grade`: cases read from a folder, each submission run against each
// case with a step limit, the outcome of every run kept apart (passed, wrong output,
// compile error, run-time error or trap, step limit), a table, and a JUnit XML report.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime.hpp"

namespace lumo::grading {

// NAME.in, NAME.out and, optionally, NAME.status.
struct Case {
    std::string name;
    std::string input;
    std::string expected;
    bool hasStatus = false;
    int status = 0;  // 0, 4 or 5 as koru gives them, or one of lumo run's 80 to 85
};

// The cases of `dir`, sorted by name; false with `error` when the folder cannot be read, a
// NAME.in has no NAME.out (or the other way round) or a NAME.status holds no number.
bool loadCases(const std::string& dir, std::vector<Case>& cases, std::string& error);

enum class Verdict { pass, wrong, compile, error, limit };
const char* nameOf(Verdict verdict);  // "pass", "wrong", "compile", "error", "limit"

struct Outcome {
    Verdict verdict = Verdict::pass;
    std::string reason;  // one line, for the table's list and the JUnit failure message
    std::string detail;  // lines: the located diagnostic or run-time error
    std::string output;  // what the program printed
    double seconds = 0;
};

struct Submission {
    std::string name;  // the file name without .lumo
    std::string path;
    runtime::Compiled compiled;
    std::string diagnostic;         // the check form of a compile error, if any
    std::vector<Outcome> outcomes;  // one per case
};

// Reads and compiles a submission; a file that cannot be read counts as a compile error.
void prepare(Submission& s);

// Runs one case; `prepare` must have been called.
Outcome runCase(const Submission& s, const Case& c, std::uint64_t maxSteps);

// Judges a finished run: what it printed and how it ended against the case.
Outcome judge(const Case& c, const std::string& output, runtime::Ending ending,
              const std::string& where);

// Runs every submission against every case on `jobs` threads.
void gradeAll(std::vector<Submission>& submissions, const std::vector<Case>& cases,
              std::uint64_t maxSteps, unsigned jobs);

// The table: one row per submission, one column per case, and the reasons below it.
std::string table(const std::vector<Submission>& submissions, const std::vector<Case>& cases);

// The JUnit XML report: a test suite per submission, a test case per case.
std::string junit(const std::vector<Submission>& submissions, const std::vector<Case>& cases);

// Text made safe for XML 1.0: markup escaped, and bytes XML cannot hold (control bytes,
// invalid UTF-8) written as \xNN.
std::string xmlText(std::string_view text);

}  // namespace lumo::grading
