// lumoc: reads one Lumo program on standard input and writes KORU assembly on standard
// output, or exactly one diagnostic and a non-zero status. Arguments are ignored.
//
// The program is analysed whole, then its code is written; both phases use two threads
// on a long program.
//
// Analysis: when the input is a regular file, a second thread finds ";"s that end
// statements of the program's block from about a third of the file on, which cut the rest
// of the block into pieces. Once the declarations are known it reads the last piece, then
// takes pieces backwards, while this thread reads the block from its start and takes
// pieces forwards; this thread stops where the second thread's pieces begin. So the two
// share the work as their pace allows. A piece counts only once the one before it is
// known to end exactly where it begins, and its error only when nothing before it has
// one. Each piece numbers its labels from 0; they move on by the count before the piece
// as their code is written.
//
// Generation: the block is cut into chunks of statements. Each of two threads claims the
// next chunk when it gets free, puts its code together in a buffer of its own, and writes
// it when the chunk before has gone out. Each chunk's comparison labels come from its
// place in the program (the analyser tells how many comparisons precede any statement),
// so the bytes are those of one pass.
#include <sys/stat.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "common.hpp"
#include "genprog.hpp"
#include "lexer.hpp"

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
// A second thread pays from about sixteen thousand statements on; below, its buffers and
// memory would cost more than it saves.
constexpr std::size_t fewestChunksToShare = 16;

// What a thread analysing (part of) the block notes of its statements.
struct BlockNotes {
    std::vector<Sample> samples;
    std::size_t statements = 0;
    int comparisons = 0;  // read so far
    AST* last = nullptr;  // the latest statement
};

thread_local BlockNotes notes;

void noteStatement(AST* node, int relationsSoFar) {
    if (notes.statements++ % sampleSpacing == 0) notes.samples.push_back({node, notes.comparisons});
    notes.comparisons = relationsSoFar;
    notes.last = node;
}

// ---- finding where the pieces of the block begin ---------------------------------------

// Reads the input as the scanner would, tracking comments, string literals and braces, and
// finds, for each target offset in turn, the first ";" at the block's level (depth 1) at
// or after it and after the one found before. It need not be right: a piece is used only
// once the analysis has checked that a statement of the block ends where it begins.
//
// Most of the text is names, numbers, blanks and operators, which change nothing here:
// it is read sixteen bytes at a time, the braces among them counted by their bits, and
// only a quote, a slash or (past the current target) a semicolon stops the search.
class SplitFinder {
  public:
    explicit SplitFinder(std::vector<std::uint64_t> targets) : targets(std::move(targets)) {}

    // Feeds the next bytes; true once every target's ";" is found.
    bool feed(const unsigned char* p, std::size_t count) {
        for (std::size_t i = 0; i < count && !done();) {
            const std::uint64_t from = targets[found.size()];
            const bool semicolons = position + i >= from;
            std::size_t stop = count;
            if (!semicolons && from - (position + i) < count - i)
                stop = static_cast<std::size_t>(from - position);
            i = feedPart(p, i, stop, semicolons);
        }
        position += count;
        return done();
    }
    bool done() const { return found.size() == targets.size(); }

    std::vector<std::uint64_t> found;  // offsets just after each ";" found

  private:
    enum State { CODE, SLASH, COMMENT, TEXT };
    State state = CODE;
    long depth = 0;
    std::vector<std::uint64_t> targets;
    std::uint64_t position = 0;  // of the bytes being fed

    // Bytes `i` to `count`, all before the current target or all from it on; returns
    // where it stopped: `count`, or just after a ";" found.
    std::size_t feedPart(const unsigned char* p, std::size_t i, std::size_t count,
                         bool semicolons) {
        while (i < count) {
            switch (state) {
                case TEXT:
                    i = skipPast(p, i, count, '"');
                    break;
                case COMMENT:
                    i = skipPast(p, i, count, '\n');
                    break;
                case SLASH:
                    state = p[i] == '/' ? COMMENT : CODE;
                    i += state == COMMENT ? 1 : 0;
                    break;
                default:
                    if (code(p, i, count, semicolons)) {
                        found.push_back(position + i);
                        return i;
                    }
            }
        }
        return i;
    }

