// The random program generator as a library: the lumogen tool, the differential runner and
// the unit tests all draw programs through generate(), so a seed means the same program
// everywhere.
#pragma once

#include <cstdint>
#include <string>

#include "gen_fault.hpp"

namespace lumogen {

struct Request {
    uint64_t seed = 1;
    int size = -1;  // statements; chosen from the seed when negative
    FaultKind fault = FaultKind::None;
    Avoid avoid;
};

struct Generated {
    std::string program;  // source text
    std::string input;    // what the program reads (correct programs only)
    int size = 0;         // the statement count it was drawn with
    Planted planted;      // the fault and its exit status (fault mode only)
};

Generated generate(const Request& request);

bool parseFaultKind(const std::string& word, FaultKind& kind);
const char* faultKindName(FaultKind kind);

}  // namespace lumogen
