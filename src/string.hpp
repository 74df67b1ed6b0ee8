// The toolchain's own text value type.
//
// A `string` owns a heap buffer of exactly length + 1 bytes (the characters and a NUL).
// Copies copy the characters; every assignment releases the old buffer and takes a fresh
// one of the needed size. Comparison is byte-wise, like the C library's strcmp.
#pragma once

#include <iosfwd>

namespace lumo {

class string {
  public:
    // An empty text points at a NUL it shares with every other empty text; it is never
    // written to nor released, so each record's empty fields cost no buffer and no call.
    string() : data(sharedEmpty), len(0) {}
    string(char c);
    string(const char* text);
    string(const string& other);
    string(char c, int count);
    ~string() {
        if (len != 0) release();
    }

    int length() const { return len; }
    const char* c_str() const { return data ? data : ""; }

    char operator[](int pos) const;
    char& operator[](int pos);

    int compare(const string& other) const;
    int compare(const char* text) const;
    int compare(char c) const;

    string& operator=(char c);
    string& operator=(const char* text);
    string& operator=(const string& other);
    string& operator+=(const string& other);
    string& operator+=(char c);

    // Becomes a copy of the first `count` bytes at `text` (used by the scanner, which
    // collects a token's characters in a buffer and makes its text in one step).
    void assign(const char* text, int count);

    // The NUL every empty text points at; nothing writes to it.
    static char sharedEmpty[1];

  private:
    char* data;
    int len;

    void checkSubscript(int pos) const;
    void release();
};

string operator+(const string& left, const string& right);
bool operator==(const string& left, const string& right);
bool operator!=(const string& left, const string& right);
bool operator<(const string& left, const string& right);
bool operator>(const string& left, const string& right);
bool operator<=(const string& left, const string& right);
bool operator>=(const string& left, const string& right);

std::ostream& operator<<(std::ostream& os, const string& s);
std::istream& operator>>(std::istream& is, string& s);
std::istream& getline(std::istream& is, string& s, char delimiter);

}  // namespace lumo
