// The scanner: turns the bytes of the source into tokens, one per request, skipping white
// space and `//` comments, and reports lexical errors itself. `writeToken` describes a
// token in words for diagnostics.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <cstdlib>

#include "output.hpp"
#include "string.hpp"

namespace lumo {

enum TokenKind : int32_t {
    IDENTIFIER = 0,
    BOOLEAN_LITERAL = 1,
    STRING_LITERAL = 2,
    INTEGER_LITERAL = 3,
    ASSIGN = 4,
    TERMINATOR = 5,
    LPAREN = 6,
    RPAREN = 7,
    LBRACE = 8,
    RBRACE = 9,
    ADDITIONAL_OPERATOR = 10,
    RELATIONAL_OPERATOR = 11,
    MULTIPLICATIVE_OPERATOR = 12,
    NOT_OPERATOR = 13,
    INPUT_OPERATOR = 14,
    OUTPUT_OPERATOR = 15,
    CONST = 16,
    BOOL = 17,
    STRING = 18,
    INT = 19,
    IF = 20,
    ELSE = 21,
    WHILE = 22,
    CIN = 23,
    COUT = 24,
};

// One token. A scan sets `kind` and only the payload field of that kind; the other fields
// keep what earlier tokens left, and readers look only at the field of the current kind.
// `offset` goes beyond the seven payload fields: where the token begins, in bytes from
// the start of the source, so that a diagnostic can say where it was found.
struct LexToken {
    TokenKind kind = IDENTIFIER;
    string idName;
    string boolValue;
    string strValue;
    int32_t intValue = 0;
    string addOp;
    string relOp;
    string mulOp;
    std::uint64_t offset = 0;
    string noPayload;  // what a token without payload sets, so that setting needs no test
};

// Writes the description of a token ("IDENTIFIER : x", "TERMINATOR", ...) without a newline.
void writeToken(Output& out, const LexToken& token);

// The bytes of a program, read in large blocks behind a small character interface: read
// one byte, push back up to two, fail for good at the end. Whatever the source (a file
// descriptor or a text in memory), its bytes pass through a block of this reader's own,
// followed by a NUL: the loops over runs of name characters, digits and blanks stop there
// without testing for the block's end on every byte.
class Source {
  public:
    Source() = default;
    Source(const Source&) = delete;
    Source& operator=(const Source&) = delete;
    ~Source() { std::free(storage); }

    void openText(std::string_view text);
    void openFd(int fd);
    // Reads the file `fd` from `offset` on without moving its position, so that a reader
    // of another part of the same file is not disturbed.
    void openFdAt(int fd, std::uint64_t offset);

    static constexpr int endOfInput = -1;

    // The next byte (0 to 255), or endOfInput once the input is exhausted.
    int get() {
        if (cur == end && !refill()) return endOfInput;
        return *cur++;
    }
    // The next byte without consuming it, or endOfInput.
    int peek() {
        if (cur == end && !refill()) return endOfInput;
        return *cur;
    }
    // Consumes the byte that `peek` has just returned.
    void skip() { ++cur; }
    // Pushes back the byte just read; two in a row give them back in their first order.
    // The byte steps back to where it was read: in the block, or in the room before it
    // when it came from the block before.
    void unget(int c) {
        if (c != endOfInput) *--cur = static_cast<unsigned char>(c);
    }

    // How far a class of bytes (see takeRun) measures a run in one step, and so how many
    // bytes may be read from any place up to the NUL after the block.
    static constexpr std::size_t runReach = 16;

    // Where the run of bytes of the class `Class` (see takeRun) that starts at `p` ends: at
    // the NUL after the block at the latest. `p` is a copy: a store through a byte pointer
    // could change `cur` itself, so a loop on `cur` would reload it at every step.
    template <typename Class>
    static unsigned char* pastRun(unsigned char* p) {
        std::size_t n;
        do {
            n = Class::run(p);
            p += n;
        } while (n == runReach);
        return p;
    }

