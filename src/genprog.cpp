// lumoc: reads one Lumo program on standard input and writes KORU assembly on standard
// output, or exactly one diagnostic and a non-zero status. Arguments are ignored.
//
// When standard input and standard output are both regular files, the code is generated
// alongside the analysis: a second thread writes each statement of the program's block
// as soon as the analyser has finished it, straight into the output file. An error found
// later truncates the file back to where it began, and the diagnostic is all it holds, as
// in the plain order (analyse everything, then generate) that pipes and terminals get.
//
// The one thing the code needs before analysis ends is the overflow handler's label,
// which follows the two labels of every `if` and `while`: the generating thread first
// counts those keywords in the input file, and the analyser's own count checks it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <system_error>
#include <thread>
#include <vector>

#include "common.hpp"
#include "genprog.hpp"

namespace lumo {
namespace {

// ---- counting `if` and `while` ahead of the analyser -----------------------------------

// Counts the names `if` and `while` as the scanner reads them: outside comments and
// string literals, up to the brace that closes the program's block.
class KeywordCounter {
  public:
    void feed(const unsigned char* p, const unsigned char* end) {
        for (; p != end && !closed; ++p) {
            if (continues(*p)) continue;
            startToken(*p);
        }
    }
    void finish() {
        if (state == NAME) endName();
    }
    long count() const { return keywords; }

  private:
    enum State { CODE, NAME, SLASH, COMMENT, TEXT };
    State state = CODE;
    char name[5] = {};
    int nameLength = 0;
    int depth = 0;
    bool closed = false;
    long keywords = 0;

