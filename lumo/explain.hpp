// What each diagnostic of the language means, a small program that raises it and how to
// fix it: the texts of `lumo explain` and of docs/diagnostics.md, kept here once. Plain
// C++ with no system calls, for the browser playground too.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lumo::explain {

struct Entry {
    const char* code;     // "E206", "L4"
    int status;           // lumoc's exit status for it
    const char* heading;  // lumoc's words: its message, or the lexer's text
    const char* meaning;  // paragraphs, separated by blank lines
    const char* example;  // a program that raises it; empty when lumoc never reports it
    const char* fix;
};

// Every entry, in the order of docs/diagnostics.md: lexical errors, syntax errors, static
// semantic errors, type errors, the nesting limit.
const std::vector<Entry>& entries();

// The entry of "E206", "e206", "206" or "L4"; a bare number finds the E code (1 to 7 are
// also lexical statuses: `alsoLexical` is then set to the L entry). Null when none.
const Entry* find(std::string_view code, const Entry** alsoLexical = nullptr);

// The explanation as `lumo explain` prints it. `checkOutput` is what `lumo check` says about
// the example (the caller compiles it), empty for an entry without one.
std::string text(const Entry& entry, std::string_view checkOutput);

// The whole of docs/diagnostics.md; `checkOutputOf` gives the check output of each entry's
// example.
std::string markdown(std::string (*checkOutputOf)(const Entry&));

}  // namespace lumo::explain
