// The driver: runs the two phases of a compilation one after the other, analysis of the
// whole program and then generation of the whole assembly program, and hands the caller
// the result. It also puts the statement map together from what the two phases recorded.
#include "genprog.hpp"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "listing.hpp"

#include <sys/stat.h>

namespace lumo {

void compileProgram(Compilation& c, const CompileOptions& options) {
    c.symtab = nullptr;
    c.ast = nullptr;
    c.labelCount = 0;
    c.analyser.synAnal(c.symtab, c.ast, c.labelCount);
    if (options.analyseOnly) return;
    if (!options.listing) return c.generator.generate(c.symtab, c.ast, c.labelCount);
    Lister lister(c.out);
    lister.printST(c.symtab);
    int lineNumber = 1;
    lister.printAST(c.ast, lineNumber, 0);
    c.out << "\n";  // the tree ends at its closing brace; end the last line for the terminal
}

LineTable::LineTable(std::string_view text) {
    starts.push_back(0);
    for (const char *p = text.data(), *end = p + text.size();;) {
        p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        if (p == nullptr) break;
        ++p;
        starts.push_back(static_cast<std::size_t>(p - text.data()));
    }
}

SourcePosition LineTable::at(std::uint64_t offset) const {
    const auto after = std::upper_bound(starts.begin(), starts.end(), offset);
    const std::size_t line = static_cast<std::size_t>(after - starts.begin());  // 1-based
    SourcePosition position;
    position.offset = static_cast<std::size_t>(offset);
    position.line = static_cast<int>(line);
    position.column = static_cast<int>(offset - starts[line - 1]) + 1;
    return position;
}

int StatementMap::statementAt(int line) const {
    const auto after = std::upper_bound(code.begin(), code.end(), line,
                                        [](int l, const CodeRange& r) { return l < r.firstLine; });
    if (after == code.begin()) return -1;
    const CodeRange& range = *(after - 1);
    return line <= range.lastLine ? range.statement : -1;
}

namespace {

CodeKind kindOf(const SourceSpan& span) {
    switch (span.kind) {
        case ASSIGN_ST:
            return CodeKind::assignment;
        case IF_ST:
            return CodeKind::ifStatement;
        case WHILE_ST:
            return CodeKind::whileStatement;
        case CIN_ST:
            return CodeKind::input;
        case COUT_ST:
            return CodeKind::output;
        default:
            return CodeKind::declaration;
    }
}

// Joins where the analyser found each declaration and statement with where the generator
// wrote its code. Both recorded the statements in the same order, the order of the text;
// a declaration's code is found by its entry.
StatementMap makeStatementMap(std::string_view source, const std::vector<SourceSpan>& spans,
                              const std::vector<CodeMark>& marks, std::string_view assembly) {
    StatementMap map;
    const LineTable lines(source);
    std::unordered_map<const SymTab*, int> declarations;
    std::vector<int> statements;  // the spans of statements, in order
    for (const SourceSpan& span : spans) {
        const int index = static_cast<int>(map.statements.size());
        if (span.kind == NULL_ST)
            declarations[span.entry] = index;
        else
            statements.push_back(index);
        MappedStatement mapped;
        mapped.kind = kindOf(span);
        mapped.begin = lines.at(span.begin);
        mapped.end = lines.at(span.end);
        mapped.parent = span.parent;
        map.statements.push_back(mapped);
    }
    // Marks lie at the starts of lines: the code between two marks is the own code of
    // the innermost statement open there.
    std::vector<int> open;
    std::size_t nextStatement = 0;
    int line = 1;  // of the assembly, at `counted`
    std::uint64_t counted = 0;
    int rangeStart = 0;
    for (const CodeMark& mark : marks) {
        const char* from = assembly.data() + counted;
        line += static_cast<int>(std::count(from, assembly.data() + mark.offset, '\n'));
        counted = mark.offset;
        if (!open.empty() && line > rangeStart)
            map.code.push_back({open.back(), rangeStart, line - 1});
        rangeStart = line;
        if (!mark.begins) {
            open.pop_back();
        } else if (mark.entry != nullptr) {
            open.push_back(declarations.at(mark.entry));
        } else {
            open.push_back(statements.at(nextStatement++));
        }
    }
    return map;
}

}  // namespace

CompileResult compile(std::string_view source, const CompileOptions& options) {
    Compilation c;
    std::vector<SourceSpan> spans;
    std::vector<CodeMark> marks;
    const bool mapped = options.statementMap && !options.listing && !options.analyseOnly;
    if (mapped) {
        c.analyser.spans = &spans;
        c.generator.marks = &marks;
    }
    CompileResult result;
    std::uint64_t errorOffset = 0;
    result.status = runCompilation(
        c,
        [&] {
            c.arena.expect(source.size());
            c.scanner.source.openText(source);
            compileProgram(c, options);
        },
        errorOffset, result.diagnosed);
    result.output = c.out.take();
    if (result.diagnosed) result.errorAt = LineTable(source).at(errorOffset);
    if (mapped && result.status == 0)
        result.map = makeStatementMap(source, spans, marks, result.output);
    return result;
}

std::uint64_t sizeOfFile(int fd) {
    struct stat file;
    if (::fstat(fd, &file) != 0 || !S_ISREG(file.st_mode) || file.st_size < 0) return 0;
    return static_cast<std::uint64_t>(file.st_size);
}

CompileResult compileFile(int inputFd, int outputFd, const CompileOptions& options) {
    return compileFileWith(inputFd, outputFd, [&](Compilation& c) { compileProgram(c, options); });
}

}  // namespace lumo
