// benchgen: writes a benchmark program on standard output.
//
//   benchgen --statements N --lang lumo|c [--seed S]
//
// The same arguments always give the same text, and the Lumo and C texts for one N and
// seed are the same program.

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "programgen.hpp"

namespace {

struct Options {
    long statements = -1;
    benchgen::Language language = benchgen::Language::lumo;
    bool languageGiven = false;
    std::uint64_t seed = 1;
};

const char* const usage = "usage: benchgen --statements N --lang lumo|c [--seed S]\n";

int fail(const std::string& message) {
    std::fprintf(stderr, "benchgen: %s\n%s", message.c_str(), usage);
    return 2;
}

// Accepts only a whole decimal number from 0 to `limit`.
bool parseCount(const char* text, unsigned long long limit, unsigned long long& value) {
    if (*text < '0' || *text > '9') return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtoull(text, &end, 10);
    return errno == 0 && *end == '\0' && value <= limit;
}

// Returns an empty text when the arguments are good, else what is wrong with them.
std::string parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        std::string flag = argv[i];
        if (i + 1 == argc) return "missing value after " + flag;
        const char* value = argv[++i];
        unsigned long long number = 0;
        if (flag == "--statements") {
            if (!parseCount(value, 100000000ull, number))
                return "bad statement count: " + std::string(value);
            options.statements = static_cast<long>(number);
        } else if (flag == "--seed") {
            if (!parseCount(value, UINT64_MAX, number)) return "bad seed: " + std::string(value);
            options.seed = number;
        } else if (flag == "--lang") {
            std::string name = value;
            if (name != "lumo" && name != "c") return "unknown language: " + name;
            options.language = name == "c" ? benchgen::Language::c : benchgen::Language::lumo;
            options.languageGiven = true;
        } else {
            return "unknown option: " + flag;
        }
    }
    if (options.statements < 0) return "--statements is required";
    if (!options.languageGiven) return "--lang is required";
    return "";
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    std::string problem = parseOptions(argc, argv, options);
    if (!problem.empty()) return fail(problem);
    std::string text =
        benchgen::generateProgram(options.statements, options.language, options.seed);
    bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
    if (std::fflush(stdout) != 0 || !written) {
        std::fprintf(stderr, "benchgen: cannot write standard output\n");
        return 1;
    }
    return 0;
}
