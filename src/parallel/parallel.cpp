// The two-thread compilation of a long program (see parallel.hpp). The compiler's units
// do all the work; this file only decides which thread reads and writes which part.
#include "parallel/parallel.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "common.hpp"
#include "genprog.hpp"
#include "parallel/labels.hpp"
#include "parallel/split_finder.hpp"

namespace lumo::parallel {
namespace {

// ---- what analysis notes for generation ---------------------------------------------

// A statement of the program's block with the number of comparisons before it; every
// `sampleSpacing`-th one is kept as the possible start of a chunk of code.
struct Sample {
    AST* node;
    int comparisonsBefore;
};

constexpr std::size_t sampleSpacing = 32;
constexpr std::size_t samplesPerChunk = 32;  // about a thousand statements a chunk
// A second thread pays from about sixteen thousand statements on; below, its buffers and
// memory would cost more than it saves.
constexpr std::size_t fewestChunksToShare = 16;

// What a thread analysing (part of) the block notes of its statements.
struct BlockNotes {
    std::vector<Sample> samples;
    std::size_t statements = 0;
    int comparisons = 0;  // in the statements noted
};

void note(BlockNotes& notes, AST* node, int comparisonsSoFar) {
    if (notes.statements++ % sampleSpacing == 0) notes.samples.push_back({node, notes.comparisons});
    notes.comparisons = comparisonsSoFar;
}

// ---- the pieces of the block --------------------------------------------------------

constexpr std::uint64_t shortestSplitInput = std::uint64_t(1) << 19;
// Pieces begin at statements found from `firstPiecePercent` of the input to
// `tailPercent`, where the second thread's first piece, the tail, begins. The second
// thread starts later (after finding where the pieces begin), so the tail is the shorter
// part; either thread can take the pieces between as its pace allows.
constexpr int pieceCount = 16;
constexpr std::uint64_t firstPiecePercent = 36;
constexpr std::uint64_t tailPercent = 62;

// Piece k of the block's statements begins at bound k and ends where piece k+1 begins;
// the last, the tail, runs to the block's end. A piece is read on its own, with its own
// list, label numbers from 0 and comparison count.
struct Piece {
    AST* head = nullptr;
    AST* last = nullptr;
    int labelCount = 0;
    BlockNotes notes;
    // Read up to the block's closing brace; otherwise the piece's last statement ends
    // exactly where the next piece begins.
    bool closed = false;
    int status = 0;  // a diagnostic's status, or 0
    std::string diagnostic;
    std::uint64_t errorOffset = 0;
};

// What the two threads share. The first thread reads the block from its start and takes
// the pieces it enters in turn; the second thread reads the tail first, then takes pieces
// from the far end backwards. The first thread stops at the first piece that the second
// has taken, if a statement ends exactly where that piece begins.
struct Board {
    int fd = -1;
    std::uint64_t inputStart = 0;  // where reading the input began
    std::uint64_t inputSize = 0;
    // Set by the second thread before `published` tells their number.
    std::vector<std::uint64_t> bounds;
    std::vector<Piece> pieces;
    std::atomic<std::size_t> published{0};
    // Set by the first thread.
    SymTab* symtab = nullptr;
    std::atomic<bool> declared{false};
    std::atomic<bool> unwanted{false};  // the first thread ended the run or read the whole block
    // Who reads which piece, changed under the lock.
    std::mutex lock;
    std::size_t secondFrom = SIZE_MAX;  // the pieces from here on are the second thread's
    std::size_t firstNext = 0;          // the next bound the first thread will reach
    std::size_t stopAt = SIZE_MAX;      // the piece where the first thread stopped
    Arena* secondArena = nullptr;       // the records of the second thread's pieces
};

// Where the finder starts each search: spread from firstPiecePercent to tailPercent.
std::vector<std::uint64_t> pieceTargets(std::uint64_t size) {
    std::vector<std::uint64_t> targets;
    const std::uint64_t span = tailPercent - firstPiecePercent;
    for (int k = 0; k < pieceCount; ++k) {
        const std::uint64_t tenThousandths =
            100 * firstPiecePercent + 100 * span * static_cast<std::uint64_t>(k) / (pieceCount - 1);
        targets.push_back(size / 10000 * tenThousandths);
    }
    return targets;
}

// Finds where the pieces begin, and publishes them with the tail taken by the second
// thread.
bool findBounds(Board& board) {
    SplitFinder finder(pieceTargets(board.inputSize));
    std::vector<unsigned char> block(std::size_t(1) << 18);
    for (std::uint64_t at = 0; at < board.inputSize && !finder.done();) {
        if (board.unwanted.load(std::memory_order_relaxed)) return false;
        const ssize_t n = ::pread(board.fd, block.data(), block.size(),
                                  static_cast<off_t>(board.inputStart + at));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        finder.feed(block.data(), static_cast<std::size_t>(n));
        at += static_cast<std::uint64_t>(n);
    }
    if (finder.found.empty()) return false;
    board.bounds = std::move(finder.found);
    board.pieces.resize(board.bounds.size());
    std::lock_guard<std::mutex> guard(board.lock);
    board.secondFrom = board.bounds.size() - 1;
    board.published.store(board.bounds.size(), std::memory_order_release);
    return true;
}

// The next piece for the second thread, from the far end backwards, while the first
// thread has not reached it.
bool claimPiece(Board& board, std::size_t& piece) {
    std::lock_guard<std::mutex> guard(board.lock);
    if (board.unwanted.load(std::memory_order_relaxed) || board.secondFrom <= board.firstNext)
        return false;
    piece = --board.secondFrom;
    return true;
}

// Analyses piece `index` in the second thread, as the statements of the block from the
// piece's start up to its end (or, when a statement runs past that end, which was then no
// statement's end, up to the block's end). A diagnostic is kept until it is known to be
// the run's first.
void analysePiece(Board& board, std::size_t index, Scanner& scanner, Output& out) {
    Piece& piece = board.pieces[index];
    const bool tail = index + 1 == board.bounds.size();
    std::uint64_t length = tail ? UINT64_MAX : board.bounds[index + 1] - board.bounds[index];
    Analyser analyser(scanner, *board.secondArena, out);
    analyser.useSymbolTable(board.symtab);
    scanner.source.openFdAt(board.fd, board.inputStart + board.bounds[index]);
    StatementList list;
    bool stopped = false;
    try {
        LexToken token;
        scanner.skipWhiteComments();
        scanner.lexAnal(token);
        while (token.kind != RBRACE && !board.unwanted.load(std::memory_order_relaxed)) {
            analyser.synBlockStatement(board.symtab, list, piece.labelCount, token);
            note(piece.notes, list.last, analyser.comparisonsRead());
            const std::uint64_t end = token.offset + 1;  // just after the ";"
            if (end == length) {
                stopped = true;
                break;
            }
            if (end > length) length = UINT64_MAX;
            scanner.lexAnal(token);
        }
        piece.closed = !stopped;
    } catch (const RunEnded& ended) {
        piece.status = ended.status;
        piece.diagnostic = out.take();
        piece.errorOffset = board.bounds[index] + ended.offset;
    } catch (const std::bad_alloc&) {
        piece.status = outOfMemoryStatus;
    }
    piece.head = list.head;
    piece.last = list.last;
}

void analyseInSecondThread(Board& board) {
    if (!findBounds(board)) return;
    while (!board.declared.load(std::memory_order_acquire)) {
        if (board.unwanted.load(std::memory_order_relaxed)) return;
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    Output out;  // for a piece's diagnostic
    Scanner scanner(out);
    std::size_t piece = board.bounds.size() - 1;  // the tail
    do analysePiece(board, piece, scanner, out);
    while (claimPiece(board, piece));
}

// The first thread's reading has reached `end`, just after a statement of the block: it
// takes the pieces it enters, and stops where a piece of the second thread begins, if
// exactly there. A piece of the second thread that it enters (its start was no
// statement's end) it reads itself; the second thread's reading of it is then of no use.
bool firstReaches(Board& board, std::uint64_t end) {
    const std::size_t count = board.published.load(std::memory_order_acquire);
    if (board.firstNext >= count || end < board.bounds[board.firstNext]) return false;
    std::lock_guard<std::mutex> guard(board.lock);
    for (; board.firstNext < count && board.bounds[board.firstNext] <= end; ++board.firstNext) {
        const std::size_t piece = board.firstNext;
        if (piece >= board.secondFrom && board.bounds[piece] == end) {
            board.stopAt = piece;
            return true;
        }
    }
    return false;
}

// The second thread, when the input is worth splitting; joined whatever happens.
class SecondThread {
  public:
    explicit SecondThread(Board& board) : board(board) {}
    ~SecondThread() { finish(); }
    SecondThread(const SecondThread&) = delete;
    SecondThread& operator=(const SecondThread&) = delete;

    bool start() {
        try {
            thread = std::thread([this] { analyseInSecondThread(board); });
        } catch (const std::system_error&) {
            return false;
        }
        return true;
    }
    // Waits until it ends; with `unwanted`, it ends as soon as it can.
    void finish(bool unwanted = true) {
        if (unwanted) board.unwanted.store(true, std::memory_order_relaxed);
        if (thread.joinable()) thread.join();
    }

  private:
    Board& board;
    std::thread thread;
};

bool worthSplitting(int fd, Board& board) {
    struct stat input;
    if (::fstat(fd, &input) != 0 || !S_ISREG(input.st_mode)) return false;
    const off_t start = ::lseek(fd, 0, SEEK_CUR);
    if (start < 0 || input.st_size - start < static_cast<off_t>(shortestSplitInput)) return false;
    board.fd = fd;
    board.inputStart = static_cast<std::uint64_t>(start);
    board.inputSize = static_cast<std::uint64_t>(input.st_size - start);
    return true;
}

// ---- joining the pieces -------------------------------------------------------------

// The labels of each piece's statements were numbered from 0: they move on by the count
// before the piece, statement by statement, as their code is written (while the
// statement is in the cache anyway).
struct LabelShift {
    AST* first;              // the piece's first statement
    std::size_t fromSample;  // its sample
    int delta;
};

// The program's block as analysis left it, in one list, with its notes.
struct Block {
    StatementList list;
    BlockNotes notes;
    std::vector<LabelShift> shifts;
};

// Puts a piece's statements after those so far, with labels and comparison counts
// following on.
void appendPiece(const Piece& piece, Block& block, int& labelCount) {
    if (piece.head == nullptr) return;
    block.shifts.push_back({piece.head, block.notes.samples.size(), labelCount});
    labelCount += piece.labelCount;
    (block.list.last == nullptr ? block.list.head : block.list.last->next) = piece.head;
    block.list.last = piece.last;
    for (Sample sample : piece.notes.samples) {
        sample.comparisonsBefore += block.notes.comparisons;
        block.notes.samples.push_back(sample);
    }
    block.notes.comparisons += piece.notes.comparisons;
    block.notes.statements += piece.notes.statements;
}

// Joins the pieces from where the first thread stopped, each checked to begin where the
// one before ended: the first error among them, if any, is the run's.
void joinPieces(Compilation& c, Board& board, Block& block) {
    for (std::size_t index = board.stopAt; index < board.pieces.size(); ++index) {
        const Piece& piece = board.pieces[index];
        if (piece.status == outOfMemoryStatus) throw std::bad_alloc();
        if (piece.status != 0) {
            c.out << piece.diagnostic;
            endRun(piece.status, piece.errorOffset);
        }
        appendPiece(piece, block, c.labelCount);
        if (piece.closed) break;
    }
}

// Analyses the whole program: the declarations and the start of the block on this
// thread, the rest shared with a second thread when the input is long enough. The second
// thread's records go to `secondArena`.
void analyse(Compilation& c, int inputFd, Arena& secondArena, Block& block) {
    Board board;
    board.secondArena = &secondArena;
    SecondThread second(board);
    const bool splittable = worthSplitting(inputFd, board);
    if (splittable) secondArena.expect(board.inputSize / 2);
    const bool sharing = splittable && second.start();
    LexToken token;
    c.analyser.synProgramStart(c.symtab, token);
    board.symtab = c.symtab;
    board.declared.store(true, std::memory_order_release);
    c.analyser.synBlockStart(token);
    while (token.kind != RBRACE) {
        c.analyser.synBlockStatement(c.symtab, block.list, c.labelCount, token);
        note(block.notes, block.list.last, c.analyser.comparisonsRead());
        if (sharing && firstReaches(board, token.offset + 1)) break;
        c.scanner.lexAnal(token);
    }
    if (board.stopAt == SIZE_MAX) return second.finish();  // this thread read it all
    second.finish(false);
    joinPieces(c, board, block);
}

// ---- writing chunks in turns --------------------------------------------------------

struct Chunk {
    AST* first;
    AST* end;  // the statement after the chunk, or null
    int firstLabel;
    int labelShift;  // for the statements of a piece read on its own
};

// A thread's way of writing code: a buffer, and the generator that writes into it. A
// chunk's code takes a few hundred kilobytes: one huge page holds it.
struct CodeBuffer {
    Output out;
    Generator generator{out};
    CodeBuffer() { out.expect(hugePage); }
};

// The chunks' code goes out in order, each chunk's from the buffer of the thread that put
// it together, while that buffer is still in its core's cache. Threads claim chunks in
// order as they get free, so a thread slowed down for a while (the machine is shared)
// simply takes fewer. Each thread has two buffers: while its oldest chunk waits for its
// turn it puts the next one together, and it writes the waiting one out as soon as its
// turn comes, between two statements.
class TakingTurns {
  public:
    TakingTurns(SymTab* symtab, int overflowLabel, int outputFd, std::vector<Chunk> chunks)
        : symtab(symtab),
          overflowLabel(overflowLabel),
          outputFd(outputFd),
          chunks(std::move(chunks)) {}

    void writeChunks(CodeBuffer (&buffers)[2]) {
        Waiting waiting;
        for (;;) {
            writeIfTurn(waiting);
            const std::size_t chunk = waiting.count < 2 ? claim() : chunks.size();
            if (chunk < chunks.size()) {
                CodeBuffer& free =
                    waiting.count == 1 && waiting.code[0] == &buffers[0] ? buffers[1] : buffers[0];
                putTogether(chunk, free, waiting);
                continue;
            }
            if (waiting.count == 0) break;
            waitForTurn(waiting.chunk[0]);
        }
    }

    bool anyFailed() const { return failed; }

  private:
    // A thread's chunks put together and not yet written, oldest first.
    struct Waiting {
        std::size_t chunk[2];
        CodeBuffer* code[2];
        int count = 0;
    };

    SymTab* symtab;
    int overflowLabel;
    int outputFd;
    std::vector<Chunk> chunks;
    std::mutex lock;
    std::condition_variable turnPassed;
    std::atomic<std::size_t> turn{0};  // the chunk whose code goes out next
    std::size_t claimed = 0;           // chunks handed out, under the lock
    bool failed = false;               // written under the turn, read after both are done

    std::size_t claim() {
        std::lock_guard<std::mutex> guard(lock);
        return claimed < chunks.size() ? claimed++ : chunks.size();
    }

    void putTogether(std::size_t chunk, CodeBuffer& code, Waiting& waiting) {
        int labelCount = chunks[chunk].firstLabel;
        const int shift = chunks[chunk].labelShift;
        for (AST* node = chunks[chunk].first; node != chunks[chunk].end; node = node->next) {
            if (shift != 0) shiftStatementLabels(node, shift);
            code.generator.genStatement(symtab, node, labelCount, overflowLabel);
            writeIfTurn(waiting);
        }
        waiting.chunk[waiting.count] = chunk;
        waiting.code[waiting.count++] = &code;
    }

    // Writes the oldest waiting chunk out if its turn has come.
    void writeIfTurn(Waiting& waiting) {
        if (waiting.count == 0 || turn.load(std::memory_order_acquire) != waiting.chunk[0]) return;
        if (!waiting.code[0]->out.sendHeldTo(outputFd)) failed = true;
        waiting.chunk[0] = waiting.chunk[1];
        waiting.code[0] = waiting.code[1];
        --waiting.count;
        passTurn();
    }

    void waitForTurn(std::size_t chunk) {
        std::unique_lock<std::mutex> guard(lock);
        turnPassed.wait(guard, [&] { return turn.load(std::memory_order_relaxed) == chunk; });
    }
    void passTurn() {
        std::lock_guard<std::mutex> guard(lock);
        turn.fetch_add(1, std::memory_order_release);
        turnPassed.notify_all();
    }
};

// The block cut at every `samplesPerChunk`-th sample and where each piece of the
// analysis begins; the first chunk starts the block.
std::vector<Chunk> chunksOfBlock(int firstLabel, const Block& block) {
    std::vector<Chunk> chunks;
    const std::vector<Sample>& samples = block.notes.samples;
    std::size_t chunkStart = 0;
    std::size_t nextShift = 0;
    int delta = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const bool pieceStarts =
            nextShift < block.shifts.size() && i == block.shifts[nextShift].fromSample;
        if (pieceStarts) delta = block.shifts[nextShift++].delta;
        if (i != 0 && i - chunkStart < samplesPerChunk && !pieceStarts) continue;
        if (!chunks.empty()) chunks.back().end = samples[i].node;
        chunks.push_back(
            {samples[i].node, nullptr, firstLabel + 2 * samples[i].comparisonsBefore, delta});
        chunkStart = i;
    }
    return chunks;
}

// Writes the block's statements with two threads; false, with nothing written, when a
// second thread cannot be had.
bool writeBlockInTurns(Compilation& c, int labelCount, int overflowLabel, int outputFd,
                       const Block& block) {
    TakingTurns turns(c.symtab, overflowLabel, outputFd, chunksOfBlock(labelCount, block));
    if (!c.out.flush()) return true;  // already failed: the run will say so
    static_assert(sizeof(CodeBuffer) < 1024, "buffers are small until they are written to");
    CodeBuffer first[2], second[2];
    std::thread thread;
    try {
        thread = std::thread([&turns, &second] { turns.writeChunks(second); });
    } catch (const std::system_error&) {
        return false;
    }
    turns.writeChunks(first);
    thread.join();
    if (turns.anyFailed()) c.out.failWrites();
    return true;
}

// Writes the program as `generate` does, sharing a long block between two threads.
void generate(Compilation& c, int outputFd, const Block& block) {
    int labelCount = c.labelCount;
    const int overflowLabel = labelCount++;
    c.generator.genHeader();
    c.generator.genDeclarations(c.symtab);
    const bool longBlock = block.notes.samples.size() >= fewestChunksToShare * samplesPerChunk;
    if (!longBlock || !writeBlockInTurns(c, labelCount, overflowLabel, outputFd, block)) {
        for (const LabelShift& shift : block.shifts) {
            const auto next = &shift + 1;
            AST* const end =
                next != block.shifts.data() + block.shifts.size() ? next->first : nullptr;
            for (AST* node = shift.first; node != end; node = node->next)
                shiftStatementLabels(node, shift.delta);
        }
        c.generator.genStatements(c.symtab, c.ast, labelCount, overflowLabel);
    }
    c.generator.genFooter(overflowLabel);
}

}  // namespace

CompileResult compileFile(int inputFd, int outputFd) {
    Arena secondArena;  // made first, so that it outlives the compilation's use of it
    return compileFileWith(inputFd, outputFd, [&](Compilation& c) {
        Block block;
        analyse(c, inputFd, secondArena, block);
        c.ast = block.list.head;
        generate(c, outputFd, block);
    });
}

}  // namespace lumo::parallel
