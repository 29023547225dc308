// PNG encoding of the Linux backend, for the backends beside it that keep a
// picture where WritePng's file would not do (the notification service keeps
// the memo's picture readable by the user alone), and the step that puts a
// whole written file in place.
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

// Puts a file written under a temporary name beside `path`
// (FileSystem::CreateTemporaryFor) in place: renamed to `path` when
// `written`, else removed. On failure returns false with the cause in
// `cause` (added to it when nothing was written).
bool PutInPlace(const std::string& temporary, const std::string& path, bool written,
                std::string& cause);

}  // namespace tavrin::platform
