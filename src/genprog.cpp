// lumoc: reads one Lumo program on standard input and writes KORU assembly on standard
// output, or exactly one diagnostic and a non-zero status. Arguments are ignored.
//
// The program is analysed whole, then its code is written; both phases use two threads
// on a long program.
//
// Analysis: when the input is a regular file, a second thread finds a ";" that ends a
// statement of the program's block near the middle of the file, and analyses the block
// from there once the declarations are known, while this thread analyses it up to that
// ";". An error of the first part is the run's first error; the second part's error
// counts only when the first part has none. The second part numbers its labels from 0;
// they move on by the first part's count as their code is written.
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

// ---- finding where the second part of the analysis begins ---------------------------

// Reads the input as the scanner would, tracking comments, string literals and braces, up
// to the first ";" at the block's level (depth 1) from `from` on. It need not be right:
// the first part ends there only if its own analysis finds a statement of the block
// ending there (else it reads the whole block itself).
//
// Most of the text is names, numbers, blanks and operators, which change nothing here:
// it is read sixteen bytes at a time, the braces among them counted by their bits, and
// only a quote, a slash or (from `from` on) a semicolon stops the search.
class SplitFinder {
  public:
    explicit SplitFinder(std::uint64_t from) : from(from) {}

    // Feeds the next bytes; true once the ";" is found (`split` is the offset after it).
    bool feed(const unsigned char* p, std::size_t count) {
        if (position < from && count > from - position) {  // the split may be in there
            const std::size_t before = static_cast<std::size_t>(from - position);
            return feedPart(p, before) || feedPart(p + before, count - before);
        }
        return feedPart(p, count);
    }
    std::uint64_t split = 0;

  private:
    enum State { CODE, SLASH, COMMENT, TEXT };
    State state = CODE;
    long depth = 0;
    std::uint64_t from;
    std::uint64_t position = 0;

    // Bytes all before `from` or all from it on.
    bool feedPart(const unsigned char* p, std::size_t count) {
        const bool semicolons = position >= from;
        std::size_t i = 0;
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
                        split = position + i;
                        return true;
                    }
            }
        }
        position += count;
        return false;
    }

    std::size_t skipPast(const unsigned char* p, std::size_t i, std::size_t count, int end) {
        const void* found = std::memchr(p + i, end, count - i);
        if (found == nullptr) return count;
        state = CODE;
        return static_cast<std::size_t>(static_cast<const unsigned char*>(found) - p) + 1;
    }

    // Reads code from `i` up to and past the next byte that stops the search, counting
    // braces on the way; true when that byte is the ";" sought.
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

// ---- the second part of the analysis -------------------------------------------------

constexpr std::uint64_t shortestSplitInput = std::uint64_t(1) << 19;
// The second part starts later (after finding where it begins), so it is the smaller.
constexpr std::uint64_t splitPercent = 52;

struct SecondPart {
    std::uint64_t inputStart = 0;  // where standard input's reading began
    std::uint64_t inputSize = 0;
    // Found by the second thread: where its part begins (0: nowhere).
    std::atomic<std::uint64_t> split{0};
    // Set by this thread.
    SymTab* symtab = nullptr;
    std::atomic<bool> declared{false};
    std::atomic<bool> unwanted{false};  // the first part ended the run or read the block
    // The second part's outcome, read once it is done.
    std::atomic<bool> done{false};
    AST* list = nullptr;
    int labelCount = 0;
    BlockNotes notes;
    int status = 0;  // a diagnostic's status, or 0
    std::string diagnostic;
};

// Never destroyed: the second thread may still run while the process ends on an error.
SecondPart& part = *new SecondPart;

void pause() {
    std::this_thread::sleep_for(std::chrono::microseconds(100));
}

bool findSplit() {
    SplitFinder finder(part.inputSize / 100 * splitPercent);
    std::vector<unsigned char> block(std::size_t(1) << 18);
    for (std::uint64_t at = 0; at < part.inputSize;) {
        if (part.unwanted.load(std::memory_order_relaxed)) return false;
        ssize_t n =
            ::pread(0, block.data(), block.size(), static_cast<off_t>(part.inputStart + at));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        if (finder.feed(block.data(), static_cast<std::size_t>(n))) {
            part.split.store(finder.split, std::memory_order_release);
            return true;
        }
        at += static_cast<std::uint64_t>(n);
    }
    return false;
}

bool noteOnly(AST* node, int relationsSoFar) {
    noteStatement(node, relationsSoFar);
    return false;
}

void analyseSecondPart() {
    if (!findSplit()) return part.done.store(true, std::memory_order_release);
    while (!part.declared.load(std::memory_order_acquire)) {
        if (part.unwanted.load(std::memory_order_relaxed))
            return part.done.store(true, std::memory_order_release);
        pause();
    }
    endRunThrows = true;  // a diagnostic here waits for the first part's verdict
    out.hold(true);
    statementDone = noteOnly;
    readFromFdAt(0, part.inputStart + part.split.load(std::memory_order_relaxed));
    int labelCount = 0;  // moved on by the first part's count when the code is written
    try {
        synRestOfBlock(part.symtab, part.list, labelCount);
        part.labelCount = labelCount;
    } catch (const RunEnded& ended) {
        part.status = ended.status;
        part.diagnostic = std::string(out.buffered());
    }
    part.notes = std::move(notes);
    part.done.store(true, std::memory_order_release);
}

