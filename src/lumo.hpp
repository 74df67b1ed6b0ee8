// The Lumo compiler as a library: compile a program held in memory (or read from a file
// descriptor) in the caller's own process, as often as wanted, from as many threads at
// once as wanted, each with its own compilation.
//
//     lumo::CompileOptions options;
//     options.statementMap = true;
//     lumo::CompileResult result = lumo::compile(sourceText, options);
//     if (result.status != 0) show(result.output, result.errorAt.line, result.errorAt.column);
//     else run(result.output, result.map);
//
// A compilation never ends the process: where lumoc exits with a status, the compilation
// ends and returns that status, with exactly the bytes lumoc would have written (the
// assembly, or the one diagnostic). Everything a compilation makes is released when it
// returns; the result holds only its own copies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lumo {

// A place in the source text.
struct SourcePosition {
    std::size_t offset = 0;  // bytes before it
    int line = 0;            // 1-based; 0 when unknown (a source read from a descriptor)
    int column = 0;          // 1-based, counting bytes from the start of the line
};

// The kinds of what the statement map covers.
enum class CodeKind { declaration, assignment, ifStatement, whileStatement, input, output };

// A declaration, or a statement of the program's block or of a body nested in it.
struct MappedStatement {
    CodeKind kind = CodeKind::assignment;
    SourcePosition begin;  // its first token
    SourcePosition end;    // just past the ";" that ends it
    int parent = -1;       // the index of the `if` or `while` whose body holds it, or -1
};

// Lines of the assembly that belong to one statement's own code (an `if` owns its
// condition, branches and labels; the statements of its bodies own theirs).
struct CodeRange {
    int statement = 0;  // index into StatementMap::statements
    int firstLine = 0;  // 1-based lines of the assembly text, both included
    int lastLine = 0;
};

struct StatementMap {
    // In source order: the declarations, then the statements, each before those nested in it.
    std::vector<MappedStatement> statements;
    // In the order of the assembly. Together they hold every line between the line "main"
    // and the footer's first line, each exactly once: a declaration owns the lines that
    // store its initial value (one without an initial value owns none).
    std::vector<CodeRange> code;

    // The statement whose own code holds assembly line `line`, or -1.
    int statementAt(int line) const;
};

struct CompileOptions {
    // Also map each declaration and statement to the lines of its code (compile() only).
    bool statementMap = false;
    // Write lumolist's listing of the symbol table and the program tree instead of the
    // assembly; a program with an error gets the same diagnostic either way.
    bool listing = false;
    // Only analyse the program: the output is its diagnostic, or empty when it has none.
    // For a checker, which needs no assembly of a correct program.
    bool analyseOnly = false;
};

// Exit statuses of lumoc besides those of the language's errors.
constexpr int nestingLimitStatus = 30;  // parentheses, `!` or braces more than 1000 deep
constexpr int outputFailedStatus = 74;  // the output could not be written
constexpr int outOfMemoryStatus = 71;   // the compilation ran out of memory

struct CompileResult {
    // 0 for a compiled program; otherwise lumoc's exit status: the diagnostic's, or one of
    // the statuses above.
    int status = 0;
    // Exactly what lumoc writes on standard output: the assembly, or the one diagnostic.
    // Empty when the text went to an output descriptor.
    std::string output;
    // For a diagnostic: where the token it reports begins (the offending byte for a
    // lexical error, the end of the text when the text ends too early).
    bool diagnosed = false;
    SourcePosition errorAt;
    // The statement map, when asked for and the program compiled.
    StatementMap map;
};

// Compiles the program `source`.
CompileResult compile(std::string_view source, const CompileOptions& options = {});

// Compiles the program read from `inputFd` to its end, writing the output to `outputFd`
// as it goes (nothing before the whole program has been analysed); what lumoc does.
CompileResult compileFile(int inputFd, int outputFd, const CompileOptions& options = {});

}  // namespace lumo
