// Runs compiled programs on korucore's machine and tells their ends in Lumo's terms.
#include "runtime.hpp"

#include <algorithm>

#include "assembler.hpp"
#include "cli.hpp"
#include "machine.hpp"

namespace lumo::runtime {

const char* describe(Ending ending) {
    switch (ending) {
        case Ending::normal:
            return "ended normally";
        case Ending::overflow:
            return "integer overflow";
        case Ending::divideByZero:
            return "divide by zero";
        case Ending::missingInput:
            return "missing input";
        case Ending::badInput:
            return "bad input";
        case Ending::stackOverflow:
            return "stack overflow";
        case Ending::stepLimit:
            return "step limit reached";
        case Ending::fault:
            return "machine fault";
        case Ending::outputFailed:
            return "output failed";
    }
    return "?";
}

int lumoStatus(Ending ending) {
    switch (ending) {
        case Ending::normal:
            return 0;
        case Ending::overflow:
            return cli::overflowStatus;
        case Ending::divideByZero:
            return cli::divideStatus;
        case Ending::missingInput:
        case Ending::badInput:
            return cli::inputStatus;
        case Ending::stackOverflow:
            return cli::stackStatus;
        case Ending::stepLimit:
            return cli::stepLimitStatus;
        case Ending::fault:
            return cli::faultStatus;
        case Ending::outputFailed:
            return cli::ioStatus;
    }
    return cli::faultStatus;
}

int koruStatus(Ending ending) {
    switch (ending) {
        case Ending::normal:
        case Ending::overflow:
        case Ending::divideByZero:
            return 0;
        case Ending::stepLimit:
            return 5;
        case Ending::outputFailed:
            return 6;
        default:
            return 4;
    }
}

bool prepare(std::string source, Compiled& compiled) {
    compiled.source = std::move(source);
    CompileOptions options;
    options.statementMap = true;
    compiled.result = compile(compiled.source, options);
    if (compiled.result.status != 0) return false;
    koru::AssemblyError error;
    if (!koru::assembleText(compiled.result.output, compiled.program, error)) {
        compiled.failure = "the assembly of lumoc's output failed at line " +
                           std::to_string(error.line) + ": " + error.message;
        return false;
    }
    compiled.ok = true;
    return true;
}

int statementOf(const Compiled& compiled, std::uint32_t index) {
    if (index >= compiled.program.lines.size()) return -1;
    return compiled.result.map.statementAt(static_cast<int>(compiled.program.lines[index]));
}

Ending endingOf(koru::Outcome outcome) {
    switch (outcome) {
        case koru::Outcome::halted:
            return Ending::normal;
        case koru::Outcome::overflowTrap:
            return Ending::overflow;
        case koru::Outcome::divideTrap:
            return Ending::divideByZero;
        case koru::Outcome::stackOverflow:
            return Ending::stackOverflow;
        case koru::Outcome::missingInput:
            return Ending::missingInput;
        case koru::Outcome::badInput:
            return Ending::badInput;
        case koru::Outcome::stepLimit:
            return Ending::stepLimit;
        case koru::Outcome::outputFailed:
            return Ending::outputFailed;
        default:
            return Ending::fault;
    }
}

Result resultOf(const Compiled& compiled, const koru::RunResult& run) {
    Result r;
    r.ending = endingOf(run.outcome);
    r.message = run.message;
    r.steps = run.steps;
    if (r.ending != Ending::normal) {
        // A trap is caught in a handler after the program's code: the branch that went there
        // belongs to the statement.
        r.statement =
            statementOf(compiled, koru::isTrap(run.outcome) ? run.trapFrom : run.instruction);
        r.trapFrom = run.trapFrom;
    }
    return r;
}

// For a trap: the operator whose code branched to the handler, found as the k-th such
// operator of the statement's expression for the k-th branch to the handler in its code.
std::size_t trapOperator(const Compiled& compiled, const Result& result) {
    const bool divide = result.ending == Ending::divideByZero;
    if ((!divide && result.ending != Ending::overflow) || result.statement < 0)
        return std::string_view::npos;
    const koru::Program& program = compiled.program;
    if (result.trapFrom >= program.code.size()) return std::string_view::npos;
    const koru::Instruction& branch = program.code[result.trapFrom];
    std::size_t before = 0, all = 0;
    for (const CodeRange& range : compiled.result.map.code) {
        if (range.statement != result.statement) continue;
        for (std::uint32_t i = 0; i < program.code.size(); ++i) {
            const int line = static_cast<int>(program.lines[i]);
            if (line < range.firstLine || line > range.lastLine) continue;
            const koru::Instruction& in = program.code[i];
            if (in.op != branch.op || in.srcMode != branch.srcMode || in.src != branch.src)
                continue;
            ++all;
            if (i < result.trapFrom) ++before;
        }
    }
    const MappedStatement& st =
        compiled.result.map.statements[static_cast<std::size_t>(result.statement)];
    const std::vector<std::size_t> operators =
        hints::trapOperators(compiled.source, st.begin.offset, divide);
    if (operators.size() != all || before >= operators.size()) return std::string_view::npos;
    return operators[before];
}

Result runToEnd(const Compiled& compiled, koru::Input& input, koru::Output& output,
                std::uint64_t maxSteps) {
    koru::Machine machine(compiled.program, input, output);
    const koru::RunResult run = machine.run(maxSteps);
    Result r = resultOf(compiled, run);
    if (!output.flush() && r.ending == Ending::normal) r.ending = Ending::outputFailed;
    return r;
}

SourcePosition placeOf(const Compiled& compiled, const Result& result) {
    SourcePosition p;
    if (result.statement < 0) return p;
    const std::size_t op = trapOperator(compiled, result);
    p.offset = op != std::string_view::npos
                   ? op
                   : compiled.result.map.statements[static_cast<std::size_t>(result.statement)]
                         .begin.offset;
    const std::string_view source = compiled.source;
    const std::size_t lineStart =
        p.offset == 0 ? std::string_view::npos : source.rfind('\n', p.offset - 1);
    const std::size_t begin = lineStart == std::string_view::npos ? 0 : lineStart + 1;
    p.line = 1 + static_cast<int>(std::count(
                     source.begin(), source.begin() + static_cast<std::ptrdiff_t>(begin), '\n'));
    p.column = static_cast<int>(p.offset - begin) + 1;
    return p;
}

// The machine's words without the routine's name, which means nothing in a Lumo program.
std::string machineWords(std::string message) {
    const std::string routine = "getdword: ";
    if (message.rfind(routine, 0) == 0) message.erase(0, routine.size());
    return message;
}

std::string report(std::string_view fileName, const Compiled& compiled, const Result& result,
                   const hints::RenderOptions& options) {
    const std::size_t op = trapOperator(compiled, result);
    const std::string which = op != std::string_view::npos
                                  ? "this '" + std::string(1, compiled.source[op]) + "'"
                                  : std::string();
    std::vector<std::string> notes;
    switch (result.ending) {
        case Ending::overflow:
            notes.push_back(
                "an int holds -32768 to 32767, and the result of " +
                (which.empty() ? std::string("a '+', '-' or '*' here") : which) +
                " left that range; the program printed \"Integer overflow!\" and stopped");
            break;
        case Ending::divideByZero:
            notes.push_back(
                (which.empty() ? std::string("a '/' or '%' here") : which) +
                " divided by 0; the program printed \"Divide by zero!\" and stopped; test the "
                "divisor first: 'if (b != 0) { ... };'");
            break;
        case Ending::missingInput:
            notes.push_back("'cin >>' found no number left in the input");
            break;
        case Ending::badInput:
            notes.push_back(machineWords(result.message) +
                            "; the input holds whole numbers from -32768 to 32767, separated "
                            "by spaces or line breaks");
            break;
        case Ending::stackOverflow:
            notes.push_back(
                "an expression here keeps more than the machine's 111 words on its stack at once; "
                "group a long chain from the left, '((a + b) + c) + ...'");
            break;
        case Ending::stepLimit:
            notes.push_back(
                "the program ran " + std::to_string(result.steps) +
                " instructions without ending: is a loop's condition never false? (--max-steps "
                "sets the limit)");
            break;
        case Ending::fault:
            notes.push_back(result.message);
            break;
        default:
            break;
    }
    const std::string message = std::string(describe(result.ending));
    if (result.statement < 0) return std::string(fileName) + ": runtime error: " + message + "\n";
    const MappedStatement& st =
        compiled.result.map.statements[static_cast<std::size_t>(result.statement)];
    const std::string_view source = compiled.source;
    std::size_t lineEnd = source.find('\n', st.begin.offset);
    if (lineEnd == std::string_view::npos) lineEnd = source.size();
    // Underlined: the statement on its first line, up to its ";" or, for an if or a while, its "{".
    std::size_t end = std::min(st.end.offset, lineEnd);
    if (st.kind == CodeKind::ifStatement || st.kind == CodeKind::whileStatement) {
        const std::size_t brace = source.find('{', st.begin.offset);
        if (brace != std::string_view::npos && brace < end) end = brace + 1;
    }
    if (op != std::string_view::npos)
        return hints::render(fileName, source, op, 1, "runtime error", message, "", notes, options);
    return hints::render(fileName, source, st.begin.offset,
                         end > st.begin.offset ? end - st.begin.offset : 0, "runtime error",
                         message, "", notes, options);
}

}  // namespace lumo::runtime
