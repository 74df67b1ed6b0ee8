// Unit tests of the scanner's token stream, read from texts in memory.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lexer.hpp"

namespace {

using namespace lumo;

// "KIND payload" for the payload field that belongs to the token's kind.
std::string describe(const LexToken& t) {
    switch (t.kind) {
        case IDENTIFIER:
            return "id " + std::string(t.idName.c_str());
        case BOOLEAN_LITERAL:
            return "bool " + std::string(t.boolValue.c_str());
        case STRING_LITERAL:
            return "str " + std::string(t.strValue.c_str());
        case INTEGER_LITERAL:
            return "int " + std::to_string(t.intValue);
        case ADDITIONAL_OPERATOR:
            return "add " + std::string(t.addOp.c_str());
        case RELATIONAL_OPERATOR:
            return "rel " + std::string(t.relOp.c_str());
        case MULTIPLICATIVE_OPERATOR:
            return "mul " + std::string(t.mulOp.c_str());
        default:
            return "kind " + std::to_string(static_cast<int>(t.kind));
    }
}

// Scans exactly `count` tokens: asking for one more than the text holds ends the process.
std::vector<std::string> scan(const std::string& text, int count) {
    readFromText(text.data(), text.size());
    skipWhiteComments();
    LexToken token;
    std::vector<std::string> tokens;
    for (int i = 0; i < count; ++i) {
        lexAnal(token);
        tokens.push_back(describe(token));
    }
    return tokens;
}

using Tokens = std::vector<std::string>;

struct Case {
    const char* text;
    Tokens tokens;
};

TEST(Scanner, TokenStreams) {
    const Case cases[] = {
        {"x//comment\n/ y", {"id x", "mul /", "id y"}},
        {"a / / b", {"id a", "mul /", "mul /", "id b"}},
        {"32767 007 0", {"int 32767", "int 7", "int 0"}},
        {"12abc", {"int 12", "id abc"}},
        {"true True false", {"bool true", "id True", "bool false"}},
        {"a_b IF Cout", {"id a_b", "id IF", "id Cout"}},
        {"\"\" \"a\\n\" \"x\ty\nz\"", {"str ", "str a\\n", "str x\ty\nz"}},
        {"<<= ===", {"kind 15", "kind 4", "rel ==", "kind 4"}},
        {"<-x", {"rel <", "add -", "id x"}},
        {"<= >= != < > ==", {"rel <=", "rel >=", "rel !=", "rel <", "rel >", "rel =="}},
        {"<x", {"rel <", "id x"}},
        {">> << ! =", {"kind 14", "kind 15", "kind 13", "kind 4"}},
        {"+ - || * / % &&", {"add +", "add -", "add ||", "mul *", "mul /", "mul %", "mul &&"}},
        {"< =", {"rel <", "kind 4"}},
        {"( ) { } ;", {"kind 6", "kind 7", "kind 8", "kind 9", "kind 5"}},
        {"const bool string int if else while cin cout",
         {"kind 16", "kind 17", "kind 18", "kind 19", "kind 20", "kind 21", "kind 22", "kind 23",
          "kind 24"}},
        // Near misses of reserved words: a prefix, an extension, a changed letter.
        {"i iff in ints ct cins coud tru ture boo else_ bools els falsy falsey cons whilst "
         "whale strin strings",
         {"id i",      "id iff",  "id in",     "id ints",  "id ct",    "id cins",   "id coud",
          "id tru",    "id ture", "id boo",    "id else_", "id bools", "id els",    "id falsy",
          "id falsey", "id cons", "id whilst", "id whale", "id strin", "id strings"}},
        {"\xff x \xff\xff y", {"id x", "id y"}},
        {"\"\x80\xfe\"", {"str \x80\xfe"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(scan(c.text, static_cast<int>(c.tokens.size())), c.tokens) << c.text;
}

TEST(Scanner, CommentOfAnyLengthIsSkippedWhole) {
    const std::string text = "a //" + std::string(5000, 'c') + " b\nd";
    EXPECT_EQ(scan(text, 2), (Tokens{"id a", "id d"}));
}

TEST(Scanner, LongIdentifierAndStringAreReadWhole) {
    const std::string name(1 << 20, 'n');
    const std::string text = name + " \"" + std::string(1 << 20, 's') + "\"";
    Tokens tokens = scan(text, 2);
    EXPECT_EQ(tokens[0].size(), name.size() + 3);
    EXPECT_EQ(tokens[1].size(), (1u << 20) + 4);
}

// The scanner takes its input in blocks of 256 KiB, each followed by a NUL that ends its
// loops over runs of bytes. Every token kind, and the blanks after it, must read the same
// wherever a block ends: before, inside or right after it. A NUL in the input itself must
// stay an unrecognised character, not be taken for a block's end.
TEST(Scanner, TokensReadTheSameAcrossTheEndOfABlock) {
    const std::size_t blockSize = std::size_t(1) << 18;
    // "t/k" reads the "/" and the "k" to see whether a comment begins, then gives both
    // back, across the block's start when it falls between them.
    const std::string tail = "abcdefgh<=x!=y==z<<w>>v||u&&t/k//c\n 32767\"s\"7;";
    const Tokens expected = {
        "id abcdefgh", "rel <=", "id x",    "rel !=",    "id y",   "rel ==", "id z",
        "kind 15",     "id w",   "kind 14", "id v",      "add ||", "id u",   "mul &&",
        "id t",        "mul /",  "id k",    "int 32767", "str s",  "int 7",  "kind 5"};
    for (std::size_t lead = blockSize - 40; lead <= blockSize + 2; ++lead) {
        const std::string text = std::string(lead, ' ') + tail;
        EXPECT_EQ(scan(text, static_cast<int>(expected.size())), expected) << "lead " << lead;
        EXPECT_EQ(terminatorEnd(), text.size()) << "lead " << lead;
    }
}

TEST(ScannerDeathTest, NulInTheInputIsAnUnrecognisedCharacter) {
    const std::string text = std::string("x ") + '\0' + " y";
    EXPECT_EXIT(scan(text, 2), testing::ExitedWithCode(7), "");
}

TEST(Scanner, IdentifierAtEndOfInputIsDeliveredWhole) {
    EXPECT_EQ(scan("last", 1), Tokens{"id last"});
    EXPECT_EQ(scan("99", 1), Tokens{"int 99"});
}

TEST(Scanner, ScanningSetsOnlyThePayloadOfTheKind) {
    readFromText("x 5", 3);
    skipWhiteComments();
    LexToken token;
    lexAnal(token);
    lexAnal(token);
    EXPECT_EQ(token.kind, INTEGER_LITERAL);
    EXPECT_STREQ(token.idName.c_str(), "x");  // left by the earlier identifier
}

TEST(ScannerDeathTest, AskingPastTheEndIsALexicalError) {
    EXPECT_EXIT(scan("x", 2), testing::ExitedWithCode(1), "");
}

}  // namespace
