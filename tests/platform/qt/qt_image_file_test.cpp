// PNG files of pages, written as 4-bit indexed images and read back by Qt:
// the same pixels as the 32-bit images that were written before.
#include <gtest/gtest.h>

#include <QImage>
#include <QImageWriter>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "platform/image_file.h"
#include "support/scratch_folder.h"

using tavrin::testing::ScratchFolder;

namespace tavrin::platform {
namespace {

// A 16-color table whose entries all differ, as a page's does.
std::array<RgbQuad, 16> Colors() {
    std::array<RgbQuad, 16> colors{};
    for (std::size_t i = 0; i < colors.size(); ++i) {
        colors[i] = {static_cast<std::uint8_t>(i * 16), static_cast<std::uint8_t>(255 - i * 8),
                     static_cast<std::uint8_t>(i * 5 + 3), 0};
    }
    return colors;
}

std::unique_ptr<PageBitmap> RandomPage(std::int32_t width, std::int32_t height,
                                       std::uint32_t seed) {
    PageBitmapInfo info;
    info.width = width;
    info.height = height;
    info.colors = Colors();
    auto page = CreatePageBitmap(info);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> anyByte(0, 255);
    for (std::size_t i = 0; i < page->PixelByteCount(); ++i) {
        page->Pixels()[i] = static_cast<std::uint8_t>(anyByte(random));
    }
    return page;
}

// The export as it was: every pixel looked up in the table, top-down, as a
// 32-bit image written by Qt.
QImage Earlier32BitImage(const PageBitmap& page, const std::array<RgbQuad, 16>& colors) {
    QImage image(page.Width(), page.Height(), QImage::Format_RGB32);
    const std::int32_t stride = (page.Width() * 4 + 31) / 32 * 4;
    for (std::int32_t y = 0; y < page.Height(); ++y) {
        for (std::int32_t x = 0; x < page.Width(); ++x) {
            const std::uint8_t pair =
                page.Pixels()[(page.Height() - 1 - y) * stride + x / 2];
            const RgbQuad& color = colors[x % 2 == 0 ? pair >> 4 : pair & 0x0F];
            image.setPixel(x, y, qRgb(color.red, color.green, color.blue));
        }
    }
    return image;
}

TEST(PngTest, HoldsThePixelsOfTheEarlier32BitImageInFourBitsAPixel) {
    const ScratchFolder scratch;
    for (const auto& [width, height] : {std::pair{240, 320}, {7, 3}, {1, 1}, {9, 2}}) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        const auto page = RandomPage(width, height, static_cast<std::uint32_t>(width));
        const std::string path = scratch.PathOf("page.png");
        const std::string earlierPath = scratch.PathOf("earlier.png");
        std::string error;
        ASSERT_TRUE(WritePng(path, *page, Colors(), error)) << error;
        ASSERT_TRUE(QImageWriter(QString::fromStdString(earlierPath), "png")
                        .write(Earlier32BitImage(*page, Colors())));

        const QImage written(QString::fromStdString(path), "png");
        const QImage earlier(QString::fromStdString(earlierPath), "png");
        ASSERT_EQ(written.size(), QSize(width, height));
        EXPECT_EQ(written.convertToFormat(QImage::Format_RGB32),
                  earlier.convertToFormat(QImage::Format_RGB32));
        // The header says: 4 bits per pixel, indexed (color type 3).
        std::ifstream file(path, std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(file), {}};
        ASSERT_GT(bytes.size(), 26U);
        EXPECT_EQ(bytes[24], 4);
        EXPECT_EQ(bytes[25], 3);
    }
}

TEST(PngTest, RgbPixelsReadBackAsWritten) {
    const ScratchFolder scratch;
    for (const auto& [width, height] : {std::pair{96, 128}, {5, 3}, {1, 1}}) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width * height * 3));
        std::mt19937 random(static_cast<std::uint32_t>(width));
        for (auto& value : pixels) value = static_cast<std::uint8_t>(random());
        const std::string path = scratch.PathOf("picture.png");
        std::string error;
        ASSERT_TRUE(WriteRgbPng(path, width, height, pixels, error)) << error;
        const QImage written(QString::fromStdString(path), "png");
        ASSERT_EQ(written.size(), QSize(width, height));
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const std::uint8_t* rgb = &pixels[static_cast<std::size_t>((y * width + x) * 3)];
                ASSERT_EQ(written.pixel(x, y), qRgb(rgb[0], rgb[1], rgb[2])) << x << ", " << y;
            }
        }
    }
    std::string error;
    const std::vector<std::uint8_t> tooFew(5);
    EXPECT_FALSE(WriteRgbPng(scratch.PathOf("short.png"), 2, 1, tooFew, error));
    EXPECT_FALSE(std::filesystem::exists(scratch.PathOf("short.png")));
}

TEST(PngTest, NamesTheFileAndTheCauseOnFailure) {
    const ScratchFolder scratch;
    const auto page = RandomPage(2, 2, 1);
    const std::string path = scratch.PathOf("none/page.png");
    std::string error;
    EXPECT_FALSE(WritePng(path, *page, Colors(), error));
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(scratch.PathOf("none")));
}

}  // namespace
}  // namespace tavrin::platform
