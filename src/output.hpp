// Where a compilation's text goes: one buffered writer, and decimal numbers formatted once.
//
// Every diagnostic and every line of assembly goes through one `Output`. It either keeps
// all the text in memory (for a caller in the same process) or writes it to a file
// descriptor a megabyte at a time (for lumoc); either way the text comes out in the order
// it was produced, and a failed write is noticed, not ignored.
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

#if defined(__unix__)
#include <unistd.h>
#endif

#include "arena.hpp"
#include "string.hpp"

namespace lumo {

// The texts "00" to "99", each as the two bytes it is in memory: numbers are formatted
// two digits at a time, with half as many divisions as digits.
struct DigitPairs {
    std::uint16_t text[100];
    constexpr DigitPairs() : text() {
        for (unsigned n = 0; n < 100; ++n)
            text[n] = static_cast<std::uint16_t>(('0' + n / 10) | ('0' + n % 10) << 8);
    }
};
inline constexpr DigitPairs digitPairs{};

// A number as decimal text, formatted once: the generator names each label number on
// several lines. The text is kept at the start of a block of fixed size, so that it is
// copied to the output without a call.
class Number {
  public:
    explicit Number(int value) {
        char reversed[room];
        unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : value;
        char* at = reversed + room;
        for (; magnitude >= 100; magnitude /= 100) {
            at -= 2;
            std::memcpy(at, &digitPairs.text[magnitude % 100], 2);
        }
        if (magnitude >= 10) {
            at -= 2;
            std::memcpy(at, &digitPairs.text[magnitude], 2);
        } else {
            *--at = static_cast<char>('0' + magnitude);
        }
        if (value < 0) *--at = '-';
        length = static_cast<unsigned char>(reversed + room - at);
        std::memcpy(digits, at, length);
    }
    std::string_view text() const { return {digits, length}; }

    static constexpr std::size_t room = 16;  // "-2147483648" and then some
    char digits[room] = {};
    unsigned char length;
};

class Output {
  public:
    // Keeps everything in memory.
    Output() = default;
    // Writes to the file descriptor `fd` whenever a megabyte has gathered.
    explicit Output(int fd) : fd(fd) {}
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;
    ~Output() { std::free(buf); }

    // The common cases, short pieces that fit, stay small enough to inline everywhere. A
    // literal's length is known when the call is compiled, and so is the size of its copy;
    // a short text or a number is copied as a block of fixed size, its length added after.
    template <std::size_t size>
    [[gnu::always_inline]] Output& operator<<(const char (&literal)[size]) {
        write(literal, size - 1);
        return *this;
    }
    [[gnu::always_inline]] Output& operator<<(std::string_view text) {
        write(text.data(), text.size());
        return *this;
    }
    [[gnu::always_inline]] Output& operator<<(const string& text) {
        constexpr std::size_t block = string::inlineLimit + 1;
        if (text.heldInline() && block <= limit - used) {
            std::memcpy(buf + used, text.c_str(), block);
            used += static_cast<std::size_t>(text.length());
            return *this;
        }
        write(text.c_str(), static_cast<std::size_t>(text.length()));
        return *this;
    }
    [[gnu::always_inline]] Output& operator<<(const Number& number) {
        if (Number::room <= limit - used) {
            std::memcpy(buf + used, number.digits, Number::room);
            used += number.length;
            return *this;
        }
        write(number.digits, number.length);
        return *this;
    }
    Output& operator<<(int number) { return *this << Number(number); }
    Output& operator<<(char c) {
        if (used == limit) makeRoom(1);
        buf[used++] = c;
        return *this;
    }

    [[gnu::always_inline]] void write(const char* bytes, std::size_t count) {
        if (count <= limit - used) {
            std::memcpy(buf + used, bytes, count);
            used += count;
            return;
        }
        writeOverflowing(bytes, count);
    }

    class Line;

    // Says that about `bytes` bytes will be held at a time, so that the first buffer is
    // that large (and, large, on huge pages) rather than grown to it.
    void expect(std::size_t bytes) { expected = bytes; }

    // Bytes written so far, whether still here or gone out.
    std::uint64_t size() const { return sent + used; }
    // What is held and not yet written out: everything, for an output kept in memory.
    std::string_view held() const { return {buf, used}; }
    // Moves what is held into a std::string and empties this output.
    std::string take() {
        std::string text(buf == nullptr ? "" : buf, used);
        sent += used;
        used = 0;
        return text;
    }
    // Drops what is held, as if it had never been written.
    void discard() { used = 0; }
    // Writes what is held to the file descriptor `to` and empties this output; false if
    // the write failed.
    bool sendHeldTo(int to) {
        const int own = fd;
        fd = to;
        drain();
        fd = own;
        const bool sent = !failed;
        failed = false;
        return sent;
    }

