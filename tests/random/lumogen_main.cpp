// lumogen: writes a random Lumo program on standard output.
//
//   lumogen --seed N [--size S] [--fault lexical|syntax|static|type]
//           [--input-out FILE] [--expect-out FILE] [--avoid FEATURE,...]
//
// Without --fault the program is correct and terminates; --input-out receives the numbers
// it reads. With --fault the program holds exactly one fault of that kind; standard error
// names it, and --expect-out receives the exit status the compiler must end with.
// --avoid writes the same program without some rarely seen features of the source text
// (long-comments, exotic-space, quotes, newlines, high-bytes, trailing), to tell apart
// failures with different causes.
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "lumogen.hpp"

namespace {

struct Options {
    lumogen::Request request;
    std::string inputOut;
    std::string expectOut;
    bool seedGiven = false;
};

void usage() {
    std::cerr << "usage: lumogen --seed N [--size S] [--fault lexical|syntax|static|type]\n"
                 "               [--input-out FILE] [--expect-out FILE] [--avoid FEATURE,...]\n";
}

bool parseNumber(const char* text, long long& value) {
    char* end = nullptr;
    value = std::strtoll(text, &end, 10);
    return end != text && *end == '\0' && value >= 0;
}

bool applyOption(const std::string& arg, const char* value, Options& opt) {
    long long n = 0;
    if (arg == "--seed" && parseNumber(value, n)) {
        opt.request.seed = static_cast<uint64_t>(n);
        opt.seedGiven = true;
        return true;
    }
    if (arg == "--size" && parseNumber(value, n) && n <= 1000000) {
        opt.request.size = static_cast<int>(n);
        return true;
    }
    if (arg == "--fault") return lumogen::parseFaultKind(value, opt.request.fault);
    if (arg == "--avoid") return lumogen::parseAvoid(value, opt.request.avoid);
    if (arg == "--input-out") opt.inputOut = value;
    if (arg == "--expect-out") opt.expectOut = value;
    return arg == "--input-out" || arg == "--expect-out";
}

bool parseArgs(int argc, char** argv, Options& opt) {
    for (int i = 1; i < argc; i += 2) {
        if (i + 1 >= argc || !applyOption(argv[i], argv[i + 1], opt)) return false;
    }
    return opt.seedGiven;
}

bool writeFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    out.close();
    if (out) return true;
    std::cerr << "lumogen: cannot write " << path << "\n";
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    Options opt;
    if (!parseArgs(argc, argv, opt)) {
        usage();
        return 2;
    }
    const lumogen::Generated g = lumogen::generate(opt.request);
    if (opt.request.fault != lumogen::FaultKind::None) {
        std::cerr << "lumogen: planted " << lumogen::faultKindName(opt.request.fault)
                  << " fault, expected status " << g.planted.status << ": " << g.planted.what
                  << "\n";
        if (!opt.expectOut.empty() &&
            !writeFile(opt.expectOut, std::to_string(g.planted.status) + "\n")) {
            return 1;
        }
    } else if (!opt.inputOut.empty() && !writeFile(opt.inputOut, g.input)) {
        return 1;
    }
    std::cout << g.program << std::flush;
    return std::cout ? 0 : 1;
}
