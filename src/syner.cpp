// The analyser: declarations, statements and expressions parsed over one current token,
// checked as they are parsed, into the symbol table and the program tree.
//
// Operator chains (a + b - c ..., a * b / c ...) are read in a loop rather than by
// recursion on their right side, so chains of any length take constant stack. Their type
// checks, made as each operand is read, still report the error that a right-recursive
// reading would find first, and at the token after the whole chain. Only nesting that the
// source spells out (parentheses, `!`, the braces of `if` and `while`) recurses, and it is
// bounded by maxNesting.
#include "syner.hpp"

#include <cstdint>
#include <vector>

#include "common.hpp"

namespace lumo {

namespace {

// Operator texts, made before main: an operator from the scanner is told apart by its word.
const string equal = "==", notEqual = "!=", greater = ">", less = "<",
             greaterEqual = ">=", lessEqual = "<=";

// What a chain's operator asks of its operands: a type, and the error for operands of
// another. The chain operators differ in their first character, so that character finds
// the rule in one look, where a comparison with each operator in turn would leave a branch
// per operator to guess.
struct OperandRule {
    DataType type = NO_TYPE;
    int error = 0;  // 0: no operator of a chain
};

struct OperandRules {
    OperandRule of[256];
    constexpr OperandRules() : of() {
        rule('*') = {INT_TYPE, 211};
        rule('/') = {INT_TYPE, 212};
        rule('%') = {INT_TYPE, 213};
        rule('&') = {BOOL_TYPE, 214};
        rule('+') = {INT_TYPE, 207};
        rule('-') = {INT_TYPE, 208};
        rule('|') = {BOOL_TYPE, 209};
    }
    constexpr OperandRule& rule(char op) { return of[static_cast<unsigned char>(op)]; }
    constexpr const OperandRule& rule(char op) const { return of[static_cast<unsigned char>(op)]; }
};

constexpr OperandRules operandRules{};

// The error that a chain reports once read, given the operator `op` between operands of
// types `left` and `right`: `pending`, the error of an operator before it, unless this one
// fails too. A right-recursive reading checks a chain from its end towards its start and
// stops at the first failure, so of the failing operators the last one is reported, its
// operands' mismatch before its own rule.
int chainError(int pending, const string& op, DataType left, DataType right, int mismatch) {
    if (left != right) return mismatch;
    const OperandRule& rule = operandRules.rule(op.c_str()[0]);
    return left == rule.type ? pending : rule.error;
}

// The error for a relational operator on two strings.
int stringComparisonError(const string& op) {
    const string* const operators[] = {&equal, &notEqual,     &greater,
                                       &less,  &greaterEqual, &lessEqual};
    for (int i = 0; i < 6; ++i) {
        if (op == *operators[i]) return 218 + i;
    }
    return 225;
}

}  // namespace

// Holds one level of source nesting for as long as it lives; the level past the limit
// ends the run, instead of the stack.
class Analyser::NestingLevel {
  public:
    NestingLevel(Analyser& analyser, const LexToken& token) : analyser(analyser) {
        if (++analyser.nesting > maxNesting) {
            analyser.out << "Limit error : nesting deeper than " << maxNesting
                         << " levels.\nFound : ";
            writeToken(analyser.out, token);
            analyser.out << "\n";
            endRun(nestingErrorStatus, token.offset);
        }
    }
    ~NestingLevel() { --analyser.nesting; }
    NestingLevel(const NestingLevel&) = delete;
    NestingLevel& operator=(const NestingLevel&) = delete;

