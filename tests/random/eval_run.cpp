// Tree-walking interpreter for analysed programs. Chain operands are collected on one value
// stack, left to right, and the operators are then applied from the last to the first, which
// is both the grouping from the right and the order in which run-time errors surface.
#include "eval_run.hpp"

#include <cstdlib>
#include <vector>

namespace lumoeval {

namespace {

constexpr int kMin = -32768;
constexpr int kMax = 32767;
constexpr int kTrue = -1;
constexpr int kFalse = 0;

int truth(bool b) {
    return b ? kTrue : kFalse;
}

class Machine {
  public:
    Machine(const Program& program, std::string_view input, const RunOptions& options);
    RunResult run();

  private:
    bool halt(RunResult::End end, std::string detail = {});
    bool step();
    bool block(const std::vector<Stmt>& stmts);
    bool statement(const Stmt& s);
    bool loop(const Stmt& s);
    bool output(int symbol);
    bool readNumber(int& value);
    bool eval(const Expr& e, int& out);
    template <class Operand, class Eval>
    bool chain(const Chain<Operand>& c, Eval evalOperand, int& out);
    bool evalTerm(const Term& t, int& out);
    bool evalBasic(const Basic& b, int& out);
    bool evalFactor(const Factor& f, int& out);
    bool apply(Op op, int a, int b, int& out);
    bool arithmetic(long wide, int& out);

