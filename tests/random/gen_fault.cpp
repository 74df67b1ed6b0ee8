// Fault planting, model half: static semantic and type errors. Every change leaves the rest
// of the program correct, and changes only one construct whose own check fails first: a
// chain's operand or operator, a relation's operand, a statement's target or condition, or
// one declaration.
#include "gen_fault.hpp"

#include <algorithm>
#include <cctype>
#include <functional>
#include <set>

namespace lumogen {

namespace {

using Kind = Stmt::Kind;

const std::vector<std::string> kRelations = {"==", "!=", ">", "<", ">=", "<="};

// Pointers to the places of a program where a fault can go. Only chain operands count as
// factors: the operand of a "!" is checked by the "!" itself.
struct Sites {
    std::vector<Stmt*> stmts;
    std::vector<Expr*> exprs;
    std::vector<Basic*> basics;
    std::vector<Term*> terms;
    std::vector<Factor*> operands;
};

void collectExpr(Expr& e, Sites& s);

void collectFactor(Factor& f, bool operand, Sites& s) {
    if (operand) s.operands.push_back(&f);
    if (f.form == Factor::Form::Paren) collectExpr(*f.sub, s);
    if (f.form == Factor::Form::Not) collectFactor(*f.inner, false, s);
}

void collectBasic(Basic& b, Sites& s) {
    s.basics.push_back(&b);
    for (Term& t : b.terms) {
        s.terms.push_back(&t);
        for (Factor& f : t.factors) collectFactor(f, true, s);
    }
}

void collectExpr(Expr& e, Sites& s) {
    s.exprs.push_back(&e);
    collectBasic(e.left, s);
    if (!e.rel.empty()) collectBasic(e.right, s);
}

void collectStmts(std::vector<Stmt>& body, Sites& s) {
    for (Stmt& st : body) {
        s.stmts.push_back(&st);
        if (st.kind == Kind::Assign || st.kind == Kind::If || st.kind == Kind::While) {
            collectExpr(st.expr, s);
        }
        collectStmts(st.body, s);
        collectStmts(st.elseBody, s);
    }
}

const char* typeName(Ty ty) {
    switch (ty) {
        case Ty::Bool:
            return "bool";
        case Ty::Str:
            return "string";
        case Ty::Int:
            return "int";
        default:
            return "no";
    }
}

Factor emptyFactor() {
    Factor f;
    f.form = Factor::Form::Empty;
    f.ty = Ty::None;
    return f;
}

class ModelFaults {
  public:
    ModelFaults(GeneratedProgram& gen, Rng& rng, const Avoid& avoid)
        : gen_(gen), rng_(rng), avoid_(avoid) {
        collectStmts(gen_.program.body, sites_);
    }
    bool plant(FaultKind kind, Planted& p);

  private:
    using Variant = bool (ModelFaults::*)(Planted&);

    std::vector<std::string> names(Ty ty, int constness) const;
    Ty typeOf(const std::string& name) const;
    Factor simpleFactor(Ty ty);
    Ty otherType(Ty ty);
    std::vector<Stmt*> stmts(std::function<bool(const Stmt&)> keep) const;
    void insertStmt(Stmt s);
    void insertDecl(Decl d, size_t after);
    std::string unusedName();
    Expr stringRelation(std::string& rel);

    bool assignMismatch(Planted& p);
    bool conditionNotBool(Planted& p);
    bool relationMismatch(Planted& p);
    bool chainMismatch(Planted& p);
    bool leadingSign(Planted& p);
    bool chainOperator(Planted& p);
    bool swapOperator(std::string& op, bool additive, bool isInt, Planted& p);
    bool notOnNonBool(Planted& p);
    bool inputNonInt(Planted& p);
    bool outputBool(Planted& p);
    bool stringCompare(Planted& p);
    bool declMismatch(Planted& p);
    bool redeclare(Planted& p);
    bool undeclared(Planted& p);
    bool uninitialisedConst(Planted& p);
    bool stringVariable(Planted& p);
    bool inputConst(Planted& p);
    bool assignConst(Planted& p);

