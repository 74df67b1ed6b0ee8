// Label numbers of statements analysed apart from what comes before them.
#pragma once

#include "syner.hpp"

namespace lumo::parallel {

// Adds `delta` to the labels of every `if` and `while` in `list` and in their bodies: for
// a list analysed with its labels numbered from 0, apart from what came before it.
void shiftLabels(AST* list, int delta);
// The same for one statement: its own labels and those of the statements nested in it.
void shiftStatementLabels(AST* node, int delta);

}  // namespace lumo::parallel
