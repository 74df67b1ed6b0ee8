// Program generator: declarations first, then statements drawn one by one with a running
// account of which names surely hold a value, which counters enclosing loops own, how many
// times the current statement may run and how many numbers the program may read.
#include "gen_program.hpp"

#include <algorithm>
#include <cstdlib>
#include <set>

#include "gen_expr.hpp"

namespace lumogen {

namespace {

using Defined = std::vector<bool>;

constexpr long kLoopProduct = 4000;  // most runs of one statement nested in loops
constexpr long kInputCap = 20000;    // most numbers a program may read
constexpr long kCounterBound = 40;   // counters need room for their limit and one step
constexpr int kMaxDepth = 5;

const std::set<std::string> kKeywords = {"const", "bool", "string", "int",  "if",   "else",
                                         "while", "cin",  "cout",   "true", "false"};

const std::vector<std::string> kLookalikes = {
    "True",  "False",    "IF",       "If",     "Int",  "INT",           "Cin",  "COUT",
    "While", "Else",     "Const",    "String", "Bool", "tRUE",          "cOut", "A",
    "B",     "SP",       "L0",       "L1",     "PC",   "MOVE",          "HALT", "ORG",
    "main",  "putdword", "getdword", "sym_x",  "DC",   "Ldividebyzero", "USE"};

const std::vector<std::string> kWords = {"count", "total", "tmp",   "flag", "value", "sum",
                                         "idx",   "n",     "limit", "acc",  "p",     "q"};

long boundChoice(Rng& rng) {
    static const std::vector<long> bounds = {3, 9, 30, 100, 1000, 10000, kMaxInt};
    return rng.pick(bounds);
}

class ProgramGen {
  public:
    ProgramGen(Rng& rng, int size, bool toRun, const Avoid& avoid);
    GeneratedProgram run();

  private:
    void declare();
    void addVar(Ty ty, bool isConst, long bound);
    std::string initialiser(VarInfo& var);
    Scope scopeFor(const Defined& defined) const;
    std::vector<size_t> candidates(Ty ty, bool needUnreserved, long minBound) const;
    long bodyCount();
    // Statements outside loops run once each and always fit; inside loops they use up the
    // budget of statement runs.
    bool roomForMore() const {
        return staticLeft_ > 0 && (multiplier_ == 1 || dynamicLeft_ >= multiplier_);
    }
    std::vector<Stmt> block(long count, Defined& defined);
    void statement(std::vector<Stmt>& out, Defined& defined);
    void assignment(std::vector<Stmt>& out, Defined& defined);
    void ifStatement(std::vector<Stmt>& out, Defined& defined);
    bool whileLoop(std::vector<Stmt>& out, Defined& defined);
    struct Limit {
        Basic expr;
        Iv range;
        bool isLiteral = false;
    };
    struct LoopPlan {
        size_t counter = 0;
        Limit limit;
        std::string rel;
        bool up = true;
        long step = 1;
        long start = 0;
        long runs = 0;
    };
    bool planLoop(const Defined& defined, LoopPlan& plan);
    Limit loopLimit(size_t counter, const Defined& defined);
    Expr loopCondition(const std::string& counter, const Limit& limit, const std::string& rel,
                       const Defined& defined);
    Expr counterRelation(const std::string& counter, const Limit& limit, const std::string& rel);
    Stmt increment(const std::string& counter, bool up, long step);
    bool input(std::vector<Stmt>& out, Defined& defined);
    void output(std::vector<Stmt>& out, const Defined& defined);
    std::string inputText();

