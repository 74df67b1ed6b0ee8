// koru at a terminal, through a pseudo-terminal: typed input answered line by line, the
// trace sharing the screen with the output, and the debugger's line editing and Ctrl-C.
#include <fstream>
#include <string>

#include "koru_testing.hpp"
#include "pty_session.hpp"
#include "support/run_program.hpp"

namespace {

using korutest::PtySession;

// Asks twice and answers each time: a program that must not wait for more than a line.
const char asker[] =
    "\tMOVE #$DF,SP\n"
    "\tJMP  main\n"
    "sym_ask\tDC.B 'Enter a number: ',0\n"
    "sym_nl\tDC.B '\\n',0\n"
    "main\n"
    "\tMOVE #sym_ask,A\n"
    "\tJSR  putstring\n"
    "\tJSR  getdword\n"
    "\tADD  A,A\n"
    "\tJSR  putdword\n"
    "\tMOVE #sym_nl,A\n"
    "\tJSR  putstring\n"
    "\tMOVE #sym_ask,A\n"
    "\tJSR  putstring\n"
    "\tJSR  getdword\n"
    "\tJSR  putdword\n"
    "\tMOVE #sym_nl,A\n"
    "\tJSR  putstring\n"
    "\tHALT\n";

class Terminal : public ::testing::Test {
  protected:
    void SetUp() override { program_ = program(asker); }
    void TearDown() override { std::remove(program_.c_str()); }

    static std::string program(const std::string& text) {
        std::string path = testing_support::scratchFile("pty");
        testing_support::writeFile(path, text);
        return path;
    }

    std::string program_;
};

TEST_F(Terminal, APromptShowsBeforeTheProgramWaitsAndEachLineIsAnswered) {
    PtySession koru({korutest::koruPath(), program_});
    ASSERT_TRUE(koru.started());
    ASSERT_TRUE(koru.waitFor("Enter a number: ", 3000)) << koru.screen();
    koru.type("21\r");
    ASSERT_TRUE(koru.waitFor("21\r\n42\r\nEnter a number: ", 3000)) << koru.screen();
    koru.type("-5\r");
    EXPECT_TRUE(koru.waitFor("-5\r\n-5\r\n", 3000)) << koru.screen();
    EXPECT_EQ(koru.exitStatus(), 0);
}

TEST_F(Terminal, EndOfInputTypedAtThePromptIsMissingInput) {
    PtySession koru({korutest::koruPath(), program_});
    ASSERT_TRUE(koru.waitFor("Enter a number: ", 3000)) << koru.screen();
    koru.type("\x04");  // Ctrl-D
    EXPECT_EQ(koru.exitStatus(), 4);
    EXPECT_NE(koru.screen().find("getdword: no number left in the input"), std::string::npos)
        << koru.screen();
}

// Trace and output share the screen: each line of output comes where it was written, and
// a trace line never continues a prompt's line.
TEST_F(Terminal, TraceLinesAndOutputAppearInTheOrderTheyHappened) {
    PtySession koru({korutest::koruPath(), "--trace", program_});
    ASSERT_TRUE(koru.waitFor("JSR  putstring ", 3000)) << koru.screen();
    ASSERT_TRUE(koru.waitFor("\r\n", 3000));
    koru.type("3\r");
    ASSERT_TRUE(koru.waitFor("JSR  putstring", 3000)) << koru.screen();
    koru.type("4\r");
    EXPECT_EQ(koru.exitStatus(), 0);
    const std::string& screen = koru.screen();
    std::size_t prompt = screen.find("Enter a number: \r\nline 7       JSR  putstring");
    std::size_t answer = screen.find("\r\n6\r\nline 10      JSR  putdword ");
    ASSERT_NE(prompt, std::string::npos) << screen;
    ASSERT_NE(answer, std::string::npos) << screen;
    EXPECT_LT(screen.find("line 6       MOVE #sym_ask,A"), prompt);
    EXPECT_LT(prompt, screen.find("line 8       JSR  getdword"));
    EXPECT_LT(screen.find("line 8       JSR  getdword"), answer);
}

// Programs of debugger tests: a word that a loop keeps changing.
const char looping[] =
    "\tMOVE #$DF,SP\n"
    "sym_n\tDS.W 1\n"
    "loop\n"
    "\tADD  #^1,sym_n\n"
    "\tJMP  loop\n";

TEST_F(Terminal, DebuggerEditsLinesAndRecallsThemFromHistory) {
#ifndef KORU_LINE_EDITING
    GTEST_SKIP() << "built without libedit";
#endif
    PtySession koru({korutest::koruPath(), "--debug", program_});
    ASSERT_TRUE(koru.waitFor("(koru) ", 3000)) << koru.screen();
    koru.type("print sym_nl\r");
    ASSERT_TRUE(koru.waitFor("sym_nl = \"\\n\"", 3000)) << koru.screen();
    ASSERT_TRUE(koru.waitFor("(koru) ", 3000));
    // "rgs", two steps left, "e": the cursor moved back and "regs" was made.
    koru.type("rgs\x1b[D\x1b[De\r");
    ASSERT_TRUE(koru.waitFor("A=0 ($0000)  B=0 ($0000)  SP=$0000", 3000)) << koru.screen();
    ASSERT_TRUE(koru.waitFor("(koru) ", 3000));
    // Up twice: the print again.
    koru.type("\x1b[A\x1b[A\r");
    ASSERT_TRUE(koru.waitFor("sym_nl = \"\\n\"", 3000)) << koru.screen();
    ASSERT_TRUE(koru.waitFor("(koru) ", 3000));
    koru.type("quit\r");
    EXPECT_EQ(koru.exitStatus(), 0);
}

TEST_F(Terminal, DebuggedProgramReadsTypedInput) {
    PtySession koru({korutest::koruPath(), "--debug", program_});
    ASSERT_TRUE(koru.waitFor("(koru) ", 3000)) << koru.screen();
    koru.type("continue\r");
    ASSERT_TRUE(koru.waitFor("Enter a number: ", 3000)) << koru.screen();
    koru.type("8\r");
    ASSERT_TRUE(koru.waitFor("16\r\nEnter a number: ", 3000)) << koru.screen();
    koru.type("1\r");
    ASSERT_TRUE(koru.waitFor("the program halted at line 19: HALT", 3000)) << koru.screen();
    ASSERT_TRUE(koru.waitFor("(koru) ", 3000));
    koru.type("\x04");  // Ctrl-D ends the session
    EXPECT_EQ(koru.exitStatus(), 0);
}

TEST_F(Terminal, CtrlCStopsALongContinueAndTheSessionGoesOn) {
    std::string endless = program(looping);
    PtySession koru({korutest::koruPath(), "--debug", "--max-steps", "0", endless});
    ASSERT_TRUE(koru.waitFor("(koru) ", 3000)) << koru.screen();
    koru.type("continue\r");
    ASSERT_TRUE(koru.waitFor("continue\r\n", 3000));
    usleep(300 * 1000);
    koru.type("\x03");
    ASSERT_TRUE(koru.waitFor("interrupted\r\nnext: line ", 3000)) << koru.screen();
    ASSERT_TRUE(koru.waitFor("(koru) ", 3000));
    koru.type("print sym_n\r");
    EXPECT_TRUE(koru.waitFor("sym_n = ", 3000)) << koru.screen();
    koru.type("quit\r");
    EXPECT_EQ(koru.exitStatus(), 0);
    std::remove(endless.c_str());
}

}  // namespace
