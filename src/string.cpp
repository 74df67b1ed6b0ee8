// The text value type: construction, assignment, comparison, concatenation and streams.
#include "string.hpp"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

namespace lumo {

namespace {

constexpr std::size_t lengthWord = sizeof(std::uint64_t);

std::size_t bufferBytes(int count) {
    return lengthWord + static_cast<std::size_t>(count) + 1;
}

// A buffer for a text of `count` characters, longer than fits inline; its length is set
// and its characters are for the caller to write, NUL included.
char* newBuffer(int count) {
    char* block = new char[bufferBytes(count)];
    const std::int32_t length = count;
    std::memcpy(block, &length, sizeof length);
    return block + lengthWord;
}

int sign(int value) {
    return (value > 0) - (value < 0);
}

bool isWhite(int c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

}  // namespace

// The word of a text of `count` characters at `text`. A buffer, when one is needed, is
// filled before the caller releases anything, so `text` may point into the caller.
std::uint64_t string::wordOf(const char* text, int count) {
    if (count <= inlineLimit) return inlineWord(text, count);
    char* chars = newBuffer(count);
    std::memcpy(chars, text, static_cast<std::size_t>(count));
    chars[count] = '\0';
    return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(chars));
}

string::string(char c) : word(wordOf(&c, 1)) {}

string::string(const char* text) : word(wordOf(text, static_cast<int>(std::strlen(text)))) {}

string::string(char c, int count) : string() {
    if (count <= 0) return;
    std::string run(static_cast<std::size_t>(count), c);
    word = wordOf(run.data(), count);
}

void string::copyBuffer(const string& other) {
    word = wordOf(other.heapChars(), other.heapLength());
}

std::uint64_t string::hashOfBuffer() const {
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (const char* p = heapChars(); *p != '\0'; ++p)
        hash = (hash ^ static_cast<unsigned char>(*p)) * 1099511628211ull;
    return hash;
}

void string::release() {
    delete[](heapChars() - lengthWord);
}

string string::borrowing(void* place, const char* text, int count) {
    char* block = static_cast<char*>(place);
    const std::int32_t length = count;
    std::memcpy(block, &length, sizeof length);
    char* chars = block + lengthWord;
    std::memcpy(chars, text, static_cast<std::size_t>(count));
    chars[count] = '\0';
    string kept;
    kept.word = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(chars)) | borrowedBit;
    return kept;
}

void string::checkSubscript(int pos) const {
    if (pos >= 0 && pos < length()) return;
    std::cerr << "Subscript out of bounds.\n"
              << "Attempt to add past end of string.\n"
              << "String length:" << length() << " Subscript:" << pos << "\n";
    std::cerr.flush();
    std::abort();
}

char string::operator[](int pos) const {
    checkSubscript(pos);
    return c_str()[pos];
}

char& string::operator[](int pos) {
    checkSubscript(pos);
    return isInline() ? inlineChars()[pos] : heapChars()[pos];
}

int string::compare(const string& other) const {
    return sign(std::strcmp(c_str(), other.c_str()));
}

int string::compare(const char* text) const {
    return sign(std::strcmp(c_str(), text));
}

int string::compare(char c) const {
    const char text[2] = {c, '\0'};
    return compare(text);
}

void string::assignText(const char* text, int count) {
    const std::uint64_t fresh = wordOf(text, count);  // made first: `text` may be ours
    if (ownsBuffer()) release();
    word = fresh;
}

string& string::operator=(char c) {
    assign(&c, 1);
    return *this;
}

string& string::operator=(const char* text) {
    assign(text, static_cast<int>(std::strlen(text)));
    return *this;
}

string& string::assignText(const string& other) {
    if (this == &other) return *this;
    if (!other.ownsBuffer()) {  // inline or borrowed: the word is the text
        if (ownsBuffer()) release();
        word = other.word;
        return *this;
    }
    assignText(other.c_str(), other.length());
    return *this;
}

string& string::operator+=(const string& other) {
    return *this = *this + other;
}

string& string::operator+=(char c) {
    return *this = *this + string(c);
}

string operator+(const string& left, const string& right) {
    const int total = left.length() + right.length();
    std::string joined;
    joined.reserve(static_cast<std::size_t>(total));
    joined.append(left.c_str(), static_cast<std::size_t>(left.length()));
    joined.append(right.c_str(), static_cast<std::size_t>(right.length()));
    string result;
    result.assign(joined.data(), total);
    return result;
}

bool equalTexts(const string& left, const string& right) {
    return left.compare(right) == 0;
}
bool operator!=(const string& left, const string& right) {
    return left.compare(right) != 0;
}
bool operator<(const string& left, const string& right) {
    return left.compare(right) < 0;
}
bool operator>(const string& left, const string& right) {
    return left.compare(right) > 0;
}
bool operator<=(const string& left, const string& right) {
    return left.compare(right) <= 0;
}
bool operator>=(const string& left, const string& right) {
    return left.compare(right) >= 0;
}

std::ostream& operator<<(std::ostream& os, const string& s) {
    return os << s.c_str();
}

namespace {

// Reads characters up to (not including) the first one for which `stop` holds, or to the
// end of the input. Returns the character that stopped the word, or EOF.
template <typename Stop>
int readWord(std::istream& is, std::string& word, Stop stop) {
    int c = is.get();
    while (c != EOF && !stop(c)) {
        word.push_back(static_cast<char>(c));
        c = is.get();
    }
    return c;
}

int skipWhite(std::istream& is) {
    int c = is.get();
    while (c != EOF && isWhite(c)) c = is.get();
    return c;
}

}  // namespace

std::istream& operator>>(std::istream& is, string& s) {
    s = "";
    int first = skipWhite(is);
    if (first == EOF) return is;
    std::string word(1, static_cast<char>(first));
    int stop = readWord(is, word, isWhite);
    if (stop != EOF) is.putback(static_cast<char>(stop));
    s.assign(word.data(), static_cast<int>(word.size()));
    if (stop == EOF) is.clear(is.rdstate() & ~std::ios::failbit);
    return is;
}

std::istream& getline(std::istream& is, string& s, char delimiter) {
    s = "";
    const int delim = static_cast<unsigned char>(delimiter);
    int first = skipWhite(is);
    std::string line;
    if (first != EOF && first != delim) {
        line.push_back(static_cast<char>(first));
        readWord(is, line, [delim](int c) { return c == delim; });
    }
    s.assign(line.data(), static_cast<int>(line.size()));
    return is;
}

}  // namespace lumo
