// The compiler's side of the playground's WebAssembly module: lumo::compile for JavaScript.
//
// A compilation's result stays in the module until the next one, and JavaScript reads its
// bulky parts (the output bytes, the statement map) as views of the module's memory and
// copies them at once. Building one JavaScript object per statement through embind would
// cost more than the compilation itself for long programs.
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <cstdint>
#include <string>
#include <vector>

#include "hints.hpp"
#include "lumo.hpp"

namespace {

struct CompileSummary {
    int status = 0;
    bool diagnosed = false;
    int errorOffset = 0;
    int errorLine = 0;
    int errorColumn = 0;
    int statements = 0;
};

// Per statement: kind, parent, then begin and end as (offset, line, column).
constexpr int statementFields = 8;
// Per range of assembly lines: statement, first line, last line.
constexpr int rangeFields = 3;

lumo::CompileResult last;
std::vector<std::int32_t> statementTable;
std::vector<std::int32_t> rangeTable;

void flatten(const lumo::StatementMap& map) {
    statementTable.clear();
    statementTable.reserve(map.statements.size() * statementFields);
    for (const lumo::MappedStatement& s : map.statements) {
        const lumo::SourcePosition* ends[] = {&s.begin, &s.end};
        statementTable.push_back(static_cast<std::int32_t>(s.kind));
        statementTable.push_back(s.parent);
        for (const lumo::SourcePosition* p : ends) {
            statementTable.push_back(static_cast<std::int32_t>(p->offset));
            statementTable.push_back(p->line);
            statementTable.push_back(p->column);
        }
    }
    rangeTable.clear();
    rangeTable.reserve(map.code.size() * rangeFields);
    for (const lumo::CodeRange& r : map.code) {
        rangeTable.push_back(r.statement);
        rangeTable.push_back(r.firstLine);
        rangeTable.push_back(r.lastLine);
    }
}

// `source` arrives as bytes: embind takes a JavaScript string as UTF-8, or a Uint8Array
// byte for byte, which is how the tests feed files that are not UTF-8.
CompileSummary compileSource(const std::string& source, bool listing, bool statementMap) {
    lumo::CompileOptions options;
    options.listing = listing;
    options.statementMap = statementMap && !listing;
    last = lumo::compile(source, options);
    flatten(last.map);
    last.map = {};
    CompileSummary summary;
    summary.status = last.status;
    summary.diagnosed = last.diagnosed;
    summary.errorOffset = static_cast<int>(last.errorAt.offset);
    summary.errorLine = last.errorAt.line;
    summary.errorColumn = last.errorAt.column;
    summary.statements = static_cast<int>(statementTable.size() / statementFields);
    return summary;
}

emscripten::val outputBytes() {
    return emscripten::val(emscripten::typed_memory_view(
        last.output.size(), reinterpret_cast<const std::uint8_t*>(last.output.data())));
}

emscripten::val statementWords() {
    return emscripten::val(
        emscripten::typed_memory_view(statementTable.size(), statementTable.data()));
}

emscripten::val rangeWords() {
    return emscripten::val(emscripten::typed_memory_view(rangeTable.size(), rangeTable.data()));
}

// The notes `lumo check` prints for the diagnostic of the last compilation, whose source
// is `source`: the same hints as on the command line, from the same library.
emscripten::val hintsFor(const std::string& source) {
    emscripten::val notes = emscripten::val::array();
    for (const std::string& note : lumo::hints::notes(source, lumo::hints::diagnose(last)))
        notes.call<void>("push", note);
    return notes;
}

}  // namespace

EMSCRIPTEN_BINDINGS(lumo_compiler) {
    emscripten::value_object<CompileSummary>("CompileSummary")
        .field("status", &CompileSummary::status)
        .field("diagnosed", &CompileSummary::diagnosed)
        .field("errorOffset", &CompileSummary::errorOffset)
        .field("errorLine", &CompileSummary::errorLine)
        .field("errorColumn", &CompileSummary::errorColumn)
        .field("statements", &CompileSummary::statements);
    emscripten::function("compile", &compileSource);
    emscripten::function("outputBytes", &outputBytes);
    emscripten::function("statementWords", &statementWords);
    emscripten::function("rangeWords", &rangeWords);
    emscripten::function("hints", &hintsFor);
}
