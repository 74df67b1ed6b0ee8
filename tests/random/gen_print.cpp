// Token list and layout of generated programs.
#include "gen_print.hpp"

#include <array>
#include <cctype>

namespace lumogen {

namespace {

constexpr size_t kLongComment = 1024;

const char* typeWord(Ty ty) {
    switch (ty) {
        case Ty::Bool:
            return "bool";
        case Ty::Str:
            return "string";
        default:
            return "int";
    }
}

class Tokenizer {
  public:
    std::vector<Tok> run(const Program& p);

  private:
    void add(std::string text, Role role) { out_.push_back(Tok{std::move(text), role}); }
    void decl(const Decl& d);
    void block(const std::vector<Stmt>& stmts);
    void statement(const Stmt& s);
    void expr(const Expr& e);
    void basic(const Basic& b);
    void term(const Term& t);
    void factor(const Factor& f);

    std::vector<Tok> out_;
};

std::vector<Tok> Tokenizer::run(const Program& p) {
    for (const Decl& d : p.decls) decl(d);
    add("{", Role::ProgOpen);
    for (const Stmt& s : p.body) statement(s);
    add("}", Role::ProgClose);
    return std::move(out_);
}

void Tokenizer::decl(const Decl& d) {
    if (d.isConst) add("const", Role::DeclConst);
    add(typeWord(d.ty), Role::DeclType);
    add(d.name, Role::DeclName);
    if (!d.init.empty()) {
        add("=", Role::DeclAssign);
        add(d.init, Role::DeclLiteral);
    }
    add(";", Role::DeclEnd);
}

void Tokenizer::block(const std::vector<Stmt>& stmts) {
    add("{", Role::BlockOpen);
    for (const Stmt& s : stmts) statement(s);
    add("}", Role::BlockClose);
}

void Tokenizer::statement(const Stmt& s) {
    switch (s.kind) {
        case Stmt::Kind::Assign:
            add(s.name, Role::Target);
            add("=", Role::AssignOp);
            expr(s.expr);
            break;
        case Stmt::Kind::If:
            add("if", Role::IfKw);
            add("(", Role::IfOpen);
            expr(s.expr);
            add(")", Role::IfClose);
            block(s.body);
            if (s.hasElse) {
                add("else", Role::ElseKw);
                block(s.elseBody);
            }
            break;
        case Stmt::Kind::While:
            add("while", Role::WhileKw);
            add("(", Role::WhileOpen);
            expr(s.expr);
            add(")", Role::WhileClose);
            block(s.body);
            break;
        case Stmt::Kind::Cin:
            add("cin", Role::CinKw);
            add(">>", Role::CinOp);
            add(s.name, Role::CinTarget);
            break;
        case Stmt::Kind::Cout:
            add("cout", Role::CoutKw);
            add("<<", Role::CoutOp);
            add(s.name, Role::CoutSource);
            break;
    }
    add(";", Role::StmtEnd);
}

void Tokenizer::expr(const Expr& e) {
    basic(e.left);
    if (e.rel.empty()) return;
    add(e.rel, Role::Operator);
    basic(e.right);
}

void Tokenizer::basic(const Basic& b) {
    for (size_t i = 0; i < b.terms.size(); ++i) {
        if (i > 0) add(b.ops[i - 1], Role::Operator);
        term(b.terms[i]);
    }
}

void Tokenizer::term(const Term& t) {
    for (size_t i = 0; i < t.factors.size(); ++i) {
        if (i > 0) add(t.ops[i - 1], Role::Operator);
        factor(t.factors[i]);
    }
}

void Tokenizer::factor(const Factor& f) {
    switch (f.form) {
        case Factor::Form::Lit:
            add(f.text, Role::Literal);
            break;
        case Factor::Form::Name:
            add(f.text, Role::Name);
            break;
        case Factor::Form::Paren:
            add("(", Role::ParenOpen);
            expr(*f.sub);
            add(")", Role::ParenClose);
            break;
        case Factor::Form::Not:
            add("!", Role::Not);
            factor(*f.inner);
            break;
        case Factor::Form::Empty:
            break;
    }
}

bool isWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

// Two tokens written without a gap must still read as two tokens.
bool needsGap(const Tok& prev, const Tok& next) {
    if (prev.role == Role::Raw || next.role == Role::Raw) return true;
    const char a = prev.text.back();
    const char b = next.text.front();
    if (isWordChar(a) && isWordChar(b)) return true;
    static const std::array<const char*, 9> pairs = {"==", "<=", ">=", "!=", "<<",
                                                     ">>", "&&", "||", "//"};
    const std::string joined{a, b};
    for (const char* p : pairs) {
        if (joined == p) return true;
    }
    return false;
}

// Comment text; a carriage return now and then unless the layout keeps to plain space.
std::string commentText(Rng& rng, size_t length, bool plain) {
    std::string text;
    for (size_t i = 0; i < length; ++i) {
        const long r = rng.between(0, 99);
        text += r < 2 ? (plain ? ' ' : '\r') : static_cast<char>(rng.between(0x20, 0x7E));
    }
    return text;
}

// A comment around and far beyond 1024 bytes: it still runs to the end of its line.
std::string longComment(Rng& rng, bool plain) {
    switch (rng.between(0, 2)) {
        case 0:
            return "//" + commentText(rng, kLongComment, plain) + "\n";
        case 1:
            return "//" + commentText(rng, kLongComment - 1, plain) + "\n";
        default:
            return "//" + commentText(rng, 4 * kLongComment, plain) + "\n";
    }
}

std::string chaoticGap(Rng& rng, const Layout& layout) {
    static const std::vector<std::string> plain = {" ", " ", "\n", "\t", "  ", "\n\n    ", " \t"};
    static const std::vector<std::string> exotic = {"\r\n", "\r", "\v", "\f", "\xFF", " \xFF "};
    std::string gap;
    for (long n = rng.between(0, 2); n > 0; --n) {
        const long r = rng.between(0, 99);
        if (r < layout.commentPercent) {
            gap += "//" +
                   commentText(rng, static_cast<size_t>(rng.between(0, 30)),
                               layout.avoid.exoticSpace) +
                   "\n";
        } else if (layout.longComments && r < layout.commentPercent + 2) {
            const std::string comment = longComment(rng, layout.avoid.exoticSpace);
            gap += layout.avoid.longComments ? "\n" : comment;
        } else if (layout.exotic && r > 85) {
            const std::string& space = rng.pick(exotic);
            gap += layout.avoid.exoticSpace ? " " : space;
        } else {
            gap += rng.pick(plain);
        }
    }
    return gap;
}

class Renderer {
  public:
    Renderer(const Layout& layout, Rng& rng) : layout_(layout), rng_(rng) {}
    std::string run(const std::vector<Tok>& tokens);

