// PNG encoding of the Linux backend, for the backends beside it that keep a
// picture where WritePng's file would not do (the notification service keeps
// the memo's picture readable by the user alone).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/drawing.h"

namespace tavrin::platform {

// The PNG of a 4-bit page bitmap, as WritePng writes it, into `bytes`; false
// with the cause in `error` when it can't be made.
bool EncodePagePng(const PageBitmap& page, const std::array<RgbQuad, 16>& colors,
                   std::vector<std::uint8_t>& bytes, std::string& error);

}  // namespace tavrin::platform
