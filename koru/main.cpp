// koru: assembles a KORU assembly program and runs it, with the program's standard input and
// output as the machine's; or traces it, or steps through it in the debugger. Exit statuses
// tell the kinds of failure apart (see helpText).
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>
#include <string_view>

#include "assembler.hpp"
#include "debugger.hpp"
#include "lineread.hpp"
#include "machine.hpp"
#include "syntax.hpp"
#include "terminal.hpp"
#include "trace.hpp"

#ifndef LUMO_VERSION
#define LUMO_VERSION "unknown"
#endif

namespace {

enum ExitStatus {
    statusSuccess = 0,
    statusUsage = 2,
    statusAssembly = 3,
    statusRuntime = 4,
    statusStepLimit = 5,
    statusOutput = 6,
    statusNoMemory = 7,
    statusOverflowTrap = 8,
    statusDivideTrap = 9,
};

const char helpText[] =
    "usage: koru [options] PROGRAM.asm\n"
    "       koru --debug [--input FILE] PROGRAM.asm\n"
    "\n"
    "Assembles the KORU assembly program and runs it. The program reads standard input\n"
    "(getdword) and writes standard output (putdword, putstring).\n"
    "\n"
    "options:\n"
    "  --max-steps N     stop with status 5 after N instructions (default 100000000;\n"
    "                    0: no limit); in the debugger, the most one command runs\n"
    "  --trace           write every executed instruction as written in the source, with\n"
    "                    its line and the registers and flags after it, to standard error\n"
    "  --trace-from LABEL  trace from the first time the instruction at LABEL runs\n"
    "  --trace-count N   trace only N instructions, then run on untraced\n"
    "  --traps           end with status 8 or 9 when a program compiled by lumoc stops in\n"
    "                    its integer-overflow or divide-by-zero handler\n"
    "  --input FILE      the program reads FILE instead of standard input\n"
    "  --debug           step through the program in the interactive debugger\n"
    "                    ('help' there lists its commands)\n"
    "  --version         show the version\n"
    "  --help            show this text\n"
    "\n"
    "exit status:\n"
    "  0  the program executed HALT\n"
    "  2  bad usage, or the program file cannot be read\n"
    "  3  assembly error (reported with its line number), or a file without instructions\n"
    "  4  run-time error: stack overflow, getdword without a number, zero divisor,\n"
    "     running past the last instruction\n"
    "  5  step limit reached\n"
    "  6  standard output cannot be written\n"
    "  7  out of memory\n"
    "  8  with --traps: the program stopped in its integer-overflow handler\n"
    "  9  with --traps: the program stopped in its divide-by-zero handler\n";

struct Options {
    const char* path = nullptr;
    const char* inputPath = nullptr;
    std::uint64_t maxSteps = 100000000;
    bool trace = false;
    const char* traceFrom = nullptr;
    std::uint64_t traceCount = 0;  // 0: no limit
    bool traps = false;
    bool debug = false;
    bool help = false;
    bool version = false;
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

// Options that take a value accept "--name VALUE" and "--name=VALUE". Returns the value, or
// nullptr when `argument` is not that option; `missing` is set when the value is absent.
const char* optionValue(std::string_view name, int argc, char** argv, int& i, bool& missing) {
    std::string_view argument = argv[i];
    if (argument == name) {
        if (i + 1 == argc) {
            missing = true;
            return nullptr;
        }
        return argv[++i];
    }
    if (argument.size() > name.size() && argument.substr(0, name.size()) == name &&
        argument[name.size()] == '=') {
        return argv[i] + name.size() + 1;
    }
    return nullptr;
}

// Returns an empty text on success, else what is wrong with the arguments.
std::string parseOptions(int argc, char** argv, Options& options) {
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        bool missing = false;
        const char* value = nullptr;
        if (optionsEnded || argument.empty() || argument[0] != '-') {
            if (options.path != nullptr) return "only one program file can be given";
            options.path = argv[i];
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--version") {
            options.version = true;
        } else if (argument == "--trace") {
            options.trace = true;
        } else if (argument == "--traps") {
            options.traps = true;
        } else if (argument == "--debug") {
            options.debug = true;
        } else if ((value = optionValue("--max-steps", argc, argv, i, missing)) || missing) {
            if (missing || !parseCount(value, options.maxSteps)) {
                return "--max-steps needs a number" +
                       (missing ? std::string() : ", not '" + std::string(value) + "'");
            }
        } else if ((value = optionValue("--trace-count", argc, argv, i, missing)) || missing) {
            if (missing || !parseCount(value, options.traceCount) || options.traceCount == 0) {
                return "--trace-count needs a number above 0" +
                       (missing ? std::string() : ", not '" + std::string(value) + "'");
            }
            options.trace = true;
        } else if ((value = optionValue("--trace-from", argc, argv, i, missing)) || missing) {
            if (missing || *value == '\0') return "--trace-from needs a label";
            options.traceFrom = value;
            options.trace = true;
        } else if ((value = optionValue("--input", argc, argv, i, missing)) || missing) {
            if (missing || *value == '\0') return "--input needs a file";
            options.inputPath = value;
        } else {
            return "unknown option '" + koru::printable(argument) + "'";
        }
    }
    if (options.help || options.version) return "";
    if (options.path == nullptr) return "no program file given";
    if (options.debug && options.trace) return "--debug and --trace cannot be combined";
    return "";
}

bool endsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// A student's first mistake: running the Lumo program itself.
void hintAtLumo(const char* path) {
    if (!endsWith(path, ".lumo")) return;
    std::string asmPath(path, std::strlen(path) - 5);
    std::fprintf(stderr,
                 "koru: %s is a Lumo program; compile it with lumoc first:\n"
                 "  lumoc < %s > %s.asm && koru %s.asm\n",
                 path, path, asmPath.c_str(), asmPath.c_str());
}

int reportAssemblyError(const char* path, const koru::AssemblyError& error, int readErrno) {
    switch (error.kind) {
        case koru::AssemblyError::Kind::unreadable:
            std::fprintf(stderr, "koru: cannot read '%s': %s\n", path,
                         readErrno != 0 ? std::strerror(readErrno) : error.message.c_str());
            return statusUsage;
        case koru::AssemblyError::Kind::noInstructions:
            std::fprintf(stderr, "koru: %s: assembly error: %s\n", path, error.message.c_str());
            break;
        case koru::AssemblyError::Kind::text:
            std::fprintf(stderr, "koru: %s:%u: assembly error: %s\n", path,
                         static_cast<unsigned>(error.line), error.message.c_str());
            break;
    }
    hintAtLumo(path);
    return statusAssembly;
}

// Opens the program file, refusing what is no file of text before reading it: fopen accepts
// a directory, and reading one only fails later with a message that names no directory.
std::FILE* openProgram(const char* path, int& status) {
    std::error_code failure;
    if (std::filesystem::is_directory(path, failure)) {
        std::fprintf(stderr, "koru: '%s' is a directory, not a program file\n", path);
        status = statusUsage;
        return nullptr;
    }
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        std::fprintf(stderr, "koru: cannot open '%s': %s\n", path, std::strerror(errno));
        status = statusUsage;
    }
    return file;
}

