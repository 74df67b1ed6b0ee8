// lumolist: analyses a Lumo program on standard input exactly as lumoc does (same
// diagnostics and statuses) and lists what the analyser built: the symbol table, then the
// program tree as numbered, indented lines with the label numbers of `if` and `while`.
#include <csignal>
#include <cstdio>

#include "lumo.hpp"

int main() {
    std::signal(SIGPIPE, SIG_IGN);
    lumo::CompileOptions options;
    options.listing = true;
    const lumo::CompileResult result = lumo::compileFile(0, 1, options);
    if (result.status == lumo::outputFailedStatus)
        std::fputs("lumo: cannot write standard output\n", stderr);
    if (result.status == lumo::outOfMemoryStatus) std::fputs("lumolist: out of memory\n", stderr);
    return result.status;
}
