// koru: assembles a KORU assembly program and runs it, with the program's standard input and
// output as the machine's. Exit statuses tell the kinds of failure apart (see helpText).
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "assembler.hpp"
#include "machine.hpp"

namespace {

enum ExitStatus {
    statusSuccess = 0,
    statusUsage = 2,
    statusAssembly = 3,
    statusRuntime = 4,
    statusStepLimit = 5,
    statusOutput = 6,
    statusNoMemory = 7,
};

const char helpText[] =
    "usage: koru [options] PROGRAM.asm\n"
    "\n"
    "Assembles the KORU assembly program and runs it. The program reads standard input\n"
    "(getdword) and writes standard output (putdword, putstring).\n"
    "\n"
    "options:\n"
    "  --max-steps N  stop with status 5 after N instructions (default 100000000; 0: no limit)\n"
    "  --trace        write every executed instruction, the registers and the flags to\n"
    "                 standard error\n"
    "  --help         show this text\n"
    "\n"
    "exit status:\n"
    "  0  the program executed HALT\n"
    "  2  bad usage, or the program file cannot be read\n"
    "  3  assembly error (reported with its line number)\n"
    "  4  run-time error: stack overflow, getdword without a number, zero divisor,\n"
    "     running past the last instruction\n"
    "  5  step limit reached\n"
    "  6  standard output cannot be written\n"
    "  7  out of memory\n";

struct Options {
    const char* path = nullptr;
    koru::RunOptions run;
    bool help = false;
};

int usageError(const std::string& message) {
    std::fprintf(stderr, "koru: %s\nTry 'koru --help'.\n", message.c_str());
    return statusUsage;
}

bool parseCount(const char* text, std::uint64_t& value) {
    if (*text < '0' || *text > '9') return false;
    errno = 0;
    char* end = nullptr;
    unsigned long long parsed = std::strtoull(text, &end, 10);
    if (errno != 0 || *end != '\0') return false;
    value = parsed;
    return true;
}

// Returns an empty text on success, else what is wrong with the arguments.
std::string parseOptions(int argc, char** argv, Options& options) {
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        const char* count = nullptr;
        if (optionsEnded || argument.empty() || argument[0] != '-') {
            if (options.path != nullptr) return "only one program file can be given";
            options.path = argv[i];
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--trace") {
            options.run.trace = stderr;
        } else if (argument == "--max-steps") {
            if (++i == argc) return "--max-steps needs a number";
            count = argv[i];
        } else if (argument.compare(0, 12, "--max-steps=") == 0) {
            count = argv[i] + 12;
        } else {
            return "unknown option '" + argument + "'";
        }
        if (count != nullptr && !parseCount(count, options.run.maxSteps)) {
            return "--max-steps needs a number, not '" + std::string(count) + "'";
        }
    }
    if (options.path == nullptr && !options.help) return "no program file given";
    return "";
}

int assemble(const char* path, koru::Program& program) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        std::fprintf(stderr, "koru: cannot open '%s': %s\n", path, std::strerror(errno));
        return statusUsage;
    }
    koru::AssemblyError error;
    bool assembled = koru::assembleFile(file, program, error);
    std::fclose(file);
    if (assembled) return statusSuccess;
    if (error.line == 0) {
        std::fprintf(stderr, "koru: %s: %s\n", path, error.message.c_str());
        return statusUsage;
    }
    std::fprintf(stderr, "koru: %s:%u: assembly error: %s\n", path,
                 static_cast<unsigned>(error.line), error.message.c_str());
    return statusAssembly;
}

int report(const char* path, const koru::Program& program, const koru::RunResult& result,
           bool written) {
    unsigned line =
        result.instruction < program.lines.size() ? program.lines[result.instruction] : 0;
    switch (result.outcome) {
        case koru::Outcome::halted:
            break;
        case koru::Outcome::runtimeError:
            std::fprintf(stderr, "koru: %s:%u: run-time error: %s\n", path, line,
                         result.message.c_str());
            return statusRuntime;
        case koru::Outcome::stepLimit:
            std::fprintf(stderr, "koru: %s:%u: %s\n", path, line, result.message.c_str());
            return statusStepLimit;
        case koru::Outcome::outputFailed:
            written = false;
            break;
    }
    if (written) return statusSuccess;
    std::fprintf(stderr, "koru: cannot write standard output\n");
    return statusOutput;
}

int assembleAndRun(const Options& options) {
    koru::Program program;
    if (int status = assemble(options.path, program); status != statusSuccess) return status;
    // A closed pipe must show up as a failed write, not end the process silently.
    std::signal(SIGPIPE, SIG_IGN);
    static char traceBuffer[1 << 16];
    if (options.run.trace != nullptr) std::setvbuf(stderr, traceBuffer, _IOFBF, sizeof traceBuffer);
    koru::Input input(stdin);
    koru::Output output(stdout);
    koru::Machine machine(program, input, output);
    koru::RunResult result = machine.run(options.run);
    bool written = output.flush();
    int status = report(options.path, program, result, written);
    std::fflush(stderr);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    std::string problem = parseOptions(argc, argv, options);
    if (!problem.empty()) return usageError(problem);
    if (options.help) {
        std::fputs(helpText, stdout);
        return std::fflush(stdout) == 0 ? statusSuccess : statusOutput;
    }
    try {
        return assembleAndRun(options);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "koru: out of memory\n");
        return statusNoMemory;
    }
}
