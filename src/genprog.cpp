// lumoc: reads one Lumo program on standard input and writes KORU assembly on standard
// output, or exactly one diagnostic and a non-zero status. Arguments are ignored.
#include <csignal>

#include "common.hpp"
#include "genprog.hpp"

int main() {
    // A closed pipe must show up as a failed write, reported, not as a silent signal.
    std::signal(SIGPIPE, SIG_IGN);
    lumo::compile();
    lumo::endRun(0);
}
