// Writes benchmark programs in Lumo or C from one random sequence (see programgen.hpp).
//
// Every choice is drawn before anything that differs between the languages, so both
// languages consume the sequence identically and the two texts are the same program.
//
// Constant folding in C compilers warns about constant zero divisors and overflowing
// constant products, which would make them do work lumoc does not. So a term of two or
// more factors starts with a name or a parenthesised expression that starts with a name,
// and only its last factor may be a literal: no divisor folds to zero, and no product of
// two literals exists. Literals are never 0, nor 1 in a product.

#include "programgen.hpp"

#include <algorithm>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace benchgen {
namespace {

// splitmix64: tiny and identical on every platform, unlike the standard distributions.
class Random {
  public:
    explicit Random(std::uint64_t seed) : state(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // A number in [0, n), n > 0.
    long below(long n) { return static_cast<long>(next() % static_cast<std::uint64_t>(n)); }

    bool chance(int percent) { return below(100) < percent; }

    // The index of one of the first `count` weights, drawn in proportion to them.
    int weighted(const std::vector<int>& weights, std::size_t count) {
        count = std::min(count, weights.size());
        int total = 0;
        for (std::size_t i = 0; i < count; ++i) total += weights[i];
        long roll = below(total);
        for (std::size_t i = 0; i < count; ++i) {
            if (roll < weights[i]) return static_cast<int>(i);
            roll -= weights[i];
        }
        return static_cast<int>(count) - 1;
    }

    int weighted(const std::vector<int>& weights) { return weighted(weights, weights.size()); }

  private:
    std::uint64_t state;
};

enum Statement { assignInt, assignBool, ifThen, ifElse, whileLoop, input, outputInt, outputText };

// Share of each statement kind, in the order of `Statement`.
const std::vector<int> statementWeights = {44, 8, 12, 6, 7, 8, 11, 4};

// How many statements a body holds at most.
constexpr long maxBody = 6;

const char* const stringTexts[stringConstCount] = {"total = ", "value: ", "done",
                                                   " ",        "ok ",     "next: "};

const char* const relationalOperators[] = {"==", "!=", "<", ">", "<=", ">="};
const char* const multiplicativeOperators[] = {"*", "/", "%"};

class Generator {
  public:
    Generator(Language language, std::uint64_t seed) : lang(language), rnd(seed) {}

    std::string program(long statements);

  private:
    Language lang;
    Random rnd;
    std::string text;
    long noteCount = 0;
    // The name drawn last: the next operand never repeats it, since C compilers warn
    // about `x - x` or `x == x` and fold them.
    std::string lastName;

    bool isC() const { return lang == Language::c; }

    void writeHeader(long statements);
    void writeDeclarations();
    void declare(const char* type, bool isConst, const std::string& name, const std::string& init);
    void writeBlock(long statements, int depth);
    long writeStatement(long budget, int depth);
    Statement chooseStatement(long budget, int depth);
    std::string simpleStatement(Statement kind);
    long writeIf(long budget, int depth, bool withElse);
    long writeWhile(long budget, int depth);
    long bodySize(long available);
    const char* closingBrace() const;
    void line(int depth, const std::string& content);

    std::string intExpression(int level, bool startWithName);
    std::string intTerm(int level, bool startWithName);
    std::string intFactor(int level, bool literalAllowed, long smallestLiteral);
    std::string condition();
    std::string intRelation(int level);
    std::string boolRelation();
    std::string boolChain();
    std::string boolTerm(bool inChain);
    std::string boolFactor(bool notAllowed);
    std::string chain(const std::vector<std::string>& operands,
                      const std::vector<const char*>& operators) const;

