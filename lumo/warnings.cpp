// Warnings about programs that compile: chains that Lumo's grouping from the right
// evaluates otherwise than a reader working from left to right would, and expressions that
// need more of the machine's stack than it has.
//
// Expressions are parsed again here, from the forgiving scanner's tokens, with the
// analyser's grammar; only statements that lumoc has accepted are looked at, so the parse
// agrees with lumoc's.
#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "hints.hpp"
#include "tokens.hpp"

namespace lumo::hints {

namespace {

struct Node {
    enum Kind { literal, name, group, negation, chain, relation, empty } kind = empty;
    std::size_t begin = 0, end = 0;  // source bytes
    std::int64_t value = 0;          // a literal's (true is -1, false 0)
    bool boolean = false;            // a bool literal or a chain of && / ||
    std::string_view text;           // a name's
    std::vector<Node> operands;      // of a chain or relation; the one operand of a group or `!`
    std::vector<std::string_view> ops;
    std::vector<std::size_t> opOffsets;  // where each of `ops` stands
};

class Parser {
  public:
    Parser(const std::vector<Token>& tokens, std::size_t from, std::size_t to)
        : t(tokens), i(from), to(to) {}

    Node expression() {
        Node left = sum();
        if (i < to && t[i].kind == Tok::relation) {
            Node rel;
            rel.kind = Node::relation;
            rel.ops.push_back(t[i].text);
            ++i;
            rel.operands.push_back(std::move(left));
            rel.operands.push_back(sum());
            rel.begin = rel.operands.front().begin;
            rel.end = rel.operands.back().end;
            return rel;
        }
        return left;
    }

  private:
    const std::vector<Token>& t;
    std::size_t i, to;

