// The analyser: declarations, statements and expressions parsed over one current token,
// checked as they are parsed, into the symbol table and the program tree.
//
// Operator chains (a + b - c ..., a * b / c ...) are read in a loop rather than by
// recursion on their right side, so chains of any length take constant stack. Their type
// checks still run from the chain's end towards its start, as a right-recursive reading
// would find them, and report the token after the whole chain. Only nesting that the
// source spells out (parentheses, `!`, the braces of `if` and `while`) recurses, and it is
// bounded by maxNesting.
#include "syner.hpp"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string_view>
#include <vector>

#include "common.hpp"

namespace lumo {

namespace {

// Name -> entry of the table being built, so that each search takes constant time:
// open addressing over a power-of-two array of slots, kept at most half full.
class SymIndex {
  public:
    SymTab* head = nullptr;  // the table the index describes

    SymTab* find(const string& name) const {
        if (slots.empty()) return nullptr;
        for (std::size_t i = name.hash() & mask();; i = (i + 1) & mask()) {
            if (slots[i] == nullptr || slots[i]->name == name) return slots[i];
        }
    }

    void add(SymTab* entry) {
        if (2 * (used + 1) > slots.size()) grow();
        place(entry);
        ++used;
    }

    void clear() {
        slots.clear();
        used = 0;
    }

  private:
    std::vector<SymTab*> slots;
    std::size_t used = 0;

    std::size_t mask() const { return slots.size() - 1; }

    void place(SymTab* entry) {
        std::size_t i = entry->name.hash() & mask();
        while (slots[i] != nullptr) i = (i + 1) & mask();
        slots[i] = entry;
    }

    void grow() {
        std::vector<SymTab*> old(slots.empty() ? 16 : 2 * slots.size(), nullptr);
        old.swap(slots);
        for (SymTab* entry : old) {
            if (entry != nullptr) place(entry);
        }
    }
};

// Never destroyed: a thread analysing a piece of a block may still look names
// up while the process ends on an error in the first.
SymIndex& symIndex = *new SymIndex;

// Per thread, as each thread analysing a part of a block counts its own.
thread_local int nesting = 0;
thread_local int relationsRead = 0;  // relational operators read in this run

// Holds one level of source nesting for as long as it lives.
class NestingLevel {
  public:
    explicit NestingLevel(const LexToken& token) {
        if (++nesting > maxNesting) {
            out << "Limit error : nesting deeper than " << maxNesting << " levels.\nFound : ";
            writeToken(token);
            out << "\n";
            endRun(nestingErrorStatus);
        }
    }
    ~NestingLevel() { --nesting; }
    NestingLevel(const NestingLevel&) = delete;
    NestingLevel& operator=(const NestingLevel&) = delete;
};

// Operands that are a name or a number recur all through a program, and most of them
// stand alone at the end of their chains. Each thread makes one `Leaf` per distinct such
// operand: its factor, and the chain ends that hold just that factor (a term, a basic
// expression and an expression of one operand each), shared wherever the operand recurs.
// That halves the tree, and the operands a program uses most stay in the cache. Sharing is
// safe because readers of the tree only read it and nothing in it is ever freed.
struct Leaf {
    Factor factor;
    Term term;
    BasicExp basic;
    Expression exp;
};

// Operand -> its leaf, for this thread: null until the first leaf of the operand is made.
// A name held in its text's own word is found by that word alone, before any search of
// the symbol table; a longer one by its table entry. The small numbers and the two truths
// index arrays.
class LeafTable {
  public:
    static constexpr int32_t smallNumbers = 256;  // 0 to 255 are shared

    Leaf*& ofNumber(int32_t value) { return numbers[value]; }
    Leaf*& ofTruth(const string& text) { return truths[text.c_str()[0] == 't' ? 1 : 0]; }
    // `name` must be held in its own word: its hash then tells it from every other text.
    Leaf*& ofShortName(const string& name) { return byShortName.slotOf(name.hash()); }
    Leaf*& ofName(const SymTab* entry) {
        return byEntry.slotOf(static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(entry)));
    }

    void clear() {
        std::fill(std::begin(numbers), std::end(numbers), nullptr);
        std::fill(std::begin(truths), std::end(truths), nullptr);
        byShortName.clear();
        byEntry.clear();
    }

