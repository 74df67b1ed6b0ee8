// Assembly errors with their line numbers, run-time errors and the step limit.
#include <string>

#include "koru_testing.hpp"

namespace {

using korutest::Finished;

struct AssemblyFault {
    const char* source;
    unsigned line;
    const char* message;  // a part of the expected message
};

class AssemblyErrors : public ::testing::TestWithParam<AssemblyFault> {};

TEST_P(AssemblyErrors, NameTheLineAndTheFault) {
    const AssemblyFault& fault = GetParam();
    koru::Program program;
    koru::AssemblyError error;
    ASSERT_FALSE(koru::assembleText(fault.source, program, error));
    EXPECT_EQ(error.line, fault.line) << error.message;
    EXPECT_NE(error.message.find(fault.message), std::string::npos) << error.message;
    EXPECT_TRUE(program.code.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Lines, AssemblyErrors,
    ::testing::Values(
        AssemblyFault{"* c\n\tFOO  A\n", 2, "unknown mnemonic 'FOO'"},
        AssemblyFault{"\tmove A,B\n", 1, "unknown mnemonic"},
        AssemblyFault{"\tHALT\nx\tORG  $0100\n", 2, "only name DC.B or DS.W"},
        AssemblyFault{"\tHALT\n\tMOVE A\n", 2, "MOVE takes 2 operands"},
        AssemblyFault{"\tHALT A\n", 1, "HALT takes 0 operands"},
        AssemblyFault{"\tPUSH A,B\n", 1, "PUSH takes 1 operand"},
        AssemblyFault{"\tMOVE A,B,A\n", 1, "takes 2 operands"},
        AssemblyFault{"\tMOVE A,\n", 1, "malformed operand ''"},
        AssemblyFault{"\n\n\tMOVE #^x,A\n", 3, "malformed operand '#^x'"},
        AssemblyFault{"\tMOVE #^32768,A\n", 1, "malformed operand"},
        AssemblyFault{"\tMOVE #^-32769,A\n", 1, "malformed operand"},
        AssemblyFault{"\tMOVE #$10000,A\n", 1, "malformed operand"},
        AssemblyFault{"\tMOVE #$,A\n", 1, "malformed operand"},
        AssemblyFault{"\tMOVE 5,A\n", 1, "malformed operand '5'"},
        AssemblyFault{"\tMOVE A,C D\n", 1, "malformed operand"},
        AssemblyFault{"\tMOVE A,#^5\n", 1, "cannot be a destination"},
        AssemblyFault{"x\tDS.W 1\n\tPOP  #x\n", 2, "cannot be a destination"},
        AssemblyFault{"\tBNE  #L1\n", 1, "malformed jump target"},
        AssemblyFault{"\tJMP  A\n", 1, "malformed jump target"},
        AssemblyFault{"\tJSR  print\n", 1, "unknown library routine 'print'"},
        AssemblyFault{"x\n\tHALT\nx\n", 3, "duplicate label 'x' (first defined on line 1)"},
        AssemblyFault{"x\tDS.W 1\nx\n", 2, "duplicate label"},
        AssemblyFault{"\tHALT\n\tJMP  nowhere\n\tMOVE nothing,A\n", 2, "undefined label 'nowhere'"},
        AssemblyFault{"\tMOVE #none,A\n\tJMP  none\n", 1, "undefined label 'none'"},
        AssemblyFault{"sym_x\tDS.W 1\n\tHALT\n\tBEQ  sym_x\n", 3,
                      "data label 'sym_x' used as a jump target"},
        AssemblyFault{"main\n\tHALT\n\tMOVE #main,A\n", 3, "code label 'main' used as data"},
        AssemblyFault{"main\n\tMOVE main,A\n", 2, "code label 'main' used as data"},
        AssemblyFault{"1abc\n", 1, "malformed label '1abc'"},
        AssemblyFault{"a-b\tDS.W 1\n", 1, "malformed label"},
        AssemblyFault{"SP\n", 1, "register name 'SP'"},
        AssemblyFault{"\tORG  $FFFF\nx\tDC.B 1,2\n", 2, "data beyond 64 KiB"},
        AssemblyFault{"\tORG  $FFF0\nx\tDS.W 9\n", 2, "data beyond 64 KiB"},
        AssemblyFault{"\tORG  $FFFF\nx\tDC.B 0\n\tMOVE x,A\n", 3, "lies past the memory"},
        AssemblyFault{"\tORG  $10000\n", 1, "ORG needs an address"},
        AssemblyFault{"x\tDS.W\n", 1, "DS.W needs a word count"},
        AssemblyFault{"x\tDS.W -1\n", 1, "DS.W needs a word count"},
        AssemblyFault{"x\tDC.B 256\n", 1, "malformed DC.B item '256'"},
        AssemblyFault{"x\tDC.B 'a' 'b'\n", 1, "malformed DC.B item"},
        AssemblyFault{"x\tDC.B 'it's',0\n", 1, "malformed DC.B item 's',0'"},
        AssemblyFault{"x\tDC.B 'a',\n", 1, "DC.B misses an item"},
        AssemblyFault{"x\tDC.B\n", 1, "DC.B misses an item"},
        AssemblyFault{"\tHALT\nx\tDC.B 'open\nstill open\n\tHALT\n", 2, "not closed"},
        AssemblyFault{"x\tDC.B 'a\nb' 5\n", 2, "malformed DC.B item '5'"}));

struct RuntimeFault {
    const char* body;
    const char* input;
    koru::Outcome kind;
    const char* message;
};

class RuntimeErrors : public ::testing::TestWithParam<RuntimeFault> {};

TEST_P(RuntimeErrors, StopTheRunWithAMessage) {
    const RuntimeFault& fault = GetParam();
    Finished f =
        korutest::run(korutest::framed(std::string("\tMOVE #^1,A\n\tJSR  putdword\n") + fault.body,
                                       "sym_end\tDS.W 1\n\tORG  $FFFF\nsym_last\tDC.B 65\n"),
                      fault.input);
    ASSERT_TRUE(f.assembled) << f.error.message;
    EXPECT_EQ(f.result.outcome, fault.kind);
    EXPECT_TRUE(koru::isRuntimeError(f.result.outcome));
    EXPECT_NE(f.result.message.find(fault.message), std::string::npos) << f.result.message;
    EXPECT_EQ(f.output, "1");  // output before the fault is kept
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, RuntimeErrors,
    ::testing::Values(
        RuntimeFault{"\tMOVE #^1,SP\n\tPUSH A\n\tHALT\n", "", koru::Outcome::stackOverflow,
                     "stack overflow"},
        RuntimeFault{"\tMOVE #$FFFE,SP\n\tPOP  A\n\tHALT\n", "", koru::Outcome::stackUnderflow,
                     "POP with SP at $FFFE"},
        RuntimeFault{"\tJSR  getdword\n\tHALT\n", "", koru::Outcome::missingInput,
                     "no number left"},
        RuntimeFault{"\tJSR  getdword\n\tHALT\n", " \n\t ", koru::Outcome::missingInput,
                     "no number left"},
        RuntimeFault{"\tJSR  getdword\n\tHALT\n", "abc", koru::Outcome::badInput,
                     "'abc' is not a number"},
        RuntimeFault{"\tJSR  getdword\n\tHALT\n", "12x 4", koru::Outcome::badInput,
                     "'12x' is not a number"},
        RuntimeFault{"\tJSR  getdword\n\tHALT\n", "-", koru::Outcome::badInput,
                     "'-' is not a number"},
        RuntimeFault{"\tJSR  getdword\n\tHALT\n", "--3", koru::Outcome::badInput, "not a number"},
        RuntimeFault{"\tJSR  getdword\n\tHALT\n", "32768", koru::Outcome::badInput,
                     "32768 lies outside -32768..32767"},
        RuntimeFault{"\tJSR  getdword\n\tHALT\n", "-32769", koru::Outcome::badInput, "outside"},
        RuntimeFault{"\tJSR  getdword\n\tHALT\n", "99999999999999999999999",
                     koru::Outcome::badInput, "outside"},
        RuntimeFault{"\tMOVE #^0,B\n\tDIV  B,A\n\tHALT\n", "", koru::Outcome::zeroDivisor,
                     "DIV by zero"},
        RuntimeFault{"\tMOVE #^0,B\n\tMOD  B,A\n\tHALT\n", "", koru::Outcome::zeroDivisor,
                     "MOD by zero"},
        RuntimeFault{"\tMOVE #^2,A\n", "", koru::Outcome::ranOffEnd,
                     "ran past the last instruction without HALT"},
        RuntimeFault{"\tMOVE #sym_last,A\n\tJSR  putstring\n\tHALT\n", "",
                     koru::Outcome::unterminatedString, "has no zero byte"}));

TEST(RuntimeError, PointsAtTheFaultingInstruction) {
    Finished f = korutest::run("\tMOVE #^0,B\n\n\tDIV  B,A\n\tHALT\n");
    ASSERT_EQ(f.result.outcome, koru::Outcome::zeroDivisor);
    EXPECT_EQ(f.program.lines[f.result.instruction], 3u);
    EXPECT_EQ(f.result.steps, 2u);
}

TEST(StepLimit, StopsAnEndlessLoop) {
    Finished f = korutest::run("loop\n\tJMP  loop\n", "", 1000);
    EXPECT_EQ(f.result.outcome, koru::Outcome::stepLimit);
    EXPECT_EQ(f.result.steps, 1000u);
    EXPECT_NE(f.result.message.find("1000"), std::string::npos);
}

TEST(StepLimit, CountsEveryInstructionIncludingHalt) {
    const char* threeSteps = "\tMOVE #^1,A\n\tMOVE #^2,A\n\tHALT\n";
    EXPECT_EQ(korutest::run(threeSteps, "", 3).result.outcome, koru::Outcome::halted);
    Finished f = korutest::run(threeSteps, "", 2);
    EXPECT_EQ(f.result.outcome, koru::Outcome::stepLimit);
    EXPECT_EQ(f.a, 2);
    EXPECT_EQ(korutest::run(threeSteps, "", 0).result.outcome, koru::Outcome::halted);
}

}  // namespace
