// The scan for the ";"s that may begin pieces of a block.
#include "parallel/split_finder.hpp"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <cstring>

namespace lumo::parallel {

namespace {

#if defined(__SSE2__)
// Sixteen bytes as bit masks: bit k stands for byte k.
struct Group {
    std::uint32_t opens, closes, stops;
    Group(const unsigned char* p, bool semicolons) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const auto bitsOf = [bytes](char c) {
            return static_cast<std::uint32_t>(
                _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(c))));
        };
        opens = bitsOf('{');
        closes = bitsOf('}');
        stops = bitsOf('"') | bitsOf('/') | (semicolons ? bitsOf(';') : 0u);
    }
    // Opening minus closing braces among the bytes of `mask`.
    long bracesIn(std::uint32_t mask) const {
        if (((opens | closes) & mask) == 0) return 0;
        return __builtin_popcount(opens & mask) - __builtin_popcount(closes & mask);
    }
};
#endif

}  // namespace

bool SplitFinder::feed(const unsigned char* p, std::size_t count) {
    for (std::size_t i = 0; i < count && !done();) {
        const std::uint64_t from = targets[found.size()];
        const bool semicolons = position + i >= from;
        std::size_t stop = count;
        if (!semicolons && from - (position + i) < count - i)
            stop = static_cast<std::size_t>(from - position);
        i = feedPart(p, i, stop, semicolons);
    }
    position += count;
    return done();
}

// Bytes `i` to `count`, all before the current target or all from it on; returns where it
// stopped: `count`, or just after a ";" found.
std::size_t SplitFinder::feedPart(const unsigned char* p, std::size_t i, std::size_t count,
                                  bool semicolons) {
    while (i < count) {
        switch (state) {
            case TEXT:
                i = skipPast(p, i, count, '"');
                break;
            case COMMENT:
                i = skipPast(p, i, count, '\n');
                break;
            case SLASH:
                state = p[i] == '/' ? COMMENT : CODE;  // a lone "/" divides
                i += state == COMMENT ? 1 : 0;
                break;
            default:
                if (code(p, i, count, semicolons)) {
                    found.push_back(position + i);
                    return i;
                }
        }
    }
    return i;
}

std::size_t SplitFinder::skipPast(const unsigned char* p, std::size_t i, std::size_t count,
                                  int end) {
    const void* at = std::memchr(p + i, end, count - i);
    if (at == nullptr) return count;
    state = CODE;
    return static_cast<std::size_t>(static_cast<const unsigned char*>(at) - p) + 1;
}

// Reads code from `i` up to and past the next byte that stops the search, counting braces
// on the way; true when that byte is a ";" sought.
bool SplitFinder::code(const unsigned char* p, std::size_t& i, std::size_t count, bool semicolons) {
#if defined(__SSE2__)
    for (; count - i >= 16; i += 16) {
        const Group group(p + i, semicolons);
        if (group.stops == 0) {
            depth += group.bracesIn(~0u);
            continue;
        }
        const int at = __builtin_ctz(group.stops);
        depth += group.bracesIn((1u << at) - 1);
        i += static_cast<std::size_t>(at);
        return stopAt(p, i);
    }
#endif
    for (; i < count; ++i) {
        const unsigned char c = p[i];
        depth += c == '{' ? 1 : c == '}' ? -1 : 0;
        if (c == '"' || c == '/' || (c == ';' && semicolons)) return stopAt(p, i);
    }
    return false;
}

bool SplitFinder::stopAt(const unsigned char* p, std::size_t& i) {
    const unsigned char c = p[i++];
    if (c == '"') state = TEXT;
    if (c == '/') state = SLASH;
    return c == ';' && depth == 1;
}

}  // namespace lumo::parallel