    GeneratedProgram& gen_;
    Rng& rng_;
    const Avoid& avoid_;
    Sites sites_;
};

bool ModelFaults::plant(FaultKind kind, Planted& p) {
    static const std::vector<Variant> typeFaults = {
        &ModelFaults::assignMismatch,   &ModelFaults::conditionNotBool,
        &ModelFaults::relationMismatch, &ModelFaults::chainMismatch,
        &ModelFaults::leadingSign,      &ModelFaults::chainOperator,
        &ModelFaults::notOnNonBool,     &ModelFaults::inputNonInt,
        &ModelFaults::outputBool,       &ModelFaults::stringCompare,
        &ModelFaults::declMismatch};
    static const std::vector<Variant> staticFaults = {
        &ModelFaults::redeclare,      &ModelFaults::undeclared, &ModelFaults::uninitialisedConst,
        &ModelFaults::stringVariable, &ModelFaults::inputConst, &ModelFaults::assignConst};
    std::vector<Variant> variants(kind == FaultKind::Type ? typeFaults : staticFaults);
    rng_.shuffle(variants);
    for (Variant v : variants) {
        if ((this->*v)(p)) return true;
    }
    return false;
}

// Declared names of a type; constness -1 for all, 0 for variables, 1 for constants.
std::vector<std::string> ModelFaults::names(Ty ty, int constness) const {
    std::vector<std::string> out;
    for (const VarInfo& v : gen_.vars) {
        if (v.ty == ty && (constness < 0 || v.isConst == (constness == 1))) out.push_back(v.name);
    }
    return out;
}

Ty ModelFaults::typeOf(const std::string& name) const {
    for (const VarInfo& v : gen_.vars) {
        if (v.name == name) return v.ty;
    }
    return Ty::None;
}

Factor ModelFaults::simpleFactor(Ty ty) {
    const std::vector<std::string> declared = names(ty, -1);
    if (!declared.empty() && rng_.chance(50)) return nameFactor(ty, rng_.pick(declared));
    switch (ty) {
        case Ty::Int:
            return literal(ty, std::to_string(rng_.between(0, 99)));
        case Ty::Bool:
            return literal(ty, rng_.chance(50) ? "true" : "false");
        default:
            return literal(ty, "\"" + stringContent(rng_, false, avoid_) + "\"");
    }
}

Ty ModelFaults::otherType(Ty ty) {
    const bool rare = rng_.chance(25);
    if (ty == Ty::Int) return rare ? Ty::Str : Ty::Bool;
    if (ty == Ty::Bool) return rare ? Ty::Str : Ty::Int;
    return rng_.chance(50) ? Ty::Int : Ty::Bool;
}

std::vector<Stmt*> ModelFaults::stmts(std::function<bool(const Stmt&)> keep) const {
    std::vector<Stmt*> out;
    for (Stmt* s : sites_.stmts) {
        if (keep(*s)) out.push_back(s);
    }
    return out;
}

// Adds a statement at the top level. Site pointers are stale afterwards, so this is always
// a variant's last step.
void ModelFaults::insertStmt(Stmt s) {
    std::vector<Stmt>& body = gen_.program.body;
    body.insert(body.begin() + static_cast<long>(rng_.index(body.size() + 1)), std::move(s));
}

void ModelFaults::insertDecl(Decl d, size_t after) {
    std::vector<Decl>& decls = gen_.program.decls;
    const size_t at =
        after + static_cast<size_t>(rng_.between(0, static_cast<long>(decls.size() - after)));
    gen_.vars.insert(gen_.vars.begin() + static_cast<long>(at),
                     VarInfo{d.name, d.ty, d.isConst, 0, 0});
    decls.insert(decls.begin() + static_cast<long>(at), std::move(d));
}

std::string ModelFaults::unusedName() {
    std::vector<std::string> taken;
    for (const VarInfo& v : gen_.vars) taken.push_back(v.name);
    return freshName(rng_, taken);
}

Expr ModelFaults::stringRelation(std::string& rel) {
    rel = rng_.pick(kRelations);
    Basic left = basicOf(termOf(simpleFactor(Ty::Str)));
    return relation(std::move(left), rel, basicOf(termOf(simpleFactor(Ty::Str))));
}

bool ModelFaults::assignMismatch(Planted& p) {
    std::vector<Stmt*> found = stmts([](const Stmt& s) { return s.kind == Kind::Assign; });
    if (found.empty()) return false;
    Stmt& s = *rng_.pick(found);
    const Ty target = typeOf(s.name);
    const Ty value = otherType(target);
    s.expr = exprOf(simpleFactor(value));
    if (value == Ty::Bool && rng_.chance(50)) {
        Basic left = basicOf(termOf(simpleFactor(Ty::Int)));
        s.expr = relation(std::move(left), rng_.pick(kRelations),
                          basicOf(termOf(simpleFactor(Ty::Int))));
    }
    p = Planted{201, std::string("assigns a ") + typeName(value) + " value to " + typeName(target) +
                         " variable " + s.name};
    return true;
}

bool ModelFaults::conditionNotBool(Planted& p) {
    std::vector<Stmt*> found =
        stmts([](const Stmt& s) { return s.kind == Kind::If || s.kind == Kind::While; });
    if (found.empty()) return false;
    Stmt& s = *rng_.pick(found);
    if (rng_.chance(70)) {
        s.expr = exprOf(basicOf(termOf(simpleFactor(Ty::Int)), rng_.chance(50) ? "+" : "-",
                                termOf(simpleFactor(Ty::Int))));
    } else {
        s.expr = exprOf(simpleFactor(rng_.chance(50) ? Ty::Int : Ty::Str));
    }
    const bool isIf = s.kind == Kind::If;
    p = Planted{isIf ? 202 : 203, std::string(isIf ? "if" : "while") + " condition is not bool"};
    return true;
}

bool ModelFaults::relationMismatch(Planted& p) {
    std::vector<Expr*> found;
    for (Expr* e : sites_.exprs) {
        if (!e->rel.empty()) found.push_back(e);
    }
    if (found.empty()) return false;
    Expr& e = *rng_.pick(found);
    const Ty other = otherType(e.ty);
    Basic odd = basicOf(termOf(simpleFactor(other)));
    (rng_.chance(50) ? e.left : e.right) = std::move(odd);
    p = Planted{204, std::string("relation ") + e.rel + " between " + typeName(e.ty) + " and " +
                         typeName(other)};
    return true;
}

bool ModelFaults::chainMismatch(Planted& p) {
    std::vector<Basic*> basics;
    std::vector<Term*> terms;
    for (Basic* b : sites_.basics) {
        if (b->terms.size() >= 2) basics.push_back(b);
    }
    for (Term* t : sites_.terms) {
        if (t->factors.size() >= 2) terms.push_back(t);
    }
    if (basics.empty() && terms.empty()) return false;
    if (terms.empty() || (!basics.empty() && rng_.chance(50))) {
        Basic& b = *rng_.pick(basics);
        b.terms[rng_.index(b.terms.size())] = termOf(simpleFactor(otherType(b.ty)));
        p = Planted{206, std::string("operand of another type in a ") + typeName(b.ty) + " sum"};
    } else {
        Term& t = *rng_.pick(terms);
        t.factors[rng_.index(t.factors.size())] = simpleFactor(otherType(t.ty));
        p = Planted{210,
                    std::string("operand of another type in a ") + typeName(t.ty) + " product"};
    }
    return true;
}

// A minus sign where an operand should be: the operand is missing, and the sum or product
// that meets the gap reports the mismatch.
bool ModelFaults::leadingSign(Planted& p) {
    std::vector<Basic*> sums;
    std::vector<Basic*> longSums;
    for (Basic* b : sites_.basics) {
        if (b->ty != Ty::Int) continue;
        sums.push_back(b);
        if (b->terms.size() >= 2) longSums.push_back(b);
    }
    if (sums.empty()) return false;
    if (!longSums.empty() && rng_.chance(40)) {
        Basic& b = *rng_.pick(longSums);
        const size_t i = rng_.index(b.terms.size() - 1);
        b.terms[i].ops.push_back(rng_.pick(std::vector<std::string>{"*", "/", "%"}));
        b.terms[i].factors.push_back(emptyFactor());
        b.ops[i] = rng_.chance(50) ? "-" : "+";
        p = Planted{210, "a sign right after a multiplicative operator"};
        return true;
    }
    Basic& b = *rng_.pick(sums);
    b.terms.insert(b.terms.begin(), termOf(emptyFactor()));
    b.ops.insert(b.ops.begin(), rng_.chance(70) ? "-" : "+");
    p = Planted{206, "a sign in front of a sum"};
    return true;
}

// The chain is drawn from one of four groups (int or bool, sums or products) with equal
// chances, as bool products are rare but own three of the seven numbers.
bool ModelFaults::chainOperator(Planted& p) {
    std::vector<std::pair<std::vector<std::string>*, Ty>> chains[2];  // sums, products
    for (Basic* b : sites_.basics) {
        if (b->terms.size() >= 2) chains[0].push_back({&b->ops, b->ty});
    }
    for (Term* t : sites_.terms) {
        if (t->factors.size() >= 2) chains[1].push_back({&t->ops, t->ty});
    }
    std::vector<std::pair<int, Ty>> groups;
    for (int kind : {0, 1}) {
        for (Ty ty : {Ty::Int, Ty::Bool}) {
            if (std::any_of(chains[kind].begin(), chains[kind].end(),
                            [ty](const auto& c) { return c.second == ty; })) {
                groups.push_back({kind, ty});
            }
        }
    }
    if (groups.empty()) return false;
    const auto [kind, ty] = rng_.pick(groups);
    std::vector<std::vector<std::string>*> pool;
    for (const auto& c : chains[kind]) {
        if (c.second == ty) pool.push_back(c.first);
    }
    std::vector<std::string>& ops = *rng_.pick(pool);
    return swapOperator(ops[rng_.index(ops.size())], kind == 0, ty == Ty::Int, p);
}

bool ModelFaults::swapOperator(std::string& op, bool additive, bool isInt, Planted& p) {
    if (additive) {
        op = isInt ? "||" : (rng_.chance(50) ? "+" : "-");
        p.status = isInt ? 209 : (op == "+" ? 207 : 208);
    } else {
        op = isInt ? "&&" : rng_.pick(std::vector<std::string>{"*", "/", "%"});
        p.status = isInt ? 214 : (op == "*" ? 211 : op == "/" ? 212 : 213);
    }
    p.what =
        "operator " + op + " in a " + (isInt ? "int " : "bool ") + (additive ? "sum" : "product");
    return true;
}

bool ModelFaults::notOnNonBool(Planted& p) {
    std::vector<Factor*> ints;
    for (Factor* f : sites_.operands) {
        if (f->ty == Ty::Int) ints.push_back(f);
    }
    if (!ints.empty() && rng_.chance(60)) {
        Factor& f = *rng_.pick(ints);
        f = negation(f);
        p = Planted{215, "! in front of an int operand"};
        return true;
    }
    if (sites_.operands.empty()) return false;
    Factor& f = *rng_.pick(sites_.operands);
    f = negation(simpleFactor(rng_.chance(70) ? Ty::Int : Ty::Str));
    p = Planted{215, "! applied to a non-bool operand"};
    return true;
}

bool ModelFaults::inputNonInt(Planted& p) {
    const std::string target = rng_.pick(names(Ty::Bool, -1));
    std::vector<Stmt*> found = stmts([](const Stmt& s) { return s.kind == Kind::Cin; });
    p = Planted{216, "input into bool " + target};
    if (!found.empty()) {
        rng_.pick(found)->name = target;
        return true;
    }
    Stmt s;
    s.kind = Kind::Cin;
    s.name = target;
    insertStmt(std::move(s));
    return true;
}

bool ModelFaults::outputBool(Planted& p) {
    const std::string source = rng_.pick(names(Ty::Bool, -1));
    std::vector<Stmt*> found = stmts([](const Stmt& s) { return s.kind == Kind::Cout; });
    p = Planted{217, "output of bool " + source};
    if (!found.empty()) {
        rng_.pick(found)->name = source;
        return true;
    }
    Stmt s;
    s.kind = Kind::Cout;
    s.name = source;
    insertStmt(std::move(s));
    return true;
}

bool ModelFaults::stringCompare(Planted& p) {
    std::vector<Expr*> found;
    for (Stmt* s : sites_.stmts) {
        bool boolAssign = s->kind == Kind::Assign && typeOf(s->name) == Ty::Bool;
        if (s->kind == Kind::If || s->kind == Kind::While || boolAssign) found.push_back(&s->expr);
    }
    for (Factor* f : sites_.operands) {
        if (f->form == Factor::Form::Paren && f->ty == Ty::Bool) found.push_back(f->sub.get());
    }
    std::string rel;
    Expr e = stringRelation(rel);
    const int index =
        static_cast<int>(std::find(kRelations.begin(), kRelations.end(), rel) - kRelations.begin());
    p = Planted{218 + index, "relation " + rel + " between strings"};
    if (!found.empty()) {
        *rng_.pick(found) = std::move(e);
        return true;
    }
    Stmt s;
    s.kind = Kind::If;
    s.expr = std::move(e);
    insertStmt(std::move(s));
    return true;
}

bool ModelFaults::declMismatch(Planted& p) {
    Decl& d = gen_.program.decls[rng_.index(gen_.program.decls.size())];
    const Ty other = otherType(d.ty);
    switch (other) {
        case Ty::Int:
            d.init = std::to_string(rng_.between(0, 99));
            break;
        case Ty::Bool:
            d.init = rng_.chance(50) ? "true" : "false";
            break;
        default:
            d.init = "\"" + stringContent(rng_, false, avoid_) + "\"";
            break;
    }
    p = Planted{224, "declaration of " + std::string(typeName(d.ty)) + " " + d.name + " with a " +
                         typeName(other) + " literal"};
    return true;
}

bool ModelFaults::redeclare(Planted& p) {
    const size_t j = rng_.index(gen_.program.decls.size());
    Decl d;
    d.name = gen_.program.decls[j].name;
    d.ty = rng_.pick(std::vector<Ty>{Ty::Int, Ty::Bool, Ty::Str});
    d.isConst = d.ty == Ty::Str || rng_.chance(30);
    if (d.isConst || rng_.chance(50)) {
        d.init = d.ty == Ty::Int ? "7" : d.ty == Ty::Bool ? "true" : "\"again\"";
    }
    insertDecl(d, j + 1);
    p = Planted{101, "second declaration of " + d.name};
    return true;
}

bool ModelFaults::undeclared(Planted& p) {
    std::vector<std::string*> uses;
    for (Factor* f : sites_.operands) {
        if (f->form == Factor::Form::Name) uses.push_back(&f->text);
    }
    for (Stmt* s : sites_.stmts) {
        if (s->kind == Kind::Assign || s->kind == Kind::Cin || s->kind == Kind::Cout) {
            uses.push_back(&s->name);
        }
    }
    if (uses.empty()) return false;
    std::string& use = *rng_.pick(uses);
    std::string name = use;
    name[0] = static_cast<char>(std::isupper(static_cast<unsigned char>(name[0]))
                                    ? std::tolower(static_cast<unsigned char>(name[0]))
                                    : std::toupper(static_cast<unsigned char>(name[0])));
    static const std::set<std::string> keywords = {
        "const", "bool", "string", "int", "if", "else", "while", "cin", "cout", "true", "false"};
    if (keywords.count(name) > 0 || typeOf(name) != Ty::None || rng_.chance(50)) {
        name = unusedName();
    }
    p = Planted{102, "use of undeclared " + name + " instead of " + use};
    use = name;
    return true;
}

bool ModelFaults::uninitialisedConst(Planted& p) {
    std::vector<Decl*> consts;
    for (Decl& d : gen_.program.decls) {
        if (d.isConst) consts.push_back(&d);
    }
    if (!consts.empty() && rng_.chance(70)) {
        Decl& d = *rng_.pick(consts);
        d.init.clear();
        p = Planted{103, "constant " + d.name + " without a value"};
        return true;
    }
    Decl d{true, rng_.pick(std::vector<Ty>{Ty::Int, Ty::Bool, Ty::Str}), unusedName(), ""};
    p = Planted{103, "constant " + d.name + " without a value"};
    insertDecl(std::move(d), 0);
    return true;
}

bool ModelFaults::stringVariable(Planted& p) {
    std::vector<Decl*> strings;
    for (Decl& d : gen_.program.decls) {
        if (d.ty == Ty::Str) strings.push_back(&d);
    }
    if (!strings.empty() && rng_.chance(70)) {
        Decl& d = *rng_.pick(strings);
        d.isConst = false;
        if (rng_.chance(50)) d.init.clear();
        p = Planted{104, "string variable " + d.name};
        return true;
    }
    Decl d{false, Ty::Str, unusedName(), rng_.chance(50) ? "\"text\"" : ""};
    p = Planted{104, "string variable " + d.name};
    insertDecl(std::move(d), 0);
    return true;
}

bool ModelFaults::inputConst(Planted& p) {
    std::vector<std::string> consts = names(Ty::Int, 1);
    std::vector<Stmt*> found = stmts([](const Stmt& s) { return s.kind == Kind::Cin; });
    std::string target = consts.empty() ? unusedName() : rng_.pick(consts);
    p = Planted{105, "input into constant " + target};
    if (!found.empty()) rng_.pick(found)->name = target;
    if (consts.empty()) insertDecl(Decl{true, Ty::Int, target, "3"}, 0);
    if (found.empty()) {
        Stmt s;
        s.kind = Kind::Cin;
        s.name = target;
        insertStmt(std::move(s));
    }
    return true;
}

bool ModelFaults::assignConst(Planted& p) {
    std::vector<std::string> consts;
    for (const VarInfo& v : gen_.vars) {
        if (v.isConst) consts.push_back(v.name);
    }
    std::vector<Stmt*> found = stmts([](const Stmt& s) { return s.kind == Kind::Assign; });
    const std::string target = rng_.pick(consts);
    p = Planted{106, "assignment to constant " + target};
    if (!found.empty()) {
        rng_.pick(found)->name = target;
        return true;
    }
    Stmt s;
    s.name = target;
    s.expr = exprOf(literal(Ty::Int, "1"));
    insertStmt(std::move(s));
    return true;
}

}  // namespace

bool plantModelFault(FaultKind kind, GeneratedProgram& gen, Rng& rng, const Avoid& avoid,
                     Planted& planted) {
    return ModelFaults(gen, rng, avoid).plant(kind, planted);
}

std::string plantFault(FaultKind kind, GeneratedProgram& gen, Rng& rng, const Avoid& avoid,
                       Planted& planted) {
    const Layout layout = randomLayout(rng, avoid);
    if (kind == FaultKind::Static || kind == FaultKind::Type) {
        plantModelFault(kind, gen, rng, avoid, planted);
        std::string text = render(tokenize(gen.program), layout, rng);
        if (rng.chance(10) && !avoid.trailing) text += trailingJunk(rng);
        return text;
    }
    std::vector<Tok> tokens = tokenize(gen.program);
    std::string text;
    plantTokenFault(kind, tokens, text, layout, rng, avoid, planted);
    return text;
}

}  // namespace lumogen
