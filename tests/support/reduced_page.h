// A page reduced by area averaging, worked out the plain way: for each
// picture pixel, the page pixels under its square, each weighted by how much
// of it lies inside, in floating point. Slow, and independent of the
// program's whole-number reduction.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "store/page_image.h"
#include "support/page_pixels.h"

namespace tavrin::testing {

using Rgb = std::array<std::uint8_t, 3>;

// The page (kPageWidth × kPageHeight, white without a picture) reduced to
// `width` × `height`, rows top-down.
inline std::vector<Rgb> ReducedByArea(const PageImage& page, int width, int height) {
    const PagePixels pixels(page);
    const double sx = static_cast<double>(kPageWidth) / width;
    const double sy = static_cast<double>(kPageHeight) / height;
    std::vector<Rgb> picture;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::array<double, 3> sum{};
            const double left = x * sx, right = (x + 1) * sx, top = y * sy, bottom = (y + 1) * sy;
            for (int py = static_cast<int>(top); py < std::min<double>(bottom, kPageHeight); ++py) {
                const double h = std::min<double>(py + 1, bottom) - std::max<double>(py, top);
                for (int px = static_cast<int>(left); px < std::min<double>(right, kPageWidth); ++px) {
                    const double w = std::min<double>(px + 1, right) - std::max<double>(px, left);
                    const platform::RgbQuad& color = PenPalette[pixels.IndexAt(px, py)];
                    sum[0] += w * h * color.red;
                    sum[1] += w * h * color.green;
                    sum[2] += w * h * color.blue;
                }
            }
            Rgb rgb{};
            for (std::size_t c = 0; c < 3; ++c) rgb[c] = static_cast<std::uint8_t>(std::lround(sum[c] / (sx * sy)));
            picture.push_back(rgb);
        }
    }
    return picture;
}

}  // namespace tavrin::testing