void declarationsKnown(SymTab* symtab) {
    part.symtab = symtab;
    part.declared.store(true, std::memory_order_release);
}

bool stoppedAtSplit = false;

// The first part ends after the ";" where the second begins.
bool noteFirstStatement(AST* node, int relationsSoFar) {
    noteStatement(node, relationsSoFar);
    const std::uint64_t split = part.split.load(std::memory_order_acquire);
    stoppedAtSplit = split != 0 && terminatorEnd() == split;
    return stoppedAtSplit;
}

bool startSecondPart() {
    struct stat input;
    if (::fstat(0, &input) != 0 || !S_ISREG(input.st_mode)) return false;
    const off_t start = ::lseek(0, 0, SEEK_CUR);
    if (start < 0 || input.st_size - start < static_cast<off_t>(shortestSplitInput)) return false;
    part.inputStart = static_cast<std::uint64_t>(start);
    part.inputSize = static_cast<std::uint64_t>(input.st_size - start);
    try {
        std::thread(analyseSecondPart).detach();
    } catch (const std::system_error&) {
        return false;
    }
    declarationsDone = declarationsKnown;
    statementDone = noteFirstStatement;
    return true;
}

void waitForSecondPart() {
    while (!part.done.load(std::memory_order_acquire)) pause();
}

// The labels of the second part's statements were numbered from 0: they move on by the
// first part's count, statement by statement, as their code is written (while the
// statement is in the cache anyway).
struct LabelShift {
    AST* list = nullptr;  // the second part's statements
    std::size_t fromSample = SIZE_MAX;
    int delta = 0;
};

// Joins the second part to the first: its error if it had one, else its statements
// after the first part's, with labels and comparison counts following on.
LabelShift joinSecondPart(AST*& ast, int& labelCount) {
    waitForSecondPart();
    if (part.status > 0) {
        out.write(part.diagnostic.data(), part.diagnostic.size());
        endRun(part.status);
    }
    const LabelShift shift{part.list, notes.samples.size(), labelCount};
    labelCount += part.labelCount;
    (notes.last == nullptr ? ast : notes.last->next) = part.list;
    for (Sample sample : part.notes.samples) {
        sample.comparisonsBefore += notes.comparisons;
        notes.samples.push_back(sample);
    }
    notes.statements += part.notes.statements;
    return shift;
}

// ---- writing chunks in turns -------------------------------------------------------

struct Chunk {
    AST* first;
    AST* end;  // the statement after the chunk, or null
    int firstLabel;
    int labelShift;  // for the statements of the second part of the analysis
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

// The block cut at every `samplesPerChunk`-th sample and where the second part of the
// analysis begins; the first chunk starts the block.
std::vector<Chunk> chunksOfBlock(int firstLabel, const LabelShift& shift) {
    std::vector<Chunk> chunks;
    const std::vector<Sample>& samples = notes.samples;
    std::size_t chunkStart = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (i != 0 && i - chunkStart < samplesPerChunk && i != shift.fromSample) continue;
        if (!chunks.empty()) chunks.back().end = samples[i].node;
        chunks.push_back({samples[i].node, nullptr, firstLabel + 2 * samples[i].comparisonsBefore,
                          i >= shift.fromSample ? shift.delta : 0});
        chunkStart = i;
    }
    return chunks;
}

// Each thread's two buffers for the code of its chunks.
Output codeOfFirstThread[2];
Output codeOfSecondThread[2];

// Writes the block's statements with two threads; false, with nothing written, when a
// second thread cannot be had.
bool writeBlockInTurns(SymTab* symtab, int labelCount, int overflowLabel, const LabelShift& shift) {
    TakingTurns turns(symtab, overflowLabel, chunksOfBlock(labelCount, shift));
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

// Writes the program as `generate` does, sharing a long block between two threads.
void generateSharing(SymTab* symtab, AST* ast, int labelCount, const LabelShift& shift) {
    const int overflowLabel = labelCount++;
    genHeader();
    genDeclarations(symtab);
    const bool longBlock = notes.samples.size() >= fewestChunksToShare * samplesPerChunk;
    if (!longBlock || !writeBlockInTurns(symtab, labelCount, overflowLabel, shift)) {
        if (shift.delta != 0) shiftLabels(shift.list, shift.delta);
        genStatements(symtab, ast, labelCount, overflowLabel);
    }
    genFooter(overflowLabel);
}

void compileSharing() {
    SymTab* symtab = nullptr;
    AST* ast = nullptr;
    int labelCount = 0;
    const bool splitting = startSecondPart();
    if (!splitting) statementDone = noteOnly;
    synAnal(symtab, ast, labelCount);
    statementDone = nullptr;
    declarationsDone = nullptr;
    LabelShift shift;
    if (stoppedAtSplit)
        shift = joinSecondPart(ast, labelCount);
    else if (splitting)
        part.unwanted.store(true, std::memory_order_relaxed);  // this thread read it all
    generateSharing(symtab, ast, labelCount, shift);
}

}  // namespace
}  // namespace lumo

int main() {
    // A closed pipe must show up as a failed write, reported, not as a silent signal.
    std::signal(SIGPIPE, SIG_IGN);
    // The run ends as soon as its output is flushed, without destroying static objects:
    // a thread analysing the second part of the block may still be running (the first
    // part had an error, or read the whole block itself) and still use them.
    lumo::endRunHook = std::_Exit;
    lumo::compileSharing();
    lumo::endRun(0);
}
