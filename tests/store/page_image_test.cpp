#include "store/page_image.h"

#include <gtest/gtest.h>

#include <array>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/drawing.h"
#include "store/allocation.h"
#include "support/blank_page.h"
#include "support/memory_file.h"
#include "support/page_pixels.h"

namespace tavrin {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::MemoryFile;

struct CaseName {
    template <class TestInfo>
    std::string operator()(const TestInfo& test) const {
        return test.param.name;
    }
};

// A page-image block as stored: little-endian header, then the data. The
// stated length may differ from the data's, as in a damaged file.
Bytes Block(std::uint16_t format, std::uint16_t width, std::uint16_t height, const Bytes& data,
            std::optional<std::uint32_t> statedLength = std::nullopt) {
    const std::uint32_t length = statedLength.value_or(static_cast<std::uint32_t>(data.size()));
    const std::array<std::uint8_t, 12> header = {
        static_cast<std::uint8_t>(format), static_cast<std::uint8_t>(format >> 8),
        0x00, 0x00,
        static_cast<std::uint8_t>(width), static_cast<std::uint8_t>(width >> 8),
        static_cast<std::uint8_t>(height), static_cast<std::uint8_t>(height >> 8),
        static_cast<std::uint8_t>(length), static_cast<std::uint8_t>(length >> 8),
        static_cast<std::uint8_t>(length >> 16), static_cast<std::uint8_t>(length >> 24),
    };
    // Sized once and filled, which g++ 12 at -O3 doesn't misread as an
    // out-of-bounds copy the way it does an initializer list grown by insert.
    Bytes block(header.size() + data.size());
    std::copy(header.begin(), header.end(), block.begin());
    std::copy(data.begin(), data.end(), block.begin() + static_cast<std::ptrdiff_t>(header.size()));
    return block;
}

using testing::BlankPagePacked;

Bytes PixelBytes(const PageImage& image) {
    const auto surface = image.MakeSurface();
    if (!surface) {
        ADD_FAILURE() << "the image has no picture";
        return {};
    }
    return Bytes(surface->Pixels(), surface->Pixels() + surface->PixelByteCount());
}

TEST(RowStride, PadsRowsToWholeFourByteWords) {
    struct Case {
        std::int32_t width;
        std::int32_t stride;
    };
    for (const Case c : {Case{240, 120}, Case{1, 4}, Case{8, 4}, Case{9, 8}}) {
        EXPECT_EQ(RowStride(c.width, 4), c.stride) << c.width << " pixels";
    }
}

// The colors shown, in red, green, blue order; entries 1, 3 and 7 are not
// the common 16-color table's.
constexpr Color kExpectedPalette[16] = {
    MakeColor(0x00, 0x00, 0x00), MakeColor(0x00, 0x40, 0x80), MakeColor(0x00, 0x80, 0x00),
    MakeColor(0x00, 0x80, 0xFF), MakeColor(0x80, 0x00, 0x00), MakeColor(0x80, 0x00, 0x80),
    MakeColor(0x80, 0x80, 0x00), MakeColor(0xC0, 0xC0, 0xFF), MakeColor(0x80, 0x80, 0x80),
    MakeColor(0x00, 0x00, 0xFF), MakeColor(0x00, 0xFF, 0x00), MakeColor(0x00, 0xFF, 0xFF),
    MakeColor(0xFF, 0x00, 0x00), MakeColor(0xFF, 0x00, 0xFF), MakeColor(0xFF, 0xFF, 0x00),
    MakeColor(0xFF, 0xFF, 0xFF),
};

TEST(PenPalette, HoldsTheStoredColorsInTableOrder) {
    for (std::size_t i = 0; i < 16; ++i) {
        const Color c = kExpectedPalette[i];
        EXPECT_EQ(PenPalette[i], (platform::RgbQuad{BlueOf(c), GreenOf(c), RedOf(c), 0}))
            << "entry " << i;
    }
}

TEST(PageImageLoad, PackedBlankPage) {
    MemoryFile file(Block(0x0104, 240, 320, BlankPagePacked()));
    PageImage image;
    PageLoadNotes notes;
    EXPECT_EQ(image.Load(file, &notes), 1);
    EXPECT_EQ(image.Width(), 240);
    EXPECT_EQ(image.Height(), 320);
    EXPECT_EQ(image.Size(), 38'400);
    EXPECT_EQ(PixelBytes(image), Bytes(38'400, 0xFF));
    EXPECT_EQ(file.Remaining(), 0U);
    EXPECT_TRUE(notes.headerRead);
    EXPECT_EQ(notes.header.format, 0x0104);
    EXPECT_EQ(notes.header.dataLength, 1'220U);
    EXPECT_EQ(notes.pixelBytesDelivered, 38'400U);
    EXPECT_EQ(notes.pixelBytesExpected, 38'400U);
}

// Blocks whose data is short of the page: pixels the data doesn't reach are white.
struct DataFitCase {
    std::string name;
    std::uint16_t format;
    Bytes data;
    Bytes pixels;  // of an 8 × 2 page: 8 bytes
    std::int32_t size;
};

class PageImageDataFit : public ::testing::TestWithParam<DataFitCase> {};

TEST_P(PageImageDataFit, LoadsWithinTheSurface) {
    const DataFitCase& c = GetParam();
    MemoryFile file(Block(c.format, 8, 2, c.data));
    PageImage image;
    PageLoadNotes notes;
    ASSERT_EQ(image.Load(file, &notes), 1);
    EXPECT_EQ(image.Size(), c.size);
    EXPECT_EQ(notes.pixelBytesDelivered, static_cast<std::size_t>(c.size));
    EXPECT_EQ(notes.pixelBytesExpected, 8U);
    EXPECT_EQ(PixelBytes(image), c.pixels);
}

INSTANTIATE_TEST_SUITE_P(
    PageImageLoad, PageImageDataFit,
    ::testing::ValuesIn(std::vector<DataFitCase>{
        {"RawWithoutPackedFlag", 0x0004, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF},
         {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}, 8},
        {"RawShorterThanPage", 0x0004, {0x01, 0x02}, {0x01, 0x02, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 2},
        {"PackedShorterThanPage", 0x0104, {0x03, 0x12},
         {0x12, 0x12, 0x12, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 3},
        {"NoData", 0x0104, {}, Bytes(8, 0xFF), 0},
    }),
    CaseName{});

TEST(PageImageLoad, LargestSideIsAccepted) {
    MemoryFile file(Block(0x0104, kMaxPageSide, 1, {}));
    PageImage image;
    EXPECT_EQ(image.Load(file), 1);
    EXPECT_EQ(PixelBytes(image).size(), 2'048U);
}

// Blocks no program writes and data the file doesn't hold: refused like a
// failed read, quietly, having read no more than the header.
struct RefusedCase {
    std::string name;
    // Made when the case runs: every test of this program registers every
    // case, and one file is 40 MB.
    std::function<Bytes()> file;
    std::uint64_t remainingAfter;
};

class PageImageRefused : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(PageImageRefused, ReturnsZeroWithoutMessageOrSurface) {
    const RefusedCase& c = GetParam();
    MemoryFile file(c.file());
    PageLoadNotes notes;
    PageImage image;
    // Any attempt to allocate what a damaged length asks for would fail and
    // be noted as a lack of memory: the clean note proves none was made.
    const AllocationLimitForTesting limit(1 << 20);
    EXPECT_EQ(image.Load(file, &notes), 0);
    EXPECT_FALSE(image.HasPicture());
    EXPECT_FALSE(notes.outOfMemory);
    EXPECT_EQ(file.Remaining(), c.remainingAfter);
}

INSTANTIATE_TEST_SUITE_P(
    PageImageLoad, PageImageRefused,
    ::testing::ValuesIn(std::vector<RefusedCase>{
        {"ShortHeader", [] { return Bytes{0x04, 0x01, 0x00, 0x00, 0xF0, 0x00, 0x40}; }, 0},
        {"DataLengthBeyondTheFile", [] { return Block(0x0104, 240, 320, {0x3F, 0xFF}, 0xFFFF'FFF0U); }, 2},
        {"DataShorterThanStated", [] { return Block(0x0104, 240, 320, {0x3F, 0xFF}, 3); }, 2},
        {"ZeroWidth", [] { return Block(0x0104, 0, 320, {0x3F, 0xFF}); }, 2},
        {"ZeroHeight", [] { return Block(0x0104, 240, 0, {0x3F, 0xFF}); }, 2},
        {"WidthAboveLimit", [] { return Block(0x0104, kMaxPageSide + 1, 1, {0x3F, 0xFF}); }, 2},
        {"HeightAboveLimit", [] { return Block(0x0104, 1, 0xFFFF, {0x3F, 0xFF}); }, 2},
        {"EightBitsPerPixel", [] { return Block(0x0108, 8, 2, {0x3F, 0xFF}); }, 2},
        {"OneBitPerPixel", [] { return Block(0x0001, 8, 2, {0x3F, 0xFF}); }, 2},
        // An 8 × 2 page has 8 pixel bytes: no more raw data, and no more than
        // twice that packed, can belong to it.
        {"RawLongerThanPage", [] { return Block(0x0004, 8, 2, Bytes(9, 0x41)); }, 9},
        {"PackedLongerThanAnyPacking", [] { return Block(0x0104, 8, 2, Bytes(17, 0x41)); }, 17},
        // Data that fits the bound but unpacks past the page is read and refused.
        {"PackedUnpacksPastThePage", [] { return Block(0x0104, 8, 2, {0x3F, 0x41, 0x3F, 0x42}); }, 0},
        // 40 MB of longest runs would unpack to 1.3 GB: refused by its length.
        {"RunBomb", [] { return Block(0x0104, 240, 320, Bytes(40'000'000, 0x3F)); }, 40'000'000},
    }),
    CaseName{});

TEST(PageImageLoad, HeaderNotesOfARefusedBlock) {
    MemoryFile file(Block(0x0108, 9, 3, {0x3F, 0xFF}));
    PageImage image;
    PageLoadNotes notes;
    EXPECT_EQ(image.Load(file, &notes), 0);
    EXPECT_TRUE(notes.headerRead);
    EXPECT_EQ(notes.header.format, 0x0108);
    EXPECT_EQ(notes.header.width, 9);
    EXPECT_EQ(notes.pixelBytesExpected, 3U * 12U);
    EXPECT_EQ(notes.pixelBytesDelivered, 0U);

    MemoryFile shortFile(Bytes{0x04, 0x01});
    PageLoadNotes shortNotes;
    EXPECT_EQ(image.Load(shortFile, &shortNotes), 0);
    EXPECT_FALSE(shortNotes.headerRead);
}

// The blank page's data buffer is 1,220 bytes; it is all a load allocates.
class PageImageOutOfMemory : public ::testing::TestWithParam<std::size_t> {};

TEST_P(PageImageOutOfMemory, NotesTheLackOfMemoryAndFails) {
    MemoryFile file(Block(0x0104, 240, 320, BlankPagePacked()));
    PageLoadNotes notes;
    PageImage image;
    const AllocationLimitForTesting limit(GetParam());
    EXPECT_EQ(image.Load(file, &notes), 0);
    EXPECT_FALSE(image.HasPicture());
    EXPECT_TRUE(notes.outOfMemory);

    file.Rewind();
    EXPECT_EQ(image.Load(file), 0) << "without notes the failure is the result alone";
}

INSTANTIATE_TEST_SUITE_P(PageImageLoad, PageImageOutOfMemory,
                         ::testing::Values(std::size_t{0}, std::size_t{1'219}));

TEST(PageImageLoad, KeepsThePagePackedUntilItIsDrawn) {
    MemoryFile file(Block(0x0104, 240, 320, BlankPagePacked()));
    PageImage image;
    {
        const AllocationLimitForTesting limit(1'220);
        ASSERT_EQ(image.Load(file), 1);
    }
    EXPECT_EQ(PixelBytes(image), Bytes(38'400, 0xFF));
}

TEST(PageImageLoad, NotesACountWithoutItsValue) {
    MemoryFile file(Block(0x0104, 8, 2, {0x08, 0x41, 0x05}));
    PageImage image;
    PageLoadNotes notes;
    ASSERT_EQ(image.Load(file, &notes), 1);
    EXPECT_TRUE(notes.danglingCount);
    EXPECT_EQ(PixelBytes(image), Bytes(8, 0x41));
}

TEST(PageImageSave, WritesLittleEndianHeaderAndPackedData) {
    MemoryFile source(Block(0x0004, 8, 2, {0x12, 0x12, 0x12, 0x80, 0x80, 0x80, 0x90, 0xFF}));
    PageImage image;
    ASSERT_EQ(image.Load(source), 1);
    MemoryFile file;
    EXPECT_NE(image.Save(file), 0);
    EXPECT_EQ(file.Bytes(), (Bytes{0x04, 0x01, 0x00, 0x00, 0x08, 0x00, 0x02, 0x00, 0x06, 0x00,
                                   0x00, 0x00, 0x03, 0x12, 0x03, 0x80, 0x90, 0xFF}));
}

TEST(PageImageSave, EmptyImageWritesHeaderAloneAndReadsBackEmpty) {
    const PageImage image;
    MemoryFile file;
    EXPECT_NE(image.Save(file), 0);
    EXPECT_EQ(file.Bytes(),
              (Bytes{0x04, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
    file.Write("more", 4);  // whatever follows the block stays unread
    file.Rewind();
    PageImage reloaded;
    EXPECT_EQ(reloaded.Load(file), 1);
    EXPECT_FALSE(reloaded.HasPicture());
    EXPECT_EQ(reloaded.Size(), 0);
    EXPECT_EQ(file.Remaining(), 4U);
}

// Packed data of another shape than the packer's (short runs, a zero count,
// a count left over) is saved as the packer writes the same pixels.
TEST(PageImageSave, DataFromAFileIsPackedAnew) {
    MemoryFile source(Block(0x0104, 8, 2, {0x02, 0x41, 0x00, 0x22, 0x06, 0x41, 0x07}));
    PageImage image;
    ASSERT_EQ(image.Load(source), 1);
    MemoryFile file;
    EXPECT_NE(image.Save(file), 0);
    EXPECT_EQ(file.Bytes(), Block(0x0104, 8, 2, {0x08, 0x41}));
    // Packed once: the next save writes the same without packing again.
    MemoryFile again;
    const AllocationLimitForTesting noMemory(0);
    EXPECT_NE(image.Save(again), 0);
    EXPECT_EQ(again.Bytes(), file.Bytes());
}

// Data that the packer wrote is written again as it was read, without
// unpacking or packing it, so that a save costs only the pages that changed.
TEST(PageImageSave, DataAsThePackerWroteItIsWrittenAsItStands) {
    const Bytes block = Block(0x0104, 240, 320, BlankPagePacked());
    MemoryFile source(block);
    PageImage image;
    ASSERT_EQ(image.Load(source), 1);
    MemoryFile file;
    const AllocationLimitForTesting noMemory(0);
    EXPECT_NE(image.Save(file), 0);
    EXPECT_EQ(file.Bytes(), block);
}

TEST(PageImageSave, SizeWithoutSurfaceWritesNothing) {
    MemoryFile source(Block(0x0104, 240, 320, BlankPagePacked()));
    PageImage image;
    ASSERT_EQ(image.Load(source), 1);
    image.Release();
    MemoryFile file;
    EXPECT_EQ(image.Save(file), 0);
    EXPECT_TRUE(file.Bytes().empty());
}

// The blank page in runs of 60: the same pixels, packed anew at a save.
Bytes BlankPageInShortRuns() {
    Bytes packed;
    for (int pair = 0; pair < 640; ++pair) packed.insert(packed.end(), {0x3C, 0xFF});
    return packed;
}

TEST(PageImageSave, PackingWithoutMemoryWritesNothing) {
    MemoryFile source(Block(0x0104, 240, 320, BlankPageInShortRuns()));
    PageImage image;
    ASSERT_EQ(image.Load(source), 1);
    MemoryFile file;
    const AllocationLimitForTesting limit(10'000);
    EXPECT_EQ(image.Save(file), 0);
    EXPECT_TRUE(file.Bytes().empty());
}

// A file whose writes start failing after `writesAllowed` successful ones.
class FailingFile : public MemoryFile {
public:
    explicit FailingFile(int writesAllowed) : writesAllowed_(writesAllowed) {}
    bool Write(const void* data, std::size_t length) override {
        return writesAllowed_-- > 0 && MemoryFile::Write(data, length);
    }

private:
    int writesAllowed_;
};

TEST(PageImageSave, FailedHeaderOrDataWriteReturnsZero) {
    MemoryFile source(Block(0x0104, 240, 320, BlankPagePacked()));
    PageImage image;
    ASSERT_EQ(image.Load(source), 1);
    for (const int writesAllowed : {0, 1}) {
        FailingFile file(writesAllowed);
        EXPECT_EQ(image.Save(file), 0) << writesAllowed << " writes allowed";
    }
}

// Off-screen surfaces of the real backend, painted pixel by pixel with the
// palette's colors.
class Canvas {
public:
    Canvas(std::int32_t width, std::int32_t height)
        : screen_(platform::GetScreenContext()),
          context_(screen_->CreateCompatibleContext()),
          bitmap_(context_->CreateCompatibleBitmap(width, height)),
          previous_(context_->SelectBitmap(bitmap_.get())) {}
    ~Canvas() { context_->SelectBitmap(previous_); }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    void Fill(const Rect& rect, int paletteIndex) {
        const auto brush = platform::CreateSolidBrush(kExpectedPalette[paletteIndex]);
        context_->FillRect(rect, *brush);
    }
    platform::DrawingContext& Context() { return *context_; }

private:
    std::unique_ptr<platform::DrawingContext> screen_;
    std::unique_ptr<platform::DrawingContext> context_;
    std::unique_ptr<platform::Bitmap> bitmap_;
    platform::Bitmap* previous_;
};

// Every palette color, in a pattern that tells left from right and top from
// bottom: pixel (x, y) has index (x + 5y) mod 16.
int PatternIndex(std::int32_t x, std::int32_t y) { return (x + 5 * y) % 16; }

void PaintPattern(Canvas& canvas, std::int32_t left, std::int32_t top, std::int32_t width,
                  std::int32_t height) {
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            canvas.Fill({left + x, top + y, left + x + 1, top + y + 1}, PatternIndex(x, y));
        }
    }
}

TEST(PageImageCapture, EveryPaletteColorBecomesItsIndex) {
    Canvas canvas(20, 6);
    canvas.Fill({0, 0, 20, 6}, 0);
    PaintPattern(canvas, 2, 1, 13, 3);
    PageImage image;
    EXPECT_EQ(image.Capture(canvas.Context(), 2, 1, 13, 3), 1);
    ASSERT_TRUE(image.HasPicture());
    EXPECT_EQ(image.Width(), 13);
    EXPECT_EQ(image.Height(), 3);
    EXPECT_EQ(image.Size(), 3 * 8);
    for (std::int32_t y = 0; y < 3; ++y) {
        for (std::int32_t x = 0; x < 13; ++x) {
            EXPECT_EQ(testing::IndexAt(image, x, y), PatternIndex(x, y)) << "(" << x << ", " << y << ")";
        }
    }
}

TEST(PageImageCapture, SurvivesSaveAndLoad) {
    Canvas canvas(13, 3);
    PaintPattern(canvas, 0, 0, 13, 3);
    PageImage captured;
    captured.Capture(canvas.Context(), 0, 0, 13, 3);
    MemoryFile file;
    ASSERT_NE(captured.Save(file), 0);
    file.Rewind();
    PageImage loaded;
    ASSERT_EQ(loaded.Load(file), 1);
    EXPECT_EQ(loaded.Width(), 13);
    EXPECT_EQ(loaded.Height(), 3);
    EXPECT_EQ(loaded.Size(), captured.Size());
    EXPECT_EQ(PixelBytes(loaded), PixelBytes(captured));
}

// Memory for the new picture can't be had: the capture fails and the image
// keeps what it had, whole, so that a save still writes it.
TEST(PageImageCapture, WithoutMemoryKeepsThePictureItHad) {
    Canvas pattern(13, 3);
    PaintPattern(pattern, 0, 0, 13, 3);
    Canvas black(20, 6);
    black.Fill({0, 0, 20, 6}, 0);
    PageImage image;
    ASSERT_EQ(image.Capture(pattern.Context(), 0, 0, 13, 3), 1);
    const Bytes before = PixelBytes(image);
    PageImage empty;
    {
        const AllocationLimitForTesting limit(0);
        EXPECT_EQ(image.Capture(black.Context(), 0, 0, 20, 6), 0);
        EXPECT_EQ(empty.Capture(black.Context(), 0, 0, 20, 6), 0);
    }
    ASSERT_TRUE(image.HasPicture());
    EXPECT_EQ(image.Width(), 13);
    EXPECT_EQ(image.Height(), 3);
    EXPECT_EQ(image.Size(), 3 * 8);
    EXPECT_EQ(PixelBytes(image), before);
    MemoryFile file;
    ASSERT_NE(image.Save(file), 0);
    file.Rewind();
    PageImage reloaded;
    ASSERT_EQ(reloaded.Load(file), 1);
    EXPECT_EQ(PixelBytes(reloaded), before);

    EXPECT_FALSE(empty.HasPicture());
    EXPECT_EQ(empty.Size(), 0) << "an image that never had a picture stays empty";
}

// An empty rectangle holds nothing to capture: an image without a picture,
// which is no lack of memory.
TEST(PageImageCapture, AnEmptyRectangleLeavesNoPicture) {
    Canvas pattern(13, 3);
    PaintPattern(pattern, 0, 0, 13, 3);
    PageImage image;
    ASSERT_EQ(image.Capture(pattern.Context(), 0, 0, 13, 3), 1);
    EXPECT_EQ(image.Capture(pattern.Context(), 0, 0, 0, 3), 1);
    EXPECT_FALSE(image.HasPicture());
    EXPECT_EQ(image.Size(), 0);
    MemoryFile file;
    EXPECT_NE(image.Save(file), 0);
    EXPECT_EQ(file.Bytes(), Block(0x0104, 0, 3, {}));
}

// Draws onto a black 20 × 6 surface and reads every pixel back by capture.
struct DrawCase {
    std::string name;
    bool withPicture;  // else an empty image
    Rect arguments;    // x, y, width, height as passed
    Rect drawn;        // the rectangle expected to change
};

class PageImageDraw : public ::testing::TestWithParam<DrawCase> {};

TEST_P(PageImageDraw, CopiesThePictureOrPaintsWhite) {
    const DrawCase& c = GetParam();
    Canvas source(13, 3);
    PaintPattern(source, 0, 0, 13, 3);
    PageImage image;
    if (c.withPicture) {
        image.Capture(source.Context(), 0, 0, 13, 3);
    }
    Canvas target(20, 6);
    target.Fill({0, 0, 20, 6}, 0);
    image.Draw(target.Context(), c.arguments.left, c.arguments.top, c.arguments.right,
               c.arguments.bottom);

    PageImage result;
    result.Capture(target.Context(), 0, 0, 20, 6);
    const testing::PagePixels pixels(result);
    for (std::int32_t y = 0; y < 6; ++y) {
        for (std::int32_t x = 0; x < 20; ++x) {
            const bool inside =
                x >= c.drawn.left && x < c.drawn.right && y >= c.drawn.top && y < c.drawn.bottom;
            const int expected = !inside         ? 0
                                 : c.withPicture ? PatternIndex(x - c.drawn.left, y - c.drawn.top)
                                                 : 15;
            EXPECT_EQ(pixels.IndexAt(x, y), expected) << "(" << x << ", " << y << ")";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    PageImage, PageImageDraw,
    ::testing::ValuesIn(std::vector<DrawCase>{
        {"ZeroSizesDrawTheWholeImage", true, {4, 2, 0, 0}, {4, 2, 17, 5}},
        {"GivenSizesDrawPartOfIt", true, {1, 1, 5, 2}, {1, 1, 6, 3}},
        {"EmptyImagePaintsWhite", false, {2, 1, 5, 3}, {2, 1, 7, 4}},
    }),
    CaseName{});

}  // namespace
}  // namespace tavrin
