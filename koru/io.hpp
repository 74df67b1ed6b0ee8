// Buffered byte streams for the running program: standard input for `getdword`, standard
// output for `putdword` and `putstring`. Both also work on memory, for tests and for hosts
// without files (a browser). Nothing here knows about terminals: the caller decides how a
// file is to be read and what must happen before the program waits for input.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace koru {

class Input {
  public:
    // Blocks suit pipes and files: few calls for much input. A person at a terminal types a
    // line and waits for the program to answer it, so a terminal must be read a line at a
    // time: a block read would wait for more lines than the program needs.
    enum class Reading : std::uint8_t { blocks, lines };

    explicit Input(std::FILE* file, Reading reading = Reading::blocks);
    explicit Input(std::string text);  // reads the text and then ends

    // Called before every read from the file, which may wait: a prompt the program has
    // written must be on the screen before the person is expected to answer it.
    void beforeWait(void (*hook)(void*), void* context) {
        hook_ = hook;
        hookContext_ = context;
    }

    // Back to the first byte, for a new run of the program. False when the file cannot go
    // back (a pipe, a terminal): reading then goes on where it was.
    bool restart();

    int peek() {  // the next byte, or -1 at the end
        if (position_ == buffer_.size() && !refill()) return -1;
        return static_cast<unsigned char>(buffer_[position_]);
    }
    int next() {  // the next byte consumed, or -1 at the end
        int c = peek();
        if (c >= 0) ++position_;
        return c;
    }

  private:
    bool refill();

    std::FILE* file_ = nullptr;
    Reading reading_ = Reading::blocks;
    void (*hook_)(void*) = nullptr;
    void* hookContext_ = nullptr;
    std::string buffer_;
    std::size_t position_ = 0;
};

class Output {
  public:
    explicit Output(std::FILE* file);  // nullptr keeps all output in memory
    ~Output() = default;
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    void put(char c) {
        buffer_.push_back(c);
        if (buffer_.size() >= blockSize) drain();
    }
    void write(std::string_view text);

    // Writes out what is buffered; false once any write has failed.
    bool flush();
    bool failed() const { return failed_; }

    // Everything written, for an output kept in memory; for a file, what is not yet written.
    const std::string& text() const { return buffer_; }
    bool pending() const { return !buffer_.empty(); }

    // How much has been written in all, and the last byte of it (-1 before any): whoever
    // shares the screen with the program can tell whether its last line is still open.
    std::uint64_t bytesWritten() const { return drained_ + buffer_.size(); }
    int lastByte() const {
        return !buffer_.empty() ? static_cast<unsigned char>(buffer_.back()) : lastDrained_;
    }

  private:
    static constexpr std::size_t blockSize = 1 << 16;
    void drain();

    std::FILE* file_;
    std::string buffer_;
    bool failed_ = false;
    std::uint64_t drained_ = 0;
    int lastDrained_ = -1;
};

// The library routines' text conversions.
enum class ReadStatus { ok, endOfInput, notANumber, outOfRange };

// Reads the next whitespace-separated signed decimal number; `token` receives the text read
// (cut short when very long) for the diagnostic.
ReadStatus readNumber(Input& input, std::int16_t& value, std::string& token);

void writeNumber(Output& output, int value);

}  // namespace koru
