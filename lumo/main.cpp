// lumo: the student's command. Checks a program and shows each mistake at its line with a
// hint, builds it as lumoc would, runs and debugs it by its Lumo lines, explains error
// numbers, and grades submissions against cases.
#include <csignal>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "cli.hpp"

#ifndef LUMO_VERSION
#define LUMO_VERSION "0"
#endif

namespace {

struct Subcommand {
    const char* name;
    int (*run)(const std::vector<std::string>&);
    const char* summary;
    const char* help;
};

const char runStatuses[] =
    "exit status:\n"
    "  0        the program ended normally\n"
    "  1-30, 101-225\n"
    "           the program does not compile: lumoc's status for its error\n"
    "  80       integer overflow (the program printed \"Integer overflow!\")\n"
    "  81       divide by zero (the program printed \"Divide by zero!\")\n"
    "  82       bad input: 'cin >>' found no number left, or not a number in -32768..32767\n"
    "  83       stack overflow: an expression needed more than the machine's 111 words\n"
    "  84       step limit reached (--max-steps)\n"
    "  85       another fault of the machine\n"
    "  64       bad usage;  66  FILE cannot be read;  74  output cannot be written\n";

const Subcommand subcommands[] = {
    {"check", lumo::cli::check, "show each file's mistake at its line, with a hint",
     "usage: lumo check [--color=auto|always|never] FILE...\n"
     "\n"
     "Analyses each FILE as lumoc does and prints, on standard output, its diagnostic in\n"
     "the form editors parse:\n"
     "\n"
     "  FILE:LINE:COL: error: MESSAGE [E206]\n"
     "\n"
     "then the source line with a caret under the token lumoc reported and, where one fits,\n"
     "'note:' lines with a hint. LINE and COL count from 1; COL counts bytes. Warnings\n"
     "point out code that compiles but may not do what it seems to: a chain of -, / or %\n"
     "that Lumo groups from the right ([grouping]), and an expression that needs more\n"
     "than the machine's 111 stack words ([stack]). Warnings never change the status.\n"
     "FILE '-' reads standard input. 'lumo explain CODE' tells more about an error.\n"
     "\n"
     "options:\n"
     "  --color=WHEN  auto (the default: colour on a terminal), always or never;\n"
     "                never when the environment variable NO_COLOR is set\n"
     "\n"
     "exit status: lumoc's status for the first file with an error (1-30, 101-225),\n"
     "0 when every file compiles; 64 bad usage, 66 a FILE cannot be read.\n"},
    {"build", lumo::cli::build, "compile a program to KORU assembly, as lumoc does",
     "usage: lumo build [--color=WHEN] FILE [-o OUT]\n"
     "\n"
     "Compiles FILE and writes exactly the bytes lumoc writes for it to OUT (by default\n"
     "FILE with .lumo replaced by .asm). FILE '-' reads standard input, OUT '-' writes\n"
     "standard output (the default for standard input). A mistake is shown on standard\n"
     "error as 'lumo check' shows it, and no OUT is written; an existing OUT is replaced\n"
     "only by a complete new one.\n"
     "\n"
     "exit status: 0; lumoc's status for an error (1-30, 101-225); 64 bad usage, 66 FILE\n"
     "cannot be read, 73 OUT cannot be written, 74 standard output cannot be written.\n"},
    {"run", lumo::cli::run, "compile and run a program", nullptr},
    {"debug", lumo::cli::debug, "step through a program by its Lumo lines",
     "usage: lumo debug FILE [--input F]\n"
     "\n"
     "Runs FILE under a debugger that stops at Lumo statements. It starts stopped at the\n"
     "first statement of the program's block. Commands (a unique prefix will do):\n"
     "\n"
     "  break LINE   stop at the first statement that begins on LINE (or after it)\n"
     "  delete LINE  remove that breakpoint (without LINE: all of them)\n"
     "  step, s      run to the next statement, into the body of an if or while\n"
     "  next, n      run to the next statement at this level or outside it, over the\n"
     "               bodies of an if or a while\n"
     "  stepi, si    run one machine instruction\n"
     "  continue, c  run to the next breakpoint or the end\n"
     "  print NAME   the value of a declared name;  info locals: all of them\n"
     "  list [LINE]  source lines around the current one (or LINE)\n"
     "  asm          the assembly of the current statement, the next instruction marked\n"
     "  help, quit\n"
     "\n"
     "An empty line repeats step, next or stepi. On a terminal the command line can be\n"
     "edited and recalled; from a pipe, commands are read a line at a time. Without\n"
     "--input, the program reads its numbers from standard input too, when it asks.\n"
     "\n"
     "exit status: as 'lumo run' for how the program ended, 0 after quit.\n"},
    {"explain", lumo::cli::explain, "explain an error code (E206, 206, L4)",
     "usage: lumo explain CODE\n"
     "\n"
     "Tells what an error means, shows a small program that makes lumoc report it, with\n"
     "what 'lumo check' says about it, and how to fix it. CODE is what 'lumo check' shows\n"
     "in brackets: E and lumoc's error number (E8, E102, E206), the number alone (206), or\n"
     "L and the status of a lexical error (L4). 'lumo explain --list' lists every code.\n"
     "The same texts make docs/diagnostics.md.\n"
     "\n"
     "exit status: 0; 64 for an unknown CODE.\n"},
    {"test", lumo::cli::test, "run one program against a folder of cases", nullptr},
    {"grade", lumo::cli::grade, "run every submission of a folder against the cases", nullptr},
};

const char runHelp[] =
    "usage: lumo run FILE [--input F] [--max-steps N]\n"
    "\n"
    "Compiles FILE in memory and runs it on the KORU machine. The program reads its\n"
    "numbers from F, or else from standard input (typed at the terminal, a line at a\n"
    "time). When it stops with an error, the Lumo statement that was running is shown:\n"
    "\n"
    "  FILE:LINE:COL: runtime error: integer overflow\n"
    "\n"
    "with its source line and a caret, on standard error. A mistake that stops the\n"
    "compiler is shown as 'lumo check' shows it.\n"
    "\n"
    "options:\n"
    "  --input F      read the program's input from F\n"
    "  --max-steps N  stop after N machine instructions (default 100000000; 0: no limit)\n"
    "  --color=WHEN   auto, always or never, as for 'lumo check'\n"
    "\n";

const char testHelp[] =
    "usage: lumo test FILE CASES_DIR [--max-steps N] [--junit OUT.xml]\n"
    "\n"
    "Runs FILE against every case of CASES_DIR. A case is NAME.in (the program's input)\n"
    "and NAME.out (the output it must print), with an optional NAME.status: the exit\n"
    "status koru gives the run (0 when it ends, also after a trap such as \"Integer\n"
    "overflow!\"; 4 after a run-time error; 5 at the step limit), or one of lumo run's\n"
    "statuses 80-85 for a particular kind. Prints one line per case and, for a failed\n"
    "one, why. See 'lumo help grade' for the outcomes and docs/grading.md.\n"
    "\n"
    "options:\n"
    "  --max-steps N  the step limit of each run (default 100000000)\n"
    "  --junit OUT    also write a JUnit XML report to OUT\n"
    "\n"
    "exit status: 0 when every case passed, 1 when one did not; 64 bad usage, 66 a file\n"
    "or folder cannot be read, 73 OUT cannot be written.\n";

const char gradeHelp[] =
    "usage: lumo grade SUBMISSIONS_DIR CASES_DIR [--max-steps N] [--jobs N] [--junit OUT.xml]\n"
    "\n"
    "Runs every .lumo file of SUBMISSIONS_DIR against every case of CASES_DIR (see 'lumo\n"
    "help test'), on all cores, and prints a table on standard output: one row per\n"
    "submission, one column per case, then the reason of every case that failed. The\n"
    "outcomes are kept apart:\n"
    "\n"
    "  pass     the output and status are the expected ones\n"
    "  wrong    wrong output (the first line that differs is shown) or wrong status\n"
    "  compile  the program does not compile (its diagnostic is shown, located)\n"
    "  error    a run-time error or trap that the case did not expect, at its Lumo line\n"
    "  limit    the step limit was reached: an endless loop, most likely\n"
    "\n"
    "options:\n"
    "  --max-steps N  the step limit of each run (default 100000000, under a second)\n"
    "  --jobs N       runs at once (default: one per core)\n"
    "  --junit OUT    also write a JUnit XML report to OUT: a test suite per submission,\n"
    "                 a test case per case, a failure with the reason for each one failed\n"
    "\n"
    "exit status: 0 when every case of every submission passed, 1 otherwise; 64 bad\n"
    "usage, 66 a folder cannot be read, 73 OUT cannot be written.\n";

const char* helpOf(const Subcommand& s) {
    if (std::strcmp(s.name, "run") == 0) return runHelp;
    if (std::strcmp(s.name, "test") == 0) return testHelp;
    if (std::strcmp(s.name, "grade") == 0) return gradeHelp;
    return s.help;
}

void printHelp(const Subcommand& s) {
    std::cout << helpOf(s);
    if (std::strcmp(s.name, "run") == 0) std::cout << runStatuses;
}

void printOverview() {
    std::cout << "usage: lumo COMMAND [ARGS...]\n"
                 "\n"
                 "The Lumo toolchain for students: check, build, run and debug Lumo programs.\n"
                 "\n"
                 "commands:\n";
    for (const Subcommand& s : subcommands) {
        std::string name = s.name;
        name.resize(10, ' ');
        std::cout << "  " << name << s.summary << "\n";
    }
    std::cout << "  help      show the help of a command: lumo help run\n"
                 "\n"
                 "options:\n"
                 "  --help     show this text\n"
                 "  --version  show the version\n"
                 "\n"
                 "For example: lumo run examples/countdown.lumo, lumo check prog.lumo,\n"
                 "lumo explain E206. The language: docs/language.md; the errors:\n"
                 "docs/diagnostics.md.\n";
}

const Subcommand* find(const std::string& name) {
    for (const Subcommand& s : subcommands) {
        if (name == s.name) return &s;
    }
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    // A closed pipe must show up as a failed write, reported, not as a silent signal.
    std::signal(SIGPIPE, SIG_IGN);
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        printOverview();
        return lumo::cli::usageStatus;
    }
    const std::string first = args.front();
    if (first == "--help" || first == "-h") {
        printOverview();
        return 0;
    }
    if (first == "--version" || first == "-V") {
        std::cout << "lumo (Lumo toolchain) " << LUMO_VERSION << "\n";
        return 0;
    }
    if (first == "help") {
        if (args.size() == 1) {
            printOverview();
            return 0;
        }
        const Subcommand* s = find(args[1]);
        if (s == nullptr) return lumo::cli::usage("", "no command '" + args[1] + "'");
        printHelp(*s);
        return 0;
    }
    const Subcommand* s = find(first);
    if (s == nullptr) return lumo::cli::usage("", "no command '" + first + "'");
    args.erase(args.begin());
    for (const std::string& a : args) {
        if (a == "--help" || a == "-h") {
            printHelp(*s);
            return 0;
        }
        if (a == "--") break;
    }
    return s->run(args);
}
