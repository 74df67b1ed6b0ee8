// Constants, message tables and the output channel shared by the scanner, the analyser,
// the code generator and the driver.
//
// Every diagnostic and every line of assembly goes through `out`, one buffered writer on
// standard output. It is flushed once, when the run ends (`endRun`), so the text reaches
// the file in the order it was produced, and a failed write is noticed and reported.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string_view>

#include "string.hpp"

namespace lumo {

// Truth values on the target: all bits set for true, so AND, OR and NOT work as logic.
constexpr int trueval = -1;
constexpr int falseval = 0;

constexpr int INT_MAX_16_BIT = 32767;
constexpr int INT_MIN_16_BIT = -32768;

// Error classes: a number N belongs to a class when base < N < base + size.
constexpr int minSyntaxError = 0;
constexpr int maxSyntaxError = 21;
constexpr int minStaticError = 100;
constexpr int maxStaticError = 8;
constexpr int minTypeError = 200;
constexpr int maxTypeError = 26;

// How deep parentheses, `!` and the braces of `if`/`while` may nest. Deeper input ends
// the run with its own diagnostic and `nestingErrorStatus` instead of exhausting the stack.
constexpr int maxNesting = 1000;
constexpr int nestingErrorStatus = 30;

// Exit status of a run whose output could not be written (full disk, closed pipe).
constexpr int outputErrorStatus = 74;

inline const string syntax[maxSyntaxError] = {
    "Not a syntax error.\n",
    "Expected identifier in declaration.\n",
    "Expected literal in declaration initialisation.\n",
    "Expected terminator after declaration.\n",
    "Expected left brace in compound statement.\n",
    "Expected right brace in compound statement.\n",
    "Expected left parenthesis in if statement condition.\n",
    "Expected right parenthesis in if statement condition.\n",
    "Expected terminator after statement.\n",
    "Expected >> in input statement.\n",
    "Expected << in output statement.\n",
    "Expected identifier in input statement.\n",
    "Expected identifier in output statement.\n",
    "Expected identifier in assignment statement.\n",
    "Expected assignment symbol in assignment statement.\n",
    "Expected left parenthesis in while statement.\n",
    "Expected right parenthesis in while statement.\n",
    "Expected right parenthesis in factor.\n",
    "Expected type identifier in declaration.\n",
    "Unrecognised statement type.\n",
    "Unknown syntax error.\n",
};

inline const string statics[maxStaticError] = {
    "Not a static semantic error.\n",
    "Attempt to re-declare variable or constant.\n",
    "Attempt to use undeclared variable or constant identifier.\n",
    "Attempt to declare an uninitialised constant.\n",
    "Attempt to declare a variable of type string.\n",
    "Attempt to input to a constant.\n",
    "Attempt to assign to a constant.\n",
    "Unknown static semantic error.\n",
};

inline const string type[maxTypeError] = {
    "Not a type error.\n",
    "Mismatch between types of identifier and expression in assignment.\n",
    "Attempt to use a non-bool expression as if condition.\n",
    "Attempt to use a non-bool expression as while condition.\n",
    "Mismatch between types in an expression.\n",
    "Attempt to give a sign to a non-int term.\n",
    "Mismatch between types in a basic expression.\n",
    "Attempt to use + operator with non-int operands.\n",
    "Attempt to use - operator with non-int operands.\n",
    "Attempt to use || operator with non-bool operands.\n",
    "Mismatch between types in a term.\n",
    "Attempt to use * operator with non-int operands.\n",
    "Attempt to use / operator with non-int operands.\n",
    "Attempt to use % operator with non-int operands.\n",
    "Attempt to use && operator with non-bool operands.\n",
    "Attempt to use ! operator with non-bool operand.\n",
    "Attempt to input to a non-integer variable.\n",
    "Attempt to output a non-integer or non-string value.\n",
    "Attempt to use == operator with a string value.\n",
    "Attempt to use != operator with a string value.\n",
    "Attempt to use > operator with a string value.\n",
    "Attempt to use < operator with a string value.\n",
    "Attempt to use >= operator with a string value.\n",
    "Attempt to use <= operator with a string value.\n",
    "Mismatch between types in a declaration.\n",
    "Unknown type error.\n",
};

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
// several lines.
//
// The text is put together in two words, each character shifted in at the front, and
// stored a word at a time: stored byte by byte, it could not be read back as the words
// that `copyTo` copies until every byte store had gone out, a stall of many cycles on
// every number the generator writes.
class Number {
  public:
    explicit Number(int value) {
        unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : value;
        std::uint64_t front = 0, back = 0;  // text bytes 0 to 7 and 8 to 11, in memory order
        int count = 0;
        for (; magnitude >= 100; magnitude /= 100, count += 2)
            shiftInPair(front, back, digitPairs.text[magnitude % 100]);
        if (magnitude >= 10) {
            shiftInPair(front, back, digitPairs.text[magnitude]);
            count += 2;
        } else {
            shiftIn(front, back, static_cast<unsigned char>('0' + magnitude));
            ++count;
        }
        if (value < 0) {
            shiftIn(front, back, '-');
            ++count;
        }
        std::memcpy(digits, &front, sizeof front);
        std::memcpy(digits + sizeof front, &back, room - sizeof front);
        length = static_cast<unsigned char>(count);
    }
    std::string_view text() const { return {digits, length}; }

