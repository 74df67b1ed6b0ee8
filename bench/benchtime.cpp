// benchtime: runs a command a few times and prints its best wall time and its peak memory.
//
//   benchtime [--runs N] [--enough S] [--limit S] [--stdin FILE] [--stdout FILE]
//             -- COMMAND [ARGUMENT...]
//
// Prints one line, "SECONDS KIB": the smallest wall time of the runs in seconds and the
// largest resident set of any run in KiB (the command's own and that of the processes it
// waited for, as the kernel reports it to wait4, so a compiler driver counts its passes).
//
// --runs N     runs the command up to N times (default 3);
// --enough S   stops repeating after a run of S seconds or more: repeats of long runs
//              cost much and change little;
// --limit S    kills the command (its whole process group) after S seconds of a run.
//
// Before each run, outside the timing, a regular --stdout file is removed and dirty
// pages are written back (sync): truncating the last run's output would time the freeing
// of its pages, and writing back earlier output would compete with the run.
//
// Every run must exit with status 0; otherwise benchtime says how it ended on standard
// error and exits with status 1. A run killed at the limit gives status 3, usage errors
// status 2.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/types.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

namespace {

struct Options {
    long runs = 3;
    long enough = 0;     // 0: always do every run
    long limit = 0;      // 0: no limit
    std::string input;   // empty: the command inherits benchtime's standard input
    std::string output;  // empty: the command inherits benchtime's standard output
    std::vector<char*> command;
};

struct Measure {
    double seconds = 0;
    long peakKib = 0;
};

enum class Outcome { succeeded, failed, timedOut, interrupted };

const char* const usage =
    "usage: benchtime [--runs N] [--enough S] [--limit S] [--stdin FILE] [--stdout FILE]\n"
    "                 -- COMMAND [ARGUMENT...]\n";

volatile std::sig_atomic_t alarmRang = 0;
volatile std::sig_atomic_t interrupted = 0;

void onAlarm(int) {
    alarmRang = 1;
}
void onInterrupt(int) {
    interrupted = 1;
}

int usageError(const std::string& message) {
    std::fprintf(stderr, "benchtime: %s\n%s", message.c_str(), usage);
    return 2;
}

bool parseNumber(const char* text, long smallest, long& value) {
    char* end = nullptr;
    errno = 0;
    long number = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || number < smallest || number > 100000) {
        return false;
    }
    value = number;
    return true;
}

// Returns an empty text when the option is good, else what is wrong with it.
std::string parseOption(const std::string& flag, const char* value, Options& options) {
    if (flag == "--runs") return parseNumber(value, 1, options.runs) ? "" : "bad run count";
    if (flag == "--enough") return parseNumber(value, 0, options.enough) ? "" : "bad --enough";
    if (flag == "--limit") return parseNumber(value, 0, options.limit) ? "" : "bad --limit";
    if (flag == "--stdin") {
        options.input = value;
    } else if (flag == "--stdout") {
        options.output = value;
    } else {
        return "unknown option: " + flag;
    }
    return "";
}

std::string parseOptions(int argc, char** argv, Options& options) {
    int i = 1;
    for (; i < argc && std::strcmp(argv[i], "--") != 0; i += 2) {
        if (i + 1 == argc) return std::string("missing value after ") + argv[i];
        std::string problem = parseOption(argv[i], argv[i + 1], options);
        if (!problem.empty()) return problem;
    }
    if (i + 1 >= argc) return "no command given";
    options.command.assign(argv + i + 1, argv + argc);
    options.command.push_back(nullptr);
    return "";
}

