// The `koru` executable as a user runs it: files, options, streams and exit statuses.
#include <sstream>
#include <string>

#include "executable_fixture.hpp"

namespace {

using korutest::Executable;
using korutest::Ran;

const char echoTwice[] =
    "\tMOVE #$DF,SP\n\tJSR  getdword\n\tPUSH A\n\tADD  A,A\n\tJSR  putdword\n"
    "\tMOVE #sym_nl,A\n\tJSR  putstring\n\tPOP  A\n\tHALT\nsym_nl\tDC.B '\\n',0\n";

TEST_F(Executable, RunsTheProgramOnStandardInputAndOutput) {
    Ran ran = run("'" + program_ + "'", echoTwice, "  -21\n");
    EXPECT_EQ(ran.status, 0);
    EXPECT_EQ(ran.out, "-42\n");
    EXPECT_EQ(ran.err, "");
}

TEST_F(Executable, ReportsAssemblyErrorsWithTheirLine) {
    Ran ran = run("'" + program_ + "'", "\tHALT\n\tFOO  A\n");
    EXPECT_EQ(ran.status, 3);
    EXPECT_EQ(ran.out, "");
    EXPECT_EQ(ran.err, "koru: " + program_ + ":2: assembly error: unknown mnemonic 'FOO'\n");
}

TEST_F(Executable, FlushesOutputBeforeARuntimeError) {
    Ran ran = run("'" + program_ + "'",
                  "\tMOVE #^7,A\n\tJSR  putdword\n\tMOVE #^0,B\n\tDIV  B,A\n\tHALT\n");
    EXPECT_EQ(ran.status, 4);
    EXPECT_EQ(ran.out, "7");
    EXPECT_EQ(ran.err, "koru: " + program_ + ":4: run-time error: DIV by zero\n");
}

TEST_F(Executable, ReportsAnUnreadableNumber) {
    Ran ran = run("'" + program_ + "'", echoTwice, "twelve");
    EXPECT_EQ(ran.status, 4);
    EXPECT_NE(ran.err.find(":2: run-time error: getdword: 'twelve' is not a number"),
              std::string::npos)
        << ran.err;
}

TEST_F(Executable, StopsAtTheStepLimit) {
    const char* endless = "\tMOVE #^1,A\n\tJSR  putdword\nloop\n\tJMP  loop\n";
    for (const char* option : {"--max-steps 50", "--max-steps=50"}) {
        Ran ran = run(std::string(option) + " '" + program_ + "'", endless);
        EXPECT_EQ(ran.status, 5) << option;
        EXPECT_EQ(ran.out, "1");
        EXPECT_EQ(ran.err, "koru: " + program_ + ":4: step limit of 50 reached\n");
    }
}

TEST_F(Executable, RejectsBadUsageWithStatusTwo) {
    const std::string file = "'" + program_ + "'";
    for (const std::string& arguments :
         {std::string(""), "--max-steps " + file, "--max-steps -3 " + file,
          "--max-steps=1x " + file, "--fast " + file, file + " " + file,
          std::string("'") + dir_ + "/missing.asm'"}) {
        Ran ran = run(arguments, "\tHALT\n");
        EXPECT_EQ(ran.status, 2) << arguments;
        EXPECT_EQ(ran.out, "");
        EXPECT_NE(ran.err.find("koru: "), std::string::npos) << arguments;
    }
}

TEST_F(Executable, HelpExplainsOptionsAndStatuses) {
    Ran ran = run("--help", "");
    EXPECT_EQ(ran.status, 0);
    for (const char* part : {"usage: koru", "--max-steps N", "--trace", "5  step limit"}) {
        EXPECT_NE(ran.out.find(part), std::string::npos) << part;
    }
}

TEST_F(Executable, TraceWritesOneLinePerInstruction) {
    Ran ran = run("--trace '" + program_ + "'", "\tMOVE #^5,A\n\tCMP  #^6,A\n\tHALT\n");
    EXPECT_EQ(ran.status, 0);
    std::istringstream lines(ran.err);
    std::string first, second, third, extra;
    std::getline(lines, first);
    std::getline(lines, second);
    std::getline(lines, third);
    EXPECT_FALSE(std::getline(lines, extra));
    EXPECT_NE(first.find("MOVE #^5,A"), std::string::npos) << first;
    EXPECT_NE(first.find("A=5 "), std::string::npos) << first;
    EXPECT_NE(second.find("N=1 Z=0 V=0"), std::string::npos) << second;
    EXPECT_NE(third.find("HALT"), std::string::npos) << third;
}

TEST_F(Executable, ReportsAFailedWriteOfStandardOutput) {
    Ran ran = run("'" + program_ + "'", echoTwice, "3", "/dev/full");
    EXPECT_EQ(ran.status, 6);
    EXPECT_EQ(ran.err, "koru: cannot write standard output\n");
}

TEST_F(Executable, WritesLongOutputWhole) {
    // 30000 numbers of 5 digits: several output blocks.
    Ran ran = run("'" + program_ + "'",
                  "\tMOVE #^30000,B\nloop\n\tMOVE #^12345,A\n\tJSR  putdword\n\tSUB  #^1,B\n"
                  "\tBNE  loop\n\tHALT\n");
    EXPECT_EQ(ran.status, 0);
    ASSERT_EQ(ran.out.size(), 150000u);
    EXPECT_EQ(ran.out.substr(149995), "12345");
}

}  // namespace