    // Copies the text to `at`, which must have room for `room` bytes (the bytes after the
    // text are left undefined), and returns the end of the text. A copy of fixed size
    // takes no call and no loop.
    static constexpr std::size_t room = 12;
    char* copyTo(char* at) const {
        std::memcpy(at, digits, room);
        return at + length;
    }

  private:
    char digits[room];
    unsigned char length;

    // Puts `c` before the characters so far (little-endian: the first byte is the lowest).
    static void shiftIn(std::uint64_t& front, std::uint64_t& back, unsigned char c) {
        back = back << 8 | front >> 56;
        front = front << 8 | c;
    }
    // Puts two characters, as `DigitPairs` holds them, before the characters so far.
    static void shiftInPair(std::uint64_t& front, std::uint64_t& back, std::uint16_t pair) {
        back = back << 16 | front >> 48;
        front = front << 16 | pair;
    }
};

// Buffered writer on a file descriptor (standard output unless redirected).
class Output {
  public:
    __attribute__((always_inline)) Output& operator<<(const char* text);
    Output& operator<<(const string& text);
    Output& operator<<(int number);
    Output& operator<<(char c);
    void write(const char* bytes, std::size_t count);

    // Room for up to `count` bytes (far less than the buffer holds) to be written in place
    // from the returned pointer; `commit` then takes them up to `end`. Lets a line put
    // together from several parts skip a capacity check per part.
    char* room(std::size_t count) {
        if (count > limit - used) makeRoom(count);
        return buf + used;
    }
    void commit(const char* end) { used = static_cast<std::size_t>(end - buf); }

    // Writes what is buffered; returns false if any write so far has failed.
    bool flush();
    // Counts a failure of another writer on the same file as this one's own.
    void noteFailure() { failed = true; }
    // What is buffered and not yet written.
    std::string_view buffered() const { return {buf, used}; }
    // While holding, keeps everything written, growing as needed, until `flush`: for code
    // put together ahead of its turn to go out.
    void hold(bool on) { holding = on; }
    // Starts writing afresh to `fd`, dropping anything buffered and any earlier failure.
    void setFd(int fd) {
        this->fd = fd;
        used = 0;
        failed = false;
    }

  private:
    static constexpr std::size_t capacity = std::size_t(1) << 20;
    char* buf = nullptr;    // taken at the first write, from memory backed by huge pages:
    std::size_t limit = 0;  // page faults on a megabyte of small pages cost milliseconds
    bool holding = false;
    char* grownBlock = nullptr;  // the heap block `buf` became when it grew, if it did
    std::size_t used = 0;
    int fd = 1;
    bool failed = false;

