// The small grammar pieces of an assembly line: blanks, label names, numbers and the
// operand forms "#^-5" (signed decimal), "#$DF" (hexadecimal), "#label" (an address),
// "label" (a word in memory, or a jump target) and the registers A, B and SP.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace koru {

// Blanks separate fields. A carriage return counts as one, so that CRLF files assemble.
inline bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view trimBlanks(std::string_view text);

bool isRegisterName(std::string_view name);

// The text between single quotes, for messages, made safe for a terminal by `printable`.
std::string quoted(std::string_view text);

// The text as it can be shown on a terminal: control bytes, bytes that are not UTF-8 and the
// C1 controls (which some terminals obey) as \xNN, a backslash as itself; cut after about
// `limit` bytes with "..." so that one line of a binary file does not flood the screen.
std::string printable(std::string_view text, std::size_t limit = 60);

// Labels are a letter or underscore followed by letters, digits and underscores.
bool isLabelName(std::string_view text);

// An optionally signed decimal number within [min, max].
bool parseDecimal(std::string_view text, long min, long max, long& value);

// "$" followed by hexadecimal digits, at most $FFFF.
bool parseHexAddress(std::string_view text, long& value);

enum class OperandKind { Immediate, Register, LabelAddress, LabelName, Invalid };

struct Operand {
    OperandKind kind = OperandKind::Invalid;
    std::uint32_t value = 0;  // the 16-bit immediate or the Register
    std::string_view label;   // the label of LabelAddress and LabelName
};

Operand parseOperand(std::string_view text);

}  // namespace koru
