// Finding an entry and laying its texts out for the terminal and for Markdown.
#include "explain.hpp"

#include <cctype>
#include <cstdio>

namespace lumo::explain {

namespace {

std::string_view classOf(const Entry& e) {
    if (e.code[0] == 'L') return "lexical error";
    if (e.status == 30) return "limit error";
    if (e.status < 100) return "syntax error";
    if (e.status < 200) return "static semantic error";
    return "type error";
}

// Paragraphs wrapped at `width` columns, each line after `indent`.
std::string wrap(std::string_view text, std::size_t width) {
    std::string out, line;
    auto endLine = [&] {
        if (!line.empty()) out += line + "\n";
        line.clear();
    };
    std::size_t i = 0;
    while (i < text.size()) {
        if (text.compare(i, 2, "\n\n") == 0) {
            endLine();
            out += "\n";
            i += 2;
            continue;
        }
        const std::size_t space = text.find_first_of(" \n", i);
        const std::size_t end = space == std::string_view::npos ? text.size() : space;
        const std::string_view word = text.substr(i, end - i);
        if (!line.empty() && line.size() + 1 + word.size() > width) endLine();
        if (!word.empty()) line += (line.empty() ? "" : " ") + std::string(word);
        i = end + (end < text.size() && text.compare(end, 2, "\n\n") != 0 ? 1 : 0);
    }
    endLine();
    return out;
}

// A program as it is shown: control bytes other than line ends as <0D>.
std::string shown(std::string_view program, std::string_view indent) {
    std::string out(indent);
    for (std::size_t i = 0; i < program.size(); ++i) {
        const unsigned char c = program[i];
        if (c == '\n') {
            out += '\n';
            if (i + 1 < program.size()) out += indent;
        } else if (c < 0x20 && c != '\t') {
            char hex[8];
            std::snprintf(hex, sizeof hex, "<%02X>", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string indented(std::string_view text, std::string_view indent) {
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t end = text.find('\n', i);
        if (end == std::string_view::npos) end = text.size();
        out += std::string(indent) + std::string(text.substr(i, end - i)) + "\n";
        i = end + 1;
    }
    return out;
}

std::string anchorOf(const Entry& e) {
    std::string a;
    for (const char* p = e.code; *p != '\0'; ++p)
        a += static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
    return a;
}

}  // namespace

const Entry* find(std::string_view code, const Entry** alsoLexical) {
    if (alsoLexical != nullptr) *alsoLexical = nullptr;
    std::string wanted(code);
    for (char& c : wanted) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const bool bare = !wanted.empty() && std::isdigit(static_cast<unsigned char>(wanted[0]));
    if (bare) {
        while (wanted.size() > 1 && wanted[0] == '0') wanted.erase(0, 1);
        if (alsoLexical != nullptr) {
            for (const Entry& e : entries()) {
                if (wanted == e.code + 1 && e.code[0] == 'L') *alsoLexical = &e;
            }
        }
        wanted = "E" + wanted;
    }
    for (const Entry& e : entries()) {
        if (wanted == e.code) return &e;
    }
    if (bare && alsoLexical != nullptr && *alsoLexical != nullptr) {
        const Entry* lexical = *alsoLexical;
        *alsoLexical = nullptr;
        return lexical;
    }
    return nullptr;
}

std::string text(const Entry& e, std::string_view checkOutput) {
    std::string out = std::string(e.code) + ": " + e.heading + " (" + std::string(classOf(e)) +
                      ", status " + std::to_string(e.status) + ")\n\n";
    out += wrap(e.meaning, 80);
    if (*e.example != '\0') {
        out += "\nFor example, this program:\n\n" + shown(e.example, "    ");
        if (!checkOutput.empty())
            out += "\nmakes lumo check say:\n\n" + indented(checkOutput, "    ");
    }
    out += "\n" + wrap(std::string("How to fix it: ") + e.fix, 80);
    return out;
}

std::string markdown(std::string (*checkOutputOf)(const Entry&)) {
    std::string out =
        "# Diagnostics\n\n"
        "<!-- Written by the build from lumo/explain_texts.cpp (the texts of `lumo explain`);\n"
        "     a test checks that this file is what the build writes. -->\n\n"
        "`lumoc` stops at the first error of a program and prints one message; `lumo check`\n"
        "prints the same message on one line with the place of the error and a code in\n"
        "brackets, for example:\n\n"
        "```\n"
        "gcd.lumo:9:15: error: Mismatch between types in a basic expression. TERMINATOR [E206]\n"
        "```\n\n"
        "The code is `E` and the error number for syntax errors (1 to 20), static semantic\n"
        "errors (101 to 107), type errors (201 to 225) and the nesting limit (30), and `L` and\n"
        "the exit status for the scanner's lexical errors (1 to 7, which lumoc prints as\n"
        "\"Lexer error : ...\"). The exit status of `lumoc` and of `lumo check` is the number.\n"
        "`lumo explain E206` (or `lumo explain 206`) prints an entry of this page.\n\n"
        "Where an error is reported matters: lumoc names the token at which it noticed the\n"
        "mistake, which is not always where the mistake is. A type error in a chain such as\n"
        "`a + b - c` is reported at the token after the whole chain (often the `;`); a\n"
        "declaration's errors at the declared name; a missing `;` at the first word after\n"
        "the place where it belongs, which may be on the next line.\n\n"
        "| Code | Message |\n|---|---|\n";
    for (const Entry& e : entries()) {
        std::string heading;
        for (const char* p = e.heading; *p != '\0'; ++p)
            heading += *p == '|' ? std::string("\\|") : std::string(1, *p);
        out += "| [" + std::string(e.code) + "](#" + anchorOf(e) + ") | " + heading + " |\n";
    }
    std::string_view section;
    for (const Entry& e : entries()) {
        const std::string_view kind = classOf(e);
        if (kind != section) {
            section = kind;
            std::string title(kind);
            title[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(title[0])));
            out += "\n## " + title + "s\n";
        }
        out +=
            "\n### " + std::string(e.code) + "\n\n**" + e.heading + "**\n\n" + wrap(e.meaning, 90);
        if (*e.example != '\0') {
            out += "\nFor example:\n\n```\n" + shown(e.example, "") + "```\n";
            const std::string check = checkOutputOf(e);
            if (!check.empty()) out += "\n`lumo check` says:\n\n```\n" + check + "```\n";
        }
        out += "\n" + wrap(std::string("**How to fix it:** ") + e.fix, 90);
    }
    return out;
}

}  // namespace lumo::explain
