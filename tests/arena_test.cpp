// Unit tests of the bump allocator behind the program tree: every block it hands out is
// aligned to a word, no two blocks share a byte, within a chunk and across chunks, and
// the long texts it keeps stay whole while short ones stay in their word.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "arena.hpp"

namespace {

struct Block {
    unsigned char* bytes;
    std::size_t size;
    unsigned char mark;
};

TEST(Arena, BlocksAreAlignedAndApart) {
    // Record sizes (multiples of a word), odd sizes, and one block larger than any chunk,
    // interleaved so that every kind follows every other.
    const std::size_t kinds[] = {48, 24, 1, 13, 8, 5, 56, 32, 7, 24, 100, 3};
    lumo::Arena arena;
    std::vector<Block> blocks;
    std::size_t total = 0;
    for (int round = 0; total < (std::size_t(24) << 20); ++round) {
        for (const std::size_t kind : kinds) {
            const std::size_t size = round == 5000 && kind == 100 ? (9u << 20) : kind;
            auto* bytes = static_cast<unsigned char*>(arena.allocate(size));
            ASSERT_EQ(reinterpret_cast<std::uintptr_t>(bytes) % 8, 0u) << "size " << size;
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

TEST(Arena, KeptTextsOutliveTheirOriginals) {
    lumo::Arena arena;
    std::vector<lumo::string> kept;
    std::vector<std::string> texts;
    for (int length = 0; length < 40; ++length) {
        std::string text;
        for (int i = 0; i < length; ++i) text += static_cast<char>('a' + (length + i) % 26);
        texts.push_back(text);
        lumo::string original(text.c_str());
        kept.push_back(arena.keep(original));
        EXPECT_EQ(kept.back().ownsBuffer(), false) << length;
    }  // every original is gone: the kept ones hold their own characters
    for (std::size_t i = 0; i < kept.size(); ++i) {
        const lumo::string copy = kept[i];  // copies share the kept text
        EXPECT_STREQ(copy.c_str(), texts[i].c_str());
        EXPECT_EQ(copy.length(), static_cast<int>(texts[i].size()));
        EXPECT_TRUE(copy == lumo::string(texts[i].c_str()));
        EXPECT_EQ(copy.hash(), lumo::string(texts[i].c_str()).hash());
    }
}

TEST(Arena, MakesRecordsAtTheirInitialValues) {
    struct Record {
        int number;
        void* pointer;
        lumo::string text;
    };
    lumo::Arena arena;
    for (int i = 0; i < 100000; ++i) {
        Record* record = arena.make<Record>();
        ASSERT_EQ(record->number, 0);
        ASSERT_EQ(record->pointer, nullptr);
        ASSERT_EQ(record->text.length(), 0);
        record->number = i;
        record->pointer = record;
    }
}

}  // namespace
