// The koru debugger: a session of commands over one Machine (break, step, continue, regs,
// stack, mem, print, list, watch, ...). It takes command lines and gives back text, and
// leaves reading the lines (a terminal, a pipe, a web page) to its caller.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "io.hpp"
#include "machine.hpp"
#include "program.hpp"

namespace koru {

struct DebuggerSetup {
    const Program& program;
    std::string_view source;  // the assembly text, for `list`; must outlive the debugger
    std::string name;         // the program file's name, for messages
    Input& input;             // the running program's input; `run` starts it again
    Output& output;           // the running program's output
    // Receives the debugger's text. The program's output is flushed before each piece, so
    // that both appear in the order they happened.
    std::function<void(std::string_view)> say;
    std::uint64_t maxSteps = 100000000;  // the most one command runs (0: no limit)
    bool (*interrupted)() = nullptr;     // polled between slices of a long run
};

class Debugger {
  public:
    explicit Debugger(const DebuggerSetup& setup);

    // Says what to know before the first command.
    void start();

    // Carries out one command line; false once the session is over (`quit`). An empty line
    // repeats a `step` or `next`.
    bool execute(std::string_view line);

    const Machine& machine() const { return machine_; }

  private:
    struct Stop {
        int number;
        bool watch;           // else a breakpoint
        std::uint32_t place;  // instruction index, or the watched word's address
        std::string name;     // how the user named it
    };

    void dispatch(int command, std::string_view arguments);
    void breakCommand(std::string_view where);
    void deleteCommand(std::string_view which);
    void stepCommand(std::string_view count);
    void runOn();
    void runCommand();
    void stackCommand();
    void memCommand(std::string_view arguments);
    void printCommand(std::string_view name);
    void listCommand(std::string_view where);
    void watchCommand(std::string_view name);

    void describeStop(const RunResult& result);
    std::string where(std::uint32_t index) const;  // "line 23: MOVE B,sym_a"
    bool address(std::string_view text, std::uint16_t& value) const;
    const Label* dataLabel(std::string_view name);  // says why when there is none
    void emit();

    std::string reply_;
    std::uint64_t outputSeen_ = 0;  // the program's output up to the debugger's last text
    const Program& program_;
    std::vector<std::string_view> sourceLines_;
    std::string name_;
    Input& input_;
    Output& output_;
    std::function<void(std::string_view)> say_;
    std::uint64_t maxSteps_;
    bool (*interrupted_)();
    Machine machine_;
    std::uint16_t stackStart_ = 0xDF;
    std::vector<Stop> stops_;
    int nextNumber_ = 1;
    std::string repeatable_;  // the last step or next, for an empty line
};

}  // namespace koru
