// The driver: one compilation of one program, analysis and then generation, behind the
// library's interface (lumo.hpp). What the fast path for long programs (src/parallel/)
// needs of it is here.
#pragma once

#include <string_view>
#include <vector>

#include "arena.hpp"
#include "gener.hpp"
#include "lexer.hpp"
#include "lumo.hpp"
#include "output.hpp"
#include "syner.hpp"

namespace lumo {

// One compilation: its memory, its output, its units, and the three values that pass from
// analysis to generation.
struct Compilation {
    Arena arena;
    Output out;
    Scanner scanner{out};
    Analyser analyser{scanner, arena, out};
    Generator generator{out};

    SymTab* symtab = nullptr;
    AST* ast = nullptr;
    int labelCount = 0;

    Compilation() = default;
    // Writes its output to `outputFd` as it goes.
    explicit Compilation(int outputFd) : out(outputFd) {}
};

// Runs `phases` (analysis and generation, or analysis and listing) and returns the
// compilation's status: 0, the status of the error that ended it (its diagnostic written,
// its offset in `errorOffset`), or outOfMemoryStatus. A failed output turns success into
// outputFailedStatus. `diagnosed` says whether a diagnostic was written.
template <typename Phases>
int runCompilation(Compilation& c, Phases phases, std::uint64_t& errorOffset, bool& diagnosed);

// The whole program: analysis, then what `options` ask for: the assembly, the listing, or
// nothing more.
void compileProgram(Compilation& c, const CompileOptions& options);

// The size of the regular file `fd`, or 0 for anything else.
std::uint64_t sizeOfFile(int fd);

// Compiles the program read from `inputFd` to its end into `outputFd`: `phases(c)` does the
// work of the compilation `c`, whose source is open.
template <typename Phases>
CompileResult compileFileWith(int inputFd, int outputFd, Phases phases);

// The line and column of each offset of `text`, for a few offsets at a time.
class LineTable {
  public:
    explicit LineTable(std::string_view text);
    SourcePosition at(std::uint64_t offset) const;

  private:
    std::vector<std::size_t> starts;  // the offset of each line's first byte
};

}  // namespace lumo

#include <new>

#include "common.hpp"

namespace lumo {

template <typename Phases>
int runCompilation(Compilation& c, Phases phases, std::uint64_t& errorOffset, bool& diagnosed) {
    int status = 0;
    diagnosed = false;
    try {
        phases();
    } catch (const RunEnded& ended) {
        status = ended.status;
        errorOffset = ended.offset;
        diagnosed = true;
    } catch (const std::bad_alloc&) {
        c.out.discard();
        status = outOfMemoryStatus;
    }
    if (!c.out.flush() && status == 0) status = outputFailedStatus;
    return status;
}

template <typename Phases>
CompileResult compileFileWith(int inputFd, int outputFd, Phases phases) {
    Compilation c(outputFd);
    CompileResult result;
    std::uint64_t errorOffset = 0;
    result.status = runCompilation(
        c,
        [&] {
            c.arena.expect(sizeOfFile(inputFd));
            c.scanner.source.openFd(inputFd);
            phases(c);
        },
        errorOffset, result.diagnosed);
    result.errorAt.offset = static_cast<std::size_t>(errorOffset);
    return result;
}

}  // namespace lumo
