// The diagnostic read back out of lumoc's text, and the hints: each rule looks at the tokens
// around the reported one and speaks only when they show the mistake it is written for.
#include "hints.hpp"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>

#include "tokens.hpp"

namespace lumo::hints {

namespace {

// lumoc's words, with the bytes a terminal or an editor's parser would stumble on written
// as \xNN, and a very long name or text cut short.
std::string printable(std::string_view text) {
    constexpr std::size_t longest = 200;
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (out.size() >= longest) {
            out += "... (" + std::to_string(text.size()) + " bytes)";
            break;
        }
        const unsigned char c = text[i];
        bool plain = c >= 0x20 && c < 0x7F;
        std::size_t run = 1;
        if (c >= 0x80) {
            run = c >= 0xF0 && c <= 0xF4  ? 4
                  : c >= 0xE0 && c < 0xF0 ? 3
                  : c >= 0xC2 && c < 0xE0 ? 2
                                          : 0;
            plain = run != 0 && i + run <= text.size();
            for (std::size_t k = 1; plain && k < run; ++k)
                plain = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
            if (!plain) run = 1;
        }
        if (plain) {
            out.append(text.substr(i, run));
            i += run - 1;
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// Optimal string alignment distance, capped: only "at most one edit" matters here.
int editDistance(std::string_view a, std::string_view b) {
    const std::size_t n = a.size(), m = b.size();
    if (n > m + 2 || m > n + 2) return 3;
    std::vector<std::vector<int>> d(n + 1, std::vector<int>(m + 1));
    for (std::size_t i = 0; i <= n; ++i) d[i][0] = static_cast<int>(i);
    for (std::size_t j = 0; j <= m; ++j) d[0][j] = static_cast<int>(j);
    for (std::size_t i = 1; i <= n; ++i) {
        for (std::size_t j = 1; j <= m; ++j) {
            const int cost = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[n][m];
}

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Whether `name` looks like a slip of `word`: one edit away, or the same but for case.
bool slipOf(std::string_view name, std::string_view word) {
    if (name == word) return false;
    return lower(name) == word || editDistance(name, word) <= 1;
}

std::string quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

struct Declared {
    std::string_view name;
    std::string_view type;
    bool constant = false;
    int line = 0;
};

// What the notes look at: the tokens, the reported one, and the statement it is in.
class Context {
  public:
    Context(std::string_view source, const Diagnostic& d) : source(source), d(d) {
        tokens = tokenize(source);
        err = tokens.size();
        for (std::size_t i = 0; i < tokens.size(); ++i) {
            const Token& t = tokens[i];
            if (t.offset + t.length > d.at.offset || t.offset >= d.at.offset) {
                err = i;
                break;
            }
        }
        start = err;
        while (start > 0 && !isBoundary(tokens[start - 1])) --start;
        for (const Declaration& decl : lumo::hints::declarations(tokens))
            declared.push_back({decl.name, decl.type, decl.constant, lineOf(decl.offset)});
    }

    std::string_view source;
    const Diagnostic& d;
    std::vector<Token> tokens;
    std::size_t err;    // the reported token, or tokens.size() at the end of the text
    std::size_t start;  // the first token of the statement it is in
    std::vector<Declared> declared;

    const Token* at(std::size_t i) const { return i < tokens.size() ? &tokens[i] : nullptr; }
    const Token* here() const { return at(err); }
    const Token* before(std::size_t back = 1) const {
        return err >= back ? at(err - back) : nullptr;
    }
    const Token* after() const { return at(err + 1); }

    bool is(const Token* t, Tok kind, std::string_view text = {}) const {
        return t != nullptr && t->kind == kind && (text.empty() || t->text == text);
    }
    int lineOf(std::size_t offset) const {
        return 1 + static_cast<int>(std::count(
                       source.begin(), source.begin() + std::min(offset, source.size()), '\n'));
    }
    const Declared* find(std::string_view name) const {
        for (const Declared& decl : declared) {
            if (decl.name == name) return &decl;
        }
        return nullptr;
    }
    // The statement's keyword when it is an input or output statement.
    std::string_view statementWord() const {
        const Token* first = at(start);
        return first != nullptr && first->kind == Tok::keyword ? first->text : std::string_view();
    }

  private:
    static bool isBoundary(const Token& t) {
        return t.kind == Tok::semicolon || t.kind == Tok::lbrace || t.kind == Tok::rbrace;
    }
};

// --- one rule per mistake ------------------------------------------------------------------

// A `-` with nothing on its left, between the statement's start and the reported token.
bool unaryMinus(const Context& c, std::vector<std::string>& out) {
    const std::size_t last = std::min(c.err, c.tokens.size() - (c.tokens.empty() ? 0 : 1));
    for (std::size_t i = c.start; i <= last && i < c.tokens.size(); ++i) {
        const Token& t = c.tokens[i];
        if (t.kind != Tok::add || t.text != "-") continue;
        if (i > 0 && endsOperand(c.tokens[i - 1])) continue;
        const Token* next = c.at(i + 1);
        std::string operand =
            next != nullptr && (next->kind == Tok::integer || next->kind == Tok::name)
                ? std::string(next->text)
                : "x";
        if (i > 0 && c.tokens[i - 1].kind == Tok::assign &&
            c.tokens[c.start].kind == Tok::keyword && c.d.number == 2) {
            out.push_back(
                "an initial value is one literal, and Lumo has no unary minus: declare the "
                "variable without a value and assign it in the block: 'x = 0 - " +
                operand + ";'");
        } else {
            out.push_back("Lumo has no unary minus: write '0 - " + operand + "' for '-" + operand +
                          "'");
        }
        return true;
    }
    return false;
}

// The innermost group of tokens (between `(` and `)`, or between a statement's `=` and `;`)
// that holds both a comparison and an `&&` or `||` of its own; returns its bounds.
bool mixedGroup(const Context& c, std::size_t from, std::size_t to, std::size_t& groupFrom,
                std::size_t& groupTo) {
    bool relation = false, logic = false;
    for (std::size_t i = from; i < to; ++i) {
        const Token& t = c.tokens[i];
        if (t.kind == Tok::lparen) {
            int depth = 1;
            std::size_t k = i + 1;
            for (; k < to && depth > 0; ++k) {
                if (c.tokens[k].kind == Tok::lparen) ++depth;
                if (c.tokens[k].kind == Tok::rparen) --depth;
            }
            if (mixedGroup(c, i + 1, depth == 0 ? k - 1 : k, groupFrom, groupTo)) return true;
            i = k - 1;
            continue;
        }
        if (t.kind == Tok::relation) relation = true;
        if (t.text == "&&" || t.text == "||") logic = true;
    }
    if (!(relation && logic)) return false;
    groupFrom = from;
    groupTo = to;
    return true;
}

bool logicBinding(const Context& c, std::vector<std::string>& out) {
    // The statement's tokens up to its end, which may lie past the reported token.
    std::size_t end = c.start;
    while (end < c.tokens.size() && c.tokens[end].kind != Tok::semicolon &&
           c.tokens[end].kind != Tok::lbrace)
        ++end;
    std::size_t from = c.start;
    while (from < end && c.tokens[from].kind != Tok::assign && c.tokens[from].kind != Tok::lparen)
        ++from;
    std::size_t groupFrom = 0, groupTo = 0;
    if (from >= end || !mixedGroup(c, from + (c.tokens[from].kind == Tok::assign ? 1 : 0), end,
                                   groupFrom, groupTo))
        return false;
    // The comparisons joined by && or || at this level, each put in parentheses.
    std::string rewrite, part;
    bool partHasRelation = false;
    std::string_view op = "&&";
    auto flush = [&] {
        rewrite += partHasRelation ? "(" + part + ")" : part;
        part.clear();
        partHasRelation = false;
    };
    int depth = 0;
    for (std::size_t i = groupFrom; i < groupTo; ++i) {
        const Token& t = c.tokens[i];
        if (t.kind == Tok::lparen) ++depth;
        if (t.kind == Tok::rparen) --depth;
        if (depth == 0 && (t.text == "&&" || t.text == "||")) {
            flush();
            rewrite += " " + std::string(t.text) + " ";
            op = t.text;
            continue;
        }
        if (depth == 0 && t.kind == Tok::relation) partHasRelation = true;
        if (!part.empty() && t.kind != Tok::rparen && part.back() != '(' && part.back() != '!')
            part += ' ';
        part += t.text;
    }
    flush();
    std::string note = quoted(op) + " binds like '" + (op == "&&" ? "*" : "+") +
                       "', tighter than a comparison: put each comparison in parentheses";
    if (rewrite.size() <= 72) note += ": " + quoted(rewrite);
    out.push_back(note);
    return true;
}

bool oneName(const Context& c, std::vector<std::string>& out) {
    const std::string_view word = c.statementWord();
    if (word != "cin" && word != "cout") return false;
    const Token* t = c.here();
    if (t == nullptr) return false;
    const bool input = word == "cin";
    if (c.d.number == 8) {
        if (t->kind == Tok::input || t->kind == Tok::output) {
            out.push_back(
                std::string(input ? "'cin >>' reads into one name" : "'cout <<' prints one name") +
                ": write one statement per name, e.g. '" + std::string(word) + " " +
                (input ? ">>" : "<<") + " a; " + std::string(word) + " " + (input ? ">>" : "<<") +
                " b;'");
            return true;
        }
        if (t->kind == Tok::add || t->kind == Tok::mul || t->kind == Tok::relation ||
            t->kind == Tok::assign) {
            out.push_back(
                input ? "'cin >>' reads into one name, not an expression"
                      : "'cout <<' prints one name, not an expression: store the value first, "
                        "e.g. 'product = i * j;' and then 'cout << product;'");
            return true;
        }
        return false;
    }
    if ((c.d.number == 11 || c.d.number == 12) &&
        c.is(c.before(), input ? Tok::input : Tok::output)) {
        if (t->kind == Tok::text && !input) {
            out.push_back(
                "'cout <<' prints a name, so a text must be a constant first: 'const string "
                "hello = " +
                std::string(t->text.substr(0, 40)) + ";' and then 'cout << hello;'");
        } else if (t->kind == Tok::integer && !input) {
            out.push_back("'cout <<' prints a name, not a literal: declare 'const int n = " +
                          std::string(t->text.substr(0, 8)) + ";' and write 'cout << n;'");
        } else if (input && (t->kind == Tok::integer || t->kind == Tok::text)) {
            out.push_back("'cin >>' reads into a variable: write its name after '>>'");
        } else if (t->kind == Tok::lparen || t->kind == Tok::bang || t->kind == Tok::add) {
            out.push_back(
                input ? "'cin >>' reads into one name, not an expression"
                      : "'cout <<' prints one name, not an expression: store the value in a "
                        "variable first");
        } else {
            return false;
        }
        return true;
    }
    return false;
}

// The statement keyword that a `}` closes the body of, or empty.
std::string_view closedStatement(const Context& c, std::size_t brace) {
    int depth = 0;
    for (std::size_t i = brace + 1; i-- > 0;) {
        if (c.tokens[i].kind == Tok::rbrace) ++depth;
        if (c.tokens[i].kind == Tok::lbrace && --depth == 0) {
            // The body of an `else` belongs to the `if` whose `}` comes before it.
            if (i >= 2 && c.is(&c.tokens[i - 1], Tok::keyword, "else") &&
                c.tokens[i - 2].kind == Tok::rbrace)
                return closedStatement(c, i - 2);
            // Back over the condition to the statement's keyword.
            std::size_t k = i;
            while (k > 0 && c.tokens[k - 1].kind != Tok::semicolon &&
                   c.tokens[k - 1].kind != Tok::lbrace) {
                --k;
                if (c.tokens[k].kind == Tok::keyword &&
                    (c.tokens[k].text == "if" || c.tokens[k].text == "while"))
                    return c.tokens[k].text;
            }
            return {};
        }
    }
    return {};
}

bool missingSemicolon(const Context& c, std::vector<std::string>& out) {
    const Token* prev = c.before();
    if (prev == nullptr) return false;
    if (c.d.number == 8 && prev->kind == Tok::rbrace) {
        const std::string_view word = closedStatement(c, c.err - 1);
        if (word.empty()) return false;
        out.push_back("'" + std::string(word) +
                      "' is a statement too, so it ends with ';' after its '}' (line " +
                      std::to_string(c.lineOf(prev->offset)) + "): write '};'");
        return true;
    }
    const Token* t = c.here();
    if (t != nullptr && c.lineOf(t->offset) > c.lineOf(prev->offset + prev->length)) {
        out.push_back("is a ';' missing after " + quoted(printable(prev->text.substr(0, 40))) +
                      " at the end of line " + std::to_string(c.lineOf(prev->offset)) + "?");
        return true;
    }
    return false;
}

bool keywordSlip(const Context& c, std::vector<std::string>& out) {
    const Token* t = c.here();
    if (t == nullptr || t->kind != Tok::name) return false;
    const Token* next = c.after();
    const std::string_view name = t->text;
    const bool statementStart = c.err == c.start;
    auto nextIs = [&](Tok kind) { return next != nullptr && next->kind == kind; };
    if (statementStart) {
        struct Fit {
            std::string_view word;
            bool fits;
        };
        const Fit statements[] = {{"if", nextIs(Tok::lparen)},
                                  {"while", nextIs(Tok::lparen)},
                                  {"cin", nextIs(Tok::input) || nextIs(Tok::output)},
                                  {"cout", nextIs(Tok::output) || nextIs(Tok::input)}};
        for (const Fit& fit : statements) {
            if (fit.fits && slipOf(name, fit.word)) {
                out.push_back("did you mean " + quoted(fit.word) + "? " + quoted(name) +
                              " is taken for the name of a variable");
                return true;
            }
        }
        struct Missing {
            std::string_view word;
            bool fits;
            const char* note;
        };
        const Missing missing[] = {
            {"for", nextIs(Tok::lparen),
             "Lumo has no 'for' loop: set the counter before a 'while' and count it up at the end "
             "of its body"},
            {"do", nextIs(Tok::lbrace), "Lumo has no 'do' loop: use 'while (condition) { ... };'"},
            {"break", nextIs(Tok::semicolon),
             "Lumo has no 'break': end the loop through its condition, for instance with a bool "
             "that the body sets to false"},
            {"continue", nextIs(Tok::semicolon),
             "Lumo has no 'continue': put the rest of the body inside an 'if'"},
            {"return", !nextIs(Tok::assign),
             "Lumo has no 'return': a program is one block and ends after its last statement"},
            {"switch", nextIs(Tok::lparen), "Lumo has no 'switch': use 'if' and 'else'"},
            {"elif", nextIs(Tok::lparen),
             "Lumo has no 'elif': write 'else { if (...) { ... }; };'"},
            {"elseif", nextIs(Tok::lparen),
             "Lumo has no 'elseif': write 'else { if (...) { ... }; };'"},
            {"print", nextIs(Tok::lparen) || nextIs(Tok::output),
             "output is written 'cout << name;'"},
            {"printf", nextIs(Tok::lparen), "output is written 'cout << name;'"},
            {"println", nextIs(Tok::lparen), "output is written 'cout << name;'"},
            {"read", nextIs(Tok::lparen) || nextIs(Tok::input), "input is written 'cin >> name;'"},
            {"scanf", nextIs(Tok::lparen), "input is written 'cin >> name;'"},
            {"input", nextIs(Tok::lparen), "input is written 'cin >> name;'"},
        };
        for (const Missing& m : missing) {
            if (name == m.word && m.fits) {
                out.push_back(m.note);
                return true;
            }
        }
    }
    for (const Declared& decl : c.declared) {
        if (slipOf(name, decl.name)) {
            out.push_back("did you mean " + quoted(decl.name) + ", declared on line " +
                          std::to_string(decl.line) + "?");
            return true;
        }
    }
    const Token* prev = c.before();
    if (!statementStart && prev != nullptr && !endsOperand(*prev)) {
        for (std::string_view word : {"true", "false"}) {
            if (slipOf(name, word)) {
                out.push_back("did you mean " + quoted(word) + "?");
                return true;
            }
        }
    }
    return false;
}

bool typeSlip(const Context& c, std::vector<std::string>& out) {
    const Token* t = c.here();
    const Token* next = c.after();
    if (t == nullptr) return false;
    if (t->kind == Tok::keyword &&
        (t->text == "cin" || t->text == "cout" || t->text == "if" || t->text == "while")) {
        out.push_back(
            "statements go inside the program's block: declarations first, then '{', the "
            "statements, and '}'");
        return true;
    }
    if (t->kind != Tok::name) return false;
    if (next != nullptr && next->kind == Tok::name) {
        for (std::string_view word : {"int", "bool", "string", "const"}) {
            if (slipOf(t->text, word)) {
                out.push_back("did you mean " + quoted(word) + "?");
                return true;
            }
        }
        struct Other {
            std::string_view word;
            const char* note;
        };
        const Other others[] = {
            {"integer", "the type of whole numbers is written 'int'"},
            {"boolean", "the type of truth values is written 'bool'"},
            {"float", "Lumo has whole numbers only: its types are int, bool and string"},
            {"double", "Lumo has whole numbers only: its types are int, bool and string"},
            {"char", "Lumo has no characters: its types are int, bool and string"},
            {"long", "Lumo's only whole-number type is 'int', from -32768 to 32767"},
            {"var", "every declaration names its type: int, bool or string"},
            {"let", "every declaration names its type: int, bool or string"},
            {"auto", "every declaration names its type: int, bool or string"},
        };
        for (const Other& other : others) {
            if (t->text == other.word) {
                out.push_back(other.note);
                return true;
            }
        }
    }
    if (next != nullptr &&
        (next->kind == Tok::assign || next->kind == Tok::input || next->kind == Tok::output)) {
        out.push_back(
            "statements go inside the program's block: declarations first, then '{', the "
            "statements, and '}'");
        return true;
    }
    return false;
}

void lexicalNotes(const Context& c, std::vector<std::string>& out) {
    const std::string_view s = c.source;
    const std::size_t at = c.d.at.offset;
    switch (c.d.number) {
        case 1: {
            std::vector<std::size_t> open;
            for (const Token& t : c.tokens) {
                if (t.kind == Tok::lbrace) open.push_back(t.offset);
                if (t.kind == Tok::rbrace && !open.empty()) open.pop_back();
            }
            if (!open.empty()) {
                out.push_back("the file ends inside the '{' on line " +
                              std::to_string(c.lineOf(open.back())) + ": a '}' is missing");
            } else if (std::none_of(c.tokens.begin(), c.tokens.end(),
                                    [](const Token& t) { return t.kind == Tok::lbrace; })) {
                out.push_back("a program ends with its block of statements: '{' ... '}'");
            }
            return;
        }
        case 2: {
            const unsigned char byte = at < s.size() ? static_cast<unsigned char>(s[at]) : 0;
            if (byte == '\r') {
                out.push_back(
                    "the text holds a carriage return (byte 0D): it runs over a line end of a file "
                    "saved with Windows line ends; keep the text on one line and write \\n, or "
                    "save "
                    "the file with plain line ends");
            } else {
                char hex[8];
                std::snprintf(hex, sizeof hex, "%02X", byte);
                out.push_back(
                    std::string(
                        "a text may hold tabs and line breaks, but no other control character ") +
                    "(here the byte " + hex + ")");
            }
            return;
        }
        case 3:
            out.push_back(
                "the text that begins here has no closing '\"', so it runs to the end of the file");
            return;
        case 4: {
            out.push_back("an int holds -32768 to 32767, so a literal is at most 32767");
            const Token* prev = c.before();
            const Token* t = c.here();
            if (t != nullptr && t->text.find_first_not_of('0') != std::string_view::npos &&
                t->text.substr(t->text.find_first_not_of('0')) == "32768" &&
                c.is(prev, Tok::add, "-"))
                out.push_back(
                    "-32768 cannot be written as a literal; compute it: '(0 - 32767) - 1'");
            return;
        }
        case 5:
            out.push_back("'and' is written '&&': a single '&' is not an operator");
            return;
        case 6:
            out.push_back("'or' is written '||': a single '|' is not an operator");
            return;
        case 7: {
            if (at == 0 && startsWith(s, "\xEF\xBB\xBF")) {
                out.push_back(
                    "the file starts with a byte-order mark (the bytes EF BB BF), which some "
                    "editors write when saving as 'UTF-8 with BOM'; save it as plain UTF-8, or "
                    "remove it: sed -i '1s/^\\xEF\\xBB\\xBF//' FILE");
                return;
            }
            const std::string_view rest = s.substr(std::min(at, s.size()));
            for (std::string_view quote :
                 {"\xE2\x80\x9C", "\xE2\x80\x9D", "\xE2\x80\x98", "\xE2\x80\x99"}) {
                if (startsWith(rest, quote)) {
                    out.push_back("this is a typographic quote " + std::string(quote) +
                                  ", as word processors write it; texts stand between plain double "
                                  "quotes \"...\"");
                    return;
                }
            }
            if (startsWith(rest, "'")) {
                out.push_back("texts stand between double quotes: \"...\"");
                return;
            }
            if (!rest.empty() && static_cast<unsigned char>(rest[0]) >= 0x80) {
                out.push_back(
                    "outside a text, a program holds only ASCII letters, digits and Lumo's signs; "
                    "letters such as this one may stand only inside a text");
                return;
            }
            if (startsWith(rest, "_")) {
                out.push_back(
                    "a name starts with a letter; '_' may stand only after the first letter");
                return;
            }
            return;
        }
        default:
            return;
    }
}

void syntaxNotes(const Context& c, std::vector<std::string>& out) {
    const Token* t = c.here();
    const Token* prev = c.before();
    switch (c.d.number) {
        case 2:
            if (unaryMinus(c, out)) return;
            if (t != nullptr && (t->kind == Tok::name || t->kind == Tok::lparen))
                out.push_back(
                    "an initial value is one literal, not a name or an expression: declare the "
                    "variable without a value and assign it at the start of the block");
            return;
        case 3:
            if (prev != nullptr && prev->kind == Tok::text && prev->text.size() >= 2 &&
                prev->text[prev->text.size() - 2] == '\\') {
                out.push_back(
                    "there are no escape sequences: the '\"' after the backslash ends the text; "
                    "use single quotes inside a text: \"say 'hi'\"");
                return;
            }
            if (t != nullptr && (t->kind == Tok::add || t->kind == Tok::mul) &&
                c.is(c.before(2), Tok::assign)) {
                out.push_back(
                    "an initial value is one literal, not an expression: declare the variable "
                    "without a value and assign it at the start of the block");
                return;
            }
            missingSemicolon(c, out);
            return;
        case 4:
            if (c.is(prev, Tok::keyword, "else") && c.is(t, Tok::keyword, "if")) {
                out.push_back(
                    "Lumo has no 'else if': 'else' is always followed by braces, so put the 'if' "
                    "inside them: 'else { if (...) { ... }; };'");
            } else if (c.is(prev, Tok::keyword, "else") || c.is(prev, Tok::rparen)) {
                out.push_back(
                    "the body of 'if', 'else' and 'while' is always in braces, even for one "
                    "statement");
            }
            return;
        case 6:
        case 15:
            out.push_back(std::string("the condition of '") + (c.d.number == 6 ? "if" : "while") +
                          "' stands between '(' and ')': '" + (c.d.number == 6 ? "if" : "while") +
                          " (x == 1) {'");
            return;
        case 7:
        case 16:
            if (t != nullptr && t->kind == Tok::relation) {
                out.push_back(
                    "an expression holds at most one comparison: join two with '&&', each in "
                    "parentheses: '(0 < x) && (x < 10)'");
            }
            return;
        case 8:
            if (oneName(c, out)) return;
            missingSemicolon(c, out);
            return;
        case 9:
            if (c.is(t, Tok::output)) out.push_back("input is written with '>>': 'cin >> name;'");
            return;
        case 10:
            if (c.is(t, Tok::input)) out.push_back("output is written with '<<': 'cout << name;'");
            return;
        case 11:
        case 12:
            oneName(c, out);
            return;
        case 14:
            if (t != nullptr && (t->kind == Tok::add || t->kind == Tok::mul)) {
                const Token* next = c.after();
                const std::string op(t->text);
                const std::string name(prev != nullptr ? prev->text.substr(0, 40) : "x");
                if (c.is(next, Tok::assign) && next->offset == t->offset + t->length) {
                    out.push_back("Lumo has no '" + op + "=': write '" + name + " = " + name + " " +
                                  op + " 1;'");
                } else if (next != nullptr && next->text == t->text &&
                           next->offset == t->offset + 1) {
                    out.push_back("Lumo has no '" + op + op + "': write '" + name + " = " + name +
                                  " " + op + " 1;'");
                }
            } else if (c.is(t, Tok::relation, "==")) {
                out.push_back("'==' compares; an assignment is written with one '='");
            }
            return;
        case 17: {
            int depth = 0;
            for (std::size_t i = c.err; i-- > c.start;) {
                if (c.tokens[i].kind == Tok::rparen) ++depth;
                if (c.tokens[i].kind == Tok::lparen && depth-- == 0) {
                    const SourcePosition p = placeOf(
                        c.source,
                        Diagnostic{ErrorClass::syntax, 0, 0, {}, {}, {c.tokens[i].offset, 0, 0}});
                    out.push_back("the '(' at " + std::to_string(p.line) + ":" +
                                  std::to_string(p.column) + " is not closed");
                    return;
                }
            }
            return;
        }
        case 18:
            typeSlip(c, out);
            return;
        case 19:
            if (t == nullptr) return;
            if (t->kind == Tok::keyword && (t->text == "int" || t->text == "bool" ||
                                            t->text == "string" || t->text == "const")) {
                out.push_back(
                    "declarations come before the program's '{': the block holds statements only");
            } else if (t->kind == Tok::lbrace) {
                out.push_back(
                    "braces belong to 'if', 'else' and 'while': a block cannot stand on its own");
            } else if (c.is(t, Tok::keyword, "else") && c.is(prev, Tok::semicolon) &&
                       c.is(c.before(2), Tok::rbrace)) {
                out.push_back("no ';' between the '}' of an 'if' and its 'else': write '} else {'");
            } else if (t->kind == Tok::semicolon) {
                out.push_back("there is no empty statement: remove the extra ';'");
            }
            return;
        default:
            return;
    }
}

void staticNotes(const Context& c, std::vector<std::string>& out) {
    const Token* t = c.here();
    if (t == nullptr) return;
    const std::string name(t->text.substr(0, 60));
    switch (c.d.number) {
        case 101:
            for (const Declared& decl : c.declared) {
                if (decl.name == t->text && c.lineOf(t->offset) >= decl.line) {
                    out.push_back(quoted(name) + " is declared already, on line " +
                                  std::to_string(decl.line) + "; a name is declared once");
                    return;
                }
            }
            return;
        case 102:
            if (!keywordSlip(c, out))
                out.push_back("every name is declared before the program's '{', e.g. 'int " + name +
                              ";'");
            return;
        case 103:
            out.push_back("a constant is given its value where it is declared: 'const int " + name +
                          " = 10;'");
            return;
        case 104:
            out.push_back("a string can only be a constant: 'const string " + name +
                          " = \"...\";'");
            return;
        case 105:
        case 106:
            out.push_back(quoted(name) + " is a constant: declare it without 'const' to change it");
            return;
        default:
            return;
    }
}

// The type of the well-typed expression in tokens [from, to): a comparison, `&&`, `||` or
// `!` at its top makes a bool; otherwise its first operand's type decides.
std::string_view typeOf(const Context& c, std::size_t from, std::size_t to) {
    int depth = 0;
    for (std::size_t i = from; i < to; ++i) {
        const Token& t = c.tokens[i];
        if (t.kind == Tok::lparen) ++depth;
        if (t.kind == Tok::rparen) --depth;
        if (depth == 0 && (t.kind == Tok::relation || t.text == "&&" || t.text == "||"))
            return "bool";
    }
    if (from >= to) return {};
    const Token& first = c.tokens[from];
    if (first.kind == Tok::bang) return "bool";
    if (first.kind == Tok::integer) return "int";
    if (first.kind == Tok::keyword && (first.text == "true" || first.text == "false"))
        return "bool";
    if (first.kind == Tok::name) {
        const Declared* decl = c.find(first.text);
        return decl != nullptr ? decl->type : std::string_view();
    }
    if (first.kind == Tok::lparen) {
        int level = 0;
        for (std::size_t i = from; i < to; ++i) {
            if (c.tokens[i].kind == Tok::lparen) ++level;
            if (c.tokens[i].kind == Tok::rparen && --level == 0) return typeOf(c, from + 1, i);
        }
    }
    return {};
}

void typeNotes(const Context& c, std::vector<std::string>& out) {
    if (unaryMinus(c, out)) return;
    if (c.d.number <= 215 && logicBinding(c, out)) return;
    const Token* t = c.here();
    switch (c.d.number) {
        case 201: {
            const Token* target = c.at(c.start);
            const Declared* decl = target != nullptr ? c.find(target->text) : nullptr;
            if (decl == nullptr || !c.is(c.at(c.start + 1), Tok::assign)) return;
            const std::string_view type = typeOf(c, c.start + 2, c.err);
            if (type.empty() || type == decl->type) return;
            out.push_back(
                quoted(decl->name) + " is " + (decl->type == "int" ? "an int" : "a bool") +
                ", and the "
                "expression is " +
                (type == "int" ? "an int" : "a bool") + ": int and bool never mix" +
                (type == "bool"
                     ? "; declare 'bool " + std::string(decl->name) + ";' to keep a truth value"
                     : ""));
            return;
        }
        case 202:
        case 203: {
            if (c.is(t, Tok::assign)) {
                out.push_back("'=' assigns; to compare, write '=='");
                return;
            }
            const Token* open = c.at(c.start + 1);
            const Token* only = c.at(c.start + 2);
            if (c.is(open, Tok::lparen) && only != nullptr &&
                c.is(c.at(c.start + 3), Tok::rparen) && only->kind == Tok::name) {
                const Declared* decl = c.find(only->text);
                if (decl != nullptr && decl->type == "int")
                    out.push_back("a condition is a bool, and 0 is not false: write '" +
                                  std::string(only->text) + " != 0'");
            }
            return;
        }
        case 216:
            out.push_back("'cin >>' reads whole numbers, so only into an int variable");
            return;
        case 217:
            out.push_back(
                "'cout <<' prints an int or a string constant; for a bool, choose a text with "
                "'if': 'if (done) { cout << yes; } else { cout << no; };'");
            return;
        case 218:
        case 219:
        case 220:
        case 221:
        case 222:
        case 223:
            out.push_back("a string can only be printed: no operator takes one");
            return;
        case 224: {
            const Declared* decl = t != nullptr ? c.find(t->text) : nullptr;
            if (decl != nullptr)
                out.push_back(quoted(decl->name) + " is declared " + std::string(decl->type) +
                              ", so its initial value is " +
                              (decl->type == "int"    ? "a whole number"
                               : decl->type == "bool" ? "true or false"
                                                      : "a text in quotes"));
            return;
        }
        default:
            return;
    }
}

}  // namespace

std::string codeOf(ErrorClass kind, int number) {
    switch (kind) {
        case ErrorClass::lexical:
            return "L" + std::to_string(number);
        case ErrorClass::syntax:
        case ErrorClass::staticSemantic:
        case ErrorClass::type:
        case ErrorClass::limit:
            return "E" + std::to_string(number);
        default:
            return {};
    }
}

Diagnostic diagnose(const CompileResult& result) {
    Diagnostic d;
    d.status = result.status;
    d.at = result.errorAt;
    if (result.status == 0) return d;
    if (!result.diagnosed) {
        d.kind = ErrorClass::other;
        d.message = result.status == outOfMemoryStatus ? "out of memory"
                                                       : "the output could not be written";
        return d;
    }
    std::string_view text = result.output;
    struct Heading {
        std::string_view prefix;
        ErrorClass kind;
        bool numbered;
    };
    const Heading headings[] = {{"Lexer error : ", ErrorClass::lexical, false},
                                {"Limit error : ", ErrorClass::limit, false},
                                {"Syntax error ", ErrorClass::syntax, true},
                                {"Static semantic error ", ErrorClass::staticSemantic, true},
                                {"Type error ", ErrorClass::type, true}};
    d.kind = ErrorClass::other;
    d.number = result.status;
    for (const Heading& h : headings) {
        if (!startsWith(text, h.prefix)) continue;
        d.kind = h.kind;
        text.remove_prefix(h.prefix.size());
        if (h.numbered) {
            const std::size_t line = text.find('\n');
            text.remove_prefix(line == std::string_view::npos ? text.size() : line + 1);
        }
        break;
    }
    std::string joined;
    while (!text.empty()) {
        std::size_t line = text.find('\n');
        if (line == std::string_view::npos) line = text.size();
        if (line > 0) {
            if (!joined.empty()) joined += ' ';
            joined.append(text.substr(0, line));
        }
        text.remove_prefix(std::min(text.size(), line + 1));
    }
    d.message = printable(joined);
    d.code = codeOf(d.kind, d.number);
    return d;
}

std::vector<std::string> notes(std::string_view source, const Diagnostic& d) {
    std::vector<std::string> out;
    if (d.kind == ErrorClass::none || d.kind == ErrorClass::other) return out;
    const Context c(source, d);
    switch (d.kind) {
        case ErrorClass::lexical:
            lexicalNotes(c, out);
            break;
        case ErrorClass::syntax:
            syntaxNotes(c, out);
            break;
        case ErrorClass::staticSemantic:
            staticNotes(c, out);
            break;
        case ErrorClass::type:
            typeNotes(c, out);
            break;
        case ErrorClass::limit:
            out.push_back(
                "parentheses, '!' and the braces of 'if' and 'while' nest at most 1000 levels "
                "deep");
            break;
        default:
            break;
    }
    return out;
}

std::string report(std::string_view fileName, std::string_view source, const CompileResult& result,
                   const RenderOptions& options) {
    const Diagnostic d = diagnose(result);
    std::string out;
    const bool located = d.kind != ErrorClass::none && d.kind != ErrorClass::other;
    // The warnings come in the order of the text: their lines are counted as they go.
    int line = 1;
    std::size_t counted = 0;
    for (const Warning& w : warnings(source, located ? d.at.offset : std::string_view::npos)) {
        const std::size_t at = std::min(w.offset, source.size());
        line +=
            static_cast<int>(std::count(source.begin() + static_cast<std::ptrdiff_t>(counted),
                                        source.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
        counted = at;
        out += renderOnLine(line, fileName, source, w.offset, w.length, "warning", w.message,
                            w.name, w.notes, options);
    }
    if (d.kind == ErrorClass::other) {
        out += std::string(fileName) + ": error: " + d.message + "\n";
    } else if (located) {
        const SourcePosition p = placeOf(source, d);
        const std::vector<Token> tokens = tokenize(source);
        std::size_t length = 0;
        for (const Token& t : tokens) {
            if (t.offset == p.offset && t.kind != Tok::text)
                length = std::min<std::size_t>(t.length, 80);
        }
        out += render(fileName, source, p.offset, length, "error", d.message, d.code,
                      notes(source, d), options);
    }
    return out;
}

}  // namespace lumo::hints
