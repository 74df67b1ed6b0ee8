// Writes docs/diagnostics.md from the texts of `lumo explain`, so that the two never differ:
// the build runs it, and a test compares its output with the committed page.
#include <fstream>
#include <iostream>

#include "explain.hpp"
#include "hints.hpp"
#include "lumo.hpp"

namespace {

std::string checkOutput(const lumo::explain::Entry& entry) {
    const std::string source = entry.example;
    return lumo::hints::report("example.lumo", source, lumo::compile(source), {});
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: lumo_diagnostics_doc OUT.md\n";
        return 64;
    }
    std::ofstream out(argv[1], std::ios::binary);
    out << lumo::explain::markdown(checkOutput);
    out.close();
    if (!out) {
        std::cerr << "lumo_diagnostics_doc: cannot write " << argv[1] << "\n";
        return 73;
    }
    return 0;
}
