// Plain value types that the shared code and every platform backend agree on.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>

namespace tavrin {

// The platform's calendar time record: local time, each field unsigned 16-bit,
// 16 bytes without gaps. Stored byte for byte in the memo data file.
struct SYSTEMTIME {
    std::uint16_t year = 0;
    std::uint16_t month = 0;
    std::uint16_t dayOfWeek = 0;
    std::uint16_t day = 0;
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
    std::uint16_t milliseconds = 0;

    friend bool operator==(const SYSTEMTIME&, const SYSTEMTIME&) = default;
};
static_assert(sizeof(SYSTEMTIME) == 16);

// A color as 0x00BBGGRR: red in the low byte.
using Color = std::uint32_t;

constexpr Color MakeColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return static_cast<Color>(red) | (static_cast<Color>(green) << 8) |
           (static_cast<Color>(blue) << 16);
}
constexpr std::uint8_t RedOf(Color c) { return static_cast<std::uint8_t>(c & 0xFF); }
constexpr std::uint8_t GreenOf(Color c) { return static_cast<std::uint8_t>((c >> 8) & 0xFF); }
constexpr std::uint8_t BlueOf(Color c) { return static_cast<std::uint8_t>((c >> 16) & 0xFF); }

struct Point {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    std::int32_t cx = 0;
    std::int32_t cy = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// A rectangle that includes its left and top edges and excludes its right and
// bottom edges, as the platform's rectangles do.
struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    std::int32_t Width() const { return right - left; }
    std::int32_t Height() const { return bottom - top; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// The part of the width × height block at (x, y) that lies inside `bounds`;
// nothing when they don't meet. Works in 64 bits, so that no coordinate or
// size the shared code passes can overflow on the way.
constexpr std::optional<Rect> Intersect(std::int64_t x, std::int64_t y, std::int64_t width,
                                        std::int64_t height, const Rect& bounds) {
    const std::int64_t left = std::max<std::int64_t>(x, bounds.left);
    const std::int64_t top = std::max<std::int64_t>(y, bounds.top);
    const std::int64_t right = std::min<std::int64_t>(x + width, bounds.right);
    const std::int64_t bottom = std::min<std::int64_t>(y + height, bounds.bottom);
    if (right <= left || bottom <= top) return std::nullopt;
    // Each edge lies within `bounds`, so it fits 32 bits.
    return Rect{static_cast<std::int32_t>(left), static_cast<std::int32_t>(top),
                static_cast<std::int32_t>(right), static_cast<std::int32_t>(bottom)};
}

}  // namespace tavrin