    // Writes out what is held (to a file descriptor); false if any write so far failed.
    bool flush() {
        if (fd >= 0) drain();
        return !failed;
    }
    bool anyFailed() const { return failed; }
    // Counts a failed write of another writer on the same file as this one's own.
    void failWrites() { failed = true; }

  private:
    friend class Line;
    static constexpr std::size_t capacity = hugePage;  // for a file descriptor
    static constexpr std::size_t firstInMemory = std::size_t(64) << 10;
    std::size_t expected = 0;
    char* buf = nullptr;
    std::size_t limit = 0;
    std::size_t used = 0;
    std::uint64_t sent = 0;
    int fd = -1;  // negative: everything stays in memory
    bool failed = false;

    void makeRoom(std::size_t wanted) {
        if (fd >= 0 && buf != nullptr) drain();
        if (wanted <= limit - used) return;
        if (buf == nullptr) {
            std::size_t first = fd >= 0                    ? capacity
                                : expected > firstInMemory ? expected
                                                           : firstInMemory;
            while (first < wanted) first *= 2;
            buf = static_cast<char*>(largeBlock(first));
            if (buf == nullptr) throw std::bad_alloc();
            limit = first;
            return;
        }
        std::size_t bigger = 2 * limit;
        while (bigger - used < wanted) bigger *= 2;
        char* grown = static_cast<char*>(std::realloc(buf, bigger));
        if (grown == nullptr) throw std::bad_alloc();
        buf = grown;
        limit = bigger;
    }

    void writeOverflowing(const char* bytes, std::size_t count) {
        if (fd >= 0 && count >= capacity) {  // a large block goes straight out
            drain();
            writeAll(bytes, count);
            sent += count;
            return;
        }
        makeRoom(count);
        std::memcpy(buf + used, bytes, count);
        used += count;
    }

    void drain() {
        writeAll(buf, used);
        sent += used;
        used = 0;
    }

    void writeAll(const char* bytes, std::size_t count) {
#if defined(__unix__)
        while (count > 0 && !failed) {
            const ssize_t n = ::write(fd, bytes, count);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                failed = true;
                return;
            }
            bytes += n;
            count -= static_cast<std::size_t>(n);
        }
#else
        (void)bytes;
        failed = failed || count > 0;
#endif
    }
};

// A line, or a few, put together in place in an output: room for all its pieces is made
// once, and the place they go stays at hand while they are copied. Written through the
// output's own members, every piece would have to read them back, as the bytes copied
// could be the members' own. `most` bounds the bytes written; short texts and numbers are
// copied as blocks of fixed size, for which the line keeps `slack` bytes more.
class Output::Line {
  public:
    static constexpr std::size_t slack = Number::room;

    Line(Output& out, std::size_t most) : out(out) {
        if (most + slack > out.limit - out.used) out.makeRoom(most + slack);
        at = out.buf + out.used;
    }
    ~Line() { out.used = static_cast<std::size_t>(at - out.buf); }
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;

    template <std::size_t size>
    [[gnu::always_inline]] Line& operator<<(const char (&literal)[size]) {
        std::memcpy(at, literal, size - 1);
        at += size - 1;
        return *this;
    }
    [[gnu::always_inline]] Line& operator<<(std::string_view text) {
        std::memcpy(at, text.data(), text.size());
        at += text.size();
        return *this;
    }
    [[gnu::always_inline]] Line& operator<<(const string& text) {
        if (!text.heldInline()) return *this << std::string_view(text.c_str(), text.length());
        std::memcpy(at, text.c_str(), string::inlineLimit + 1);
        at += text.length();
        return *this;
    }
    [[gnu::always_inline]] Line& operator<<(const Number& number) {
        std::memcpy(at, number.digits, Number::room);
        at += number.length;
        return *this;
    }
    // The first `length` bytes of `bytes` (at most `slack`), copied as a block of its size.
    template <std::size_t size>
    [[gnu::always_inline]] Line& padded(const char (&bytes)[size], std::size_t length) {
        static_assert(size <= slack, "a padded text fits in the slack");
        std::memcpy(at, bytes, size);
        at += length;
        return *this;
    }

  private:
    Output& out;
    char* at;
};

}  // namespace lumo
