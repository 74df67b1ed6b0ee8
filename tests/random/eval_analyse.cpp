// The evaluator's analysis: a recursive-descent parser over one current token that builds
// the program and stops at the first error. Operator chains are parsed left to right and
// then checked from their last operator back to their first, each check reporting the token
// after the chain, which is the order in which the compiler's right-recursive rules meet
// the faults.
#include <algorithm>
#include <array>
#include <unordered_map>

#include "eval_program.hpp"

namespace lumoeval {

namespace {

const std::array<const char*, 21> kSyntax = {
    "Not a syntax error.\n",
    "Expected identifier in declaration.\n",
    "Expected literal in declaration initialisation.\n",
    "Expected terminator after declaration.\n",
    "Expected left brace in compound statement.\n",
    "Expected right brace in compound statement.\n",
    "Expected left parenthesis in if statement condition.\n",
    "Expected right parenthesis in if statement condition.\n",
    "Expected terminator after statement.\n",
    "Expected >> in input statement.\n",
    "Expected << in output statement.\n",
    "Expected identifier in input statement.\n",
    "Expected identifier in output statement.\n",
    "Expected identifier in assignment statement.\n",
    "Expected assignment symbol in assignment statement.\n",
    "Expected left parenthesis in while statement.\n",
    "Expected right parenthesis in while statement.\n",
    "Expected right parenthesis in factor.\n",
    "Expected type identifier in declaration.\n",
    "Unrecognised statement type.\n",
    "Unknown syntax error.\n"};

const std::array<const char*, 8> kStatic = {
    "Not a static semantic error.\n",
    "Attempt to re-declare variable or constant.\n",
    "Attempt to use undeclared variable or constant identifier.\n",
    "Attempt to declare an uninitialised constant.\n",
    "Attempt to declare a variable of type string.\n",
    "Attempt to input to a constant.\n",
    "Attempt to assign to a constant.\n",
    "Unknown static semantic error.\n"};

const std::array<const char*, 26> kType = {
    "Not a type error.\n",
    "Mismatch between types of identifier and expression in assignment.\n",
    "Attempt to use a non-bool expression as if condition.\n",
    "Attempt to use a non-bool expression as while condition.\n",
    "Mismatch between types in an expression.\n",
    "Attempt to give a sign to a non-int term.\n",
    "Mismatch between types in a basic expression.\n",
    "Attempt to use + operator with non-int operands.\n",
    "Attempt to use - operator with non-int operands.\n",
    "Attempt to use || operator with non-bool operands.\n",
    "Mismatch between types in a term.\n",
    "Attempt to use * operator with non-int operands.\n",
    "Attempt to use / operator with non-int operands.\n",
    "Attempt to use % operator with non-int operands.\n",
    "Attempt to use && operator with non-bool operands.\n",
    "Attempt to use ! operator with non-bool operand.\n",
    "Attempt to input to a non-integer variable.\n",
    "Attempt to output a non-integer or non-string value.\n",
    "Attempt to use == operator with a string value.\n",
    "Attempt to use != operator with a string value.\n",
    "Attempt to use > operator with a string value.\n",
    "Attempt to use < operator with a string value.\n",
    "Attempt to use >= operator with a string value.\n",
    "Attempt to use <= operator with a string value.\n",
    "Mismatch between types in a declaration.\n",
    "Unknown type error.\n"};

std::string heading(int n) {
    const std::string num = std::to_string(n);
    if (n > 0 && n < 21) return "Syntax error " + num + ".\n" + kSyntax[n] + "Found : ";
    if (n > 100 && n < 108) return "Static semantic error " + num + ".\n" + kStatic[n - 100];
    if (n > 200 && n < 226) return "Type error " + num + ".\n" + kType[n - 200];
    return "Unknown error number : " + num + ".\n";
}

Op operatorOf(const std::string& text) {
    static const std::unordered_map<std::string, Op> ops = {
        {"+", Op::Add}, {"-", Op::Sub},  {"||", Op::Or}, {"*", Op::Mul}, {"/", Op::Div},
        {"%", Op::Mod}, {"&&", Op::And}, {"==", Op::Eq}, {"!=", Op::Ne}, {">", Op::Gt},
        {"<", Op::Lt},  {">=", Op::Ge},  {"<=", Op::Le}};
    return ops.at(text);
}

// Error for an operator applied to operands of type t, or 0 when the operator accepts them.
int operatorError(Op op, Type t) {
    switch (op) {
        case Op::Add:
            return t == Type::Int ? 0 : 207;
        case Op::Sub:
            return t == Type::Int ? 0 : 208;
        case Op::Or:
            return t == Type::Bool ? 0 : 209;
        case Op::Mul:
            return t == Type::Int ? 0 : 211;
        case Op::Div:
            return t == Type::Int ? 0 : 212;
        case Op::Mod:
            return t == Type::Int ? 0 : 213;
        case Op::And:
            return t == Type::Bool ? 0 : 214;
        default:
            return 0;
    }
}

int stringRelationError(Op op) {
    return 218 + static_cast<int>(op) - static_cast<int>(Op::Eq);
}

class Analyser {
  public:
    explicit Analyser(std::string_view source) : scanner_(source) {}
    Analysis run();

