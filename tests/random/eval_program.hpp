// The evaluator's view of a Lumo program and the analysis that builds it. The analysis
// repeats every check of the compiler in the compiler's order, so that for a faulty program
// it names the same first error, with the same diagnostic text, as the compiler must.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "eval_lexer.hpp"

namespace lumoeval {

enum class Type { None, Bool, String, Int };

struct Symbol {
    std::string name;
    Type type = Type::None;
    bool isConst = false;
    bool hasInit = false;
    int initValue = 0;     // ints and truth values (-1 for true, 0 for false)
    std::string initText;  // string constants
};

enum class Op { Add, Sub, Or, Mul, Div, Mod, And, Eq, Ne, Gt, Lt, Ge, Le };

struct Expr;

struct Factor {
    enum class Form { Literal, Symbol, Sub, Not, Empty };
    Form form = Form::Empty;
    Type type = Type::None;
    int value = 0;    // literals, with truth values as -1 and 0
    int symbol = -1;  // index into Program::symbols
    std::shared_ptr<Expr> sub;
    std::shared_ptr<Factor> inner;
};

// A chain of operands joined by operators of one level: ops[i] stands between
// operands[i] and operands[i + 1].
template <class Operand>
struct Chain {
    std::vector<Operand> operands;
    std::vector<Op> ops;
};

using Term = Chain<Factor>;
using Basic = Chain<Term>;

struct Expr {
    Basic left;
    bool hasRelation = false;
    Op relation = Op::Eq;
    Basic right;
};

struct Stmt {
    enum class Kind { Assign, If, While, Cin, Cout };
    Kind kind = Kind::Assign;
    int symbol = -1;  // target of an assignment or input, source of an output
    Expr expr;        // assigned value or condition
    std::vector<Stmt> body;
    std::vector<Stmt> elseBody;
};

struct Program {
    std::vector<Symbol> symbols;  // in declaration order
    std::vector<Stmt> body;
};

struct Analysis {
    bool ok = false;
    Failure failure;  // when !ok: the compiler's diagnostic and exit status
    Program program;
};

// Analyses a whole source text, stopping at its first error like the compiler.
Analysis analyse(std::string_view source);

// Most operands pending at once on the machine stack while `expr` is evaluated.
int stackDepth(const Expr& expr);

}  // namespace lumoeval
