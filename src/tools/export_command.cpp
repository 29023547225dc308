// tavrin-file export: every memo's page as a PNG file.
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

#include "platform/image_file.h"
#include "store/page_image.h"
#include "tools/commands.h"
#include "tools/loaded_file.h"

namespace tavrin::file_tool {
namespace {

// The page top-down as 0x00RRGGBB pixels.
std::vector<std::uint32_t> PagePixels(const platform::PageBitmap& page) {
    const std::int32_t width = page.Width();
    const std::int32_t height = page.Height();
    std::vector<std::uint32_t> pixels;
    pixels.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            const platform::RgbQuad& color = PenPalette[IndexAt(page, x, y)];
            pixels.push_back(static_cast<std::uint32_t>(color.red) << 16 |
                             static_cast<std::uint32_t>(color.green) << 8 | color.blue);
        }
    }
    return pixels;
}

}  // namespace

int Export(const std::string& path, const std::string& folder) {
    LoadedFile loaded(path);
    if (!Load(loaded)) {
        return kExitFailure;
    }
    std::error_code made;
    std::filesystem::create_directories(folder, made);
    if (made) {
        PrintError("Could not make " + folder + ": " + made.message());
        return kExitFailure;
    }
    bool written = true;
    ForEachMemoRead(loaded, [&](std::size_t position, const MemoEntry& entry,
                                const RecordLoadNotes&) {
        const std::string target =
            (std::filesystem::path(folder) / Format("memo-%04zu.png", position + 1)).string();
        std::string error;
        if (const std::unique_ptr<platform::PageBitmap> page = entry.page.MakeSurface()) {
            written = platform::WritePng(target, page->Width(), page->Height(), PagePixels(*page),
                                         error) && written;
        } else {
            // As the programs show it; a page that could not be read is
            // also reported as a problem below.
            PrintError(path + ": memo " + std::to_string(position + 1) + " has no picture; " +
                       target + " is a white page");
            const std::vector<std::uint32_t> white(
                static_cast<std::size_t>(kPageWidth) * kPageHeight, 0xFFFFFFu);
            written = platform::WritePng(target, kPageWidth, kPageHeight, white, error) && written;
        }
        if (!error.empty()) {
            PrintError(error);
        }
    });
    if (!written) {
        return kExitFailure;
    }
    return ReportProblems(loaded) ? kExitSuccess : kExitProblems;
}

}  // namespace tavrin::file_tool
