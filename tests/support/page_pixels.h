// Reading pages back as color-table indices.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/types.h"
#include "store/page_image.h"

namespace tavrin::testing {

inline constexpr std::uint8_t kWhiteIndex = 15;

// A page's picture, unpacked once; a page without a picture reads as white,
// as it is shown.
class PagePixels {
public:
    explicit PagePixels(const PageImage& page) : surface_(page.MakeSurface()) {}

    // The color-table index of pixel (x, y), counted from the top-left corner.
    std::uint8_t IndexAt(std::int32_t x, std::int32_t y) const {
        return surface_ ? tavrin::IndexAt(*surface_, x, y) : kWhiteIndex;
    }

    // The smallest rectangle holding every pixel that is not white; empty
    // when the page is blank.
    Rect InkBounds() const {
        if (!surface_) return {};
        Rect bounds{surface_->Width(), surface_->Height(), 0, 0};
        for (std::int32_t y = 0; y < surface_->Height(); ++y) {
            for (std::int32_t x = 0; x < surface_->Width(); ++x) {
                if (IndexAt(x, y) == kWhiteIndex) continue;
                if (x < bounds.left) bounds.left = x;
                if (y < bounds.top) bounds.top = y;
                if (x + 1 > bounds.right) bounds.right = x + 1;
                if (y + 1 > bounds.bottom) bounds.bottom = y + 1;
            }
        }
        return bounds.right == 0 ? Rect{} : bounds;
    }

    // The pixel bytes as stored; none without a picture.
    std::vector<std::uint8_t> Bytes() const {
        if (!surface_) return {};
        return {surface_->Pixels(), surface_->Pixels() + surface_->PixelByteCount()};
    }

private:
    std::unique_ptr<platform::PageBitmap> surface_;
};

inline std::uint8_t IndexAt(const PageImage& page, std::int32_t x, std::int32_t y) {
    return PagePixels(page).IndexAt(x, y);
}

inline Rect InkBounds(const PageImage& page) { return PagePixels(page).InkBounds(); }

}  // namespace tavrin::testing
