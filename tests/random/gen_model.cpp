// Constructors of the generator's program model.
#include "gen_model.hpp"

#include <utility>

namespace lumogen {

bool parseAvoid(const std::string& list, Avoid& avoid) {
    size_t start = 0;
    while (start <= list.size()) {
        size_t comma = list.find(',', start);
        if (comma == std::string::npos) comma = list.size();
        const std::string name = list.substr(start, comma - start);
        if (name == "long-comments") {
            avoid.longComments = true;
        } else if (name == "exotic-space") {
            avoid.exoticSpace = true;
        } else if (name == "quotes") {
            avoid.quotes = true;
        } else if (name == "newlines") {
            avoid.newlines = true;
        } else if (name == "high-bytes") {
            avoid.highBytes = true;
        } else if (name == "trailing") {
            avoid.trailing = true;
        } else {
            return false;
        }
        start = comma + 1;
    }
    return true;
}

Factor literal(Ty ty, std::string spelling) {
    Factor f;
    f.form = Factor::Form::Lit;
    f.ty = ty;
    f.text = std::move(spelling);
    return f;
}

Factor nameFactor(Ty ty, std::string name) {
    Factor f;
    f.form = Factor::Form::Name;
    f.ty = ty;
    f.text = std::move(name);
    return f;
}

Factor paren(Expr e) {
    Factor f;
    f.form = Factor::Form::Paren;
    f.ty = e.type();
    f.sub = std::make_shared<Expr>(std::move(e));
    return f;
}

Factor negation(Factor inner) {
    Factor f;
    f.form = Factor::Form::Not;
    f.ty = Ty::Bool;
    f.inner = std::make_shared<Factor>(std::move(inner));
    return f;
}

Term termOf(Factor f) {
    Term t;
    t.ty = f.ty;
    t.factors.push_back(std::move(f));
    return t;
}

Term termOf(Factor left, const std::string& op, Factor right) {
    Term t = termOf(std::move(left));
    t.ops.push_back(op);
    t.factors.push_back(std::move(right));
    return t;
}

Basic basicOf(Term left, const std::string& op, Term right) {
    Basic b = basicOf(std::move(left));
    b.ops.push_back(op);
    b.terms.push_back(std::move(right));
    return b;
}

Basic basicOf(Term t) {
    Basic b;
    b.ty = t.ty;
    b.terms.push_back(std::move(t));
    return b;
}

Expr exprOf(Basic b) {
    Expr e;
    e.ty = b.ty;
    e.left = std::move(b);
    return e;
}

Expr exprOf(Factor f) {
    return exprOf(basicOf(termOf(std::move(f))));
}

Expr relation(Basic left, std::string rel, Basic right) {
    Expr e;
    e.ty = left.ty;
    e.left = std::move(left);
    e.rel = std::move(rel);
    e.right = std::move(right);
    return e;
}

}  // namespace lumogen