  private:
    // Non-zero key -> leaf: open addressing over a power-of-two array of slots kept at
    // most half full.
    class Index {
      public:
        Leaf*& slotOf(std::uint64_t key) {
            std::size_t i = find(key);
            if (slots[i].key == 0) i = add(key);
            return slots[i].leaf;
        }
        void clear() {
            std::fill(slots.begin(), slots.end(), Slot{0, nullptr});
            used = 0;
        }

      private:
        struct Slot {
            std::uint64_t key;
            Leaf* leaf;
        };
        std::vector<Slot> slots = std::vector<Slot>(256, Slot{0, nullptr});
        std::size_t used = 0;

        std::size_t mask() const { return slots.size() - 1; }
        // The slot holding `key`, or the empty one where it would go.
        std::size_t find(std::uint64_t key) const {
            std::size_t i = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 32) & mask();
            while (slots[i].key != 0 && slots[i].key != key) i = (i + 1) & mask();
            return i;
        }
        std::size_t add(std::uint64_t key) {
            if (2 * (used + 1) > slots.size()) grow();
            const std::size_t i = find(key);
            slots[i].key = key;
            ++used;
            return i;
        }
        void grow() {
            std::vector<Slot> old(2 * slots.size(), Slot{0, nullptr});
            old.swap(slots);
            for (const Slot& slot : old) {
                if (slot.key != 0) slots[find(slot.key)] = slot;
            }
        }
    };

    Leaf* numbers[smallNumbers] = {};
    Leaf* truths[2] = {};
    Index byShortName;
    Index byEntry;
};

thread_local LeafTable leaves;
thread_local Leaf* lastLeaf = nullptr;  // the leaf of the latest shared operand

// The shared factor of an operand whose leaf is kept in `leaf`, made by `fill` the first
// time.
template <typename Fill>
Factor* sharedFactor(Leaf*& leaf, Fill fill) {
    if (leaf == nullptr) {
        leaf = make<Leaf>();
        fill(leaf->factor);
        leaf->term.factor = &leaf->factor;
        leaf->basic.term = &leaf->term;
        leaf->exp.left = &leaf->basic;
    }
    lastLeaf = leaf;
    return &leaf->factor;
}

// Forgets what an earlier run left behind (a run cut short by an error leaves state).
void resetAnalyser();

void statementList(SymTab* symtab, AST*& list, int& labelCount, LexToken& token);

void advance(LexToken& token) {
    lexAnal(token);
}

void expect(TokenKind kind, int errorNumber, const LexToken& token) {
    if (token.kind != kind) error(errorNumber, token);
}

// Operator texts are a character or two: comparing them in place beats a library call.
bool sameText(const string& text, const char* word) {
    const char* s = text.c_str();
    while (*s != '\0' && *s == *word) {
        ++s;
        ++word;
    }
    return *s == *word;
}

SymTab* lookupOrFail(const LexToken& token, SymTab* symtab) {
    SymTab* entry = nullptr;
    if (!lookup(token, symtab, entry)) error(102, token);
    return entry;
}

}  // namespace

void error(int number, const LexToken& token) {
    if (number > minSyntaxError && number < minSyntaxError + maxSyntaxError) {
        out << "Syntax error " << number << ".\n" << syntax[number - minSyntaxError] << "Found : ";
    } else if (number > minStaticError && number < minStaticError + maxStaticError) {
        out << "Static semantic error " << number << ".\n" << statics[number - minStaticError];
    } else if (number > minTypeError && number < minTypeError + maxTypeError) {
        out << "Type error " << number << ".\n" << type[number - minTypeError];
    } else {
        out << "Unknown error number : " << number << ".\n";
    }
    writeToken(token);
    out << "\n";
    endRun(number);
}

bool lookup(const LexToken& token, SymTab* symtab, SymTab*& entry) {
    if (symtab != nullptr && symtab == symIndex.head) {
        entry = symIndex.find(token.idName);
        return entry != nullptr;
    }
    for (entry = symtab; entry != nullptr; entry = entry->next) {
        if (entry->name == token.idName) return true;
    }
    return false;
}

// ---- program ------------------------------------------------------------------------

// program = declarations compound
void synAnal(SymTab*& symtab, AST*& ast, int& labelCount) {
    resetAnalyser();
    LexToken token;
    skipWhiteComments();
    lexAnal(token);
    symtab = nullptr;
    ast = nullptr;
    synDeclarations(symtab, token);
    if (declarationsDone != nullptr) declarationsDone(symtab);
    synStatements(symtab, ast, labelCount, token);
}

