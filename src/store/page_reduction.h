// A page reduced to a small colour picture (thumbnails, overviews): each
// picture pixel is the average of the page area it covers, weighted by how
// much of each page pixel lies inside it, so that thin strokes fade to the
// grey they look like from afar instead of vanishing or breaking up.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/drawing.h"

namespace tavrin {

// 8-bit red, green and blue per pixel, rows top-down without padding.
struct RgbImage {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> pixels;  // width × height × 3 bytes
};

// The size of a `width` × `height` page reduced so that its longer side is
// at most `longestSide`: the page's proportions, rounded, each side at least
// one pixel. A page already that small keeps its size: it is never enlarged.
// None when a side or `longestSide` is not positive.
std::optional<Size> ReducedSize(std::int32_t width, std::int32_t height,
                                std::int32_t longestSide);

// The page over the fixed PenPalette reduced to ReducedSize by area
// averaging, each channel rounded to the nearest value. None when the size
// is not positive or memory can't be had.
std::optional<RgbImage> ReducePage(const platform::PageBitmap& page, std::int32_t longestSide);

}  // namespace tavrin
