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
};

}  // namespace lumo::parallel
