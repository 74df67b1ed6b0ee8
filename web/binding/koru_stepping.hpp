// What the playground needs of the KORU machine beyond `run`: one instruction at a time,
// the index of the next instruction, the branch that entered a trap handler, and the
// addresses of data labels. This adapter gets them from korucore's present interface
// (a Machine that runs for a number of steps and keeps its state between runs; a Program
// without its label table), so that the binding does not depend on how; once korucore
// offers them itself, this file shrinks to calls of its own.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "assembler.hpp"
#include "machine.hpp"
#include "program.hpp"

namespace lumoweb {

enum class Outcome { running, halted, overflowTrap, divideTrap, runtimeError, outputFailed };

struct State {
    Outcome outcome = Outcome::running;
    std::string message;
    std::uint32_t instruction = 0;  // the last executed (or attempted) instruction
    std::int64_t trapFrom = -1;     // for a trap: the branch that entered the handler
    std::uint64_t steps = 0;        // executed since the start
};

class SteppingMachine {
  public:
    // `program` and `input` must outlive the machine; `assembly` is the program's text.
    SteppingMachine(const koru::Program& program, std::string_view assembly, std::string input);

    // Runs at most `maxSteps` instructions, fewer when the program ends first.
    const State& run(std::uint64_t maxSteps);
    const State& step() { return run(1); }

    bool ended() const { return state_.outcome != Outcome::running; }
    const State& state() const { return state_; }
    std::uint32_t pc() const { return pc_; }
    const koru::Machine& machine() const { return machine_; }
    const std::string& output() const { return output_.text(); }

  private:
    std::uint32_t nextAfter(std::uint32_t index) const;
    void classifyHalt();

    const koru::Program& program_;
    std::string inputText_;
    koru::Input input_;
    koru::Output output_{nullptr};
    koru::Machine machine_;
    State state_;
    std::uint32_t pc_ = 0;
    // The entries of the compiled program's two trap handlers, or -1.
    std::int64_t overflowEntry_ = -1;
    std::int64_t divideEntry_ = -1;
};

// The byte addresses of the data labels `names` in the program `assembly` (-1 for a name
// that is not a data label): the same text is assembled with one instruction after its end
// that takes each label's address, and the assembler's own answer is read off them.
std::vector<int> dataAddresses(std::string_view assembly, const std::vector<std::string>& names);

}  // namespace lumoweb
