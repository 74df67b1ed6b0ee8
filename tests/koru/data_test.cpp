// Data definitions and the built-in library routines.
#include <string>

#include "koru_testing.hpp"

namespace {

using korutest::Finished;
using korutest::halted;

struct Bytes {
    const char* definition;  // the text after "sym_s\tDC.B "
    std::string printed;     // what putstring writes for it
};

class DefineBytes : public ::testing::TestWithParam<Bytes> {};

TEST_P(DefineBytes, PutstringWritesTheDefinedBytes) {
    const Bytes& b = GetParam();
    Finished f = halted("\tMOVE #sym_s,A\n\tJSR  putstring\n\tHALT\n",
                        std::string("sym_s\tDC.B ") + b.definition + "\n");
    EXPECT_EQ(f.output, b.printed);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, DefineBytes,
    ::testing::Values(Bytes{"'hi',0", "hi"}, Bytes{"'it',39,'s',0", "it's"}, Bytes{"39,0", "'"},
                      Bytes{"'',0", ""}, Bytes{"'Divide by zero!\\n',0", "Divide by zero!\n"},
                      Bytes{"'a\\tb\\\\n',0",
                            "a\\tb\\\n"},  // only backslash-n stands for another byte
                      Bytes{"'tab\there',0", "tab\there"},
                      Bytes{"'\xC3\xA9\xFF',0", "\xC3\xA9\xFF"}, Bytes{"'  x  ' , 65 ,0", "  x  A"},
                      Bytes{"'stop',0,'hidden',0", "stop"},
                      Bytes{"'double\"quote\\',0", "double\"quote\\"},
                      Bytes{"'two\nlines',0", "two\nlines"},  // a text may run over a line end
                      Bytes{"'three\n\nlines\n',10,0", "three\n\nlines\n\n"},
                      Bytes{"'trailing  \n',0", "trailing  \n"}));

TEST(Data, LabelsNameConsecutiveAddressesFromTheOrigin) {
    Finished f = halted("\tMOVE #sym_c,A\n\tMOVE #sym_d,B\n\tHALT\n",
                        "\tORG  $0200\nsym_a\tDS.W 3\nsym_b\tDC.B 'xyz',0\nsym_c\tDS.W 1\n"
                        "sym_d\tDS.W 0\n");
    EXPECT_EQ(f.a, 0x200 + 6 + 4);
    EXPECT_EQ(f.b, 0x200 + 6 + 4 + 2);
}

TEST(Data, DataStartsAtTheOriginOfTheHeader) {
    Finished f = halted("\tMOVE #_Emessage,A\n\tMOVE #sym_x,B\n\tHALT\n",
                        "_Emessage DC.B 'ab',0\n\nsym_x\tDS.W 1\n");
    EXPECT_EQ(f.a, 0x100);
    EXPECT_EQ(f.b, 0x103);
}

TEST(Data, WordsStartAtZero) {
    Finished f =
        halted("\tMOVE sym_x,A\n\tMOVE sym_y,B\n\tHALT\n", "sym_x\tDS.W 1\nsym_y\tDS.W 2\n");
    EXPECT_EQ(f.a, 0);
    EXPECT_EQ(f.b, 0);
}

TEST(Library, PutdwordWritesSignedDecimalsWithoutSeparators) {
    Finished f = halted(
        "\tMOVE #^-32768,A\n\tJSR  putdword\n\tMOVE #^0,A\n\tJSR  putdword\n"
        "\tMOVE #^32767,A\n\tJSR  putdword\n\tMOVE #^-1,A\n\tJSR  putdword\n\tHALT\n");
    EXPECT_EQ(f.output, "-32768032767-1");
}

TEST(Library, GetdwordReadsWhitespaceSeparatedNumbers) {
    const char* echo =
        "loop\n\tJSR  getdword\n\tJSR  putdword\n\tMOVE #sym_sep,A\n\tJSR  putstring\n"
        "\tJMP  loop\n";
    Finished f = korutest::run(korutest::framed(echo, "sym_sep\tDC.B ',',0\n"),
                               "  -32768\n32767\t+5 007\r\n-0   \n");
    EXPECT_EQ(f.output, "-32768,32767,5,7,0,");
    EXPECT_EQ(f.result.outcome, koru::Outcome::missingInput);  // the input runs out
    EXPECT_NE(f.result.message.find("no number left"), std::string::npos);
}

TEST(Library, GetdwordLeavesOtherRegistersAndTheRestOfTheInput) {
    Finished f = halted("\tMOVE #^9,B\n\tJSR  getdword\n\tHALT\n", "", "42 junk");
    EXPECT_EQ(f.a, 42);
    EXPECT_EQ(f.b, 9);
}

TEST(Library, PutstringStopsAtTheZeroByteAndKeepsA) {
    Finished f = halted("\tMOVE #sym_t,A\n\tJSR  putstring\n\tJSR  putstring\n\tHALT\n",
                        "sym_t\tDC.B 'ab',0,'cd',0\n");
    EXPECT_EQ(f.output, "abab");
    EXPECT_EQ(f.a, 0x100);
}

}  // namespace
