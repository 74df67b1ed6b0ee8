// Buffered byte streams for the running program: standard input for `getdword`, standard
// output for `putdword` and `putstring`. Both also work on memory, for tests.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace koru {

class Input {
  public:
    explicit Input(std::FILE* file);   // reads the file in blocks
    explicit Input(std::string text);  // reads the text and then ends

    int peek();  // the next byte, or -1 at the end
    int next();  // the next byte consumed, or -1 at the end

  private:
    bool refill();

    std::FILE* file_ = nullptr;
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

    // Everything written, for an output kept in memory.
    const std::string& text() const { return buffer_; }

  private:
    static constexpr std::size_t blockSize = 1 << 16;
    void drain();

    std::FILE* file_;
    std::string buffer_;
    bool failed_ = false;
};

// The library routines' text conversions.
enum class ReadStatus { ok, endOfInput, notANumber, outOfRange };

// Reads the next whitespace-separated signed decimal number; `token` receives the text read
// (cut short when very long) for the diagnostic.
ReadStatus readNumber(Input& input, std::int16_t& value, std::string& token);

void writeNumber(Output& output, int value);

}  // namespace koru
