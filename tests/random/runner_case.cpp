// One case of the differential test, from generation to verdict.
#include <algorithm>
#include <filesystem>
#include <sstream>

#include "eval_program.hpp"
#include "eval_run.hpp"
#include "process.hpp"
#include "runner.hpp"

namespace lumorun {

namespace {

constexpr int kStackWords = 60;  // expressions must leave the machine stack ample room
constexpr size_t kShownLines = 150;

std::string mode(const Case& c) {
    return c.fault == lumogen::FaultKind::None ? "correct program"
                                               : std::string(faultKindName(c.fault)) + " fault";
}

template <class F>
void forEachExpr(const std::vector<lumoeval::Stmt>& body, F f) {
    for (const lumoeval::Stmt& s : body) {
        if (s.kind != lumoeval::Stmt::Kind::Cin && s.kind != lumoeval::Stmt::Kind::Cout) f(s.expr);
        forEachExpr(s.body, f);
        forEachExpr(s.elseBody, f);
    }
}

int deepestExpression(const lumoeval::Program& program) {
    int deepest = 0;
    forEachExpr(program.body, [&deepest](const lumoeval::Expr& e) {
        deepest = std::max(deepest, lumoeval::stackDepth(e));
    });
    return deepest;
}

std::string showProgram(const std::string& text, const std::string& file) {
    std::istringstream lines(text);
    std::ostringstream out;
    std::string line;
    size_t n = 0;
    while (std::getline(lines, line)) {
        if (++n <= kShownLines) out << "    | " << visible(line, 0, 400) << "\n";
    }
    if (n > kShownLines)
        out << "    ... " << (n - kShownLines) << " more lines in " << file << "\n";
    return out.str();
}

std::string endingOf(lumoeval::RunResult::End end) {
    if (end == lumoeval::RunResult::End::Overflow) return "overflow";
    if (end == lumoeval::RunResult::End::DivideByZero) return "divide";
    return "";
}

}  // namespace

CaseRunner::CaseRunner(const Config& config, std::string scratch)
    : config_(config), scratch_(std::move(scratch)) {}

Outcome CaseRunner::run(const Case& c) {
    const lumogen::Generated g = lumogen::generate(
        lumogen::Request{static_cast<uint64_t>(c.seed), config_.size, c.fault, config_.avoid});
    if (!writeFile(scratch_ + "/prog.lumo", g.program) ||
        !writeFile(scratch_ + "/prog.in", g.input)) {
        return failure(c, g, "cannot write to the scratch folder " + scratch_, "");
    }
    return c.fault == lumogen::FaultKind::None ? runCorrect(c, g) : runFaulty(c, g);
}

Outcome CaseRunner::runCorrect(const Case& c, const lumogen::Generated& g) {
    lumoeval::RunResult expected;
    std::string detail;
    std::string why = expectation(g, expected, detail);
    if (!why.empty()) return failure(c, g, why, detail);
    int status = 0;
    why = runTool({config_.lumoc}, "prog.lumo", "prog.asm", config_.lumocTimeout, status);
    if (why.empty() && status != 0) {
        why = "lumoc rejected a correct program with status " + std::to_string(status);
    }
    if (!why.empty())
        return failure(c, g, why, "  lumoc wrote:\n    " + scratchText("prog.asm") + "\n");
    why = runTool({config_.koru, scratch_ + "/prog.asm"}, "prog.in", "koru.out",
                  config_.koruTimeout, status);
    if (why.empty() && status != 0) why = "koru ended with status " + std::to_string(status);
    const std::string actual = scratchText("koru.out", std::string::npos);
    if (why.empty() && actual != expected.output)
        why = "koru's output differs from the evaluator's";
    if (why.empty()) return Outcome{true, "", "", endingOf(expected.end)};
    return failure(c, g, why,
                   firstDifference(expected.output, actual) + "  koru's standard error:\n    " +
                       scratchText("stderr") + "\n");
}

// What a correct program must print; or why the generated case cannot be used, which is a
// fault of the generator or the evaluator.
std::string CaseRunner::expectation(const lumogen::Generated& g, lumoeval::RunResult& expected,
                                    std::string& detail) const {
    const lumoeval::Analysis a = lumoeval::analyse(g.program);
    if (!a.ok) {
        detail = a.failure.text;
        return "generator wrote a program the evaluator rejects";
    }
    const int depth = deepestExpression(a.program);
    if (depth > kStackWords) {
        return "generator wrote an expression needing " + std::to_string(depth) + " stack words";
    }
    expected = lumoeval::run(a.program, g.input);
    if (lumoeval::isProgramBehaviour(expected.end)) return "";
    detail = expected.detail;
    return "evaluator cannot judge the run";
}

Outcome CaseRunner::runFaulty(const Case& c, const lumogen::Generated& g) {
    const lumoeval::Analysis a = lumoeval::analyse(g.program);
    const int planted = g.planted.status;
    if (a.ok || a.failure.undefined || a.failure.status != planted) {
        const std::string says = a.ok ? "accepts the program" : a.failure.text;
        return failure(c, g, "generator and evaluator disagree on the planted error",
                       "  planted " + std::to_string(planted) + " (" + g.planted.what +
                           "); the evaluator's analysis: " + visible(says, 0, 400) + "\n");
    }
    int status = 0;
    std::string why =
        runTool({config_.lumoc}, "prog.lumo", "prog.asm", config_.lumocTimeout, status);
    const std::string out = scratchText("prog.asm", std::string::npos);
    if (why.empty() && status != planted) {
        why = "lumoc ended with status " + std::to_string(status) + ", expected " +
              std::to_string(planted);
    }
    if (why.empty() && out != a.failure.text)
        why = "lumoc's diagnostic differs from the expected one";
    if (why.empty()) return Outcome{true, "", "", ""};
    const bool wroteAsm =
        out.find("\tMCO") != std::string::npos || out.find("\nmain\n") != std::string::npos;
    return failure(c, g, why,
                   "  planted: " + g.planted.what + "\n" + firstDifference(a.failure.text, out) +
                       (wroteAsm ? "  lumoc wrote assembly text as well\n" : ""));
}

// Runs a tool on files of the scratch folder (its standard error goes to "stderr"); returns
// why it could not run to an end, or nothing.
std::string CaseRunner::runTool(const std::vector<std::string>& argv, const std::string& in,
                                const std::string& out, double timeout, int& status) const {
    const ProcessResult r =
        runProcess(argv, scratch_ + "/" + in, scratch_ + "/" + out, scratch_ + "/stderr", timeout);
    status = r.exitStatus;
    if (!r.error.empty()) return r.error;
    return r.timedOut ? argv[0] + " timed out" : "";
}

// A scratch file's text, cut to `limit` bytes and made visible unless the limit is npos.
std::string CaseRunner::scratchText(const std::string& name, size_t limit) const {
    std::string text;
    readFile(scratch_ + "/" + name, text);
    return limit == std::string::npos ? text : visible(text, 0, limit);
}

Outcome CaseRunner::failure(const Case& c, const lumogen::Generated& g, const std::string& summary,
                            const std::string& details) {
    const std::string kept = keep(c, g);
    std::ostringstream r;
    r << "FAIL seed " << c.seed << " (" << mode(c) << ", size " << g.size << "): " << summary
      << "\n"
      << commands(c) << details;
    if (!g.planted.what.empty() && details.find("planted") == std::string::npos) {
        r << "  planted: " << g.planted.what << "\n";
    }
    r << "  program (" << kept << ".lumo):\n" << showProgram(g.program, kept + ".lumo");
    if (!g.input.empty()) r << "  input: " << visible(g.input, 0, 300) << "\n";
    return Outcome{false, "FAIL seed " + std::to_string(c.seed) + " (" + mode(c) + "): " + summary,
                   r.str(), ""};
}

std::string CaseRunner::commands(const Case& c) const {
    const bool faulty = c.fault != lumogen::FaultKind::None;
    const std::string fault = faulty ? std::string(" --fault ") + faultKindName(c.fault) : "";
    std::string size = config_.size >= 0 ? " --size " + std::to_string(config_.size) : "";
    if (!config_.avoidList.empty()) size += " --avoid " + config_.avoidList;
    std::ostringstream r;
    r << "  rerun:     " << config_.self << " " << config_.lumoc << " " << config_.koru
      << " --seeds " << c.seed << (faulty ? " --mode fault" : " --mode normal") << fault << size
      << "\n";
    r << "  reproduce: " << config_.lumogen << " --seed " << c.seed << fault << size
      << (faulty ? " --expect-out expected.txt" : " --input-out prog.in") << " > prog.lumo\n";
    r << "             " << config_.lumoc << " < prog.lumo > prog.asm; echo $?\n";
    if (!faulty) r << "             " << config_.koru << " prog.asm < prog.in\n";
    return r.str();
}

// Copies the failing case's files where they outlive the run.
std::string CaseRunner::keep(const Case& c, const lumogen::Generated& g) {
    namespace fs = std::filesystem;
    const std::string base =
        config_.keepDir + "/seed-" + std::to_string(c.seed) +
        (c.fault == lumogen::FaultKind::None ? "" : std::string("-") + faultKindName(c.fault));
    std::error_code ec;
    fs::create_directories(config_.keepDir, ec);
    writeFile(base + ".lumo", g.program);
    if (!g.input.empty()) writeFile(base + ".in", g.input);
    fs::copy_file(scratch_ + "/prog.asm", base + ".asm", fs::copy_options::overwrite_existing, ec);
    return base;
}

std::string visible(const std::string& text, size_t from, size_t count) {
    std::string out;
    const size_t end = std::min(text.size(), from + count);
    for (size_t i = std::min(from, text.size()); i < end; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c >= 0x7F || c == '\\') {
            static const char* hex = "0123456789abcdef";
            out += c == '\\' ? std::string("\\\\") : std::string("\\x") + hex[c >> 4] + hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    if (end < text.size()) out += "...";
    return out;
}

std::string firstDifference(const std::string& expected, const std::string& actual) {
    size_t at = 0;
    while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) ++at;
    const size_t from = at > 200 ? at - 200 : 0;
    std::ostringstream r;
    r << "  expected (" << expected.size() << " bytes) and actual (" << actual.size()
      << " bytes) first differ at byte " << at << ":\n";
    r << "    expected: " << (from > 0 ? "..." : "") << visible(expected, from, 600) << "\n";
    r << "    actual:   " << (from > 0 ? "..." : "") << visible(actual, from, 600) << "\n";
    return r.str();
}

}  // namespace lumorun
