// Where the pieces of a long program's block may begin.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumo::parallel {

// Reads the source as the scanner would, tracking comments, string literals and braces,
// and finds, for each target offset in turn, the first ";" at the level of the program's
// block (inside one pair of braces) at or after it and after the one found before. It
// need not be right: a piece is used only once the analysis has checked that a
// statement of the block ends where the piece begins.
//
// It runs on the second thread before that thread can analyse anything, so its pace
// sets how soon the second thread joins in: most of the text (names, numbers, blanks,
// operators) changes nothing here and is read sixteen bytes at a time where the machine
// has SSE2, the braces among them counted by their bits, and only a quote, a slash or
// (past the current target) a semicolon stops the search.
class SplitFinder {
  public:
    explicit SplitFinder(std::vector<std::uint64_t> targets) : targets(std::move(targets)) {}

    // Feeds the next bytes; true once every target's ";" is found.
    bool feed(const unsigned char* bytes, std::size_t count);
    bool done() const { return found.size() == targets.size(); }

    std::vector<std::uint64_t> found;  // offsets just after each ";" found

  private:
    enum State { CODE, SLASH, COMMENT, TEXT };
    State state = CODE;
    long depth = 0;
    std::vector<std::uint64_t> targets;
    std::uint64_t position = 0;  // of the first byte being fed

    std::size_t feedPart(const unsigned char* p, std::size_t i, std::size_t count, bool semicolons);
    std::size_t skipPast(const unsigned char* p, std::size_t i, std::size_t count, int end);
    bool code(const unsigned char* p, std::size_t& i, std::size_t count, bool semicolons);
    bool stopAt(const unsigned char* p, std::size_t& i);
};

}  // namespace lumo::parallel
