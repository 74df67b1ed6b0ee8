// The scanner and the token description.
//
// Input is read in large blocks behind a small character interface (read one byte, push
// back up to two, fail for good at the end), so scanning is one pass over the bytes.
// Token texts are collected in a reused buffer and become a `string` in one step.
//
// Whatever the source, its bytes pass through one block of the scanner's own, followed by
// a NUL: the loops over runs of name characters, digits and blanks stop there without a
// test of the block's end on every byte, and look at the end only once the run is over.
#include "lexer.hpp"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "common.hpp"

namespace lumo {

namespace {

constexpr int endOfInput = -1;

// The characters of a token collected across blocks, or of a string literal. Reached
// through a call, so that the common paths never touch (and never set up) the buffer.
std::string& spillText() {
    thread_local std::string text;
    return text;
}

// The bytes of the program, from a file descriptor or from a text in memory.
class Source {
  public:
    void openFd(int fd) { reset(fd); }
    // Reads `fd` from `offset` on, leaving the file's own position alone.
    void openFdAt(int fd, std::uint64_t offset) {
        reset(fd);
        readAt = true;
        fileOffset = offset;
    }
    // A text in memory is copied into the block a block's worth at a time.
    void openText(const char* text, std::size_t size) {
        reset(-1);
        textLeft = text;
        textEnd = text + size;
    }

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

    // Consumes the bytes for which `keep` holds and returns them; `keep` must fail on NUL.
    // The view points into the input block when the run lies within it, else into
    // `spillText()`; it stays valid until the next read.
    template <typename Keep>
    std::string_view takeRun(Keep keep) {
        unsigned char* const run = cur;
        // A local pointer: the compiler must assume that a store through a byte pointer
        // could change `cur` itself, so a loop on `cur` would reload it every byte.
        unsigned char* past = run;
        while (keep(*past)) ++past;  // stops at the NUL after the block at the latest
        if (past != end) {
            cur = past;
            return std::string_view(reinterpret_cast<const char*>(run), past - run);
        }
        // the run reaches the block's end: collect it across blocks
        std::string& spill = spillText();
        spill.clear();
        takeWhile(keep, &spill);
        return spill;
    }

    // Consumes the bytes for which `keep` holds, appending them to `into` unless it is
    // null; the first other byte stays unread. Runs are taken from the block at once.
    // `keep` is a lambda, so that the test of each byte is inlined.
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

    // Skips blanks within the current block; true when the byte after them is there and
    // cannot start a comment, which settles the skip between two tokens at once.
    // `blank` must fail on NUL.
    template <typename Blank>
    bool skipBlanksInBlock(Blank blank) {
        unsigned char* p = cur;
        while (blank(*p)) ++p;
        cur = p;
        return p != end && *p != '/';
    }

    // Whether `text` lies in the block, after whose end there is room for padded reads
    // (a text collected across blocks lies elsewhere).
    bool inOwnBlock(const char* text) const {
        const auto* p = reinterpret_cast<const unsigned char*>(text);
        return block != nullptr && p >= block && p < block + blockSize;
    }

    // Bytes consumed so far.
    std::uint64_t position() const { return position(cur); }

  private:
    int fd = 0;  // negative: the text in memory
    bool readAt = false;
    std::uint64_t fileOffset = 0;  // where reading at an offset goes on
    const char* textLeft = nullptr;
    const char* textEnd = nullptr;
    // Bytes before the current block minus its address: a byte's position is this plus
    // its address.
    std::uint64_t blockBase = 0;
    static constexpr std::size_t blockSize = std::size_t(1) << 18;
    // Room before the block for the bytes pushed back across its start (two at most).
    static constexpr std::size_t roomBefore = 16;
    inline static unsigned char noBytes[1] = {0};  // where reading starts: nothing, a NUL
    unsigned char* block = nullptr;
    unsigned char* cur = noBytes;
    unsigned char* end = noBytes;
    bool failed = false;

    void reset(int newFd) {
        fd = newFd;
        readAt = false;
        textLeft = textEnd = nullptr;
        cur = end = noBytes;
        failed = false;
    }

    bool refill() {
        if (failed) return fail();
        if (block == nullptr)  // with room for the NUL and for padded reads past the end
            block = reinterpret_cast<unsigned char*>(
                        lastingBuffer(roomBefore + blockSize + string::paddedReach)) +
                    roomBefore;
        const std::uint64_t before = end == noBytes ? 0 : position(end);
        const std::size_t n = fd < 0 ? copyText() : readFile();
        if (n == 0) return fail();
        blockBase = before - reinterpret_cast<std::uintptr_t>(block);
        cur = block;
        end = block + n;
        block[n] = 0;
        return true;
    }

