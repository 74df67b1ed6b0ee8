// Line forms, labels and the layout of assembled programs.
#include <string>

#include "koru_testing.hpp"

namespace {

using korutest::Finished;
using korutest::halted;

// The frame, data section and footer exactly as the compiler writes them for
// `string msg = "Hi"; int n = 5; { cout << msg; n = 7; cout << n; }`.
const char compiledProgram[] =
    "* The KORU Lumo cross-compiler (02-Jul-2003)\n"
    "* first credit line\n"
    "* second credit line\n"
    "*\n"
    "*\n"
    "\tMCO  \"extended.mco\"\n"
    "\tORG  $0100\n"
    "\tLPC  $0100\n"
    "\tMOVE #$DF,SP\n"
    "\tJMP  main\n"
    "_Eintegeroverflow DC.B 'Integer overflow!\\n',0\n\n"
    "_Edividebyzero    DC.B 'Divide by zero!\\n',0\n\n"
    "sym_n\tDS.W 1\n"
    "sym_msg\tDC.B 'Hi',0\n"
    "\nmain\n"
    "\tMOVE #^5,B\n"
    "\tMOVE B,sym_n\n"
    "\tMOVE #sym_msg,A\n"
    "\tJSR  putstring\n"
    "\tMOVE #^7,A\n"
    "\tPUSH A\n"
    "\tPOP  A\n"
    "\tMOVE A,sym_n\n"
    "\tMOVE sym_n,A\n"
    "\tJSR  putdword\n"
    "\tHALT\n"
    "L0\n"
    "\tMOVE #_Eintegeroverflow,A\n"
    "\tJSR  putstring\n"
    "\tHALT\n\n"
    "Ldividebyzero\n"
    "\tMOVE #_Edividebyzero,A\n"
    "\tJSR  putstring\n"
    "\tHALT\n\n"
    "\tUSE  \"extendedio.lib\"\n";

TEST(Assembler, RunsTheCompilersFrame) {
    Finished f = korutest::run(compiledProgram);
    ASSERT_TRUE(f.assembled) << f.error.line << ": " << f.error.message;
    EXPECT_EQ(f.result.outcome, koru::Outcome::halted);
    EXPECT_EQ(f.output, "Hi7");
    EXPECT_EQ(f.sp, 0xDFu);
}

TEST(Assembler, OverflowAndDivideHandlersPrintTheirMessages) {
    std::string overflow = compiledProgram;
    overflow.replace(overflow.find("\tMOVE #^7,A\n"), 12,
                     "\tMOVE #^32767,A\n\tMOVE #^1,B\n\tADD  B,A\n\tBVS  L0\n");
    EXPECT_EQ(korutest::run(overflow).output, "HiInteger overflow!\n");
    std::string divide = compiledProgram;
    divide.replace(divide.find("\tMOVE #^7,A\n"), 12,
                   "\tMOVE #^0,B\n\tCMP #$00,B\n\tBEQ Ldividebyzero\n\tDIV  B,A\n");
    EXPECT_EQ(korutest::run(divide).output, "HiDivide by zero!\n");
}

TEST(Assembler, AnyRunOfBlanksSeparatesMnemonicAndOperands) {
    Finished f = halted(
        "\tMOVE    #^3,A\n  \tJMP    next\n\tHALT\nnext\n\tCMP #$00,B\n\tBEQ zero\n\tHALT\n"
        "zero \t \n\tMOVE\t#^4,B\r\n\tHALT   \n");
    EXPECT_EQ(f.a, 3);
    EXPECT_EQ(f.b, 4);
}

TEST(Assembler, LabelsMayBeUsedBeforeTheyAreDefined) {
    Finished f = halted(
        "\tJMP  later\nback\n\tMOVE sym_late,A\n\tHALT\nlater\n\tMOVE #^6,B\n"
        "\tMOVE B,sym_late\n\tJMP  back\n",
        "sym_late\tDS.W 1\n");
    EXPECT_EQ(f.a, 6);
    // Data defined after the code that uses it.
    Finished g = korutest::run(korutest::framed("\tMOVE #sym_z,A\n\tHALT\n") + "sym_z\tDS.W 1\n");
    EXPECT_EQ(g.a, 0x100);
}

TEST(Assembler, ALabelNamesTheNextInstructionOrTheDataOnItsLine) {
    Finished f = halted("\tJMP  two\none\ntwo\n\tMOVE #^2,A\nthree\tMOVE #^3,B\n\tHALT\n");
    EXPECT_EQ(f.a, 2);
    EXPECT_EQ(f.b, 3);
}

TEST(Assembler, ALabelAtTheEndNamesTheEndOfTheProgram) {
    Finished f = korutest::run(korutest::framed("\tJMP  last\n\tHALT\nlast\n"));
    EXPECT_EQ(f.result.outcome, koru::Outcome::ranOffEnd);
    EXPECT_NE(f.result.message.find("without HALT"), std::string::npos);
}

TEST(Assembler, RecordsTheSourceLineOfEachInstruction) {
    koru::Program program;
    koru::AssemblyError error;
    ASSERT_TRUE(koru::assembleText("* c\n\n\tMOVE #^1,A\nx\n\tHALT\n", program, error));
    ASSERT_EQ(program.code.size(), 3u);  // with the end marker
    EXPECT_EQ(program.lines[0], 3u);
    EXPECT_EQ(program.lines[1], 5u);
    EXPECT_EQ(program.code[2].op, koru::Op::RunOff);
}

TEST(Assembler, DescribeWritesInstructionsBackAsText) {
    koru::Program program;
    koru::AssemblyError error;
    ASSERT_TRUE(koru::assembleText(
        "x\tDS.W 1\ny\n\tMOVE #^-5,A\n\tADD  x,B\n\tBNE  y\n\tJSR  getdword\n\tHALT\n", program,
        error));
    EXPECT_EQ(koru::describe(program.code[0]), "MOVE #^-5,A");
    EXPECT_EQ(koru::describe(program.code[1]), "ADD  $0100,B");
    EXPECT_EQ(koru::describe(program.code[2]), "BNE  @0");
    EXPECT_EQ(koru::describe(program.code[3]), "JSR  getdword");
    EXPECT_EQ(koru::describe(program.code[4]), "HALT");
}

TEST(Assembler, ManyLabelsStayDistinct) {
    // Enough labels to make the label table grow several times.
    std::string body;
    for (int i = 0; i < 5000; ++i) {
        std::string n = std::to_string(i);
        body += "\tJMP  L" + n + "\nL" + n + "\n\tADD  #^1,A\n";
    }
    Finished f = halted(body + "\tHALT\n");
    EXPECT_EQ(f.a, 5000);
}

}  // namespace
