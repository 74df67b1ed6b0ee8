// The scanner and the token description.
//
// Token texts are collected in the input block where they lie and become a `string` in
// one step; two-character operators look at their second byte rather than read it and
// push it back.
#include "lexer.hpp"

#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <new>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <string>
#include <string_view>

#include "common.hpp"

namespace lumo {

namespace {

constexpr int endOfInput = Source::endOfInput;

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
static_assert(Source::runReach >= sizeof(std::uint64_t), "a short name is read in one load");

// The classes of bytes whose runs the scanner takes: a test of one byte, and the length of
// the run from a place on, counting at most `Source::runReach` bytes. Runs of blanks and of
// name characters have lengths that vary from token to token, which no branch predicts;
// where the machine has SSE2 (every x86-64 has), a run is measured by comparing sixteen
// bytes at once and counting, without a branch per byte.
#if defined(__SSE2__)
struct Sixteen {
    __m128i bytes;
    explicit Sixteen(const unsigned char* p)
        : bytes(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))) {}
    // Bit k is set where byte k is `c`, or lies from `low` to `high` (all below 0x80: the
    // comparisons are signed, and larger bytes compare as negative).
    unsigned is(char c) const {
        return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(c))));
    }
    static unsigned within(__m128i b, char low, char high) {
        const __m128i from = _mm_cmpgt_epi8(b, _mm_set1_epi8(static_cast<char>(low - 1)));
        const __m128i upTo = _mm_cmplt_epi8(b, _mm_set1_epi8(static_cast<char>(high + 1)));
        return static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(from, upTo)));
    }
    unsigned within(char low, char high) const { return within(bytes, low, high); }
    // Either case of a letter: a byte ORed with 0x20 is a small letter only if it was a letter.
    unsigned letters() const { return within(_mm_or_si128(bytes, _mm_set1_epi8(0x20)), 'a', 'z'); }
    // The length of the run that the bits of the class begin with: 16 when all are set.
    static std::size_t runOf(unsigned bits) {
        return static_cast<std::size_t>(__builtin_ctz(~bits));
    }
};
#endif

// The run of bytes that pass `test`, counted one by one.
template <bool (*test)(int)>
std::size_t runOfBytes(const unsigned char* p) {
    std::size_t n = 0;
    while (n < Source::runReach && test(p[n])) ++n;
    return n;
}

struct Blanks {
    static bool is(int c) { return blankTable.is[c]; }
    static std::size_t run(const unsigned char* p) {
#if defined(__SSE2__)
        const Sixteen s(p);
        return Sixteen::runOf(s.is(' ') | s.within('\t', '\r') | s.is(static_cast<char>(0xFF)));
#else
        return runOfBytes<is>(p);
#endif
    }
};

struct NameChars {
    static bool is(int c) { return nameCharTable.is[c]; }
    static std::size_t run(const unsigned char* p) {
#if defined(__SSE2__)
        const Sixteen s(p);
        return Sixteen::runOf(s.letters() | s.within('0', '9') | s.is('_'));
#else
        return runOfBytes<is>(p);
#endif
    }
};

struct Digits {
    static bool is(int c) { return isDigit(c); }
    static std::size_t run(const unsigned char* p) {
#if defined(__SSE2__)
        return Sixteen::runOf(Sixteen(p).within('0', '9'));
#else
        return runOfBytes<is>(p);
#endif
    }
};

// A string literal holds any byte but the control characters, newline and tab excepted.
bool isForbiddenInString(int c) {
    return isControl(c) && c != '\n' && c != '\t';
}

// Payloads repeat (an operator, the name in `i = i + 1`): a field that already holds a
// long text keeps it rather than take a new buffer. A short one is set in a step anyway.
void setText(string& field, std::string_view text) {
    const bool sameLong = text.size() > string::inlineLimit &&
                          static_cast<std::size_t>(field.length()) == text.size() &&
                          std::memcmp(field.c_str(), text.data(), text.size()) == 0;
    if (!sameLong) field.assign(text.data(), static_cast<int>(text.size()));
}

// Operator texts, made before main: setting a token's payload to one copies a word.
const string lessEqual = "<=", less = "<", greaterEqual = ">=", greater = ">";
const string equal = "==", notEqual = "!=", orElse = "||", andAlso = "&&";
const string plus = "+", minus = "-", times = "*", divide = "/", remainder = "%";