    Rng& rng_;
    const Avoid& avoid_;
    bool toRun_;
    GeneratedProgram result_;
    std::vector<VarInfo>& vars_;
    std::vector<bool> reserved_;  // counters owned by enclosing loops
    long staticLeft_;
    long dynamicLeft_;
    long multiplier_ = 1;  // how often the statement being written may run
    long inputNeeded_ = 0;
    int depth_ = 0;
    long riskyAt_ = -1;
    long ordinal_ = 0;
    long inputRange_ = 9;
    bool highBytes_ = false;
};

ProgramGen::ProgramGen(Rng& rng, int size, bool toRun, const Avoid& avoid)
    : rng_(rng),
      avoid_(avoid),
      toRun_(toRun),
      vars_(result_.vars),
      staticLeft_(std::max(size, 0)),
      dynamicLeft_(std::clamp(30L * size, 3000L, 150000L)) {
    if (toRun_ && rng_.chance(15)) riskyAt_ = rng_.between(0, std::max(size - 1, 0));
    static const std::vector<long> ranges = {9, 9, 99, 99, 999, kMaxInt};
    inputRange_ = rng_.pick(ranges);
    highBytes_ = rng_.chance(5);
}

// A program of no statements sometimes declares nothing either: "{}" alone.
GeneratedProgram ProgramGen::run() {
    if (staticLeft_ == 0 && toRun_ && rng_.chance(50)) return std::move(result_);
    declare();
    Defined defined(vars_.size(), false);
    for (size_t i = 0; i < vars_.size(); ++i) defined[i] = !result_.program.decls[i].init.empty();
    while (roomForMore()) {
        statement(result_.program.body, defined);
    }
    result_.input = inputText();
    return std::move(result_);
}

void ProgramGen::declare() {
    const long size = staticLeft_;
    const long ints = rng_.between(3, 6) + std::min(size / 100, 30L);
    for (long i = 0; i < ints; ++i) {
        const long bound = i < 3 ? std::max(inputRange_, 100L) : boundChoice(rng_);
        addVar(Ty::Int, false, bound);
    }
    const long bools = rng_.between(1, 3) + std::min(size / 200, 12L);
    for (long i = 0; i < bools; ++i) addVar(Ty::Bool, false, 0);
    for (long i = rng_.between(0, 3); i > 0; --i) addVar(Ty::Int, true, 0);
    for (long i = rng_.between(0, 2); i > 0; --i) addVar(Ty::Bool, true, 0);
    for (long i = rng_.between(1, 4); i > 0; --i) addVar(Ty::Str, true, 0);
    // Shuffle declarations and their records together.
    std::vector<size_t> order(vars_.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    rng_.shuffle(order);
    std::vector<VarInfo> vars;
    std::vector<Decl> decls;
    for (size_t i : order) {
        vars.push_back(vars_[i]);
        decls.push_back(result_.program.decls[i]);
    }
    vars_ = std::move(vars);
    result_.program.decls = std::move(decls);
    reserved_.assign(vars_.size(), false);
}

void ProgramGen::addVar(Ty ty, bool isConst, long bound) {
    std::vector<std::string> taken;
    for (const VarInfo& v : vars_) taken.push_back(v.name);
    VarInfo var{freshName(rng_, taken), ty, isConst, bound, 0};
    const bool init = isConst || rng_.chance(50);
    Decl decl{isConst, ty, var.name, init ? initialiser(var) : ""};
    vars_.push_back(var);
    result_.program.decls.push_back(decl);
}

// The literal of a declaration; the first string constant is a separator for the output.
std::string ProgramGen::initialiser(VarInfo& var) {
    if (var.ty == Ty::Int) {
        var.value = var.isConst && rng_.chance(30) ? rng_.between(0, kMaxInt) : rng_.between(0, 20);
        if (var.isConst) var.bound = var.value;
        var.value = std::min(var.value, var.bound);
        return (rng_.chance(5) ? "00" : "") + std::to_string(var.value);
    }
    if (var.ty == Ty::Bool) {
        var.value = rng_.chance(50) ? -1 : 0;
        return var.value != 0 ? "true" : "false";
    }
    static const std::vector<std::string> separators = {" ", "\\n", ", ", "\n", "\t", " | ", ""};
    const bool first =
        std::none_of(vars_.begin(), vars_.end(), [](const VarInfo& v) { return v.ty == Ty::Str; });
    std::string text = first ? rng_.pick(separators) : stringContent(rng_, highBytes_, avoid_);
    if (avoid_.newlines && text == "\n") text = " ";
    return "\"" + text + "\"";
}

Scope ProgramGen::scopeFor(const Defined& defined) const {
    Scope scope;
    for (size_t i = 0; i < vars_.size(); ++i) {
        const VarInfo& v = vars_[i];
        if (!v.isConst && !defined[i]) continue;
        if (v.ty == Ty::Int) {
            Iv range = v.isConst ? Iv{v.value, v.value} : Iv{-v.bound, v.bound};
            scope.ints.push_back(Scope::IntName{v.name, range});
        } else if (v.ty == Ty::Bool) {
            scope.bools.push_back(v.name);
        }
    }
    return scope;
}

// Variables of a type that a statement may write (constants and owned counters excluded).
std::vector<size_t> ProgramGen::candidates(Ty ty, bool needUnreserved, long minBound) const {
    std::vector<size_t> out;
    for (size_t i = 0; i < vars_.size(); ++i) {
        const VarInfo& v = vars_[i];
        if (v.ty != ty || v.isConst || (needUnreserved && reserved_[i])) continue;
        if (ty == Ty::Int && v.bound < minBound) continue;
        out.push_back(i);
    }
    return out;
}

long ProgramGen::bodyCount() {
    const long r = rng_.between(0, 99);
    long n = r < 10   ? 0
             : r < 70 ? rng_.between(1, 3)
             : r < 95 ? rng_.between(4, 8)
                      : rng_.between(9, 25);
    return std::min(n, staticLeft_);
}

std::vector<Stmt> ProgramGen::block(long count, Defined& defined) {
    std::vector<Stmt> out;
    ++depth_;
    for (long i = 0; i < count && roomForMore(); ++i) {
        statement(out, defined);
    }
    --depth_;
    return out;
}

void ProgramGen::statement(std::vector<Stmt>& out, Defined& defined) {
    --staticLeft_;
    dynamicLeft_ -= multiplier_;
    ++ordinal_;
    const bool compound = depth_ < kMaxDepth;
    const long r = rng_.between(0, 99);
    if (r < 38) {
        assignment(out, defined);
    } else if (r < 58) {
        output(out, defined);
    } else if (r < 74 && compound) {
        ifStatement(out, defined);
    } else if (r < 86 && compound) {
        if (!whileLoop(out, defined)) ifStatement(out, defined);
    } else if (!input(out, defined)) {
        assignment(out, defined);
    }
}

void ProgramGen::assignment(std::vector<Stmt>& out, Defined& defined) {
    const Ty first = rng_.chance(70) ? Ty::Int : Ty::Bool;
    std::vector<size_t> targets = candidates(first, true, 0);
    if (targets.empty()) targets = candidates(first == Ty::Int ? Ty::Bool : Ty::Int, true, 0);
    if (targets.empty()) return output(out, defined);
    std::vector<size_t> unset;
    for (size_t i : targets) {
        if (!defined[i]) unset.push_back(i);
    }
    const size_t t = !unset.empty() && rng_.chance(50) ? rng_.pick(unset) : rng_.pick(targets);
    const VarInfo& v = vars_[t];
    Scope scope = scopeFor(defined);
    ExprGen gen(rng_, scope);
    Stmt s;
    s.kind = Stmt::Kind::Assign;
    s.name = v.name;
    if (v.ty == Ty::Bool) {
        s.expr = gen.boolExpr(operandBudget(rng_));
    } else if (riskyAt_ >= 0 && ordinal_ >= riskyAt_) {
        s.expr = gen.riskyIntExpr(v.bound, operandBudget(rng_));
        riskyAt_ = -1;
    } else {
        s.expr = gen.intExpr(v.bound, operandBudget(rng_));
    }
    defined[t] = true;
    out.push_back(std::move(s));
}

void ProgramGen::ifStatement(std::vector<Stmt>& out, Defined& defined) {
    Scope scope = scopeFor(defined);
    ExprGen gen(rng_, scope);
    Stmt s;
    s.kind = Stmt::Kind::If;
    s.expr = gen.boolExpr(operandBudget(rng_));
    Defined thenSet = defined;
    Defined elseSet = defined;
    s.body = block(bodyCount(), thenSet);
    if (rng_.chance(50)) {
        s.hasElse = true;
        s.elseBody = block(bodyCount(), elseSet);
    }
    for (size_t i = 0; i < defined.size(); ++i) defined[i] = thenSet[i] && elseSet[i];
    out.push_back(std::move(s));
}

// A counting loop: the counter gets its start value just before the loop, the condition
// compares it with a limit of known range, and the body moves it one step towards the limit
// and never writes it otherwise. The loop therefore ends after a number of runs known here.
bool ProgramGen::whileLoop(std::vector<Stmt>& out, Defined& defined) {
    LoopPlan plan;
    if (!planLoop(defined, plan)) return false;
    const std::string& name = vars_[plan.counter].name;
    Stmt init;
    init.name = name;
    init.expr = ExprGen::constantExpr(plan.start);
    out.push_back(std::move(init));
    defined[plan.counter] = true;
    Stmt loop;
    loop.kind = Stmt::Kind::While;
    loop.expr = loopCondition(name, plan.limit, plan.rel, defined);
    dynamicLeft_ -= multiplier_ * (plan.runs + 1);
    const long saved = multiplier_;
    multiplier_ *= std::max(plan.runs, 1L);
    reserved_[plan.counter] = true;
    Defined inner = defined;
    loop.body = block(bodyCount(), inner);
    const size_t at = rng_.chance(80) ? loop.body.size() : 0;
    loop.body.insert(loop.body.begin() + static_cast<long>(at),
                     increment(name, plan.up, plan.step));
    reserved_[plan.counter] = false;
    multiplier_ = saved;
    out.push_back(std::move(loop));
    return true;
}

// Draws a loop and works out how often it runs; false when no counter is free or the loop
// would run too often or push its counter out of the counter's range.
bool ProgramGen::planLoop(const Defined& defined, LoopPlan& plan) {
    const std::vector<size_t> counters = candidates(Ty::Int, true, kCounterBound);
    if (counters.empty()) return false;
    plan.counter = rng_.pick(counters);
    plan.limit = loopLimit(plan.counter, defined);
    plan.up = rng_.chance(60);
    const bool strict = rng_.chance(65);
    plan.step = rng_.chance(70) ? 1 : rng_.between(2, 3);
    plan.start = plan.up ? rng_.between(-5, 10) : rng_.between(-5, 25);
    const long room = plan.up ? plan.limit.range.hi - plan.start : plan.start - plan.limit.range.lo;
    const long step = plan.step;
    plan.runs =
        strict ? (room > 0 ? (room + step - 1) / step : 0) : (room >= 0 ? room / step + 1 : 0);
    plan.rel = plan.up ? (strict ? "<" : "<=") : (strict ? ">" : ">=");
    if (plan.up && step == 1 && plan.limit.isLiteral && room >= 0 && rng_.chance(15)) {
        plan.rel = "!=";  // safe only because the counter meets the literal exactly
        plan.runs = room;
    }
    const long last = plan.start + (plan.up ? 1 : -1) * plan.runs * step;
    return std::max(std::labs(plan.start), std::labs(last)) <= vars_[plan.counter].bound &&
           multiplier_ * std::max(plan.runs, 1L) <= kLoopProduct &&
           dynamicLeft_ >= multiplier_ * (plan.runs + 1) * 3;
}

ProgramGen::Limit ProgramGen::loopLimit(size_t counter, const Defined& defined) {
    const long r = rng_.between(0, 99);
    std::vector<size_t> names;
    for (size_t i = 0; i < vars_.size(); ++i) {
        const VarInfo& v = vars_[i];
        if (v.ty != Ty::Int || i == counter) continue;
        const bool smallConst = v.isConst && v.value <= 30 && r < 20;
        const bool smallVar = !v.isConst && defined[i] && v.bound <= 30 && r >= 20 && r < 40;
        if (smallConst || smallVar) names.push_back(i);
    }
    if (!names.empty()) {
        const VarInfo& v = vars_[rng_.pick(names)];
        Iv range = v.isConst ? Iv{v.value, v.value} : Iv{-v.bound, v.bound};
        return Limit{basicOf(termOf(nameFactor(Ty::Int, v.name))), range, false};
    }
    if (r >= 40 && r < 55) {
        Scope scope = scopeFor(defined);
        ExprGen gen(rng_, scope);
        Expr e = gen.intExpr(rng_.between(3, 25), static_cast<int>(rng_.between(1, 6)));
        return Limit{std::move(e.left), gen.lastRange(), false};
    }
    const long value = rng_.between(0, 25);
    return Limit{basicOf(termOf(literal(Ty::Int, std::to_string(value)))), Iv{value, value}, true};
}

// The comparison in one of its spellings, sometimes joined with an unrelated condition by
// && (which can only end the loop sooner) or with "|| false".
Expr ProgramGen::loopCondition(const std::string& counter, const Limit& limit,
                               const std::string& rel, const Defined& defined) {
    Expr base = counterRelation(counter, limit, rel);
    if (!rng_.chance(35)) return base;
    if (rng_.chance(25)) {
        return exprOf(
            basicOf(termOf(paren(std::move(base))), "||", termOf(literal(Ty::Bool, "false"))));
    }
    Scope scope = scopeFor(defined);
    ExprGen gen(rng_, scope);
    Factor extra = paren(gen.boolExpr(static_cast<int>(rng_.between(1, 6))));
    Factor mine = paren(std::move(base));
    if (rng_.chance(50)) std::swap(extra, mine);
    return exprOf(basicOf(termOf(std::move(mine), "&&", std::move(extra))));
}

// counter REL limit, limit REL' counter, or !(counter NOT-REL limit).
Expr ProgramGen::counterRelation(const std::string& counter, const Limit& limit,
                                 const std::string& rel) {
    using Pairs = std::vector<std::pair<std::string, std::string>>;
    static const Pairs flips = {{"<", ">"}, {"<=", ">="}, {">", "<"}, {">=", "<="}, {"!=", "!="}};
    static const Pairs negations = {
        {"<", ">="}, {"<=", ">"}, {">", "<="}, {">=", "<"}, {"!=", "=="}};
    auto lookup = [&rel](const Pairs& table) {
        return std::find_if(table.begin(), table.end(),
                            [&rel](const auto& p) { return p.first == rel; })
            ->second;
    };
    Basic c = basicOf(termOf(nameFactor(Ty::Int, counter)));
    switch (rng_.between(0, 2)) {
        case 0:
            return relation(c, rel, limit.expr);
        case 1:
            return relation(limit.expr, lookup(flips), c);
        default:
            return exprOf(negation(paren(relation(c, lookup(negations), limit.expr))));
    }
}

Stmt ProgramGen::increment(const std::string& counter, bool up, long step) {
    Term c = termOf(nameFactor(Ty::Int, counter));
    Term k = termOf(literal(Ty::Int, std::to_string(step)));
    Term minusK = termOf(paren(ExprGen::constantExpr(-step)));
    Stmt s;
    s.name = counter;
    switch (rng_.between(0, 2)) {
        case 0:
            s.expr = exprOf(basicOf(c, up ? "+" : "-", k));
            break;
        case 1:
            s.expr = exprOf(basicOf(up ? k : minusK, "+", c));
            break;
        default:
            s.expr = exprOf(basicOf(c, up ? "-" : "+", minusK));
            break;
    }
    return s;
}

bool ProgramGen::input(std::vector<Stmt>& out, Defined& defined) {
    const std::vector<size_t> targets = candidates(Ty::Int, true, inputRange_);
    if (targets.empty() || inputNeeded_ + multiplier_ > kInputCap) return false;
    const size_t t = rng_.pick(targets);
    Stmt s;
    s.kind = Stmt::Kind::Cin;
    s.name = vars_[t].name;
    defined[t] = true;
    inputNeeded_ += multiplier_;
    out.push_back(std::move(s));
    return true;
}

void ProgramGen::output(std::vector<Stmt>& out, const Defined& defined) {
    std::vector<std::string> strings;
    std::vector<std::string> ints;
    for (size_t i = 0; i < vars_.size(); ++i) {
        const VarInfo& v = vars_[i];
        if (v.ty == Ty::Str) strings.push_back(v.name);
        if (v.ty == Ty::Int && (v.isConst || defined[i])) ints.push_back(v.name);
    }
    Stmt s;
    s.kind = Stmt::Kind::Cout;
    const bool text = !strings.empty() && (ints.empty() || rng_.chance(40));
    s.name = text ? rng_.pick(strings) : rng_.pick(ints);
    out.push_back(std::move(s));
}

// The numbers the program reads, more than it can ask for, spread over lines and tabs.
std::string ProgramGen::inputText() {
    static const std::vector<std::string> gaps = {" ", " ", " ", "\n", "\n", "\t", "  \n"};
    std::string text;
    const long count = inputNeeded_ + rng_.between(0, 3);
    const long small = std::min(inputRange_, 20L);
    for (long i = 0; i < count; ++i) {
        const long r = rng_.between(0, 99);
        long v = r < 10   ? 0
                 : r < 20 ? (rng_.chance(50) ? inputRange_ : -inputRange_)
                 : r < 80 ? rng_.between(-small, small)
                          : rng_.between(-inputRange_, inputRange_);
        text += std::to_string(v);
        text += i + 1 < count ? rng_.pick(gaps) : "\n";
    }
    return text;
}

}  // namespace

GeneratedProgram generateProgram(Rng& rng, int size, bool toRun, const Avoid& avoid) {
    return ProgramGen(rng, size, toRun, avoid).run();
}

std::string freshName(Rng& rng, const std::vector<std::string>& taken) {
    static const std::string letters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    static const std::string tail = letters + "0123456789_";
    for (;;) {
        std::string name;
        const long r = rng.between(0, 99);
        if (r < 40) {
            name = std::string(1, letters[rng.index(26)]);
            if (rng.chance(50)) name += letters[rng.index(26)];
            if (rng.chance(30)) name += std::to_string(rng.between(0, 99));
        } else if (r < 65) {
            name =
                rng.pick(kWords) + (rng.chance(50) ? "_" + std::to_string(rng.between(0, 9)) : "");
        } else if (r < 80) {
            name = rng.pick(kLookalikes);
        } else {
            name = std::string(1, letters[rng.index(letters.size())]);
            const long length = r < 95   ? rng.between(2, 12)
                                : r < 99 ? rng.between(30, 90)
                                         : rng.between(200, 1500);
            for (long i = 0; i < length; ++i) name += tail[rng.index(tail.size())];
        }
        if (kKeywords.count(name) == 0 &&
            std::find(taken.begin(), taken.end(), name) == taken.end()) {
            return name;
        }
    }
}

std::string stringContent(Rng& rng, bool highBytes, const Avoid& avoid) {
    std::string text;
    for (long n = rng.chance(3) ? rng.between(200, 2000) : rng.between(0, 24); n > 0; --n) {
        const long r = rng.between(0, 99);
        if (r < 55) {
            char c = static_cast<char>(rng.between(0x20, 0x7E));
            if (c == '\'' && avoid.quotes) c = '`';
            text += c == '"' ? '!' : c;
        } else if (r < 63) {
            text += avoid.quotes ? '`' : '\'';
        } else if (r < 69) {
            text += '\t';
        } else if (r < 75) {
            text += avoid.newlines ? ' ' : '\n';
        } else if (r < 83) {
            text += "\\n";
        } else if (r < 86) {
            text += '\\';
        } else if (r < 89) {
            text += "//";
        } else if (r < 92) {
            text += "\\t";
        } else if (r < 95 || !highBytes) {
            text += ' ';
        } else {
            const char c = static_cast<char>(rng.between(0x80, 0xFF));
            text += avoid.highBytes ? '~' : c;
        }
    }
    return text;
}

}  // namespace lumogen