    std::string intName();
    std::string boolName();
    std::string literal(long smallest);
    static std::string name(char prefix, long index) { return prefix + std::to_string(index); }
};

std::string Generator::program(long statements) {
    writeHeader(statements);
    writeDeclarations();
    text += isC() ? "int main(void) {\n" : "{\n";
    writeBlock(statements, 0);
    text += isC() ? "    return 0;\n}\n" : "}\n";
    return std::move(text);
}

// In C the input and output routines of the target's library become three small helpers,
// so each input or output statement stays one call, as it is on the target.
void Generator::writeHeader(long statements) {
    text += "// Benchmark program of " + std::to_string(statements) + " statements.\n";
    if (!isC()) return;
    text +=
        "int scanf(const char *format, ...);\n"
        "int printf(const char *format, ...);\n"
        "static int getint(void) { int v = 0; scanf(\"%d\", &v); return v; }\n"
        "static void putint(int v) { printf(\"%d\", v); }\n"
        "static void putstr(const char *s) { printf(\"%s\", s); }\n";
}

void Generator::writeDeclarations() {
    for (int i = 0; i < counterCount; ++i) declare("int", false, name('i', i), "");
    for (int i = 0; i < intVarCount; ++i) {
        declare("int", false, name('v', i), i % 2 ? std::to_string(rnd.below(1000)) : "");
    }
    for (int i = 0; i < boolVarCount; ++i) {
        declare("bool", false, name('b', i), i % 2 ? (i % 4 == 1 ? "true" : "false") : "");
    }
    for (int i = 0; i < intConstCount; ++i) {
        declare("int", true, name('k', i), std::to_string(1 + rnd.below(99)));
    }
    for (int i = 0; i < boolConstCount; ++i) {
        declare("bool", true, name('t', i), i % 2 ? "true" : "false");
    }
    for (int i = 0; i < stringConstCount; ++i) {
        declare("string", true, name('s', i), std::string("\"") + stringTexts[i] + "\"");
    }
}

void Generator::declare(const char* type, bool isConst, const std::string& name,
                        const std::string& init) {
    std::string value = init;
    std::string spelledType = type;
    if (isC()) {
        if (value == "true" || value == "false") value = value == "true" ? "1" : "0";
        if (spelledType == "bool") spelledType = "int";
        if (spelledType == "string") spelledType = "char *";
    }
    if (isConst) text += "const ";
    text += spelledType;
    if (spelledType.back() != '*') text += ' ';
    if (isC() && spelledType == "char *") text += "const ";
    text += name;
    if (!value.empty()) text += " = " + value;
    text += ";\n";
}

// Writes exactly `statements` statements, nested ones included, at `depth`.
void Generator::writeBlock(long statements, int depth) {
    while (statements > 0) statements -= writeStatement(statements, depth);
}

// Writes one statement of at most `budget` statements (a compound one counts its
// nested statements) and returns how many it wrote.
long Generator::writeStatement(long budget, int depth) {
    if (depth == 0 && rnd.chance(2)) line(depth, "// note " + std::to_string(++noteCount));
    Statement kind = chooseStatement(budget, depth);
    switch (kind) {
        case ifThen:
            return writeIf(budget, depth, false);
        case ifElse:
            return writeIf(budget, depth, true);
        case whileLoop:
            return writeWhile(budget, depth);
        default:
            break;
    }
    line(depth, simpleStatement(kind));
    return 1;
}

// Compound statements need room in the budget (an `if` with its body, an `if`/`else`
// with two bodies, a loop with its counter's reset, its body and its step) and depth.
Statement Generator::chooseStatement(long budget, int depth) {
    auto kind = static_cast<Statement>(rnd.weighted(statementWeights));
    bool compound = kind == ifThen || kind == ifElse || kind == whileLoop;
    if (!compound) return kind;
    long needed = kind == ifThen ? 2 : kind == ifElse ? 3 : 4;
    return depth < maxDepth && budget >= needed ? kind : assignInt;
}

std::string Generator::simpleStatement(Statement kind) {
    switch (kind) {
        case assignInt: {
            std::string target = name('v', rnd.below(intVarCount));
            return target + " = " + intExpression(0, false) + ";";
        }
        case assignBool: {
            std::string target = name('b', rnd.below(boolVarCount));
            return target + " = " + condition() + ";";
        }
        case input: {
            std::string target = name('v', rnd.below(intVarCount));
            return isC() ? target + " = getint();" : "cin >> " + target + ";";
        }
        case outputInt: {
            std::string source = intName();
            return isC() ? "putint(" + source + ");" : "cout << " + source + ";";
        }
        default: {
            std::string source = name('s', rnd.below(stringConstCount));
            return isC() ? "putstr(" + source + ");" : "cout << " + source + ";";
        }
    }
}

long Generator::writeIf(long budget, int depth, bool withElse) {
    long thenSize = bodySize(budget - (withElse ? 2 : 1));
    long elseSize = withElse ? bodySize(budget - 1 - thenSize) : 0;
    line(depth, "if (" + condition() + ") {");
    writeBlock(thenSize, depth + 1);
    if (withElse) {
        line(depth, "} else {");
        writeBlock(elseSize, depth + 1);
    }
    line(depth, closingBrace());
    return 1 + thenSize + elseSize;
}

// A loop runs a few times on its own counter: each depth has one, and nothing but the
// loop of that depth assigns it, so every loop ends.
long Generator::writeWhile(long budget, int depth) {
    long size = bodySize(budget - 3);
    std::string counter = name('i', depth);
    std::string bound = rnd.chance(70) ? std::to_string(2 + rnd.below(4)) : name('k', 0);
    line(depth, counter + " = 0;");
    line(depth, "while (" + counter + " < " + bound + ") {");
    writeBlock(size, depth + 1);
    line(depth + 1, counter + " = " + counter + " + 1;");
    line(depth, closingBrace());
    return 3 + size;
}

long Generator::bodySize(long available) {
    return 1 + rnd.below(std::min(available, maxBody));
}

// Lumo ends `if` and `while` with a terminator like any other statement; C does not.
const char* Generator::closingBrace() const {
    return isC() ? "}" : "};";
}

void Generator::line(int depth, const std::string& content) {
    text.append(4 * static_cast<std::size_t>(depth + 1), ' ');
    text += content;
    text += '\n';
}

// An additive chain of up to four terms; inside parentheses always two, as nobody
// parenthesises a lone name.
std::string Generator::intExpression(int level, bool startWithName) {
    int count = level == 0 ? 1 + rnd.weighted({45, 35, 15, 5}) : 2;
    std::vector<std::string> operands;
    std::vector<const char*> operators;
    for (int i = 0; i < count; ++i) {
        operands.push_back(intTerm(level, startWithName && i == 0));
        if (i + 1 < count) operators.push_back(rnd.chance(55) ? "+" : "-");
    }
    return chain(operands, operators);
}

// A multiplicative chain of up to three factors (two inside parentheses).
std::string Generator::intTerm(int level, bool startWithName) {
    int count = 1 + rnd.weighted({65, 25, 10}, level == 0 ? 3 : 2);
    std::vector<std::string> operands;
    std::vector<const char*> operators;
    for (int i = 0; i < count; ++i) {
        bool last = i + 1 == count;
        bool literalAllowed = !(startWithName && i == 0) && (count == 1 || (i > 0 && last));
        operands.push_back(intFactor(level, literalAllowed, count == 1 ? 1 : 2));
        if (!last) operators.push_back(multiplicativeOperators[rnd.weighted({60, 25, 15})]);
    }
    return chain(operands, operators);
}

std::string Generator::intFactor(int level, bool literalAllowed, long smallestLiteral) {
    int kind = rnd.weighted({55, 30, 15}, level == 0 ? 3 : 2);
    if (kind == 1 && !literalAllowed) kind = 0;
    if (kind == 0) return intName();
    if (kind == 1) return literal(smallestLiteral);
    return "(" + intExpression(level + 1, true) + ")";
}

// A truth value: mostly a comparison of two int expressions.
std::string Generator::condition() {
    int kind = rnd.weighted({60, 30, 10});
    if (kind == 0) return intRelation(0);
    if (kind == 1) return boolChain();
    return boolRelation();
}

std::string Generator::intRelation(int level) {
    std::string left = intExpression(level, false);
    const char* op = relationalOperators[rnd.below(6)];
    return left + " " + op + " " + intExpression(level, false);
}

// Truth values compare only for equality: Lumo's true is -1 and C's is 1, so an ordering
// of two truth values would differ between the languages.
std::string Generator::boolRelation() {
    auto operand = [this] { return rnd.chance(70) ? boolName() : "(" + intRelation(1) + ")"; };
    std::string left = operand();
    const char* op = rnd.chance(50) ? "==" : "!=";
    return left + " " + op + " " + operand();
}

// `||` chains of `&&` chains, the levels Lumo gives them.
std::string Generator::boolChain() {
    int count = 1 + rnd.weighted({50, 35, 15});
    std::vector<std::string> operands;
    std::vector<const char*> operators;
    for (int i = 0; i < count; ++i) {
        operands.push_back(boolTerm(count > 1));
        if (i + 1 < count) operators.push_back("||");
    }
    return chain(operands, operators);
}

// C compilers ask for parentheses around `&&` inside `||`; they change nothing.
std::string Generator::boolTerm(bool inChain) {
    int count = 1 + rnd.weighted({60, 40});
    std::vector<std::string> operands;
    std::vector<const char*> operators;
    for (int i = 0; i < count; ++i) {
        operands.push_back(boolFactor(true));
        if (i + 1 < count) operators.push_back("&&");
    }
    std::string term = chain(operands, operators);
    return isC() && inChain && count > 1 ? "(" + term + ")" : term;
}

std::string Generator::boolFactor(bool notAllowed) {
    int kind = rnd.weighted({50, 35, 15}, notAllowed ? 3 : 2);
    if (kind == 0) return boolName();
    if (kind == 1) return "(" + intRelation(1) + ")";
    return "!" + boolFactor(false);
}

// Lumo groups a chain from the right; C from the left, so C gets the grouping spelled out.
std::string Generator::chain(const std::vector<std::string>& operands,
                             const std::vector<const char*>& operators) const {
    std::string result = operands.back();
    for (std::size_t i = operands.size() - 1; i-- > 0;) {
        bool restIsChain = i + 2 < operands.size();
        std::string rest = isC() && restIsChain ? "(" + result + ")" : result;
        result = operands[i] + " " + operators[i] + " " + rest;
    }
    return result;
}

std::string Generator::intName() {
    std::string drawn;
    do {
        int kind = rnd.weighted({80, 15, 5});
        if (kind == 0) drawn = name('v', rnd.below(intVarCount));
        if (kind == 1) drawn = name('k', rnd.below(intConstCount));
        if (kind == 2) drawn = name('i', rnd.below(counterCount));
    } while (drawn == lastName);
    return lastName = drawn;
}

std::string Generator::boolName() {
    std::string drawn;
    do {
        drawn = rnd.chance(85) ? name('b', rnd.below(boolVarCount))
                               : name('t', rnd.below(boolConstCount));
    } while (drawn == lastName);
    return lastName = drawn;
}

// Mostly small numbers, as people write them; from 1, or from 2 in a product, where 1
// would let `x % 1` fold to a zero divisor (see the top of this file).
std::string Generator::literal(long smallest) {
    static const long limits[] = {9, 99, 999, 32767};
    long limit = limits[rnd.weighted({50, 30, 15, 5})];
    return std::to_string(smallest + rnd.below(limit - smallest + 1));
}

}  // namespace

std::string generateProgram(long statements, Language language, std::uint64_t seed) {
    return Generator(language, seed).program(statements);
}

}  // namespace benchgen
