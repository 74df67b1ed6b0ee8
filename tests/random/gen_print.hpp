// Turns a program model into source text in two steps: a token list whose tokens know the
// part they play (so that faults can be planted at a chosen kind of place), and a layout
// that spreads the tokens over lines with varied white space and comments, including the
// rarely seen kinds: carriage returns, vertical tabs, form feeds, the byte 0xFF, and
// comments of 1024 bytes and more, which run to the end of their line.
#pragma once

#include <string>
#include <vector>

#include "gen_model.hpp"
#include "gen_rng.hpp"

namespace lumogen {

enum class Role {
    DeclConst,
    DeclType,
    DeclName,
    DeclAssign,
    DeclLiteral,
    DeclEnd,
    ProgOpen,
    ProgClose,
    BlockOpen,
    BlockClose,
    StmtEnd,
    Target,
    AssignOp,
    IfKw,
    IfOpen,
    IfClose,
    ElseKw,
    WhileKw,
    WhileOpen,
    WhileClose,
    CinKw,
    CinOp,
    CinTarget,
    CoutKw,
    CoutOp,
    CoutSource,
    ParenOpen,
    ParenClose,
    Name,
    Literal,
    Operator,
    Not,
    Raw,  // text planted by a fault; always set apart by white space
};

struct Tok {
    std::string text;
    Role role;
};

std::vector<Tok> tokenize(const Program& program);

// True when a token begins a statement (where a compound statement may hold one).
bool startsStatement(Role role);

struct Layout {
    enum class Style { Pretty, Compact, Chaotic };
    Style style = Style::Pretty;
    std::string indent = "    ";
    int commentPercent = 0;
    bool exotic = false;        // gaps may hold \r, \v, \f and the byte 0xFF
    bool longComments = false;  // gaps may hold comments of 1024 bytes and more
    Avoid avoid;                // drawn features that are written plainly instead
};

Layout randomLayout(Rng& rng, const Avoid& avoid);

// The tokens as source text. Tokens that would run together are always kept apart.
std::string render(const std::vector<Tok>& tokens, const Layout& layout, Rng& rng);

// Text after the program's closing brace, which the compiler never reads.
std::string trailingJunk(Rng& rng);

}  // namespace lumogen
