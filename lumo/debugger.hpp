// The Lumo debugger: a session of commands over one run of a compiled program that stops
// at Lumo statements rather than at machine instructions. The statement map tells which
// instructions each statement owns; a statement is entered at the first instruction of
// its code (for a `while`, its condition, which every round goes through again).
//
// It takes command lines and gives back text, and leaves reading the lines (a terminal, a
// pipe, a web page) to its caller: plain C++ over korucore, like the hints.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "machine.hpp"
#include "runtime.hpp"

namespace lumo::debug {

struct Setup {
    const runtime::Compiled& compiled;  // must have compiled; outlives the debugger
    std::string fileName;               // for messages
    koru::Input& input;                 // the running program's input
    koru::Output& output;               // the running program's output
    // Receives the debugger's text. The program's output is flushed before each piece, so
    // that both appear in the order they happened.
    std::function<void(std::string_view)> say;
    std::uint64_t maxSteps = 100000000;  // the most one command runs before it gives back control
    bool (*interrupted)() = nullptr;     // polled between slices of a long run
};

class Debugger {
  public:
    explicit Debugger(const Setup& setup);

    // Runs the declarations' code up to the first statement of the block and says where.
    void start();

    // Carries out one command line; false once the session is over (`quit`). An empty line
    // repeats a `step`, `next` or `stepi`.
    bool execute(std::string_view line);

    // How the program ended (normal while it has not).
    runtime::Ending ending() const { return ending_; }
    bool ended() const { return ended_; }

  private:
    struct Name {
        std::string name;
        std::string type;  // int, bool or string
        bool constant = false;
        std::uint32_t address = 0;
    };

    void help();
    void breakCommand(std::string_view argument);
    void deleteCommand(std::string_view argument);
    void printCommand(std::string_view name);
    void infoCommand(std::string_view what);
    void listCommand(std::string_view argument);
    void asmCommand();
    // Runs until a statement for which `stop` holds is about to begin, a breakpoint, the
    // end, or the command's step budget.
    template <typename Stop>
    void runUntil(Stop stop, bool breakpoints);
    void stepInstruction();
    void finish(const koru::RunResult& result);
    void say(const std::string& text);
    bool notRunning();

    std::string valueOf(const Name& n) const;
    std::string sourceLine(int line) const;
    std::string here() const;  // "7\t    cout << i;"
    int currentStatement() const;
    int currentLine() const;
    bool inside(int statement, int outer) const;

    const runtime::Compiled& compiled_;
    std::string fileName_;
    koru::Input& input_;
    koru::Output& output_;
    std::function<void(std::string_view)> say_;
    std::uint64_t maxSteps_;
    bool (*interrupted_)();
    koru::Machine machine_;

    std::vector<int> entryStatement_;     // per instruction: the statement it begins, or -1
    std::vector<std::uint32_t> entryOf_;  // per statement: its first instruction
    std::vector<std::string_view> sourceLines_;
    std::vector<std::string_view> asmLines_;
    std::vector<Name> names_;
    std::map<int, std::uint32_t> breakpoints_;  // line -> instruction
    std::string repeat_;
    std::uint64_t outputSeen_ = 0;
    bool ended_ = false;
    runtime::Ending ending_ = runtime::Ending::normal;
};

}  // namespace lumo::debug
