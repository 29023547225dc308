#include "store/page_reduction.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "store/page_image.h"

namespace tavrin {
namespace {

using Indices = std::vector<std::vector<std::uint8_t>>;  // [y][x], top-down

// A page bitmap holding the given color-table indices.
std::unique_ptr<platform::PageBitmap> PageOf(const Indices& indices) {
    platform::PageBitmapInfo info;
    info.height = static_cast<std::int32_t>(indices.size());
    info.width = static_cast<std::int32_t>(indices.front().size());
    info.colors = PenPalette;
    auto page = platform::CreatePageBitmap(info);
    const auto stride = static_cast<std::size_t>(RowStride(info.width, 4));
    std::fill_n(page->Pixels(), page->PixelByteCount(), std::uint8_t{0});
    for (std::size_t y = 0; y < indices.size(); ++y) {
        std::uint8_t* row = page->Pixels() + (indices.size() - 1 - y) * stride;
        for (std::size_t x = 0; x < indices[y].size(); ++x) {
            row[x / 2] |= static_cast<std::uint8_t>(x % 2 == 0 ? indices[y][x] << 4 : indices[y][x]);
        }
    }
    return page;
}

Indices RandomIndices(std::size_t width, std::size_t height, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> index(0, 15);
    Indices indices(height, std::vector<std::uint8_t>(width));
    for (auto& row : indices) {
        for (auto& value : row) value = static_cast<std::uint8_t>(index(random));
    }
    return indices;
}

std::uint8_t Channel(std::uint8_t index, int channel) {
    const platform::RgbQuad& entry = PenPalette[index];
    return channel == 0 ? entry.red : channel == 1 ? entry.green : entry.blue;
}

// The same reduction reached another way: every page pixel blown up into a
// block of picture-width × picture-height copies of itself, after which each
// picture pixel is the plain mean of a page-width × page-height block.
std::vector<std::uint8_t> Expected(const Indices& indices, std::int32_t width,
                                   std::int32_t height) {
    const std::size_t pageHeight = indices.size();
    const std::size_t pageWidth = indices.front().size();
    std::vector<std::uint8_t> pixels;
    for (std::size_t y = 0; y < static_cast<std::size_t>(height); ++y) {
        for (std::size_t x = 0; x < static_cast<std::size_t>(width); ++x) {
            for (int channel = 0; channel < 3; ++channel) {
                double sum = 0;
                for (std::size_t by = 0; by < pageHeight; ++by) {
                    for (std::size_t bx = 0; bx < pageWidth; ++bx) {
                        const std::size_t fineY = y * pageHeight + by;
                        const std::size_t fineX = x * pageWidth + bx;
                        sum += Channel(indices[fineY / static_cast<std::size_t>(height)]
                                              [fineX / static_cast<std::size_t>(width)],
                                       channel);
                    }
                }
                pixels.push_back(static_cast<std::uint8_t>(
                    std::lround(sum / static_cast<double>(pageWidth * pageHeight))));
            }
        }
    }
    return pixels;
}

TEST(ReducedSize, KeepsProportionsAndNeverEnlarges) {
    struct Case {
        std::int32_t width, height, longest;
        std::optional<Size> expected;
    };
    const Case cases[] = {
        {240, 320, 128, Size{96, 128}},  {320, 240, 128, Size{128, 96}},
        {240, 320, 256, Size{192, 256}}, {240, 320, 100, Size{75, 100}},
        {240, 320, 7, Size{5, 7}},       {240, 320, 320, Size{240, 320}},
        {240, 320, 512, Size{240, 320}}, {4096, 1, 64, Size{64, 1}},
        {1, 4096, 64, Size{1, 64}},      {3, 2, 2, Size{2, 1}},
        {240, 320, 0, std::nullopt},     {0, 320, 128, std::nullopt},
        {240, -1, 128, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReducedSize(c.width, c.height, c.longest), c.expected)
            << c.width << " x " << c.height << " to " << c.longest;
    }
}

// Sizes whose picture pixels straddle page pixels unevenly on both axes, and
// one that divides evenly.
TEST(ReducePage, AveragesEachPicturePixelsAreaAsTheBlownUpPageDoes) {
    struct Case {
        std::size_t width, height;
        std::int32_t longest;
    };
    for (const Case& c : {Case{7, 5, 3}, Case{5, 7, 4}, Case{9, 9, 4}, Case{8, 6, 4},
                          Case{11, 3, 5}, Case{6, 4, 6}}) {
        const Indices indices = RandomIndices(c.width, c.height, static_cast<unsigned>(c.width * 31 + c.height));
        const auto picture = ReducePage(*PageOf(indices), c.longest);
        ASSERT_TRUE(picture.has_value());
        const std::string name = std::to_string(c.width) + " x " + std::to_string(c.height) +
                                 " to " + std::to_string(c.longest);
        const Size size = *ReducedSize(static_cast<std::int32_t>(c.width),
                                       static_cast<std::int32_t>(c.height), c.longest);
        EXPECT_EQ(picture->width, size.cx) << name;
        EXPECT_EQ(picture->height, size.cy) << name;
        EXPECT_EQ(picture->pixels, Expected(indices, size.cx, size.cy)) << name;
    }
}

TEST(ReducePage, ThinStrokesBecomeGreyNotGaps) {
    // A one-pixel black line in every second column of a white page: each
    // picture pixel of a halving covers one black and one white column.
    Indices indices(4, std::vector<std::uint8_t>(8, 15));
    for (auto& row : indices) {
        for (std::size_t x = 0; x < row.size(); x += 2) row[x] = 0;
    }
    const auto picture = ReducePage(*PageOf(indices), 4);
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(picture->width, 4);
    EXPECT_EQ(picture->height, 2);
    // 255 / 2 = 127.5, rounded to the nearest.
    EXPECT_EQ(picture->pixels, std::vector<std::uint8_t>(4 * 2 * 3, 128));
}

TEST(ReducePage, APageAsSmallAsAskedKeepsItsExactColors) {
    const Indices indices = RandomIndices(5, 3, 7);
    const auto picture = ReducePage(*PageOf(indices), 64);
    ASSERT_TRUE(picture.has_value());
    ASSERT_EQ(picture->pixels.size(), 5u * 3 * 3);
    for (std::size_t y = 0; y < 3; ++y) {
        for (std::size_t x = 0; x < 5; ++x) {
            for (int channel = 0; channel < 3; ++channel) {
                EXPECT_EQ(picture->pixels[(y * 5 + x) * 3 + static_cast<std::size_t>(channel)],
                          Channel(indices[y][x], channel));
            }
        }
    }
}

TEST(ReducePage, RefusesASizeOfNothing) {
    EXPECT_FALSE(ReducePage(*PageOf(RandomIndices(4, 4, 1)), 0).has_value());
}

}  // namespace
}  // namespace tavrin
