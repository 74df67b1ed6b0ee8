#include "terminal.hpp"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace koru::terminal {

namespace {

volatile sig_atomic_t interruptSeen = 0;
struct sigaction previousAction;

void onInterrupt(int) {
    interruptSeen = 1;
}

}  // namespace

bool isTerminal(std::FILE* file) {
    return file != nullptr && isatty(fileno(file)) == 1;
}

bool sameFile(std::FILE* first, std::FILE* second) {
    struct stat a {};
    struct stat b {};
    return fstat(fileno(first), &a) == 0 && fstat(fileno(second), &b) == 0 &&
           a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

InterruptCatcher::InterruptCatcher() {
    interruptSeen = 0;
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previousAction);
}

InterruptCatcher::~InterruptCatcher() {
    sigaction(SIGINT, &previousAction, nullptr);
}

bool InterruptCatcher::interrupted() {
    return interruptSeen != 0;
}

}  // namespace koru::terminal
