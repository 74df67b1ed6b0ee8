// Numbers and operands of assembly lines.
#include "syntax.hpp"

#include "program.hpp"

namespace koru {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

int hexDigitValue(char c) {
    if (isDigit(c)) return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool parseHexDigits(std::string_view digits, long& value) {
    if (digits.empty()) return false;
    value = 0;
    for (char c : digits) {
        int digit = hexDigitValue(c);
        if (digit < 0) return false;
        value = value * 16 + digit;
        if (value > 0xFFFF) return false;
    }
    return true;
}

Operand immediate(long value) {
    return {OperandKind::Immediate, static_cast<std::uint32_t>(value) & 0xFFFFu, {}};
}

}  // namespace

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool isRegisterName(std::string_view name) {
    return name == "A" || name == "B" || name == "SP";
}

std::string quoted(std::string_view text) {
    return "'" + printable(text) + "'";
}

namespace {

// The length of the UTF-8 sequence at the start of `text` that a terminal shows as one
// printable character, or 0.
std::size_t printableSequence(std::string_view text) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned first = byte(0);
    std::size_t length = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC2 ? 2 : 0;
    if (length == 0 || first > 0xF4 || text.size() < length) return 0;
    unsigned code = first & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 0;
        code = code << 6 | (byte(i) & 0x3F);
    }
    bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    bool c1Control = code >= 0x80 && code <= 0x9F;
    if (overlong || surrogate || c1Control || code > 0x10FFFF) return 0;
    return length;
}

}  // namespace

std::string printable(std::string_view text, std::size_t limit) {
    std::string shown;
    std::size_t i = 0;
    while (i < text.size()) {
        if (shown.size() >= limit) return shown + "...";
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7F) {
            shown += static_cast<char>(c);
            ++i;
        } else if (std::size_t length = c >= 0x80 ? printableSequence(text.substr(i)) : 0) {
            shown.append(text.substr(i, length));
            i += length;
        } else {
            static const char digits[] = "0123456789ABCDEF";
            shown += "\\x";
            shown += digits[c >> 4];
            shown += digits[c & 15];
            ++i;
        }
    }
    return shown;
}

bool isLabelName(std::string_view text) {
    if (text.empty() || !(isLetter(text.front()) || text.front() == '_')) return false;
    for (char c : text) {
        if (!isLetter(c) && !isDigit(c) && c != '_') return false;
    }
    return true;
}

bool parseDecimal(std::string_view text, long min, long max, long& value) {
    bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
    if (text.empty()) return false;
    long magnitude = 0;
    for (char c : text) {
        if (!isDigit(c)) return false;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > 1000000) return false;  // far beyond any range asked for
    }
    value = negative ? -magnitude : magnitude;
    return value >= min && value <= max;
}

bool parseHexAddress(std::string_view text, long& value) {
    return !text.empty() && text.front() == '$' && parseHexDigits(text.substr(1), value);
}

Operand parseOperand(std::string_view text) {
    if (text == "A") return {OperandKind::Register, regA, {}};
    if (text == "B") return {OperandKind::Register, regB, {}};
    if (text == "SP") return {OperandKind::Register, regSP, {}};
    long value = 0;
    if (text.substr(0, 2) == "#^") {
        if (parseDecimal(text.substr(2), -32768, 32767, value)) return immediate(value);
        return {};
    }
    if (text.substr(0, 2) == "#$") {
        if (parseHexDigits(text.substr(2), value)) return immediate(value);
        return {};
    }
    if (text.substr(0, 1) == "#") {
        if (isLabelName(text.substr(1))) return {OperandKind::LabelAddress, 0, text.substr(1)};
        return {};
    }
    if (isLabelName(text)) return {OperandKind::LabelName, 0, text};
    return {};
}

}  // namespace koru
