// lumoc: reads one Lumo program on standard input and writes KORU assembly on standard
// output, or exactly one diagnostic and a non-zero status. Arguments are ignored.
//
// The program is analysed whole, then its code is written. A long program's block is
// cut into chunks of statements that two threads write in turns: each puts the code of
// its next chunk together in a buffer of its own, waits until the chunk before has gone
// out, writes it, and lets the other thread go on. Each chunk's comparison labels come
// from its place in the program (the analyser tells how many comparisons precede any
// statement), so the bytes are those of one pass.
#include <condition_variable>
#include <csignal>
#include <cstddef>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "common.hpp"
#include "genprog.hpp"

namespace lumo {
namespace {

// ---- where chunks may begin ------------------------------------------------------

// A statement of the program's block with the number of comparisons before it; every
// `sampleSpacing`-th one is kept as the possible start of a chunk.
struct Sample {
    AST* node;
    int comparisonsBefore;
};

constexpr std::size_t sampleSpacing = 32;
constexpr std::size_t samplesPerChunk = 32;  // about a thousand statements a chunk

std::vector<Sample> samples;
std::size_t blockStatements = 0;
int comparisonsSoFar = 0;

void noteStatement(AST* node, int relationsSoFar) {
    if (blockStatements++ % sampleSpacing == 0) samples.push_back({node, comparisonsSoFar});
    comparisonsSoFar = relationsSoFar;
}

// ---- writing chunks in turns -------------------------------------------------------

struct Chunk {
    AST* first;
    AST* end;  // the statement after the chunk, or null
    int firstLabel;
};

class TakingTurns {
  public:
    TakingTurns(SymTab* symtab, int overflowLabel, std::vector<Chunk> chunks)
        : symtab(symtab), overflowLabel(overflowLabel), chunks(std::move(chunks)) {}

    // Writes chunks `first`, `first + step`, ... each when its turn comes.
    void writeChunks(std::size_t first, std::size_t step, Output& code) {
        code.hold(true);
        genOutputTo(code);
        for (std::size_t i = first; i < chunks.size(); i += step) {
            int labelCount = chunks[i].firstLabel;
            for (AST* node = chunks[i].first; node != chunks[i].end; node = node->next)
                genStatement(symtab, node, labelCount, overflowLabel);
            waitForTurn(i);
            if (!code.flush()) failed = true;
            passTurn();
        }
        code.hold(false);
        genOutputTo(out);
    }

    bool anyFailed() const { return failed; }

  private:
    SymTab* symtab;
    int overflowLabel;
    std::vector<Chunk> chunks;
    std::mutex lock;
    std::condition_variable turnPassed;
    std::size_t turn = 0;  // the chunk whose code goes out next
    bool failed = false;   // written under the turn, read after both are done

    void waitForTurn(std::size_t chunk) {
        std::unique_lock<std::mutex> guard(lock);
        turnPassed.wait(guard, [&] { return turn == chunk; });
    }
    void passTurn() {
        std::lock_guard<std::mutex> guard(lock);
        ++turn;
        turnPassed.notify_all();
    }
};

// The block cut at every `samplesPerChunk`-th sample; the first chunk starts the block.
std::vector<Chunk> chunksOfBlock(int firstLabel) {
    std::vector<Chunk> chunks;
    for (std::size_t i = 0; i < samples.size(); i += samplesPerChunk) {
        if (!chunks.empty()) chunks.back().end = samples[i].node;
        chunks.push_back({samples[i].node, nullptr, firstLabel + 2 * samples[i].comparisonsBefore});
    }
    return chunks;
}

Output codeOfSecondThread;

// Writes the block's statements with two threads; false, with nothing written, when a
// second thread cannot be had.
bool writeBlockInTurns(SymTab* symtab, int labelCount, int overflowLabel) {
    TakingTurns turns(symtab, overflowLabel, chunksOfBlock(labelCount));
    if (!out.flush()) return true;  // already failed: the run will say so
    std::thread second;
    try {
        second = std::thread([&turns] { turns.writeChunks(1, 2, codeOfSecondThread); });
    } catch (const std::system_error&) {
        return false;
    }
    turns.writeChunks(0, 2, out);
    second.join();
    if (turns.anyFailed()) out.noteFailure();
    return true;
}

// Writes the program as `generate` does, sharing a long block between two threads.
void generateSharing(SymTab* symtab, AST* ast, int labelCount) {
    const int overflowLabel = labelCount++;
    genHeader();
    genDeclarations(symtab);
    const bool longBlock = samples.size() >= 2 * samplesPerChunk;
    if (!longBlock || !writeBlockInTurns(symtab, labelCount, overflowLabel))
        genStatements(symtab, ast, labelCount, overflowLabel);
    genFooter(overflowLabel);
}

void compileSharing() {
    SymTab* symtab = nullptr;
    AST* ast = nullptr;
    int labelCount = 0;
    statementDone = noteStatement;
    synAnal(symtab, ast, labelCount);
    statementDone = nullptr;
    generateSharing(symtab, ast, labelCount);
}

}  // namespace
}  // namespace lumo

int main() {
    // A closed pipe must show up as a failed write, reported, not as a silent signal.
    std::signal(SIGPIPE, SIG_IGN);
    lumo::chunkSupply.enable();
    lumo::compileSharing();
    lumo::endRun(0);
}
