// lumobench: times the compiler's phases in process on the benchmark programs.
//
//   scan      the scanner alone, token by token up to the program's closing brace
//   analyse   the whole analysis (scanning included) into the symbol table and the tree
//   rpe       the reverse Polish conversion of every expression of an analysed tree
//   generate  the assembly of an analysed program, written to /dev/null
//   compile   analysis and generation together, as one lumoc run does them
//
// Sizes default to 10000 and 100000 statements; `--lumo_sizes=N,M,...` chooses others.
// The usual Google Benchmark flags (--benchmark_filter=..., ...) apply.
//
// Benchmarks that analyse run a fixed number of iterations, about
// `statementsPerAnalysis` statements' worth and at most 100, to keep the run short.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <memory>

#include "genprog.hpp"
#include "programgen.hpp"

namespace {

constexpr long statementsPerAnalysis = 500000;

// An analysed program, with the compilation that holds its tree; its output goes to
// /dev/null.
struct Analysed {
    std::unique_ptr<lumo::Compilation> compilation;
    lumo::SymTab* symtab = nullptr;
    lumo::AST* ast = nullptr;
    int labelCount = 0;
};

int devNull() {
    static int fd = ::open("/dev/null", O_WRONLY);
    return fd;
}

// The Lumo benchmark program of each size, generated once.
const std::string& programText(long statements) {
    static std::map<long, std::string> texts;
    auto found = texts.find(statements);
    if (found == texts.end()) {
        std::string text = benchgen::generateProgram(statements, benchgen::Language::lumo);
        found = texts.emplace(statements, std::move(text)).first;
    }
    return found->second;
}

Analysed analyse(const std::string& text) {
    Analysed result;
    result.compilation = std::make_unique<lumo::Compilation>(devNull());
    result.compilation->scanner.source.openText(text);
    result.compilation->analyser.synAnal(result.symtab, result.ast, result.labelCount);
    return result;
}

// The analysed program of each size, for the phases that start from a tree.
const Analysed& analysedProgram(long statements) {
    static std::map<long, Analysed> trees;
    auto found = trees.find(statements);
    if (found == trees.end())
        found = trees.emplace(statements, analyse(programText(statements))).first;
    return found->second;
}

// Every expression of a statement list: assigned values and conditions, nested included.
void collectExpressions(lumo::AST* list, std::vector<lumo::Expression*>& expressions) {
    for (lumo::AST* node = list; node != nullptr; node = node->next) {
        if (node->kind == lumo::ASSIGN_ST) {
            expressions.push_back(node->assignSt->exp);
        } else if (node->kind == lumo::IF_ST) {
            expressions.push_back(node->ifSt->condition);
            collectExpressions(node->ifSt->thenPart, expressions);
            collectExpressions(node->ifSt->elsePart, expressions);
        } else if (node->kind == lumo::WHILE_ST) {
            expressions.push_back(node->whileSt->condition);
            collectExpressions(node->whileSt->body, expressions);
        }
    }
}

// The scanner stops the process when asked for a token past the end of its input, so the
// scan stops at the brace that closes the program, the first that brings nesting to 0.
long scanProgram(const std::string& text) {
    lumo::Output out;
    lumo::Scanner scanner(out);
    scanner.source.openText(text);
    lumo::LexToken token;
    scanner.skipWhiteComments();
    long tokens = 0;
    int depth = 0;
    do {
        scanner.lexAnal(token);
        ++tokens;
        if (token.kind == lumo::LBRACE) ++depth;
        if (token.kind == lumo::RBRACE) --depth;
    } while (token.kind != lumo::RBRACE || depth != 0);
    return tokens;
}

void reportSize(benchmark::State& state, long statements, std::size_t bytes) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
    state.counters["statements/s"] = benchmark::Counter(
        static_cast<double>(statements), benchmark::Counter::kIsIterationInvariantRate);
}