int assemble(const char* path, koru::Program& program) {
    int status = statusSuccess;
    std::FILE* file = openProgram(path, status);
    if (file == nullptr) return status;
    koru::AssemblyError error;
    errno = 0;
    bool assembled = koru::assembleFile(file, program, error);
    int readErrno = errno;
    std::fclose(file);
    return assembled ? statusSuccess : reportAssemblyError(path, error, readErrno);
}

// The whole file, for the debugger's `list`.
int assembleWithSource(const char* path, koru::Program& program, std::string& source) {
    int status = statusSuccess;
    std::FILE* file = openProgram(path, status);
    if (file == nullptr) return status;
    char block[1 << 16];
    errno = 0;
    for (std::size_t size; (size = std::fread(block, 1, sizeof block, file)) > 0;) {
        source.append(block, size);
    }
    int readErrno = errno;
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    koru::AssemblyError error;
    if (failed) {
        error = {0, "cannot read the program", koru::AssemblyError::Kind::unreadable};
        return reportAssemblyError(path, error, readErrno);
    }
    if (!koru::assembleText(source, program, error)) {
        return reportAssemblyError(path, error, readErrno);
    }
    return statusSuccess;
}

unsigned lineOf(const koru::Program& program, std::uint32_t index) {
    return index < program.lines.size() ? program.lines[index] : 0;
}