void setOperator(LexToken& token, TokenKind kind, string LexToken::*field, const string& text) {
    token.kind = kind;
    token.*field = text;
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
static_assert(longestReservedWord <= string::inlineLimit,
              "a name of a reserved word's length is inline");

// No two reserved words have the same length and first letter, so those two leave at
// most one word to compare a name with: its place in `reservedWords` plus one, or 0. The
// two are compared as words (see nameWord), in one step; slot 0 holds a word that is no
// name's, so that a name with no word to compare takes the same step.
struct ReservedIndex {
    unsigned char slot[longestReservedWord + 1][26];
    std::uint64_t word[std::size(reservedWords) + 1];
    TokenKind kind[std::size(reservedWords) + 1];
    bool distinct = true;
    constexpr ReservedIndex() : slot(), word(), kind() {
        word[0] = ~std::uint64_t(0);
        kind[0] = IDENTIFIER;
        for (std::size_t i = 0; i < std::size(reservedWords); ++i) {
            const std::string_view text = reservedWords[i].word;
            unsigned char& place = slot[text.size()][text[0] - 'a'];
            distinct = distinct && place == 0;
            place = static_cast<unsigned char>(i + 1);
            for (std::size_t k = 0; k < text.size(); ++k)
                word[i + 1] |= std::uint64_t(static_cast<unsigned char>(text[k])) << (8 * k);
            kind[i + 1] = reservedWords[i].kind;
        }
    }
};

constexpr ReservedIndex reservedIndex{};
static_assert(reservedIndex.distinct, "reserved words told apart by length and first letter");

// A name of at most a reserved word's length as one word, its first character in the
// lowest byte and zeros after its end; `readable` says that a word's worth of bytes may be
// read from the name's start.
std::uint64_t nameWord(std::string_view name, bool readable) {
    char copy[sizeof(std::uint64_t)] = {};
    const char* text = name.data();
    if (!readable) text = static_cast<const char*>(std::memcpy(copy, text, name.size()));
    std::uint64_t word;
    std::memcpy(&word, text, sizeof word);
    return word & ((std::uint64_t(1) << (8 * name.size())) - 1);
}

// The kind of a name of at most a reserved word's length, given as its word (see
// nameWord): a reserved word's own kind, or IDENTIFIER.
TokenKind shortNameKind(std::uint64_t word, std::size_t length) {
    const unsigned letter = static_cast<unsigned>(word & 0xff) - static_cast<unsigned>('a');
    if (letter >= 26) return IDENTIFIER;
    const int slot = reservedIndex.slot[length][letter];
    return word == reservedIndex.word[slot] ? reservedIndex.kind[slot] : IDENTIFIER;
}

}  // namespace

// ---- the source ---------------------------------------------------------------------

void Source::reset(int newFd, std::size_t wanted) {
    fd = newFd;
    readAt = false;
    fileOffset = 0;
    textLeft = textEnd = nullptr;
    blockBase = 0;
    failed = false;
    if (wanted > capacity) {
        std::free(storage);
        // room for the bytes pushed back before it, and after it for the NUL and for the
        // runs measured past the block's end
        std::size_t size = roomBefore + wanted + 1 + runReach;
        storage = static_cast<unsigned char*>(largeBlock(size));
        if (storage == nullptr) throw std::bad_alloc();
        // Runs are measured a group of bytes at a time, past the NUL after a short block
        // into bytes no read has filled: they are zeros, not whatever was left there.
        std::memset(storage, 0, size);
        capacity = wanted;
    }
    block = cur = end = noBytes;
}

void Source::openText(std::string_view text) {
    reset(-1, std::min(blockSize, text.size()));
    textLeft = text.data();
    textEnd = text.data() + text.size();
}

void Source::openFd(int newFd) {
    reset(newFd, blockSize);
}

void Source::openFdAt(int newFd, std::uint64_t offset) {
    reset(newFd, blockSize);
    readAt = true;
    fileOffset = offset;
}