  private:
    std::string gap(const Tok& prev, const Tok& next);
    std::string prettyGap(const Tok& prev, const Tok& next);
    std::string lineBreak();

    const Layout& layout_;
    Rng& rng_;
    int depth_ = 0;
};

std::string Renderer::run(const std::vector<Tok>& tokens) {
    std::string text;
    for (size_t i = 0; i < tokens.size(); ++i) {
        const Tok& t = tokens[i];
        if (t.role == Role::ProgClose || t.role == Role::BlockClose) --depth_;
        if (i > 0) text += gap(tokens[i - 1], t);
        text += t.text;
        if (t.role == Role::ProgOpen || t.role == Role::BlockOpen) ++depth_;
    }
    return text;
}

std::string Renderer::gap(const Tok& prev, const Tok& next) {
    std::string g;
    switch (layout_.style) {
        case Layout::Style::Pretty:
            g = prettyGap(prev, next);
            break;
        case Layout::Style::Compact:
            g = prev.role == Role::StmtEnd && rng_.chance(5) ? "\n" : "";
            break;
        case Layout::Style::Chaotic:
            g = chaoticGap(rng_, layout_);
            break;
    }
    if (g.empty() && needsGap(prev, next)) g = " ";
    // A comment right behind a division sign would take the sign as its first slash.
    if (!g.empty() && g[0] == '/' && prev.text.back() == '/') g = " " + g;
    if ((prev.role == Role::Raw || next.role == Role::Raw) && g.find(' ') != 0) g = " " + g;
    return g;
}

std::string Renderer::prettyGap(const Tok& prev, const Tok& next) {
    const bool closing = next.role == Role::BlockClose || next.role == Role::ProgClose;
    const bool opened = prev.role == Role::BlockOpen || prev.role == Role::ProgOpen;
    const bool ended = prev.role == Role::StmtEnd || prev.role == Role::DeclEnd;
    if (opened || ended || (closing && prev.role != Role::BlockOpen)) return lineBreak();
    if (closing) return "";
    return rng_.chance(8) ? "" : " ";
}

std::string Renderer::lineBreak() {
    std::string g;
    if (rng_.chance(layout_.commentPercent)) {
        g += "  //" +
             commentText(rng_, static_cast<size_t>(rng_.between(0, 40)), layout_.avoid.exoticSpace);
    }
    g += "\n";
    for (int i = 0; i < depth_; ++i) g += layout_.indent;
    return g;
}

}  // namespace

std::vector<Tok> tokenize(const Program& program) {
    return Tokenizer().run(program);
}

bool startsStatement(Role role) {
    return role == Role::Target || role == Role::IfKw || role == Role::WhileKw ||
           role == Role::CinKw || role == Role::CoutKw;
}

Layout randomLayout(Rng& rng, const Avoid& avoid) {
    static const std::vector<std::string> indents = {"  ", "    ", "\t"};
    Layout layout;
    const long r = rng.between(0, 99);
    layout.style = r < 45   ? Layout::Style::Pretty
                   : r < 65 ? Layout::Style::Compact
                            : Layout::Style::Chaotic;
    layout.indent = rng.pick(indents);
    static const std::vector<int> comments = {0, 0, 5, 20};
    layout.commentPercent = rng.pick(comments);
    layout.exotic = rng.chance(30);
    layout.longComments = rng.chance(20);
    layout.avoid = avoid;
    return layout;
}

std::string render(const std::vector<Tok>& tokens, const Layout& layout, Rng& rng) {
    return Renderer(layout, rng).run(tokens);
}

std::string trailingJunk(Rng& rng) {
    static const std::vector<std::string> junk = {
        "\n# notes: x = 1 + ; & | _ $ @ 99999999\n", "\n} } } \"unterminated\n", "\n\x01\x02 @@",
        "\nint x = ;;; cout << << ;", "\n// only a comment"};
    return rng.pick(junk);
}

}  // namespace lumogen
