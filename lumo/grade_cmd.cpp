// `lumo test FILE CASES_DIR` and `lumo grade SUBMISSIONS_DIR CASES_DIR`.
#include <algorithm>
#include <filesystem>
#include <iostream>
#include <thread>

#include "cli.hpp"
#include "grading.hpp"

namespace lumo::cli {

namespace {

namespace fs = std::filesystem;

// Under a second of the machine's time here (140 million instructions a second): far more than
// a program a course asks for needs, and all that an endless loop costs.
constexpr unsigned long long defaultSteps = 100000000;

struct GradeOptions {
    std::vector<std::string> operands;
    unsigned long long maxSteps = defaultSteps;
    unsigned long long jobs = 0;
    std::string junit;
};

int parse(const std::string& command, const std::vector<std::string>& args, GradeOptions& o) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](const char* option, std::string& into) {
            return optionValue(args, i, option, into);
        };
        std::string text;
        if (value("--max-steps", text)) {
            if (!parseCount(text, o.maxSteps))
                return usage(command, "--max-steps takes a whole number");
        } else if (command == "grade" && value("--jobs", text)) {
            if (!parseCount(text, o.jobs) || o.jobs == 0 || o.jobs > 1024)
                return usage(command, "--jobs takes a number from 1 to 1024");
        } else if (value("--junit", o.junit)) {
        } else if (a.size() > 1 && a[0] == '-') {
            return usage(command, "unknown option '" + a + "'");
        } else {
            o.operands.push_back(a);
        }
    }
    if (o.operands.size() != 2)
        return usage(command, command == "test" ? "test takes FILE and CASES_DIR"
                                                : "grade takes SUBMISSIONS_DIR and CASES_DIR");
    return 0;
}

int finish(const GradeOptions& o, const std::vector<grading::Submission>& submissions,
           const std::vector<grading::Case>& cases) {
    std::size_t passed = 0, failed = 0;
    for (const grading::Submission& s : submissions) {
        for (const grading::Outcome& outcome : s.outcomes)
            (outcome.verdict == grading::Verdict::pass ? passed : failed)++;
    }
    std::cout << passed << " passed, " << failed << " failed\n" << std::flush;
    if (!o.junit.empty()) {
        std::string error;
        if (!writeWhole(o.junit, grading::junit(submissions, cases), error)) {
            std::cerr << "lumo: cannot write '" << o.junit << "': " << error << "\n";
            return cantWriteStatus;
        }
    }
    if (!std::cout) return ioStatus;
    return failed == 0 ? 0 : failedStatus;
}

}  // namespace

int test(const std::vector<std::string>& args) {
    GradeOptions o;
    if (const int bad = parse("test", args, o)) return bad;
    std::vector<grading::Case> cases;
    std::string error;
    if (!grading::loadCases(o.operands[1], cases, error)) {
        std::cerr << "lumo: " << error << "\n";
        return noInputStatus;
    }
    std::vector<grading::Submission> submissions(1);
    grading::Submission& s = submissions.front();
    s.path = o.operands[0];
    s.name = fs::path(s.path).stem().string();
    {
        std::string text;
        if (!readSource(s.path, text, error)) {
            std::cerr << "lumo: cannot read '" << s.path << "': " << error << "\n";
            return noInputStatus;
        }
    }
    grading::gradeAll(submissions, cases, o.maxSteps, 1);
    if (!s.compiled.ok) std::cout << s.diagnostic;
    for (std::size_t k = 0; k < cases.size(); ++k) {
        const grading::Outcome& outcome = s.outcomes[k];
        if (outcome.verdict == grading::Verdict::pass) {
            std::cout << "pass     " << cases[k].name << "\n";
            continue;
        }
        std::string verdict = grading::nameOf(outcome.verdict);
        verdict.resize(9, ' ');
        // A compile error was shown once, above.
        if (outcome.verdict == grading::Verdict::compile) {
            std::cout << verdict << cases[k].name << "\n";
            continue;
        }
        std::cout << verdict << cases[k].name << ": " << outcome.reason << "\n";
        if (outcome.verdict != grading::Verdict::compile && !outcome.detail.empty())
            std::cout << outcome.detail;
    }
    return finish(o, submissions, cases);
}

int grade(const std::vector<std::string>& args) {
    GradeOptions o;
    if (const int bad = parse("grade", args, o)) return bad;
    std::vector<grading::Case> cases;
    std::string error;
    if (!grading::loadCases(o.operands[1], cases, error)) {
        std::cerr << "lumo: " << error << "\n";
        return noInputStatus;
    }
    std::vector<grading::Submission> submissions;
    std::error_code failed;
    for (const fs::directory_entry& entry : fs::directory_iterator(o.operands[0], failed)) {
        if (entry.path().extension() != ".lumo") continue;
        grading::Submission s;
        s.path = entry.path().string();
        s.name = entry.path().stem().string();
        submissions.push_back(std::move(s));
    }
    if (failed) {
        std::cerr << "lumo: cannot read '" << o.operands[0] << "': " << failed.message() << "\n";
        return noInputStatus;
    }
    if (submissions.empty()) {
        std::cerr << "lumo: no .lumo files in '" << o.operands[0] << "'\n";
        return noInputStatus;
    }
    std::sort(
        submissions.begin(), submissions.end(),
        [](const grading::Submission& a, const grading::Submission& b) { return a.name < b.name; });
    const unsigned jobs = o.jobs != 0 ? static_cast<unsigned>(o.jobs)
                                      : std::max(1u, std::thread::hardware_concurrency());
    grading::gradeAll(submissions, cases, o.maxSteps, jobs);
    std::cout << grading::table(submissions, cases);
    return finish(o, submissions, cases);
}

}  // namespace lumo::cli
