// Where the pieces of a block may begin: the first ";" of the block's own statements at or
// after each target, whatever comments, texts and nested bodies hold, and however the
// text is fed.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "parallel/split_finder.hpp"

namespace {

using lumo::parallel::SplitFinder;

std::vector<std::uint64_t> find(const std::string& text, std::vector<std::uint64_t> targets,
                                std::size_t feedSize) {
    SplitFinder finder(std::move(targets));
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t at = 0; at < text.size() && !finder.done(); at += feedSize)
        finder.feed(bytes + at, std::min(feedSize, text.size() - at));
    return finder.found;
}

TEST(SplitFinder, FindsTheBlocksOwnTerminators) {
    const struct {
        const char* text;
        std::vector<std::uint64_t> targets;
        std::vector<std::uint64_t> found;  // just after each ";" found
    } cases[] = {
        // declarations' ";" lie outside the block
        {"int a; { a = 1; a = 2; }", {0, 0}, {15, 22}},
        {"int a; { a = 1; a = 2; }", {14, 15}, {15, 22}},
        {"int a; { a = 1; a = 2; }", {15, 16}, {22}},
        // a nested body's ";" is not the block's
        {"{ while (b) { a = 1; }; a = 2; }", {0, 0}, {23, 30}},
        // nor one in a comment or a text, however they hold braces and quotes
        {"{ // ; } {\n a = 1; }", {0}, {18}},
        {"const string s = \";{}//\"; { a = 1; }", {0}, {34}},
        {"{ a = b / c; a = 1; }", {0, 0}, {12, 19}},
        // a target past every ";" finds nothing
        {"{ a = 1; }", {9}, {}},
    };
    for (const auto& c : cases) {
        for (std::size_t feed : {std::size_t(1), std::size_t(3), std::size_t(1000)})
            EXPECT_EQ(find(c.text, c.targets, feed), c.found) << c.text << " fed by " << feed;
    }
}

}  // namespace
