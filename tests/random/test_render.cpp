// The generator's building blocks: the layout never changes what the tokens read as, and
// int expressions stay inside the range they were made for whatever values their names
// hold, so that only risky expressions can fail at run time.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "eval_lexer.hpp"
#include "eval_program.hpp"
#include "eval_run.hpp"
#include "gen_expr.hpp"
#include "gen_print.hpp"
#include "gen_program.hpp"

namespace {

using lumoeval::Kind;

std::string spelling(const lumoeval::Token& t) {
    switch (t.kind) {
        case Kind::Identifier:
        case Kind::BoolLiteral:
        case Kind::AddOp:
        case Kind::RelOp:
        case Kind::MulOp:
            return t.text;
        case Kind::StringLiteral:
            return "\"" + t.text + "\"";
        case Kind::IntLiteral:
            return std::to_string(t.value);
        case Kind::Assign:
            return "=";
        case Kind::Terminator:
            return ";";
        case Kind::LParen:
            return "(";
        case Kind::RParen:
            return ")";
        case Kind::LBrace:
            return "{";
        case Kind::RBrace:
            return "}";
        case Kind::Not:
            return "!";
        case Kind::Input:
            return ">>";
        case Kind::Output:
            return "<<";
        default:
            return lumoeval::describe(t);  // keywords: their names in capitals
    }
}

std::string expectedSpelling(const lumogen::Tok& t) {
    static const char* const keywords[][2] = {
        {"const", "CONST"}, {"bool", "BOOL"},   {"string", "STRING"}, {"int", "INT"},  {"if", "IF"},
        {"else", "ELSE"},   {"while", "WHILE"}, {"cin", "CIN"},       {"cout", "COUT"}};
    for (const auto& k : keywords) {
        if (t.text == k[0]) return k[1];
    }
    if (t.text.find_first_not_of("0123456789") == std::string::npos) {
        return std::to_string(std::stol(t.text));
    }
    return t.text;
}

TEST(RandomLayout, TextScansBackToTheTokens) {
    for (uint64_t seed = 1; seed <= 80; ++seed) {
        lumogen::Rng rng(seed);
        const lumogen::GeneratedProgram g = lumogen::generateProgram(rng, 40, true, {});
        const std::vector<lumogen::Tok> tokens = lumogen::tokenize(g.program);
        const std::string text = lumogen::render(tokens, lumogen::randomLayout(rng, {}), rng);
        lumoeval::Scanner scanner(text);
        scanner.start();
        lumoeval::Token read;
        lumoeval::Failure failure;
        for (const lumogen::Tok& t : tokens) {
            ASSERT_TRUE(scanner.next(read, failure)) << "seed " << seed << ": " << failure.text;
            ASSERT_EQ(spelling(read), expectedSpelling(t)) << "seed " << seed;
        }
        EXPECT_FALSE(scanner.next(read, failure));
        EXPECT_EQ(failure.status, 1) << "seed " << seed;
    }
}

// A program that gives each name of `scope` a value from its range, then assigns `e` to r
// and, for an int, writes r.
std::string probe(const lumogen::Scope& scope, lumogen::Rng& rng, const lumogen::Expr& e) {
    lumogen::Program p;
    for (const lumogen::Scope::IntName& n : scope.ints) {
        p.decls.push_back(lumogen::Decl{false, lumogen::Ty::Int, n.name, ""});
        lumogen::Stmt s;
        s.name = n.name;
        s.expr = lumogen::ExprGen::constantExpr(rng.between(n.range.lo, n.range.hi));
        p.body.push_back(s);
    }
    for (const std::string& b : scope.bools) {
        p.decls.push_back(
            lumogen::Decl{false, lumogen::Ty::Bool, b, rng.chance(50) ? "true" : "false"});
    }
    p.decls.push_back(lumogen::Decl{false, e.type(), "r", ""});
    lumogen::Stmt assign;
    assign.name = "r";
    assign.expr = e;
    p.body.push_back(assign);
    if (e.type() == lumogen::Ty::Int) {
        lumogen::Stmt out;
        out.kind = lumogen::Stmt::Kind::Cout;
        out.name = "r";
        p.body.push_back(out);
    }
    return lumogen::render(lumogen::tokenize(p), lumogen::Layout{}, rng);
}

lumogen::Scope randomScope(lumogen::Rng& rng) {
    static const std::vector<long> bounds = {0, 1, 9, 100, 5000, 32767};
    lumogen::Scope scope;
    for (long i = rng.between(0, 5); i > 0; --i) {
        const long b = rng.pick(bounds);
        const long lo = rng.chance(20) ? rng.between(-b, b) : -b;
        scope.ints.push_back({"n" + std::to_string(i), lumogen::Iv{lo, b}});
    }
    for (long i = rng.between(0, 2); i > 0; --i) scope.bools.push_back("b" + std::to_string(i));
    return scope;
}

// Analyses and runs a probe; the output, or nothing when the analysis fails.
lumoeval::RunResult runProbe(const std::string& source) {
    lumoeval::Analysis a = lumoeval::analyse(source);
    if (!a.ok) {
        lumoeval::RunResult failed;
        failed.end = lumoeval::RunResult::End::BadInput;
        failed.detail = a.failure.text;
        return failed;
    }
    return lumoeval::run(a.program, "");
}

const std::vector<long> kBounds = {3, 9, 30, 1000, 32767};

TEST(RandomExpressions, IntValuesStayInTheirRange) {
    for (uint64_t seed = 1; seed <= 400; ++seed) {
        lumogen::Rng rng(seed);
        const lumogen::Scope scope = randomScope(rng);
        lumogen::ExprGen gen(rng, scope);
        const long bound = rng.pick(kBounds);
        const lumogen::Expr e = gen.intExpr(bound, lumogen::operandBudget(rng));
        const lumogen::Iv range = gen.lastRange();
        EXPECT_GE(range.lo, -bound) << "seed " << seed;
        EXPECT_LE(range.hi, bound) << "seed " << seed;
        const std::string source = probe(scope, rng, e);
        const lumoeval::RunResult r = runProbe(source);
        ASSERT_EQ(r.end, lumoeval::RunResult::End::Halt)
            << "seed " << seed << ": " << r.output << r.detail << "\n"
            << source;
        const long value = std::stol(r.output);
        EXPECT_GE(value, range.lo) << "seed " << seed << "\n" << source;
        EXPECT_LE(value, range.hi) << "seed " << seed << "\n" << source;
    }
}

TEST(RandomExpressions, RiskyOnesFailSometimesAndStayInBoundOtherwise) {
    int failures = 0;
    for (uint64_t seed = 1; seed <= 200; ++seed) {
        lumogen::Rng rng(seed);
        const lumogen::Scope scope = randomScope(rng);
        lumogen::ExprGen gen(rng, scope);
        const long bound = rng.pick(kBounds);
        const std::string source = probe(scope, rng, gen.riskyIntExpr(bound, 6));
        const lumoeval::RunResult r = runProbe(source);
        ASSERT_TRUE(lumoeval::isProgramBehaviour(r.end)) << "seed " << seed << ": " << r.detail;
        if (r.end != lumoeval::RunResult::End::Halt) {
            ++failures;
            continue;
        }
        EXPECT_LE(std::labs(std::stol(r.output)), bound) << "seed " << seed << "\n" << source;
    }
    EXPECT_GT(failures, 20);
    EXPECT_LT(failures, 200);
}

TEST(RandomExpressions, BoolOnesRunWithoutErrors) {
    for (uint64_t seed = 1; seed <= 300; ++seed) {
        lumogen::Rng rng(seed);
        const lumogen::Scope scope = randomScope(rng);
        lumogen::ExprGen gen(rng, scope);
        const std::string source = probe(scope, rng, gen.boolExpr(lumogen::operandBudget(rng)));
        const lumoeval::RunResult r = runProbe(source);
        EXPECT_EQ(r.end, lumoeval::RunResult::End::Halt)
            << "seed " << seed << ": " << r.output << r.detail << "\n"
            << source;
    }
}

}  // namespace
