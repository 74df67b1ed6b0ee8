// Expression generator. Int chains are built from their last operand towards their first,
// because a chain is grouped from the right: the value range of "the rest of the chain" is
// known when the operator in front of it is chosen, and only operators that are safe for
// both ranges are taken.
#include "gen_expr.hpp"

#include <algorithm>
#include <cstdlib>

namespace lumogen {

namespace {

constexpr int kMaxNest = 4;
const std::vector<std::string> kRelations = {"==", "!=", ">", "<", ">=", "<="};

bool fits(Iv r) {
    return r.lo >= kMinInt && r.hi <= kMaxInt;
}
bool within(Iv r, long bound) {
    return r.lo >= -bound && r.hi <= bound;
}
bool holdsZero(Iv r) {
    return r.lo <= 0 && r.hi >= 0;
}
long maxAbs(Iv r) {
    return std::max(std::labs(r.lo), std::labs(r.hi));
}

template <class F>
Iv corners(Iv a, Iv b, F f) {
    const long v[4] = {f(a.lo, b.lo), f(a.lo, b.hi), f(a.hi, b.lo), f(a.hi, b.hi)};
    return Iv{*std::min_element(v, v + 4), *std::max_element(v, v + 4)};
}

Iv remainderRange(Iv a, Iv b) {
    const long m = maxAbs(b);
    return Iv{a.lo < 0 ? std::max(a.lo, -(m - 1)) : 0, a.hi > 0 ? std::min(a.hi, m - 1) : 0};
}

Factor intLit(long v) {
    return literal(Ty::Int, std::to_string(v));
}

// (a - b) for two literals.
Factor difference(long a, long b) {
    return paren(exprOf(basicOf(termOf(intLit(a)), "-", termOf(intLit(b)))));
}

// ((0 - 32767) - 1): the one value no literal can spell.
Factor smallestInt() {
    return paren(exprOf(basicOf(termOf(difference(0, kMaxInt)), "-", termOf(intLit(1)))));
}

template <class Part>
void prepend(std::vector<Part>& parts, std::vector<std::string>& ops, Part part,
             const std::string& op) {
    parts.insert(parts.begin(), std::move(part));
    ops.insert(ops.begin(), op);
}

}  // namespace

int operandBudget(Rng& rng) {
    const long r = rng.between(0, 99);
    if (r < 30) return 1;
    if (r < 65) return static_cast<int>(rng.between(2, 4));
    if (r < 90) return static_cast<int>(rng.between(5, 12));
    if (r < 98) return static_cast<int>(rng.between(13, 30));
    return static_cast<int>(rng.between(31, 44));
}

Expr ExprGen::constantExpr(long v) {
    if (v >= 0) return exprOf(intLit(v));
    return exprOf(basicOf(termOf(intLit(0)), "-", termOf(intLit(-v))));
}

Expr ExprGen::intExpr(long bound, int operands) {
    budget_ = operands;
    comparing_ = false;
    IntBasic b = intBasic(0);
    if (!within(b.iv, bound)) return fitInto(b, bound);
    last_ = b.iv;
    return exprOf(std::move(b.b));
}

// Brings a value into [-bound, bound] with a remainder, or now and then with a quotient.
Expr ExprGen::fitInto(const IntBasic& b, long bound) {
    Factor whole = paren(exprOf(b.b));
    const long d = (maxAbs(b.iv) + bound - 1) / bound;
    Iv q = corners(b.iv, Iv{d, d}, [](long x, long y) { return x / y; });
    if (d >= 2 && within(q, bound) && rng_.chance(30)) {
        last_ = q;
        return exprOf(basicOf(termOf(std::move(whole), "/", intLit(d))));
    }
    const long m = std::min(bound + 1, kMaxInt);
    last_ = remainderRange(b.iv, Iv{m, m});
    return exprOf(basicOf(termOf(std::move(whole), "%", intLit(m))));
}

// The failing part is wrapped in "% (bound + 1)": when it does not fail, the value still
// fits the variable it is assigned to.
Expr ExprGen::riskyIntExpr(long bound, int operands) {
    budget_ = operands;
    comparing_ = false;
    Expr inner = riskyCore();
    const long m = std::min(bound + 1, kMaxInt);
    last_ = Iv{-(m - 1), m - 1};
    return exprOf(basicOf(termOf(paren(std::move(inner)), "%", intLit(m))));
}

Expr ExprGen::riskyCore() {
    const std::string divide = rng_.chance(50) ? "/" : "%";
    switch (rng_.between(0, 5)) {
        case 0: {  // E - (32767 + k) or E + (32767 + k): always overflows
            Basic b = basicOf(intTerm(0).t);
            b.ops = {rng_.chance(50) ? "+" : "-", "+"};
            b.terms.push_back(termOf(intLit(kMaxInt)));
            b.terms.push_back(termOf(intLit(rng_.between(1, 9))));
            return exprOf(std::move(b));
        }
        case 1:  // overflows once the value is large enough
            return exprOf(basicOf(termOf(intLeaf().f, "*", intLit(rng_.between(100, kMaxInt)))));
        case 2:  // divides by zero when a name holds one particular value
            if (scope_.ints.empty()) break;
            return exprOf(basicOf(termOf(intLeaf().f, divide, zeroSometimes())));
        case 3: {  // operators picked without regard to ranges
            unchecked_ = true;
            Expr e = exprOf(intBasic(0).b);
            unchecked_ = false;
            return e;
        }
        case 4:  // -32768 - k
            return exprOf(basicOf(termOf(smallestInt()), "-", termOf(intLit(rng_.between(1, 5)))));
        default:
            break;
    }
    return exprOf(basicOf(termOf(intLeaf().f, divide, intLit(0))));
}

// (n - c) for a name n and a value c that n may hold.
Factor ExprGen::zeroSometimes() {
    const Scope::IntName& n = rng_.pick(scope_.ints);
    const long c = rng_.between(std::max(0L, n.range.lo), std::max(0L, n.range.hi));
    return paren(exprOf(basicOf(termOf(nameFactor(Ty::Int, n.name)), "-", termOf(intLit(c)))));
}

Expr ExprGen::boolExpr(int operands) {
    budget_ = operands;
    comparing_ = false;
    return boolExprAt(0);
}

int ExprGen::chainLength() {
    int n = 1;
    while (n < 4 && budget_ > n && rng_.chance(35)) ++n;
    return n;
}

ExprGen::IntPart ExprGen::intLiteral(long lo, long hi) {
    --budget_;
    const long v = rng_.between(lo, hi);
    std::string spelling = std::to_string(v);
    if (rng_.chance(4)) spelling.insert(0, static_cast<size_t>(rng_.between(1, 3)), '0');
    return IntPart{literal(Ty::Int, spelling), Iv{v, v}};
}

ExprGen::IntPart ExprGen::intLeaf() {
    if (comparing_ && rng_.chance(20)) return edgeValue();
    if (!scope_.ints.empty() && rng_.chance(60)) {
        --budget_;
        const Scope::IntName& n = rng_.pick(scope_.ints);
        return IntPart{nameFactor(Ty::Int, n.name), n.range};
    }
    const long r = rng_.between(0, 99);
    if (r < 50) return intLiteral(0, 9);
    if (r < 75) return intLiteral(10, 100);
    if (r < 90) return intLiteral(100, 1000);
    if (r < 97) return intLiteral(1000, kMaxInt);
    return intLiteral(kMaxInt, kMaxInt);
}

// Operands at the ends of the range, where comparisons and division have their corner cases.
ExprGen::IntPart ExprGen::edgeValue() {
    budget_ -= 3;
    switch (rng_.between(0, 7)) {
        case 0:
            return IntPart{intLit(kMaxInt), Iv{kMaxInt, kMaxInt}};
        case 1:
            return IntPart{difference(0, kMaxInt), Iv{-kMaxInt, -kMaxInt}};
        case 2:
            return IntPart{difference(0, 1), Iv{-1, -1}};
        case 3:
            return IntPart{smallestInt(), Iv{kMinInt, kMinInt}};
        case 4:
            return IntPart{paren(exprOf(basicOf(termOf(smallestInt(), "/", difference(0, 1))))),
                           Iv{kMinInt, kMinInt}};
        case 5:
            return IntPart{paren(exprOf(basicOf(termOf(smallestInt(), "%", difference(0, 1))))),
                           Iv{0, 0}};
        case 6:
            return IntPart{
                paren(exprOf(basicOf(termOf(intLit(16384)), "+", termOf(intLit(16383))))),
                Iv{kMaxInt, kMaxInt}};
        default:
            return IntPart{intLit(0), Iv{0, 0}};
    }
}

ExprGen::IntPart ExprGen::intFactor(int nest) {
    if (budget_ >= 3 && nest < kMaxNest && rng_.chance(18)) {
        IntBasic b = intBasic(nest + 1);
        return IntPart{paren(exprOf(std::move(b.b))), b.iv};
    }
    if (rng_.chance(3)) return edgeValue();
    if (rng_.chance(1)) {  // parentheses nested deeply around one operand
        IntPart p = intLeaf();
        for (long k = rng_.between(5, 40); k > 0; --k) p.f = paren(exprOf(std::move(p.f)));
        return p;
    }
    return intLeaf();
}

// A product chain; its last factor is often a small positive literal so that division and
// remainder find a divisor that cannot be zero.
ExprGen::IntTerm ExprGen::intTerm(int nest) {
    const int n = chainLength();
    IntPart last =
        (n > 1 && rng_.chance(45)) ? intLiteral(1, rng_.chance(50) ? 9 : 100) : intFactor(nest);
    IntTerm t{termOf(std::move(last.f)), last.iv};
    std::vector<std::string> ops = {"*", "/", "%"};
    for (int k = 1; k < n; ++k) {
        IntPart left = intFactor(nest);
        rng_.shuffle(ops);
        Iv r;
        auto op = std::find_if(ops.begin(), ops.end(),
                               [&](const std::string& o) { return combine(o, left.iv, t.iv, r); });
        std::string chosen = op == ops.end() ? "*" : *op;
        if (op == ops.end()) {
            const long m = maxAbs(t.iv);
            left = intLiteral(0, m == 0 ? 9 : std::min(9L, kMaxInt / m));
            combine("*", left.iv, t.iv, r);
        }
        prepend(t.t.factors, t.t.ops, std::move(left.f), chosen);
        t.iv = r;
    }
    t.t.ty = Ty::Int;
    return t;
}

ExprGen::IntBasic ExprGen::intBasic(int nest) {
    const int n = chainLength();
    IntTerm last = intTerm(nest);
    IntBasic b{basicOf(std::move(last.t)), last.iv};
    std::vector<std::string> ops = {"+", "-"};
    for (int k = 1; k < n; ++k) {
        IntTerm left = intTerm(nest);
        rng_.shuffle(ops);
        Iv r;
        std::string chosen;
        for (const std::string& o : ops) {
            if (chosen.empty() && combine(o, left.iv, b.iv, r)) chosen = o;
        }
        if (chosen.empty()) {
            left = shrink(left, b.iv);
            chosen = "+";
            combine(chosen, left.iv, b.iv, r);
        }
        prepend(b.b.terms, b.b.ops, std::move(left.t), chosen);
        b.iv = r;
    }
    b.b.ty = Ty::Int;
    return b;
}

// A term small enough to be added to a value of range `room` without overflow.
ExprGen::IntTerm ExprGen::shrink(const IntTerm& t, Iv room) {
    const long k = kMaxInt - maxAbs(room) + 1;
    if (k < 2) return IntTerm{termOf(intLit(0)), Iv{0, 0}};
    Iv r = remainderRange(t.iv, Iv{k, k});
    return IntTerm{termOf(paren(exprOf(basicOf(t.t))), "%", intLit(k)), r};
}

bool ExprGen::combine(const std::string& op, Iv a, Iv b, Iv& out) const {
    if (unchecked_) {
        out = Iv{kMinInt, kMaxInt};
        return true;
    }
    if (op == "+") {
        out = Iv{a.lo + b.lo, a.hi + b.hi};
    } else if (op == "-") {
        out = Iv{a.lo - b.hi, a.hi - b.lo};
    } else if (op == "*") {
        out = corners(a, b, [](long x, long y) { return x * y; });
    } else if (holdsZero(b) || (op == "/" && a.lo == kMinInt && b.lo <= -1 && b.hi >= -1)) {
        return false;
    } else if (op == "/") {
        out = corners(a, b, [](long x, long y) { return x / y; });
    } else {
        out = remainderRange(a, b);
    }
    return fits(out);
}

Factor ExprGen::boolFactor(int nest) {
    const bool deep = budget_ < 2 || nest >= kMaxNest;
    const long r = rng_.between(0, deep ? 56 : 99);
    if (r < 15 || (r < 45 && scope_.bools.empty())) {
        --budget_;
        return literal(Ty::Bool, rng_.chance(50) ? "true" : "false");
    }
    if (r < 45) {
        --budget_;
        return nameFactor(Ty::Bool, rng_.pick(scope_.bools));
    }
    if (r < 57) return negation(boolFactor(nest + 1));
    if (r < 80) return paren(relationExpr(nest + 1));
    return paren(boolExprAt(nest + 1));
}

Term ExprGen::boolTerm(int nest) {
    const int n = chainLength();
    Term t = termOf(boolFactor(nest));
    for (int k = 1; k < n; ++k) {
        t.ops.push_back("&&");
        t.factors.push_back(boolFactor(nest));
    }
    return t;
}

Basic ExprGen::boolBasic(int nest) {
    const int n = chainLength();
    Basic b = basicOf(boolTerm(nest));
    for (int k = 1; k < n; ++k) {
        b.ops.push_back("||");
        b.terms.push_back(boolTerm(nest));
    }
    return b;
}

Expr ExprGen::relationExpr(int nest) {
    const std::string& rel = rng_.pick(kRelations);
    if (rng_.chance(20)) {
        Basic left = boolBasic(nest);
        return relation(std::move(left), rel, boolBasic(nest));
    }
    const bool saved = comparing_;
    comparing_ = true;
    IntBasic left = intBasic(nest);
    IntBasic right = intBasic(nest);
    comparing_ = saved;
    return relation(std::move(left.b), rel, std::move(right.b));
}

Expr ExprGen::boolExprAt(int nest) {
    if (rng_.chance(45)) return relationExpr(nest);
    return exprOf(boolBasic(nest));
}

}  // namespace lumogen
