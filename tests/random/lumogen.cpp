// Entry point of the generator library.
#include "lumogen.hpp"

#include "gen_print.hpp"
#include "gen_program.hpp"

namespace lumogen {

namespace {

// Mostly small programs, with a tail of large ones; programs with a fault stay small, as
// everything after the fault is never analysed.
int drawSize(Rng& rng, FaultKind fault) {
    const long r = rng.between(0, 99);
    if (fault != FaultKind::None) {
        return static_cast<int>(r < 70 ? rng.between(0, 40) : rng.between(40, 400));
    }
    if (r < 2) return 0;
    if (r < 55) return static_cast<int>(rng.between(1, 60));
    if (r < 88) return static_cast<int>(rng.between(60, 600));
    return static_cast<int>(rng.between(600, 4000));
}

}  // namespace

Generated generate(const Request& request) {
    Rng rng(request.seed * 8 + static_cast<uint64_t>(request.fault));
    Generated out;
    out.size = request.size >= 0 ? request.size : drawSize(rng, request.fault);
    const Avoid& avoid = request.avoid;
    GeneratedProgram gen = generateProgram(rng, out.size, request.fault == FaultKind::None, avoid);
    if (request.fault != FaultKind::None) {
        out.program = plantFault(request.fault, gen, rng, avoid, out.planted);
        return out;
    }
    out.program = render(tokenize(gen.program), randomLayout(rng, avoid), rng);
    if (rng.chance(15) && !avoid.trailing) out.program += trailingJunk(rng);
    out.input = std::move(gen.input);
    return out;
}

bool parseFaultKind(const std::string& word, FaultKind& kind) {
    for (FaultKind k : {FaultKind::None, FaultKind::Lexical, FaultKind::Syntax, FaultKind::Static,
                        FaultKind::Type}) {
        if (word == faultKindName(k)) {
            kind = k;
            return true;
        }
    }
    return false;
}

const char* faultKindName(FaultKind kind) {
    switch (kind) {
        case FaultKind::Lexical:
            return "lexical";
        case FaultKind::Syntax:
            return "syntax";
        case FaultKind::Static:
            return "static";
        case FaultKind::Type:
            return "type";
        default:
            return "none";
    }
}

}  // namespace lumogen
