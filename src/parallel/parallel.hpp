// The fast path for long programs: lumoc's compilation with two threads, driving the
// compiler's own units (src/) through the steps they offer for it. The output is the same
// bytes as one thread's, and an error is the first one in the text, wherever it lies.
//
// Analysis: when the input is a regular file of 512 KiB or more, a second thread finds
// ";"s that end statements of the program's block from about a third of the file on,
// which cut the rest of the block into pieces. Once the declarations are known it
// analyses the last piece, then takes pieces backwards, while the first thread analyses
// the block from its start and takes pieces forwards; the first thread stops where the
// second thread's pieces begin. So the two share the work as their pace allows. A piece
// counts only once the one before it is known to end exactly where it begins, and its
// error only when nothing before it has one. Each piece numbers its labels from 0; they
// move on by the count before the piece as their code is written.
//
// Generation: a block of about sixteen thousand statements or more is cut into chunks of
// about a thousand. Each of two threads claims the next chunk when it gets free, puts its
// code together in a buffer of its own, and writes it when the chunk before has gone out.
// Each chunk's comparison labels follow from the number of comparisons before it, which
// analysis noted.
#pragma once

#include "lumo.hpp"

namespace lumo::parallel {

// As lumo::compileFile (assembly only), sharing a long program between two threads.
CompileResult compileFile(int inputFd, int outputFd);

}  // namespace lumo::parallel
