// Unit tests of the bump allocator behind the program tree: every block it hands out is
// aligned as asked, no two blocks share a byte, within a chunk and across chunks, and
// only the latest block can be taken back.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "common.hpp"

namespace {

struct Block {
    unsigned char* bytes;
    std::size_t size;
    unsigned char mark;
};

TEST(Arena, BlocksAreAlignedAndApart) {
    // Record sizes (multiples of a word), odd text buffers, wider alignments, and one
    // block larger than any chunk, interleaved so that every kind follows every other.
    const struct {
        std::size_t size, align;
    } kinds[] = {{48, 8}, {24, 8},  {1, 1}, {13, 1}, {8, 8},   {5, 16},
                 {56, 8}, {32, 16}, {7, 4}, {24, 8}, {100, 8}, {3, 2}};
    lumo::Arena arena;
    std::vector<Block> blocks;
    std::size_t total = 0;
    for (int round = 0; total < (std::size_t(24) << 20); ++round) {
        for (const auto& kind : kinds) {
            const std::size_t size = round == 5000 && kind.size == 100 ? (9u << 20) : kind.size;
            auto* bytes = static_cast<unsigned char*>(arena.allocate(size, kind.align));
            ASSERT_EQ(reinterpret_cast<std::uintptr_t>(bytes) % kind.align, 0u)
                << "size " << size << " align " << kind.align;
            const auto mark = static_cast<unsigned char>(blocks.size() * 131 + 7);
            for (std::size_t i = 0; i < size; ++i) bytes[i] = mark;
            blocks.push_back({bytes, size, mark});
            total += size;
        }
    }
    // A block that overlapped a later one would have lost some of its marks.
    for (const Block& block : blocks) {
        for (std::size_t i = 0; i < block.size; ++i)
            ASSERT_EQ(block.bytes[i], block.mark) << "block of " << block.size << " bytes";
    }
}

TEST(Arena, OnlyTheLatestBlockCanBeGivenBack) {
    lumo::Arena arena;
    void* first = arena.allocate(24, 8);
    void* second = arena.allocate(24, 8);
    arena.giveBack(first, 24);  // not the latest: stays handed out
    void* third = arena.allocate(24, 8);
    EXPECT_NE(third, first);
    EXPECT_NE(third, second);
    arena.giveBack(third, 24);
    EXPECT_EQ(arena.allocate(24, 8), third);
    EXPECT_NE(arena.allocate(48, 8), third);
}

}  // namespace
