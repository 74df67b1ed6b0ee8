#include "tokens.hpp"

namespace lumo::hints {

namespace {

bool isLetter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool isDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}
// lumoc skips 0xFF between tokens like white space; so does this scanner, to agree on
// where every token begins.
bool isBlank(unsigned char c) {
    return c == ' ' || (c >= '\t' && c <= '\r') || c == 0xFF;
}

bool isKeyword(std::string_view word) {
    static constexpr std::string_view keywords[] = {
        "const", "int", "bool", "string", "if", "else", "while", "cin", "cout", "true", "false"};
    for (std::string_view k : keywords) {
        if (k == word) return true;
    }
    return false;
}

}  // namespace

bool endsOperand(const Token& token) {
    switch (token.kind) {
        case Tok::name:
        case Tok::integer:
        case Tok::text:
        case Tok::rparen:
            return true;
        case Tok::keyword:
            return token.text == "true" || token.text == "false";
        default:
            return false;
    }
}

std::vector<Declaration> declarations(const std::vector<Token>& tokens) {
    std::vector<Declaration> found;
    for (std::size_t i = 0; i < tokens.size() && tokens[i].kind != Tok::lbrace; ++i) {
        std::size_t k = i;
        const bool constant = tokens[k].text == "const";
        if (constant) ++k;
        if (k + 1 < tokens.size() && tokens[k].kind == Tok::keyword &&
            (tokens[k].text == "int" || tokens[k].text == "bool" || tokens[k].text == "string") &&
            tokens[k + 1].kind == Tok::name) {
            found.push_back({tokens[k + 1].text, tokens[k].text, constant, tokens[k + 1].offset});
            i = k + 1;
        }
    }
    return found;
}

std::vector<Token> tokenize(std::string_view s) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    const std::size_t n = s.size();
    auto at = [&](std::size_t k) -> unsigned char { return k < n ? s[k] : 0; };
    while (i < n) {
        const unsigned char c = s[i];
        if (isBlank(c)) {
            ++i;
            continue;
        }
        if (c == '/' && at(i + 1) == '/') {
            while (i < n && s[i] != '\n') ++i;
            continue;
        }
        Token t;
        t.offset = i;
        std::size_t len = 1;
        if (isLetter(c)) {
            while (isLetter(at(i + len)) || isDigit(at(i + len)) || at(i + len) == '_') ++len;
            t.kind = isKeyword(s.substr(i, len)) ? Tok::keyword : Tok::name;
        } else if (isDigit(c)) {
            while (isDigit(at(i + len))) ++len;
            t.kind = Tok::integer;
        } else if (c == '"') {
            while (i + len < n && s[i + len] != '"') ++len;
            t.closed = i + len < n;
            if (t.closed) ++len;
            t.kind = Tok::text;
        } else {
            const unsigned char d = at(i + 1);
            switch (c) {
                case '=':
                    t.kind = d == '=' ? Tok::relation : Tok::assign;
                    len = d == '=' ? 2 : 1;
                    break;
                case ';':
                    t.kind = Tok::semicolon;
                    break;
                case '(':
                    t.kind = Tok::lparen;
                    break;
                case ')':
                    t.kind = Tok::rparen;
                    break;
                case '{':
                    t.kind = Tok::lbrace;
                    break;
                case '}':
                    t.kind = Tok::rbrace;
                    break;
                case '+':
                case '-':
                    t.kind = Tok::add;
                    break;
                case '*':
                case '/':
                case '%':
                    t.kind = Tok::mul;
                    break;
                case '&':
                    t.kind = d == '&' ? Tok::mul : Tok::bad;
                    len = d == '&' ? 2 : 1;
                    break;
                case '|':
                    t.kind = d == '|' ? Tok::add : Tok::bad;
                    len = d == '|' ? 2 : 1;
                    break;
                case '<':
                    t.kind = d == '<' ? Tok::output : Tok::relation;
                    len = (d == '<' || d == '=') ? 2 : 1;
                    break;
                case '>':
                    t.kind = d == '>' ? Tok::input : Tok::relation;
                    len = (d == '>' || d == '=') ? 2 : 1;
                    break;
                case '!':
                    t.kind = d == '=' ? Tok::relation : Tok::bang;
                    len = d == '=' ? 2 : 1;
                    break;
                default:
                    t.kind = Tok::bad;
            }
        }
        t.length = len;
        t.text = s.substr(i, len);
        tokens.push_back(t);
        i += len;
    }
    return tokens;
}

}  // namespace lumo::hints
