// The generator's program model: the shape of a Lumo program as the grammar builds it
// (declarations, a compound statement, expressions as chains of chains), so that printing
// it needs no parentheses beyond the ones that are in the model, and faults can be planted
// at a known place of a known construct.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace lumogen {

enum class Ty { None, Bool, Str, Int };

struct Expr;

struct Factor {
    enum class Form { Lit, Name, Paren, Not, Empty };
    Form form = Form::Lit;
    Ty ty = Ty::None;
    std::string text;  // a literal's spelling (strings with their quotes) or a name
    std::shared_ptr<Expr> sub;
    std::shared_ptr<Factor> inner;
};

// ops[i] stands between operands[i] and operands[i + 1]; all operands share the chain's type.
struct Term {
    Ty ty = Ty::None;
    std::vector<Factor> factors;
    std::vector<std::string> ops;
};

struct Basic {
    Ty ty = Ty::None;
    std::vector<Term> terms;
    std::vector<std::string> ops;
};

struct Expr {
    Ty ty = Ty::None;  // the operands' type; a relation's result is bool
    Basic left;
    std::string rel;  // empty without a relational operator
    Basic right;
    Ty type() const { return rel.empty() ? ty : Ty::Bool; }
};

struct Stmt {
    enum class Kind { Assign, If, While, Cin, Cout };
    Kind kind = Kind::Assign;
    std::string name;  // assignment or input target, output source
    Expr expr;         // assigned value or condition
    std::vector<Stmt> body;
    bool hasElse = false;
    std::vector<Stmt> elseBody;
};

struct Decl {
    bool isConst = false;
    Ty ty = Ty::Int;
    std::string name;
    std::string init;  // the literal's spelling, empty without initialiser
};

// Features of the source text a run may leave out, to tell apart failures with different
// causes. Leaving one out changes no random draw, so the program stays the same otherwise.
struct Avoid {
    bool longComments = false;  // comments of 1024 bytes and more
    bool exoticSpace = false;   // \r, \v, \f and the byte 0xFF between tokens
    bool quotes = false;        // single quotes in string constants
    bool newlines = false;      // line breaks in string constants
    bool highBytes = false;     // bytes 0x80 to 0xFF in string constants
    bool trailing = false;      // text after the program's closing brace
};

// Reads a comma-separated list of the names long-comments, exotic-space, quotes, newlines,
// high-bytes and trailing.
bool parseAvoid(const std::string& list, Avoid& avoid);

struct Program {
    std::vector<Decl> decls;
    std::vector<Stmt> body;
    std::string trailing;  // text after the closing brace, which is never read
};

// Small constructors shared by the expression generator and the fault planter.
Factor literal(Ty ty, std::string spelling);
Factor nameFactor(Ty ty, std::string name);
Factor paren(Expr e);
Factor negation(Factor f);
Term termOf(Factor f);
Term termOf(Factor left, const std::string& op, Factor right);
Basic basicOf(Term t);
Basic basicOf(Term left, const std::string& op, Term right);
Expr exprOf(Basic b);
Expr exprOf(Factor f);
Expr relation(Basic left, std::string rel, Basic right);

}  // namespace lumogen
