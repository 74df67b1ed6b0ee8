// libFuzzer entry point for koru's assembler and machine: assembles each input as a program
// file, runs it, and aborts (a crash for libFuzzer) when a property fails:
//
// - assembly either fails with a message and a line within the text, or gives a program
//   whose tables agree (a line, an operand text per instruction; jump targets inside the
//   code; every label found by its name);
// - the fast run loop and single steps agree: the same outcome, registers, flags, steps
//   and output after the same budget of instructions;
// - text after a line "#commands" is fed to the debugger, one command a line.
//
// The same function replays the kept inputs in every build (replay.cpp), so it must not
// depend on libFuzzer.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "assembler.hpp"
#include "debugger.hpp"
#include "machine.hpp"
#include "trace.hpp"

namespace {

constexpr std::uint64_t budget = 3000;
const char programInput[] = "3 -7 32767\n-32768 12 x 5\n";

[[noreturn]] void violated(const char* what) {
    std::fprintf(stderr, "koru_fuzz: property violated: %s\n", what);
    std::abort();
}

void check(bool holds, const char* what) {
    if (!holds) violated(what);
}

std::size_t lineCount(std::string_view text) {
    std::size_t lines = 0;
    for (char c : text) lines += c == '\n';
    return lines + 1;
}

void checkProgram(const koru::Program& program) {
    const std::size_t size = program.code.size();
    check(size >= 2, "a program has an instruction and the end marker");
    check(program.code.back().op == koru::Op::RunOff, "the code ends with the end marker");
    check(program.lines.size() == size && program.operands.size() == size,
          "a line and an operand text per instruction");
    check(program.memory.size() == koru::memorySize, "memory is 64 KiB");
    for (std::size_t i = 0; i < size; ++i) {
        const koru::Instruction& in = program.code[i];
        check(in.srcMode < koru::Mode::PendingAddress && in.dstMode < koru::Mode::PendingAddress,
              "no label is left unresolved");
        if (in.srcMode == koru::Mode::Target) check(in.src < size, "jumps stay inside the code");
        if (i + 1 < size)
            check(!program.instructionText(static_cast<std::uint32_t>(i)).empty(),
                  "every instruction has a text");
    }
    for (std::uint32_t n = 0; n < program.labels.size(); ++n) {
        const koru::Label* label = program.findLabel(program.labelNames.name(n));
        check(label == &program.labels[n], "a label is found by its name");
        if (label->kind == koru::LabelKind::code) {
            check(label->value < size, "a code label names an instruction");
        } else {
            check(label->value < koru::memorySize, "a data label names memory");
        }
    }
    for (const koru::TrapHandler& trap : program.traps) {
        check(trap.halt == trap.entry + 2 && program.code[trap.halt].op == koru::Op::Halt,
              "a trap handler ends in HALT");
    }
}

void compareRuns(const koru::Program& program) {
    koru::Input fastInput{std::string(programInput)};
    koru::Output fastOutput(nullptr);
    koru::Machine fast(program, fastInput, fastOutput);
    koru::RunResult ran = fast.run(budget);

    koru::Input slowInput{std::string(programInput)};
    koru::Output slowOutput(nullptr);
    koru::Machine slow(program, slowInput, slowOutput);
    koru::Outcome outcome = koru::Outcome::running;
    while (outcome == koru::Outcome::running && slow.steps() < budget) outcome = slow.step();
    if (slow.steps() != 0) {
        check(!koru::traceLine(program, slow, slow.last().instruction).empty(), "a trace line");
    }
    if (outcome == koru::Outcome::running) outcome = koru::Outcome::stepLimit;
    check(ran.outcome == outcome, "run and step end the same way");
    check(fast.steps() == slow.steps() && ran.steps == fast.steps(), "the same steps");
    check(fast.a() == slow.a() && fast.b() == slow.b() && fast.sp() == slow.sp(),
          "the same registers");
    check(fast.negative() == slow.negative() && fast.zero() == slow.zero() &&
              fast.overflow() == slow.overflow(),
          "the same flags");
    check(fastOutput.text() == slowOutput.text(), "the same output");
    check(ran.instruction < program.code.size(), "the result names an instruction");
    if (koru::isTrap(ran.outcome)) check(ran.trapFrom < program.code.size(), "a trap's origin");
    check(koru::isFinal(ran.outcome) || ran.outcome == koru::Outcome::stepLimit,
          "a run without breakpoints ends or reaches the limit");
}

void debug(const koru::Program& program, std::string_view source, std::string_view commands) {
    koru::Input input{std::string(programInput)};
    koru::Output output(nullptr);
    std::size_t said = 0;
    koru::DebuggerSetup setup{program, source, "fuzz.asm",
                              input,   output, [&](std::string_view text) { said += text.size(); }};
    setup.maxSteps = budget;
    koru::Debugger debugger(setup);
    debugger.start();
    int count = 0;
    while (!commands.empty() && count++ < 64) {
        std::size_t end = commands.find('\n');
        if (!debugger.execute(commands.substr(0, end))) break;
        commands.remove_prefix(end == std::string_view::npos ? commands.size() : end + 1);
    }
    check(said > 0, "the debugger says something");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string_view commands;
    constexpr std::string_view marker = "\n#commands\n";
    if (std::size_t at = text.find(marker); at != std::string_view::npos) {
        commands = text.substr(at + marker.size());
        text = text.substr(0, at + 1);
    }
    koru::Program program;
    koru::AssemblyError error;
    if (!koru::assembleText(text, program, error)) {
        check(!error.message.empty(), "an assembly error has a message");
        check(program.code.empty(), "a failed assembly leaves the program untouched");
        if (error.kind == koru::AssemblyError::Kind::text) {
            check(error.line >= 1 && error.line <= lineCount(text), "the error's line exists");
        }
        return 0;
    }
    checkProgram(program);
    compareRuns(program);
    if (!commands.empty()) debug(program, text, commands);
    return 0;
}
