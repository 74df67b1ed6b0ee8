// A forgiving scanner for Lumo source, for the hints and warnings: it reads the same words
// as lumoc's scanner but never stops, so that a program with a mistake can still be looked
// at around it. Bytes that begin no token become `bad` tokens of one byte.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace lumo::hints {

enum class Tok {
    name,
    keyword,  // const int bool string if else while cin cout true false
    integer,
    text,  // a string literal, quotes included (`closed` false when it runs to the end)
    assign,
    semicolon,
    lparen,
    rparen,
    lbrace,
    rbrace,
    add,       // + - ||
    mul,       // * / % &&
    relation,  // == != < <= > >=
    bang,      // !
    input,     // >>
    output,    // <<
    bad,
};

struct Token {
    Tok kind = Tok::bad;
    std::size_t offset = 0;
    std::size_t length = 0;
    std::string_view text;
    bool closed = true;  // for texts
};

std::vector<Token> tokenize(std::string_view source);

// A declaration before the program's block: `[const] type name ...`.
struct Declaration {
    std::string_view name;
    std::string_view type;  // "int", "bool" or "string"
    bool constant = false;
    std::size_t offset = 0;  // of the name
};

// The declarations that the tokens hold before the first `{`, in order.
std::vector<Declaration> declarations(const std::vector<Token>& tokens);

// Whether the token can end an operand: a name, a literal or a ")".
bool endsOperand(const Token& token);

}  // namespace lumo::hints
