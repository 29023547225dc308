// Reading pages and surfaces back as color-table indices.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/types.h"
#include "store/page_image.h"

namespace tavrin::testing {

inline constexpr std::uint8_t kWhiteIndex = 15;

// A page's pixel bytes, unpacked once; a page without a picture reads as
// white, as it is shown.
class PagePixels {
public:
    explicit PagePixels(const PageImage& page) : width_(page.Width()), height_(page.Height()) {
        if (const auto surface = page.MakeSurface()) {
            bytes_.assign(surface->Pixels(), surface->Pixels() + surface->PixelByteCount());
        }
    }

    // The color-table index of pixel (x, y), counted from the top-left corner.
    std::uint8_t IndexAt(std::int32_t x, std::int32_t y) const {
        if (bytes_.empty()) return kWhiteIndex;
        const std::int32_t row = height_ - 1 - y;
        const std::uint8_t pair = bytes_[static_cast<std::size_t>(row * RowStride(width_, 4) + x / 2)];
        return x % 2 == 0 ? static_cast<std::uint8_t>(pair >> 4) : static_cast<std::uint8_t>(pair & 0x0F);
    }

    // The smallest rectangle holding every pixel that is not white; empty
    // when the page is blank.
    Rect InkBounds() const {
        Rect bounds{width_, height_, 0, 0};
        for (std::int32_t y = 0; y < height_; ++y) {
            for (std::int32_t x = 0; x < width_; ++x) {
                if (IndexAt(x, y) == kWhiteIndex) continue;
                if (x < bounds.left) bounds.left = x;
                if (y < bounds.top) bounds.top = y;
                if (x + 1 > bounds.right) bounds.right = x + 1;
                if (y + 1 > bounds.bottom) bounds.bottom = y + 1;
            }
        }
        return bounds.right == 0 ? Rect{} : bounds;
    }

    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

private:
    std::int32_t width_;
    std::int32_t height_;
    std::vector<std::uint8_t> bytes_;
};

inline std::uint8_t IndexAt(const PageImage& page, std::int32_t x, std::int32_t y) {
    return PagePixels(page).IndexAt(x, y);
}

inline Rect InkBounds(const PageImage& page) { return PagePixels(page).InkBounds(); }

}  // namespace tavrin::testing
