// The property that every run of lumoc must have, judged from outside the compiler: from
// the bytes it read, the bytes it wrote on standard output and its exit status.
//
//   - status 0: the output is one complete assembly program (the banner line first, the
//     line that brings in the I/O library last) and nothing else;
//   - any other status: the output is exactly one well-formed diagnostic of the class and
//     number that the status names, and no assembly at all.
//
// The fuzzing harness checks every input it runs with `checkOutcome` and aborts on a
// violation; the replay test checks the real binary on the seed corpus and the kept
// regressions the same way. The texts below are the compiler's own, written out again
// here on purpose: the checker must not share tables with what it checks.
#pragma once

#include <string>
#include <string_view>

namespace lumofuzz {

// What the checker found: `ok`, or the first rule the run broke, in words.
struct Verdict {
    bool ok = true;
    std::string reason;
};

// Judges one run of lumoc on `input` that wrote `output` and ended with `status`.
Verdict checkOutcome(std::string_view input, std::string_view output, int status);

// `bytes` as a C string literal (printable ASCII as is, everything else as an octal
// escape), so that any input or output can be shown and pasted back into a test.
std::string cLiteral(std::string_view bytes);

}  // namespace lumofuzz
