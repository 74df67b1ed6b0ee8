// The scan for the ";"s that may begin pieces of a block.
#include "parallel/split_finder.hpp"

#include <cstring>

namespace lumo::parallel {

bool SplitFinder::feed(const unsigned char* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count && !done(); ++i) {
        const unsigned char c = bytes[i];
        switch (state) {
            case TEXT:
            case COMMENT: {  // skip to the byte that ends it
                const void* at = std::memchr(bytes + i, state == TEXT ? '"' : '\n', count - i);
                if (at == nullptr) {
                    i = count;
                    break;
                }
                i = static_cast<std::size_t>(static_cast<const unsigned char*>(at) - bytes);
                state = CODE;
                break;
            }
            case SLASH:
                state = CODE;
                if (c == '/') {
                    state = COMMENT;
                    break;
                }
                [[fallthrough]];  // a lone "/" divides; the byte after it is code
            case CODE:
                if (c == '"') {
                    state = TEXT;
                } else if (c == '/') {
                    state = SLASH;
                } else if (c == '{') {
                    ++depth;
                } else if (c == '}') {
                    --depth;
                } else if (c == ';' && depth == 1 && position + i >= targets[found.size()]) {
                    found.push_back(position + i + 1);
                }
                break;
        }
    }
    position += count;
    return done();
}

}  // namespace lumo::parallel