    template <typename Next>
    Node chainOf(Tok kind, Next next) {
        Node first = next();
        if (i >= to || t[i].kind != kind) return first;
        Node c;
        c.kind = Node::chain;
        c.operands.push_back(std::move(first));
        while (i < to && t[i].kind == kind) {
            c.ops.push_back(t[i].text);
            c.opOffsets.push_back(t[i].offset);
            ++i;
            c.operands.push_back(next());
        }
        c.boolean = c.ops.front() == "&&" || c.ops.front() == "||";
        c.begin = c.operands.front().begin;
        c.end = c.operands.back().end;
        return c;
    }
    Node sum() {
        return chainOf(Tok::add, [this] { return term(); });
    }
    Node term() {
        return chainOf(Tok::mul, [this] { return operand(); });
    }
    Node operand() {
        Node n;
        if (i >= to) return n;
        const Token& k = t[i];
        n.begin = k.offset;
        n.end = k.offset + k.length;
        if (k.kind == Tok::integer) {
            n.kind = Node::literal;
            for (char digit : k.text)
                n.value = std::min<std::int64_t>(n.value * 10 + (digit - '0'), 99999);
            ++i;
        } else if (k.kind == Tok::keyword && (k.text == "true" || k.text == "false")) {
            n.kind = Node::literal;
            n.boolean = true;
            n.value = k.text == "true" ? -1 : 0;
            ++i;
        } else if (k.kind == Tok::name) {
            n.kind = Node::name;
            n.text = k.text;
            ++i;
        } else if (k.kind == Tok::lparen) {
            ++i;
            n.kind = Node::group;
            n.operands.push_back(expression());
            if (i < to && t[i].kind == Tok::rparen) {
                n.end = t[i].offset + 1;
                ++i;
            }
        } else if (k.kind == Tok::bang) {
            ++i;
            n.kind = Node::negation;
            n.operands.push_back(operand());
            n.end = n.operands.back().end;
        }
        return n;
    }
};

// Words of stack the code of `n` needs at once: every operand of a chain stays on the stack
// until the chain's last operator.
int need(const Node& n) {
    switch (n.kind) {
        case Node::literal:
        case Node::name:
            return 1;
        case Node::group:
        case Node::negation:
            return need(n.operands.front());
        case Node::chain:
        case Node::relation: {
            int most = 0;
            for (std::size_t k = 0; k < n.operands.size(); ++k)
                most = std::max(most, static_cast<int>(k) + need(n.operands[k]));
            return most;
        }
        default:
            return 0;
    }
}

using Values = std::map<std::string_view, std::int64_t>;
constexpr std::int64_t huge = std::int64_t(1) << 40;

// The value Lumo gives an int expression, without the 16-bit limits (their traps are not
// what the grouping warning is about); nothing for a division by zero or a bool.
std::optional<std::int64_t> evaluate(const Node& n, const Values& values);

std::optional<std::int64_t> apply(std::string_view op, std::int64_t a, std::int64_t b) {
    std::int64_t r = 0;
    if (op == "+") r = a + b;
    if (op == "-") r = a - b;
    if (op == "*" && __builtin_mul_overflow(a, b, &r)) return std::nullopt;
    if (op == "/" || op == "%") {
        if (b == 0) return std::nullopt;
        r = op == "/" ? a / b : a % b;
    }
    if (r > huge || r < -huge) return std::nullopt;
    return r;
}

std::optional<std::int64_t> fold(const std::vector<std::int64_t>& v,
                                 const std::vector<std::string_view>& ops, bool fromRight) {
    if (fromRight) {
        std::optional<std::int64_t> acc = v.back();
        for (std::size_t k = ops.size(); k-- > 0 && acc;) acc = apply(ops[k], v[k], *acc);
        return acc;
    }
    std::optional<std::int64_t> acc = v.front();
    for (std::size_t k = 0; k < ops.size() && acc; ++k) acc = apply(ops[k], *acc, v[k + 1]);
    return acc;
}

std::optional<std::int64_t> evaluate(const Node& n, const Values& values) {
    switch (n.kind) {
        case Node::literal:
            if (n.boolean) return std::nullopt;
            return n.value;
        case Node::name: {
            const auto found = values.find(n.text);
            return found == values.end() ? std::nullopt
                                         : std::optional<std::int64_t>(found->second);
        }
        case Node::group:
            return evaluate(n.operands.front(), values);
        case Node::chain: {
            if (n.boolean) return std::nullopt;
            std::vector<std::int64_t> v;
            for (const Node& operand : n.operands) {
                const auto value = evaluate(operand, values);
                if (!value) return std::nullopt;
                v.push_back(*value);
            }
            return fold(v, n.ops, true);
        }
        default:
            return std::nullopt;
    }
}

void namesIn(const Node& n, std::vector<std::string_view>& names) {
    if (n.kind == Node::name && std::find(names.begin(), names.end(), n.text) == names.end())
        names.push_back(n.text);
    for (const Node& operand : n.operands) namesIn(operand, names);
}

// Whether the chain's two groupings differ for some values of its names: tried on a fixed
// series of values, so that the warning is the same on every run.
bool groupingMatters(const Node& chain) {
    if (chain.boolean || chain.ops.size() < 2) return false;
    const bool candidate = std::any_of(chain.ops.begin(), chain.ops.end() - 1,
                                       [](std::string_view op) { return op == "-"; }) ||
                           std::any_of(chain.ops.begin(), chain.ops.end(),
                                       [](std::string_view op) { return op == "/" || op == "%"; });
    if (!candidate) return false;
    // A very long chain is judged by its operators alone.
    if (chain.operands.size() > 200) return true;
    std::vector<std::string_view> names;
    namesIn(chain, names);
    std::uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<std::int64_t>((seed >> 16) % 61) - 30;
    };
    for (int sample = 0; sample < 40; ++sample) {
        Values values;
        for (std::string_view name : names) values[name] = next();
        std::vector<std::int64_t> v;
        bool known = true;
        for (const Node& operand : chain.operands) {
            const auto value = evaluate(operand, values);
            if (!value) {
                known = false;
                break;
            }
            v.push_back(*value);
        }
        if (!known) continue;
        const auto right = fold(v, chain.ops, true), left = fold(v, chain.ops, false);
        if (right && left && *right != *left) return true;
        if (names.empty()) return false;  // one try settles a chain of literals
    }
    return false;
}

// An operand as the warning shows it: its tokens with one space between them (none inside
// parentheses or after `!`), and a long one cut short.
std::string textOf(std::string_view source, const Node& n) {
    constexpr std::size_t longest = 30;
    const std::string_view slice =
        source.substr(n.begin, std::min<std::size_t>(n.end - n.begin, 4 * longest));
    std::string out;
    bool tight = true;
    for (const Token& t : tokenize(slice)) {
        if (!tight && t.kind != Tok::rparen) out += ' ';
        out += t.text;
        tight = t.kind == Tok::lparen || t.kind == Tok::bang;
    }
    if (out.size() <= longest && n.end - n.begin <= slice.size()) return out;
    return out[0] == '(' ? "(...)" : out.substr(0, longest - 3) + "...";
}

void groupingWarning(std::string_view source, const Node& chain, std::vector<Warning>& out) {
    const std::size_t n = chain.operands.size();
    std::vector<std::string> texts;
    std::size_t total = 0;
    for (const Node& operand : chain.operands) {
        texts.push_back(textOf(source, operand));
        total += texts.back().size() + 3;
        if (texts.size() > 6) break;
    }
    const bool whole = n <= 5 && total <= 60;
    // Cut short, at least one operator is left out, so that '...' stands for something.
    const std::size_t shown = whole ? n : std::min<std::size_t>(3, n - 1);
    // Shown whole: 'a - b - c' and 'a - (b - c)'; cut short: 'a - b - c - ...' and
    // 'a - (b - (c - ...))'.
    std::string written, grouped;
    const std::size_t opened = whole ? shown - 2 : shown - 1;
    for (std::size_t k = 0; k < shown; ++k) {
        const bool last = whole && k + 1 == shown;
        const std::string op = last ? "" : " " + std::string(chain.ops[k]) + " ";
        written += texts[k] + op;
        grouped += texts[k] + op + (k < opened ? "(" : "");
    }
    if (!whole) {
        written += "...";
        grouped += "...";
    }
    grouped += std::string(opened, ')');
    // From left to right: ((a - b) - c) - d.
    std::string left = texts[0];
    for (std::size_t k = 1; k < shown && whole; ++k) {
        left = (k > 1 ? "(" + left + ")" : left) + " " + std::string(chain.ops[k - 1]) + " " +
               texts[k];
    }
    Warning w;
    w.offset = chain.begin;
    w.length = chain.end - chain.begin;
    w.name = "grouping";
    w.message = "'" + written + "' is evaluated as '" + grouped + "'";
    if (whole)
        w.notes.push_back(
            "Lumo groups a chain from the right; to compute from left to right, write '" + left +
            "'");
    else
        w.notes.push_back("Lumo groups a chain from the right; write the parentheses you mean");
    out.push_back(std::move(w));
}

void walk(std::string_view source, const Node& n, std::vector<Warning>& out) {
    if (n.kind == Node::chain && groupingMatters(n)) groupingWarning(source, n, out);
    for (const Node& operand : n.operands) walk(source, operand, out);
}

// The expressions of the block's statements: (first token, past the last, statement end).
struct Span {
    std::size_t from, to, end;
};

std::vector<Span> expressions(const std::vector<Token>& t) {
    std::vector<Span> spans;
    std::size_t i = 0;
    while (i < t.size() && t[i].kind != Tok::lbrace) ++i;
    for (; i < t.size(); ++i) {
        if (t[i].kind == Tok::assign && i > 0 && t[i - 1].kind == Tok::name) {
            std::size_t k = i + 1;
            while (k < t.size() && t[k].kind != Tok::semicolon && t[k].kind != Tok::lbrace &&
                   t[k].kind != Tok::rbrace)
                ++k;
            spans.push_back({i + 1, k, k < t.size() ? t[k].offset + 1 : std::string_view::npos});
        } else if (t[i].kind == Tok::keyword && (t[i].text == "if" || t[i].text == "while") &&
                   i + 1 < t.size() && t[i + 1].kind == Tok::lparen) {
            int depth = 0;
            std::size_t k = i + 1;
            for (; k < t.size(); ++k) {
                if (t[k].kind == Tok::lparen) ++depth;
                if (t[k].kind == Tok::rparen && --depth == 0) break;
                if (t[k].kind == Tok::semicolon || t[k].kind == Tok::lbrace) break;
            }
            spans.push_back({i + 2, k, k < t.size() ? t[k].offset + 1 : std::string_view::npos});
        }
    }
    return spans;
}

}  // namespace