  private:
    Analyser& analyser;
};

// ---- the error report and the symbol table ------------------------------------------

void Analyser::error(int number, const LexToken& token) {
    if (number > minSyntaxError && number < minSyntaxError + maxSyntaxError) {
        out << "Syntax error " << number << ".\n" << syntax[number - minSyntaxError] << "Found : ";
    } else if (number > minStaticError && number < minStaticError + maxStaticError) {
        out << "Static semantic error " << number << ".\n" << statics[number - minStaticError];
    } else if (number > minTypeError && number < minTypeError + maxTypeError) {
        out << "Type error " << number << ".\n" << type[number - minTypeError];
    } else {
        out << "Unknown error number : " << number << ".\n";
    }
    writeToken(out, token);
    out << "\n";
    endRun(number, token.offset);
}

bool Analyser::lookup(const LexToken& token, SymTab* symtab, SymTab*& entry) {
    if (symtab != nullptr && symtab == index.head) {
        const SymIndex::Slot* slot = index.find(token.idName);
        entry = slot == nullptr ? nullptr : slot->entry;
        return entry != nullptr;
    }
    for (entry = symtab; entry != nullptr; entry = entry->next) {
        if (entry->name == token.idName) return true;
    }
    return false;
}

Analyser::SymIndex::Slot* Analyser::SymIndex::find(const string& name) {
    if (slots.empty()) return nullptr;
    const std::size_t mask = slots.size() - 1;
    for (std::size_t i = name.hash() & mask;; i = (i + 1) & mask) {
        if (slots[i].entry == nullptr) return nullptr;
        if (slots[i].entry->name == name) return &slots[i];
    }
}

void Analyser::SymIndex::add(SymTab* entry) {
    if (2 * (used + 1) > slots.size()) {
        std::vector<Slot> old(slots.empty() ? 16 : 2 * slots.size());
        old.swap(slots);
        for (const Slot& kept : old) {
            if (kept.entry != nullptr) place(kept);
        }
    }
    place({entry, nullptr});
    ++used;
    head = entry;
}

void Analyser::SymIndex::place(Slot slot) {
    const std::size_t mask = slots.size() - 1;
    std::size_t i = slot.entry->name.hash() & mask;
    while (slots[i].entry != nullptr) i = (i + 1) & mask;
    slots[i] = slot;
}

void Analyser::useSymbolTable(SymTab* symtab) {
    std::vector<SymTab*> entries;
    for (SymTab* entry = symtab; entry != nullptr; entry = entry->next) entries.push_back(entry);
    index = SymIndex();
    for (auto e = entries.rbegin(); e != entries.rend(); ++e) index.add(*e);
}

// The entry of the identifier `token` names; an undeclared name is error 102.
SymTab* Analyser::declared(const LexToken& token, SymTab* symtab) {
    SymTab* entry = nullptr;
    if (!lookup(token, symtab, entry)) error(102, token);
    return entry;
}

// ---- where declarations and statements lie, when asked for ---------------------------

int Analyser::beginSpan(const LexToken& token) {
    if (spans == nullptr) return -1;
    SourceSpan span;
    span.begin = token.offset;
    span.parent = openSpan;
    spans->push_back(span);
    openSpan = static_cast<int>(spans->size()) - 1;
    return openSpan;
}

void Analyser::endSpan(int span, const LexToken& terminator, StatementKind kind, SymTab* entry) {
    if (span < 0) return;
    SourceSpan& done = (*spans)[static_cast<std::size_t>(span)];
    done.end = terminator.offset + 1;
    done.kind = kind;
    done.entry = entry;
    openSpan = done.parent;
}

// ---- program ------------------------------------------------------------------------

// program = declarations compound
void Analyser::synAnal(SymTab*& symtab, AST*& ast, int& labelCount) {
    LexToken token;
    synProgramStart(symtab, token);
    ast = nullptr;
    synStatements(symtab, ast, labelCount, token);
}

void Analyser::synProgramStart(SymTab*& symtab, LexToken& token) {
    scanner.skipWhiteComments();
    advance(token);
    symtab = nullptr;
    synDeclarations(symtab, token);
}

// ---- declarations -------------------------------------------------------------------

// declarations = { declaration ";" } up to "{"
void Analyser::synDeclarations(SymTab*& symtab, LexToken& token) {
    while (token.kind != LBRACE) {
        const int span = beginSpan(token);
        synDec(symtab, token);
        expect(TERMINATOR, 3, token);
        endSpan(span, token, NULL_ST, symtab);
        advance(token);
    }
}

// declaration = [ "const" ] ( "bool" | "string" | "int" ) identifier [ "=" literal ]
void Analyser::synDec(SymTab*& symtab, LexToken& token) {
    SymTab* entry = arena.make<SymTab>();
    if (token.kind == CONST) {
        entry->isConst = true;
        advance(token);
    }
    entry->dataType = declaredType(token);
    advance(token);
    const LexToken identifier = token;
    expect(IDENTIFIER, 1, token);
    entry->name = arena.keep(token.idName);
    SymTab* previous = nullptr;
    if (lookup(token, symtab, previous)) error(101, identifier);
    advance(token);
    if (token.kind == ASSIGN) {
        advance(token);
        entry->initValue = initialiser(entry->dataType, token, identifier);
        advance(token);
    }
    if (entry->isConst && entry->initValue == nullptr) error(103, identifier);
    if (entry->dataType == STRING_TYPE && !entry->isConst) error(104, identifier);
    entry->next = symtab;
    symtab = entry;
    index.add(entry);
}

DataType Analyser::declaredType(const LexToken& token) {
    switch (token.kind) {
        case BOOL:
            return BOOL_TYPE;
        case STRING:
            return STRING_TYPE;
        case INT:
            return INT_TYPE;
        default:
            error(18, token);
    }
}

// The literal after "=": its kind must match the declared type.
Factor* Analyser::initialiser(DataType declared, const LexToken& token,
                              const LexToken& identifier) {
    Factor* literal = arena.make<Factor>();
    literal->isLiteral = true;
    if (token.kind == BOOLEAN_LITERAL) {
        if (declared != BOOL_TYPE) error(224, identifier);
        literal->factorType = BOOL_TYPE;
        literal->boolValue = arena.keep(token.boolValue);
    } else if (token.kind == STRING_LITERAL) {
        if (declared != STRING_TYPE) error(224, identifier);
        literal->factorType = STRING_TYPE;
        literal->strValue = arena.keep(token.strValue);
    } else if (token.kind == INTEGER_LITERAL) {
        if (declared != INT_TYPE) error(224, identifier);
        literal->factorType = INT_TYPE;
        literal->intValue = token.intValue;
    } else {
        error(2, token);
    }
    return literal;
}

// ---- statements ---------------------------------------------------------------------

// compound = "{" { statement ";" } "}"
// The token comes by value: the caller's still holds the "{" when the "}" has been read.
void Analyser::synStatements(SymTab* symtab, AST*& list, int& labelCount, LexToken token) {
    synBlockStart(token);
    StatementList statements;
    while (token.kind != RBRACE) {
        synBlockStatement(symtab, statements, labelCount, token);
        advance(token);
    }
    list = statements.head;
}

void Analyser::synBlockStart(LexToken& token) {
    expect(LBRACE, 4, token);
    advance(token);
}

void Analyser::synBlockStatement(SymTab* symtab, StatementList& list, int& labelCount,
                                 LexToken& token) {
    const int span = beginSpan(token);
    AST* node = arena.make<AST>();
    synStatement(symtab, node, labelCount, token);
    expect(TERMINATOR, 8, token);
    list.append(node);
    endSpan(span, token, node->kind, nullptr);
}

// statement = assignment | if | while | input | output
void Analyser::synStatement(SymTab* symtab, AST*& node, int& labelCount, LexToken& token) {
    switch (token.kind) {
        case IF:
            return synIfSt(symtab, node, labelCount, token);
        case WHILE:
            return synWhileSt(symtab, node, labelCount, token);
        case CIN:
            return synCinSt(symtab, node, labelCount, token);
        case COUT:
            return synCoutSt(symtab, node, labelCount, token);
        case IDENTIFIER:
            return synAssignSt(symtab, node, labelCount, token);
        default:
            error(19, token);
    }
}

// assignment = identifier "=" expression
void Analyser::synAssignSt(SymTab* symtab, AST*& node, int&, LexToken& token) {
    node->kind = ASSIGN_ST;
    AssignSt* st = node->assignSt = arena.make<AssignSt>();
    expect(IDENTIFIER, 13, token);
    st->target = declared(token, symtab);
    if (st->target->isConst) error(106, token);
    advance(token);
    expect(ASSIGN, 14, token);
    advance(token);
    DataType type;
    synExpression(symtab, st->exp, token, type);
    if (type != st->target->dataType) error(201, token);
}

// "(" expression ")" of an if or while, with its error numbers.
Expression* Analyser::condition(SymTab* symtab, LexToken& token, int noLeft, int notBool,
                                int noRight) {
    expect(LPAREN, noLeft, token);
    advance(token);
    Expression* exp = nullptr;
    DataType type;
    synExpression(symtab, exp, token, type);
    if (type != BOOL_TYPE) error(notBool, token);
    expect(RPAREN, noRight, token);
    advance(token);
    return exp;
}

// A braced statement list of an if or while; leaves the token after its "}".
AST* Analyser::block(SymTab* symtab, int& labelCount, LexToken& token) {
    NestingLevel level(*this, token);
    AST* list = nullptr;
    synStatements(symtab, list, labelCount, token);
    advance(token);
    return list;
}

// if = "if" "(" expression ")" compound [ "else" compound ]
void Analyser::synIfSt(SymTab* symtab, AST*& node, int& labelCount, LexToken& token) {
    node->kind = IF_ST;
    IfSt* st = node->ifSt = arena.make<IfSt>();
    st->elseLabel = labelCount++;
    st->endLabel = labelCount++;
    advance(token);
    st->condition = condition(symtab, token, 6, 202, 7);
    st->thenPart = block(symtab, labelCount, token);
    if (token.kind == ELSE) {
        advance(token);
        st->elsePart = block(symtab, labelCount, token);
    }
}

// while = "while" "(" expression ")" compound
void Analyser::synWhileSt(SymTab* symtab, AST*& node, int& labelCount, LexToken& token) {
    node->kind = WHILE_ST;
    WhileSt* st = node->whileSt = arena.make<WhileSt>();
    st->startLabel = labelCount++;
    st->endLabel = labelCount++;
    advance(token);
    st->condition = condition(symtab, token, 15, 203, 16);
    st->body = block(symtab, labelCount, token);
}

// input = "cin" ">>" identifier
void Analyser::synCinSt(SymTab* symtab, AST*& node, int&, LexToken& token) {
    node->kind = CIN_ST;
    CinSt* st = node->cinSt = arena.make<CinSt>();
    advance(token);
    expect(INPUT_OPERATOR, 9, token);
    advance(token);
    expect(IDENTIFIER, 11, token);
    st->target = declared(token, symtab);
    if (st->target->dataType != INT_TYPE) error(216, token);
    if (st->target->isConst) error(105, token);
    advance(token);
}

// output = "cout" "<<" identifier
void Analyser::synCoutSt(SymTab* symtab, AST*& node, int&, LexToken& token) {
    node->kind = COUT_ST;
    CoutSt* st = node->coutSt = arena.make<CoutSt>();
    advance(token);
    expect(OUTPUT_OPERATOR, 10, token);
    advance(token);
    expect(IDENTIFIER, 12, token);
    st->source = declared(token, symtab);
    const DataType type = st->source->dataType;
    if (type != INT_TYPE && type != STRING_TYPE) error(217, token);
    advance(token);
}

// ---- expressions --------------------------------------------------------------------

// A new shared operand in `place`, its chain ends around its factor.
SharedOperand* Analyser::newShared(SharedOperand*& place) {
    place = arena.make<SharedOperand>();
    place->term.factor = &place->factor;
    place->basic.term = &place->term;
    place->exp.left = &place->basic;
    return place;
}

// The shared operand of a declared name, a number from 0 to 255 or a truth; null for any
// other token. A name that is not declared is error 102.
SharedOperand* Analyser::sharedOperand(SymTab* symtab, const LexToken& token) {
    SharedOperand* shared = nullptr;
    if (token.kind == IDENTIFIER) {
        if (symtab == nullptr || symtab != index.head) return nullptr;  // a table of another's
        SymIndex::Slot* slot = index.find(token.idName);
        if (slot == nullptr) error(102, token);
        shared = slot->operand;
        if (shared == nullptr) {
            shared = newShared(slot->operand);
            shared->factor.symbol = slot->entry;
            shared->factor.factorType = slot->entry->dataType;
        }
    } else if (token.kind == INTEGER_LITERAL) {
        if (token.intValue < 0 || token.intValue >= 256) return nullptr;
        shared = numbers[token.intValue];
        if (shared == nullptr) {
            shared = newShared(numbers[token.intValue]);
            shared->factor.isLiteral = true;
            shared->factor.factorType = INT_TYPE;
            shared->factor.intValue = token.intValue;
        }
    } else if (token.kind == BOOLEAN_LITERAL) {
        SharedOperand*& truth = truths[token.boolValue.c_str()[0] == 't' ? 1 : 0];
        shared = truth;
        if (shared == nullptr) {
            shared = newShared(truth);
            shared->factor.isLiteral = true;
            shared->factor.factorType = BOOL_TYPE;
            shared->factor.boolValue = arena.keep(token.boolValue);
        }
    }
    if (shared != nullptr) lastShared = shared;
    return shared;
}

// expression = basic-expression [ relational-operator basic-expression ]
void Analyser::synExpression(SymTab* symtab, Expression*& exp, LexToken& token, DataType& type) {
    type = NO_TYPE;
    BasicExp* first = nullptr;
    DataType left;
    synBasicExp(symtab, first, token, left);
    const bool relation = token.kind == RELATIONAL_OPERATOR;
    if (!relation && lastShared != nullptr && first == &lastShared->basic) {
        exp = &lastShared->exp;
        type = left;
        return;
    }
    exp = arena.make<Expression>();
    exp->left = first;
    if (!relation) {
        type = left;
        return;
    }
    exp->op = token.relOp;
    ++relations;
    advance(token);
    DataType right;
    synBasicExp(symtab, exp->right, token, right);
    // Two missing operands agree in having no type; such a relation compares nothing.
    if (left != right || left == NO_TYPE) error(204, token);
    if (left == STRING_TYPE) error(stringComparisonError(exp->op), token);
    type = BOOL_TYPE;
}

// basic-expression = term { additive-operator term }
void Analyser::synBasicExp(SymTab* symtab, BasicExp*& exp, LexToken& token, DataType& type) {
    type = NO_TYPE;
    Term* operand = nullptr;
    synTerm(symtab, operand, token, type);
    const bool more = token.kind == ADDITIONAL_OPERATOR;
    if (!more && lastShared != nullptr && operand == &lastShared->term) {
        exp = &lastShared->basic;
        return;
    }
    exp = arena.make<BasicExp>();
    exp->term = operand;
    if (!more) return;
    int pending = 0;
    DataType left = type;
    for (BasicExp* node = exp; token.kind == ADDITIONAL_OPERATOR; node = node->next) {
        node->op = token.addOp;
        advance(token);
        Term* next = nullptr;
        DataType nextType;
        synTerm(symtab, next, token, nextType);
        // The chain's last node, a shared operand's term alone, is that operand's own.
        const bool last = token.kind != ADDITIONAL_OPERATOR;
        if (last && lastShared != nullptr && next == &lastShared->term) {
            node->next = &lastShared->basic;
        } else {
            node->next = arena.make<BasicExp>();
            node->next->term = next;
        }
        pending = chainError(pending, node->op, left, nextType, 206);
        left = nextType;
    }
    if (pending != 0) error(pending, token);
}

// term = factor { multiplicative-operator factor }
void Analyser::synTerm(SymTab* symtab, Term*& term, LexToken& token, DataType& type) {
    type = NO_TYPE;
    Factor* operand = nullptr;
    synFactor(symtab, operand, token);
    type = operand->factorType;
    const bool more = token.kind == MULTIPLICATIVE_OPERATOR;
    if (!more && lastShared != nullptr && operand == &lastShared->factor) {
        term = &lastShared->term;
        return;
    }
    term = arena.make<Term>();
    term->factor = operand;
    if (!more) return;
    int pending = 0;
    DataType left = type;
    for (Term* node = term; token.kind == MULTIPLICATIVE_OPERATOR; node = node->next) {
        node->op = token.mulOp;
        advance(token);
        Factor* next = nullptr;
        synFactor(symtab, next, token);
        // The chain's last node, a shared operand alone, is that operand's own term.
        const bool last = token.kind != MULTIPLICATIVE_OPERATOR;
        if (last && lastShared != nullptr && next == &lastShared->factor) {
            node->next = &lastShared->term;
        } else {
            node->next = arena.make<Term>();
            node->next->factor = next;
        }
        pending = chainError(pending, node->op, left, next->factorType, 210);
        left = next->factorType;
    }
    if (pending != 0) error(pending, token);
}

// factor = literal | identifier | "(" expression ")" | "!" factor | nothing
void Analyser::synFactor(SymTab* symtab, Factor*& factor, LexToken& token) {
    if (SharedOperand* shared = sharedOperand(symtab, token)) {
        factor = &shared->factor;
        advance(token);
        return;
    }
    factor = arena.make<Factor>();
    switch (token.kind) {
        case BOOLEAN_LITERAL:
            factor->isLiteral = true;
            factor->factorType = BOOL_TYPE;
            factor->boolValue = arena.keep(token.boolValue);
            break;
        case STRING_LITERAL:
            factor->isLiteral = true;
            factor->factorType = STRING_TYPE;
            factor->strValue = arena.keep(token.strValue);
            break;
        case INTEGER_LITERAL:
            factor->isLiteral = true;
            factor->factorType = INT_TYPE;
            factor->intValue = token.intValue;
            break;
        case IDENTIFIER:
            factor->symbol = declared(token, symtab);
            factor->factorType = factor->symbol->dataType;
            break;
        case LPAREN: {
            NestingLevel level(*this, token);
            advance(token);
            synExpression(symtab, factor->subExp, token, factor->factorType);
            expect(RPAREN, 17, token);
            break;
        }
        case NOT_OPERATOR: {
            NestingLevel level(*this, token);
            advance(token);
            synFactor(symtab, factor->notFactor, token);
            if (factor->notFactor->factorType != BOOL_TYPE) error(215, token);
            factor->factorType = BOOL_TYPE;
            return;
        }
        default:
            return;  // no operand here: an empty factor, no token consumed
    }
    advance(token);
}

}  // namespace lumo
