#include "grading.hpp"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <thread>

#include "cli.hpp"

namespace lumo::grading {

namespace fs = std::filesystem;

namespace {

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t end = text.find('\n', i);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(i, end - i));
        i = end + 1;
    }
    return lines;
}

// A line of output as a reason shows it: quoted, unprintable bytes as \xNN, cut short.
std::string shown(const std::string& line) {
    std::string out = "'";
    for (unsigned char c : line.substr(0, 60)) {
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out + (line.size() > 60 ? "...'" : "'");
}

// The first difference between what was expected and what was printed.
std::string firstDifference(const std::string& expected, const std::string& actual) {
    const std::vector<std::string> want = linesOf(expected), got = linesOf(actual);
    for (std::size_t k = 0; k < std::max(want.size(), got.size()); ++k) {
        const std::string number = std::to_string(k + 1);
        if (k >= got.size())
            return got.empty() ? "no output; line 1 should be " + shown(want[k])
                               : "the output ends after line " + std::to_string(k) + "; line " +
                                     number + " should be " + shown(want[k]);
        if (k >= want.size()) return "line " + number + " is one too many: " + shown(got[k]);
        if (want[k] != got[k])
            return "line " + number + ": expected " + shown(want[k]) + ", got " + shown(got[k]);
    }
    const bool wantEnd = !expected.empty() && expected.back() == '\n';
    return wantEnd ? "the last line does not end with a line break"
                   : "the last line ends with a line break too many";
}

std::string seconds(double s) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", s);
    return text;
}

std::string attribute(std::string_view text) {
    std::string out = xmlText(text);
    std::string escaped;
    for (char c : out) {
        if (c == '\n')
            escaped += "&#10;";
        else if (c == '\r')
            escaped += "&#13;";
        else if (c == '\t')
            escaped += "&#9;";
        else
            escaped += c;
    }
    return escaped;
}

}  // namespace

const char* nameOf(Verdict verdict) {
    switch (verdict) {
        case Verdict::pass:
            return "pass";
        case Verdict::wrong:
            return "wrong";
        case Verdict::compile:
            return "compile";
        case Verdict::error:
            return "error";
        case Verdict::limit:
            return "limit";
    }
    return "?";
}

bool loadCases(const std::string& dir, std::vector<Case>& cases, std::string& error) {
    std::error_code failed;
    fs::directory_iterator entries(dir, failed);
    if (failed) {
        error = "cannot read '" + dir + "': " + failed.message();
        return false;
    }
    std::map<std::string, Case> byName;
    std::map<std::string, int> present;  // 1: .in, 2: .out
    for (const fs::directory_entry& entry : entries) {
        const fs::path& path = entry.path();
        const std::string extension = path.extension().string();
        if (extension != ".in" && extension != ".out" && extension != ".status") continue;
        const std::string name = path.stem().string();
        Case& c = byName[name];
        c.name = name;
        std::string text, why;
        if (!cli::readSource(path.string(), text, why)) {
            error = "cannot read '" + path.string() + "'";
            return false;
        }
        if (extension == ".in") {
            c.input = text;
            present[name] |= 1;
        } else if (extension == ".out") {
            c.expected = text;
            present[name] |= 2;
        } else {
            unsigned long long value = 0;
            const std::size_t end = text.find_last_not_of(" \t\r\n");
            if (!cli::parseCount(text.substr(0, end == std::string::npos ? 0 : end + 1), value) ||
                value > 255) {
                error = "'" + path.string() + "' holds no exit status";
                return false;
            }
            c.hasStatus = true;
            c.status = static_cast<int>(value);
        }
    }
    for (auto& [name, c] : byName) {
        if (present[name] != 3) {
            error = "case '" + name + "' in '" + dir + "' needs both " + name + ".in and " + name +
                    ".out";
            return false;
        }
        cases.push_back(std::move(c));
    }
    if (cases.empty()) {
        error = "no cases (NAME.in and NAME.out) in '" + dir + "'";
        return false;
    }
    return true;
}

void prepare(Submission& s) {
    std::string source, error;
    if (!cli::readSource(s.path, source, error)) {
        s.diagnostic = s.path + ": cannot be read: " + error + "\n";
        return;
    }
    if (!runtime::prepare(source, s.compiled)) {
        const std::string name = fs::path(s.path).filename().string();
        s.diagnostic = s.compiled.failure.empty()
                           ? hints::report(name, s.compiled.source, s.compiled.result, {})
                           : name + ": " + s.compiled.failure + "\n";
    }
}