    void drain();
    void makeRoom(std::size_t wanted);
    void grow(std::size_t wanted);
    void writeAll(const char* bytes, std::size_t count);
    void writeOverflowing(const char* bytes, std::size_t count);
};

// Analysis results live until the process ends, so their records come from a bump
// allocator that only hands memory out: no per-record bookkeeping and no frees.
class Arena {
  public:
    // Records (every size a multiple of the word, no alignment beyond it) take the first
    // branch, decided when the call is compiled: the free space always starts on a word.
    void* allocate(std::size_t size, std::size_t align) {
        if (align <= wordSize && size % wordSize == 0) {
            if (size > static_cast<std::size_t>(end - cur)) grab(size);
            void* place = cur;
            cur += size;
            return place;
        }
        const std::size_t rounded = (size + wordSize - 1) / wordSize * wordSize;
        if (padding(align) + rounded > static_cast<std::size_t>(end - cur)) grab(rounded + align);
        const std::size_t offset = padding(align);
        void* place = cur + offset;
        cur += offset + rounded;  // so that the free space still starts on a word
        return place;
    }

    // Takes back the latest block handed out, `size` bytes at `place`; any other block
    // stays handed out.
    void giveBack(void* place, std::size_t size) {
        if (static_cast<char*>(place) + size == cur) cur = static_cast<char*>(place);
    }

  private:
    static constexpr std::size_t wordSize = alignof(void*);

    // Bytes from `cur` to the next address aligned to `align`.
    std::size_t padding(std::size_t align) const {
        return (align - reinterpret_cast<std::uintptr_t>(cur) % align) % align;
    }
    static constexpr std::size_t hugePage = std::size_t(2) << 20;

    // Fresh memory of `size` bytes (a multiple of the huge-page size), aligned to and
    // backed by huge pages where the kernel can; null when there is none.
    static char* fresh(std::size_t size) {
        char* chunk = static_cast<char*>(std::aligned_alloc(hugePage, size));
        if (chunk != nullptr) ::madvise(chunk, size, MADV_HUGEPAGE);
        return chunk;
    }

    // Chunks are backed by huge pages, so that a big tree costs few page faults (a page
    // fault costs microseconds, more in a virtual machine). They start at one huge page
    // and double up to `largestChunk`. Each thread that analyses faults its own pages in:
    // with both cores analysing, a helper thread touching memory ahead would only take
    // turns with them.
    static constexpr std::size_t largestChunk = std::size_t(4) << 20;
    std::size_t nextChunk = hugePage;
    char* chunks = nullptr;
    char* cur = nullptr;
    char* end = nullptr;