    std::uint64_t position(const unsigned char* at) const {
        return blockBase + reinterpret_cast<std::uintptr_t>(at);
    }

    std::size_t copyText() {
        const std::size_t n = std::min(blockSize, static_cast<std::size_t>(textEnd - textLeft));
        if (n > 0) std::memcpy(block, textLeft, n);
        textLeft += n;
        return n;
    }

    std::size_t readFile() {
        ssize_t n;
        do
            n = readAt ? ::pread(fd, block, blockSize, static_cast<off_t>(fileOffset))
                       : ::read(fd, block, blockSize);
        while (n < 0 && errno == EINTR);
        if (n <= 0) return 0;
        fileOffset += static_cast<std::uint64_t>(n);
        return static_cast<std::size_t>(n);
    }

    bool fail() {
        failed = true;
        cur = end;
        return false;
    }
};

// Each thread scans a source of its own: a long program's block may be analysed in two
// parts at once.
thread_local Source source;
thread_local std::uint64_t lastTerminatorEnd;  // where the last ";" ended

constexpr bool isLetter(int c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
constexpr bool isDigit(int c) {
    return c >= '0' && c <= '9';
}
constexpr bool isWhite(int c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
bool isControl(int c) {
    return (c >= 0 && c < 0x20) || c == 0x7F;
}
// Between tokens the byte 0xFF is skipped like white space.
constexpr bool isBlank(int c) {
    return isWhite(c) || c == 0xFF;
}
constexpr bool isNameChar(int c) {
    return isLetter(c) || isDigit(c) || c == '_';
}

// The scanner's loops over runs of blanks and of name characters test each byte once,
// in a table.
template <bool (*test)(int)>
struct ByteTable {
    bool is[256];
    constexpr ByteTable() : is() {
        for (int c = 0; c < 256; ++c) is[c] = test(c);
    }
};
constexpr ByteTable<isBlank> blankTable{};
constexpr ByteTable<isNameChar> nameCharTable{};
// A string literal holds any byte but the control characters, newline and tab excepted.
bool isForbiddenInString(int c) {
    return isControl(c) && c != '\n' && c != '\t';
}

[[noreturn]] void lexError(int status, const char* message) {
    out << message;
    endRun(status);
}

// Payloads repeat (an operator, the name in `i = i + 1`): a field that already holds a
// long text keeps it rather than take a new buffer. A short one is set in a step anyway.
void setText(string& field, std::string_view text) {
    const bool sameLong = text.size() > string::inlineLimit &&
                          static_cast<std::size_t>(field.length()) == text.size() &&
                          std::memcmp(field.c_str(), text.data(), text.size()) == 0;
    if (!sameLong) field.assign(text.data(), static_cast<int>(text.size()));
}

// Operator texts, made once before main: setting a token's payload to one copies a word,
// with no check of whether they are made yet.
struct OperatorTexts {
    const string lessEqual{"<="}, less{"<"}, greaterEqual{">="}, greater{">"};
    const string equal{"=="}, notEqual{"!="}, orElse{"||"}, andAlso{"&&"};
    const string plus{"+"}, minus{"-"}, times{"*"}, divide{"/"}, remainder{"%"};
};
const OperatorTexts operatorTexts;

[[gnu::always_inline]] inline void setOperator(LexToken& token, TokenKind kind,
                                               string LexToken::*field,
                                               const string OperatorTexts::*op) {
    token.kind = kind;
    token.*field = operatorTexts.*op;
}

// `first` read; a `second` directly after it makes the two-character token. Any other
// byte stays unread (looked at, not read and pushed back: the skip after the token then
// finds it in the block).
bool followedBy(int second) {
    if (source.peek() != second) return false;
    source.get();
    return true;
}

void lexLess(LexToken& token) {
    if (followedBy('='))
        setOperator(token, RELATIONAL_OPERATOR, &LexToken::relOp, &OperatorTexts::lessEqual);
    else if (followedBy('<'))
        token.kind = OUTPUT_OPERATOR;
    else
        setOperator(token, RELATIONAL_OPERATOR, &LexToken::relOp, &OperatorTexts::less);
}

void lexGreater(LexToken& token) {
    if (followedBy('='))
        setOperator(token, RELATIONAL_OPERATOR, &LexToken::relOp, &OperatorTexts::greaterEqual);
    else if (followedBy('>'))
        token.kind = INPUT_OPERATOR;
    else
        setOperator(token, RELATIONAL_OPERATOR, &LexToken::relOp, &OperatorTexts::greater);
}

void lexBar(LexToken& token) {
    int d = source.get();
    if (d == '|')
        return setOperator(token, ADDITIONAL_OPERATOR, &LexToken::addOp, &OperatorTexts::orElse);
    if (d == endOfInput) lexError(1, "Lexer error : Unexpected end of file\n");
    out << "Lexer error : Unexpected character : '" << static_cast<char>(d) << "'\n";
    endRun(6);
}

void lexPunctuation(LexToken& token, int c) {
    switch (c) {
        case '=':
            if (followedBy('='))
                setOperator(token, RELATIONAL_OPERATOR, &LexToken::relOp, &OperatorTexts::equal);
            else
                token.kind = ASSIGN;
            return;
        case ';':
            token.kind = TERMINATOR;
            lastTerminatorEnd = source.position();
            return;
        case '&':
            if (!followedBy('&')) lexError(5, "Lexer error : expected &.\n\n");
            return setOperator(token, MULTIPLICATIVE_OPERATOR, &LexToken::mulOp,
                               &OperatorTexts::andAlso);
        case '(':
            token.kind = LPAREN;
            return;
        case ')':
            token.kind = RPAREN;
            return;
        case '{':
            token.kind = LBRACE;
            return;
        case '}':
            token.kind = RBRACE;
            return;
        case '+':
            return setOperator(token, ADDITIONAL_OPERATOR, &LexToken::addOp, &OperatorTexts::plus);
        case '-':
            return setOperator(token, ADDITIONAL_OPERATOR, &LexToken::addOp, &OperatorTexts::minus);
        case '*':
            return setOperator(token, MULTIPLICATIVE_OPERATOR, &LexToken::mulOp,
                               &OperatorTexts::times);
        case '/':
            return setOperator(token, MULTIPLICATIVE_OPERATOR, &LexToken::mulOp,
                               &OperatorTexts::divide);
        case '%':
            return setOperator(token, MULTIPLICATIVE_OPERATOR, &LexToken::mulOp,
                               &OperatorTexts::remainder);
        case '<':
            return lexLess(token);
        case '>':
            return lexGreater(token);
        case '!':
            if (followedBy('='))
                setOperator(token, RELATIONAL_OPERATOR, &LexToken::relOp, &OperatorTexts::notEqual);
            else
                token.kind = NOT_OPERATOR;
            return;
        case '|':
            return lexBar(token);
    }
    out << "Lexer error : Unrecognised character : " << static_cast<char>(c) << "\n";
    endRun(7);
}

struct ReservedWord {
    std::string_view word;
    TokenKind kind;
};

constexpr ReservedWord reservedWords[] = {
    {"true", BOOLEAN_LITERAL},
    {"false", BOOLEAN_LITERAL},
    {"const", CONST},
    {"bool", BOOL},
    {"string", STRING},
    {"int", INT},
    {"if", IF},
    {"else", ELSE},
    {"while", WHILE},
    {"cin", CIN},
    {"cout", COUT},
};

constexpr std::size_t longestReservedWord = 6;

// No two reserved words have the same length and first letter, so those two leave at
// most one word to compare a name with: its place in `reservedWords` plus one, or 0.
struct ReservedIndex {
    unsigned char slot[longestReservedWord + 1][26];
    bool distinct = true;
    constexpr ReservedIndex() : slot() {
        for (std::size_t i = 0; i < std::size(reservedWords); ++i) {
            const std::string_view word = reservedWords[i].word;
            unsigned char& place = slot[word.size()][word[0] - 'a'];
            distinct = distinct && place == 0;
            place = static_cast<unsigned char>(i + 1);
        }
    }
};

constexpr ReservedIndex reservedIndex{};
static_assert(reservedIndex.distinct, "reserved words told apart by length and first letter");

// Whether two texts of the same length, at most a reserved word's, are equal: a loop of a
// few steps, where a library call would cost more than the comparison.
bool sameShortText(std::string_view a, std::string_view b) {
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i]) return false;
    }
    return true;
}

// The kind of a name: a reserved word's own kind, or IDENTIFIER.
TokenKind nameKind(std::string_view name) {
    const unsigned letter = static_cast<unsigned char>(name[0]) - static_cast<unsigned>('a');
    if (name.size() > longestReservedWord || letter >= 26) return IDENTIFIER;
    const int slot = reservedIndex.slot[name.size()][letter];
    // A slot's word has the name's length and first letter.
    if (slot == 0 || !sameShortText(name, reservedWords[slot - 1].word)) return IDENTIFIER;
    return reservedWords[slot - 1].kind;
}

}  // namespace

