// Faults of koru that a student meets first, each checked through the executable: files
// that are no program, messages that echo a binary file, and the machine model's corners.
#include <string>

#include "executable_fixture.hpp"

namespace {

using korutest::Executable;
using korutest::Ran;

TEST_F(Executable, ADirectoryIsRefusedWithStatusTwo) {
    Ran ran = run("'" + dir_ + "'", "");
    EXPECT_EQ(ran.status, 2);
    EXPECT_EQ(ran.err, "koru: '" + dir_ + "' is a directory, not a program file\n");
    EXPECT_EQ(ran.out, "");
}

TEST_F(Executable, ADirectoryAsInputIsRefusedWithStatusTwo) {
    Ran ran = run("--input '" + dir_ + "' '" + program_ + "'", "\tHALT\n");
    EXPECT_EQ(ran.status, 2);
    EXPECT_NE(ran.err.find("is a directory, not an input file"), std::string::npos) << ran.err;
}

struct NoProgram {
    const char* name;
    std::string text;
    const char* message;
};

void PrintTo(const NoProgram& c, std::ostream* os) {
    *os << c.name;
}

class EmptyPrograms : public Executable, public ::testing::WithParamInterface<NoProgram> {};

// Nothing to run is the file's fault, reported without a line: there is no line 0.
TEST_P(EmptyPrograms, AreAssemblyErrorsWithoutALine) {
    Ran ran = run("'" + program_ + "'", GetParam().text);
    EXPECT_EQ(ran.status, 3);
    EXPECT_EQ(ran.err, "koru: " + program_ + ": assembly error: " + GetParam().message + "\n");
    EXPECT_EQ(ran.err.find(":0:"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Files, EmptyPrograms,
    ::testing::Values(NoProgram{"empty", "", "the file is empty"},
                      NoProgram{"comments", "* nothing\n\n", "the program has no instructions"},
                      NoProgram{"data", "x\tDS.W 1\n", "the program has no instructions"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Executable, ALumoFileGetsAHintToCompileItFirst) {
    const std::string lumo = dir_ + "/prog.lumo";
    write(lumo, "int a;\n{\n    cin >> a;\n}\n");
    Ran ran = run("'" + lumo + "'", "");
    EXPECT_EQ(ran.status, 3);
    EXPECT_NE(ran.err.find("koru: " + lumo + ":1: assembly error: "), std::string::npos);
    EXPECT_NE(ran.err.find("is a Lumo program; compile it with lumoc first"), std::string::npos)
        << ran.err;
    EXPECT_NE(ran.err.find("lumoc < " + lumo + " > " + dir_ + "/prog.asm"), std::string::npos);
    // An assembly file with the same error gets no hint.
    EXPECT_EQ(run("'" + program_ + "'", "int a;\n").err.find("lumoc"), std::string::npos);
}

struct RawBytes {
    const char* name;
    std::string source;
    std::string shown;  // a part of the message
};

void PrintTo(const RawBytes& c, std::ostream* os) {
    *os << c.name;
}

class BinaryBytes : public Executable, public ::testing::WithParamInterface<RawBytes> {};

// A terminal obeys escape sequences and control bytes: a message must never pass them on.
TEST_P(BinaryBytes, AreEscapedInMessages) {
    Ran ran = run("'" + program_ + "'", GetParam().source, "\x1b[2J\x07 5");
    EXPECT_NE(ran.err.find(GetParam().shown), std::string::npos) << ran.err;
    for (char c : ran.err) {
        unsigned char byte = static_cast<unsigned char>(c);
        EXPECT_TRUE(byte == '\n' || (byte >= 0x20 && byte != 0x7F)) << "byte " << int(byte);
    }
    EXPECT_LT(ran.err.size(), 300u);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, BinaryBytes,
    ::testing::Values(RawBytes{"mnemonic",
                               std::string("\t\x7f"
                                           "ELF\x01\x02\x1b[31m\n",
                                           12),
                               "unknown mnemonic '\\x7FELF\\x01\\x02\\x1B[31m'"},
                      RawBytes{"nul_byte", std::string("\tMOVE #^1\0,A\n", 13), "'#^1\\x00'"},
                      RawBytes{"not_utf8", "\tMOVE \xff\xfe,A\n", "'\\xFF\\xFE'"},
                      RawBytes{"c1_control",
                               "\tMOVE \xc2\x9b"
                               "2J,A\n",
                               "'\\xC2\\x9B2J'"},
                      RawBytes{"utf8_kept", "\tMOVE caf\xc3\xa9,A\n", "'caf\xc3\xa9'"},
                      RawBytes{"long_line", "\t" + std::string(5000, 'X') + "\n", "XXX...'"},
                      RawBytes{"input_token", "\tJSR  getdword\n\tHALT\n",
                               "getdword: '\\x1B[2J\\x07'"}),
    [](const auto& info) { return std::string(info.param.name); });

// Directives of other tool sets are accepted and ignored, whatever their operands.
TEST_F(Executable, McoLpcAndUseNeedNoOperands) {
    Ran ran = run("'" + program_ + "'",
                  "\tMCO\n\tLPC\n\tUSE  extendedio.lib\n\tMCO  extended.mco\n\tLPC  0100\n"
                  "\tUSE  \"a\"b\"\n\tMOVE #^7,A\n\tJSR  putdword\n\tHALT\n\tUSE\n");
    EXPECT_EQ(ran.status, 0) << ran.err;
    EXPECT_EQ(ran.out, "7");
}

TEST_F(Executable, RunningOffTheEndBlamesTheLastInstruction) {
    Ran ran = run("'" + program_ + "'", "\tMOVE #^2,A\nx\tDS.W 1\n* the end\n");
    EXPECT_EQ(ran.status, 4);
    EXPECT_EQ(ran.err, "koru: " + program_ +
                           ":1: run-time error: ran past the last instruction without HALT\n");
}

TEST_F(Executable, AStackPointerBelowZeroStopsThePush) {
    Ran ran = run("'" + program_ + "'", "\tMOVE #$FFFF,SP\n\tMOVE #^7,A\n\tPUSH A\n\tHALT\n");
    EXPECT_EQ(ran.status, 4);
    EXPECT_EQ(ran.err, "koru: " + program_ +
                           ":3: run-time error: PUSH with SP at $FFFF: the stack pointer is "
                           "below 0\n");
}

}  // namespace
