// `lumo check` and `lumo build`: the compiler's diagnostic in the check form, and the
// assembly exactly as lumoc writes it.
#include <cstdio>
#include <iostream>
#include <string>

#include "cli.hpp"
#include "hints.hpp"
#include "lumo.hpp"

namespace lumo::cli {

namespace {

// Takes "--color=WHEN" or "--color WHEN" at args[i]; false when args[i] is not one.
bool colourOption(const std::vector<std::string>& args, std::size_t& i, std::string& when,
                  bool& bad) {
    const std::string& a = args[i];
    if (a.rfind("--color=", 0) == 0 || a.rfind("--colour=", 0) == 0) {
        when = a.substr(a.find('=') + 1);
    } else if ((a == "--color" || a == "--colour") && i + 1 < args.size()) {
        when = args[++i];
    } else {
        return false;
    }
    bad = when != "auto" && when != "always" && when != "never";
    return true;
}

bool writeAll(std::FILE* stream, const std::string& text) {
    return std::fwrite(text.data(), 1, text.size(), stream) == text.size() &&
           std::fflush(stream) == 0;
}

}  // namespace

int check(const std::vector<std::string>& args) {
    std::string when = "auto";
    std::vector<std::string> files;
    bool onlyFiles = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        bool bad = false;
        if (!onlyFiles && args[i] == "--") {
            onlyFiles = true;
        } else if (!onlyFiles && colourOption(args, i, when, bad)) {
            if (bad) return usage("check", "--color takes auto, always or never");
        } else if (!onlyFiles && args[i].size() > 1 && args[i][0] == '-') {
            return usage("check", "unknown option '" + args[i] + "'");
        } else {
            files.push_back(args[i]);
        }
    }
    if (files.empty()) return usage("check", "check needs at least one FILE");
    hints::RenderOptions options;
    options.colour = useColour(when, stdout);
    int status = 0;
    for (const std::string& file : files) {
        std::string source, error;
        if (!readSource(file, source, error)) {
            std::fflush(stdout);
            std::cerr << "lumo: cannot read '" << file << "': " << error << "\n";
            if (status == 0) status = noInputStatus;
            continue;
        }
        CompileOptions analysing;
        analysing.analyseOnly = true;  // the assembly of a correct program is not wanted here
        const CompileResult result = compile(source, analysing);
        if (!writeAll(stdout, hints::report(shownName(file), source, result, options))) {
            std::cerr << "lumo: cannot write standard output\n";
            return ioStatus;
        }
        if (status == 0) status = result.status;
    }
    return status;
}

int build(const std::vector<std::string>& args) {
    std::string when = "auto", input, output;
    bool haveOutput = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        bool bad = false;
        if (args[i] == "-o") {
            if (i + 1 == args.size()) return usage("build", "-o needs a file name");
            output = args[++i];
            haveOutput = true;
        } else if (args[i].rfind("-o", 0) == 0 && args[i].size() > 2) {
            output = args[i].substr(2);
            haveOutput = true;
        } else if (colourOption(args, i, when, bad)) {
            if (bad) return usage("build", "--color takes auto, always or never");
        } else if (args[i].size() > 1 && args[i][0] == '-') {
            return usage("build", "unknown option '" + args[i] + "'");
        } else if (input.empty()) {
            input = args[i];
        } else {
            return usage("build", "build takes one FILE");
        }
    }
    if (input.empty()) return usage("build", "build needs a FILE");
    if (!haveOutput) {
        if (input == "-") {
            output = "-";
        } else {
            const std::size_t slash = input.rfind('/');
            const std::size_t dot = input.rfind('.');
            const bool lumoSuffix = dot != std::string::npos &&
                                    (slash == std::string::npos || dot > slash) &&
                                    input.substr(dot) == ".lumo";
            output = (lumoSuffix ? input.substr(0, dot) : input) + ".asm";
        }
    }
    std::string source, error;
    if (!readSource(input, source, error)) {
        std::cerr << "lumo: cannot read '" << input << "': " << error << "\n";
        return noInputStatus;
    }
    const CompileResult result = compile(source);
    hints::RenderOptions options;
    options.colour = useColour(when, stderr);
    const std::string report = hints::report(shownName(input), source, result, options);
    writeAll(stderr, report);
    if (result.status != 0) return result.status;
    if (output == "-") {
        if (!writeAll(stdout, result.output)) {
            std::cerr << "lumo: cannot write standard output\n";
            return ioStatus;
        }
        return 0;
    }
    if (!writeWhole(output, result.output, error)) {
        std::cerr << "lumo: cannot write '" << output << "': " << error << "\n";
        return cantWriteStatus;
    }
    return 0;
}

}  // namespace lumo::cli