int report(const Options& options, const koru::Program& program, const koru::RunResult& result,
           bool written) {
    const char* path = options.path;
    unsigned line = lineOf(program, result.instruction);
    koru::Outcome outcome = result.outcome;
    if (koru::isRuntimeError(outcome)) {
        std::fprintf(stderr, "koru: %s:%u: run-time error: %s\n", path, line,
                     result.message.c_str());
        return statusRuntime;
    }
    if (outcome == koru::Outcome::stepLimit) {
        std::fprintf(stderr, "koru: %s:%u: %s\n", path, line, result.message.c_str());
        return statusStepLimit;
    }
    if (outcome == koru::Outcome::outputFailed) written = false;
    if (!written) {
        std::fprintf(stderr, "koru: cannot write standard output\n");
        return statusOutput;
    }
    if (koru::isTrap(outcome) && options.traps) {
        bool overflow = outcome == koru::Outcome::overflowTrap;
        std::fprintf(stderr,
                     "koru: %s:%u: %s: the program stopped in its %s handler (entered by %s)\n",
                     path, lineOf(program, result.trapFrom),
                     overflow ? "integer overflow" : "divide by zero",
                     overflow ? "integer-overflow" : "divide-by-zero",
                     program.instructionText(result.trapFrom).c_str());
        return overflow ? statusOverflowTrap : statusDivideTrap;
    }
    return statusSuccess;
}

// Before the program waits for typed input, everything it wrote must be on the screen, the
// trace before the output that came after it.
void flushBeforeWait(void* output) {
    std::fflush(stderr);
    static_cast<koru::Output*>(output)->flush();
}

// Writes trace lines to standard error in the order of the program's own output: output
// written before an instruction's line goes out before it.
class Tracer {
  public:
    Tracer(const koru::Program& program, const koru::Machine& machine, koru::Output& output)
        : program_(program),
          machine_(machine),
          output_(output),
          sharedFile_(koru::terminal::sameFile(stdout, stderr)) {}

    void line(std::uint32_t index) {
        if (output_.pending()) {
            std::fflush(stderr);
            output_.flush();
        }
        // In a shared file a trace line after "Enter a number: " would continue its line.
        if (sharedFile_ && output_.bytesWritten() != closedAt_ && output_.lastByte() != '\n') {
            std::fputc('\n', stderr);
        }
        closedAt_ = output_.bytesWritten();
        std::string text = koru::traceLine(program_, machine_, index);
        text += '\n';
        std::fwrite(text.data(), 1, text.size(), stderr);
    }

  private:
    const koru::Program& program_;
    const koru::Machine& machine_;
    koru::Output& output_;
    bool sharedFile_;
    std::uint64_t closedAt_ = 0;  // how much output there was when a line was last ended
};

koru::RunResult stepLimitResult(const koru::Machine& machine, std::uint64_t maxSteps) {
    koru::RunResult result;
    result.outcome = koru::Outcome::stepLimit;
    result.message = "step limit of " + std::to_string(maxSteps) + " reached";
    result.instruction = machine.pc();
    result.steps = machine.steps();
    return result;
}

// Runs untraced up to the label, traced for the count, and untraced after it.
koru::RunResult runTraced(const Options& options, const koru::Program& program,
                          koru::Machine& machine, koru::Output& output) {
    const std::uint64_t maxSteps = options.maxSteps;
    auto left = [&] { return maxSteps == 0 ? 0 : maxSteps - machine.steps(); };
    if (options.traceFrom != nullptr) {
        const koru::Label* label = program.findLabel(options.traceFrom);
        std::uint32_t start = label->value;
        if (start != 0) {
            machine.setBreakpoint(start, true);
            koru::RunResult result = machine.run(maxSteps);
            machine.setBreakpoint(start, false);
            if (result.outcome != koru::Outcome::breakpoint) return result;
        }
    }
    Tracer tracer(program, machine, output);
    for (std::uint64_t traced = 0; options.traceCount == 0 || traced < options.traceCount;
         ++traced) {
        if (maxSteps != 0 && machine.steps() == maxSteps) return stepLimitResult(machine, maxSteps);
        // Output large enough to be written at once must not overtake earlier trace lines.
        koru::Op op = program.code[machine.pc()].op;
        if (op == koru::Op::PutString || op == koru::Op::PutDword) std::fflush(stderr);
        std::uint64_t before = machine.steps();
        koru::Outcome outcome = machine.step();
        if (machine.steps() != before) tracer.line(machine.last().instruction);
        if (outcome != koru::Outcome::running) return machine.last();
    }
    if (maxSteps != 0 && left() == 0) return stepLimitResult(machine, maxSteps);
    koru::RunResult result = machine.run(left());
    if (result.outcome == koru::Outcome::stepLimit) return stepLimitResult(machine, maxSteps);
    return result;
}