bool Source::refill() {
    if (!failed && capacity > 0) {
        const std::uint64_t before = position();
        unsigned char* const fresh = storage + roomBefore;
        std::size_t n = 0;
        if (fd < 0) {
            n = std::min(capacity, static_cast<std::size_t>(textEnd - textLeft));
            if (n > 0) std::memcpy(fresh, textLeft, n);
            textLeft += n;
        } else {
            n = readFile();
        }
        if (n > 0) {
            block = cur = fresh;
            end = fresh + n;
            *end = 0;
            blockBase = before;
            return true;
        }
    }
    failed = true;
    cur = end;
    return false;
}

std::size_t Source::readFile() {
    ssize_t n;
    do
        n = readAt ? ::pread(fd, storage + roomBefore, capacity, static_cast<off_t>(fileOffset))
                   : ::read(fd, storage + roomBefore, capacity);
    while (n < 0 && errno == EINTR);
    if (n <= 0) return 0;
    fileOffset += static_cast<std::uint64_t>(n);
    return static_cast<std::size_t>(n);
}

// ---- the scanner --------------------------------------------------------------------

void Scanner::lexError(int status, std::string_view message, std::uint64_t offset) {
    out << message;
    endRun(status, offset);
}

// Between two tokens there is mostly a blank or a few, and no comment: that case is
// settled at once, without the general loop.
void Scanner::skipWhiteComments() {
    if (!source.skipBlanksInBlock<Blanks>()) skipBlanksAndComments();
}

// The general loop: blanks and comments up to the next token, across blocks. A comment
// runs to the end of its line however long the line is: the tail of a long comment read
// as program text would only puzzle its writer.
void Scanner::skipBlanksAndComments() {
    for (;;) {
        source.takeWhile([](int c) { return isBlank(c); }, nullptr);
        if (source.peek() != '/') return;  // left unread, so that the token's run is taken whole
        source.get();
        const int d = source.get();
        if (d != '/') {
            source.unget(d);
            source.unget('/');
            return;
        }
        source.takeWhile([](int b) { return b != '\n'; }, nullptr);
        source.get();  // the newline, if the comment has one
    }
}

// A `second` directly after the first byte of an operator makes the two-character token.
// Any other byte stays unread: looked at, not read and pushed back.
bool Scanner::followedBy(int second) {
    if (source.peek() != second) return false;
    source.skip();
    return true;
}

void Scanner::lexAnal(LexToken& token) {
    token.offset = source.position();
    const int c = source.peek();  // names, numbers and texts are read from their first byte
    if (c == endOfInput) lexError(1, "Lexer error : Unexpected end of file\n", token.offset);
    if (isLetter(c))
        lexIdResWdBool(token);
    else if (c == '"')
        lexStringLit(token);
    else if (isDigit(c))
        lexIntLit(token);
    else {
        source.skip();
        lexPunctuation(token, c);
    }
    skipWhiteComments();
}

namespace {

// The tokens of one character that no second character can extend, found in one look at a
// table rather than by a switch: their kind and, for an operator, its field and text.
struct SingleToken {
    TokenKind kind = IDENTIFIER;
    // A token without payload sets `noPayload`: brackets and operators come in no order
    // that a branch could follow.
    string LexToken::*field = &LexToken::noPayload;
    const string* text = nullptr;  // null for a byte that is no such token
};

const string noText;

struct SingleTokens {
    SingleToken of[256];
    SingleTokens() {
        of[static_cast<unsigned char>(';')] = {TERMINATOR, &LexToken::noPayload, &noText};
        of[static_cast<unsigned char>('(')] = {LPAREN, &LexToken::noPayload, &noText};
        of[static_cast<unsigned char>(')')] = {RPAREN, &LexToken::noPayload, &noText};
        of[static_cast<unsigned char>('{')] = {LBRACE, &LexToken::noPayload, &noText};
        of[static_cast<unsigned char>('}')] = {RBRACE, &LexToken::noPayload, &noText};
        of[static_cast<unsigned char>('+')] = {ADDITIONAL_OPERATOR, &LexToken::addOp, &plus};
        of[static_cast<unsigned char>('-')] = {ADDITIONAL_OPERATOR, &LexToken::addOp, &minus};
        of[static_cast<unsigned char>('*')] = {MULTIPLICATIVE_OPERATOR, &LexToken::mulOp, &times};
        of[static_cast<unsigned char>('/')] = {MULTIPLICATIVE_OPERATOR, &LexToken::mulOp, &divide};
        of[static_cast<unsigned char>('%')] = {MULTIPLICATIVE_OPERATOR, &LexToken::mulOp,
                                               &remainder};
    }
};

const SingleTokens singleTokens;

}  // namespace

