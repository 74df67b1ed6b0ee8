// libFuzzer entry point: compiles each input in process, exactly as lumoc would from its
// standard input, and aborts (a crash for libFuzzer) when the run breaks the outcome
// property. Everything lumoc writes goes to a memory file that is read back and emptied
// after each input.
//
// A run ends inside `lumo::endRun`, which never returns: the first diagnostic ends it in
// the middle of analysis, a successful compilation after generation. The end-of-run hook
// records the status and jumps back here with longjmp. That jump skips the destructors of
// the compiler frames it leaves (token copies, nesting guards): their heap texts leak and
// nothing else is lost, because the analyser resets its own state at the start of every
// run. This is acceptable for a harness that exists to be restarted; no product code may
// end a run this way.
#include <sys/mman.h>
#include <unistd.h>

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common.hpp"
#include "genprog.hpp"
#include "lexer.hpp"
#include "outcome.hpp"

namespace {

int outputFd = -1;
std::jmp_buf runEnded;
volatile int endStatus = 0;
std::string captured;  // reused so that reading back allocates only when outputs grow

[[noreturn]] void recordEndOfRun(int status) {
    endStatus = status;
    std::longjmp(runEnded, 1);
}

[[noreturn]] void giveUp(const char* what) {
    std::perror(what);
    std::abort();
}

// Empties the memory file and points the compiler's output at its start.
void resetOutput() {
    if (::ftruncate(outputFd, 0) != 0 || ::lseek(outputFd, 0, SEEK_SET) != 0)
        giveUp("lumoc_fuzz: cannot reset the output file");
    lumo::out.setFd(outputFd);
}

// Everything the run wrote: the file position is the number of bytes written.
std::string_view readOutput() {
    const off_t size = ::lseek(outputFd, 0, SEEK_CUR);
    if (size < 0) giveUp("lumoc_fuzz: cannot size the output file");
    captured.resize(static_cast<std::size_t>(size));
    std::size_t done = 0;
    while (done < captured.size()) {
        const ssize_t n = ::pread(outputFd, captured.data() + done, captured.size() - done,
                                  static_cast<off_t>(done));
        if (n <= 0) giveUp("lumoc_fuzz: cannot read the output file back");
        done += static_cast<std::size_t>(n);
    }
    return captured;
}

// One whole compilation of `input`; returns its exit status.
int compileOnce(std::string_view input) {
    resetOutput();
    lumo::readFromText(input.data(), input.size());
    if (setjmp(runEnded) == 0) {
        lumo::compile();
        lumo::endRun(0);
    }
    return endStatus;
}

void report(std::string_view input, std::string_view output, int status,
            const std::string& reason) {
    std::fprintf(stderr,
                 "\n==lumoc_fuzz== outcome property violated: %s\n"
                 "  status: %d\n  input:  %s\n  output: %s\n",
                 reason.c_str(), status, lumofuzz::cLiteral(input).c_str(),
                 lumofuzz::cLiteral(output.substr(0, 2000)).c_str());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    outputFd = ::memfd_create("lumoc-output", MFD_CLOEXEC);
    if (outputFd < 0) giveUp("lumoc_fuzz: memfd_create");
    lumo::endRunHook = recordEndOfRun;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const int status = compileOnce(input);
    const std::string_view output = readOutput();
    const lumofuzz::Verdict verdict = lumofuzz::checkOutcome(input, output, status);
    if (!verdict.ok) {
        report(input, output, status, verdict.reason);
        std::abort();
    }
    return 0;
}