void readFromFd(int fd) {
    source.openFd(fd);
}

void readFromText(const char* program, std::size_t size) {
    source.openText(program, size);
}

void readFromFdAt(int fd, std::uint64_t offset) {
    source.openFdAt(fd, offset);
}

std::uint64_t terminatorEnd() {
    return lastTerminatorEnd;
}

namespace {

// Between two tokens there is mostly a blank or a few, and no comment: that case is
// settled here, inline, without the general loop.
bool skippedBlanksOnly() {
    return source.skipBlanksInBlock([](int c) { return blankTable.is[c]; });
}

// The general loop: blanks and comments up to the next token, across blocks.
void skipBlanksAndComments() {
    for (;;) {
        source.takeWhile([](int c) { return isBlank(c); }, nullptr);
        if (source.peek() != '/') return;  // left unread, so that the token's run is taken whole
        source.get();
        int d = source.get();
        if (d != '/') {
            source.unget(d);
            source.unget('/');
            return;
        }
        source.takeWhile([](int b) { return b != '\n'; }, nullptr);
        source.get();  // the newline, if the comment has one
    }
}

}  // namespace

void skipWhiteComments() {
    if (!skippedBlanksOnly()) skipBlanksAndComments();
}

void lexAnal(LexToken& token) {
    const int c = source.peek();  // names, numbers and texts are read from their first byte
    if (c == endOfInput) lexError(1, "Lexer error : Unexpected end of file\n");
    if (isLetter(c))
        lexIdResWdBool(token);
    else if (isDigit(c))
        lexIntLit(token);
    else if (c == '"')
        lexStringLit(token);
    else {
        source.skip();
        lexPunctuation(token, c);
    }
    if (!skippedBlanksOnly()) skipBlanksAndComments();
}

