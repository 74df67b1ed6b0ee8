// The simulator's side of the playground's WebAssembly module: assemble a program, run it
// in slices (the page's worker checks between slices whether it was stopped), step it one
// instruction or one Lumo statement at a time, and read the machine between steps.
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "koru_stepping.hpp"

namespace {

using lumoweb::Outcome;

const char* outcomeName(Outcome outcome) {
    switch (outcome) {
        case Outcome::running:
            return "running";
        case Outcome::halted:
            return "halted";
        case Outcome::overflowTrap:
            return "overflowTrap";
        case Outcome::divideTrap:
            return "divideTrap";
        case Outcome::runtimeError:
            return "runtimeError";
        case Outcome::outputFailed:
            return "outputFailed";
    }
    return "running";
}

struct RunState {
    std::string outcome;
    std::string message;
    int instruction = -1;  // the last executed or attempted
    int line = 0;          // its line in the assembly
    int trapFrom = -1;
    int trapLine = 0;
    double steps = 0;
    int pc = 0;
    int pcLine = 0;
    bool ended = false;
};

class Simulator {
  public:
    Simulator(const std::string& assembly, const std::string& input) {
        assembled_ = koru::assembleText(assembly, program_, error_);
        if (assembled_)
            machine_ = std::make_unique<lumoweb::SteppingMachine>(program_, assembly, input);
    }

    bool assembled() const { return assembled_; }
    int errorLine() const { return static_cast<int>(error_.line); }
    std::string errorMessage() const { return error_.message; }

    // At most `maxSteps` more instructions, and none past `limit` in all; reaching the
    // limit ends the run with outcome "stepLimit".
    RunState run(double maxSteps, double limit) {
        if (!machine_) return {};
        const double left = limit - static_cast<double>(machine_->state().steps);
        if (!machine_->ended() && left >= 1)
            machine_->run(static_cast<std::uint64_t>(maxSteps < left ? maxSteps : left));
        RunState state = snapshot();
        if (!state.ended && static_cast<double>(machine_->state().steps) >= limit) {
            state.outcome = "stepLimit";
            state.message =
                "step limit of " + std::to_string(static_cast<std::uint64_t>(limit)) + " reached";
            state.ended = true;
        }
        return state;
    }

    RunState step() {
        if (machine_) machine_->step();
        return snapshot();
    }

    // Steps until the next instruction is one of the stops (flags per instruction, set by
    // setStops), the program ends, or `maxSteps` instructions have run.
    RunState runToStop(double maxSteps) {
        if (!machine_) return {};
        for (double n = 0; n < maxSteps && !machine_->ended(); ++n) {
            machine_->step();
            const std::uint32_t pc = machine_->pc();
            if (pc < stops_.size() && stops_[pc] != 0) break;
        }
        return snapshot();
    }

    void setStops(const emscripten::val& flags) {
        stops_ = emscripten::convertJSArrayToNumberVector<std::uint8_t>(flags);
    }

    int a() const { return reg(koru::regA); }
    int b() const { return reg(koru::regB); }
    int sp() const { return machine_ ? machine_->machine().registerValue(koru::regSP) : 0; }
    bool negative() const { return machine_ && machine_->machine().negative(); }
    bool zero() const { return machine_ && machine_->machine().zero(); }
    bool overflow() const { return machine_ && machine_->machine().overflow(); }
    int word(int address) const {
        return machine_
                   ? koru::toSigned(machine_->machine().word(static_cast<std::uint32_t>(address)))
                   : 0;
    }
    int byte(int address) const {
        return machine_ ? (machine_->machine().word(static_cast<std::uint32_t>(address)) >> 8) : 0;
    }

    // The assembly line of each instruction, the end sentinel last.
    emscripten::val instructionLines() const {
        return emscripten::val(
            emscripten::typed_memory_view(program_.lines.size(), program_.lines.data()));
    }

    // What the program wrote since the last call.
    emscripten::val newOutput() {
        if (!machine_) return emscripten::val(emscripten::typed_memory_view(0, outputNone));
        const std::string& text = machine_->output();
        const std::size_t from = delivered_;
        delivered_ = text.size();
        return emscripten::val(emscripten::typed_memory_view(
            text.size() - from, reinterpret_cast<const std::uint8_t*>(text.data() + from)));
    }

  private:
    int reg(koru::Register r) const {
        return machine_ ? koru::toSigned(machine_->machine().registerValue(r)) : 0;
    }
    int lineOf(std::int64_t index) const {
        return index >= 0 && static_cast<std::size_t>(index) < program_.lines.size()
                   ? static_cast<int>(program_.lines[static_cast<std::size_t>(index)])
                   : 0;
    }

    RunState snapshot() const {
        RunState s;
        const lumoweb::State& state = machine_->state();
        s.outcome = outcomeName(state.outcome);
        s.message = state.message;
        s.steps = static_cast<double>(state.steps);
        s.ended = machine_->ended();
        if (state.steps > 0) {
            s.instruction = static_cast<int>(state.instruction);
            s.line = lineOf(state.instruction);
        }
        s.trapFrom = static_cast<int>(state.trapFrom);
        s.trapLine = lineOf(state.trapFrom);
        s.pc = static_cast<int>(machine_->pc());
        s.pcLine = lineOf(machine_->pc());
        return s;
    }

    static inline const std::uint8_t outputNone[1] = {0};
    koru::Program program_;
    koru::AssemblyError error_;
    bool assembled_ = false;
    std::unique_ptr<lumoweb::SteppingMachine> machine_;
    std::vector<std::uint8_t> stops_;
    std::size_t delivered_ = 0;
};

emscripten::val dataAddresses(const std::string& assembly, const emscripten::val& names) {
    const std::vector<std::string> list = emscripten::vecFromJSArray<std::string>(names);
    emscripten::val result = emscripten::val::array();
    for (int address : lumoweb::dataAddresses(assembly, list)) result.call<void>("push", address);
    return result;
}

}  // namespace

EMSCRIPTEN_BINDINGS(lumo_simulator) {
    emscripten::value_object<RunState>("RunState")
        .field("outcome", &RunState::outcome)
        .field("message", &RunState::message)
        .field("instruction", &RunState::instruction)
        .field("line", &RunState::line)
        .field("trapFrom", &RunState::trapFrom)
        .field("trapLine", &RunState::trapLine)
        .field("steps", &RunState::steps)
        .field("pc", &RunState::pc)
        .field("pcLine", &RunState::pcLine)
        .field("ended", &RunState::ended);
    emscripten::class_<Simulator>("Simulator")
        .constructor<const std::string&, const std::string&>()
        .function("assembled", &Simulator::assembled)
        .function("errorLine", &Simulator::errorLine)
        .function("errorMessage", &Simulator::errorMessage)
        .function("run", &Simulator::run)
        .function("step", &Simulator::step)
        .function("runToStop", &Simulator::runToStop)
        .function("setStops", &Simulator::setStops)
        .function("a", &Simulator::a)
        .function("b", &Simulator::b)
        .function("sp", &Simulator::sp)
        .function("negative", &Simulator::negative)
        .function("zero", &Simulator::zero)
        .function("overflow", &Simulator::overflow)
        .function("word", &Simulator::word)
        .function("byte", &Simulator::byte)
        .function("instructionLines", &Simulator::instructionLines)
        .function("newOutput", &Simulator::newOutput);
    emscripten::function("dataAddresses", &dataAddresses);
}