    std::size_t skipPast(const unsigned char* p, std::size_t i, std::size_t count, int end) {
        const void* at = std::memchr(p + i, end, count - i);
        if (at == nullptr) return count;
        state = CODE;
        return static_cast<std::size_t>(static_cast<const unsigned char*>(at) - p) + 1;
    }

    // Reads code from `i` up to and past the next byte that stops the search, counting
    // braces on the way; true when that byte is a ";" sought.
    bool code(const unsigned char* p, std::size_t& i, std::size_t count, bool semicolons) {
#if defined(__SSE2__)
        for (; count - i >= 16; i += 16) {
            const Group group(p + i, semicolons);
            if (group.stops == 0) {
                depth += group.bracesIn(~0u);
                continue;
            }
            const int at = __builtin_ctz(group.stops);
            depth += group.bracesIn((1u << at) - 1);
            i += static_cast<std::size_t>(at);
            return stopAt(p, i);
        }
#endif
        for (; i < count; ++i) {
            const unsigned char c = p[i];
            depth += c == '{' ? 1 : c == '}' ? -1 : 0;
            if (c == '"' || c == '/' || (c == ';' && semicolons)) return stopAt(p, i);
        }
        return false;
    }

    bool stopAt(const unsigned char* p, std::size_t& i) {
        const unsigned char c = p[i++];
        if (c == '"') state = TEXT;
        if (c == '/') state = SLASH;
        return c == ';' && depth == 1;
    }

#if defined(__SSE2__)
    // Sixteen bytes as bit masks: bit k stands for byte k.
    struct Group {
        std::uint32_t opens, closes, stops;
        Group(const unsigned char* p, bool semicolons) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const auto bitsOf = [bytes](char c) {
                return static_cast<std::uint32_t>(
                    _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(c))));
            };
            opens = bitsOf('{');
            closes = bitsOf('}');
            stops = bitsOf('"') | bitsOf('/') | (semicolons ? bitsOf(';') : 0u);
        }
        // Opening minus closing braces among the bytes of `mask`.
        long bracesIn(std::uint32_t mask) const {
            if (((opens | closes) & mask) == 0) return 0;
            return __builtin_popcount(opens & mask) - __builtin_popcount(closes & mask);
        }
    };
#endif
};

// ---- the pieces of the block ---------------------------------------------------------

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
    AST* list = nullptr;
    int labelCount = 0;
    BlockNotes notes;
    // Read up to the block's closing brace; otherwise the piece's last statement ends
    // exactly where the next piece begins.
    bool closed = false;
    int status = 0;  // a diagnostic's status, or 0
    std::string diagnostic;
};

// What the two threads share. This thread reads the block from its start and takes the
// pieces it enters in turn; the second thread reads the tail first, then takes pieces
// from the far end backwards. This thread stops at the first piece that the second has
// taken, if a statement ends exactly where that piece begins.
struct Board {
    std::uint64_t inputStart = 0;  // where standard input's reading began
    std::uint64_t inputSize = 0;
    // Set by the second thread before `published` tells their number.
    std::vector<std::uint64_t> bounds;
    std::vector<Piece> pieces;
    std::atomic<std::size_t> published{0};
    // Set by this thread.
    SymTab* symtab = nullptr;
    std::atomic<bool> declared{false};
    std::atomic<bool> unwanted{false};  // this thread ended the run or read the whole block
    // Who reads which piece, changed under the lock.
    std::mutex lock;
    std::size_t secondFrom = SIZE_MAX;  // the pieces from here on are the second thread's
    std::size_t firstNext = 0;          // the next bound this thread will reach
    // This thread's own.
    std::size_t stopAt = SIZE_MAX;  // the piece where it stopped
    // Set once the second thread takes no more pieces and has read those it took.
    std::atomic<bool> done{false};
};

// Never destroyed: the second thread may still run while the process ends on an error.
Board& board = *new Board;

void pause() {
    std::this_thread::sleep_for(std::chrono::microseconds(100));
}

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