// Puts `path` in the place of descriptor `target`; a failure is reported from the child.
bool redirect(const std::string& path, int target, int flags) {
    if (path.empty()) return true;
    int fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0 || ::dup2(fd, target) < 0) {
        std::fprintf(stderr, "benchtime: %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    ::close(fd);
    return true;
}

// The command gets a process group of its own, so that a limit or an interrupt ends the
// processes it started (a compiler driver's passes) along with it.
[[noreturn]] void runChild(const Options& options) {
    ::setpgid(0, 0);
    if (!redirect(options.input, 0, O_RDONLY) ||
        !redirect(options.output, 1, O_WRONLY | O_CREAT | O_TRUNC)) {
        ::_exit(127);
    }
    ::execvp(options.command[0], options.command.data());
    std::fprintf(stderr, "benchtime: cannot run %s: %s\n", options.command[0],
                 std::strerror(errno));
    ::_exit(127);
}

void installHandlers() {
    struct sigaction action {};
    action.sa_handler = onAlarm;  // no SA_RESTART: the signal must interrupt wait4
    ::sigaction(SIGALRM, &action, nullptr);
    action.sa_handler = onInterrupt;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

double now() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Waits for the child; past the limit or on an interrupt, kills its group first.
Outcome awaitChild(pid_t child, int& status, rusage& usage) {
    Outcome outcome = Outcome::succeeded;
    while (::wait4(child, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            std::fprintf(stderr, "benchtime: wait4: %s\n", std::strerror(errno));
            return Outcome::failed;
        }
        if (alarmRang || interrupted) {
            outcome = interrupted ? Outcome::interrupted : Outcome::timedOut;
            ::kill(-child, SIGKILL);
        }
    }
    return outcome;
}

Outcome judgeEnd(const Options& options, Outcome outcome, int status) {
    const char* name = options.command[0];
    if (outcome == Outcome::timedOut) {
        std::fprintf(stderr, "benchtime: %s ran past the limit of %ld s\n", name, options.limit);
    } else if (outcome == Outcome::interrupted) {
        std::fprintf(stderr, "benchtime: interrupted\n");
    } else if (WIFEXITED(status) && WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "benchtime: %s exited with status %d\n", name, WEXITSTATUS(status));
        outcome = Outcome::failed;
    } else if (WIFSIGNALED(status)) {
        std::fprintf(stderr, "benchtime: %s was killed by signal %d\n", name, WTERMSIG(status));
        outcome = Outcome::failed;
    }
    return outcome;
}

// Every run starts from the same state, outside the timing: the output file of the run
// before is removed (truncating it in the run would time the freeing of its pages) and
// the machine's dirty pages are written back (else their writing competes with the run).
void prepareRun(const Options& options) {
    struct stat info {};
    if (!options.output.empty() && ::stat(options.output.c_str(), &info) == 0 &&
        S_ISREG(info.st_mode))
        ::unlink(options.output.c_str());
    ::sync();
}

Outcome runOnce(const Options& options, Measure& measure) {
    prepareRun(options);
    double start = now();
    pid_t child = ::fork();
    if (child < 0) {
        std::fprintf(stderr, "benchtime: fork: %s\n", std::strerror(errno));
        return Outcome::failed;
    }
    if (child == 0) runChild(options);
    ::setpgid(child, child);  // also here, so that a kill cannot come before the child's
    alarmRang = 0;
    ::alarm(static_cast<unsigned>(options.limit));
    int status = 0;
    rusage usage{};
    Outcome outcome = awaitChild(child, status, usage);
    ::alarm(0);
    measure.seconds = now() - start;
    measure.peakKib = usage.ru_maxrss;
    return judgeEnd(options, outcome, status);
}

int exitStatus(Outcome outcome) {
    switch (outcome) {
        case Outcome::succeeded:
            return 0;
        case Outcome::timedOut:
            return 3;
        case Outcome::interrupted:
            return 130;
        default:
            return 1;
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    std::string problem = parseOptions(argc, argv, options);
    if (!problem.empty()) return usageError(problem);
    installHandlers();
    Measure best;
    for (long run = 0; run < options.runs; ++run) {
        if (interrupted) return exitStatus(Outcome::interrupted);
        Measure measure;
        Outcome outcome = runOnce(options, measure);
        if (outcome != Outcome::succeeded) return exitStatus(outcome);
        if (run == 0 || measure.seconds < best.seconds) best.seconds = measure.seconds;
        if (measure.peakKib > best.peakKib) best.peakKib = measure.peakKib;
        if (options.enough > 0 && measure.seconds >= static_cast<double>(options.enough)) break;
    }
    std::printf("%.6f %ld\n", best.seconds, best.peakKib);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
