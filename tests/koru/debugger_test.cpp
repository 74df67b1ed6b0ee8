// `koru --debug` driven by a script of commands on standard input, as a test or a tutor's
// script drives it: each command's answer, in order.
#include <string>
#include <vector>

#include "executable_fixture.hpp"

namespace {

using korutest::Executable;
using korutest::Ran;

// Reads two numbers and prints "sum: " and their sum, or overflows into the handler.
const char adder[] =
    "\tMOVE #$DF,SP\n"                                   // 1
    "\tJMP  main\n"                                      // 2
    "_Eintegeroverflow DC.B 'Integer overflow!\\n',0\n"  // 3: $0100..$0112
    "sym_a\tDS.W 1\n"                                    // 4: $0113
    "sym_msg\tDC.B 'sum: ',0\n"                          // 5: $0115
    "main\n"                                             // 6
    "\tJSR  getdword\n"                                  // 7
    "\tMOVE A,sym_a\n"                                   // 8
    "\tJSR  getdword\n"                                  // 9
    "\tPUSH A\n"                                         // 10
    "\tMOVE sym_a,A\n"                                   // 11
    "\tPOP  B\n"                                         // 12
    "\tADD  B,A\n"                                       // 13
    "\tBVS  L0\n"                                        // 14
    "\tMOVE A,sym_a\n"                                   // 15
    "\tMOVE #sym_msg,A\n"                                // 16
    "\tJSR  putstring\n"                                 // 17
    "\tMOVE sym_a,A\n"                                   // 18
    "\tJSR  putdword\n"                                  // 19
    "\tHALT\n"                                           // 20
    "L0\n"                                               // 21
    "\tMOVE #_Eintegeroverflow,A\n"                      // 22
    "\tJSR  putstring\n"                                 // 23
    "\tHALT\n";                                          // 24

struct Session {
    const char* name;
    const char* input;  // the program's, from --input
    const char* script;
    std::vector<std::string> answers;  // each must follow the one before
};

void PrintTo(const Session& session, std::ostream* os) {
    *os << session.name;
}

class Debugger : public Executable, public ::testing::WithParamInterface<Session> {};

TEST_P(Debugger, AnswersEachCommand) {
    const Session& session = GetParam();
    write(dir_ + "/data", session.input);
    Ran ran = run("--debug --input '" + dir_ + "/data' '" + program_ + "'", adder, session.script);
    EXPECT_EQ(ran.status, 0) << ran.err;
    EXPECT_EQ(ran.err, "");
    std::size_t at = 0;
    for (const std::string& answer : session.answers) {
        std::size_t found = ran.out.find(answer, at);
        ASSERT_NE(found, std::string::npos) << "missing after " << at << ": " << answer << "\n"
                                            << ran.out;
        at = found + answer.size();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Commands, Debugger,
    ::testing::Values(
        Session{"start",
                "",
                "quit\n",
                {"koru debugger: ", "prog.asm, 19 instructions; 'help' lists the commands.\n",
                 "next: line 1: MOVE #$DF,SP\n(koru) quit\n"}},
        Session{"break_run_continue",
                "3 4",
                "break main\nrun\nregs\ncontinue\n",
                {"breakpoint 1 at line 7: JSR  getdword\n",
                 "starting the program from its first instruction\n",
                 "breakpoint 1, line 7: JSR  getdword\n",
                 "A=0 ($0000)  B=0 ($0000)  SP=$00DF  N=0 Z=0 V=0\nnext: line 7: JSR  getdword\n",
                 "(koru) continue\nsum: 7\nthe program halted at line 20: HALT after 16 steps"}},
        Session{"break_at_line_and_stack",
                "3 4",
                "break 12\nc\nstack\nstep\nstack\n",
                {"breakpoint 1 at line 12: POP  B\n", "breakpoint 1, line 12: POP  B\n",
                 "(koru) stack\n  $00DD: 4 ($0004)   <- SP\n",
                 "line 12      POP  B                 A=3      B=4      SP=$00DF",
                 "(koru) stack\nthe stack is empty (SP=$00DF)\n"}},
        Session{"break_after_a_line_without_code",
                "3 4",
                "break 5\nbreak main\n",
                {"breakpoint 1 at line 7: JSR  getdword\n",
                 "breakpoint 1 is already at line 7: JSR  getdword\n"}},
        Session{"step_and_repeat",
                "3 4",
                "step 3\n\nnext\n",
                {"line 1       MOVE #$DF,SP           A=0      B=0      SP=$00DF N=0 Z=0 V=0\n",
                 "line 2       JMP  main ", "line 7       JSR  getdword          A=3 ",
                 "next: line 8: MOVE A,sym_a\n(koru) \nline 8 ", "line 9 ",
                 "line 10      PUSH A                 A=4      B=0      SP=$00DD",
                 "next: line 11: MOVE sym_a,A\n(koru) next\nline 11 ", "next: line 12: POP  B\n"}},
        Session{"step_stops_at_a_breakpoint",
                "3 4",
                "break 9\nstep 100\n",
                {"line 8 ", "breakpoint 1, line 9: JSR  getdword\n"}},
        Session{"watch",
                "3 4",
                "watch sym_a\ncontinue\ncontinue\ncontinue\n",
                {"watch 1: sym_a (the word at $0113, now 0)\n",
                 "watch 1 (sym_a): the word at $0113 changed from 0 to 3, by line 8: MOVE "
                 "A,sym_a\nnext: line 9: JSR  getdword\n",
                 "watch 1 (sym_a): the word at $0113 changed from 3 to 7, by line 15: MOVE "
                 "A,sym_a\n",
                 "sum: 7\nthe program halted"}},
        Session{
            "print",
            "3 4",
            "print sym_msg\nprint sym_a\nprint main\nprint nothing\nstep 3\nprint A\nprint\n",
            {"sym_msg = \"sum: \"   (at $0115)\n", "sym_a = 0 ($0000, at $0113)\n",
             "'main' names code, at line 7: JSR  getdword\n", "no label 'nothing' in the program\n",
             "A = 3 ($0003)\n", "print needs a data label"}},
        Session{"mem",
                "",
                "mem sym_msg 2\nmem $0100 1\nmem 256\nmem\nmem sym_a 0\nmem main\n",
                {"  $0115: $7375   29557  su\n  $0117: $6D3A   27962  m:\n(koru) mem $0100 1\n"
                 "  $0100: $496E   18798  In\n(koru) mem 256\n  $0100: $496E",
                 "  $010E: $6F77   28535  ow\n(koru) mem\nmem needs an address",
                 "mem shows 1 to 256 words, not '0'", "mem needs an address"}},
        Session{"list",
                "",
                "list\nbreak 9\nlist 9\nlist main\nlist 500\n",
                {"=>     1          MOVE #$DF,SP\n       2          JMP  main\n",
                 "       6  main\n(koru) break 9", "       4  sym_a   DS.W 1\n",
                 "  *    9          JSR  getdword\n",
                 "      14          BVS  L0\n(koru) list main\n       2  ",
                 "      12          POP  B\n(koru) list 500\nthe program has 24 lines\n"}},
        Session{"delete",
                "3 4",
                "break main\nbreak 12\ndelete 1\nrun\ndelete 7\ndelete\nrun\n",
                {"deleted breakpoint 1\n", "breakpoint 2, line 12: POP  B\n",
                 "no breakpoint or watch '7'\n", "deleted all breakpoints and watches\n",
                 "sum: 7\nthe program halted"}},
        Session{"run_reads_the_input_again",
                "3 4",
                "continue\nrun\n",
                {"sum: 7\nthe program halted",
                 "starting the program from its first instruction\n"
                 "sum: 7\nthe program halted"}},
        Session{"trap",
                "32767 1",
                "continue\nstep\n",
                {"the program stopped in its integer-overflow handler, entered by line 14: BVS  "
                 "L0; 'run' starts it again\n",
                 "(koru) step\nthe program stopped in its integer-overflow handler"}},
        Session{"runtime_error",
                "x",
                "continue\nregs\n",
                {"run-time error at line 7: JSR  getdword: getdword: 'x' is not a number; 'run' "
                 "starts the program again\n",
                 "next: line 8: MOVE A,sym_a\n"}},
        Session{
            "mistakes",
            "",
            "frob\nbreak\nbreak nowhere\nbreak sym_a\nbreak 99\nstep 0\nstep x\nwatch main\n"
            "watch\nwatch sym_a\nwatch sym_a\n",
            {"unknown command 'frob'; 'help' lists the commands\n",
             "break needs a code label or a line number\n", "no label 'nowhere' in the program\n",
             "'sym_a' names data; break needs a code label or a line\n",
             "no instruction on line 99 or after it\n", "step needs a count above 0, not '0'\n",
             "step needs a count above 0, not 'x'\n", "'main' names code, at line 7",
             "watch needs a data label", "watch 1: sym_a", "watch 1 is already on sym_a\n"}},
        Session{"help",
                "",
                "help\nh\n",
                {"  break LABEL|LINE ", "  watch NAME ", "  quit ", "(koru) h\ncommands"}},
        Session{"end_of_commands_ends_the_session", "", "regs", {"(koru) regs\nA=0", "(koru) \n"}}),
    [](const auto& info) { return std::string(info.param.name); });

// Without --input the program reads the lines that follow the command that runs it.
TEST_F(Executable, DebuggedProgramReadsStandardInputBetweenCommands) {
    Ran ran = run("--debug '" + program_ + "'", adder, "continue\n3\n4\nregs\n");
    EXPECT_EQ(ran.status, 0);
    EXPECT_NE(ran.out.find("(koru) continue\nsum: 7\nthe program halted"), std::string::npos)
        << ran.out;
    EXPECT_NE(ran.out.find("(koru) regs\nA=7"), std::string::npos) << ran.out;
}

TEST_F(Executable, DebuggerStopsALongContinueAtTheStepLimit) {
    Ran ran = run("--debug --max-steps 1000 '" + program_ + "'", "loop\n\tJMP  loop\n",
                  "continue\ncontinue\nquit\n");
    EXPECT_EQ(ran.status, 0);
    EXPECT_NE(ran.out.find("stopped after 1000 steps (the step limit of one command); continue "
                           "goes on\nnext: line 2: JMP  loop\n(koru) continue\nstopped after 1000"),
              std::string::npos)
        << ran.out;
}

TEST_F(Executable, DebuggerRefusesAProgramThatDoesNotAssemble) {
    Ran ran = run("--debug '" + program_ + "'", "\tFOO\n", "quit\n");
    EXPECT_EQ(ran.status, 3);
    EXPECT_EQ(ran.out, "");
    EXPECT_EQ(ran.err, "koru: " + program_ + ":1: assembly error: unknown mnemonic 'FOO'\n");
}

}  // namespace
