// The assembler's directives: data definitions (DC.B, DS.W), the data origin (ORG) and the
// directives that only matter to other tool sets (LPC, MCO, USE), which are ignored with
// whatever operands they have.
#include <algorithm>

#include "assembler.hpp"

namespace koru {

namespace {

std::size_t skipBlanks(std::string_view text, std::size_t position) {
    while (position < text.size() && isBlank(text[position])) ++position;
    return position;
}

}  // namespace

bool Assembler::isDirective(std::string_view name) const {
    return name == "DC.B" || name == "DS.W" || name == "ORG" || name == "LPC" || name == "MCO" ||
           name == "USE";
}

void Assembler::directive(std::string_view label, std::string_view name,
                          std::string_view operands) {
    bool data = name == "DC.B" || name == "DS.W";
    if (!label.empty()) {
        if (!data) return fail("a label can only name DC.B or DS.W, not " + std::string(name));
        if (dataLocation_ >= memorySize) return fail("data beyond 64 KiB");
        SymbolKind kind = name == "DC.B" ? SymbolKind::text : SymbolKind::words;
        if (!defineLabel(label, kind, dataLocation_)) return;
    }
    if (name == "DC.B") return defineBytes(operands, 0, false);
    if (name == "DS.W") return reserveWords(trimBlanks(operands));
    // The microcode (MCO) and the I/O library (USE) belong to other tool sets; the library is
    // built in here. LPC sets where execution starts on a real machine; here it always starts
    // at the first instruction of the instruction store. So none of them has any effect, and
    // a program written for those tools, with or without their operands, still runs.
    if (name != "ORG") return;
    long address = 0;
    if (!parseHexAddress(trimBlanks(operands), address)) {
        return fail("ORG needs an address such as $0100");
    }
    dataLocation_ = static_cast<std::uint32_t>(address);
}

// Items are quoted texts and decimal bytes separated by commas. `afterItem` is true when an
// item has just been read, so that a comma or the end of the line must follow.
void Assembler::defineBytes(std::string_view items, std::size_t position, bool afterItem) {
    for (;; afterItem = true) {
        position = skipBlanks(items, position);
        if (afterItem) {
            if (position == items.size()) return;
            if (items[position] != ',') {
                return fail("malformed DC.B item " + quoted(items.substr(position)));
            }
            position = skipBlanks(items, position + 1);
        }
        if (position == items.size()) return fail("DC.B misses an item");
        if (items[position] == '\'') {
            textLine_ = line_;
            position = quotedText(items, position + 1);
            if (position == std::string_view::npos) return;
            continue;
        }
        std::size_t end = std::min(items.find_first_of(", \t\r", position), items.size());
        long value = 0;
        std::string_view item = items.substr(position, end - position);
        if (!parseDecimal(item, 0, 255, value)) return fail("malformed DC.B item " + quoted(item));
        if (!placeByte(static_cast<std::uint8_t>(value))) return;
        position = end;
    }
}

// Places the text up to the closing quote and returns the position after it. Without a closing
// quote the text goes on in the next line, and the line end itself stands for a newline byte;
// then, as after a failure, npos is returned.
std::size_t Assembler::quotedText(std::string_view items, std::size_t position) {
    for (; position < items.size(); ++position) {
        char c = items[position];
        if (c == '\'') return position + 1;
        if (c == '\\' && position + 1 < items.size() && items[position + 1] == 'n') {
            c = '\n';
            ++position;
        }
        if (!placeByte(static_cast<std::uint8_t>(c))) return std::string_view::npos;
    }
    if (placeByte('\n')) inText_ = true;
    return std::string_view::npos;
}

void Assembler::reserveWords(std::string_view count) {
    long words = 0;
    if (!parseDecimal(count, 0, memorySize / 2, words)) {
        return fail("DS.W needs a word count, not " + quoted(count));
    }
    std::size_t end = dataLocation_ + 2 * static_cast<std::size_t>(words);
    if (end > memorySize) return fail("data beyond 64 KiB");
    std::fill(program_.memory.begin() + dataLocation_, program_.memory.begin() + end, 0);
    dataLocation_ = static_cast<std::uint32_t>(end);
}

bool Assembler::placeByte(std::uint8_t byte) {
    if (dataLocation_ >= memorySize) {
        fail("data beyond 64 KiB");
        return false;
    }
    program_.memory[dataLocation_++] = byte;
    return true;
}

}  // namespace koru
