// The check form: gcc's layout of a message, its source line and a caret, with colours
// only when asked for.
#include <algorithm>
#include <cstdio>
#include <string>

#include "hints.hpp"
#include "tokens.hpp"

namespace lumo::hints {

namespace {

const char* const bold = "\x1b[1m";
const char* const reset = "\x1b[0m";

const char* colourOf(std::string_view label) {
    if (label == "warning") return "\x1b[1;35m";
    if (label == "note") return "\x1b[1;36m";
    return "\x1b[1;31m";  // error, runtime error
}

std::string hexByte(unsigned char c) {
    char text[8];
    std::snprintf(text, sizeof text, "<%02X>", c);
    return text;
}

// The length of the valid UTF-8 sequence at `s[i]`, or 0.
std::size_t utf8Length(std::string_view s, std::size_t i) {
    const unsigned char c = s[i];
    std::size_t n = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
    if (n == 0 || i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
    }
    return n;
}

// Calls `cell(byte, text)` for each terminal column of the line, in order: the byte the
// column belongs to and what it shows (a tab as spaces to the next multiple of 8, a valid
// UTF-8 character as one column, a byte-order mark as <U+FEFF>, other bytes as <EF>).
template <typename Cell>
void eachCell(std::string_view line, Cell cell) {
    std::size_t column = 0;
    auto emit = [&](std::size_t byte, std::string_view text) {
        cell(byte, text);
        ++column;
    };
    for (std::size_t i = 0; i < line.size();) {
        const unsigned char c = line[i];
        std::size_t n = 1;
        if (c == '\t') {
            do emit(i, " ");
            while (column % 8 != 0);
        } else if (c >= 0x20 && c < 0x7F) {
            emit(i, line.substr(i, 1));
        } else if (c >= 0x80 && (n = utf8Length(line, i)) != 0) {
            const std::string_view character = line.substr(i, n);
            if (character == "\xEF\xBB\xBF") {
                for (std::size_t k = 0; k < 8; ++k)
                    emit(i, std::string_view("<U+FEFF>").substr(k, 1));
            } else {
                emit(i, character);
            }
        } else {
            n = 1;
            const std::string hex = hexByte(c);
            for (std::size_t k = 0; k < hex.size(); ++k)
                emit(i, std::string_view(hex).substr(k, 1));
        }
        i += n;
    }
}

}  // namespace

std::string render(std::string_view fileName, std::string_view source, std::size_t offset,
                   std::size_t length, std::string_view label, std::string_view message,
                   std::string_view code, const std::vector<std::string>& notes,
                   const RenderOptions& options) {
    offset = std::min(offset, source.size());
    const int line =
        1 + static_cast<int>(std::count(source.begin(), source.begin() + offset, '\n'));
    return renderOnLine(line, fileName, source, offset, length, label, message, code, notes,
                        options);
}

std::string renderOnLine(int lineNumber, std::string_view fileName, std::string_view source,
                         std::size_t offset, std::size_t length, std::string_view label,
                         std::string_view message, std::string_view code,
                         const std::vector<std::string>& notes, const RenderOptions& options) {
    offset = std::min(offset, source.size());
    const std::size_t lineStart = source.rfind('\n', offset == 0 ? 0 : offset - 1);
    const std::size_t begin =
        offset == 0 || lineStart == std::string_view::npos ? 0 : lineStart + 1;
    std::size_t end = source.find('\n', begin);
    if (end == std::string_view::npos) end = source.size();
    std::string_view line = source.substr(begin, end - begin);
    // A CR LF line end shows as a line end, unless the CR itself is what is pointed at.
    if (!line.empty() && line.back() == '\r' && offset - begin + 1 != line.size())
        line.remove_suffix(1);
    const std::size_t column = offset - begin + 1;

    std::string out;
    auto paint = [&](const char* colour, std::string_view text) {
        if (options.colour) out += colour;
        out += text;
        if (options.colour) out += reset;
    };
    paint(bold, std::string(fileName) + ":" + std::to_string(lineNumber) + ":" +
                    std::to_string(column) + ":");
    out += ' ';
    paint(colourOf(label), std::string(label) + ":");
    out += ' ';
    out += message;
    if (!code.empty()) {
        out += " [";
        out += code;
        out += "]";
    }
    out += '\n';

    // The columns of the caret and of the underline's end, counted without keeping the line's
    // cells: a line may be megabytes long, and only a window of it is shown.
    const std::size_t at = std::min(offset - begin, line.size());
    const std::size_t upTo = std::min(at + length, line.size());
    std::size_t width = 0, caret = std::string_view::npos, underlineEnd = std::string_view::npos;
    eachCell(line, [&](std::size_t byte, std::string_view) {
        if (byte >= at && caret == std::string_view::npos) caret = width;
        if (byte >= upTo && underlineEnd == std::string_view::npos) underlineEnd = width;
        ++width;
    });
    if (caret == std::string_view::npos) caret = width;
    if (underlineEnd == std::string_view::npos) underlineEnd = width;
    std::size_t underline = underlineEnd > caret ? underlineEnd - caret - 1 : 0;
    std::size_t first = 0, last = width;
    if (width > options.width) {
        const std::size_t half = options.width / 2;
        first = caret > half ? caret - half : 0;
        last = std::min(width, first + options.width);
        if (last - first < options.width) first = last > options.width ? last - options.width : 0;
    }
    const bool cutLeft = first > 0, cutRight = last < width;
    std::string text = cutLeft ? "..." : "";
    std::size_t shownColumn = 0;
    eachCell(line, [&](std::size_t, std::string_view cell) {
        if (shownColumn >= first && shownColumn < last) text += cell;
        ++shownColumn;
    });
    if (cutRight) text += "...";
    caret = caret - first + (cutLeft ? 3 : 0);
    const std::size_t shownWidth = last - first + (cutLeft ? 3 : 0);
    underline = caret + 1 >= shownWidth ? 0 : std::min(underline, shownWidth - caret - 1);

    char gutter[32];
    std::snprintf(gutter, sizeof gutter, "%5d | ", lineNumber);
    out += gutter;
    out += text;
    out += '\n';
    out += "      | ";
    out += std::string(caret, ' ');
    paint("\x1b[1;32m", "^" + std::string(underline, '~'));
    out += '\n';
    for (const std::string& note : notes) {
        paint(colourOf("note"), "note:");
        out += ' ';
        out += note;
        out += '\n';
    }
    return out;
}

SourcePosition placeOf(std::string_view source, const Diagnostic& d) {
    SourcePosition p = d.at;
    // A text that ends too early is blamed where its last token ends, as gcc does, not on
    // the empty line after the last line break.
    if (p.offset >= source.size()) {
        const std::vector<Token> tokens = tokenize(source);
        p.offset = tokens.empty() ? 0 : tokens.back().offset + tokens.back().length;
        if (!tokens.empty() && tokens.back().kind == Tok::text && !tokens.back().closed)
            p.offset = tokens.back().offset;
    }
    const std::size_t lineStart =
        p.offset == 0 ? std::string_view::npos : source.rfind('\n', p.offset - 1);
    const std::size_t begin = lineStart == std::string_view::npos ? 0 : lineStart + 1;
    p.line = 1 + static_cast<int>(std::count(source.begin(), source.begin() + begin, '\n'));
    p.column = static_cast<int>(p.offset - begin) + 1;
    return p;
}

}  // namespace lumo::hints