  private:
    bool fail(int number, const Token& at);
    bool advance() { return scanner_.next(cur_, failure_); }
    int lookup(const std::string& name) const;

    bool declarations();
    bool declaration();
    bool initialiser(Symbol& sym, const Token& id);
    bool compound(std::vector<Stmt>& out);
    bool statement(Stmt& s);
    bool assignment(Stmt& s);
    bool ifStatement(Stmt& s);
    bool whileStatement(Stmt& s);
    bool condition(Stmt& s, int lparenError, int typeError, int rparenError);
    bool input(Stmt& s);
    bool output(Stmt& s);
    bool expression(Expr& e, Type& type);
    bool basic(Basic& b, Type& type);
    bool term(Term& t, Type& type);
    bool factor(Factor& f);
    bool parenthesised(Factor& f);
    bool negated(Factor& f);
    bool checkChain(const std::vector<Type>& types, const std::vector<Op>& ops, int mismatch);

    bool deeper();

    Scanner scanner_;
    Token cur_;
    int depth_ = 0;  // nesting of blocks and parentheses, bounded to keep recursion safe
    Failure failure_;
    Program program_;
    std::unordered_map<std::string, int> names_;
};

Analysis Analyser::run() {
    Analysis result;
    scanner_.start();
    bool ok = advance() && declarations() && compound(program_.body);
    result.ok = ok;
    if (ok) {
        result.program = std::move(program_);
    } else {
        result.failure = failure_;
    }
    return result;
}

// The evaluator recurses once per level of nesting; beyond this many levels it gives up
// rather than run out of stack.
constexpr int kMaxNesting = 1000;

bool Analyser::deeper() {
    if (++depth_ <= kMaxNesting) return true;
    failure_ = Failure{0, "nesting deeper than the evaluator follows", true, scanner_.offset()};
    return false;
}

bool Analyser::fail(int number, const Token& at) {
    failure_ = Failure{number, heading(number) + describe(at) + "\n", false, scanner_.offset()};
    return false;
}

int Analyser::lookup(const std::string& name) const {
    auto it = names_.find(name);
    return it == names_.end() ? -1 : it->second;
}

bool Analyser::declarations() {
    while (cur_.kind != Kind::LBrace) {
        if (!declaration()) return false;
        if (cur_.kind != Kind::Terminator) return fail(3, cur_);
        if (!advance()) return false;
    }
    return true;
}

bool Analyser::declaration() {
    Symbol sym;
    if (cur_.kind == Kind::Const) {
        sym.isConst = true;
        if (!advance()) return false;
    }
    switch (cur_.kind) {
        case Kind::Bool:
            sym.type = Type::Bool;
            break;
        case Kind::String:
            sym.type = Type::String;
            break;
        case Kind::Int:
            sym.type = Type::Int;
            break;
        default:
            return fail(18, cur_);
    }
    if (!advance()) return false;
    const Token id = cur_;
    if (cur_.kind != Kind::Identifier) return fail(1, cur_);
    sym.name = cur_.text;
    if (lookup(sym.name) >= 0) return fail(101, id);
    if (!advance()) return false;
    if (cur_.kind == Kind::Assign && !initialiser(sym, id)) return false;
    if (sym.isConst && !sym.hasInit) return fail(103, id);
    if (sym.type == Type::String && !sym.isConst) return fail(104, id);
    names_.emplace(sym.name, static_cast<int>(program_.symbols.size()));
    program_.symbols.push_back(std::move(sym));
    return true;
}

bool Analyser::initialiser(Symbol& sym, const Token& id) {
    if (!advance()) return false;
    switch (cur_.kind) {
        case Kind::BoolLiteral:
            if (sym.type != Type::Bool) return fail(224, id);
            sym.initValue = cur_.text == "true" ? -1 : 0;
            break;
        case Kind::StringLiteral:
            if (sym.type != Type::String) return fail(224, id);
            sym.initText = cur_.text;
            break;
        case Kind::IntLiteral:
            if (sym.type != Type::Int) return fail(224, id);
            sym.initValue = cur_.value;
            break;
        default:
            return fail(2, cur_);
    }
    sym.hasInit = true;
    return advance();
}

// Leaves the current token at the closing brace; callers that go on read past it.
bool Analyser::compound(std::vector<Stmt>& out) {
    if (cur_.kind != Kind::LBrace) return fail(4, cur_);
    if (!deeper()) return false;
    if (!advance()) return false;
    while (cur_.kind != Kind::RBrace) {
        Stmt s;
        if (!statement(s)) return false;
        if (cur_.kind != Kind::Terminator) return fail(8, cur_);
        out.push_back(std::move(s));
        if (!advance()) return false;
    }
    --depth_;
    return true;
}

bool Analyser::statement(Stmt& s) {
    switch (cur_.kind) {
        case Kind::If:
            return ifStatement(s);
        case Kind::While:
            return whileStatement(s);
        case Kind::Cin:
            return input(s);
        case Kind::Cout:
            return output(s);
        case Kind::Identifier:
            return assignment(s);
        default:
            return fail(19, cur_);
    }
}

bool Analyser::assignment(Stmt& s) {
    s.kind = Stmt::Kind::Assign;
    s.symbol = lookup(cur_.text);
    if (s.symbol < 0) return fail(102, cur_);
    const Symbol& target = program_.symbols[s.symbol];
    if (target.isConst) return fail(106, cur_);
    if (!advance()) return false;
    if (cur_.kind != Kind::Assign) return fail(14, cur_);
    Type type = Type::None;
    if (!advance() || !expression(s.expr, type)) return false;
    if (type != target.type) return fail(201, cur_);
    return true;
}

bool Analyser::ifStatement(Stmt& s) {
    s.kind = Stmt::Kind::If;
    if (!condition(s, 6, 202, 7) || !compound(s.body) || !advance()) return false;
    if (cur_.kind != Kind::Else) return true;
    return advance() && compound(s.elseBody) && advance();
}

bool Analyser::whileStatement(Stmt& s) {
    s.kind = Stmt::Kind::While;
    return condition(s, 15, 203, 16) && compound(s.body) && advance();
}

// The keyword, the parenthesised condition and the token after it; the condition's type is
// checked before its closing parenthesis.
bool Analyser::condition(Stmt& s, int lparenError, int typeError, int rparenError) {
    if (!advance()) return false;
    if (cur_.kind != Kind::LParen) return fail(lparenError, cur_);
    Type type = Type::None;
    if (!advance() || !expression(s.expr, type)) return false;
    if (type != Type::Bool) return fail(typeError, cur_);
    if (cur_.kind != Kind::RParen) return fail(rparenError, cur_);
    return advance();
}

bool Analyser::input(Stmt& s) {
    s.kind = Stmt::Kind::Cin;
    if (!advance()) return false;
    if (cur_.kind != Kind::Input) return fail(9, cur_);
    if (!advance()) return false;
    if (cur_.kind != Kind::Identifier) return fail(11, cur_);
    s.symbol = lookup(cur_.text);
    if (s.symbol < 0) return fail(102, cur_);
    if (program_.symbols[s.symbol].type != Type::Int) return fail(216, cur_);
    if (program_.symbols[s.symbol].isConst) return fail(105, cur_);
    return advance();
}

bool Analyser::output(Stmt& s) {
    s.kind = Stmt::Kind::Cout;
    if (!advance()) return false;
    if (cur_.kind != Kind::Output) return fail(10, cur_);
    if (!advance()) return false;
    if (cur_.kind != Kind::Identifier) return fail(12, cur_);
    s.symbol = lookup(cur_.text);
    if (s.symbol < 0) return fail(102, cur_);
    Type type = program_.symbols[s.symbol].type;
    if (type != Type::Int && type != Type::String) return fail(217, cur_);
    return advance();
}

bool Analyser::expression(Expr& e, Type& type) {
    Type left = Type::None;
    if (!basic(e.left, left)) return false;
    type = left;
    if (cur_.kind != Kind::RelOp) return true;
    e.hasRelation = true;
    e.relation = operatorOf(cur_.text);
    Type right = Type::None;
    if (!advance() || !basic(e.right, right)) return false;
    if (left != right) return fail(204, cur_);
    if (left == Type::String) return fail(stringRelationError(e.relation), cur_);
    if (left == Type::None) {
        failure_ = Failure{0, "relation between two missing operands", true, scanner_.offset()};
        return false;
    }
    type = Type::Bool;
    return true;
}

bool Analyser::checkChain(const std::vector<Type>& types, const std::vector<Op>& ops,
                          int mismatch) {
    for (size_t i = ops.size(); i-- > 0;) {
        if (types[i] != types[i + 1]) return fail(mismatch, cur_);
        if (int err = operatorError(ops[i], types[i])) return fail(err, cur_);
    }
    return true;
}

bool Analyser::basic(Basic& b, Type& type) {
    std::vector<Type> types;
    for (;;) {
        Type t = Type::None;
        b.operands.emplace_back();
        if (!term(b.operands.back(), t)) return false;
        types.push_back(t);
        if (cur_.kind != Kind::AddOp) break;
        b.ops.push_back(operatorOf(cur_.text));
        if (!advance()) return false;
    }
    type = types.front();
    return checkChain(types, b.ops, 206);
}

bool Analyser::term(Term& t, Type& type) {
    std::vector<Type> types;
    for (;;) {
        t.operands.emplace_back();
        if (!factor(t.operands.back())) return false;
        types.push_back(t.operands.back().type);
        if (cur_.kind != Kind::MulOp) break;
        t.ops.push_back(operatorOf(cur_.text));
        if (!advance()) return false;
    }
    type = types.front();
    return checkChain(types, t.ops, 210);
}

bool Analyser::factor(Factor& f) {
    using Form = Factor::Form;
    switch (cur_.kind) {
        case Kind::BoolLiteral:
            f = Factor{Form::Literal, Type::Bool, cur_.text == "true" ? -1 : 0, -1, {}, {}};
            return advance();
        case Kind::StringLiteral:
            f = Factor{Form::Literal, Type::String, 0, -1, {}, {}};
            return advance();
        case Kind::IntLiteral:
            f = Factor{Form::Literal, Type::Int, cur_.value, -1, {}, {}};
            return advance();
        case Kind::Identifier:
            f.form = Form::Symbol;
            f.symbol = lookup(cur_.text);
            if (f.symbol < 0) return fail(102, cur_);
            f.type = program_.symbols[f.symbol].type;
            return advance();
        case Kind::LParen:
            return parenthesised(f);
        case Kind::Not:
            return negated(f);
        default:
            f.form = Form::Empty;
            return true;
    }
}

bool Analyser::parenthesised(Factor& f) {
    if (!deeper()) return false;
    f.form = Factor::Form::Sub;
    f.sub = std::make_shared<Expr>();
    if (!advance() || !expression(*f.sub, f.type)) return false;
    if (cur_.kind != Kind::RParen) return fail(17, cur_);
    --depth_;
    return advance();
}

// The operand's type is checked once the operand is read, at the token after it.
bool Analyser::negated(Factor& f) {
    if (!deeper()) return false;
    f.form = Factor::Form::Not;
    f.type = Type::Bool;
    f.inner = std::make_shared<Factor>();
    if (!advance() || !factor(*f.inner)) return false;
    if (f.inner->type != Type::Bool) return fail(215, cur_);
    --depth_;
    return true;
}

int factorDepth(const Factor& f);

template <class Operand, class Depth>
int chainDepth(const Chain<Operand>& chain, Depth depth) {
    int most = 0;
    for (size_t i = 0; i < chain.operands.size(); ++i) {
        most = std::max(most, static_cast<int>(i) + depth(chain.operands[i]));
    }
    return most;
}

int basicDepth(const Basic& b) {
    return chainDepth(b, [](const Term& t) { return chainDepth(t, factorDepth); });
}

int factorDepth(const Factor& f) {
    switch (f.form) {
        case Factor::Form::Literal:
        case Factor::Form::Symbol:
            return 1;
        case Factor::Form::Sub:
            return stackDepth(*f.sub);
        case Factor::Form::Not:
            return factorDepth(*f.inner);
        case Factor::Form::Empty:
            return 0;
    }
    return 0;
}

}  // namespace

Analysis analyse(std::string_view source) {
    return Analyser(source).run();
}

int stackDepth(const Expr& expr) {
    int depth = basicDepth(expr.left);
    if (expr.hasRelation) depth = std::max(depth, 1 + basicDepth(expr.right));
    return depth;
}

}  // namespace lumoeval
