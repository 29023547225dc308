#include "store/path_digest.h"

#include <cstdio>

namespace tavrin {

std::uint64_t TextDigest(std::string_view text) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

std::string PathDigest(std::string_view path) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(TextDigest(path)));
    return text;
}

}  // namespace tavrin