    void grab(std::size_t atLeast) {
        atLeast += sizeof(char*);  // the link to the chunk before
        std::size_t size = atLeast > nextChunk ? atLeast : nextChunk;
        if (nextChunk < largestChunk) nextChunk *= 2;
        size = (size + hugePage - 1) / hugePage * hugePage;
        char* chunk = fresh(size);
        if (chunk == nullptr) throw std::bad_alloc();
        std::memcpy(chunk, &chunks, sizeof chunks);  // each chunk links to the one before,
        chunks = chunk;                              // so that all stay reachable
        cur = chunk + sizeof(char*);
        end = chunk + size;
    }
};

// One arena per thread, so that the code generator can run beside the analyser without
// locking; records live until the process ends whichever thread made them.
inline thread_local Arena arena;

// Under AddressSanitizer the pools step aside, so that every record and text buffer is a
// heap block of its own whose bounds the sanitizer checks.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool pooledMemory = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool pooledMemory = false;
#else
constexpr bool pooledMemory = true;
#endif
#else
constexpr bool pooledMemory = true;
#endif

// A new record with every field at its initial value (zero, false, null, empty text).
template <typename T>
T* make() {
    if (!pooledMemory) return new T();
    return new (arena.allocate(sizeof(T), alignof(T))) T();
}

// Gives `record`, made by `make` and not yet used, back to its arena when it is the
// latest record made there; otherwise it stays where it is, unused.
template <typename T>
void giveBack(T* record) {
    if (pooledMemory) arena.giveBack(record, sizeof(T));
}

// A buffer that lives until the process ends: from the arena, or its own heap block
// when the pools step aside.
inline char* lastingBuffer(std::size_t size) {
    if (!pooledMemory) return new char[size];
    return static_cast<char*>(arena.allocate(size, alignof(std::max_align_t)));
}

// Room for `wanted` more bytes: the first buffer, the buffer emptied, or a bigger one
// while holding.
inline void Output::makeRoom(std::size_t wanted) {
    if (buf == nullptr) {
        buf = lastingBuffer(capacity);
        limit = capacity;
    }
    if (!holding) return drain();
    if (wanted > limit - used) grow(wanted);
}

inline void Output::grow(std::size_t wanted) {
    std::size_t bigger = 2 * limit > used + wanted ? 2 * limit : used + wanted;
    char* fresh = static_cast<char*>(std::malloc(bigger));
    if (fresh == nullptr) throw std::bad_alloc();
    std::memcpy(fresh, buf, used);
    std::free(grownBlock);
    buf = grownBlock = fresh;
    limit = bigger;
}

// Ends the run with `status`: flushes `out` first. A failed flush turns a successful run
// into a failure reported on standard error with `outputErrorStatus`.
[[noreturn]] void endRun(int status);

// Standard output of the run. Each thread has its own: a thread analysing part of a
// program keeps its diagnostic there until it is known to be the run's first.
inline thread_local Output out;

// A thread whose end of run must not end the process throws this from endRun instead.
struct RunEnded {
    int status;
};
inline thread_local bool endRunThrows = false;

// Tools that must survive the end of a run (the fuzzing harness) replace what endRun
// does after flushing; by default it is std::exit.
inline void (*endRunHook)(int status) = std::exit;

inline void Output::writeAll(const char* bytes, std::size_t count) {
    while (count > 0 && !failed) {
        ssize_t n = ::write(fd, bytes, count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            failed = true;
            return;
        }
        bytes += n;
        count -= static_cast<std::size_t>(n);
    }
}

inline void Output::drain() {
    writeAll(buf, used);
    used = 0;
}

// The common case, a short piece that fits, stays small enough to inline everywhere;
// with a literal argument the length and the copy are then fixed at compile time.
__attribute__((always_inline)) inline void Output::write(const char* bytes, std::size_t count) {
    if (count <= limit - used) {
        std::memcpy(buf + used, bytes, count);
        used += count;
        return;
    }
    writeOverflowing(bytes, count);
}

inline void Output::writeOverflowing(const char* bytes, std::size_t count) {
    if (holding) {
        makeRoom(count);
        std::memcpy(buf + used, bytes, count);
        used += count;
        return;
    }
    makeRoom(count);
    if (count >= capacity) {  // a large block goes straight out
        writeAll(bytes, count);
        return;
    }
    std::memcpy(buf, bytes, count);
    used = count;
}

__attribute__((always_inline)) inline Output& Output::operator<<(const char* text) {
    write(text, std::strlen(text));
    return *this;
}

inline Output& Output::operator<<(const string& text) {
    write(text.c_str(), static_cast<std::size_t>(text.length()));
    return *this;
}

inline Output& Output::operator<<(char c) {
    if (used == limit) makeRoom(1);
    buf[used++] = c;
    return *this;
}

inline Output& Output::operator<<(int number) {
    const Number text(number);
    write(text.text().data(), text.text().size());
    return *this;
}

inline bool Output::flush() {
    drain();
    return !failed;
}

inline void endRun(int status) {
    if (endRunThrows) throw RunEnded{status};
    if (!out.flush() && status == 0) {
        std::fputs("lumo: cannot write standard output\n", stderr);
        status = outputErrorStatus;
    }
    endRunHook(status);
    std::abort();  // a hook that returns leaves nothing sensible to do
}

}  // namespace lumo
