// A drawing surface as the canvas makes one, read back through the backend
// probe, for the platform tests of every backend.
#pragma once

#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>

#include "backend_probe.h"
#include "platform/drawing.h"

namespace tavrin::platform {

inline constexpr Color kBlack = MakeColor(0, 0, 0);
inline constexpr Color kRed = MakeColor(0xFF, 0, 0);
inline constexpr Color kBlue = MakeColor(0, 0, 0xFF);
inline constexpr Color kWhite = MakeColor(0xFF, 0xFF, 0xFF);

inline bool Inside(const Rect& rect, int x, int y) {
    return x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
}

// A color of its own for every pixel of a surface up to 25 × 25.
inline Color PatternAt(int x, int y) {
    return MakeColor(static_cast<std::uint8_t>(x * 10), static_cast<std::uint8_t>(y * 10), 77);
}

// A memory context with a bitmap of its own, white at the start, made the way
// the canvas makes its surface.
class Surface {
public:
    Surface(std::int32_t width, std::int32_t height)
        : context(GetScreenContext()->CreateCompatibleContext()),
          bitmap(GetScreenContext()->CreateCompatibleBitmap(width, height)) {
        saved_ = context->SelectBitmap(bitmap.get());
        context->FillWhite(Bounds());
    }
    ~Surface() { context->SelectBitmap(saved_); }
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    Rect Bounds() const { return {0, 0, bitmap->Width(), bitmap->Height()}; }
    Color At(int x, int y) const { return probe::PixelAt(*context, *bitmap, x, y); }

    // The smallest rectangle holding every pixel that isn't white.
    Rect InkBounds() const {
        Rect ink{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
        for (int y = 0; y < bitmap->Height(); ++y) {
            for (int x = 0; x < bitmap->Width(); ++x) {
                if (At(x, y) == kWhite) continue;
                ink = {std::min(ink.left, x), std::min(ink.top, y), std::max(ink.right, x + 1),
                       std::max(ink.bottom, y + 1)};
            }
        }
        return ink.left == INT_MAX ? Rect{} : ink;
    }

    int Count(Color color) const {
        int count = 0;
        for (int y = 0; y < bitmap->Height(); ++y) {
            for (int x = 0; x < bitmap->Width(); ++x) count += At(x, y) == color ? 1 : 0;
        }
        return count;
    }

    void PaintPattern() {
        for (int y = 0; y < bitmap->Height(); ++y) {
            for (int x = 0; x < bitmap->Width(); ++x) {
                context->FillRect({x, y, x + 1, y + 1}, *CreateSolidBrush(PatternAt(x, y)));
            }
        }
    }

    std::unique_ptr<DrawingContext> context;
    std::unique_ptr<Bitmap> bitmap;

private:
    Bitmap* saved_ = nullptr;
};

}  // namespace tavrin::platform
