// Unit tests of the text value type.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "string.hpp"

namespace {

using lumo::string;

TEST(String, ConstructionGivesExactText) {
    struct {
        string value;
        const char* text;
        int length;
    } cases[] = {
        {string(), "", 0},
        {string('q'), "q", 1},
        {string("hello"), "hello", 5},
        {string('x', 3), "xxx", 3},
        {string('x', 0), "", 0},
        {string('x', -4), "", 0},
        {string(string("copy")), "copy", 4},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(c.value.c_str(), c.text);
        EXPECT_EQ(c.value.length(), c.length) << c.text;
    }
}

TEST(String, AssignmentReplacesTheText) {
    string s("something long");
    s = "";
    EXPECT_EQ(s.length(), 0);
    EXPECT_STREQ(s.c_str(), "");
    s = 'z';
    EXPECT_STREQ(s.c_str(), "z");
    s = string("other");
    EXPECT_STREQ(s.c_str(), "other");
}

TEST(String, SelfAssignmentLeavesTheStringUnchanged) {
    string s("unchanged");
    string& alias = s;
    s = alias;
    EXPECT_STREQ(s.c_str(), "unchanged");
    EXPECT_EQ(s.length(), 9);
    s = s.c_str();  // its own characters as a text
    EXPECT_STREQ(s.c_str(), "unchanged");
}

TEST(String, ComparisonIsBytewise) {
    struct {
        const char* left;
        const char* right;
        int sign;
    } cases[] = {
        {"abc", "abc", 0}, {"ab", "abc", -1}, {"abc", "ab", 1},
        {"B", "a", -1},    {"", "", 0},       {"\x80", "a", 1},  // bytes compare unsigned
    };
    for (const auto& c : cases) {
        string left(c.left), right(c.right);
        EXPECT_EQ(left.compare(right), c.sign) << c.left << " vs " << c.right;
        EXPECT_EQ(left.compare(c.right), c.sign);
        EXPECT_EQ(left == right, c.sign == 0);
        EXPECT_EQ(left != right, c.sign != 0);
        EXPECT_EQ(left < right, c.sign < 0);
        EXPECT_EQ(left > right, c.sign > 0);
        EXPECT_EQ(left <= right, c.sign <= 0);
        EXPECT_EQ(left >= right, c.sign >= 0);
    }
    EXPECT_EQ(string("a").compare('a'), 0);
    EXPECT_EQ(string("ab").compare('a'), 1);
}

TEST(String, ConcatenationAndAppend) {
    string left("con"), right("cat");
    EXPECT_STREQ((left + right).c_str(), "concat");
    left += right;
    EXPECT_STREQ(left.c_str(), "concat");
    left += '!';
    EXPECT_STREQ(left.c_str(), "concat!");
    EXPECT_EQ(left.length(), 7);
    string self("ab");
    self += self;
    EXPECT_STREQ(self.c_str(), "abab");
}

TEST(String, SubscriptReadsAndWrites) {
    string s("abc");
    const string& view = s;
    EXPECT_EQ(view[0], 'a');
    s[2] = 'z';
    EXPECT_STREQ(s.c_str(), "abz");
}

// Short texts live inside the object, longer ones in a buffer: every operation must give
// the same text on both sides of that boundary and when a value crosses it.
TEST(String, TextsOfEveryLengthAroundTheInlineLimitBehaveAlike) {
    const std::string letters = "abcdefghijklmnop";
    for (std::size_t n = 0; n <= letters.size(); ++n) {
        const std::string want = letters.substr(0, n);
        const int length = static_cast<int>(n);
        string made(want.c_str());
        string copied(made);
        string grown("x");
        grown = made;
        string shrunk("a text well past the inline limit");
        shrunk = made;
        string assigned;
        assigned.assign(want.data(), length);
        std::vector<const string*> texts = {&made, &copied, &grown, &shrunk, &assigned};
        string fromChars("a text well past the inline limit");  // its buffer is let go
        if (length <= string::inlineLimit) {
            std::uint64_t chars = 0;
            std::memcpy(&chars, want.data(), n);
            fromChars.assignChars(chars, length);
            texts.push_back(&fromChars);
        }
        for (const string* s : texts) {
            EXPECT_EQ(s->length(), length) << want;
            EXPECT_EQ(std::string(s->c_str()), want);
            EXPECT_EQ(s->c_str()[length], '\0') << want;
        }
        if (n == 0) continue;
        copied[length - 1] = '#';  // a write reaches the copy only
        EXPECT_EQ(made[length - 1], want.back()) << want;
        EXPECT_EQ(copied[length - 1], '#') << want;
        made.assign(made.c_str() + 1, length - 1);  // from its own characters
        EXPECT_EQ(std::string(made.c_str()), want.substr(1)) << want;
    }
    EXPECT_EQ(string('z', 7).length(), 7);
    EXPECT_STREQ(string('z', 7).c_str(), "zzzzzzz");
}

TEST(String, EqualTextsHashAlikeHoweverMade) {
    for (const char* text : {"", "a", "v12", "sixchr", "sevench", "a much longer name"}) {
        string made(text), assigned, grown("x");
        assigned.assign(text, static_cast<int>(std::strlen(text)));
        grown = made;
        const string copied(made);
        EXPECT_EQ(made.hash(), assigned.hash()) << text;
        EXPECT_EQ(made.hash(), grown.hash()) << text;
        EXPECT_EQ(made.hash(), copied.hash()) << text;
    }
    // Names that differ in one character spread over a small table's slots.
    std::set<std::uint64_t> slots;
    for (int i = 0; i < 64; ++i)
        slots.insert(string(("v" + std::to_string(i)).c_str()).hash() & 127);
    EXPECT_GT(slots.size(), 32u);
}

// A text held in its own word is told apart from every other by its hash alone: the
// analyser finds short names that way.
TEST(String, ShortTextsHashApart) {
    const std::string letters = "abz_09AZ";
    std::vector<std::string> texts = {""};
    for (std::size_t length = 1; length <= 4; ++length) {
        for (std::size_t i = texts.size(); i-- > 0;) {
            if (texts[i].size() != length - 1) continue;
            for (char c : letters) texts.push_back(texts[i] + c);
        }
    }
    texts.insert(texts.end(), {"abcdef", "abcdeg", "bbcdef", "v12345", "v12346"});
    std::set<std::uint64_t> hashes;
    for (const std::string& text : texts) {
        const string held(text.c_str());
        EXPECT_TRUE(held.heldInline()) << text;
        hashes.insert(held.hash());
    }
    EXPECT_EQ(hashes.size(), texts.size());
    EXPECT_FALSE(string("sevench").heldInline());
}

TEST(String, EmbeddedNulCountsInTheLength) {
    for (int n : {3, 10}) {
        string s;
        s.assign("a\0bcdefghijk", n);
        EXPECT_EQ(s.length(), n);
        EXPECT_EQ(s[1], '\0');
        EXPECT_EQ(s[2], 'b');
    }
}

TEST(StringDeathTest, BadSubscriptIsReportedAndAborts) {
    const std::string report =
        "Subscript out of bounds.\nAttempt to add past end of string.\nString length:3 Subscript:";
    string s("abc");
    EXPECT_DEATH(s[3], report + "3\n");
    EXPECT_DEATH(s[-1], report + "-1\n");
    const string& view = s;
    EXPECT_DEATH((void)view[7], report + "7\n");
}

TEST(String, StreamOutputWritesTheCharacters) {
    std::ostringstream os;
    os << string("tab\there") << string();
    EXPECT_EQ(os.str(), "tab\there");
}

TEST(String, ReadWordSkipsWhiteSpaceAndStopsBeforeTheNext) {
    std::istringstream is("  hello world");
    string word;
    is >> word;
    EXPECT_STREQ(word.c_str(), "hello");
    EXPECT_EQ(is.get(), ' ');
    is >> word;
    EXPECT_STREQ(word.c_str(), "world");
    std::istringstream empty("   ");
    empty >> word;
    EXPECT_STREQ(word.c_str(), "");
}

TEST(String, GetlineSkipsLeadingWhiteSpaceAndConsumesTheDelimiter) {
    std::istringstream is("\n  a b;c");
    string line;
    lumo::getline(is, line, ';');
    EXPECT_STREQ(line.c_str(), "a b");
    EXPECT_EQ(is.get(), 'c');
    std::istringstream lines("one\ntwo");
    lumo::getline(lines, line, '\n');
    EXPECT_STREQ(line.c_str(), "one");
    lumo::getline(lines, line, '\n');
    EXPECT_STREQ(line.c_str(), "two");
}

}  // namespace