void synRestOfBlock(SymTab* symtab, AST*& list, int& labelCount) {
    resetAnalyser();
    LexToken token;
    skipWhiteComments();
    lexAnal(token);
    statementList(symtab, list, labelCount, token);
}

// ---- declarations -------------------------------------------------------------------

// declarations = { declaration ";" } up to "{"
void synDeclarations(SymTab*& symtab, LexToken& token) {
    while (token.kind != LBRACE) {
        synDec(symtab, token);
        expect(TERMINATOR, 3, token);
        advance(token);
    }
}

namespace {

DataType declaredType(const LexToken& token) {
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
Factor* initialiser(DataType declared, const LexToken& token, const LexToken& identifier) {
    Factor* literal = make<Factor>();
    literal->isLiteral = true;
    if (token.kind == BOOLEAN_LITERAL) {
        if (declared != BOOL_TYPE) error(224, identifier);
        literal->factorType = BOOL_TYPE;
        literal->boolValue = token.boolValue;
    } else if (token.kind == STRING_LITERAL) {
        if (declared != STRING_TYPE) error(224, identifier);
        literal->factorType = STRING_TYPE;
        literal->strValue = token.strValue;
    } else if (token.kind == INTEGER_LITERAL) {
        if (declared != INT_TYPE) error(224, identifier);
        literal->factorType = INT_TYPE;
        literal->intValue = token.intValue;
    } else {
        error(2, token);
    }
    return literal;
}

void declare(SymTab*& symtab, SymTab* entry) {
    if (symtab != symIndex.head) symIndex.clear();  // a new table begins
    entry->next = symtab;
    symtab = entry;
    symIndex.add(entry);
    symIndex.head = entry;
}

}  // namespace

// declaration = [ "const" ] ( "bool" | "string" | "int" ) identifier [ "=" literal ]
void synDec(SymTab*& symtab, LexToken& token) {
    SymTab* entry = make<SymTab>();
    if (token.kind == CONST) {
        entry->isConst = true;
        advance(token);
    }
    entry->dataType = declaredType(token);
    advance(token);
    const LexToken identifier = token;
    expect(IDENTIFIER, 1, token);
    entry->name = token.idName;
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
    declare(symtab, entry);
}

// ---- statements ---------------------------------------------------------------------

// compound = "{" { statement ";" } "}"
void synStatements(SymTab* symtab, AST*& list, int& labelCount, LexToken token) {
    expect(LBRACE, 4, token);
    advance(token);
    statementList(symtab, list, labelCount, token);
}

namespace {

// { statement ";" } up to "}"; a watcher may end the program's block early.
void statementList(SymTab* symtab, AST*& list, int& labelCount, LexToken& token) {
    AST* last = nullptr;
    list = nullptr;
    while (token.kind != RBRACE) {
        AST* node = make<AST>();
        synStatement(symtab, node, labelCount, token);
        expect(TERMINATOR, 8, token);
        (last == nullptr ? list : last->next) = node;
        last = node;
        if (nesting == 0 && statementDone != nullptr && statementDone(node, relationsRead)) return;
        advance(token);
    }
}

}  // namespace

void shiftLabels(AST* list, int delta) {
    for (AST* node = list; node != nullptr; node = node->next) shiftStatementLabels(node, delta);
}

void shiftStatementLabels(AST* node, int delta) {
    if (node->kind == IF_ST) {
        node->ifSt->elseLabel += delta;
        node->ifSt->endLabel += delta;
        shiftLabels(node->ifSt->thenPart, delta);
        shiftLabels(node->ifSt->elsePart, delta);
    } else if (node->kind == WHILE_ST) {
        node->whileSt->startLabel += delta;
        node->whileSt->endLabel += delta;
        shiftLabels(node->whileSt->body, delta);
    }
}

// statement = assignment | if | while | input | output
void synStatement(SymTab* symtab, AST*& node, int& labelCount, LexToken& token) {
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
void synAssignSt(SymTab* symtab, AST*& node, int&, LexToken& token) {
    node->kind = ASSIGN_ST;
    AssignSt* st = node->assignSt = make<AssignSt>();
    expect(IDENTIFIER, 13, token);
    st->target = lookupOrFail(token, symtab);
    if (st->target->isConst) error(106, token);
    advance(token);
    expect(ASSIGN, 14, token);
    advance(token);
    DataType type;
    synExpression(symtab, st->exp, token, type);
    if (type != st->target->dataType) error(201, token);
}

namespace {

// "(" expression ")" of an if or while, with its error numbers.
Expression* condition(SymTab* symtab, LexToken& token, int noLeft, int notBool, int noRight) {
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

// A braced statement list; leaves the token after its "}".
AST* block(SymTab* symtab, int& labelCount, LexToken& token) {
    NestingLevel level(token);
    AST* list = nullptr;
    synStatements(symtab, list, labelCount, token);
    advance(token);
    return list;
}

}  // namespace

// if = "if" "(" expression ")" compound [ "else" compound ]
void synIfSt(SymTab* symtab, AST*& node, int& labelCount, LexToken& token) {
    node->kind = IF_ST;
    IfSt* st = node->ifSt = make<IfSt>();
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
void synWhileSt(SymTab* symtab, AST*& node, int& labelCount, LexToken& token) {
    node->kind = WHILE_ST;
    WhileSt* st = node->whileSt = make<WhileSt>();
    st->startLabel = labelCount++;
    st->endLabel = labelCount++;
    advance(token);
    st->condition = condition(symtab, token, 15, 203, 16);
    st->body = block(symtab, labelCount, token);
}

// input = "cin" ">>" identifier
void synCinSt(SymTab* symtab, AST*& node, int&, LexToken& token) {
    node->kind = CIN_ST;
    CinSt* st = node->cinSt = make<CinSt>();
    advance(token);
    expect(INPUT_OPERATOR, 9, token);
    advance(token);
    expect(IDENTIFIER, 11, token);
    st->target = lookupOrFail(token, symtab);
    if (st->target->dataType != INT_TYPE) error(216, token);
    if (st->target->isConst) error(105, token);
    advance(token);
}

// output = "cout" "<<" identifier
void synCoutSt(SymTab* symtab, AST*& node, int&, LexToken& token) {
    node->kind = COUT_ST;
    CoutSt* st = node->coutSt = make<CoutSt>();
    advance(token);
    expect(OUTPUT_OPERATOR, 10, token);
    advance(token);
    expect(IDENTIFIER, 12, token);
    st->source = lookupOrFail(token, symtab);
    DataType type = st->source->dataType;
    if (type != INT_TYPE && type != STRING_TYPE) error(217, token);
    advance(token);
}

// ---- expressions --------------------------------------------------------------------

namespace {

// What a chain level checks: its operator token, the error for operands of unequal
// types, and for each operator the operand type it needs and the error otherwise. The
// operators are texts made before main: an operator's text from the scanner equals one
// when their words are the same.
struct OperatorRule {
    string op;
    DataType needs;
    int errorNumber;
};

struct ChainRules {
    TokenKind opKind;
    string LexToken::*opText;
    int mismatch;
    OperatorRule operators[4];
};

const ChainRules termRules = {
    MULTIPLICATIVE_OPERATOR,
    &LexToken::mulOp,
    210,
    {{"*", INT_TYPE, 211}, {"/", INT_TYPE, 212}, {"%", INT_TYPE, 213}, {"&&", BOOL_TYPE, 214}}};

const ChainRules basicRules = {
    ADDITIONAL_OPERATOR,
    &LexToken::addOp,
    206,
    {{"+", INT_TYPE, 207}, {"-", INT_TYPE, 208}, {"||", BOOL_TYPE, 209}, {"", NO_TYPE, 0}}};

// One operand of a chain being read: its node and the type of its operand.
template <typename Node>
struct Link {
    Node* node;
    DataType type;
};

// Operands of the chains being read, innermost chain on top.
template <typename Node>
thread_local std::vector<Link<Node>> pendingLinks;

void parseOperand(SymTab* symtab, Factor*& operand, LexToken& token, DataType& type) {
    synFactor(symtab, operand, token);
    type = operand->factorType;
}

void parseOperand(SymTab* symtab, Term*& operand, LexToken& token, DataType& type) {
    synTerm(symtab, operand, token, type);
}

Factor*& operandOf(Term* node) {
    return node->factor;
}
Term*& operandOf(BasicExp* node) {
    return node->term;
}

// A chain's last node once its operand is known: the leaf's own when the operand is a
// shared one, and then `node` goes back to the arena. Nodes are made before their
// operands, so that the tree lies in memory in the order it is read.
Term* lastNode(Term* node) {
    if (lastLeaf == nullptr || node->factor != &lastLeaf->factor) return node;
    giveBack(node);
    return &lastLeaf->term;
}
BasicExp* lastNode(BasicExp* node) {
    if (lastLeaf == nullptr || node->term != &lastLeaf->term) return node;
    giveBack(node);
    return &lastLeaf->basic;
}

// Checks a chain's operators from the last to the first; each compares its left operand
// with the rest of the chain, whose type is that of the rest's first operand.
template <typename Node>
void checkChain(const std::vector<Link<Node>>& links, std::size_t first, const ChainRules& rules,
                const LexToken& token) {
    for (std::size_t i = links.size() - 1; i-- > first;) {
        const DataType left = links[i].type;
        if (left != links[i + 1].type) error(rules.mismatch, token);
        for (const OperatorRule& rule : rules.operators) {
            if (!links[i].node->op.sameWord(rule.op)) continue;
            if (left != rule.needs) error(rule.errorNumber, token);
            break;
        }
    }
}

// The operators and operands after a chain's first operand `head`, of type `type`.
// Apart from the common chain of one operand, so that reading that one takes few
// registers.
template <typename Node>
[[gnu::noinline]] void synRestOfChain(SymTab* symtab, Node* head, LexToken& token, DataType type,
                                      const ChainRules& rules) {
    std::vector<Link<Node>>& links = pendingLinks<Node>;
    const std::size_t first = links.size();
    links.push_back({head, type});
    for (Node* node = head;;) {
        node->op = token.*rules.opText;
        advance(token);
        Node* next = make<Node>();
        DataType operandType;
        parseOperand(symtab, operandOf(next), token, operandType);
        const bool last = token.kind != rules.opKind;
        node = node->next = last ? lastNode(next) : next;
        links.push_back({node, operandType});
        if (last) break;
    }
    checkChain(links, first, rules, token);
    links.resize(first);
}

// chain = operand { operator operand }, stored as a list in source order. The chain's
// type is its first operand's.
template <typename Node>
Node* synChain(SymTab* symtab, LexToken& token, DataType& type, const ChainRules& rules) {
    Node* head = make<Node>();
    parseOperand(symtab, operandOf(head), token, type);
    if (token.kind != rules.opKind) return lastNode(head);
    synRestOfChain(symtab, head, token, type, rules);
    return head;
}

void resetAnalyser() {
    nesting = 0;
    relationsRead = 0;
    pendingLinks<Term>.clear();
    pendingLinks<BasicExp>.clear();
    leaves.clear();  // its keys name the entries of an earlier table
    lastLeaf = nullptr;
}

int stringComparisonError(const string& op) {
    static const char* const operators[] = {"==", "!=", ">", "<", ">=", "<="};
    for (int i = 0; i < 6; ++i) {
        if (sameText(op, operators[i])) return 218 + i;
    }
    return 225;
}

// Small numbers recur; a large one may too, but rarely close enough to be worth reaching
// for elsewhere in memory rather than reading it in its place.
bool isSmall(int32_t value) {
    return value >= 0 && value < LeafTable::smallNumbers;
}

// An integer literal's factor of its own.
Factor* ownFactor(const LexToken& token) {
    Factor* factor = make<Factor>();
    factor->isLiteral = true;
    factor->factorType = INT_TYPE;
    factor->intValue = token.intValue;
    return factor;
}

// The shared factor of the name whose table entry is `entry`.
Factor* nameFactor(SymTab* entry) {
    return sharedFactor(leaves.ofName(entry), [entry](Factor& factor) {
        factor.symbol = entry;
        factor.factorType = entry->dataType;
    });
}

// The factor of a boolean literal, a small integer literal or an identifier: shared.
Factor* sharedOperand(SymTab* symtab, const LexToken& token) {
    if (token.kind == INTEGER_LITERAL) {
        if (!isSmall(token.intValue)) return ownFactor(token);
        return sharedFactor(leaves.ofNumber(token.intValue), [&token](Factor& factor) {
            factor.isLiteral = true;
            factor.factorType = INT_TYPE;
            factor.intValue = token.intValue;
        });
    }
    if (token.kind == BOOLEAN_LITERAL) {
        return sharedFactor(leaves.ofTruth(token.boolValue), [&token](Factor& factor) {
            factor.isLiteral = true;
            factor.factorType = BOOL_TYPE;
            factor.boolValue = token.boolValue;
        });
    }
    if (!token.idName.heldInline()) return nameFactor(lookupOrFail(token, symtab));
    Leaf*& known = leaves.ofShortName(token.idName);
    if (known == nullptr) {
        nameFactor(lookupOrFail(token, symtab));
        known = lastLeaf;
    }
    lastLeaf = known;
    return &known->factor;
}

// An expression without a relational operator: the leaf's own when its operand is
// shared, and then `exp` goes back to the arena.
Expression* oneOperandExpression(Expression* exp) {
    if (lastLeaf == nullptr || exp->left != &lastLeaf->basic) return exp;
    giveBack(exp);
    return &lastLeaf->exp;
}

}  // namespace

// expression = basic-expression [ relational-operator basic-expression ]
void synExpression(SymTab* symtab, Expression*& exp, LexToken& token, DataType& type) {
    type = NO_TYPE;
    exp = make<Expression>();
    DataType left;
    synBasicExp(symtab, exp->left, token, left);
    if (token.kind != RELATIONAL_OPERATOR) {
        exp = oneOperandExpression(exp);
        type = left;
        return;
    }
    exp->op = token.relOp;
    ++relationsRead;
    advance(token);
    DataType right;
    synBasicExp(symtab, exp->right, token, right);
    // Two missing operands agree in having no type; such a relation compares nothing.
    if (left != right || left == NO_TYPE) error(204, token);
    if (left == STRING_TYPE) error(stringComparisonError(exp->op), token);
    type = BOOL_TYPE;
}

// basic-expression = term { additive-operator term }
void synBasicExp(SymTab* symtab, BasicExp*& exp, LexToken& token, DataType& type) {
    type = NO_TYPE;
    exp = synChain<BasicExp>(symtab, token, type, basicRules);
}

// term = factor { multiplicative-operator factor }
void synTerm(SymTab* symtab, Term*& term, LexToken& token, DataType& type) {
    type = NO_TYPE;
    term = synChain<Term>(symtab, token, type, termRules);
}

// factor = literal | identifier | "(" expression ")" | "!" factor | nothing
void synFactor(SymTab* symtab, Factor*& factor, LexToken& token) {
    switch (token.kind) {
        case BOOLEAN_LITERAL:
        case INTEGER_LITERAL:
        case IDENTIFIER:
            factor = sharedOperand(symtab, token);
            break;
        case STRING_LITERAL:
            factor = make<Factor>();
            factor->isLiteral = true;
            factor->factorType = STRING_TYPE;
            factor->strValue = token.strValue;
            break;
        case LPAREN: {
            NestingLevel level(token);
            factor = make<Factor>();
            advance(token);
            synExpression(symtab, factor->subExp, token, factor->factorType);
            expect(RPAREN, 17, token);
            break;
        }
        case NOT_OPERATOR: {
            NestingLevel level(token);
            factor = make<Factor>();
            advance(token);
            synFactor(symtab, factor->notFactor, token);
            if (factor->notFactor->factorType != BOOL_TYPE) error(215, token);
            factor->factorType = BOOL_TYPE;
            return;
        }
        default:
            factor = make<Factor>();
            return;  // no operand here: an empty factor, no token consumed
    }
    advance(token);
}

// ---- listings -----------------------------------------------------------------------

void printST(SymTab* symtab) {
    out << "\n\nName\tType\tConstant\tInitial Value\n";
    for (SymTab* entry = symtab; entry != nullptr; entry = entry->next) {
        out << entry->name;
        switch (entry->dataType) {
            case BOOL_TYPE:
                out << "\tbool";
                break;
            case STRING_TYPE:
                out << "\tstring";
                break;
            case INT_TYPE:
                out << "\tint";
                break;
            default:
                break;
        }
        out << (entry->isConst ? "\tTrue\t" : "\tFalse\t");
        Factor* init = entry->initValue;
        if (init == nullptr) {
            out << "\tNone\n";
        } else if (init->factorType == BOOL_TYPE) {
            out << "\t" << init->boolValue << "\n";
        } else if (init->factorType == STRING_TYPE) {
            out << "\t" << init->strValue << "\n";
        } else if (init->factorType == INT_TYPE) {
            out << "\t" << static_cast<int>(init->intValue) << "\n";
        }
    }
}

void printLineStart(int lineNumber, int indent) {
    if (lineNumber < 100) out << ' ';
    if (lineNumber < 10) out << ' ';
    out << lineNumber << " -- ";
    for (int i = 0; i < indent; ++i) out << ' ';
}

void printAST(AST* list, int& lineNumber, int indent) {
    printLineStart(lineNumber, indent);
    out << "{\n";
    indent += 2;
    lineNumber += 1;
    for (AST* node = list; node != nullptr; node = node->next) {
        switch (node->kind) {
            case NULL_ST:
                out << "Attempt to print a null statement.\n";
                break;
            case ASSIGN_ST:
                printAssignSt(node, lineNumber, indent);
                break;
            case IF_ST:
                printIfSt(node, lineNumber, indent);
                break;
            case WHILE_ST:
                printWhileSt(node, lineNumber, indent);
                break;
            case CIN_ST:
                printCinSt(node, lineNumber, indent);
                break;
            case COUT_ST:
                printCoutSt(node, lineNumber, indent);
                break;
            default:
                out << "Unrecognised statement type.\n";
                break;
        }
        out << " ;\n";
        lineNumber += 1;
    }
    indent -= 2;
    printLineStart(lineNumber, indent);
    out << "}";
}

void printAssignSt(AST* node, int& lineNumber, int indent) {
    printLineStart(lineNumber, indent);
    out << node->assignSt->target->name << " = ";
    printExpression(node->assignSt->exp);
}

void printIfSt(AST* node, int& lineNumber, int indent) {
    IfSt* st = node->ifSt;
    printLineStart(lineNumber, indent);
    out << "if (";
    printExpression(st->condition);
    out << ")\n";
    lineNumber += 1;
    printAST(st->thenPart, lineNumber, indent);
    if (st->elsePart != nullptr) {
        out << "\n";
        lineNumber += 1;
        printLineStart(lineNumber, indent);
        out << "else\t\t/* Else Label : " << st->elseLabel << " */\n";
        lineNumber += 1;
        printAST(st->elsePart, lineNumber, indent);
    }
    out << "\t\t/* End Label : " << st->endLabel << " */ ";
}

void printWhileSt(AST* node, int& lineNumber, int indent) {
    WhileSt* st = node->whileSt;
    printLineStart(lineNumber, indent);
    out << "while (";
    printExpression(st->condition);
    out << ")\t\t/* Start Label : " << st->startLabel << " */\n";
    lineNumber += 1;
    printAST(st->body, lineNumber, indent);
    out << "\t\t/* End Label : " << st->endLabel << " */ ";
}

void printCinSt(AST* node, int& lineNumber, int indent) {
    printLineStart(lineNumber, indent);
    out << "cin >> " << node->cinSt->target->name;
}

void printCoutSt(AST* node, int& lineNumber, int indent) {
    printLineStart(lineNumber, indent);
    out << "cout << " << node->coutSt->source->name;
}

void printExpression(Expression* exp) {
    printBasicExp(exp->left);
    if (exp->right == nullptr) return;
    out << " " << exp->op << " ";
    printBasicExp(exp->right);
}

// Chains are printed in a loop: they may be far longer than the stack is deep.
void printBasicExp(BasicExp* exp) {
    for (; exp != nullptr; exp = exp->next) {
        printTerm(exp->term);
        if (exp->next != nullptr) out << " " << exp->op << " ";
    }
}

void printTerm(Term* term) {
    for (; term != nullptr; term = term->next) {
        printFactor(term->factor);
        if (term->next != nullptr) out << " " << term->op << " ";
    }
}

void printFactor(Factor* factor) {
    if (factor->isLiteral) {
        switch (factor->factorType) {
            case BOOL_TYPE:
                out << factor->boolValue;
                break;
            case STRING_TYPE:
                out << factor->strValue;
                break;
            case INT_TYPE:
                out << static_cast<int>(factor->intValue);
                break;
            default:
                out << "Error : claimed literal is not a literal.\n";
                break;
        }
    } else if (factor->symbol != nullptr) {
        out << factor->symbol->name;
    } else if (factor->subExp != nullptr) {
        out << "(";
        printExpression(factor->subExp);
        out << ")";
    } else if (factor->notFactor != nullptr) {
        out << "!(";
        printFactor(factor->notFactor);
        out << ")";
    } else {
        out << "Error : empty factor.\n";
    }
}

}  // namespace lumo
