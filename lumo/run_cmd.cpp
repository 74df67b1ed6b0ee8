// `lumo run FILE` and `lumo debug FILE`.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>

#include "cli.hpp"
#include "debugger.hpp"
#include "hints.hpp"
#include "lineread.hpp"
#include "runtime.hpp"
#include "terminal.hpp"

namespace lumo::cli {

namespace {

struct RunOptions {
    std::string file, input, when = "auto";
    unsigned long long maxSteps = 100000000;
};

int parse(const std::string& command, const std::vector<std::string>& args, RunOptions& o) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](const char* option, std::string& into) {
            return optionValue(args, i, option, into);
        };
        std::string text;
        if (value("--input", o.input)) {
        } else if (command == "run" && value("--max-steps", text)) {
            if (!parseCount(text, o.maxSteps))
                return usage(command, "--max-steps takes a whole number");
        } else if (value("--color", o.when) || value("--colour", o.when)) {
            if (o.when != "auto" && o.when != "always" && o.when != "never")
                return usage(command, "--color takes auto, always or never");
        } else if (a.size() > 1 && a[0] == '-') {
            return usage(command, "unknown option '" + a + "'");
        } else if (o.file.empty()) {
            o.file = a;
        } else {
            return usage(command, command + " takes one FILE");
        }
    }
    if (o.file.empty()) return usage(command, command + " needs a FILE");
    return 0;
}

// Before the program waits for typed input, what it wrote must be on the screen.
void flushBeforeWait(void* output) {
    std::fflush(stderr);
    static_cast<koru::Output*>(output)->flush();
}

// Compiles FILE, or says why not; 0 when it compiled.
int load(const RunOptions& o, runtime::Compiled& compiled) {
    std::string source, error;
    if (!readSource(o.file, source, error)) {
        std::cerr << "lumo: cannot read '" << o.file << "': " << error << "\n";
        return noInputStatus;
    }
    hints::RenderOptions render;
    render.colour = useColour(o.when, stderr);
    const bool ok = runtime::prepare(std::move(source), compiled);
    const std::string report =
        hints::report(shownName(o.file), compiled.source, compiled.result, render);
    std::fwrite(report.data(), 1, report.size(), stderr);
    if (ok) return 0;
    if (!compiled.failure.empty()) {
        std::cerr << "lumo: " << compiled.failure << "\n";
        return faultStatus;
    }
    return compiled.result.status;
}

struct InputFile {
    std::FILE* file = nullptr;
    ~InputFile() {
        if (file != nullptr && file != stdin) std::fclose(file);
    }
};

// The program's input: the file of --input, else standard input, read a line at a time
// from a terminal so that a person can answer each question as it comes.
// In the debugger, standard input also holds the commands: it is read a line at a time
// whatever it is, so that the program takes no more of it than the numbers it asks for.
int openInput(const RunOptions& o, InputFile& in, std::unique_ptr<koru::Input>& input,
              bool shared = false) {
    if (o.input.empty() || o.input == "-") {
        in.file = stdin;
    } else {
        in.file = std::fopen(o.input.c_str(), "rb");
        if (in.file == nullptr) {
            std::cerr << "lumo: cannot read '" << o.input << "': " << std::strerror(errno) << "\n";
            return noInputStatus;
        }
    }
    const bool lines = koru::terminal::isTerminal(in.file) || (shared && in.file == stdin);
    input = std::make_unique<koru::Input>(
        in.file, lines ? koru::Input::Reading::lines : koru::Input::Reading::blocks);
    return 0;
}

}  // namespace

int run(const std::vector<std::string>& args) {
    RunOptions o;
    if (const int bad = parse("run", args, o)) return bad;
    runtime::Compiled compiled;
    if (const int failed = load(o, compiled)) return failed;
    InputFile in;
    std::unique_ptr<koru::Input> input;
    if (const int failed = openInput(o, in, input)) return failed;
    koru::Output output(stdout);
    input->beforeWait(flushBeforeWait, &output);
    const runtime::Result r = runtime::runToEnd(compiled, *input, output, o.maxSteps);
    std::fflush(stdout);
    if (r.ending == runtime::Ending::outputFailed) {
        std::cerr << "lumo: cannot write standard output\n";
        return ioStatus;
    }
    if (r.ending == runtime::Ending::normal) return 0;
    // Where the two outputs meet, an error after "Enter a number: " must not continue its
    // line; at a terminal the Enter that answered the question has ended it already.
    const bool answeredAtTerminal = in.file == stdin && koru::terminal::isTerminal(stdin);
    if (koru::terminal::sameFile(stdout, stderr) && !answeredAtTerminal &&
        output.bytesWritten() != 0 && output.lastByte() != '\n')
        std::fputc('\n', stderr);
    hints::RenderOptions render;
    render.colour = useColour(o.when, stderr);
    const std::string report = runtime::report(shownName(o.file), compiled, r, render);
    std::fwrite(report.data(), 1, report.size(), stderr);
    return runtime::lumoStatus(r.ending);
}

int debug(const std::vector<std::string>& args) {
    RunOptions o;
    if (const int bad = parse("debug", args, o)) return bad;
    if (o.file == "-")
        return usage("debug", "debug reads its commands from standard input: give a FILE");
    runtime::Compiled compiled;
    if (const int failed = load(o, compiled)) return failed;
    InputFile in;
    std::unique_ptr<koru::Input> input;
    if (const int failed = openInput(o, in, input, true)) return failed;
    koru::Output output(stdout);
    input->beforeWait(flushBeforeWait, &output);
    koru::terminal::InterruptCatcher catcher;
    debug::Setup setup{compiled, shownName(o.file), *input, output, [](std::string_view text) {
                           std::fwrite(text.data(), 1, text.size(), stdout);
                           std::fflush(stdout);
                       }};
    setup.interrupted = koru::terminal::InterruptCatcher::interrupted;
    debug::Debugger debugger(setup);
    debugger.start();
    koru::LineReader reader("lumo", "(lumo) ");
    std::string line;
    while (reader.read(line)) {
        if (!debugger.execute(line)) break;
    }
    output.flush();
    std::fflush(stdout);
    return debugger.ended() ? runtime::lumoStatus(debugger.ending()) : 0;
}

}  // namespace lumo::cli
