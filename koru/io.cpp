// Buffered streams and the number conversions of the library routines.
#include "io.hpp"

#include <algorithm>
#include <utility>

namespace koru {

namespace {

constexpr std::size_t readBlock = 1 << 16;
constexpr std::size_t shownTokenLength = 40;

bool isWhitespace(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// What the bytes of one token add up to, read without keeping the whole token: input may
// hold a single token of any length.
struct Scan {
    bool onlyDigits = true;  // after an optional leading sign
    bool anyDigit = false;
    bool negative = false;
    long magnitude = 0;  // saturates above the 16-bit range
};

void scanByte(Scan& scan, char c, bool first) {
    if (first && (c == '-' || c == '+')) {
        scan.negative = c == '-';
    } else if (c >= '0' && c <= '9') {
        scan.anyDigit = true;
        scan.magnitude = std::min(scan.magnitude * 10 + (c - '0'), 100000L);
    } else {
        scan.onlyDigits = false;
    }
}

}  // namespace

Input::Input(std::FILE* file, Reading reading) : file_(file), reading_(reading) {}

Input::Input(std::string text) : buffer_(std::move(text)) {}

bool Input::restart() {
    if (file_ == nullptr) {
        position_ = 0;
        return true;
    }
    if (std::fseek(file_, 0, SEEK_SET) != 0) return false;
    std::clearerr(file_);
    buffer_.clear();
    position_ = 0;
    return true;
}

bool Input::refill() {
    if (file_ == nullptr) return false;
    if (hook_ != nullptr) hook_(hookContext_);
    position_ = 0;
    if (reading_ == Reading::blocks) {
        buffer_.resize(readBlock);
        std::size_t size = std::fread(&buffer_[0], 1, readBlock, file_);
        buffer_.resize(size);
        return size > 0;
    }
    buffer_.clear();
    for (int c; (c = std::getc(file_)) != EOF;) {
        buffer_.push_back(static_cast<char>(c));
        if (c == '\n') break;
    }
    return !buffer_.empty();
}

Output::Output(std::FILE* file) : file_(file) {}

void Output::write(std::string_view text) {
    buffer_.append(text);
    if (buffer_.size() >= blockSize) drain();
}

void Output::drain() {
    if (file_ == nullptr || buffer_.empty()) return;
    drained_ += buffer_.size();
    lastDrained_ = static_cast<unsigned char>(buffer_.back());
    if (!failed_ && !buffer_.empty() &&
        std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) {
        failed_ = true;
    }
    buffer_.clear();
}

bool Output::flush() {
    drain();
    if (file_ != nullptr && !failed_ && std::fflush(file_) != 0) failed_ = true;
    return !failed_;
}

ReadStatus readNumber(Input& input, std::int16_t& value, std::string& token) {
    while (isWhitespace(input.peek())) input.next();
    if (input.peek() < 0) return ReadStatus::endOfInput;
    token.clear();
    Scan scan;
    for (bool first = true; input.peek() >= 0 && !isWhitespace(input.peek()); first = false) {
        char c = static_cast<char>(input.next());
        if (token.size() < shownTokenLength) token.push_back(c);
        scanByte(scan, c, first);
    }
    if (!scan.onlyDigits || !scan.anyDigit) return ReadStatus::notANumber;
    long signedValue = scan.negative ? -scan.magnitude : scan.magnitude;
    if (signedValue < -32768 || signedValue > 32767) return ReadStatus::outOfRange;
    value = static_cast<std::int16_t>(signedValue);
    return ReadStatus::ok;
}

void writeNumber(Output& output, int value) {
    char digits[8];
    int length = std::snprintf(digits, sizeof digits, "%d", value);
    output.write(std::string_view(digits, static_cast<std::size_t>(length)));
}

}  // namespace koru