    const Program& program_;
    std::string_view input_;
    size_t inputPos_ = 0;
    RunOptions options_;
    std::vector<int> values_;
    std::vector<bool> assigned_;
    std::vector<int> stack_;
    RunResult result_;
};

Machine::Machine(const Program& program, std::string_view input, const RunOptions& options)
    : program_(program), input_(input), options_(options) {
    for (const Symbol& s : program.symbols) {
        values_.push_back(s.hasInit ? s.initValue : 0);
        assigned_.push_back(s.hasInit);
    }
}

RunResult Machine::run() {
    block(program_.body);
    return std::move(result_);
}

bool Machine::halt(RunResult::End end, std::string detail) {
    result_.end = end;
    result_.detail = std::move(detail);
    if (end == RunResult::End::Overflow) result_.output += "Integer overflow!\n";
    if (end == RunResult::End::DivideByZero) result_.output += "Divide by zero!\n";
    return false;
}

bool Machine::step() {
    if (++result_.steps <= options_.maxSteps) return true;
    return halt(RunResult::End::StepLimit,
                "more than " + std::to_string(options_.maxSteps) + " statements executed");
}

bool Machine::block(const std::vector<Stmt>& stmts) {
    for (const Stmt& s : stmts) {
        if (!step() || !statement(s)) return false;
    }
    return true;
}

bool Machine::statement(const Stmt& s) {
    int value = 0;
    switch (s.kind) {
        case Stmt::Kind::Assign:
            if (!eval(s.expr, value)) return false;
            break;
        case Stmt::Kind::If:
            if (!eval(s.expr, value)) return false;
            return block(value == kTrue ? s.body : s.elseBody);
        case Stmt::Kind::While:
            return loop(s);
        case Stmt::Kind::Cin:
            if (!readNumber(value)) return false;
            break;
        case Stmt::Kind::Cout:
            return output(s.symbol);
    }
    values_[s.symbol] = value;
    assigned_[s.symbol] = true;
    return true;
}

bool Machine::loop(const Stmt& s) {
    for (;;) {
        int value = 0;
        if (!step() || !eval(s.expr, value)) return false;
        if (value != kTrue) return true;
        if (!block(s.body)) return false;
    }
}

bool Machine::output(int symbol) {
    const Symbol& sym = program_.symbols[symbol];
    if (sym.type == Type::String) {
        result_.output += stringOutput(sym.initText);
        return true;
    }
    if (options_.strict && !assigned_[symbol]) {
        return halt(RunResult::End::UnsetRead, "cout of unset " + sym.name);
    }
    result_.output += std::to_string(values_[symbol]);
    return true;
}

bool Machine::readNumber(int& value) {
    auto space = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (inputPos_ < input_.size() && space(input_[inputPos_])) ++inputPos_;
    size_t start = inputPos_;
    while (inputPos_ < input_.size() && !space(input_[inputPos_])) ++inputPos_;
    if (start == inputPos_) return halt(RunResult::End::InputExhausted, "no number left");
    const std::string word(input_.substr(start, inputPos_ - start));
    char* end = nullptr;
    long v = std::strtol(word.c_str(), &end, 10);
    bool digitsOnly = word.find_first_not_of("-0123456789") == std::string::npos;
    if (*end != '\0' || !digitsOnly || v < kMin || v > kMax) {
        return halt(RunResult::End::BadInput, "unreadable number '" + word + "'");
    }
    value = static_cast<int>(v);
    ++result_.inputsRead;
    return true;
}

bool Machine::eval(const Expr& e, int& out) {
    if (!evalBasic(e.left, out)) return false;
    if (!e.hasRelation) return true;
    int right = 0;
    return evalBasic(e.right, right) && apply(e.relation, out, right, out);
}

template <class Operand, class Eval>
bool Machine::chain(const Chain<Operand>& c, Eval evalOperand, int& out) {
    const size_t base = stack_.size();
    for (const Operand& operand : c.operands) {
        int v = 0;
        if (!(this->*evalOperand)(operand, v)) return false;
        stack_.push_back(v);
    }
    int acc = stack_.back();
    for (size_t i = c.ops.size(); i-- > 0;) {
        if (!apply(c.ops[i], stack_[base + i], acc, acc)) return false;
    }
    stack_.resize(base);
    out = acc;
    return true;
}

bool Machine::evalBasic(const Basic& b, int& out) {
    return chain(b, &Machine::evalTerm, out);
}

bool Machine::evalTerm(const Term& t, int& out) {
    return chain(t, &Machine::evalFactor, out);
}

bool Machine::evalFactor(const Factor& f, int& out) {
    switch (f.form) {
        case Factor::Form::Literal:
            out = f.value;
            return true;
        case Factor::Form::Symbol:
            if (options_.strict && !assigned_[f.symbol]) {
                return halt(RunResult::End::UnsetRead,
                            "read of unset " + program_.symbols[f.symbol].name);
            }
            out = values_[f.symbol];
            return true;
        case Factor::Form::Sub:
            return eval(*f.sub, out);
        case Factor::Form::Not:
            if (!evalFactor(*f.inner, out)) return false;
            out = ~out;
            return true;
        case Factor::Form::Empty:
            break;
    }
    return halt(RunResult::End::BadInput, "missing operand");
}

bool Machine::arithmetic(long wide, int& out) {
    if (wide < kMin || wide > kMax) return halt(RunResult::End::Overflow);
    out = static_cast<int>(wide);
    return true;
}

bool Machine::apply(Op op, int a, int b, int& out) {
    switch (op) {
        case Op::Add:
            return arithmetic(static_cast<long>(a) + b, out);
        case Op::Sub:
            return arithmetic(static_cast<long>(a) - b, out);
        case Op::Mul:
            return arithmetic(static_cast<long>(a) * b, out);
        case Op::Div:
        case Op::Mod:
            if (b == 0) return halt(RunResult::End::DivideByZero);
            if (a == kMin && b == -1) {  // the quotient wraps; the remainder is 0
                out = op == Op::Div ? kMin : 0;
            } else {
                out = op == Op::Div ? a / b : a % b;
            }
            return true;
        case Op::And:
            out = a & b;
            return true;
        case Op::Or:
            out = a | b;
            return true;
        case Op::Eq:
            out = truth(a == b);
            return true;
        case Op::Ne:
            out = truth(a != b);
            return true;
        case Op::Gt:
            out = truth(a > b);
            return true;
        case Op::Lt:
            out = truth(a < b);
            return true;
        case Op::Ge:
            out = truth(a >= b);
            return true;
        case Op::Le:
            out = truth(a <= b);
            return true;
    }
    return true;
}

}  // namespace

bool isProgramBehaviour(RunResult::End end) {
    return end == RunResult::End::Halt || end == RunResult::End::Overflow ||
           end == RunResult::End::DivideByZero;
}

RunResult run(const Program& program, std::string_view input, const RunOptions& options) {
    return Machine(program, input, options).run();
}

std::string stringOutput(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
            out.push_back('\n');
            ++i;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

}  // namespace lumoeval
