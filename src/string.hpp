// The toolchain's own text value type.
//
// A `string` holds its characters and a terminating NUL. Copies copy the characters;
// every assignment replaces them. Comparison is byte-wise, like the C library's strcmp.
//
// Departure from the record of a pointer and a length: the program tree holds millions of
// texts, nearly all of them empty or a few characters long (operators, boolean literals,
// short names), so a `string` is one word. A text of up to `inlineLimit` characters lives
// in that word; a longer one in a buffer of its own, whose length is stored just before
// its characters. The analyser keeps the long texts of the tree in its compilation's
// arena instead (`borrowing`): such a string does not own its buffer, its copies share
// it, and it lives exactly as long as the arena. So dropping the arena releases a whole
// tree, texts included, without visiting it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iosfwd>

namespace lumo {

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "an inline text's tag is its first byte");
static_assert(sizeof(void*) <= sizeof(std::uint64_t), "an address fits in a text's word");

class string {
  public:
    string() : word(emptyWord) {}
    string(char c);
    string(const char* text);
    string(const string& other) : word(other.word) {
        if (other.ownsBuffer()) copyBuffer(other);
    }
    string(char c, int count);
    ~string() {
        if (ownsBuffer()) release();
    }

    int length() const { return isInline() ? static_cast<int>(tag() >> 1) : heapLength(); }
    const char* c_str() const { return isInline() ? inlineChars() : heapChars(); }

    char operator[](int pos) const;
    char& operator[](int pos);

    int compare(const string& other) const;
    int compare(const char* text) const;
    int compare(char c) const;

    string& operator=(char c);
    string& operator=(const char* text);
    // Short texts are copied as a word, here, without a call: the tree and the code
    // generator copy millions of operators and names.
    string& operator=(const string& other) {
        if (ownsBuffer() || other.ownsBuffer()) return assignText(other);
        word = other.word;
        return *this;
    }
    string& operator+=(const string& other);
    string& operator+=(char c);

    // Becomes a copy of the first `count` bytes at `text` (used by the scanner, which
    // collects a token's characters in a buffer and makes its text in one step).
    void assign(const char* text, int count) {
        if (count > inlineLimit || ownsBuffer()) return assignText(text, count);
        word = inlineWord(text, count);
    }

    // Becomes the text of the `count` characters (at most `inlineLimit`) held in `chars`,
    // the first in its lowest byte and zeros after the last: a short text taken in one
    // load, as the scanner takes a short name.
    void assignChars(std::uint64_t chars, int count) {
        if (ownsBuffer()) return assignText(reinterpret_cast<const char*>(&chars), count);
        word = chars << 8 | static_cast<std::uint64_t>(2 * count + 1);
    }

    // True when the text is held in the object's own word. `hash` is then one to one: no
    // other text has the same.
    bool heldInline() const { return isInline(); }

    // True when both hold the same word: the same short text, or the very same buffer.
    // A quick yes for equality; a no says nothing.
    bool sameWord(const string& other) const { return word == other.word; }

    // A hash of the characters: equal texts hash alike. A short text, held as one word,
    // is hashed with one multiplication.
    std::uint64_t hash() const {
        if (!isInline()) return hashOfBuffer();
        const std::uint64_t mixed = word * 0x9E3779B97F4A7C15ull;
        return mixed ^ mixed >> 29;
    }

    // The longest text kept inside the object itself.
    static constexpr int inlineLimit = 6;

    // Bytes of storage that a text of `count` characters takes when it is kept elsewhere:
    // its length word, its characters and a NUL, rounded up to a word.
    static constexpr std::size_t storageFor(int count) {
        return (lengthWord + static_cast<std::size_t>(count) + 1 + 7) / 8 * 8;
    }
    // Lays out a text in `place` (storageFor(count) bytes, aligned to 8) and returns a
    // string that borrows it: it does not own the storage, and neither do its copies.
    static string borrowing(void* place, const char* text, int count);

    // A text longer than `inlineLimit` characters, in a buffer it owns.
    bool ownsBuffer() const { return (word & 3) == 0; }

  private:
    // The object's one word, read as bytes in memory order. An inline text has an odd
    // first byte, twice its length plus one, then its characters and NUL. Otherwise the
    // word is the address of a buffer's characters, a multiple of 8, plus `borrowedBit`
    // when the buffer belongs to someone else. The buffer's length is the 32-bit number
    // in the word just before its characters.
    std::uint64_t word;

    static constexpr std::uint64_t borrowedBit = 2;
    static constexpr std::size_t lengthWord = sizeof(std::uint64_t);

    static constexpr std::uint64_t emptyWord = 1;  // tag 1: inline, no characters

    unsigned char tag() const { return static_cast<unsigned char>(word & 0xff); }
    bool isInline() const { return (word & 1) != 0; }
    const char* inlineChars() const { return reinterpret_cast<const char*>(&word) + 1; }
    char* inlineChars() { return reinterpret_cast<char*>(&word) + 1; }
    char* heapChars() const {
        return reinterpret_cast<char*>(static_cast<std::uintptr_t>(word & ~borrowedBit));
    }
    int heapLength() const {
        std::int32_t count;
        std::memcpy(&count, heapChars() - lengthWord, sizeof count);
        return count;
    }

    // The word of an inline text of `count` (at most `inlineLimit`) characters at `text`.
    static std::uint64_t inlineWord(const char* text, int count) {
        std::uint64_t chars = 0;
        for (int i = count; i-- > 0;) chars = chars << 8 | static_cast<unsigned char>(text[i]);
        return chars << 8 | static_cast<std::uint64_t>(2 * count + 1);
    }
    // The word of any text: inline, or the address of a new buffer holding it.
    static std::uint64_t wordOf(const char* text, int count);

    string& assignText(const string& other);
    void assignText(const char* text, int count);
    std::uint64_t hashOfBuffer() const;
    void copyBuffer(const string& other);
    void checkSubscript(int pos) const;
    void release();
};

string operator+(const string& left, const string& right);
bool equalTexts(const string& left, const string& right);
// Two short texts are equal exactly when their words are: only a long one needs its
// characters compared.
inline bool operator==(const string& left, const string& right) {
    if (left.sameWord(right)) return true;
    return !(left.heldInline() && right.heldInline()) && equalTexts(left, right);
}
bool operator!=(const string& left, const string& right);
bool operator<(const string& left, const string& right);
bool operator>(const string& left, const string& right);
bool operator<=(const string& left, const string& right);
bool operator>=(const string& left, const string& right);

std::ostream& operator<<(std::ostream& os, const string& s);
std::istream& operator>>(std::istream& is, string& s);
std::istream& getline(std::istream& is, string& s, char delimiter);

}  // namespace lumo
