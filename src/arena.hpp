// The memory of one compilation.
//
// The analyser's records (symbol table entries, tree nodes) and the long texts they hold
// are made in the compilation's arena and live until the compilation ends; then they are
// all released at once, without visiting the tree. The arena only hands memory out: no
// bookkeeping per record and no frees.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "string.hpp"

namespace lumo {

// Under AddressSanitizer every record is a heap block of its own, whose bounds the
// sanitizer checks, and the arena only keeps the list of them.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool pooledMemory = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool pooledMemory = false;
#else
constexpr bool pooledMemory = true;
#endif
#else
constexpr bool pooledMemory = true;
#endif

constexpr std::size_t hugePage = std::size_t(2) << 20;

// Memory for a large buffer of at least `size` bytes, which it rounds up: from `hugePage`
// on, aligned to and backed by huge pages where the kernel can, so that the buffer costs a
// page fault for each 2 MB rather than for each 4 KB (a page fault costs microseconds,
// more in a virtual machine). Null when there is none; released with std::free.
inline void* largeBlock(std::size_t& size) {
    if (size < hugePage / 2) return std::malloc(size);
    size = (size + hugePage - 1) / hugePage * hugePage;
    void* block = std::aligned_alloc(hugePage, size);
#if defined(MADV_HUGEPAGE)
    if (block != nullptr) ::madvise(block, size, MADV_HUGEPAGE);
#endif
    return block;
}

// Asks the memory for what follows `record` in its chunk, a few hundred bytes on. The
// analyser makes a program's records one after another as it reads the statements, so a
// pass that reads them back in the same order then finds the next ones in the cache
// instead of waiting at every pointer, once the tree is larger than the caches. It is
// only a hint: nothing is read, and an address past the chunk does no harm.
inline void readAhead(const void* record) {
    constexpr std::uintptr_t distance = 512, lines = 4, line = 64;
    // As a number: the address may lie past any record.
    const std::uintptr_t ahead = reinterpret_cast<std::uintptr_t>(record) + distance;
    for (std::uintptr_t i = 0; i < lines; ++i)
        __builtin_prefetch(reinterpret_cast<const void*>(ahead + i * line));
}

class Arena {
  public:
    Arena() = default;
    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;
    ~Arena() {
        while (chunks != nullptr) {
            char* before;
            std::memcpy(&before, chunks, sizeof before);
            std::free(chunks);
            chunks = before;
        }
        for (void* block : blocks) ::operator delete(block);
    }

    // A new record with every field at its initial value (zero, false, null, empty text).
    // Its destructor never runs: records hold only texts that need none (short ones, and
    // long ones kept here).
    template <typename T>
    T* make() {
        return new (allocate(sizeof(T))) T();
    }

    // The text to store in a record: a short text as it is, a long one copied here.
    string keep(const string& text) {
        if (!text.ownsBuffer()) return text;
        const std::size_t size = string::storageFor(text.length());
        return string::borrowing(allocate(size), text.c_str(), text.length());
    }

    // Says that a program of `sourceBytes` bytes is coming: its tree will take several
    // times that, so its chunks start large, on huge pages, rather than grow to it.
    void expect(std::uint64_t sourceBytes) {
        if (sourceBytes >= (std::uint64_t(1) << 20))
            nextChunk = largestChunk;
        else if (sourceBytes >= (std::uint64_t(128) << 10))
            nextChunk = hugePage;
    }

    // `size` bytes aligned to a word, for records and buffers.
    void* allocate(std::size_t size) {
        size = (size + wordSize - 1) / wordSize * wordSize;
        if (!pooledMemory) {
            blocks.push_back(::operator new(size));
            return blocks.back();
        }
        if (size > static_cast<std::size_t>(end - cur)) grab(size);
        void* place = cur;
        cur += size;
        return place;
    }

  private:
    static constexpr std::size_t wordSize = 8;
    // Chunks start small, for the many small compilations of an editor or a grader, and
    // double up to `largestChunk`; from a huge page on they are backed by huge pages.
    static constexpr std::size_t firstChunk = std::size_t(64) << 10;
    static constexpr std::size_t largestChunk = std::size_t(4) << 20;

    std::size_t nextChunk = firstChunk;
    char* chunks = nullptr;  // the latest chunk; each begins with the address of the one before
    char* cur = nullptr;
    char* end = nullptr;
    std::vector<void*> blocks;  // the records, when they are heap blocks of their own

    void grab(std::size_t atLeast) {
        atLeast += wordSize;  // the link to the chunk before
        std::size_t size = atLeast > nextChunk ? atLeast : nextChunk;
        if (nextChunk < largestChunk) nextChunk *= 2;
        char* chunk = static_cast<char*>(largeBlock(size));
        if (chunk == nullptr) throw std::bad_alloc();
        std::memcpy(chunk, &chunks, sizeof chunks);
        chunks = chunk;
        cur = chunk + wordSize;
        end = chunk + size;
    }
};

}  // namespace lumo