// Finds where the pieces begin, and publishes them with the tail taken by this thread.
bool findBounds() {
    SplitFinder finder(pieceTargets(board.inputSize));
    std::vector<unsigned char> block(std::size_t(1) << 18);
    for (std::uint64_t at = 0; at < board.inputSize && !finder.done();) {
        if (board.unwanted.load(std::memory_order_relaxed)) return false;
        ssize_t n =
            ::pread(0, block.data(), block.size(), static_cast<off_t>(board.inputStart + at));
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

// The next piece for the second thread, from the far end backwards, while this thread has
// not reached it.
bool claimPiece(std::size_t& piece) {
    std::lock_guard<std::mutex> guard(board.lock);
    if (board.unwanted.load(std::memory_order_relaxed) || board.secondFrom <= board.firstNext)
        return false;
    piece = --board.secondFrom;
    return true;
}

bool noteOnly(AST* node, int relationsSoFar) {
    noteStatement(node, relationsSoFar);
    return false;
}

// A piece before the tail ends with the statement that ends where the next piece begins.
// A statement that goes past that point shows that the next piece's start was no
// statement's end: the piece then reads on to the block's end, as the tail does.
thread_local std::uint64_t pieceLength = 0;
thread_local bool pieceStopped = false;

bool notePieceStatement(AST* node, int relationsSoFar) {
    noteStatement(node, relationsSoFar);
    if (terminatorEnd() < pieceLength) return false;
    if (terminatorEnd() > pieceLength) {
        pieceLength = UINT64_MAX;
        return false;
    }
    pieceStopped = true;
    return true;
}

// Reads piece `index` in the second thread; a diagnostic is kept until it is known to
// be the run's first.
void analysePiece(std::size_t index) {
    Piece& piece = board.pieces[index];
    const bool tail = index + 1 == board.bounds.size();
    pieceLength = tail ? UINT64_MAX : board.bounds[index + 1] - board.bounds[index];
    pieceStopped = false;
    statementDone = tail ? noteOnly : notePieceStatement;
    notes = BlockNotes();
    readFromFdAt(0, board.inputStart + board.bounds[index]);
    int labelCount = 0;  // moved on by the count before the piece when the code is written
    try {
        synRestOfBlock(board.symtab, piece.list, labelCount);
        piece.labelCount = labelCount;
        piece.closed = !pieceStopped;
    } catch (const RunEnded& ended) {
        piece.status = ended.status;
        piece.diagnostic = std::string(out.buffered());
        out.setFd(1);  // drops the diagnostic from the buffer
    }
    piece.notes = std::move(notes);
}

void finishSecondThread() {
    board.done.store(true, std::memory_order_release);
}

void analyseInSecondThread() {
    if (!findBounds()) return finishSecondThread();
    while (!board.declared.load(std::memory_order_acquire)) {
        if (board.unwanted.load(std::memory_order_relaxed)) return finishSecondThread();
        pause();
    }
    endRunThrows = true;  // a diagnostic here waits for the verdict on what comes before
    out.hold(true);
    std::size_t piece = board.bounds.size() - 1;  // the tail
    do analysePiece(piece);
    while (claimPiece(piece));
    finishSecondThread();
}

void declarationsKnown(SymTab* symtab) {
    board.symtab = symtab;
    board.declared.store(true, std::memory_order_release);
}

// This thread's reading has reached `end`, at or past the next bound: it takes the
// pieces it enters, and stops where a piece of the second thread begins, if exactly there.
// A piece of the second thread that it enters (its start was no statement's end) it reads
// itself; the second thread's reading of it is then of no use.
bool firstReaches(std::uint64_t end) {
    std::lock_guard<std::mutex> guard(board.lock);
    const std::size_t count = board.published.load(std::memory_order_relaxed);
    for (; board.firstNext < count && board.bounds[board.firstNext] <= end; ++board.firstNext) {
        const std::size_t piece = board.firstNext;
        if (piece >= board.secondFrom && board.bounds[piece] == end) {
            board.stopAt = piece;
            return true;
        }
    }
    return false;
}

bool noteFirstStatement(AST* node, int relationsSoFar) {
    noteStatement(node, relationsSoFar);
    const std::size_t count = board.published.load(std::memory_order_acquire);
    if (board.firstNext >= count || terminatorEnd() < board.bounds[board.firstNext]) return false;
    return firstReaches(terminatorEnd());
}

bool startSecondThread() {
    struct stat input;
    if (::fstat(0, &input) != 0 || !S_ISREG(input.st_mode)) return false;
    const off_t start = ::lseek(0, 0, SEEK_CUR);
    if (start < 0 || input.st_size - start < static_cast<off_t>(shortestSplitInput)) return false;
    board.inputStart = static_cast<std::uint64_t>(start);
    board.inputSize = static_cast<std::uint64_t>(input.st_size - start);
    try {
        std::thread(analyseInSecondThread).detach();
    } catch (const std::system_error&) {
        return false;
    }
    declarationsDone = declarationsKnown;
    statementDone = noteFirstStatement;
    return true;
}

void waitForSecondThread() {
    while (!board.done.load(std::memory_order_acquire)) pause();
}

// The labels of each piece's statements were numbered from 0: they move on by the count
// before the piece, statement by statement, as their code is written (while the
// statement is in the cache anyway).
struct LabelShift {
    AST* first;              // the piece's first statement
    std::size_t fromSample;  // its sample
    int delta;
};

// Puts a piece's statements after those so far, with labels and comparison counts
// following on.
void appendPiece(const Piece& piece, AST*& ast, int& labelCount, std::vector<LabelShift>& shifts) {
    if (piece.list == nullptr) return;
    shifts.push_back({piece.list, notes.samples.size(), labelCount});
    labelCount += piece.labelCount;
    (notes.last == nullptr ? ast : notes.last->next) = piece.list;
    for (Sample sample : piece.notes.samples) {
        sample.comparisonsBefore += notes.comparisons;
        notes.samples.push_back(sample);
    }
    notes.comparisons += piece.notes.comparisons;
    notes.statements += piece.notes.statements;
    notes.last = piece.notes.last;
}

// Joins the pieces from where this thread stopped, each checked to begin where the one
// before ended: the first error among them, if any, is the run's.
std::vector<LabelShift> joinPieces(AST*& ast, int& labelCount) {
    waitForSecondThread();
    std::vector<LabelShift> shifts;
    for (std::size_t index = board.stopAt; index < board.pieces.size(); ++index) {
        const Piece& piece = board.pieces[index];
        if (piece.status > 0) {
            out.write(piece.diagnostic.data(), piece.diagnostic.size());
            endRun(piece.status);
        }
        appendPiece(piece, ast, labelCount, shifts);
        if (piece.closed) break;
    }
    return shifts;
}

// ---- writing chunks in turns -------------------------------------------------------

struct Chunk {
    AST* first;
    AST* end;  // the statement after the chunk, or null
    int firstLabel;
    int labelShift;  // for the statements of a piece read on its own
};

// The chunks' code goes out in order, each chunk's from the buffer of the thread that put
// it together, while that buffer is still in its core's cache. Threads claim chunks in
// order as they get free, so a thread slowed down for a while (the machine is shared)
// simply takes fewer. Each thread has two buffers: while its oldest chunk waits for its
// turn it puts the next one together, and it writes the waiting one out as soon as its
// turn comes, between two statements.
class TakingTurns {
  public:
    TakingTurns(SymTab* symtab, int overflowLabel, std::vector<Chunk> chunks)
        : symtab(symtab), overflowLabel(overflowLabel), chunks(std::move(chunks)) {}

    void writeChunks(Output (&buffers)[2]) {
        Waiting waiting;
        for (;;) {
            writeIfTurn(waiting);
            const std::size_t chunk = waiting.count < 2 ? claim() : chunks.size();
            if (chunk < chunks.size()) {
                Output& free =
                    waiting.count == 1 && waiting.code[0] == &buffers[0] ? buffers[1] : buffers[0];
                putTogether(chunk, free, waiting);
                continue;
            }
            if (waiting.count == 0) break;
            waitForTurn(waiting.chunk[0]);
        }
        genOutputTo(out);
    }

    bool anyFailed() const { return failed; }

  private:
    // A thread's chunks put together and not yet written, oldest first.
    struct Waiting {
        std::size_t chunk[2];
        Output* code[2];
        int count = 0;
    };

    SymTab* symtab;
    int overflowLabel;
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

    void putTogether(std::size_t chunk, Output& code, Waiting& waiting) {
        code.hold(true);
        genOutputTo(code);
        int labelCount = chunks[chunk].firstLabel;
        const int shift = chunks[chunk].labelShift;
        for (AST* node = chunks[chunk].first; node != chunks[chunk].end; node = node->next) {
            if (shift != 0) shiftStatementLabels(node, shift);
            genStatement(symtab, node, labelCount, overflowLabel);
            writeIfTurn(waiting);
        }
        waiting.chunk[waiting.count] = chunk;
        waiting.code[waiting.count++] = &code;
    }

    // Writes the oldest waiting chunk out if its turn has come.
    void writeIfTurn(Waiting& waiting) {
        if (waiting.count == 0 || turn.load(std::memory_order_acquire) != waiting.chunk[0]) return;
        if (!waiting.code[0]->flush()) failed = true;
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
std::vector<Chunk> chunksOfBlock(int firstLabel, const std::vector<LabelShift>& shifts) {
    std::vector<Chunk> chunks;
    const std::vector<Sample>& samples = notes.samples;
    std::size_t chunkStart = 0;
    std::size_t nextShift = 0;
    int delta = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const bool pieceStarts = nextShift < shifts.size() && i == shifts[nextShift].fromSample;
        if (pieceStarts) delta = shifts[nextShift++].delta;
        if (i != 0 && i - chunkStart < samplesPerChunk && !pieceStarts) continue;
        if (!chunks.empty()) chunks.back().end = samples[i].node;
        chunks.push_back(
            {samples[i].node, nullptr, firstLabel + 2 * samples[i].comparisonsBefore, delta});
        chunkStart = i;
    }
    return chunks;
}

// Each thread's two buffers for the code of its chunks.
Output codeOfFirstThread[2];
Output codeOfSecondThread[2];

// Writes the block's statements with two threads; false, with nothing written, when a
// second thread cannot be had.
bool writeBlockInTurns(SymTab* symtab, int labelCount, int overflowLabel,
                       const std::vector<LabelShift>& shifts) {
    TakingTurns turns(symtab, overflowLabel, chunksOfBlock(labelCount, shifts));
    if (!out.flush()) return true;  // already failed: the run will say so
    std::thread second;
    try {
        second = std::thread([&turns] { turns.writeChunks(codeOfSecondThread); });
    } catch (const std::system_error&) {
        return false;
    }
    turns.writeChunks(codeOfFirstThread);
    second.join();
    if (turns.anyFailed()) out.noteFailure();
    return true;
}

// Moves the labels of every piece's statements on at once, for writing in one pass.
void shiftPieces(const std::vector<LabelShift>& shifts) {
    for (std::size_t k = 0; k < shifts.size(); ++k) {
        AST* const end = k + 1 < shifts.size() ? shifts[k + 1].first : nullptr;
        for (AST* node = shifts[k].first; node != end; node = node->next)
            shiftStatementLabels(node, shifts[k].delta);
    }
}

// Writes the program as `generate` does, sharing a long block between two threads.
void generateSharing(SymTab* symtab, AST* ast, int labelCount,
                     const std::vector<LabelShift>& shifts) {
    const int overflowLabel = labelCount++;
    genHeader();
    genDeclarations(symtab);
    const bool longBlock = notes.samples.size() >= fewestChunksToShare * samplesPerChunk;
    if (!longBlock || !writeBlockInTurns(symtab, labelCount, overflowLabel, shifts)) {
        shiftPieces(shifts);
        genStatements(symtab, ast, labelCount, overflowLabel);
    }
    genFooter(overflowLabel);
}

void compileSharing() {
    SymTab* symtab = nullptr;
    AST* ast = nullptr;
    int labelCount = 0;
    const bool sharing = startSecondThread();
    if (!sharing) statementDone = noteOnly;
    synAnal(symtab, ast, labelCount);
    statementDone = nullptr;
    declarationsDone = nullptr;
    std::vector<LabelShift> shifts;
    if (board.stopAt != SIZE_MAX)
        shifts = joinPieces(ast, labelCount);
    else if (sharing)
        board.unwanted.store(true, std::memory_order_relaxed);  // this thread read it all
    generateSharing(symtab, ast, labelCount, shifts);
}

}  // namespace
}  // namespace lumo

int main() {
    // A closed pipe must show up as a failed write, reported, not as a silent signal.
    std::signal(SIGPIPE, SIG_IGN);
    // The run ends as soon as its output is flushed, without destroying static objects:
    // the second thread may still be analysing a piece of the block (this thread met an
    // error first, or read the whole block itself) and still use them.
    lumo::endRunHook = std::_Exit;
    lumo::compileSharing();
    lumo::endRun(0);
}
