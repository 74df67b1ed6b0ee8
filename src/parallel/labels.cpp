// Moving the label numbers of a piece of the block on by the labels before it.
#include "parallel/labels.hpp"

namespace lumo::parallel {

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

}  // namespace lumo::parallel