Outcome judge(const Case& c, const std::string& output, runtime::Ending ending,
              const std::string& where) {
    Outcome o;
    o.output = output;
    const int koru = runtime::koruStatus(ending), lumo = runtime::lumoStatus(ending);
    const int expected = c.hasStatus ? c.status : 0;
    const bool lumoKind = expected >= cli::overflowStatus && expected <= cli::faultStatus;
    const bool statusOk = lumoKind ? lumo == expected : koru == expected;
    const bool outputOk = output == c.expected;
    const std::string at = where.empty() ? "" : " at " + where;
    if (statusOk && outputOk) return o;
    if (!statusOk && ending == runtime::Ending::stepLimit) {
        o.verdict = Verdict::limit;
        o.reason = std::string("step limit reached") + at + ": an endless loop?";
    } else if (!statusOk && koru == 4) {
        o.verdict = Verdict::error;
        o.reason = std::string("runtime error: ") + runtime::describe(ending) + at;
    } else if (!statusOk) {
        o.verdict = Verdict::wrong;
        o.reason = "exit status " + std::to_string(lumoKind ? lumo : koru) + ", expected " +
                   std::to_string(expected);
        if (ending != runtime::Ending::normal)
            o.reason += " (" + std::string(runtime::describe(ending)) + at + ")";
        if (!outputOk) o.reason += "; " + firstDifference(c.expected, output);
    } else if (ending == runtime::Ending::overflow || ending == runtime::Ending::divideByZero) {
        o.verdict = Verdict::error;
        o.reason = std::string("runtime error: ") + runtime::describe(ending) + at + "; " +
                   firstDifference(c.expected, output);
    } else {
        o.verdict = Verdict::wrong;
        o.reason = "wrong output: " + firstDifference(c.expected, output);
    }
    return o;
}

Outcome runCase(const Submission& s, const Case& c, std::uint64_t maxSteps) {
    const auto start = std::chrono::steady_clock::now();
    Outcome o;
    if (!s.compiled.ok) {
        o.verdict = Verdict::compile;
        const std::size_t line = s.diagnostic.find('\n');
        o.reason = "does not compile: " + s.diagnostic.substr(0, line);
        o.detail = s.diagnostic;
    } else {
        koru::Input input(c.input);
        koru::Output output(nullptr);
        const runtime::Result r = runtime::runToEnd(s.compiled, input, output, maxSteps);
        std::string where;
        const std::string name = fs::path(s.path).filename().string();
        const SourcePosition at = runtime::placeOf(s.compiled, r);
        if (at.line > 0)
            where = name + ":" + std::to_string(at.line) + ":" + std::to_string(at.column);
        o = judge(c, output.text(), r.ending, where);
        if (o.verdict == Verdict::error || o.verdict == Verdict::limit ||
            (o.verdict == Verdict::wrong && r.ending != runtime::Ending::normal))
            o.detail = runtime::report(name, s.compiled, r, {});
    }
    o.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return o;
}

void gradeAll(std::vector<Submission>& submissions, const std::vector<Case>& cases,
              std::uint64_t maxSteps, unsigned jobs) {
    jobs = std::max(1u, jobs);
    auto inParallel = [jobs](std::size_t count, auto work) {
        std::atomic<std::size_t> next{0};
        std::vector<std::thread> threads;
        for (unsigned t = 0; t < std::min<std::size_t>(jobs, count); ++t) {
            threads.emplace_back([&] {
                for (std::size_t i; (i = next++) < count;) work(i);
            });
        }
        for (std::thread& t : threads) t.join();
    };
    inParallel(submissions.size(), [&](std::size_t i) { prepare(submissions[i]); });
    for (Submission& s : submissions) s.outcomes.assign(cases.size(), Outcome());
    // One task per run, so that a submission that loops does not hold up the others.
    inParallel(submissions.size() * cases.size(), [&](std::size_t i) {
        Submission& s = submissions[i / cases.size()];
        s.outcomes[i % cases.size()] = runCase(s, cases[i % cases.size()], maxSteps);
    });
}

