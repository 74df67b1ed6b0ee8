// A Lumo program compiled in memory and run on the KORU machine, with the end of a run told
// in Lumo's terms: which kind of trouble, at which statement of the source. Shared by
// `lumo run`, `lumo debug`, `lumo test` and `lumo grade`.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "hints.hpp"
#include "io.hpp"
#include "machine.hpp"
#include "lumo.hpp"
#include "program.hpp"

namespace lumo::runtime {

enum class Ending {
    normal,        // the program's last statement was done
    overflow,      // "Integer overflow!": +, - or * left the 16-bit range
    divideByZero,  // "Divide by zero!"
    missingInput,  // cin >> found no number left
    badInput,      // cin >> found something that is not a number in -32768..32767
    stackOverflow,
    stepLimit,
    fault,         // any other fault of the machine (no compiled program gets one)
    outputFailed,  // standard output could not be written
};

// "integer overflow", "divide by zero", ...
const char* describe(Ending ending);
// `lumo run`'s exit status for the ending (see cli.hpp) and koru's (0, 4, 5, 6).
int lumoStatus(Ending ending);
int koruStatus(Ending ending);

// A program ready to run: its source, its compilation with the statement map, and the
// assembled machine program. Runs of it may go on in several threads at once.
struct Compiled {
    std::string source;
    CompileResult result;
    koru::Program program;
    bool ok = false;
    std::string failure;  // when the assembly of lumoc's output fails (it never should)
};

// Compiles and assembles; false when the program does not compile (`result` says why).
bool prepare(std::string source, Compiled& compiled);

struct Result {
    Ending ending = Ending::normal;
    std::string message;         // the machine's words for a fault
    int statement = -1;          // the Lumo statement that was running (index in the map), or -1
    std::uint32_t trapFrom = 0;  // for a trap: the instruction that branched to its handler
    std::uint64_t steps = 0;
};

// Runs the program from its start to its end, or for `maxSteps` instructions (0: no limit).
Result runToEnd(const Compiled& compiled, koru::Input& input, koru::Output& output,
                std::uint64_t maxSteps);

// How a run of the machine ended, in Lumo's terms.
Result resultOf(const Compiled& compiled, const koru::RunResult& run);

// The statement the instruction at `index` belongs to, or -1.
int statementOf(const Compiled& compiled, std::uint32_t index);

// Where the check form puts the end of a run: for a trap, the operator whose result or
// divisor was at fault, else the statement's start. Line 0 when no statement is known.
SourcePosition placeOf(const Compiled& compiled, const Result& result);

// "FILE:LINE:COL: runtime error: integer overflow" with the statement's source line, a caret
// under it and a note; for an ending other than normal.
std::string report(std::string_view fileName, const Compiled& compiled, const Result& result,
                   const hints::RenderOptions& options);

}  // namespace lumo::runtime
