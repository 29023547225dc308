// The Windows build writes no PNG files: only the Linux command-line tool
// exports pictures, and GDI has no PNG encoder of its own.
#include "platform/image_file.h"

namespace tavrin::platform {

bool WritePng(const std::string& path, const PageBitmap&, const std::array<RgbQuad, 16>&,
              std::string& error) {
    error = "Cannot write " + path + ": PNG export is not available in the Windows build";
    return false;
}

bool WriteRgbPng(const std::string& path, std::int32_t, std::int32_t, std::span<const std::uint8_t>,
                 std::string& error) {
    error = "Cannot write " + path + ": PNG export is not available in the Windows build";
    return false;
}

}  // namespace tavrin::platform