    // Consumes the run of bytes of the class `Class` and returns them. `Class::is(c)` tests
    // one byte; `Class::run(p)` gives the length of the class's run from `p` on, counting at
    // most `runReach` bytes; both fail on NUL. The view points into the block when the run
    // lies within it, else into a text of this reader's; it stays valid until the next read.
    template <typename Class>
    std::string_view takeRun() {
        unsigned char* const run = cur;
        unsigned char* const past = pastRun<Class>(run);
        if (past != end) {
            cur = past;
            return std::string_view(reinterpret_cast<const char*>(run), past - run);
        }
        spill.clear();  // the run reaches the block's end: collect it across blocks
        takeWhile(Class::is, &spill);
        return spill;
    }

    // Consumes the bytes for which `keep` holds, appending them to `into` unless it is
    // null; the first other byte stays unread.
    template <typename Keep>
    void takeWhile(Keep keep, std::string* into) {
        for (;;) {
            if (cur == end && !refill()) return;
            unsigned char* const run = cur;
            unsigned char* past = run;
            while (past != end && keep(*past)) ++past;
            cur = past;
            if (into != nullptr) into->append(reinterpret_cast<const char*>(run), past - run);
            if (past != end) return;
        }
    }

    // Skips blanks, a byte class as in takeRun, within the current block; true when the
    // byte after them is there and cannot start a comment, which settles the skip between
    // two tokens at once.
    template <typename Blanks>
    bool skipBlanksInBlock() {
        unsigned char* p = cur;
        // Most tokens are followed by one blank or none: that one is passed without a
        // branch, and only a longer run, a line's indentation, is measured.
        p += Blanks::is(*p) ? 1 : 0;
        if (Blanks::is(*p)) p = pastRun<Blanks>(p);
        cur = p;
        return p != end && *p != '/';
    }

    // Whether `text` lies in the block, after whose end there is room for padded reads.
    bool inBlock(const char* text) const {
        const auto* p = reinterpret_cast<const unsigned char*>(text);
        return p >= block && p < end;
    }

    // Bytes consumed so far.
    std::uint64_t position() const { return blockBase + static_cast<std::uint64_t>(cur - block); }

    std::string spill;  // a run or a string literal collected across blocks

  private:
    static constexpr std::size_t blockSize = std::size_t(1) << 18;
    // Room before the block for the bytes pushed back across its start (two at most).
    static constexpr std::size_t roomBefore = 16;

    int fd = -1;  // negative: the text in memory
    bool readAt = false;
    std::uint64_t fileOffset = 0;  // where reading at an offset goes on
    const char* textLeft = nullptr;
    const char* textEnd = nullptr;
    std::size_t capacity = 0;                  // of the block
    unsigned char* storage = nullptr;          // the room before, the block, its NUL and padding
    unsigned char noBytes[1 + runReach] = {};  // where reading starts: nothing, then NULs
    unsigned char* block = noBytes;
    unsigned char* cur = noBytes;
    unsigned char* end = noBytes;
    std::uint64_t blockBase = 0;  // bytes before the current block
    bool failed = false;

    void reset(int newFd, std::size_t wanted);
    bool refill();
    std::size_t readFile();
};

class Scanner {
  public:
    // Lexical errors are written to `diagnostics`.
    explicit Scanner(Output& diagnostics) : out(diagnostics) {}

    Source source;

    // Consumes white space and comments up to the first byte of the next token.
    void skipWhiteComments();

    // Reads the next token into `token`, then skips what follows it up to the next token.
    // Ends the run with a lexical error (status 1 to 7) where no token can be read.
    void lexAnal(LexToken& token);

    void lexIdResWdBool(LexToken& token);
    void lexStringLit(LexToken& token);
    void lexIntLit(LexToken& token);

  private:
    Output& out;

    [[noreturn]] void lexError(int status, std::string_view message, std::uint64_t offset);
    void lexPunctuation(LexToken& token, int c);
    bool followedBy(int second);
    void skipBlanksAndComments();
};

}  // namespace lumo
