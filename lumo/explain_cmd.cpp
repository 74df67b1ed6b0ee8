// `lumo explain CODE`.
#include <iostream>

#include "cli.hpp"
#include "explain.hpp"
#include "hints.hpp"
#include "lumo.hpp"

namespace lumo::cli {

std::string exampleCheck(const explain::Entry& entry) {
    if (*entry.example == '\0') return {};
    const std::string source = entry.example;
    return hints::report("example.lumo", source, compile(source), {});
}

int explain(const std::vector<std::string>& args) {
    if (args.size() != 1) return usage("explain", "explain takes one CODE, such as E206");
    if (args[0] == "--list") {
        for (const explain::Entry& e : explain::entries())
            std::cout << e.code << "\t" << e.heading << "\n";
        return 0;
    }
    const explain::Entry* lexical = nullptr;
    const explain::Entry* entry = explain::find(args[0], &lexical);
    if (entry == nullptr) {
        return usage("explain", "no diagnostic has the code '" + args[0] +
                                    "'; 'lumo explain --list' lists them");
    }
    std::cout << explain::text(*entry, exampleCheck(*entry));
    if (lexical != nullptr) {
        std::cout << "\nStatus " << lexical->status << " is also that of lexical error "
                  << lexical->code << " (" << lexical->heading << "): lumo explain "
                  << lexical->code << "\n";
    }
    return 0;
}

}  // namespace lumo::cli