std::vector<Warning> warnings(std::string_view source, std::size_t before) {
    std::vector<Warning> out;
    const std::vector<Token> tokens = tokenize(source);
    for (const Span& span : expressions(tokens)) {
        if (span.end == std::string_view::npos || span.end > before || span.from >= span.to)
            continue;
        Parser parser(tokens, span.from, span.to);
        const Node root = parser.expression();
        walk(source, root, out);
        const int words = need(root);
        if (words > stackWords) {
            Warning w;
            w.offset = root.begin;
            w.length = root.end - root.begin;
            w.name = "stack";
            w.message = "this expression needs " + std::to_string(words) +
                        " words of stack at once, and the machine has " +
                        std::to_string(stackWords);
            w.notes.push_back(
                "it stops with a stack overflow when it runs: every operand of a chain stays "
                "on the stack until the chain's last operator; group the chain from the left, "
                "'((a + b) + c) + ...', or split it over several assignments");
            out.push_back(std::move(w));
        }
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const Warning& a, const Warning& b) { return a.offset < b.offset; });
    return out;
}

namespace {

// The operators of `n` in the order their code comes: a chain's operands first, then its
// operators from the last to the first, as the generator writes them.
void emitted(const Node& n, bool divisions, std::vector<std::size_t>& out) {
    for (const Node& operand : n.operands) emitted(operand, divisions, out);
    if (n.kind != Node::chain) return;
    for (std::size_t k = n.ops.size(); k-- > 0;) {
        const std::string_view op = n.ops[k];
        const bool division = op == "/" || op == "%";
        const bool arithmetic = op == "+" || op == "-" || op == "*";
        if (divisions ? division : arithmetic) out.push_back(n.opOffsets[k]);
    }
}

}  // namespace

std::vector<std::size_t> trapOperators(std::string_view source, std::size_t statement,
                                       bool divisions) {
    std::vector<std::size_t> out;
    const std::vector<Token> tokens = tokenize(source);
    std::size_t first = 0;
    while (first < tokens.size() && tokens[first].offset < statement) ++first;
    for (const Span& span : expressions(tokens)) {
        if (span.from < first || span.from >= span.to) continue;
        // The statement's own expression: right after its name and `=`, or its `if (` or `while (`.
        if (span.from - first > 2) break;
        Parser parser(tokens, span.from, span.to);
        emitted(parser.expression(), divisions, out);
        break;
    }
    return out;
}

int stackNeed(std::string_view source, std::size_t offset) {
    const std::vector<Token> tokens = tokenize(source);
    for (const Span& span : expressions(tokens)) {
        if (span.from < span.to && tokens[span.from].offset == offset) {
            Parser parser(tokens, span.from, span.to);
            return need(parser.expression());
        }
    }
    return -1;
}

}  // namespace lumo::hints
