// Unit tests of the scanner's token stream, read from texts in memory.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common.hpp"
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

// A scanner of a text in memory, and where its diagnostics go.
struct Scanning {
    Output out;
    Scanner scanner{out};
    explicit Scanning(const std::string& text) {
        scanner.source.openText(text);
        scanner.skipWhiteComments();
    }
};

// Scans exactly `count` tokens: asking for one more than the text holds ends the run.
std::vector<std::string> scan(const std::string& text, int count) {
    Scanning scanning(text);
    LexToken token;
    std::vector<std::string> tokens;
    for (int i = 0; i < count; ++i) {
        scanning.scanner.lexAnal(token);
        tokens.push_back(describe(token));
    }
    return tokens;
}

// How scanning `count` tokens of `text` ends the run: its status, where, and the message.
struct Ending {
    int status = 0;
    std::uint64_t offset = 0;
    std::string message;
};

Ending endingOf(const std::string& text, int count) {
    Scanning scanning(text);
    LexToken token;
    try {
        for (int i = 0; i < count; ++i) scanning.scanner.lexAnal(token);
    } catch (const RunEnded& ended) {
        return {ended.status, ended.offset, std::string(scanning.out.held())};
    }
    return {};
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
    const std::string tail = "while iff true cin abcdefgh<=x!=y==z<<w>>v||u&&t/k//c\n 32767\"s\"7;";
    const Tokens expected = {
        "kind 22",   "id iff", "bool true", "kind 23", "id abcdefgh", "rel <=", "id x",
        "rel !=",    "id y",   "rel ==",    "id z",    "kind 15",     "id w",   "kind 14",
        "id v",      "add ||", "id u",      "mul &&",  "id t",        "mul /",  "id k",
        "int 32767", "str s",  "int 7",     "kind 5"};
    for (std::size_t lead = blockSize - 60; lead <= blockSize + 2; ++lead) {
        const std::string text = std::string(lead, ' ') + tail;
        EXPECT_EQ(scan(text, static_cast<int>(expected.size())), expected) << "lead " << lead;
    }
}

// Names, numbers and the blanks between tokens are measured many bytes at a time: a run
// of any length, short or longer than one measure, and whatever byte ends it, reads the
// same as it would byte by byte.
TEST(Scanner, RunsOfAnyLengthEndWhereTheirBytesEnd) {
    const std::string nameChars = "aZ_9qX0";
    const std::string blankBytes = " \t\n\v\f\r\xff";
    for (std::size_t length = 1; length <= 40; ++length) {
        std::string name = "n";
        while (name.size() < length) name += nameChars[name.size() % nameChars.size()];
        std::string blanks;
        while (blanks.size() < length) blanks += blankBytes[blanks.size() % blankBytes.size()];
        const std::string digits = std::string(length - 1, '0') + "7";
        const std::string text = name + blanks + digits + blanks + ";" + name;
        EXPECT_EQ(scan(text, 4), (Tokens{"id " + name, "int 7", "kind 5", "id " + name}))
            << "length " << length;
        // A byte that no name holds ends it where it stands, blank or not.
        for (const char* after : {"\x80", "\xe9", "#", "\x01"}) {
            const Ending ending = endingOf(name + after, 2);
            EXPECT_EQ(ending.status, 7) << "length " << length << " then " << after;
            EXPECT_EQ(ending.offset, length) << "length " << length << " then " << after;
        }
    }
}

TEST(Scanner, TextOfBlanksOnlyIsTheEndOfTheFile) {
    for (const std::string& text :
         {std::string(), std::string(" "), std::string("\xff"), std::string(33, ' ') + "\n\t"}) {
        EXPECT_EQ(endingOf(text, 1).status, 1) << '"' << text << '"';
    }
}

TEST(Scanner, NulInTheInputIsAnUnrecognisedCharacter) {
    const std::string text = std::string("x ") + '\0' + " y";
    const Ending ending = endingOf(text, 2);
    EXPECT_EQ(ending.status, 7);
    EXPECT_EQ(ending.offset, 2u);
}

TEST(Scanner, IdentifierAtEndOfInputIsDeliveredWhole) {
    EXPECT_EQ(scan("last", 1), Tokens{"id last"});
    EXPECT_EQ(scan("99", 1), Tokens{"int 99"});
}

TEST(Scanner, ScanningSetsOnlyThePayloadOfTheKind) {
    Scanning scanning("x 5");
    LexToken token;
    scanning.scanner.lexAnal(token);
    scanning.scanner.lexAnal(token);
    EXPECT_EQ(token.kind, INTEGER_LITERAL);
    EXPECT_STREQ(token.idName.c_str(), "x");  // left by the earlier identifier
}

TEST(Scanner, TokensKnowWhereTheyBegin) {
    Scanning scanning("  ab // c\n\t<= \"t x\" 12;");
    LexToken token;
    std::vector<std::uint64_t> offsets;
    for (int i = 0; i < 5; ++i) {
        scanning.scanner.lexAnal(token);
        offsets.push_back(token.offset);
    }
    EXPECT_EQ(offsets, (std::vector<std::uint64_t>{2, 11, 14, 20, 22}));
}

// Each lexical error ends the run with its status, its message and the place the message
// is about: the token's first byte, the offending byte, or the end of the text.
TEST(Scanner, LexicalErrorsEndTheRunWithTheirPlace) {
    const struct {
        std::string text;
        int count;
        int status;
        std::uint64_t offset;
        std::string message;
    } cases[] = {
        {"x", 2, 1, 1, "Lexer error : Unexpected end of file\n"},
        {"x  // only a comment", 2, 1, 20, "Lexer error : Unexpected end of file\n"},
        {"x \"ab\x01\"", 2, 2, 5, "Lexer error : non printable character in string literal.\n"},
        {"x \"abc", 2, 3, 2, "Lexer error : missing \" on string literal\n"},
        {"x 32768", 2, 4, 2, "Lexer error : literal is too big for a 16 bit integer.\n"},
        {"x &y", 2, 5, 2, "Lexer error : expected &.\n\n"},
        {"x |y", 2, 6, 2, "Lexer error : Unexpected character : 'y'\n"},
        {"x |", 2, 1, 3, "Lexer error : Unexpected end of file\n"},
        {"x #", 2, 7, 2, "Lexer error : Unrecognised character : #\n"},
    };
    for (const auto& c : cases) {
        const Ending ending = endingOf(c.text, c.count);
        EXPECT_EQ(ending.status, c.status) << c.text;
        EXPECT_EQ(ending.offset, c.offset) << c.text;
        EXPECT_EQ(ending.message, c.message) << c.text;
    }
}

}  // namespace
