// What `lumo check` says about a program, as plain C++ with no terminal or system calls, so
// that the browser playground shows the same words: the compiler's one diagnostic in the
// form editors parse (`FILE:LINE:COL: error: MESSAGE [E206]`), the source line with a caret
// under the reported token, `note:` lines with a hint where one fits, and warnings about
// code that compiles but may not mean what its writer meant.
//
//     lumo::CompileResult result = lumo::compile(source);
//     std::string text = lumo::hints::report("prog.lumo", source, result, {});
//
// or, piece by piece:
//
//     Diagnostic d = diagnose(result);                 // the error, located
//     std::vector<std::string> n = notes(source, d);   // hints for it
//     std::vector<Warning> w = warnings(source, d.kind == ErrorClass::none ? npos : d.at.offset);
//
// Every hint is written for one mistake and fires only when the text around the error
// shows that mistake; the tests hold each one to a program that should get it and a
// similar one that should not.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "lumo.hpp"

namespace lumo::hints {

enum class ErrorClass { none, lexical, syntax, staticSemantic, type, limit, other };

// The one diagnostic of a compilation.
struct Diagnostic {
    ErrorClass kind = ErrorClass::none;  // none: the program compiled
    int status = 0;                      // lumoc's exit status
    int number = 0;                      // the error number; for a lexical error its status
    std::string code;                    // "E206", "L4" (lexical), "E30" (nesting); or empty
    std::string message;                 // lumoc's words on one line, unprintable bytes as \xNN
    SourcePosition at;                   // where lumoc found it (see CompileResult::errorAt)
};

// Reads lumoc's diagnostic out of a compile result made with lumo::compile.
Diagnostic diagnose(const CompileResult& result);

// The code an error number has in `[...]` and in `lumo explain`: "E" and the number, or
// "L" and the status for a lexical error.
std::string codeOf(ErrorClass kind, int number);

// Hints for the diagnostic `d` of `source`, each one sentence or two, without "note: ".
std::vector<std::string> notes(std::string_view source, const Diagnostic& d);

// Code that compiles but may not do what it looks like it does.
struct Warning {
    std::size_t offset = 0;  // where it begins in the source
    std::size_t length = 0;  // how many bytes it covers
    std::string message;     // e.g. "'a - b - c' is evaluated as 'a - (b - c)'"
    std::string name;        // "grouping" or "stack", shown as [grouping]
    std::vector<std::string> notes;
};

// The largest number of words an expression may keep on the KORU stack at once.
constexpr int stackWords = 111;

// Warnings for the statements that end before `before` (an error's offset; npos for a
// program that compiled), in the order of the text:
// - "grouping": a chain of one level with `-`, `/` or `%` that Lumo's grouping from the
//   right evaluates differently from left to right (for some values of its names);
// - "stack": an expression that needs more than `stackWords` words of stack.
std::vector<Warning> warnings(std::string_view source, std::size_t before = std::string_view::npos);

// How many stack words the code of the expression that begins at `offset` needs, or -1 when
// no expression begins there. For tests and for `lumo run`'s stack-overflow note.
int stackNeed(std::string_view source, std::size_t offset);

// The operators of the expression of the statement that begins at `statement` that can
// branch to a trap handler, in the order of their code: `+`, `-` and `*` (the overflow
// handler), or `/` and `%` with `divisions` (the divide-by-zero handler). The k-th branch to
// a handler in the statement's code belongs to the k-th of them.
std::vector<std::size_t> trapOperators(std::string_view source, std::size_t statement,
                                       bool divisions);

struct RenderOptions {
    bool colour = false;     // ANSI colours, as gcc's
    std::size_t width = 96;  // a source line wider than this is shown as a window around the caret
};

// One message in gcc's form: "FILE:LINE:COL: LABEL: MESSAGE [CODE]", the source line with
// a caret and `length` bytes underlined, and its notes. `label` is "error", "warning" or
// "runtime error"; `code` may be empty. `offset` may be the source's size (its end).
std::string render(std::string_view fileName, std::string_view source, std::size_t offset,
                   std::size_t length, std::string_view label, std::string_view message,
                   std::string_view code, const std::vector<std::string>& notes,
                   const RenderOptions& options);

// As `render`, for a caller that knows the 1-based line of `offset`: a report of thousands
// of warnings counts the lines of a long text once, not once a message.
std::string renderOnLine(int line, std::string_view fileName, std::string_view source,
                         std::size_t offset, std::size_t length, std::string_view label,
                         std::string_view message, std::string_view code,
                         const std::vector<std::string>& notes, const RenderOptions& options);

// Everything `lumo check` prints for one file: its warnings, then its error with notes.
std::string report(std::string_view fileName, std::string_view source, const CompileResult& result,
                   const RenderOptions& options);

// Where the check form puts an error: the end of input is shown just after the last token
// rather than past trailing blank lines. Line and column are 1-based, counted in bytes.
SourcePosition placeOf(std::string_view source, const Diagnostic& d);

}  // namespace lumo::hints
