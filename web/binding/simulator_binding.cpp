// The simulator's side of the playground's WebAssembly module: assemble a program, run it
// in slices (the page's worker checks between slices whether it was stopped), step it one
// instruction or one Lumo statement at a time, and read the machine between steps.
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "assembler.hpp"
#include "machine.hpp"

namespace {

// The page tells apart a plain end, the two traps, a fault of the program (whose message
// says which), a full output, and a program that can go on.
const char* outcomeName(koru::Outcome outcome) {
    if (koru::isRuntimeError(outcome)) return "runtimeError";
    switch (outcome) {
        case koru::Outcome::halted:
            return "halted";
        case koru::Outcome::overflowTrap:
            return "overflowTrap";
        case koru::Outcome::divideTrap:
            return "divideTrap";
        case koru::Outcome::outputFailed:
            return "outputFailed";
        default:
            return "running";
    }
}

struct RunState {
    std::string outcome;
    std::string message;
    int instruction = -1;  // the last executed or attempted, or the next at a stop
    int line = 0;          // its line in the assembly
    int trapFrom = -1;     // for a trap: the branch that entered the handler
    int trapLine = 0;
    double steps = 0;
    int pc = 0;
    int pcLine = 0;
    bool ended = false;
};

class Simulator {
  public:
    Simulator(const std::string& assembly, const std::string& input) : input_(input) {
        assembled_ = koru::assembleText(assembly, program_, error_);
        if (assembled_) machine_ = std::make_unique<koru::Machine>(program_, input_, output_);
    }

    bool assembled() const { return assembled_; }
    int errorLine() const { return static_cast<int>(error_.line); }
    std::string errorMessage() const { return error_.message; }

    // At most `maxSteps` more instructions, and none past `limit` in all; reaching the
    // limit ends the run with outcome "stepLimit".
    RunState run(double maxSteps, double limit) {
        if (!machine_) return {};
        const double left = limit - static_cast<double>(machine_->steps());
        if (!machine_->ended() && left >= 1)
            machine_->run(static_cast<std::uint64_t>(maxSteps < left ? maxSteps : left));
        RunState state = snapshot();
        if (!state.ended && static_cast<double>(machine_->steps()) >= limit) {
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

    // Runs until the next instruction is one of the stops (breakpoints, set by setStops),
    // the program ends, or `maxSteps` instructions have run.
    RunState runToStop(double maxSteps) {
        if (machine_) machine_->run(static_cast<std::uint64_t>(maxSteps));
        return snapshot();
    }

    // One flag per instruction.
    void setStops(const emscripten::val& flags) {
        if (!machine_) return;
        const std::vector<std::uint8_t> stops =
            emscripten::convertJSArrayToNumberVector<std::uint8_t>(flags);
        machine_->clearBreakpoints();
        for (std::size_t i = 0; i < stops.size() && i < program_.code.size(); ++i)
            if (stops[i] != 0) machine_->setBreakpoint(static_cast<std::uint32_t>(i), true);
    }

    int a() const { return machine_ ? koru::toSigned(machine_->a()) : 0; }
    int b() const { return machine_ ? koru::toSigned(machine_->b()) : 0; }
    int sp() const { return machine_ ? machine_->sp() : 0; }
    bool negative() const { return machine_ && machine_->negative(); }
    bool zero() const { return machine_ && machine_->zero(); }
    bool overflow() const { return machine_ && machine_->overflow(); }
    int word(int address) const {
        return machine_ ? koru::toSigned(machine_->word(static_cast<std::uint32_t>(address))) : 0;
    }
    int byte(int address) const {
        return machine_ ? machine_->byte(static_cast<std::uint32_t>(address)) : 0;
    }

    // The words a compiled program has pushed, top first, as address, value, address, ...
    emscripten::val stack() const {
        emscripten::val words = emscripten::val::array();
        if (!machine_) return words;
        for (const koru::StackWord& w : machine_->stack()) {
            words.call<void>("push", static_cast<int>(w.address));
            words.call<void>("push", koru::toSigned(w.value));
        }
        return words;
    }

    // The byte address of a data label, or -1.
    int dataAddress(const std::string& name) const {
        const koru::Label* label = program_.findLabel(name);
        return label != nullptr && label->kind != koru::LabelKind::code
                   ? static_cast<int>(label->value)
                   : -1;
    }

    // The assembly line of each instruction, the end sentinel last.
    emscripten::val instructionLines() const {
        return emscripten::val(
            emscripten::typed_memory_view(program_.lines.size(), program_.lines.data()));
    }

    // What the program wrote since the last call.
    emscripten::val newOutput() {
        const std::string& text = output_.text();
        const std::size_t from = delivered_;
        delivered_ = text.size();
        return emscripten::val(emscripten::typed_memory_view(
            text.size() - from, reinterpret_cast<const std::uint8_t*>(text.data() + from)));
    }

  private:
    int lineOf(std::uint32_t index) const {
        return index < program_.lines.size() ? static_cast<int>(program_.lines[index]) : 0;
    }

    RunState snapshot() const {
        RunState s;
        if (!machine_) return s;
        const koru::RunResult& last = machine_->last();
        s.outcome = outcomeName(last.outcome);
        s.message = last.message;
        s.steps = static_cast<double>(machine_->steps());
        s.ended = machine_->ended();
        if (s.steps > 0) {
            s.instruction = static_cast<int>(last.instruction);
            s.line = lineOf(last.instruction);
        }
        if (koru::isTrap(last.outcome)) {
            s.trapFrom = static_cast<int>(last.trapFrom);
            s.trapLine = lineOf(last.trapFrom);
        }
        s.pc = static_cast<int>(machine_->pc());
        s.pcLine = lineOf(machine_->pc());
        return s;
    }

    koru::Program program_;
    koru::AssemblyError error_;
    bool assembled_ = false;
    koru::Input input_;
    koru::Output output_{nullptr};
    std::unique_ptr<koru::Machine> machine_;
    std::size_t delivered_ = 0;
};

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
        .function("stack", &Simulator::stack)
        .function("dataAddress", &Simulator::dataAddress)
        .function("instructionLines", &Simulator::instructionLines)
        .function("newOutput", &Simulator::newOutput);
}
