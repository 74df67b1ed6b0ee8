// Random expressions that are well typed by construction and, for int values, safe by
// construction: every operator's result range is computed (chains grouped from the right),
// and an operator is only used where it can neither overflow nor divide by zero. A risky
// expression drops that guarantee on purpose so that run-time errors get exercised too.
#pragma once

#include <string>
#include <vector>

#include "gen_model.hpp"
#include "gen_rng.hpp"

namespace lumogen {

constexpr long kMinInt = -32768;
constexpr long kMaxInt = 32767;

// A closed range of values.
struct Iv {
    long lo = 0;
    long hi = 0;
};

// What an expression may read: names whose values are surely set, with their ranges.
struct Scope {
    struct IntName {
        std::string name;
        Iv range;
    };
    std::vector<IntName> ints;
    std::vector<std::string> bools;
};

class ExprGen {
  public:
    ExprGen(Rng& rng, const Scope& scope) : rng_(rng), scope_(scope) {}

    // An int expression of about `operands` operands whose value lies in [-bound, bound].
    Expr intExpr(long bound, int operands);
    // Like intExpr, but it may overflow or divide by zero when it runs.
    Expr riskyIntExpr(long bound, int operands);
    Expr boolExpr(int operands);
    // The range of the value of the last expression made by intExpr.
    Iv lastRange() const { return last_; }

    // The value v written as an expression: a literal, or 0 minus a literal.
    static Expr constantExpr(long v);

  private:
    struct IntPart {
        Factor f;
        Iv iv;
    };
    struct IntTerm {
        Term t;
        Iv iv;
    };
    struct IntBasic {
        Basic b;
        Iv iv;
    };

    Expr riskyCore();
    Factor zeroSometimes();
    int chainLength();
    IntPart intLiteral(long lo, long hi);
    IntPart intLeaf();
    IntPart edgeValue();
    IntPart intFactor(int nest);
    IntTerm intTerm(int nest);
    IntBasic intBasic(int nest);
    IntTerm shrink(const IntTerm& t, Iv room);
    Expr fitInto(const IntBasic& b, long bound);
    bool combine(const std::string& op, Iv a, Iv b, Iv& out) const;
    Factor boolFactor(int nest);
    Term boolTerm(int nest);
    Basic boolBasic(int nest);
    Expr relationExpr(int nest);
    Expr boolExprAt(int nest);

    Rng& rng_;
    const Scope& scope_;
    int budget_ = 0;
    bool unchecked_ = false;  // risky mode: operators are chosen without looking at ranges
    bool comparing_ = false;  // operands of a comparison lean towards extreme values
    Iv last_;
};

// How many operands the next expression should have: mostly few, now and then dozens
// (never enough to crowd the machine stack).
int operandBudget(Rng& rng);

}  // namespace lumogen