std::FILE* openInput(const Options& options, int& status) {
    if (options.inputPath == nullptr) return stdin;
    std::error_code failure;
    if (std::filesystem::is_directory(options.inputPath, failure)) {
        std::fprintf(stderr, "koru: '%s' is a directory, not an input file\n", options.inputPath);
        status = statusUsage;
        return nullptr;
    }
    std::FILE* file = std::fopen(options.inputPath, "rb");
    if (file == nullptr) {
        std::fprintf(stderr, "koru: cannot open '%s': %s\n", options.inputPath,
                     std::strerror(errno));
        status = statusUsage;
    }
    return file;
}

int assembleAndRun(const Options& options) {
    koru::Program program;
    if (int status = assemble(options.path, program); status != statusSuccess) return status;
    if (options.traceFrom != nullptr) {
        const koru::Label* label = program.findLabel(options.traceFrom);
        if (label == nullptr || label->kind != koru::LabelKind::code) {
            return usageError("--trace-from needs a code label of the program, not '" +
                              koru::printable(options.traceFrom) + "'");
        }
    }
    int status = statusSuccess;
    std::FILE* inputFile = openInput(options, status);
    if (inputFile == nullptr) return status;
    // A closed pipe must show up as a failed write, not end the process silently.
    std::signal(SIGPIPE, SIG_IGN);
    static char traceBuffer[1 << 16];
    if (options.trace) std::setvbuf(stderr, traceBuffer, _IOFBF, sizeof traceBuffer);
    koru::Input input(inputFile, koru::terminal::isTerminal(inputFile)
                                     ? koru::Input::Reading::lines
                                     : koru::Input::Reading::blocks);
    koru::Output output(stdout);
    input.beforeWait(flushBeforeWait, &output);
    koru::Machine machine(program, input, output);
    koru::RunResult result = options.trace ? runTraced(options, program, machine, output)
                                           : machine.run(options.maxSteps);
    std::fflush(stderr);
    bool written = output.flush();
    status = report(options, program, result, written);
    std::fflush(stderr);
    if (inputFile != stdin) std::fclose(inputFile);
    return status;
}

int debug(const Options& options) {
    koru::Program program;
    std::string source;
    if (int status = assembleWithSource(options.path, program, source); status != statusSuccess) {
        return status;
    }
    int status = statusSuccess;
    std::FILE* inputFile = openInput(options, status);
    if (inputFile == nullptr) return status;
    std::signal(SIGPIPE, SIG_IGN);
    // Commands and typed input may share standard input: lines keep them apart.
    koru::Input input(inputFile, inputFile == stdin || koru::terminal::isTerminal(inputFile)
                                     ? koru::Input::Reading::lines
                                     : koru::Input::Reading::blocks);
    koru::Output output(stdout);
    input.beforeWait(flushBeforeWait, &output);
    auto say = [](std::string_view text) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fflush(stdout);
    };
    koru::DebuggerSetup setup{program, source, options.path, input, output, say};
    setup.maxSteps = options.maxSteps;
    setup.interrupted = koru::terminal::InterruptCatcher::interrupted;
    koru::Debugger debugger(setup);
    koru::LineReader reader("koru", "(koru) ");
    debugger.start();
    std::string line;
    for (bool going = true; going && reader.read(line);) {
        koru::terminal::InterruptCatcher catcher;
        going = debugger.execute(line);
    }
    bool written = output.flush() && std::fflush(stdout) == 0;
    if (inputFile != stdin) std::fclose(inputFile);
    if (!written) {
        std::fprintf(stderr, "koru: cannot write standard output\n");
        return statusOutput;
    }
    return statusSuccess;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    std::string problem = parseOptions(argc, argv, options);
    if (!problem.empty()) return usageError(problem);
    if (options.help || options.version) {
        std::fputs(options.help ? helpText : "koru (Lumo toolchain) " LUMO_VERSION "\n", stdout);
        return std::fflush(stdout) == 0 ? statusSuccess : statusOutput;
    }
    try {
        return options.debug ? debug(options) : assembleAndRun(options);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "koru: out of memory\n");
        return statusNoMemory;
    }
}
