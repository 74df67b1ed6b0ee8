// lumoc: reads one Lumo program on standard input and writes KORU assembly on standard
// output, or exactly one diagnostic and a non-zero status. Arguments are ignored.
#include <csignal>
#include <cstdio>

#include "lumo.hpp"
#if LUMO_PARALLEL
#include "parallel/parallel.hpp"
#endif

int main() {
    // A closed pipe must show up as a failed write, reported, not as a silent signal.
    std::signal(SIGPIPE, SIG_IGN);
#if LUMO_PARALLEL
    const lumo::CompileResult result = lumo::parallel::compileFile(0, 1);
#else
    const lumo::CompileResult result = lumo::compileFile(0, 1);
#endif
    if (result.status == lumo::outputFailedStatus)
        std::fputs("lumo: cannot write standard output\n", stderr);
    if (result.status == lumo::outOfMemoryStatus) std::fputs("lumoc: out of memory\n", stderr);
    return result.status;
}