void Scanner::lexPunctuation(LexToken& token, int c) {
    const SingleToken& single = singleTokens.of[c];
    if (single.text != nullptr) {
        token.kind = single.kind;
        token.*single.field = *single.text;
        return;
    }
    switch (c) {
        case '=':
            if (followedBy('='))
                return setOperator(token, RELATIONAL_OPERATOR, &LexToken::relOp, equal);
            token.kind = ASSIGN;
            return;
        case '&':
            if (!followedBy('&')) lexError(5, "Lexer error : expected &.\n\n", token.offset);
            return setOperator(token, MULTIPLICATIVE_OPERATOR, &LexToken::mulOp, andAlso);
        case '<':
            if (followedBy('='))
                return setOperator(token, RELATIONAL_OPERATOR, &LexToken::relOp, lessEqual);
            if (followedBy('<')) {
                token.kind = OUTPUT_OPERATOR;
                return;
            }
            return setOperator(token, RELATIONAL_OPERATOR, &LexToken::relOp, less);
        case '>':
            if (followedBy('='))
                return setOperator(token, RELATIONAL_OPERATOR, &LexToken::relOp, greaterEqual);
            if (followedBy('>')) {
                token.kind = INPUT_OPERATOR;
                return;
            }
            return setOperator(token, RELATIONAL_OPERATOR, &LexToken::relOp, greater);
        case '!':
            if (followedBy('='))
                return setOperator(token, RELATIONAL_OPERATOR, &LexToken::relOp, notEqual);
            token.kind = NOT_OPERATOR;
            return;
        case '|': {
            const int d = source.get();
            if (d == '|') return setOperator(token, ADDITIONAL_OPERATOR, &LexToken::addOp, orElse);
            if (d == endOfInput)
                lexError(1, "Lexer error : Unexpected end of file\n", source.position());
            out << "Lexer error : Unexpected character : '" << static_cast<char>(d) << "'\n";
            endRun(6, token.offset);
        }
    }
    out << "Lexer error : Unrecognised character : " << static_cast<char>(c) << "\n";
    endRun(7, token.offset);
}

// A name no longer than a reserved word is taken as one word, which is compared with the
// one reserved word it could be and, short enough to be held inline, becomes the token's
// text as it is.
void Scanner::lexIdResWdBool(LexToken& token) {
    const std::string_view name = source.takeRun<NameChars>();
    if (name.size() > longestReservedWord) {
        token.kind = IDENTIFIER;
        return setText(token.idName, name);
    }
    const std::uint64_t word = nameWord(name, source.inBlock(name.data()));
    token.kind = shortNameKind(word, name.size());
    if (token.kind == IDENTIFIER)
        return token.idName.assignChars(word, static_cast<int>(name.size()));
    if (token.kind == BOOLEAN_LITERAL) setText(token.boolValue, name);
}

void Scanner::lexIntLit(LexToken& token) {
    const std::string_view digits = source.takeRun<Digits>();
    long value = 0;
    for (char digit : digits) {
        // Past the largest literal the exact value no longer matters: stop growing.
        if (value <= INT_MAX_16_BIT) value = value * 10 + (digit - '0');
    }
    if (value > INT_MAX_16_BIT)
        lexError(4, "Lexer error : literal is too big for a 16 bit integer.\n", token.offset);
    token.kind = INTEGER_LITERAL;
    token.intValue = static_cast<int32_t>(value);
}

void Scanner::lexStringLit(LexToken& token) {
    source.get();  // the opening quote
    token.kind = STRING_LITERAL;
    std::string& text = source.spill;
    text.clear();
    source.takeWhile([](int c) { return c != '"' && !isForbiddenInString(c); }, &text);
    const int c = source.get();
    if (c == endOfInput) lexError(3, "Lexer error : missing \" on string literal\n", token.offset);
    if (c != '"')
        lexError(2, "Lexer error : non printable character in string literal.\n",
                 source.position() - 1);
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

void writeToken(Output& out, const LexToken& token) {
    if (token.kind < IDENTIFIER || token.kind > COUT) return;
    out << std::string_view(kindHeadings[token.kind]);
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
