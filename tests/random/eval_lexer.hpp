// The evaluator's scanner: turns Lumo source bytes into tokens on request, with the same
// lexical errors (status and message) as the compiler. Tokens are produced one at a time
// because a lexical fault behind the first analysis error must never be reported.
#pragma once

#include <string>
#include <string_view>

namespace lumoeval {

enum class Kind {
    Identifier,
    BoolLiteral,
    StringLiteral,
    IntLiteral,
    Assign,
    Terminator,
    LParen,
    RParen,
    LBrace,
    RBrace,
    AddOp,
    RelOp,
    MulOp,
    Not,
    Input,
    Output,
    Const,
    Bool,
    String,
    Int,
    If,
    Else,
    While,
    Cin,
    Cout,
};

// One token: `text` holds the name, the literal's spelling (a string without its quotes) or
// the operator; `value` holds an integer literal's value.
struct Token {
    Kind kind = Kind::Terminator;
    std::string text;
    int value = 0;
};

// How an analysis ended when it did not succeed. `undefined` marks inputs whose outcome
// the language leaves to the implementation (the text is then only a hint).
struct Failure {
    int status = 0;
    std::string text;
    bool undefined = false;
    size_t offset = 0;  // how far the scanner had read, to locate the error in reports
};

// The words a diagnostic shows for a token.
std::string describe(const Token& token);

class Scanner {
  public:
    explicit Scanner(std::string_view source) : src_(source) {}

    // Skips white space and comments before the first token.
    void start() { skipWhiteComments(); }

    // Reads the next token; on a lexical error fills `failure` and returns false.
    bool next(Token& token, Failure& failure);

    size_t offset() const { return pos_; }

  private:
    int read();
    void unread() { --pos_; }
    void skipWhiteComments();
    void discardComment();
    bool readOperator(int c, Token& token, Failure& failure);
    bool readPair(int c, Token& token, Failure& failure);
    void readWord(Token& token);
    bool readNumber(Token& token, Failure& failure);
    bool readString(Token& token, Failure& failure);

    std::string_view src_;
    size_t pos_ = 0;
    bool ambiguous_ = false;  // a "/" ended the input: the next token has no defined reading
};

}  // namespace lumoeval
