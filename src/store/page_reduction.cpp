#include "store/page_reduction.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <new>

#include "store/page_image.h"

namespace tavrin {
namespace {

// Page and picture are laid over one scale: page pixel s spans
// [s × pictureSide, (s + 1) × pictureSide) and picture pixel d spans
// [d × pageSide, (d + 1) × pageSide). Overlaps are then whole numbers, and
// a picture pixel's overlaps add up to pageSide along each axis.
std::uint64_t Overlap(std::uint64_t pageIndex, std::uint64_t pictureSide,
                      std::uint64_t pictureIndex, std::uint64_t pageSide) {
    const std::uint64_t from = std::max(pageIndex * pictureSide, pictureIndex * pageSide);
    const std::uint64_t to =
        std::min((pageIndex + 1) * pictureSide, (pictureIndex + 1) * pageSide);
    return to > from ? to - from : 0;
}

using Channels = std::array<std::uint8_t, 3>;

Channels ColorOf(std::uint8_t index) {
    const platform::RgbQuad& entry = PenPalette[index & 0x0F];
    return {entry.red, entry.green, entry.blue};
}

// Adds one page row to `sums`, each page pixel shared between the (at most
// two: the picture is never larger) picture pixels it overlaps, times `weight`.
void AddRow(const std::uint8_t* row, std::int32_t pageWidth, std::int32_t pictureWidth,
            std::uint64_t weight, std::vector<std::uint64_t>& sums) {
    const auto pageSide = static_cast<std::uint64_t>(pageWidth);
    const auto pictureSide = static_cast<std::uint64_t>(pictureWidth);
    for (std::uint64_t x = 0; x < pageSide; ++x) {
        const std::uint8_t pair = row[x / 2];
        const Channels color = ColorOf(static_cast<std::uint8_t>(x % 2 == 0 ? pair >> 4 : pair));
        const std::uint64_t first = x * pictureSide / pageSide;
        for (std::uint64_t d = first; d < std::min(first + 2, pictureSide); ++d) {
            const std::uint64_t share = Overlap(x, pictureSide, d, pageSide) * weight;
            for (std::size_t c = 0; c < color.size(); ++c) {
                sums[d * 3 + c] += share * color[c];
            }
        }
    }
}

}  // namespace

std::optional<Size> ReducedSize(std::int32_t width, std::int32_t height,
                                std::int32_t longestSide) {
    if (width <= 0 || height <= 0 || longestSide <= 0) {
        return std::nullopt;
    }
    const std::int64_t longer = std::max(width, height);
    if (longer <= longestSide) {
        return Size{width, height};
    }
    const auto scaled = [&](std::int64_t side) {
        return static_cast<std::int32_t>(
            std::max<std::int64_t>(1, (side * longestSide + longer / 2) / longer));
    };
    return Size{scaled(width), scaled(height)};
}

std::optional<RgbImage> ReducePage(const platform::PageBitmap& page, std::int32_t longestSide) {
    const std::optional<Size> size = ReducedSize(page.Width(), page.Height(), longestSide);
    const auto stride = static_cast<std::size_t>(RowStride(page.Width(), 4));
    if (!size || page.PixelByteCount() < stride * static_cast<std::size_t>(page.Height())) {
        return std::nullopt;
    }
    try {
        RgbImage picture{size->cx, size->cy, {}};
        const auto pictureWidth = static_cast<std::size_t>(size->cx);
        picture.pixels.resize(pictureWidth * static_cast<std::size_t>(size->cy) * 3);
        std::vector<std::uint64_t> sums(pictureWidth * 3);
        const auto pageHeight = static_cast<std::uint64_t>(page.Height());
        const auto pictureHeight = static_cast<std::uint64_t>(size->cy);
        // Every picture pixel covers the same page area, in the scale's units.
        const std::uint64_t area = static_cast<std::uint64_t>(page.Width()) * pageHeight;
        for (std::uint64_t y = 0; y < pictureHeight; ++y) {
            std::fill(sums.begin(), sums.end(), 0);
            for (std::uint64_t row = y * pageHeight / pictureHeight;
                 row < pageHeight && row * pictureHeight < (y + 1) * pageHeight; ++row) {
                // Rows are stored bottom-up.
                const std::uint8_t* pixels = page.Pixels() + (pageHeight - 1 - row) * stride;
                AddRow(pixels, page.Width(), size->cx, Overlap(row, pictureHeight, y, pageHeight),
                       sums);
            }
            std::uint8_t* out = picture.pixels.data() + y * pictureWidth * 3;
            for (std::size_t i = 0; i < sums.size(); ++i) {
                out[i] = static_cast<std::uint8_t>((sums[i] + area / 2) / area);
            }
        }
        return picture;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace tavrin