    static bool isLetter(int c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
    static bool isNameChar(int c) { return isLetter(c) || (c >= '0' && c <= '9') || c == '_'; }

    // True when `c` belongs to the token or comment in progress.
    bool continues(unsigned char c) {
        switch (state) {
            case NAME:
                if (isNameChar(c)) {
                    if (nameLength < 5) name[nameLength] = static_cast<char>(c);
                    ++nameLength;
                    return true;
                }
                endName();
                return false;
            case SLASH:
                state = c == '/' ? COMMENT : CODE;
                return state == COMMENT;
            case COMMENT:
                if (c == '\n') state = CODE;
                return true;
            case TEXT:
                if (c == '"') state = CODE;
                return true;
            default:
                return false;
        }
    }

    void startToken(unsigned char c) {
        if (isLetter(c)) {
            state = NAME;
            name[0] = static_cast<char>(c);
            nameLength = 1;
        } else if (c == '"') {
            state = TEXT;
        } else if (c == '/') {
            state = SLASH;
        } else if (c == '{') {
            ++depth;
        } else if (c == '}') {
            closed = --depth == 0;
        }
    }

    void endName() {
        state = CODE;
        if ((nameLength == 2 && std::memcmp(name, "if", 2) == 0) ||
            (nameLength == 5 && std::memcmp(name, "while", 5) == 0))
            ++keywords;
    }
};

// Counts the keywords of the input file from `offset` on without moving the file's own
// position, which the scanner reads from. Returns -1 if the file cannot be read or `stop`
// is raised meanwhile.
long countKeywords(int fd, off_t offset, const std::atomic<bool>& stop) {
    std::vector<unsigned char> block(std::size_t(1) << 18);
    KeywordCounter counter;
    for (;;) {
        if (stop.load(std::memory_order_relaxed)) return -1;
        ssize_t n = ::pread(fd, block.data(), block.size(), offset);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        counter.feed(block.data(), block.data() + n);
        offset += n;
    }
    counter.finish();
    return counter.count();
}

// ---- the generating thread ---------------------------------------------------------

// What the analysing thread hands over, and what the generating thread reports back.
struct Alongside {
    int inFd = 0;
    int outFd = 1;
    off_t inStart = 0;
    off_t outStart = 0;
    // Each on a cache line of its own: `last` changes with every statement, and the
    // worker's frequent looks at the others must not keep taking that line away.
    SymTab* symtab = nullptr;                        // the declarations, once...
    alignas(64) std::atomic<bool> declared{false};   // ...this says they are complete
    alignas(64) std::atomic<AST*> first{nullptr};    // the block's first finished statement
    alignas(64) std::atomic<AST*> last{nullptr};     // its latest finished statement
    alignas(64) std::atomic<bool> analysed{false};   // analysis ended without error
    alignas(64) std::atomic<bool> abandoned{false};  // analysis ended in an error: stop at once
    std::thread worker;
    // Read once the worker has been joined.
    bool complete = false;  // the whole program was written
    long keywords = -1;
};

Alongside job;
Output generatedCode;  // the generating thread's buffer on the output file

// The worker outruns the analyser; when it has caught up it waits a while rather than
// waking for every statement.
void pause() {
    std::this_thread::sleep_for(std::chrono::microseconds(500));
}

bool waitForDeclarations() {
    while (!job.declared.load(std::memory_order_acquire)) {
        if (job.abandoned.load(std::memory_order_relaxed)) return false;
        pause();
    }
    return true;
}

// Writes the statements the analyser finishes, in order, until it has finished them all.
// Returns false when the analysis failed meanwhile.
bool followStatements(SymTab* symtab, int& labelCount, int overflowLabel) {
    AST* done = nullptr;
    for (;;) {
        if (job.abandoned.load(std::memory_order_relaxed)) return false;
        AST* upTo = job.last.load(std::memory_order_acquire);
        if (upTo == done) {
            if (!job.analysed.load(std::memory_order_acquire)) {
                pause();
            } else if (job.last.load(std::memory_order_acquire) == done) {
                return true;
            }
            continue;
        }
        AST* node = done == nullptr ? job.first.load(std::memory_order_acquire) : done->next;
        for (;; node = node->next) {
            genStatement(symtab, node, labelCount, overflowLabel);
            done = node;
            if (node == upTo || job.abandoned.load(std::memory_order_relaxed)) break;
        }
    }
}

void generateWhileAnalysing() {
    genOutputTo(generatedCode);
    generatedCode.setFd(job.outFd);
    const long keywords = countKeywords(job.inFd, job.inStart, job.abandoned);
    if (keywords < 0 || keywords > INT32_MAX / 4) return;
    const int overflowLabel = static_cast<int>(2 * keywords);
    int labelCount = overflowLabel + 1;
    genHeader();
    if (!waitForDeclarations()) return;
    SymTab* symtab = job.symtab;
    genDeclarations(symtab);
    if (!followStatements(symtab, labelCount, overflowLabel)) return;
    genFooter(overflowLabel);
    generatedCode.flush();
    job.keywords = keywords;
    job.complete = true;
}

void runWorker() {
    try {
        generateWhileAnalysing();
    } catch (...) {
        job.complete = false;  // out of memory: the analysing thread generates instead
    }
}

// ---- the analysing thread's side ---------------------------------------------------

void declarationsFinished(SymTab* symtab) {
    job.symtab = symtab;
    job.declared.store(true, std::memory_order_release);
}

void statementFinished(AST* node) {
    static bool firstSeen = false;  // kept here: reading `first` would share its line
    if (!firstSeen) {
        firstSeen = true;
        job.first.store(node, std::memory_order_release);
    }
    job.last.store(node, std::memory_order_release);
}

void stopWatching() {
    declarationsDone = nullptr;
    statementDone = nullptr;
    beforeEndRun = nullptr;
    genOutputTo(out);
}

// Takes the output file back to what it held before this run wrote to it.
void rewindOutput() {
    if (::ftruncate(job.outFd, job.outStart) != 0 ||
        ::lseek(job.outFd, job.outStart, SEEK_SET) != job.outStart)
        out.noteFailure();
}

// The run ends in an error: stop the worker and take back what it wrote.
void abandonGeneration() {
    job.abandoned.store(true, std::memory_order_relaxed);
    if (job.worker.joinable()) job.worker.join();
    stopWatching();
    rewindOutput();
}

bool isRegularFile(int fd, struct stat& info) {
    return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
}

// Generating alongside needs an input file it can read a second time and an output file
// that this run writes at its end, so that truncating it takes back exactly this run.
bool canGenerateAlongside() {
    struct stat in, output;
    if (!isRegularFile(job.inFd, in) || !isRegularFile(job.outFd, output)) return false;
    if (in.st_dev == output.st_dev && in.st_ino == output.st_ino) return false;
    const int flags = ::fcntl(job.outFd, F_GETFL);
    if (flags < 0 || (flags & O_APPEND) != 0) return false;
    job.inStart = ::lseek(job.inFd, 0, SEEK_CUR);
    job.outStart = ::lseek(job.outFd, 0, SEEK_CUR);
    return job.inStart >= 0 && job.outStart >= 0 && job.outStart == output.st_size;
}

bool startWorker() {
    try {
        job.worker = std::thread(runWorker);
    } catch (const std::system_error&) {
        return false;
    }
    declarationsDone = declarationsFinished;
    statementDone = statementFinished;
    beforeEndRun = abandonGeneration;
    return true;
}

// Compiles with the code generated alongside the analysis; false when the files do not
// allow it, and nothing has been read or written.
bool compileAlongside() {
    if (!canGenerateAlongside() || !startWorker()) return false;
    SymTab* symtab = nullptr;
    AST* ast = nullptr;
    int labelCount = 0;
    try {
        synAnal(symtab, ast, labelCount);
    } catch (...) {
        abandonGeneration();
        throw;
    }
    job.analysed.store(true, std::memory_order_release);
    job.worker.join();
    stopWatching();
    if (job.complete && 2 * job.keywords == labelCount) {
        if (!generatedCode.flush()) out.noteFailure();
        return true;
    }
    rewindOutput();  // the count ahead was wrong: generate again from the tree
    generate(symtab, ast, labelCount);
    return true;
}

}  // namespace
}  // namespace lumo

int main() {
    // A closed pipe must show up as a failed write, reported, not as a silent signal.
    std::signal(SIGPIPE, SIG_IGN);
    if (!lumo::compileAlongside()) lumo::compile();
    lumo::endRun(0);
}
