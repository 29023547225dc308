// Writing pictures to common image files.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "platform/drawing.h"
#include "platform/types.h"

namespace tavrin::platform {

// Writes a 4-bit page bitmap as a PNG of the same pixels: an indexed image of
// 4 bits per pixel over `colors` (the page's own 16-entry table). The file
// appears under its name only when written completely. On failure returns
// false with the cause in `error`.
bool WritePng(const std::string& path, const PageBitmap& page,
              const std::array<RgbQuad, 16>& colors, std::string& error);

// Writes 8-bit red, green and blue pixels (rows top-down, 3 bytes a pixel,
// no padding) as a PNG, appearing under its name only when written
// completely. On failure returns false with the cause in `error`.
bool WriteRgbPng(const std::string& path, std::int32_t width, std::int32_t height,
                 std::span<const std::uint8_t> pixels, std::string& error);

}  // namespace tavrin::platform
