// Where a page has ink: its pixels read back as color-table indices.
#pragma once

#include <cstdint>

#include "platform/types.h"
#include "store/page_image.h"

namespace tavrin::testing {

inline constexpr std::uint8_t kWhiteIndex = 15;

// The smallest rectangle holding every pixel that is not white; empty when
// the page is blank.
inline Rect InkBounds(const PageImage& page) {
    Rect bounds{page.Width(), page.Height(), 0, 0};
    for (std::int32_t y = 0; y < page.Height(); ++y) {
        for (std::int32_t x = 0; x < page.Width(); ++x) {
            if (page.IndexAt(x, y) == kWhiteIndex) continue;
            if (x < bounds.left) bounds.left = x;
            if (y < bounds.top) bounds.top = y;
            if (x + 1 > bounds.right) bounds.right = x + 1;
            if (y + 1 > bounds.bottom) bounds.bottom = y + 1;
        }
    }
    return bounds.right == 0 ? Rect{} : bounds;
}

}  // namespace tavrin::testing
