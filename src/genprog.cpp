// lumoc: reads one Lumo program on standard input and writes KORU assembly on standard
// output, or exactly one diagnostic and a non-zero status. Arguments are ignored.
//
// The program is analysed whole, then its code is written. The code of a long program's
// block is written by two threads once analysis is over: this one writes the first half
// of the block's statements to standard output while a second writes the other half into
// an in-memory file, which is copied out after the first half. Each comparison's labels
// come from its place in the program, and the analyser tells how many comparisons precede
// any statement, so the second half is numbered exactly as one pass would number it.
#include <sys/mman.h>
#include <sys/sendfile.h>
#include <unistd.h>

#include <cassert>
#include <cerrno>
#include <csignal>
#include <system_error>
#include <thread>
#include <vector>

#include "common.hpp"
#include "genprog.hpp"

namespace lumo {
namespace {

// Blocks shorter than this are written by one thread: starting another costs more.
constexpr std::size_t fewestStatementsToShare = 2048;

// The statements of the program's block as the analyser finished them, each with the
// number of comparisons before it.
struct BlockStatement {
    AST* node;
    int comparisonsBefore;
};

std::vector<BlockStatement> blockStatements;
int comparisonsSoFar = 0;

void noteStatement(AST* node, int relationsSoFar) {
    blockStatements.push_back({node, comparisonsSoFar});
    comparisonsSoFar = relationsSoFar;
}

// What the second thread writes and how it went.
struct SecondHalf {
    SymTab* symtab;
    AST* first;  // its first statement; it runs to the end of the block
    int firstLabel;
    int overflowLabel;
    int file = -1;  // in-memory file holding its code
    bool written = false;
    std::thread worker;
};

Output secondHalfCode;  // the second thread's buffer

void writeSecondHalf(SecondHalf& half) {
    try {
        secondHalfCode.setFd(half.file);
        genOutputTo(secondHalfCode);
        int labelCount = half.firstLabel;
        for (AST* node = half.first; node != nullptr; node = node->next)
            genStatement(half.symtab, node, labelCount, half.overflowLabel);
        half.written = secondHalfCode.flush();
    } catch (...) {
        half.written = false;  // out of memory: the first thread writes this half itself
    }
}

// Copies the in-memory file to standard output behind what `out` holds: by the kernel
// where it can, else through `out` (an output opened for appending refuses the former).
bool copyToOutput(int file) {
    if (!out.flush()) return false;
    const off_t size = ::lseek(file, 0, SEEK_END);
    off_t offset = 0;
    while (offset < size) {
        ssize_t n = ::sendfile(1, file, &offset, static_cast<std::size_t>(size - offset));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && offset == 0 && (errno == EINVAL || errno == ENOSYS)) break;
        if (n <= 0) return false;
    }
    std::vector<char> block(offset < size ? std::size_t(1) << 20 : 0);
    while (offset < size) {
        ssize_t n = ::pread(file, block.data(), block.size(), offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        out.write(block.data(), static_cast<std::size_t>(n));
        offset += n;
    }
    return out.flush();
}

bool startSecondHalf(SecondHalf& half) {
    half.file = ::memfd_create("lumoc-code", MFD_CLOEXEC);
    if (half.file < 0) return false;
    try {
        half.worker = std::thread(writeSecondHalf, std::ref(half));
    } catch (const std::system_error&) {
        ::close(half.file);
        return false;
    }
    return true;
}

// Writes the block's statements from `node` up to (not including) `end`.
void writeStatements(SymTab* symtab, AST* node, AST* end, int& labelCount, int overflowLabel) {
    for (; node != end; node = node->next) genStatement(symtab, node, labelCount, overflowLabel);
}

// Writes the program as `generate` does, sharing the block's statements between two
// threads when there are enough of them.
void generateShared(SymTab* symtab, AST* ast, int labelCount) {
    const int overflowLabel = labelCount++;
    genHeader();
    genDeclarations(symtab);
    SecondHalf half{symtab, nullptr, 0, overflowLabel, -1, false, {}};
    if (blockStatements.size() >= fewestStatementsToShare) {
        const BlockStatement& middle = blockStatements[blockStatements.size() / 2];
        half.first = middle.node;
        half.firstLabel = labelCount + 2 * middle.comparisonsBefore;
    }
    if (half.first == nullptr || !startSecondHalf(half)) half.first = nullptr;
    writeStatements(symtab, ast, half.first, labelCount, overflowLabel);
    if (half.first != nullptr) {
        half.worker.join();
        assert(labelCount == half.firstLabel);
        if (!half.written) {
            writeStatements(symtab, half.first, nullptr, labelCount, overflowLabel);
        } else if (!copyToOutput(half.file)) {
            out.noteFailure();
        }
        ::close(half.file);
    }
    genFooter(overflowLabel);
}

void compileSharingGeneration() {
    SymTab* symtab = nullptr;
    AST* ast = nullptr;
    int labelCount = 0;
    statementDone = noteStatement;
    synAnal(symtab, ast, labelCount);
    statementDone = nullptr;
    generateShared(symtab, ast, labelCount);
}

}  // namespace
}  // namespace lumo

int main() {
    // A closed pipe must show up as a failed write, reported, not as a silent signal.
    std::signal(SIGPIPE, SIG_IGN);
    lumo::chunkSupply.enable();
    lumo::compileSharingGeneration();
    lumo::endRun(0);
}
