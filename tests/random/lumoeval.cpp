// lumoeval: the reference evaluator of the random tests. It analyses a Lumo program exactly
// as the compiler must (same first error, same diagnostic, same exit status) and, when the
// program is correct, runs it and prints what the compiled program must print.
//
//   lumoeval [--check] [--input FILE] [--lax] [PROGRAM]
//
// The program comes from PROGRAM or standard input; the program's own input from FILE
// (none by default). --check stops after the analysis. --lax lets a variable that was never
// given a value read as 0, as on the machine, instead of stopping the run.
//
// Exit status: the compiler's status for a faulty program; 0 after a run (including runs
// that end with a run-time error message, which belongs to the program's output); 250 when
// the program's meaning is left open by the language (or it nests deeper than the
// evaluator follows); 251 when the run cannot be judged
// (input exhausted or unreadable, unset variable, step limit); 2 for a usage error.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>

#include "eval_program.hpp"
#include "eval_run.hpp"

namespace {

constexpr int kUsage = 2;
constexpr int kUndefined = 250;
constexpr int kUnjudgeable = 251;

struct Options {
    bool checkOnly = false;
    bool lax = false;
    std::string inputFile;
    std::string programFile;
};

void usage() {
    std::cerr << "usage: lumoeval [--check] [--input FILE] [--lax] [PROGRAM]\n";
}

bool parseArgs(int argc, char** argv, Options& opt) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--check") {
            opt.checkOnly = true;
        } else if (arg == "--lax") {
            opt.lax = true;
        } else if (arg == "--input" && i + 1 < argc) {
            opt.inputFile = argv[++i];
        } else if (arg == "--help") {
            return false;
        } else if (!arg.empty() && arg[0] != '-' && opt.programFile.empty()) {
            opt.programFile = arg;
        } else {
            return false;
        }
    }
    return true;
}

bool slurp(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool readSources(const Options& opt, std::string& program, std::string& input) {
    if (opt.programFile.empty()) {
        std::ostringstream all;
        all << std::cin.rdbuf();
        program = all.str();
    } else if (!slurp(opt.programFile, program)) {
        std::cerr << "lumoeval: cannot read " << opt.programFile << "\n";
        return false;
    }
    if (!opt.inputFile.empty() && !slurp(opt.inputFile, input)) {
        std::cerr << "lumoeval: cannot read " << opt.inputFile << "\n";
        return false;
    }
    return true;
}

int report(const lumoeval::Failure& failure) {
    std::cerr << "lumoeval: analysis stopped after byte " << failure.offset << "\n";
    if (failure.undefined) {
        std::cerr << "lumoeval: outcome left open by the language, or beyond the evaluator: "
                  << failure.text << "\n";
        return kUndefined;
    }
    std::cout << failure.text << std::flush;
    return failure.status;
}

}  // namespace

int main(int argc, char** argv) {
    Options opt;
    if (!parseArgs(argc, argv, opt)) {
        usage();
        return kUsage;
    }
    std::string source;
    std::string input;
    if (!readSources(opt, source, input)) return kUsage;
    lumoeval::Analysis analysis = lumoeval::analyse(source);
    if (!analysis.ok) return report(analysis.failure);
    if (opt.checkOnly) return 0;
    lumoeval::RunOptions runOptions;
    runOptions.strict = !opt.lax;
    lumoeval::RunResult result = lumoeval::run(analysis.program, input, runOptions);
    std::cout << result.output << std::flush;
    if (!lumoeval::isProgramBehaviour(result.end)) {
        std::cerr << "lumoeval: run cannot be judged: " << result.detail << "\n";
        return kUnjudgeable;
    }
    return std::cout.good() ? 0 : kUnjudgeable;
}
