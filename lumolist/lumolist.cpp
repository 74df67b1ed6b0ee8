// lumolist: analyses a Lumo program on standard input exactly as lumoc does (same
// diagnostics and statuses) and lists what the analyser built: the symbol table, then the
// program tree as numbered, indented lines with the label numbers of `if` and `while`.
#include <csignal>
#include <cstdio>
#include <cstring>

#include "lumo.hpp"

namespace {

// Only these two arguments mean anything; any other is ignored, as lumoc ignores its own.
bool answeredArgument(int argc, char** argv) {
    if (argc < 2) return false;
    if (std::strcmp(argv[1], "--version") == 0) {
        std::fputs("lumolist (Lumo toolchain) " LUMO_VERSION "\n", stdout);
    } else if (std::strcmp(argv[1], "--help") == 0) {
        std::fputs(
            "usage: lumolist < PROGRAM.lumo\n"
            "\n"
            "Analyses the Lumo program exactly as lumoc does (same diagnostics, same exit\n"
            "statuses) and lists the symbol table and the program tree.\n"
            "\n"
            "  --version  show the version\n"
            "  --help     show this text\n",
            stdout);
    } else {
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (answeredArgument(argc, argv)) return std::fflush(stdout) == 0 ? 0 : 74;
    std::signal(SIGPIPE, SIG_IGN);
    lumo::CompileOptions options;
    options.listing = true;
    const lumo::CompileResult result = lumo::compileFile(0, 1, options);
    if (result.status == lumo::outputFailedStatus)
        std::fputs("lumo: cannot write standard output\n", stderr);
    if (result.status == lumo::outOfMemoryStatus) std::fputs("lumolist: out of memory\n", stderr);
    return result.status;
}
