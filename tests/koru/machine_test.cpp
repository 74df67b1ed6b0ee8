// The machine as another program drives it: one step at a time, runs that stop at
// breakpoints and watches, the state read between them, and the outcome kinds.
#include <string>

#include "koru_testing.hpp"
#include "trace.hpp"

namespace {

struct Loaded {
    koru::Program program;
    koru::Input input{std::string()};
    koru::Output output{nullptr};
};

// Assembles `source`, which must be right.
void load(Loaded& loaded, const std::string& source, const std::string& input = "") {
    koru::AssemblyError error;
    ASSERT_TRUE(koru::assembleText(source, loaded.program, error))
        << error.line << ": " << error.message;
    loaded.input = koru::Input(input);
}

// Code on lines 4-5 and 10-16, "loop" on line 11; sym_n at $0100, sym_t at $0102.
const std::string counter = korutest::framed(
    "\tMOVE #^3,B\nloop\n\tSUB  #^1,B\n\tMOVE B,sym_n\n\tMOVE B,sym_n\n\tBNE  loop\n\tHALT\n",
    "sym_n\tDS.W 1\nsym_t\tDC.B 'ok',0\n");

TEST(Machine, StepsOneInstructionAtATime) {
    Loaded l;
    load(l, counter);
    koru::Machine machine(l.program, l.input, l.output);
    EXPECT_EQ(machine.step(), koru::Outcome::running);  // MOVE #$DF,SP
    EXPECT_EQ(machine.sp(), 0xDF);
    EXPECT_EQ(machine.step(), koru::Outcome::running);  // JMP main
    EXPECT_EQ(machine.last().instruction, 1u);
    EXPECT_EQ(machine.pc(), 2u);
    EXPECT_EQ(l.program.lines[machine.pc()], 10u);
    EXPECT_EQ(machine.steps(), 2u);
    koru::Outcome outcome = koru::Outcome::running;
    while (outcome == koru::Outcome::running) outcome = machine.step();
    EXPECT_EQ(outcome, koru::Outcome::halted);
    std::uint64_t steps = machine.steps();
    EXPECT_EQ(steps, 2u + 1 + 3 * 4 + 1);
    EXPECT_TRUE(machine.ended());
    EXPECT_EQ(machine.step(), koru::Outcome::halted);  // nothing more happens
    EXPECT_EQ(machine.steps(), steps);
}

TEST(Machine, BreakpointsStopBeforeTheirInstructionExceptWhereARunStarts) {
    Loaded l;
    load(l, counter);
    koru::Machine machine(l.program, l.input, l.output);
    const koru::Label* loop = l.program.findLabel("loop");
    ASSERT_NE(loop, nullptr);
    machine.setBreakpoint(loop->value, true);
    koru::RunResult first = machine.run(0);
    EXPECT_EQ(first.outcome, koru::Outcome::breakpoint);
    EXPECT_EQ(first.instruction, loop->value);
    EXPECT_EQ(machine.pc(), loop->value);
    EXPECT_EQ(machine.b(), 3);
    koru::RunResult second = machine.run(0);  // goes on from the breakpoint it stopped at
    EXPECT_EQ(second.outcome, koru::Outcome::breakpoint);
    EXPECT_EQ(second.steps - first.steps, 4u);
    EXPECT_EQ(machine.b(), 2);
    machine.setBreakpoint(loop->value, false);
    EXPECT_FALSE(machine.breakpointAt(loop->value));
    EXPECT_EQ(machine.run(0).outcome, koru::Outcome::halted);
}

TEST(Machine, AStepLimitLeavesTheMachineAbleToGoOn) {
    Loaded l;
    load(l, counter);
    koru::Machine machine(l.program, l.input, l.output);
    koru::RunResult limited = machine.run(5);
    EXPECT_EQ(limited.outcome, koru::Outcome::stepLimit);
    EXPECT_EQ(limited.steps, 5u);
    EXPECT_EQ(limited.instruction, machine.pc());
    EXPECT_FALSE(machine.ended());
    EXPECT_EQ(machine.run(0).outcome, koru::Outcome::halted);
    EXPECT_EQ(machine.steps(), 16u);
}

TEST(Machine, WatchesStopAfterTheInstructionThatChangesTheWord) {
    Loaded l;
    load(l, counter);
    koru::Machine machine(l.program, l.input, l.output);
    std::uint16_t address = static_cast<std::uint16_t>(l.program.findLabel("sym_n")->value);
    machine.addWatch(address);
    koru::RunResult changed = machine.run(0);
    ASSERT_EQ(changed.outcome, koru::Outcome::watch);
    EXPECT_EQ(l.program.lines[changed.instruction], 13u);  // the first MOVE B,sym_n
    EXPECT_EQ(changed.watched, address);
    EXPECT_NE(changed.message.find("from 0 to 2"), std::string::npos) << changed.message;
    // The second MOVE stores the same value and does not stop the run.
    EXPECT_EQ(machine.run(0).instruction, changed.instruction);
    EXPECT_EQ(machine.word(address), 1);
    EXPECT_EQ(machine.step(), koru::Outcome::running);  // the second MOVE B,sym_n
    machine.removeWatch(address);
    EXPECT_EQ(machine.run(0).outcome, koru::Outcome::halted);
}

TEST(Machine, StackListsTheWordsFromSpUpToItsStart) {
    Loaded l;
    load(l, korutest::framed("\tMOVE #^7,A\n\tPUSH A\n\tMOVE #^-2,A\n\tPUSH A\n\tHALT\n"));
    koru::Machine machine(l.program, l.input, l.output);
    machine.step();  // MOVE #$DF,SP
    EXPECT_TRUE(machine.stack().empty());
    machine.run(0);
    std::vector<koru::StackWord> stack = machine.stack(0xDF);
    ASSERT_EQ(stack.size(), 2u);
    EXPECT_EQ(stack[0].address, 0xDB);
    EXPECT_EQ(stack[0].value, 0xFFFE);
    EXPECT_EQ(stack[1].address, 0xDD);
    EXPECT_EQ(stack[1].value, 7);
}

TEST(Machine, ResetGoesBackToTheAssembledState) {
    Loaded l;
    load(l, counter);
    koru::Machine machine(l.program, l.input, l.output);
    std::uint32_t loop = l.program.findLabel("loop")->value;
    machine.run(0);
    machine.setBreakpoint(loop, true);
    machine.reset();
    EXPECT_EQ(machine.pc(), 0u);
    EXPECT_EQ(machine.steps(), 0u);
    EXPECT_EQ(machine.sp(), 0);
    EXPECT_EQ(machine.word(0x100), 0);
    EXPECT_FALSE(machine.ended());
    EXPECT_EQ(machine.run(0).outcome, koru::Outcome::breakpoint);  // breakpoints stay
}

TEST(Program, KeepsLabelsOperandTextsAndLines) {
    Loaded l;
    load(l, counter);
    const koru::Program& p = l.program;
    struct Expected {
        const char* name;
        koru::LabelKind kind;
        std::uint32_t value;
    } labels[] = {{"main", koru::LabelKind::code, 2},
                  {"loop", koru::LabelKind::code, 3},
                  {"sym_n", koru::LabelKind::words, 0x100},
                  {"sym_t", koru::LabelKind::text, 0x102}};
    for (const Expected& e : labels) {
        const koru::Label* label = p.findLabel(e.name);
        ASSERT_NE(label, nullptr) << e.name;
        EXPECT_EQ(label->kind, e.kind) << e.name;
        EXPECT_EQ(label->value, e.value) << e.name;
    }
    EXPECT_EQ(p.findLabel("nowhere"), nullptr);
    EXPECT_EQ(p.findLabel("SUB"), nullptr);
    EXPECT_EQ(p.instructionText(0), "MOVE #$DF,SP");
    EXPECT_EQ(p.instructionText(1), "JMP  main");
    EXPECT_EQ(p.instructionText(3), "SUB  #^1,B");
    EXPECT_EQ(p.operandText(4), "B,sym_n");
    EXPECT_EQ(p.instructionText(6), "BNE  loop");
    EXPECT_EQ(p.instructionText(7), "HALT");
    EXPECT_EQ(p.instructionAtLine(1), 0u);   // the MOVE on line 4
    EXPECT_EQ(p.instructionAtLine(11), 3u);  // "loop" alone on line 11: the SUB on 12
    EXPECT_EQ(p.lines[3], 12u);
    EXPECT_EQ(p.instructionAtLine(999), p.code.size() - 1);
}

// The handlers as the compiler writes them, entered by BVS after ADD and BEQ after CMP.
std::string trapping(const std::string& body) {
    return korutest::framed(body +
                                "\tHALT\nL0\n\tMOVE #_Eintegeroverflow,A\n\tJSR  putstring\n"
                                "\tHALT\n\nLdividebyzero\n\tMOVE #_Edividebyzero,A\n"
                                "\tJSR  putstring\n\tHALT\n",
                            "_Eintegeroverflow DC.B 'Integer overflow!\\n',0\n\n"
                            "_Edividebyzero    DC.B 'Divide by zero!\\n',0\n");
}

struct Trap {
    const char* name;
    std::string source;
    koru::Outcome outcome;
    const char* from;  // the instruction that entered the handler, as written
    const char* output;
};

void PrintTo(const Trap& trap, std::ostream* os) {
    *os << trap.name;
}

class TrapOutcomes : public ::testing::TestWithParam<Trap> {};

TEST_P(TrapOutcomes, TellWhichHandlerEndedTheProgramAndWhatEnteredIt) {
    const Trap& trap = GetParam();
    Loaded l;
    load(l, trap.source);
    koru::Machine machine(l.program, l.input, l.output);
    koru::RunResult result = machine.run(0);
    EXPECT_EQ(result.outcome, trap.outcome);
    EXPECT_EQ(l.output.text(), trap.output);
    if (koru::isTrap(trap.outcome)) {
        EXPECT_EQ(l.program.instructionText(result.trapFrom), trap.from);
        EXPECT_EQ(l.program.code[result.instruction].op, koru::Op::Halt);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Handlers, TrapOutcomes,
    ::testing::Values(
        Trap{"overflow", trapping("\tMOVE #^32767,A\n\tMOVE #^1,B\n\tADD  B,A\n\tBVS  L0\n"),
             koru::Outcome::overflowTrap, "BVS  L0", "Integer overflow!\n"},
        Trap{"divide", trapping("\tMOVE #^0,B\n\tCMP #$00,B\n\tBEQ Ldividebyzero\n\tDIV  B,A\n"),
             koru::Outcome::divideTrap, "BEQ  Ldividebyzero", "Divide by zero!\n"},
        Trap{"no_trap", trapping("\tMOVE #^1,A\n\tADD  A,A\n\tBVS  L0\n"), koru::Outcome::halted,
             "", ""},
        Trap{"jumped_in_by_jmp", trapping("\tMOVE #^1,A\n\tJMP  Ldividebyzero\n"),
             koru::Outcome::divideTrap, "JMP  Ldividebyzero", "Divide by zero!\n"},
        Trap{"fallen_into",
             "sym_e\tDC.B 'x',0\n_Eintegeroverflow DC.B 'Integer overflow!\\n',0\n"
             "\tMOVE #^2,B\n\tMOVE #_Eintegeroverflow,A\n\tJSR  putstring\n\tHALT\n",
             koru::Outcome::overflowTrap, "MOVE #^2,B", "Integer overflow!\n"},
        // The same code loading another message is an ordinary end.
        Trap{"other_message", "_Eother DC.B 'x',0\n\tMOVE #_Eother,A\n\tJSR  putstring\n\tHALT\n",
             koru::Outcome::halted, "", "x"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Machine, RunningOffTheEndBlamesTheJumpThatGotThere) {
    Loaded l;
    load(l, "\tJMP  end\n\tHALT\nend\n");
    koru::Machine machine(l.program, l.input, l.output);
    koru::RunResult result = machine.run(0);
    EXPECT_EQ(result.outcome, koru::Outcome::ranOffEnd);
    EXPECT_EQ(result.instruction, 0u);
    EXPECT_EQ(result.steps, 1u);  // the end is no instruction
}

TEST(Trace, ShowsTheLineTheInstructionAndTheStateAfterIt) {
    Loaded l;
    load(l, "\tMOVE #$8000,A\n\tMOVE #^-3,B\n\tCMP  B,A\n");
    koru::Machine machine(l.program, l.input, l.output);
    machine.step();
    machine.step();
    machine.step();
    EXPECT_EQ(koru::traceLine(l.program, machine, 2),
              "line 3       CMP  B,A               A=-32768 B=-3     SP=$0000 N=1 Z=0 V=0");
    EXPECT_EQ(koru::registerLine(machine), "A=-32768 ($8000)  B=-3 ($FFFD)  SP=$0000  N=1 Z=0 V=0");
}

}  // namespace