void scan(benchmark::State& state, long statements) {
    const std::string& text = programText(statements);
    long tokens = 0;
    for (auto _ : state) benchmark::DoNotOptimize(tokens = scanProgram(text));
    state.counters["tokens"] = static_cast<double>(tokens);
    reportSize(state, statements, text.size());
}

void analyseOnly(benchmark::State& state, long statements) {
    const std::string& text = programText(statements);
    for (auto _ : state) benchmark::DoNotOptimize(analyse(text).ast);
    reportSize(state, statements, text.size());
}

// The generator recycles the elements of reverse Polish lists only when it starts the code
// of an expression; converting outside it would keep every list of every iteration. So
// each iteration ends, untimed, with the code of one expression written to /dev/null.
void reversePolish(benchmark::State& state, long statements) {
    const Analysed& program = analysedProgram(statements);
    std::vector<lumo::Expression*> expressions;
    collectExpressions(program.ast, expressions);
    lumo::Generator& generator = program.compilation->generator;
    for (auto _ : state) {
        for (lumo::Expression* exp : expressions)
            benchmark::DoNotOptimize(generator.toRPE(exp).head);
        state.PauseTiming();
        int labels = program.labelCount;
        if (!expressions.empty())
            generator.genExpression(program.symtab, expressions[0], labels, 0);
        program.compilation->out.flush();
        state.ResumeTiming();
    }
    state.counters["expressions"] = static_cast<double>(expressions.size());
    reportSize(state, statements, programText(statements).size());
}

void generateOnly(benchmark::State& state, long statements) {
    const Analysed& program = analysedProgram(statements);
    for (auto _ : state) {
        program.compilation->generator.generate(program.symtab, program.ast, program.labelCount);
        program.compilation->out.flush();
    }
    reportSize(state, statements, programText(statements).size());
}

void compile(benchmark::State& state, long statements) {
    const std::string& text = programText(statements);
    for (auto _ : state) benchmark::DoNotOptimize(lumo::compile(text).status);
    reportSize(state, statements, text.size());
}

// Reads a list like "10000,100000" of sizes from 1 to 10 million statements.
bool parseSizeList(const char* text, std::vector<long>& sizes) {
    sizes.clear();
    for (;;) {
        char* end = nullptr;
        long n = std::strtol(text, &end, 10);
        if (end == text || n < 1 || n > 10000000) return false;
        sizes.push_back(n);
        if (*end == '\0') return true;
        if (*end != ',') return false;
        text = end + 1;
    }
}

// Reads `--lumo_sizes=N,M,...` from what Google Benchmark left of the arguments.
bool parseArguments(int argc, char** argv, std::vector<long>& sizes) {
    const std::string flag = "--lumo_sizes=";
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], flag.c_str(), flag.size()) != 0) {
            std::fprintf(stderr, "lumobench: unknown argument %s\n", argv[i]);
            return false;
        }
        if (!parseSizeList(argv[i] + flag.size(), sizes)) {
            std::fprintf(stderr, "lumobench: bad size list %s\n", argv[i]);
            return false;
        }
    }
    return true;
}

void registerPhases(long statements) {
    const std::string size = "/" + std::to_string(statements);
    const int64_t analyses = std::clamp(statementsPerAnalysis / statements, 1L, 100L);
    auto add = [&](const char* name, void (*phase)(benchmark::State&, long)) {
        return benchmark::RegisterBenchmark((name + size).c_str(), phase, statements)
            ->Unit(benchmark::kMillisecond);
    };
    add("scan", scan);
    add("analyse", analyseOnly)->Iterations(analyses);
    add("rpe", reversePolish);
    add("generate", generateOnly);
    add("compile", compile)->Iterations(analyses);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    std::vector<long> sizes = {10000, 100000};
    if (!parseArguments(argc, argv, sizes)) return 2;
    for (long statements : sizes) registerPhases(statements);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
