// The listings of the symbol table and the program tree.
#include "listing.hpp"

namespace lumo {

void Lister::printST(SymTab* symtab) {
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
        out << std::string_view(entry->isConst ? "\tTrue\t" : "\tFalse\t");
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

void Lister::printLineStart(int lineNumber, int indent) {
    if (lineNumber < 100) out << ' ';
    if (lineNumber < 10) out << ' ';
    out << lineNumber << " -- ";
    for (int i = 0; i < indent; ++i) out << ' ';
}

void Lister::printAST(AST* list, int& lineNumber, int indent) {
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

void Lister::printAssignSt(AST* node, int& lineNumber, int indent) {
    printLineStart(lineNumber, indent);
    out << node->assignSt->target->name << " = ";
    printExpression(node->assignSt->exp);
}

void Lister::printIfSt(AST* node, int& lineNumber, int indent) {
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

void Lister::printWhileSt(AST* node, int& lineNumber, int indent) {
    WhileSt* st = node->whileSt;
    printLineStart(lineNumber, indent);
    out << "while (";
    printExpression(st->condition);
    out << ")\t\t/* Start Label : " << st->startLabel << " */\n";
    lineNumber += 1;
    printAST(st->body, lineNumber, indent);
    out << "\t\t/* End Label : " << st->endLabel << " */ ";
}

void Lister::printCinSt(AST* node, int& lineNumber, int indent) {
    printLineStart(lineNumber, indent);
    out << "cin >> " << node->cinSt->target->name;
}

void Lister::printCoutSt(AST* node, int& lineNumber, int indent) {
    printLineStart(lineNumber, indent);
    out << "cout << " << node->coutSt->source->name;
}

void Lister::printExpression(Expression* exp) {
    printBasicExp(exp->left);
    if (exp->right == nullptr) return;
    out << " " << exp->op << " ";
    printBasicExp(exp->right);
}

// Chains are printed in a loop: they may be far longer than the stack is deep.
void Lister::printBasicExp(BasicExp* exp) {
    for (; exp != nullptr; exp = exp->next) {
        printTerm(exp->term);
        if (exp->next != nullptr) out << " " << exp->op << " ";
    }
}

void Lister::printTerm(Term* term) {
    for (; term != nullptr; term = term->next) {
        printFactor(term->factor);
        if (term->next != nullptr) out << " " << term->op << " ";
    }
}

void Lister::printFactor(Factor* factor) {
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
