// Scanner of the evaluator. It follows the compiler's reading rules byte for byte: one
// character of look-ahead for two-character operators, comments to the end of their line, the
// byte 0xFF skipped like white space, and no escape sequences in string literals.
#include "eval_lexer.hpp"

#include <array>

namespace lumoeval {

namespace {

constexpr int kEnd = -1;
constexpr long kIntMax = 32767;

bool isLetter(int c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool isDigit(int c) {
    return c >= '0' && c <= '9';
}
bool isSpace(int c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
bool isControl(int c) {
    return (c >= 0 && c < 0x20) || c == 0x7F;
}

Failure lexical(int status, const std::string& text) {
    return Failure{status, text, false};
}

Failure undefinedEnd() {
    return Failure{1, "input ends inside a two-character operator", true};
}

struct Word {
    const char* spelling;
    Kind kind;
};

constexpr std::array<Word, 11> kWords = {{{"true", Kind::BoolLiteral},
                                          {"false", Kind::BoolLiteral},
                                          {"const", Kind::Const},
                                          {"bool", Kind::Bool},
                                          {"string", Kind::String},
                                          {"int", Kind::Int},
                                          {"if", Kind::If},
                                          {"else", Kind::Else},
                                          {"while", Kind::While},
                                          {"cin", Kind::Cin},
                                          {"cout", Kind::Cout}}};

}  // namespace

std::string describe(const Token& t) {
    switch (t.kind) {
        case Kind::Identifier:
            return "IDENTIFIER : " + t.text;
        case Kind::BoolLiteral:
            return "BOOLEAN LITERAL : " + t.text;
        case Kind::StringLiteral:
            return "STRING LITERAL : \"" + t.text + "\"";
        case Kind::IntLiteral:
            return "INTEGER LITERAL : " + std::to_string(t.value);
        case Kind::Assign:
            return "ASSIGN";
        case Kind::Terminator:
            return "TERMINATOR";
        case Kind::LParen:
            return "LPAREN";
        case Kind::RParen:
            return "RPAREN";
        case Kind::LBrace:
            return "LBRACE";
        case Kind::RBrace:
            return "RBRACE";
        case Kind::AddOp:
            return "ADDITIONAL OPERATOR : " + t.text;
        case Kind::RelOp:
            return "RELATIONAL OPERATOR : " + t.text;
        case Kind::MulOp:
            return "MULTIPLICATIVE OPERATOR : " + t.text;
        case Kind::Not:
            return "NOT OPERATOR";
        case Kind::Input:
            return "INPUT OPERATOR";
        case Kind::Output:
            return "OUTPUT OPERATOR";
        case Kind::Const:
            return "CONST";
        case Kind::Bool:
            return "BOOL";
        case Kind::String:
            return "STRING";
        case Kind::Int:
            return "INT";
        case Kind::If:
            return "IF";
        case Kind::Else:
            return "ELSE";
        case Kind::While:
            return "WHILE";
        case Kind::Cin:
            return "CIN";
        case Kind::Cout:
            return "COUT";
    }
    return "";
}

int Scanner::read() {
    if (pos_ >= src_.size()) return kEnd;
    return static_cast<unsigned char>(src_[pos_++]);
}

void Scanner::skipWhiteComments() {
    for (int c = read(); c != kEnd; c = read()) {
        if (c == '/') {
            int d = read();
            if (d == kEnd) {
                ambiguous_ = true;
                return;
            }
            if (d != '/') {
                pos_ -= 2;
                return;
            }
            discardComment();
        } else if (!isSpace(c) && c != 0xFF) {
            unread();
            return;
        }
    }
}

// Discards the rest of the line, the newline included, however long the line is.
void Scanner::discardComment() {
    for (;;) {
        int c = read();
        if (c == kEnd || c == '\n') return;
    }
}

bool Scanner::next(Token& token, Failure& failure) {
    failure.offset = pos_;
    if (ambiguous_) {
        failure = undefinedEnd();
        return false;
    }
    int c = read();
    if (c == kEnd) {
        failure = lexical(1, "Lexer error : Unexpected end of file\n");
        return false;
    }
    token.text.clear();
    token.value = 0;
    bool ok = true;
    if (isLetter(c)) {
        unread();
        readWord(token);
    } else if (c == '"') {
        unread();
        ok = readString(token, failure);
    } else if (isDigit(c)) {
        unread();
        ok = readNumber(token, failure);
    } else {
        ok = readOperator(c, token, failure);
    }
    if (ok) skipWhiteComments();
    if (!ok) failure.offset = pos_;
    return ok;
}

bool Scanner::readOperator(int c, Token& token, Failure& failure) {
    const std::string one(1, static_cast<char>(c));
    switch (c) {
        case ';':
            token.kind = Kind::Terminator;
            return true;
        case '(':
            token.kind = Kind::LParen;
            return true;
        case ')':
            token.kind = Kind::RParen;
            return true;
        case '{':
            token.kind = Kind::LBrace;
            return true;
        case '}':
            token.kind = Kind::RBrace;
            return true;
        case '+':
        case '-':
            token.kind = Kind::AddOp;
            token.text = one;
            return true;
        case '*':
        case '/':
        case '%':
            token.kind = Kind::MulOp;
            token.text = one;
            return true;
        case '=':
        case '&':
        case '<':
        case '>':
        case '!':
        case '|':
            return readPair(c, token, failure);
        default:
            break;
    }
    failure = lexical(7, "Lexer error : Unrecognised character : " + one + "\n");
    return false;
}

// The operators whose first character may start a longer one: the second character is read
// and pushed back when it does not belong to the operator.
bool Scanner::readPair(int c, Token& token, Failure& failure) {
    int d = read();
    if (d == kEnd) {
        failure = undefinedEnd();
        return false;
    }
    const std::string pair{static_cast<char>(c), static_cast<char>(d)};
    auto set = [&token](Kind kind, std::string text) {
        token.kind = kind;
        token.text = std::move(text);
        return true;
    };
    if (c == '&') {
        if (d == '&') return set(Kind::MulOp, "&&");
        failure = lexical(5, "Lexer error : expected &.\n\n");
        return false;
    }
    if (c == '|') {
        if (d == '|') return set(Kind::AddOp, "||");
        failure = lexical(6, "Lexer error : Unexpected character : '" + pair.substr(1) + "'\n");
        return false;
    }
    if (d == '=') return set(Kind::RelOp, pair);
    if (c == '<' && d == '<') return set(Kind::Output, "");
    if (c == '>' && d == '>') return set(Kind::Input, "");
    unread();
    if (c == '=') return set(Kind::Assign, "");
    if (c == '!') return set(Kind::Not, "");
    return set(Kind::RelOp, pair.substr(0, 1));
}

void Scanner::readWord(Token& token) {
    int c = read();
    while (c != kEnd && (isLetter(c) || isDigit(c) || c == '_')) {
        token.text.push_back(static_cast<char>(c));
        c = read();
    }
    if (c != kEnd) unread();
    token.kind = Kind::Identifier;
    for (const Word& w : kWords) {
        if (token.text == w.spelling) token.kind = w.kind;
    }
    if (token.kind != Kind::Identifier && token.kind != Kind::BoolLiteral) token.text.clear();
}

bool Scanner::readNumber(Token& token, Failure& failure) {
    long value = 0;
    int c = read();
    while (c != kEnd && isDigit(c)) {
        if (value <= kIntMax) value = value * 10 + (c - '0');
        c = read();
    }
    if (c != kEnd) unread();
    if (value > kIntMax) {
        failure = lexical(4, "Lexer error : literal is too big for a 16 bit integer.\n");
        return false;
    }
    token.kind = Kind::IntLiteral;
    token.value = static_cast<int>(value);
    return true;
}

bool Scanner::readString(Token& token, Failure& failure) {
    read();  // the opening quote
    token.kind = Kind::StringLiteral;
    if (pos_ == src_.size()) {  // a lone quote at the end: its reading is left open
        failure = Failure{3, "input ends right after an opening quote", true};
        return false;
    }
    for (int c = read(); c != '"'; c = read()) {
        if (c == kEnd) {
            failure = lexical(3, "Lexer error : missing \" on string literal\n");
            return false;
        }
        if (isControl(c) && c != '\n' && c != '\t') {
            failure = lexical(2, "Lexer error : non printable character in string literal.\n");
            return false;
        }
        token.text.push_back(static_cast<char>(c));
    }
    return true;
}

}  // namespace lumoeval
