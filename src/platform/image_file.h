// Writing pictures to common image files.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace tavrin::platform {

// Writes a PNG of width × height pixels, given top-down as 0x00RRGGBB values.
// On failure returns false with the cause in `error`.
bool WritePng(const std::string& path, std::int32_t width, std::int32_t height,
              std::span<const std::uint32_t> pixels, std::string& error);

}  // namespace tavrin::platform
