// Fault planting, text half: syntax errors (a token replaced, removed or added where the
// grammar wants another) and lexical errors (a character no token may hold, a literal out
// of range, a string or the whole input cut short). Planted tokens are kept apart from
// their neighbours by white space, so each reads as the token it is meant to be.
#include <functional>

#include "gen_fault.hpp"

namespace lumogen {

namespace {

Tok raw(std::string text) {
    return Tok{std::move(text), Role::Raw};
}

// A token at places of one role is replaced by one of `with` or, when `del` allows it,
// removed; either way the analyser stops there with `status`.
struct Swap {
    Role role;
    std::vector<std::string> with;
    bool del;
    int status;
    const char* what;
};

const std::vector<Swap>& swaps() {
    static const std::vector<Swap> table = {
        {Role::DeclName,
         {"5", "int", "true", "(", "if", "\"name\""},
         true,
         1,
         "declaration without a name"},
        {Role::DeclLiteral, {"x", "-", "(", "cin"}, true, 2, "initialiser that is no literal"},
        {Role::DeclEnd, {")", "}", "cout", "5", "("}, true, 3, "declaration without its ;"},
        {Role::BlockOpen, {"(", ";", ")", "5", "x"}, true, 4, "block without its {"},
        {Role::IfOpen, {"{", ";", "=", "}", "cout"}, true, 6, "if without its ("},
        {Role::IfClose, {";", "}", "=", "cin", "5", "{", "x"}, true, 7, "if without its )"},
        {Role::StmtEnd, {")", "=", "{", "(", "5"}, true, 8, "statement without its ;"},
        {Role::CinOp, {"<<", ">", "=", "<", ">="}, true, 9, "cin without >>"},
        {Role::CoutOp, {">>", "<", "=", ">", "<="}, true, 10, "cout without <<"},
        {Role::CinTarget, {"5", "\"s\"", "true", "(", ";"}, false, 11, "cin without a name"},
        {Role::CoutSource, {"\"hi\"", "5", "false", "(", ";"}, false, 12, "cout without a name"},
        {Role::AssignOp, {"==", "<=", "<<", ">>", "!="}, true, 14, "assignment without ="},
        {Role::WhileOpen, {"{", ";", "=", "}", "cout"}, true, 15, "while without its ("},
        {Role::WhileClose, {";", "}", "=", "cin", "5", "{", "x"}, true, 16, "while without its )"},
        {Role::ParenClose,
         {";", "}", "{", "=", "cout", "5", "x"},
         false,
         17,
         "parenthesis not closed"},
        {Role::DeclType,
         {"x", "5", ";", "cin", "(", "=", "const"},
         true,
         18,
         "declaration without a type"},
    };
    return table;
}

const std::vector<std::vector<std::string>>& strayStatements() {
    static const std::vector<std::vector<std::string>> table = {{";"},
                                                                {"{", "}", ";"},
                                                                {"int", "fresh", ";"},
                                                                {"else", "{", "}", ";"},
                                                                {"5", ";"},
                                                                {"(", "x", ")", ";"},
                                                                {"=", "5", ";"},
                                                                {"\"s\"", ";"},
                                                                {"const"},
                                                                {"true", ";"},
                                                                {"<<", ";"},
                                                                {")"},
                                                                {"!", "b"},
                                                                {"-", "1", ";"},
                                                                {"&&"},
                                                                {"string"}};
    return table;
}

class TokenFaults {
  public:
    TokenFaults(std::vector<Tok>& tokens, const Layout& layout, Rng& rng, const Avoid& avoid)
        : toks_(tokens), layout_(layout), rng_(rng), avoid_(avoid) {}
    bool syntax(Planted& p, std::string& text);
    bool lexical(Planted& p, std::string& text);