void lexIdResWdBool(LexToken& token) {
    std::string_view name = source.takeRun([](int c) { return nameCharTable.is[c]; });
    token.kind = nameKind(name);
    if (token.kind == BOOLEAN_LITERAL) return setText(token.boolValue, name);
    if (token.kind != IDENTIFIER) return;
    if (name.size() <= string::inlineLimit && source.inOwnBlock(name.data()))
        token.idName.assignPadded(name.data(), static_cast<int>(name.size()));
    else
        setText(token.idName, name);
}

void lexIntLit(LexToken& token) {
    std::string_view digits = source.takeRun([](int c) { return isDigit(c); });
    long value = 0;
    for (char digit : digits) {
        // Past the largest literal the exact value no longer matters: stop growing.
        if (value <= INT_MAX_16_BIT) value = value * 10 + (digit - '0');
    }
    if (value > INT_MAX_16_BIT)
        lexError(4, "Lexer error : literal is too big for a 16 bit integer.\n");
    token.kind = INTEGER_LITERAL;
    token.intValue = static_cast<int32_t>(value);
}

void lexStringLit(LexToken& token) {
    source.get();  // the opening quote
    token.kind = STRING_LITERAL;
    std::string& text = spillText();
    text.clear();
    source.takeWhile([](int c) { return c != '"' && !isForbiddenInString(c); }, &text);
    int c = source.get();
    if (c == endOfInput) lexError(3, "Lexer error : missing \" on string literal\n");
    if (c != '"') lexError(2, "Lexer error : non printable character in string literal.\n");
    token.strValue.assign(text.data(), static_cast<int>(text.size()));
}

namespace {

const char* const kindHeadings[] = {
    "IDENTIFIER : ",
    "BOOLEAN LITERAL : ",
    "STRING LITERAL : \"",
    "INTEGER LITERAL : ",
    "ASSIGN",
    "TERMINATOR",
    "LPAREN",
    "RPAREN",
    "LBRACE",
    "RBRACE",
    "ADDITIONAL OPERATOR : ",
    "RELATIONAL OPERATOR : ",
    "MULTIPLICATIVE OPERATOR : ",
    "NOT OPERATOR",
    "INPUT OPERATOR",
    "OUTPUT OPERATOR",
    "CONST",
    "BOOL",
    "STRING",
    "INT",
    "IF",
    "ELSE",
    "WHILE",
    "CIN",
    "COUT",
};

}  // namespace

void writeToken(const LexToken& token) {
    if (token.kind < IDENTIFIER || token.kind > COUT) return;
    out << kindHeadings[token.kind];
    switch (token.kind) {
        case IDENTIFIER:
            out << token.idName;
            break;
        case BOOLEAN_LITERAL:
            out << token.boolValue;
            break;
        case STRING_LITERAL:
            out << token.strValue << '"';
            break;
        case INTEGER_LITERAL:
            out << static_cast<int>(token.intValue);
            break;
        case ADDITIONAL_OPERATOR:
            out << token.addOp;
            break;
        case RELATIONAL_OPERATOR:
            out << token.relOp;
            break;
        case MULTIPLICATIVE_OPERATOR:
            out << token.mulOp;
            break;
        default:
            break;
    }
}

}  // namespace lumo
