// What koru needs to know about terminals, kept out of the assembler and machine so that
// those build where there are no terminals (a browser).
#pragma once

#include <cstdio>

namespace koru::terminal {

bool isTerminal(std::FILE* file);

// Both streams write to one file (a terminal, a pipe, `2>&1` into a file), so that their
// lines mix there.
bool sameFile(std::FILE* first, std::FILE* second);

// While one lives, Ctrl-C does not end the process but sets `interrupted`, so that a long
// run in the debugger can be stopped and looked at. The previous handling comes back after.
class InterruptCatcher {
  public:
    InterruptCatcher();
    ~InterruptCatcher();
    InterruptCatcher(const InterruptCatcher&) = delete;
    InterruptCatcher& operator=(const InterruptCatcher&) = delete;

    static bool interrupted();  // since this catcher was made
};

}  // namespace koru::terminal