  private:
    std::vector<size_t> find(std::function<bool(size_t)> keep) const;
    void insert(size_t at, const std::vector<std::string>& texts);
    bool swap(const Swap& s, Planted& p);
    bool noBrace(Planted& p);
    bool statementBeforeBrace(Planted& p);
    bool strayStatement(Planted& p);
    std::string cutShort(bool mayEndInComment);
    bool controlInString(Planted& p);
    bool bigLiteral(Planted& p);
    void strayMark(Planted& p);
    void strayText(const std::string& text);

    std::vector<Tok>& toks_;
    const Layout& layout_;
    Rng& rng_;
    const Avoid& avoid_;
};

std::vector<size_t> TokenFaults::find(std::function<bool(size_t)> keep) const {
    std::vector<size_t> out;
    for (size_t i = 0; i < toks_.size(); ++i) {
        if (keep(i)) out.push_back(i);
    }
    return out;
}

void TokenFaults::insert(size_t at, const std::vector<std::string>& texts) {
    std::vector<Tok> planted;
    for (const std::string& t : texts) planted.push_back(raw(t));
    toks_.insert(toks_.begin() + static_cast<long>(at), planted.begin(), planted.end());
}

bool TokenFaults::syntax(Planted& p, std::string& text) {
    const std::vector<Swap>& table = swaps();
    const long r = rng_.between(0, static_cast<long>(table.size()) + 2);
    bool done = false;
    if (r < static_cast<long>(table.size())) done = swap(table[static_cast<size_t>(r)], p);
    if (r == static_cast<long>(table.size())) {
        done = rng_.chance(50) ? noBrace(p) : statementBeforeBrace(p);
    }
    if (!done) done = strayStatement(p);
    text = render(toks_, layout_, rng_);
    return done;
}

bool TokenFaults::swap(const Swap& s, Planted& p) {
    std::vector<size_t> at = find([&](size_t i) { return toks_[i].role == s.role; });
    if (at.empty()) return false;
    const size_t i = rng_.pick(at);
    // Without its "(", a condition that starts with "(" would lend it one.
    const bool opening = s.role == Role::IfOpen || s.role == Role::WhileOpen;
    const bool mayDelete = s.del && !(opening && toks_[i + 1].text == "(");
    if (mayDelete && rng_.chance(40)) {
        toks_.erase(toks_.begin() + static_cast<long>(i));
    } else {
        toks_[i] = raw(rng_.pick(s.with));
    }
    p = Planted{s.status, s.what};
    return true;
}

// Without the program's "{", its first statement is taken for a declaration.
bool TokenFaults::noBrace(Planted& p) {
    std::vector<size_t> at = find([&](size_t i) { return toks_[i].role == Role::ProgOpen; });
    toks_.erase(toks_.begin() + static_cast<long>(at.front()));
    p = Planted{18, "program without its {"};
    return true;
}

bool TokenFaults::statementBeforeBrace(Planted& p) {
    std::vector<size_t> at = find([&](size_t i) { return toks_[i].role == Role::ProgOpen; });
    insert(at.front(), {"x", "=", "1", ";"});
    p = Planted{18, "statement among the declarations"};
    return true;
}

bool TokenFaults::strayStatement(Planted& p) {
    std::vector<size_t> at = find([&](size_t i) {
        const Role r = toks_[i].role;
        return startsStatement(r) || r == Role::BlockClose || r == Role::ProgClose;
    });
    insert(rng_.pick(at), rng_.pick(strayStatements()));
    p = Planted{19, "a statement that starts with no statement's first token"};
    return true;
}

bool TokenFaults::lexical(Planted& p, std::string& text) {
    static const std::vector<std::string> ampersands = {"&a",  "&x", "&1", "& ", "&(",
                                                        "&\n", "&=", "&|", "&;", "&\t"};
    static const std::vector<std::string> bars = {"|a",  "|x", "|1", "| ", "|(",
                                                  "|\n", "|=", "|&", "|;", "|\t"};
    const long r = rng_.between(0, 6);
    if (r == 0) {
        text = cutShort(true);
        p = Planted{1, "input ends before the program's closing brace"};
        return true;
    }
    if (r == 2) {
        text = cutShort(false) + rng_.pick(std::vector<std::string>{"", " ", "\n"}) + "\"" +
               stringContent(rng_, false, avoid_) + "x";
        p = Planted{3, "string literal without its closing quote"};
        return true;
    }
    const bool done = (r == 1 && controlInString(p)) || (r == 3 && bigLiteral(p));
    if (!done && r == 4) {
        strayText(rng_.pick(ampersands));
        p = Planted{5, "a single &"};
    } else if (!done && r == 5) {
        strayText(rng_.pick(bars));
        p = Planted{6, "a single |"};
    } else if (!done) {
        strayMark(p);
    }
    text = render(toks_, layout_, rng_);
    return true;
}

// The program up to a token before its closing brace: a correct beginning that ends early.
// A comment at the very end would swallow a string literal appended after it.
std::string TokenFaults::cutShort(bool mayEndInComment) {
    if (rng_.chance(4)) return rng_.pick(std::vector<std::string>{"", "  \n\t", "// nothing\n"});
    const long last = static_cast<long>(rng_.index(toks_.size() - 1));
    std::vector<Tok> kept(toks_.begin(), toks_.begin() + last + 1);
    std::vector<std::string> ends = {"\n", " ", "\t\n\n"};
    if (mayEndInComment) ends.push_back("\n// the end");
    return render(kept, layout_, rng_) + rng_.pick(ends);
}

bool TokenFaults::controlInString(Planted& p) {
    std::vector<size_t> at = find(
        [&](size_t i) { return toks_[i].role == Role::DeclLiteral && toks_[i].text[0] == '"'; });
    if (at.empty()) return false;
    std::string& text = toks_[rng_.pick(at)].text;
    char c = static_cast<char>(rng_.between(0, 0x1F));
    if (c == '\t' || c == '\n') c = rng_.chance(50) ? '\r' : '\x7F';
    text.insert(text.begin() + rng_.between(1, static_cast<long>(text.size()) - 1), c);
    p = Planted{2, "control character in a string literal"};
    return true;
}

bool TokenFaults::bigLiteral(Planted& p) {
    std::vector<size_t> at = find([&](size_t i) {
        const Tok& t = toks_[i];
        return (t.role == Role::Literal || t.role == Role::DeclLiteral) &&
               t.text.find_first_not_of("0123456789") == std::string::npos;
    });
    if (at.empty()) return false;
    static const std::vector<std::string> big = {"32768",
                                                 "65536",
                                                 "4294967296",
                                                 "000040000",
                                                 "99999999999999999999999",
                                                 "1000000000000000000000000000000"};
    toks_[rng_.pick(at)].text =
        rng_.chance(50) ? std::to_string(rng_.between(32768, 999999)) : rng_.pick(big);
    p = Planted{4, "integer literal above 32767"};
    return true;
}

void TokenFaults::strayMark(Planted& p) {
    static const std::string marks = "#_.@$?~^[]':,\\`";
    const long k = rng_.between(0, 99);
    std::string c(1, marks[rng_.index(marks.size())]);
    if (k >= 70 && k < 85) c = std::string(1, static_cast<char>(rng_.between(0x0E, 0x1F)));
    if (k >= 85 && k < 92) c = std::string(1, rng_.chance(50) ? '\x7F' : '\0');
    if (k >= 92) c = std::string(1, static_cast<char>(rng_.between(0x80, 0xFE)));
    strayText(c);
    p = Planted{7, "a character that starts no token"};
}

void TokenFaults::strayText(const std::string& text) {
    toks_.insert(toks_.begin() + static_cast<long>(rng_.index(toks_.size())), raw(text));
}

}  // namespace

bool plantTokenFault(FaultKind kind, std::vector<Tok>& tokens, std::string& text,
                     const Layout& layout, Rng& rng, const Avoid& avoid, Planted& planted) {
    TokenFaults faults(tokens, layout, rng, avoid);
    return kind == FaultKind::Syntax ? faults.syntax(planted, text) : faults.lexical(planted, text);
}

}  // namespace lumogen
