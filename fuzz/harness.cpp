// libFuzzer entry point: compiles each input in process through the compiler's library,
// exactly as lumoc would compile it from its standard input, and aborts (a crash for
// libFuzzer) when the result breaks the outcome property. Each compilation releases
// everything it made when it returns, so the process stays the same size however long
// the campaign runs.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "lumo.hpp"
#include "outcome.hpp"

namespace {

void report(std::string_view input, std::string_view output, int status,
            const std::string& reason) {
    std::fprintf(stderr,
                 "\n==lumoc_fuzz== outcome property violated: %s\n"
                 "  status: %d\n  input:  %s\n  output: %s\n",
                 reason.c_str(), status, lumofuzz::cLiteral(input).c_str(),
                 lumofuzz::cLiteral(output.substr(0, 2000)).c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    lumo::CompileOptions options;
    options.statementMap = true;  // the map's bookkeeping is fuzzed along
    const lumo::CompileResult result = lumo::compile(input, options);
    lumofuzz::Verdict verdict = lumofuzz::checkOutcome(input, result.output, result.status);
    if (verdict.ok && result.diagnosed && result.errorAt.offset > size) {
        verdict.ok = false;
        verdict.reason = "the diagnostic's position lies past the end of the input";
    }
    if (!verdict.ok) {
        report(input, result.output, result.status, verdict.reason);
        std::abort();
    }
    return 0;
}