std::string table(const std::vector<Submission>& submissions, const std::vector<Case>& cases) {
    std::size_t first = std::string("submission").size();
    for (const Submission& s : submissions) first = std::max(first, s.name.size());
    std::vector<std::size_t> widths;
    for (const Case& c : cases) widths.push_back(std::max<std::size_t>(c.name.size(), 7));
    auto cell = [](std::string text, std::size_t width) {
        text.resize(std::max(width, text.size()), ' ');
        return text + "  ";
    };
    std::string out = cell("submission", first);
    for (std::size_t k = 0; k < cases.size(); ++k) out += cell(cases[k].name, widths[k]);
    out += "passed\n";
    for (const Submission& s : submissions) {
        out += cell(s.name, first);
        std::size_t passed = 0;
        for (std::size_t k = 0; k < cases.size(); ++k) {
            out += cell(nameOf(s.outcomes[k].verdict), widths[k]);
            passed += s.outcomes[k].verdict == Verdict::pass ? 1 : 0;
        }
        out += std::to_string(passed) + "/" + std::to_string(cases.size()) + "\n";
    }
    bool heading = false;
    for (const Submission& s : submissions) {
        if (!s.compiled.ok) {
            out +=
                std::string(heading ? "" : "\n") + s.name + ": does not compile\n" + s.diagnostic;
            heading = true;
            continue;
        }
        for (std::size_t k = 0; k < cases.size(); ++k) {
            const Outcome& o = s.outcomes[k];
            if (o.verdict == Verdict::pass) continue;
            out += std::string(heading ? "" : "\n") + s.name + " / " + cases[k].name + ": " +
                   o.reason + "\n";
            heading = true;
        }
    }
    return out;
}

std::string xmlText(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = text[i];
        std::size_t run = 0;
        if (c >= 0xC2 && c <= 0xF4) {
            run = c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
            if (i + run > text.size()) run = 0;
            for (std::size_t k = 1; run != 0 && k < run; ++k) {
                if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) run = 0;
            }
        }
        if (run != 0) {
            out.append(text.substr(i, run));
            i += run - 1;
        } else if (c == '&') {
            out += "&amp;";
        } else if (c == '<') {
            out += "&lt;";
        } else if (c == '>') {
            out += "&gt;";
        } else if (c == '"') {
            out += "&quot;";
        } else if (c == '\'') {
            out += "&apos;";
        } else if ((c >= 0x20 && c < 0x7F) || c == '\n' || c == '\t' || c == '\r') {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

std::string junit(const std::vector<Submission>& submissions, const std::vector<Case>& cases) {
    std::size_t failures = 0;
    double total = 0;
    std::string suites;
    for (const Submission& s : submissions) {
        std::size_t failed = 0;
        double time = 0;
        std::string body;
        for (std::size_t k = 0; k < cases.size(); ++k) {
            const Outcome& o = s.outcomes[k];
            time += o.seconds;
            body += "    <testcase name=\"" + attribute(cases[k].name) + "\" classname=\"" +
                    attribute(s.name) + "\" time=\"" + seconds(o.seconds) + "\"";
            if (o.verdict == Verdict::pass) {
                body += "/>\n";
                continue;
            }
            ++failed;
            static const std::map<Verdict, const char*> types = {
                {Verdict::wrong, "wrong-output"},
                {Verdict::compile, "compile-error"},
                {Verdict::error, "runtime-error"},
                {Verdict::limit, "step-limit"}};
            body += ">\n      <failure type=\"" + std::string(types.at(o.verdict)) +
                    "\" message=\"" + attribute(o.reason) + "\">" +
                    xmlText(o.detail.empty() ? o.reason + "\n" : o.detail) + "</failure>\n";
            if (o.verdict != Verdict::compile)
                body +=
                    "      <system-out>" + xmlText(o.output.substr(0, 1 << 16)) + "</system-out>\n";
            body += "    </testcase>\n";
        }
        failures += failed;
        total += time;
        suites += "  <testsuite name=\"" + attribute(s.name) + "\" tests=\"" +
                  std::to_string(cases.size()) + "\" failures=\"" + std::to_string(failed) +
                  "\" errors=\"0\" skipped=\"0\" time=\"" + seconds(time) + "\">\n" + body +
                  "  </testsuite>\n";
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"lumo grade\" tests=\"" +
           std::to_string(submissions.size() * cases.size()) + "\" failures=\"" +
           std::to_string(failures) + "\" errors=\"0\" time=\"" + seconds(total) + "\">\n" +
           suites + "</testsuites>\n";
}

}  // namespace lumo::grading
