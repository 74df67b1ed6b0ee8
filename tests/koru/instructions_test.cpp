// The effect of each instruction on registers, memory and flags.
#include <functional>
#include <string>

#include "koru_testing.hpp"

namespace {

using korutest::Finished;
using korutest::halted;

struct Effect {
    const char* instruction;  // runs with A = a and B = b
    int a, b;
    int resultA, resultB;
    bool n, z, v;
};

std::string loadAB(int a, int b) {
    return "\tMOVE #^" + std::to_string(a) + ",A\n\tMOVE #^" + std::to_string(b) + ",B\n";
}

class InstructionEffect : public ::testing::TestWithParam<Effect> {};

TEST_P(InstructionEffect, SetsRegistersAndFlags) {
    const Effect& e = GetParam();
    Finished f = halted(loadAB(e.a, e.b) + "\t" + e.instruction + "\n\tHALT\n");
    EXPECT_EQ(f.a, e.resultA);
    EXPECT_EQ(f.b, e.resultB);
    EXPECT_EQ(f.n, e.n) << "N";
    EXPECT_EQ(f.z, e.z) << "Z";
    EXPECT_EQ(f.v, e.v) << "V";
}

INSTANTIATE_TEST_SUITE_P(
    Arithmetic, InstructionEffect,
    ::testing::Values(Effect{"ADD  B,A", 1, 2, 3, 2, false, false, false},
                      Effect{"ADD  B,A", -1, 1, 0, 1, false, true, false},
                      Effect{"ADD  B,A", 32767, 1, -32768, 1, true, false, true},
                      Effect{"ADD  B,A", -32768, -1, 32767, -1, false, false, true},
                      Effect{"ADD  A,B", 5, 6, 5, 11, false, false, false},
                      Effect{"SUB  B,A", 5, 7, -2, 7, true, false, false},
                      Effect{"SUB  B,A", 3, 3, 0, 3, false, true, false},
                      Effect{"SUB  B,A", -32768, 1, 32767, 1, false, false, true},
                      Effect{"SUB  B,A", 32767, -1, -32768, -1, true, false, true},
                      Effect{"MUL  B,A", -181, 181, -32761, 181, true, false, false},
                      Effect{"MUL  B,A", 200, 200, -25536, 200, true, false, true},
                      Effect{"MUL  B,A", 256, 128, -32768, 128, true, false, true},
                      Effect{"MUL  B,A", -256, 128, -32768, 128, true, false, false},
                      Effect{"MUL  B,A", 0, -5, 0, -5, false, true, false}));

INSTANTIATE_TEST_SUITE_P(
    Division, InstructionEffect,
    ::testing::Values(Effect{"DIV  B,A", 7, 2, 3, 2, false, false, false},
                      Effect{"DIV  B,A", -7, 2, -3, 2, true, false, false},
                      Effect{"DIV  B,A", 7, -2, -3, -2, true, false, false},
                      Effect{"DIV  B,A", 1, 2, 0, 2, false, true, false},
                      Effect{"DIV  B,A", -32768, -1, -32768, -1, true, false, true},
                      Effect{"MOD  B,A", 7, 2, 1, 2, false, false, false},
                      Effect{"MOD  B,A", -7, 2, -1, 2, true, false, false},
                      Effect{"MOD  B,A", 7, -2, 1, -2, false, false, false},
                      Effect{"MOD  B,A", -32768, -1, 0, -1, false, true, false}));

INSTANTIATE_TEST_SUITE_P(Bitwise, InstructionEffect,
                         ::testing::Values(Effect{"AND  B,A", -1, 0, 0, 0, false, true, false},
                                           Effect{"AND  B,A", 12, 10, 8, 10, false, false, false},
                                           Effect{"OR   B,A", 0, -1, -1, -1, true, false, false},
                                           Effect{"OR   B,A", 12, 10, 14, 10, false, false, false},
                                           Effect{"NOT  A", 0, 9, -1, 9, true, false, false},
                                           Effect{"NOT  A", -1, 9, 0, 9, false, true, false},
                                           Effect{"NOT  B", 1, 0, 1, -1, true, false, false}));

// CMP B,A sets the flags of A - B and stores nothing.
INSTANTIATE_TEST_SUITE_P(
    Compare, InstructionEffect,
    ::testing::Values(Effect{"CMP  B,A", -32768, 1, -32768, 1, false, false, true},
                      Effect{"CMP  B,A", 32767, -1, 32767, -1, true, false, true},
                      Effect{"CMP  B,A", 5, 5, 5, 5, false, true, false},
                      Effect{"CMP  B,A", 3, 5, 3, 5, true, false, false},
                      Effect{"CMP  B,A", 5, 3, 5, 3, false, false, false},
                      Effect{"CMP #$00,B", 4, 0, 4, 0, false, true, false},
                      Effect{"CMP  #^-1,A", -1, 0, -1, 0, false, true, false},
                      Effect{"MOVE B,A", 1, -7, -7, -7, false, false, false},
                      Effect{"MOVE #$FFFF,A", 1, 2, -1, 2, false, false, false}));

TEST(Instructions, MoveBranchesAndCallsLeaveTheFlagsAlone) {
    // ADD sets N, Z clear and V; everything after it must keep them.
    Finished f = halted(loadAB(32767, 1) +
                            "\tADD  B,A\n\tMOVE #^0,B\n\tMOVE B,sym_w\n\tPUSH B\n\tPOP  B\n"
                            "\tJSR  putdword\n\tJSR  getdword\n\tBEQ  main\n\tBPL  main\n"
                            "\tBVC  main\n\tJMP  next\nnext\n\tHALT\n",
                        "sym_w\tDS.W 1\n", "12");
    EXPECT_TRUE(f.n);
    EXPECT_FALSE(f.z);
    EXPECT_TRUE(f.v);
    EXPECT_EQ(f.a, 12);
    EXPECT_EQ(f.output, "-32768");
}

struct Branch {
    const char* mnemonic;
    int a, b;  // flags come from CMP B,A
    bool taken;
};

class BranchCondition : public ::testing::TestWithParam<Branch> {};

TEST_P(BranchCondition, FollowsItsFlag) {
    const Branch& c = GetParam();
    Finished f = halted(loadAB(c.a, c.b) + "\tCMP  B,A\n\t" + c.mnemonic +
                        "  yes\n\tMOVE #^0,A\n\tHALT\nyes\n\tMOVE #^1,A\n\tHALT\n");
    EXPECT_EQ(f.a, c.taken ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Flags, BranchCondition,
                         ::testing::Values(Branch{"BEQ", 4, 4, true}, Branch{"BEQ", 4, 5, false},
                                           Branch{"BNE", 4, 5, true}, Branch{"BNE", 4, 4, false},
                                           Branch{"BMI", 4, 5, true}, Branch{"BMI", 5, 4, false},
                                           Branch{"BPL", 5, 4, true}, Branch{"BPL", 4, 4, true},
                                           Branch{"BPL", 4, 5, false},
                                           Branch{"BVS", -32768, 1, true},
                                           Branch{"BVS", 0, 1, false}, Branch{"BVC", 0, 1, true},
                                           Branch{"BVC", 32767, -1, false},
                                           Branch{"JMP", 0, 0, true}));

// The compiler's comparison sequences decide every relation from the flags of one CMP,
// including the pairs whose difference overflows.
std::string comparisonCode(const std::string& op) {
    const std::string chains[][2] = {
        {">",
         "\tBMI  bgt1_1\n\tJMP  bgtnext_1\nbgt1_1\n\tBVS  bgt2_1\n\tJMP  bgtnext_1\nbgt2_1\n"
         "\tBNE  bgt3_1\n\tJMP  bgtnext_1\nbgt3_1\n\tJMP  L1\nbgtnext_1\n\tBPL  bgt4_1\n"
         "\tJMP  L2\nbgt4_1\n\tBVC  bgt5_1\n\tJMP  L2\nbgt5_1\n\tBNE  L1\n\tJMP  L2\n"},
        {"<",
         "\tBMI  blt1_1\n\tJMP  bltnext_1\nblt1_1\n\tBVC  blt2_1\n\tJMP  bltnext_1\nblt2_1\n"
         "\tJMP  L1\nbltnext_1\n\tBPL  blt3_1\n\tJMP  L2\nblt3_1\n\tBVS  L1\n\tJMP  L2\n"},
        {">=",
         "\tBMI  bge1_1\n\tJMP  bgenext_1\nbge1_1\n\tBVS  bge2_1\n\tJMP  bgenext_1\nbge2_1\n"
         "\tJMP  L1\nbgenext_1\n\tBPL  bge3_1\n\tJMP  L2\nbge3_1\n\tBVC  L1\n\tJMP  L2\n"},
        {"<=",
         "\tBEQ  ble1_1\n\tJMP  blenext_1\nble1_1\n\tJMP  L1\nblenext_1\n\tBMI  ble2_1\n"
         "\tJMP  blenext2_1\nble2_1\n\tBVC  ble3_1\n\tJMP  blenext2_1\nble3_1\n\tJMP  L1\n"
         "blenext2_1\n\tBPL  ble4_1\n\tJMP  L2\nble4_1\n\tBVS  L1\n\tJMP  L2\n"},
    };
    if (op == "==" || op == "!=") {
        return "\tCMP  B,A\n\t" + std::string(op == "==" ? "BEQ" : "BNE") +
               "  L1\n\tMOVE #^0,A\n\tJMP    L2\nL1\n\tMOVE #^-1,A\nL2\n";
    }
    for (const auto& chain : chains) {
        if (chain[0] == op) {
            return "\tCMP  B,A\n" + chain[1] + "L1\n\tMOVE #^-1,A\n\tJMP  end_1\nL2\n" +
                   "\tMOVE #^0,A\nend_1\n";
        }
    }
    return "";
}

struct Relation {
    const char* op;
    std::function<bool(int, int)> holds;
};

TEST(Instructions, ComparisonSequencesAreRightUnderOverflow) {
    const Relation relations[] = {
        {"==", [](int l, int r) { return l == r; }}, {"!=", [](int l, int r) { return l != r; }},
        {">", [](int l, int r) { return l > r; }},   {"<", [](int l, int r) { return l < r; }},
        {">=", [](int l, int r) { return l >= r; }}, {"<=", [](int l, int r) { return l <= r; }},
    };
    const int pairs[][2] = {{-32768, 1},     {32767, -1},     {5, 5},      {-3, 4}, {4, -3},
                            {-32768, 32767}, {32767, -32768}, {0, -32768}, {-1, -1}};
    for (const Relation& relation : relations) {
        for (const auto& pair : pairs) {
            Finished f =
                halted(loadAB(pair[0], pair[1]) + comparisonCode(relation.op) + "\tHALT\n");
            EXPECT_EQ(f.a, relation.holds(pair[0], pair[1]) ? -1 : 0)
                << pair[0] << " " << relation.op << " " << pair[1];
        }
    }
}

TEST(Instructions, PushLowersSpThenStoresBigEndian) {
    Finished f = halted(
        "\tMOVE #$1234,A\n\tPUSH A\n\tMOVE SP,B\n\tMOVE #^-5,A\n\tPUSH A\n"
        "\tPOP  A\n\tPOP  A\n\tHALT\n");
    EXPECT_EQ(f.b, 0xDD);
    EXPECT_EQ(f.sp, 0xDFu);
    EXPECT_EQ(f.a, 0x1234);

    koru::Program program;
    koru::AssemblyError error;
    ASSERT_TRUE(koru::assembleText(korutest::framed("\tMOVE #$1234,A\n\tPUSH A\n\tHALT\n"), program,
                                   error));
    koru::Input in("");
    koru::Output out(nullptr);
    koru::Machine machine(program, in, out);
    machine.run(0);
    EXPECT_EQ(machine.word(0xDD), 0x1234);
    EXPECT_EQ(machine.word(0xDE) >> 8, 0x34);
}

TEST(Instructions, MemoryWordsAreBigEndianAndWritable) {
    Finished f = halted(
        "\tMOVE sym_w,A\n\tMOVE #^-2,sym_v\n\tADD  sym_v,sym_w\n\tMOVE sym_w,B\n"
        "\tHALT\n",
        "sym_w\tDC.B 1,2\nsym_v\tDS.W 1\n");
    EXPECT_EQ(f.a, 258);
    EXPECT_EQ(f.b, 256);
}

TEST(Instructions, StackHoldsWordsDownToAddressZero) {
    // From $DF the stack takes 111 words: the 112th push would go below 0.
    std::string pushes;
    for (int i = 0; i < 111; ++i) pushes += "\tPUSH A\n";
    Finished f = halted(pushes + "\tHALT\n");
    EXPECT_EQ(f.sp, 1u);
    Finished over = korutest::run(korutest::framed(pushes + "\tPUSH A\n\tHALT\n"));
    EXPECT_EQ(over.result.outcome, koru::Outcome::stackOverflow);
}

}  // namespace

namespace {

TEST(Instructions, PushSpStoresTheLoweredSp) {
    Finished f = halted("\tPUSH SP\n\tPOP  A\n\tMOVE SP,B\n\tHALT\n");
    EXPECT_EQ(f.a, 0xDD);  // the SP that addresses the pushed word
    EXPECT_EQ(f.b, 0xDF);
}

struct StackCorner {
    const char* name;
    const char* body;
    koru::Outcome outcome;
    int a;  // A at the end, when the program halts
};

void PrintTo(const StackCorner& c, std::ostream* os) {
    *os << c.name;
}

class StackPointerRange : public ::testing::TestWithParam<StackCorner> {};

// SP is a signed word: the stack's words lie between 0 and $7FFF, and no PUSH or POP makes
// SP wrap around either end.
TEST_P(StackPointerRange, KeepsTheStackBetweenZeroAndTheTop) {
    Finished f = korutest::run(korutest::framed(GetParam().body));
    ASSERT_TRUE(f.assembled) << f.error.message;
    EXPECT_EQ(f.result.outcome, GetParam().outcome) << f.result.message;
    if (GetParam().outcome == koru::Outcome::halted) {
        EXPECT_EQ(f.a, GetParam().a);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Corners, StackPointerRange,
    ::testing::Values(StackCorner{"push_at_ffff", "\tMOVE #$FFFF,SP\n\tPUSH A\n\tHALT\n",
                                  koru::Outcome::stackOverflow, 0},
                      StackCorner{"push_at_8000", "\tMOVE #$8000,SP\n\tPUSH A\n\tHALT\n",
                                  koru::Outcome::stackOverflow, 0},
                      StackCorner{"push_at_1", "\tMOVE #^1,SP\n\tPUSH A\n\tHALT\n",
                                  koru::Outcome::stackOverflow, 0},
                      StackCorner{"push_at_2",
                                  "\tMOVE #^9,A\n\tMOVE #^2,SP\n\tPUSH A\n\tMOVE #^0,A\n"
                                  "\tPOP  A\n\tHALT\n",
                                  koru::Outcome::halted, 9},
                      StackCorner{"push_at_7fff",
                                  "\tMOVE #^5,A\n\tMOVE #$7FFF,SP\n\tPUSH A\n\tPOP  B\n"
                                  "\tMOVE B,A\n\tHALT\n",
                                  koru::Outcome::halted, 5},
                      StackCorner{"pop_at_fffe", "\tMOVE #$FFFE,SP\n\tPOP  A\n\tHALT\n",
                                  koru::Outcome::stackUnderflow, 0},
                      StackCorner{"pop_at_7ffe", "\tMOVE #$7FFE,SP\n\tPOP  A\n\tHALT\n",
                                  koru::Outcome::stackUnderflow, 0},
                      StackCorner{"pop_at_7ffd", "\tMOVE #$7FFD,SP\n\tPOP  A\n\tHALT\n",
                                  koru::Outcome::halted, 0}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
