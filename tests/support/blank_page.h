// The packed form of a blank 240 × 320 page, 38,400 bytes of 0xFF: 609
// pairs 3F FF and the remainder 21 FF, 1,220 bytes.
#pragma once

#include <cstdint>
#include <vector>

namespace tavrin::testing {

inline std::vector<std::uint8_t> BlankPagePacked() {
    std::vector<std::uint8_t> packed;
    for (int pair = 0; pair < 609; ++pair) packed.insert(packed.end(), {0x3F, 0xFF});
    packed.insert(packed.end(), {0x21, 0xFF});
    return packed;
}

}  // namespace tavrin::testing
