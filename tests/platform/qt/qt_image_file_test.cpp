// PNG files written through Qt and read back by Qt.
#include <gtest/gtest.h>

#include <QImage>

#include <filesystem>
#include <vector>

#include "platform/image_file.h"
#include "support/scratch_folder.h"

using tavrin::testing::ScratchFolder;

namespace tavrin::platform {
namespace {

TEST(PngTest, WritesEveryPixelTopDown) {
    const ScratchFolder scratch;
    const std::vector<std::uint32_t> pixels{0x000000, 0xFF0000, 0x00FF00,
                                            0x0000FF, 0xC0C0FF, 0xFFFFFF};
    const std::string path = scratch.PathOf("page.png");
    std::string error;
    ASSERT_TRUE(WritePng(path, 3, 2, pixels, error)) << error;
    const QImage image(QString::fromStdString(path), "png");
    ASSERT_EQ(image.size(), QSize(3, 2));
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(image.pixel(x, y) & 0xFFFFFFu, pixels[static_cast<std::size_t>(y * 3 + x)])
                << x << "," << y;
        }
    }
}

TEST(PngTest, NamesTheFileAndTheCauseOnFailure) {
    const ScratchFolder scratch;
    const std::vector<std::uint32_t> pixels(4, 0xFFFFFF);
    const std::string path = scratch.PathOf("none/page.png");
    std::string error;
    EXPECT_FALSE(WritePng(path, 2, 2, pixels, error));
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(scratch.PathOf("none")));

    const std::string wrongSize = scratch.PathOf("wrong.png");
    EXPECT_FALSE(WritePng(wrongSize, 3, 2, pixels, error));
    EXPECT_NE(error.find(wrongSize), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(wrongSize));
}

}  // namespace
}  // namespace tavrin::platform
