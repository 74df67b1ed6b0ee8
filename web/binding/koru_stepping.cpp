// The adapter of koru_stepping.hpp over korucore's Machine::run.
#include "koru_stepping.hpp"

#include <utility>

namespace lumoweb {

namespace {

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// The handlers begin with `MOVE #_Eintegeroverflow,A` and `MOVE #_Edividebyzero,A`.
bool loadsMessage(std::string_view line, std::string_view label) {
    std::size_t at = line.find(label);
    return at != std::string_view::npos && line.find("MOVE") != std::string_view::npos && at > 0 &&
           line[at - 1] == '#';
}

}  // namespace

SteppingMachine::SteppingMachine(const koru::Program& program, std::string_view assembly,
                                 std::string input)
    : program_(program),
      inputText_(input),
      input_(std::move(input)),
      machine_(program, input_, output_) {
    const std::vector<std::string_view> lines = splitLines(assembly);
    for (std::uint32_t i = 0; i + 1 < program.code.size(); ++i) {
        const std::uint32_t line = program.lines[i];
        if (line == 0 || line > lines.size()) continue;
        if (loadsMessage(lines[line - 1], "_Eintegeroverflow")) overflowEntry_ = i;
        if (loadsMessage(lines[line - 1], "_Edividebyzero")) divideEntry_ = i;
    }
}

// Branches leave the flags as they found them, so whether one was taken can be told after.
std::uint32_t SteppingMachine::nextAfter(std::uint32_t index) const {
    const koru::Instruction& in = program_.code[index];
    bool taken = false;
    switch (in.op) {
        case koru::Op::Beq:
            taken = machine_.zero();
            break;
        case koru::Op::Bne:
            taken = !machine_.zero();
            break;
        case koru::Op::Bmi:
            taken = machine_.negative();
            break;
        case koru::Op::Bpl:
            taken = !machine_.negative();
            break;
        case koru::Op::Bvs:
            taken = machine_.overflow();
            break;
        case koru::Op::Bvc:
            taken = !machine_.overflow();
            break;
        case koru::Op::Jmp:
            taken = true;
            break;
        default:
            break;
    }
    return taken ? in.src : index + 1;
}

const State& SteppingMachine::run(std::uint64_t maxSteps) {
    if (ended() || maxSteps == 0) return state_;
    koru::RunOptions options;
    options.maxSteps = maxSteps;
    const koru::RunResult result = machine_.run(options);
    state_.steps += result.steps;
    state_.instruction = result.instruction;
    state_.message = result.message;
    pc_ = nextAfter(result.instruction);
    switch (result.outcome) {
        case koru::Outcome::halted:
            state_.outcome = Outcome::halted;
            classifyHalt();
            break;
        case koru::Outcome::runtimeError:
            state_.outcome = Outcome::runtimeError;
            break;
        case koru::Outcome::stepLimit:  // this call's share is spent; the program goes on
            state_.outcome = Outcome::running;
            break;
        case koru::Outcome::outputFailed:
            state_.outcome = Outcome::outputFailed;
            break;
    }
    return state_;
}

// A halt two instructions after a handler's entry (MOVE, JSR putstring, HALT) is a trap.
// The branch that entered the handler ran three steps before the end: a second machine
// runs the program again to that step, which is cheaper than remembering every branch.
void SteppingMachine::classifyHalt() {
    const std::int64_t halt = state_.instruction;
    Outcome trap = Outcome::halted;
    if (overflowEntry_ >= 0 && halt == overflowEntry_ + 2) trap = Outcome::overflowTrap;
    if (divideEntry_ >= 0 && halt == divideEntry_ + 2) trap = Outcome::divideTrap;
    if (trap == Outcome::halted || state_.steps < 4) return;
    state_.outcome = trap;
    koru::Input input(inputText_);
    koru::Output output(nullptr);
    koru::Machine replay(program_, input, output);
    koru::RunOptions options;
    options.maxSteps = state_.steps - 3;
    state_.trapFrom = replay.run(options).instruction;
}

std::vector<int> dataAddresses(std::string_view assembly, const std::vector<std::string>& names) {
    std::string probe(assembly);
    if (!probe.empty() && probe.back() != '\n') probe += '\n';
    for (const std::string& name : names) probe += "\tMOVE #" + name + ",A\n";
    koru::Program program;
    koru::AssemblyError error;
    std::vector<int> addresses(names.size(), -1);
    // A name that is no data label fails the whole probe: then each is tried on its own.
    if (!koru::assembleText(probe, program, error)) {
        if (names.size() > 1) {
            for (std::size_t i = 0; i < names.size(); ++i)
                addresses[i] = dataAddresses(assembly, {names[i]})[0];
        }
        return addresses;
    }
    const std::size_t first = program.code.size() - 1 - names.size();  // before the sentinel
    for (std::size_t i = 0; i < names.size(); ++i) {
        const koru::Instruction& in = program.code[first + i];
        if (in.srcMode == koru::Mode::Immediate) addresses[i] = static_cast<int>(in.src);
    }
    return addresses;
}

}  // namespace lumoweb
